#include "platform/win32/Win32Main.h"

#include <cstdlib>

#include "app/AppState.h"
#include "app/CommandLine.h"
#include "app/ConsoleUpload.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Console.h"
#include "platform/win32/Win32Serial.h"
#include "platform/win32/Win32WindowedMain.h"

namespace tavolin::win32 {
namespace {

constexpr const char* kProgramName = "tavolin";

}  // namespace

int RunProgram(int argc, char** argv) {
  const CommandLine line = CommandLineFromArgv(argc, argv);
  Win32Console console;
  if (IsHelpRequest(line)) {
    console.Out(UsageText(kProgramName));
    return exitcode::kOk;
  }
  if (line.second == kOptionConsoleUpload) {
    // No window and no message box: a box would stall a scripted upload.
    Win32Clock clock;
    Win32SerialSystem serial;
    ConsoleUi ui(console);
    NullDesktop desktop;
    Platform platform{clock, serial, ui, console, desktop};
    AppState app(platform);
    return RunConsoleUpload(app, line, std::getenv(kP2BaudVariable));
  }
  return RunWindowedProgram(line);
}

}  // namespace tavolin::win32
