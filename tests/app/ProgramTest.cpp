// The front door on a fake host: which form each command line runs, what it prints, and the
// exit code, the same for every operating system's main.
#include <gtest/gtest.h>

#include <memory>
#include <string>

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

// text holds part; an empty part: text is empty.
bool Holds(const std::string& text, const std::string& part) {
  return part.empty() ? text.empty() : text.find(part) != std::string::npos;
}

TEST(RunProgram, EachCommandLineRunsItsFormWithItsExitCode) {
  const std::string version = "tavolin " + std::string(kVersion) + "\n";
  enum class Screen { Fine, Unreachable, WindowFails };
  using enum Screen;
  struct Case {
    const char* line;  // "none.ini" stands for a settings file that is not there
    Screen screen;
    int exit;
    std::string outHas;  // "" when nothing may be written
    std::string errHas;
    bool window;  // whether the window was asked to open
  };
  const Case cases[] = {
      {"--version", Fine, exitcode::kOk, version, "", false},
      {"--version -L 3", Fine, exitcode::kOk, version, "", false},
      {"--help", Fine, exitcode::kOk, kNamingNote, "", false},
      {"-h x y", Fine, exitcode::kOk, "-L PORT-NUMBER", "", false},
      {"x.binary -L 3", Fine, exitcode::kNoPort, "COM: 3\n", "No COM", false},
      {"none.ini -l 3", Fine, exitcode::kOk, "", "", true},  // the option has its case
      {"", Unreachable, exitcode::kNoWindow, "", "tavolin: no screen here.  See tavolin --help.\n",
       false},
      {"none.ini", WindowFails, exitcode::kNoWindow, "", "", true},
  };
  for (const Case& c : cases) {
    fake::FakePlatform fakes;
    fakes.ui.events = {{Event::Kind::CloseRequest, 0}};
    fakes.ui.opensWindow = c.screen != Screen::WindowFails;
    FakeHost host(fakes);
    host.unreachable = c.screen == Screen::Unreachable;
    TempDir dir;
    CommandLine line = ParseCommandLine(c.line);
    if (line.first == "none.ini") line.first = dir.File("none.ini");
    SCOPED_TRACE(c.line);
    EXPECT_EQ(RunProgram(line, host), c.exit);
    EXPECT_TRUE(Holds(fakes.console.out, c.outHas)) << fakes.console.out;
    EXPECT_TRUE(Holds(fakes.console.err, c.errHas)) << fakes.console.err;
    EXPECT_EQ(fakes.ui.openCount, c.window ? 1 : 0);
    // The window system is reached only for the window: help, version and the upload run
    // without a display.
    EXPECT_EQ(host.windowSystemsAsked, c.window || c.screen == Screen::Unreachable ? 1 : 0);
    // A window that did not open: nothing started behind it.
    if (c.screen == Screen::WindowFails) {
      EXPECT_FALSE(fakes.ui.timerRunning);
      EXPECT_TRUE(fakes.serial.openAttempts.empty());
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
