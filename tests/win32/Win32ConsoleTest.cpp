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

TEST(Win32Console, LinesGoWhereTheStandardHandlesPointAndNoConsoleIsMade) {
  FakeConsoleCalls calls;
  calls.out = kPipeOut;
  calls.err = kPipeErr;
  calls.maxPerWrite = 3;  // short writes are carried on
  {
    Win32Console console(calls);
    console.Out("Propeller Upload on COM: 3\n");
    console.Err("No COM\n");
    EXPECT_FALSE(console.ErrIsTerminal()) << "a pipe gets no progress line";
  }
  EXPECT_EQ(calls.written[kPipeOut], "Propeller Upload on COM: 3\n");
  EXPECT_EQ(calls.written[kPipeErr], "No COM\n");
  EXPECT_EQ(calls.attaches + calls.allocations + calls.consoleOpens, 0);
  EXPECT_EQ(calls.closes, 0) << "the inherited handles are not ours to close";
}

TEST(Win32Console, WithoutHandlesTheParentsConsoleIsUsedAndOnlyThenAnOwnOne) {
  struct Case {
    const char* what;
    bool parentHasConsole;
    bool canAllocate;
    int allocations;
    HANDLE target;  // nullptr: the lines are dropped
  };
  const Case cases[] = {
      {"started from cmd.exe", true, true, 0, kConsole},
      {"started from Explorer", false, true, 1, kOwnConsole},
      {"no console to be had", false, false, 1, nullptr},
  };
  for (const Case& c : cases) {
    FakeConsoleCalls calls;
    calls.parentHasConsole = c.parentHasConsole;
    calls.canAllocate = c.canAllocate;
    {
      Win32Console console(calls);
      console.Out("one\n");
      console.Err("two\n");
      console.Out("three\n");
      EXPECT_EQ(console.ErrIsTerminal(), c.target != nullptr) << c.what;
    }
    EXPECT_EQ(calls.attaches, 1) << c.what;
    EXPECT_EQ(calls.allocations, c.allocations) << c.what;
    if (c.target != nullptr) {
      EXPECT_EQ(calls.written[c.target], "one\ntwo\nthree\n") << c.what;
      EXPECT_EQ(calls.consoleOpens, 1) << c.what;
      EXPECT_EQ(calls.closes, 1) << c.what;
    } else {
      EXPECT_TRUE(calls.written.empty()) << c.what;
      EXPECT_EQ(calls.closes, 0) << c.what;
    }
  }
}

TEST(Win32Console, OnlyTheStreamWithoutAHandleGoesToTheConsole) {
  FakeConsoleCalls calls;
  calls.out = kPipeOut;  // "tavolin x.binary -L 3 > log.txt" from cmd.exe
  calls.parentHasConsole = true;
  Win32Console console(calls);
  console.Out("File: x.binary\n");
  console.Err("COM3 (\\\\.\\COM3): no such port\n");
  EXPECT_EQ(calls.written[kPipeOut], "File: x.binary\n");
  EXPECT_EQ(calls.written[kConsole], "COM3 (\\\\.\\COM3): no such port\n");
}

}  // namespace
}  // namespace tavolin::win32
