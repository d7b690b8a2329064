#include "app/Flags.h"

#include "app/MenuIds.h"

namespace tavolin {
namespace {

void Write(AppState& app, int id, std::int32_t& field, bool on) {
  field = on ? 1 : 0;
  app.platform.ui.SetMenuChecked(id, on);
}

}  // namespace

void SetComEnabled(AppState& app, bool on) {
  Write(app, menu::kComEnabled, app.ComEnabled, on);
}

void SetAutoMode(AppState& app, bool on) {
  Write(app, menu::kAutoMode, app.AutoMode, on);
}

void SetNormalTerminalMode(AppState& app, bool on) {
  Write(app, menu::kNormalTerminalMode, app.NormalTerminalMode, on);
}

void SetVirtualKeycodes(AppState& app, bool on) {
  Write(app, menu::kVirtualKeycodes, app.settings.VKeys, on);
}

void SetTextCursor(AppState& app, bool on) {
  Write(app, menu::kTextCursor, app.settings.TxtCurs, on);
}

void SetCrAutoLf(AppState& app, bool on) {
  Write(app, menu::kCrAutoLf, app.settings.CRmode, on);
}

}  // namespace tavolin
