#include "app/Startup.h"

#include "accessories/AboutScreen.h"
#include "app/Commands.h"
#include "app/MainLoop.h"
#include "app/Program.h"
#include "loader/BootLoader.h"
#include "loader/ImageUpload.h"
#include "settings/SettingsFile.h"
#include "terminal/Assets.h"
#include "terminal/DisplayInterpreter.h"
#include "terminal/TerminalScreen.h"

namespace tavolin {

void ReadStartupSettings(AppState& app, const CommandLine& line) {
  app.FirstParameter = line.first.empty() ? std::string(kDefaultSettingsFile) : line.first;
  app.SecondParameter = line.second;
  LoadSettingsFile(app.FirstParameter, app.settings, app.NormalTerminalMode);
  if (app.SecondParameter == kOptionAutoload) app.settings.Autoload = line.third;
}

void OpenTerminal(AppState& app) {
  app.platform.ui.SetContentSize(ContentWidth(app.settings), ContentHeight(app.settings));
  SetSettingsCheckMarks(app);
  CreateScreenImage(app, true);
  app.output->ClearScreen();
}

bool ScanForChip(AppState& app) {
  for (int n = kFirstScannedPort; n <= kLastScannedPort; ++n) {
    bool found = false;
    if (app.port.Open(n, 0, app.settings.FT232R, /*quiet=*/true)) {
      if (Detect(app) >= 1) {
        app.settings.ComNr = n;
        found = true;
      }
    }
    app.port.Close();
    if (found) return true;
  }
  return false;
}

void ConnectAtStartup(AppState& app) {
  if (app.settings.ComNr == 0) ScanForChip(app);
  if (!app.port.IsOpen()) Connect(app);
  if (app.port.IsOpen() && !app.settings.Autoload.empty()) UploadImage(app, app.settings.Autoload);
  SyncBaudMenu(app);
}

void Shutdown(AppState& app) {
  app.platform.ui.StopTimer();
  if (app.port.IsOpen()) app.port.Close();
}

bool StartWindowed(AppState& app, const CommandLine& line) {
  ReadStartupSettings(app, line);
  if (!app.platform.ui.OpenWindow(ContentWidth(app.settings), ContentHeight(app.settings))) {
    return false;
  }
  OpenTerminal(app);
  app.platform.ui.StartTimer();
  ConnectAtStartup(app);
  return true;
}

int RunWindowed(AppState& app, const CommandLine& line) {
  std::string error;
  if (!DecodeAssets(app, error)) {
    app.platform.console.Err("tavolin: " + error + "\n");
    return exitcode::kNoWindow;
  }
  ScreenTextOutput screen(app);
  app.SetOutput(&screen);
  if (!StartWindowed(app, line)) {
    app.SetOutput(nullptr);
    return exitcode::kNoWindow;
  }
  // The window wakes for the chip's bytes on the port's readable handle, which changes whenever
  // the port is opened or closed.
  int watched = -1;
  const auto watch = [&app, &watched] {
    const int handle = app.port.ReadableHandle();
    if (handle == watched) return;
    app.platform.ui.WatchPortHandle(handle);
    watched = handle;
  };
  watch();
  while (app.QuitRequested == 0) {
    RunCycle(app, app.platform.ui.WaitEvent());
    watch();
  }
  Shutdown(app);
  watch();
  app.SetOutput(nullptr);
  return exitcode::kOk;
}

}  // namespace tavolin
