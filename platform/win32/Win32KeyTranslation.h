// Keys and mouse on the Win32 window: the window's messages in the core's event vocabulary, the
// mouse capture that goes with them, and the one key the message pump keeps to itself.  Pure (no
// window), so every rule is tested directly.
#pragma once

#include <windows.h>

#include <optional>

#include "platform/Ui.h"

namespace tavolin::win32 {

// What the window does with the mouse capture after a message.  A press that reaches the chip
// takes the capture, so that its release reaches the window wherever the pointer is by then
// (released outside, the report carries the outside position); every release gives it back.
enum class Capture { Keep, Take, Release };

struct WindowInput {
  std::optional<Event> event;
  Capture capture = Capture::Keep;
};

// Window messages in the core's vocabulary.  Keys pass as Windows gives them (virtual-key codes,
// ANSI characters); system keys (Alt held, F10) are left to the window's default handling.  A
// left press is a click only inside the picture (left, top, width, height of the client area),
// and never the second press of a double click; right presses, releases and moves count
// anywhere in the client area (and, while the mouse is captured, outside it).  Menu and
// accelerator commands carry their id.
WindowInput InputForMessage(UINT message, WPARAM wParam, LPARAM lParam, const RECT& picture);

// Shift+Tab is the focus-navigation key of a window and never reaches the terminal: the message
// pump takes its key-down and key-up before they are translated, so no Tab character follows
// either.  shiftHeld: the Shift key's state when the message was taken from the queue.
bool IsFocusNavigation(UINT message, WPARAM wParam, bool shiftHeld);

}  // namespace tavolin::win32
