// Keys and mouse on the Win32 window.  See Win32KeyTranslation.h.
#include "platform/win32/Win32KeyTranslation.h"

namespace tavolin::win32 {
namespace {

bool Inside(const RECT& r, LPARAM lParam) {
  // Client coordinates are signed 16-bit values (GET_X_LPARAM, GET_Y_LPARAM).
  const int x = static_cast<short>(LOWORD(lParam));
  const int y = static_cast<short>(HIWORD(lParam));
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

std::optional<Event> EventFor(UINT message, WPARAM wParam, LPARAM lParam, const RECT& picture) {
  using K = Event::Kind;
  const int value = static_cast<int>(wParam);
  switch (message) {
    case WM_COMMAND:
      // Menus give 0 as the high word, accelerators 1; controls give a notification code.
      if (HIWORD(wParam) > 1 || lParam != 0) return std::nullopt;
      return Event{K::MenuCommand, static_cast<int>(LOWORD(wParam))};
    case WM_CLOSE:
      return Event{K::CloseRequest, 0};
    case WM_KEYDOWN:
      return Event{K::KeyDown, value & 0xFF};
    case WM_CHAR:
      return Event{K::Char, value & 0xFF};
    case WM_KEYUP:
      return Event{K::KeyUp, value & 0xFF};
    case WM_MOUSEMOVE:
      return Event{K::MouseMove, 0};
    case WM_LBUTTONDOWN:
      if (!Inside(picture, lParam)) return std::nullopt;
      return Event{K::LeftClick, 0};
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:  // the window itself knows no double clicks: a second press
      return Event{K::RightDown, 0};
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      return Event{K::ButtonUp, 0};
    case WM_TIMER:
      return Event{K::Timer, 0};
    default:
      return std::nullopt;  // WM_LBUTTONDBLCLK among them: the picture's double click is silent
  }
}

}  // namespace

WindowInput InputForMessage(UINT message, WPARAM wParam, LPARAM lParam, const RECT& picture) {
  WindowInput input{EventFor(message, wParam, lParam, picture), Capture::Keep};
  if (input.event) {
    const Event::Kind kind = input.event->kind;
    if (kind == Event::Kind::LeftClick || kind == Event::Kind::RightDown) {
      input.capture = Capture::Take;
    } else if (kind == Event::Kind::ButtonUp) {
      input.capture = Capture::Release;
    }
  }
  return input;
}

bool IsFocusNavigation(UINT message, WPARAM wParam, bool shiftHeld) {
  return shiftHeld && wParam == VK_TAB && (message == WM_KEYDOWN || message == WM_KEYUP);
}

}  // namespace tavolin::win32
