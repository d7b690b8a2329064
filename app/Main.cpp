// The tavolin program: reads the command line and runs the form it names.  This is where the
// platform is chosen, and the only file outside platform/win32 that asks which one it is built
// for.  Windows: platform/win32 builds everything.  Elsewhere: the console upload mode runs on
// the POSIX clock, serial devices and console alone and never creates a GUI object, so it works
// with no display (over ssh, in CI); the window comes from platform/qt.
#ifdef _WIN32

#include "platform/win32/Win32Main.h"

int main(int argc, char** argv) {
  return tavolin::win32::RunProgram(argc, argv);
}

#else

#include <cstdlib>
#include <string>

#include "app/AppState.h"
#include "app/CommandLine.h"
#include "app/ConsoleUpload.h"
#include "platform/posix/PosixClock.h"
#include "platform/posix/PosixConsole.h"
#include "platform/posix/PosixSerial.h"
#ifdef TAVOLIN_WITH_WINDOW
#include "platform/qt/QtMain.h"
#endif

namespace {

constexpr const char* kProgramName = "tavolin";
// Only a program built without the window says this.
[[maybe_unused]] constexpr const char* kNoWindowText =
    "tavolin: the terminal window is not built into this program; only the console upload "
    "(IMAGE -L PORT-NUMBER) is.  See tavolin --help.\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace tavolin;
  const CommandLine line = CommandLineFromArgv(argc, argv);
  posix::PosixConsole console;
  if (IsHelpRequest(line)) {
    console.Out(UsageText(kProgramName));
    return exitcode::kOk;
  }
  if (IsVersionRequest(line)) {
    console.Out(VersionText(kProgramName));
    return exitcode::kOk;
  }
  if (line.second == kOptionConsoleUpload) {
    posix::PosixClock clock;
    posix::PosixSerialSystem serial;
    ConsoleUi ui(console);
    NullDesktop desktop;
    Platform platform{clock, serial, ui, console, desktop};
    AppState app(platform);
    return RunConsoleUpload(app, line, std::getenv(kP2BaudVariable));
  }
#ifdef TAVOLIN_WITH_WINDOW
  return qt::RunWindowedProgram(argc, argv, line);
#else
  console.Err(kNoWindowText);
  return exitcode::kNoWindow;
#endif
}

#endif  // _WIN32
