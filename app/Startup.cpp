#include "app/Startup.h"

#include "accessories/AboutScreen.h"
#include "app/Commands.h"
#include "loader/BootLoader.h"
#include "loader/ImageUpload.h"
#include "settings/SettingsFile.h"
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
  if (app.port.IsOpen()) app.port.Close();
}

}  // namespace tavolin
