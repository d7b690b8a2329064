// The console of the upload mode against a fake of the Win32 calls: where the lines go when the
// program was started with a pipe or a file, from a console, or with nothing at all.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/win32/Win32Console.h"

namespace tavolin::win32 {
namespace {

const HANDLE kPipeOut = reinterpret_cast<HANDLE>(0x10);
const HANDLE kPipeErr = reinterpret_cast<HANDLE>(0x14);
const HANDLE kConsole = reinterpret_cast<HANDLE>(0x20);
const HANDLE kOwnConsole = reinterpret_cast<HANDLE>(0x30);

class FakeConsoleCalls : public ConsoleCalls {
 public:
  HANDLE out = nullptr;
  HANDLE err = nullptr;
  bool parentHasConsole = false;
  bool canAllocate = true;
  DWORD maxPerWrite = 0xFFFFFFFF;
  int attaches = 0, allocations = 0, consoleOpens = 0, closes = 0;
  bool attached = false;
  std::map<HANDLE, std::string> written;

  HANDLE GetStdHandle(DWORD which) override { return which == STD_OUTPUT_HANDLE ? out : err; }
  BOOL AttachParentConsole() override {
    ++attaches;
    attached = parentHasConsole;
    return parentHasConsole;
  }
  BOOL AllocConsole() override {
    ++allocations;
    return canAllocate;
  }
  HANDLE OpenConsoleOutput() override {
    ++consoleOpens;
    return attached ? kConsole : kOwnConsole;
  }
  BOOL WriteFile(HANDLE h, const void* bytes, DWORD n, DWORD* put) override {
    const DWORD take = std::min(n, maxPerWrite);
    written[h].append(static_cast<const char*>(bytes), take);
    *put = take;
    return TRUE;
  }
  BOOL IsConsole(HANDLE h) override { return h == kConsole || h == kOwnConsole; }
  BOOL CloseHandle(HANDLE) override {
    ++closes;
    return TRUE;
  }
};

// A stream with a standard handle writes to it; only without one is the parent's console used,
// and only without that an own one is made.
TEST(Win32Console, LinesGoToTheirHandleOrTheParentsConsoleOrAnOwnOne) {
  struct Case {
    const char* what;
    HANDLE out, err;
    bool parentHasConsole, canAllocate;
    std::map<HANDLE, std::string> written;
    int attaches, allocations, consoleOpens;
    bool errIsTerminal;
  };
  const std::string all = "one\ntwo\nthree\n";
  const std::string out = "one\nthree\n";
  const std::string err = "two\n";
  const Case cases[] = {
      {"pipes", kPipeOut, kPipeErr, true, true, {{kPipeOut, out}, {kPipeErr, err}}, 0, 0, 0, false},
      // Standard output to a file: "tavolin x.binary -L 3 > log.txt" from cmd.exe.
      {"file", kPipeOut, nullptr, true, true, {{kPipeOut, out}, {kConsole, err}}, 1, 0, 1, true},
      {"started from cmd.exe", nullptr, nullptr, true, true, {{kConsole, all}}, 1, 0, 1, true},
      {"started from Explorer", nullptr, nullptr, false, true, {{kOwnConsole, all}}, 1, 1, 1, true},
      {"no console to be had", nullptr, nullptr, false, false, {}, 1, 1, 0, false},
  };
  for (const Case& c : cases) {
    FakeConsoleCalls calls;
    calls.out = c.out;
    calls.err = c.err;
    calls.parentHasConsole = c.parentHasConsole;
    calls.canAllocate = c.canAllocate;
    calls.maxPerWrite = 3;  // short writes are carried on
    {
      Win32Console console(calls);
      console.Out("one\n");
      console.Err("two\n");
      console.Out("three\n");
      EXPECT_EQ(console.ErrIsTerminal(), c.errIsTerminal) << c.what;
    }
    EXPECT_EQ(calls.written, c.written) << c.what;
    EXPECT_EQ(calls.attaches, c.attaches) << c.what;
    EXPECT_EQ(calls.allocations, c.allocations) << c.what;
    EXPECT_EQ(calls.consoleOpens, c.consoleOpens) << c.what;
    // The console opened is closed again; the inherited handles are not ours to close.
    EXPECT_EQ(calls.closes, c.consoleOpens) << c.what;
  }
}

}  // namespace
}  // namespace tavolin::win32
