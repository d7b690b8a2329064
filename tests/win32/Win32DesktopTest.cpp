// The desktop on Windows against a fake of the Win32 calls: a program starts with only its quoted
// name, documents and addresses go to the "open" verb, and no handle is left open.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/win32/Win32Desktop.h"

namespace tavolin::win32 {
namespace {

class FakeDesktopCalls : public DesktopCalls {
 public:
  bool processStarts = true;
  bool shellOpens = true;
  bool shellGivesProcess = false;
  HWND window = nullptr;
  std::vector<std::string> commandLines;
  struct Shell {
    std::string verb, file, directory;
    ULONG mask;
    bool operator==(const Shell&) const = default;
  };
  std::vector<Shell> shells;
  std::set<HANDLE> handed;  // handles given out and not closed yet
  std::vector<HWND> raised;
  int next = 0x40;

  HANDLE NewHandle() {
    HANDLE h = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(next += 4));
    handed.insert(h);
    return h;
  }
  BOOL StartProcess(char* commandLine, PROCESS_INFORMATION* info) override {
    commandLines.emplace_back(commandLine);
    if (!processStarts) return FALSE;
    info->hProcess = NewHandle();
    info->hThread = NewHandle();
    return TRUE;
  }
  BOOL ShellOpen(SHELLEXECUTEINFOA* info) override {
    shells.push_back({info->lpVerb ? info->lpVerb : "", info->lpFile ? info->lpFile : "",
                      info->lpDirectory ? info->lpDirectory : "", info->fMask});
    if (!shellOpens) return FALSE;
    if (shellGivesProcess) info->hProcess = NewHandle();
    return TRUE;
  }
  BOOL CloseHandle(HANDLE h) override { return handed.erase(h) == 1; }
  HWND FindTopWindow(const char* title) override {
    return std::string(title) == "Propeller Tool" ? window : nullptr;
  }
  BOOL IsWindow(HWND w) override { return w != nullptr; }
  BOOL SetForegroundWindow(HWND w) override {
    raised.push_back(w);
    return TRUE;
  }
};

TEST(Win32Desktop, AProgramStartsWithItsQuotedNameAloneAndLeavesNoHandle) {
  struct Case {
    std::string path;
    bool starts;  // what the system answers
    bool called;
    bool result;
  };
  const Case cases[] = {
      {"C:\\Tools\\prog.exe", true, true, true},
      {"C:\\Program Files\\x y.exe", true, true, true},
      {"prog.exe & del *.*", true, true, true},  // one name, however odd: no shell reads it
      {"C:\\x\\notes.txt", false, true, false},  // no program: the caller may open it instead
      {"", true, false, false},
      {"a\" & calc \"", true, false, false},  // a quote would end the name early
  };
  for (const Case& c : cases) {
    FakeDesktopCalls calls;
    calls.processStarts = c.starts;
    Win32Desktop desktop(calls);
    EXPECT_EQ(desktop.StartProgram(c.path), c.result) << c.path;
    if (c.called) {
      EXPECT_EQ(calls.commandLines, std::vector<std::string>{"\"" + c.path + "\""});
    } else {
      EXPECT_TRUE(calls.commandLines.empty()) << c.path;
    }
    EXPECT_TRUE(calls.shells.empty()) << c.path;
    EXPECT_TRUE(calls.handed.empty()) << c.path;
  }
}

TEST(Win32Desktop, DocumentsAndAddressesGoToTheOpenVerb) {
  for (bool givesProcess : {false, true}) {
    FakeDesktopCalls calls;
    calls.shellGivesProcess = givesProcess;
    Win32Desktop desktop(calls);
    EXPECT_TRUE(desktop.OpenDocument("C:\\x\\notes.txt", "C:\\x"));
    EXPECT_TRUE(desktop.OpenUrl("https://example.invalid/"));
    // No box of the shell's own, and no process handle asked for (it would have to be closed).
    constexpr ULONG kMask = SEE_MASK_FLAG_NO_UI;
    EXPECT_EQ(calls.shells, (std::vector<FakeDesktopCalls::Shell>{
                                {"open", "C:\\x\\notes.txt", "C:\\x", kMask},
                                {"open", "https://example.invalid/", "", kMask}}));
    EXPECT_TRUE(calls.handed.empty());
  }
  FakeDesktopCalls failing;
  failing.shellOpens = false;
  Win32Desktop desktop(failing);
  EXPECT_FALSE(desktop.OpenDocument("C:\\x\\notes.txt", "C:\\x"));
  EXPECT_FALSE(desktop.OpenUrl(""));
}

TEST(Win32Desktop, RaisingAWindowNeedsOneWithExactlyThatTitle) {
  FakeDesktopCalls calls;
  Win32Desktop desktop(calls);
  EXPECT_FALSE(desktop.RaiseWindowTitled("Propeller Tool")) << "no such window";
  calls.window = reinterpret_cast<HWND>(0x1234);
  EXPECT_TRUE(desktop.RaiseWindowTitled("Propeller Tool"));
  EXPECT_EQ(calls.raised, std::vector<HWND>{calls.window});
}

}  // namespace
}  // namespace tavolin::win32
