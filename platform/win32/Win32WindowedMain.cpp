#include "platform/win32/Win32WindowedMain.h"

#include <memory>

#include "app/AppState.h"
#include "app/Startup.h"
#include "platform/WindowedClock.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Console.h"
#include "platform/win32/Win32Desktop.h"
#include "platform/win32/Win32Serial.h"
#include "platform/win32/Win32Ui.h"

namespace tavolin::win32 {

int RunWindowedProgram(const CommandLine& line) {
  Win32Clock realClock;
  Win32SerialSystem serial;
  Win32Console console;
  Win32Desktop desktop;
  Win32Ui ui;
  WindowedClock clock(realClock, [&ui] { ui.KeepPainted(); });
  Platform platform{clock, serial, ui, console, desktop};
  auto app = std::make_unique<AppState>(platform);
  return RunWindowed(*app, line);
}

}  // namespace tavolin::win32
