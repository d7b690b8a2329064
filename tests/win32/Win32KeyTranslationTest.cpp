// Keys and mouse on the Win32 window: its messages as the core's events, the mouse capture, and
// the focus-navigation key the pump keeps.
#include <gtest/gtest.h>

#include "app/MenuIds.h"
#include "platform/win32/Win32KeyTranslation.h"
#include "tests/ui/UiContract.h"

namespace tavolin::win32 {
namespace {

using contract::Describe;
using K = Event::Kind;

LPARAM At(int x, int y) {
  return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)),
                    static_cast<WORD>(static_cast<short>(y)));
}

TEST(Win32KeyTranslation, MessagesBecomeTheCoresEventsAndMoveTheMouseCapture) {
  const RECT picture{0, 0, 640, 425};
  constexpr Capture kKeep = Capture::Keep;
  struct Case {
    const char* name;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::optional<Event> want;
    Capture capture;
  };
  const Case cases[] = {
      {"menu command", WM_COMMAND, MAKEWPARAM(menu::kAbout, 0), 0, Event{K::MenuCommand, 8}, kKeep},
      {"accelerator", WM_COMMAND, MAKEWPARAM(menu::kComEnabled, 1), 0, Event{K::MenuCommand, 5},
       kKeep},
      {"control notification", WM_COMMAND, MAKEWPARAM(7, 2), 0x1234, std::nullopt, kKeep},
      {"close", WM_CLOSE, 0, 0, Event{K::CloseRequest, 0}, kKeep},
      {"Tab down", WM_KEYDOWN, VK_TAB, 0x000F0001, Event{K::KeyDown, VK_TAB}, kKeep},
      {"F12 up", WM_KEYUP, VK_F12, static_cast<LPARAM>(0xC0580001u), Event{K::KeyUp, VK_F12},
       kKeep},
      {"ANSI character above 127", WM_CHAR, 0xE9, 0, Event{K::Char, 0xE9}, kKeep},
      {"Ctrl+A character", WM_CHAR, 1, 0, Event{K::Char, 1}, kKeep},
      {"system key (Alt held)", WM_SYSKEYDOWN, 'F', 0x20000000, std::nullopt, kKeep},
      {"system character", WM_SYSCHAR, 'f', 0x20000000, std::nullopt, kKeep},
      {"move", WM_MOUSEMOVE, 0, At(700, 5), Event{K::MouseMove, 0}, kKeep},
      {"left press on the picture", WM_LBUTTONDOWN, MK_LBUTTON, At(0, 0), Event{K::LeftClick, 0},
       Capture::Take},
      {"left press on its last pixel", WM_LBUTTONDOWN, MK_LBUTTON, At(639, 424),
       Event{K::LeftClick, 0}, Capture::Take},
      {"left press right of the picture", WM_LBUTTONDOWN, MK_LBUTTON, At(640, 10), std::nullopt,
       kKeep},
      {"left press below the picture", WM_LBUTTONDOWN, MK_LBUTTON, At(10, 425), std::nullopt,
       kKeep},
      {"left press at a negative position", WM_LBUTTONDOWN, MK_LBUTTON, At(-1, 10), std::nullopt,
       kKeep},
      {"second left press of a double click", WM_LBUTTONDBLCLK, MK_LBUTTON, At(5, 5), std::nullopt,
       kKeep},
      {"right press anywhere", WM_RBUTTONDOWN, MK_RBUTTON, At(900, 900), Event{K::RightDown, 0},
       Capture::Take},
      {"second right press", WM_RBUTTONDBLCLK, MK_RBUTTON, At(5, 5), Event{K::RightDown, 0},
       Capture::Take},
      // Captured, a release outside the window still arrives, at a position outside.
      {"left release outside", WM_LBUTTONUP, 0, At(-30, 900), Event{K::ButtonUp, 0},
       Capture::Release},
      {"right release", WM_RBUTTONUP, 0, At(5, 5), Event{K::ButtonUp, 0}, Capture::Release},
      {"middle press", WM_MBUTTONDOWN, MK_MBUTTON, At(5, 5), std::nullopt, kKeep},
      {"wheel", WM_MOUSEWHEEL, MAKEWPARAM(0, 120), At(5, 5), std::nullopt, kKeep},
      {"timer", WM_TIMER, 0, 0, Event{K::Timer, 0}, kKeep},
  };
  for (const Case& c : cases) {
    const WindowInput got = InputForMessage(c.message, c.wParam, c.lParam, picture);
    const auto text = [](const std::optional<Event>& e) { return e ? Describe({*e}) : "none"; };
    EXPECT_EQ(text(got.event), text(c.want)) << c.name;
    EXPECT_EQ(got.capture, c.capture) << c.name;
  }
}

TEST(Win32KeyTranslation, OnlyShiftTabIsTakenByThePump) {
  struct Case {
    const char* name;
    UINT message;
    WPARAM wParam;
    bool shiftHeld;
    bool taken;
  };
  const Case cases[] = {
      {"Shift+Tab down", WM_KEYDOWN, VK_TAB, true, true},
      {"Tab up with Shift still held", WM_KEYUP, VK_TAB, true, true},
      {"Tab down", WM_KEYDOWN, VK_TAB, false, false},
      {"Tab up after Shift", WM_KEYUP, VK_TAB, false, false},
      {"Shift down itself", WM_KEYDOWN, VK_SHIFT, true, false},
      {"Shift+A down", WM_KEYDOWN, 'A', true, false},
      // Ctrl+Shift+I gives the character 9 too; it is no navigation key.
      {"the character 9 with Shift held", WM_CHAR, 9, true, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsFocusNavigation(c.message, c.wParam, c.shiftHeld), c.taken) << c.name;
  }
}

}  // namespace
}  // namespace tavolin::win32
