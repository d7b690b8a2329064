#include "app/PortLoss.h"

#include "app/Commands.h"
#include "app/Flags.h"

namespace tavolin {

std::string PortLostLine(int portNumber) {
  return "COM" + std::to_string(portNumber) + std::string(kPortLostSuffix);
}

std::string PortBackLine(int portNumber) {
  return "COM" + std::to_string(portNumber) + std::string(kPortBackSuffix);
}

void NoticePortLoss(AppState& app) {
  if (!app.port.TakeLoss()) return;
  SetComEnabled(app, false);
  if (app.output != nullptr) {
    // The chip's last line may be unfinished; ours is not a continuation of it.  The hint names
    // the window's menu: the console upload ends here and has none.
    const std::string hint = app.platform.ui.HasWindow() ? std::string(kReconnectHint) : "";
    app.output->StartFreshLine();
    app.output->PrintLine(PortLostLine(app.port.PortNumber()) + hint);
  }
  app.RetakingPort = 1;
  app.NextRetakeMs = app.platform.clock.NowMs() + kRetakeIntervalMs;
}

void RetakeLostPort(AppState& app) {
  if (app.RetakingPort == 0) return;
  if (app.port.IsOpen() || app.settings.ComNr != app.port.PortNumber()) {
    app.RetakingPort = 0;  // opened some other way meanwhile, or another port chosen (settings)
    return;
  }
  const std::int64_t now = app.platform.clock.NowMs();
  if (now < app.NextRetakeMs) return;
  app.NextRetakeMs = now + kRetakeIntervalMs;
  if (!app.port.Reopen(TerminalRate(app.settings), app.settings.FT232R)) return;
  app.RetakingPort = 0;
  SetComEnabled(app, true);
  if (app.output != nullptr) {
    app.output->ClearScreen();
    app.output->StartFreshLine();
    app.output->PrintLine(PortBackLine(app.port.PortNumber()));
  }
}

void StopRetaking(AppState& app) {
  app.RetakingPort = 0;
}

}  // namespace tavolin
