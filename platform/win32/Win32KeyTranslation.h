// Keys and mouse on the Win32 window: the window's messages in the core's event vocabulary.
// Pure (no window), so every rule is tested directly.
#pragma once

#include <windows.h>

#include <optional>

#include "platform/Ui.h"

namespace tavolin::win32 {

// Window messages in the core's vocabulary.  Keys pass as Windows gives them (virtual-key codes,
// ANSI characters); system keys (Alt held, F10) are left to the window's default handling.  A
// left press is a click only inside the picture (left, top, width, height of the client area),
// and never the second press of a double click; right presses, releases and moves count
// anywhere in the client area.  Menu and accelerator commands carry their id.
std::optional<Event> EventForMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                     const RECT& picture);

}  // namespace tavolin::win32
