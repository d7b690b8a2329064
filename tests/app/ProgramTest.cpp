// The front door on a fake host: which form each command line runs, what it prints, and the
// exit code, the same for every operating system's main.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/Program.h"
#include "app/Version.h"
#include "platform/fake/FakePlatform.h"
#include "tests/TempDir.h"

namespace tavolin {
namespace {

using testing::TempDir;

constexpr const char* kNamingNote = "COM n is the fake's port n.\n";

// The fakes as a host; the window system is counted, and refused when unreachable is set.
class FakeHost : public Host {
 public:
  explicit FakeHost(fake::FakePlatform& fakes) : fakes_(fakes) {}
  Clock& clock() override { return fakes_.clock; }
  SerialSystem& serial() override { return fakes_.serial; }
  Console& console() override { return fakes_.console; }
  std::string PortNamingNote() override { return kNamingNote; }
  std::unique_ptr<WindowSystem> OpenWindowSystem(std::string& reason) override {
    ++windowSystemsAsked;
    if (unreachable) {
      reason = "no screen here.";
      return nullptr;
    }
    return std::make_unique<Windows>(fakes_);
  }

  bool unreachable = false;
  int windowSystemsAsked = 0;

 private:
  struct Windows : WindowSystem {
    explicit Windows(fake::FakePlatform& f) : fakes(f) {}
    Ui& ui() override { return fakes.ui; }
    Desktop& desktop() override { return fakes.desktop; }
    fake::FakePlatform& fakes;
  };
  fake::FakePlatform& fakes_;
};

TEST(RunProgram, EachCommandLineRunsItsFormWithItsExitCode) {
  const std::string version = "tavolin " + std::string(kVersion) + "\n";
  enum class Screen { Fine, Unreachable, WindowFails };
  struct Case {
    const char* name;
    CommandLine line;
    Screen screen;
    int exit;
    std::string outHas;  // "" when nothing may be written
    std::string errHas;
    bool window;  // whether the window was asked to open
  };
  const Case cases[] = {
      {"version", {"--version", "", ""}, Screen::Fine, exitcode::kOk, version, "", false},
      {"version first", {"--version", "-L", "3"}, Screen::Fine, exitcode::kOk, version, "", false},
      {"help", {"--help", "", ""}, Screen::Fine, exitcode::kOk, kNamingNote, "", false},
      {"short help", {"-h", "x", "y"}, Screen::Fine, exitcode::kOk, "-L PORT-NUMBER", "", false},
      {"upload",
       {"x.binary", "-L", "3"},
       Screen::Fine,
       exitcode::kNoPort,
       "COM: 3\n",
       "No COM",
       false},
      {"the option has its case",
       {"none.ini", "-l", "3"},
       Screen::Fine,
       exitcode::kOk,
       "",
       "",
       true},
      {"no window system",
       {"", "", ""},
       Screen::Unreachable,
       exitcode::kNoWindow,
       "",
       "tavolin: no screen here.  See tavolin --help.\n",
       false},
      {"a window that does not open",
       {"none.ini", "", ""},
       Screen::WindowFails,
       exitcode::kNoWindow,
       "",
       "",
       true},
  };
  for (const Case& c : cases) {
    fake::FakePlatform fakes;
    fakes.ui.events = {{Event::Kind::CloseRequest, 0}};
    fakes.ui.opensWindow = c.screen != Screen::WindowFails;
    FakeHost host(fakes);
    host.unreachable = c.screen == Screen::Unreachable;
    TempDir dir;
    CommandLine line = c.line;
    if (line.first == "none.ini") line.first = dir.File("none.ini");
    EXPECT_EQ(RunProgram(line, host), c.exit) << c.name;
    if (c.outHas.empty()) {
      EXPECT_EQ(fakes.console.out, "") << c.name;
    } else {
      EXPECT_NE(fakes.console.out.find(c.outHas), std::string::npos) << c.name << fakes.console.out;
    }
    if (c.errHas.empty()) {
      EXPECT_EQ(fakes.console.err, "") << c.name;
    } else {
      EXPECT_NE(fakes.console.err.find(c.errHas), std::string::npos) << c.name << fakes.console.err;
    }
    EXPECT_EQ(fakes.ui.openCount, c.window ? 1 : 0) << c.name;
    // The window system is reached only for the window: help, version and the upload run
    // without a display.
    EXPECT_EQ(host.windowSystemsAsked, c.window || c.screen == Screen::Unreachable ? 1 : 0)
        << c.name;
    // A window that did not open: nothing started behind it.
    if (c.screen == Screen::WindowFails) {
      EXPECT_FALSE(fakes.ui.timerRunning) << c.name;
      EXPECT_TRUE(fakes.serial.openAttempts.empty()) << c.name;
    }
  }
}

TEST(Usage, ListsEveryExitCode) {
  const std::string usage = UsageText("tavolin", kNamingNote);
  for (int code : {exitcode::kOk, exitcode::kNoWindow, exitcode::kNoPort, exitcode::kFileError,
                   exitcode::kNoHandshake, exitcode::kLoadError, exitcode::kPortLost}) {
    EXPECT_NE(usage.find("\n  " + std::to_string(code) + "  "), std::string::npos) << code;
  }
}

}  // namespace
}  // namespace tavolin
