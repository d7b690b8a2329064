// The flags behind the menu's check marks.  Each flag lives in AppState (or in Settings) and is
// written here together with its check mark, so the mark always shows the field and nobody needs
// to read a mark back from the window.
// May touch: the flag fields of AppState and Settings, and the window's check marks.
#pragma once

#include "app/AppState.h"

namespace tavolin {

void SetComEnabled(AppState& app, bool on);
void SetAutoMode(AppState& app, bool on);
// Normal-Terminal Mode (1) or graphics mode (0).
void SetNormalTerminalMode(AppState& app, bool on);
void SetVirtualKeycodes(AppState& app, bool on);
void SetTextCursor(AppState& app, bool on);
void SetCrAutoLf(AppState& app, bool on);

}  // namespace tavolin
