// Keys and mouse on the Win32 window: its messages as the core's events.
#include <gtest/gtest.h>

#include "app/MenuIds.h"
#include "platform/win32/Win32KeyTranslation.h"

namespace tavolin::win32 {
namespace {

using K = Event::Kind;

LPARAM At(int x, int y) {
  return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)),
                    static_cast<WORD>(static_cast<short>(y)));
}

TEST(Win32KeyTranslation, MessagesBecomeTheCoresEvents) {
  const RECT picture{0, 0, 640, 425};
  struct Case {
    const char* name;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::optional<Event> want;
  };
  const Case cases[] = {
      {"menu command", WM_COMMAND, MAKEWPARAM(menu::kAbout, 0), 0, Event{K::MenuCommand, 8}},
      {"accelerator", WM_COMMAND, MAKEWPARAM(menu::kComEnabled, 1), 0, Event{K::MenuCommand, 5}},
      {"control notification", WM_COMMAND, MAKEWPARAM(7, 2), 0x1234, std::nullopt},
      {"close", WM_CLOSE, 0, 0, Event{K::CloseRequest, 0}},
      {"Tab down", WM_KEYDOWN, VK_TAB, 0x000F0001, Event{K::KeyDown, VK_TAB}},
      {"F12 up", WM_KEYUP, VK_F12, static_cast<LPARAM>(0xC0580001u), Event{K::KeyUp, VK_F12}},
      {"ANSI character above 127", WM_CHAR, 0xE9, 0, Event{K::Char, 0xE9}},
      {"Ctrl+A character", WM_CHAR, 1, 0, Event{K::Char, 1}},
      {"system key (Alt held)", WM_SYSKEYDOWN, 'F', 0x20000000, std::nullopt},
      {"system character", WM_SYSCHAR, 'f', 0x20000000, std::nullopt},
      {"move", WM_MOUSEMOVE, 0, At(700, 5), Event{K::MouseMove, 0}},
      {"left press on the picture", WM_LBUTTONDOWN, MK_LBUTTON, At(0, 0), Event{K::LeftClick, 0}},
      {"left press on its last pixel", WM_LBUTTONDOWN, MK_LBUTTON, At(639, 424),
       Event{K::LeftClick, 0}},
      {"left press right of the picture", WM_LBUTTONDOWN, MK_LBUTTON, At(640, 10), std::nullopt},
      {"left press below the picture", WM_LBUTTONDOWN, MK_LBUTTON, At(10, 425), std::nullopt},
      {"left press at a negative position", WM_LBUTTONDOWN, MK_LBUTTON, At(-1, 10), std::nullopt},
      {"second left press of a double click", WM_LBUTTONDBLCLK, MK_LBUTTON, At(5, 5), std::nullopt},
      {"right press anywhere", WM_RBUTTONDOWN, MK_RBUTTON, At(900, 900), Event{K::RightDown, 0}},
      {"second right press", WM_RBUTTONDBLCLK, MK_RBUTTON, At(5, 5), Event{K::RightDown, 0}},
      {"left release", WM_LBUTTONUP, 0, At(900, 5), Event{K::ButtonUp, 0}},
      {"right release", WM_RBUTTONUP, 0, At(5, 5), Event{K::ButtonUp, 0}},
      {"middle press", WM_MBUTTONDOWN, MK_MBUTTON, At(5, 5), std::nullopt},
      {"wheel", WM_MOUSEWHEEL, MAKEWPARAM(0, 120), At(5, 5), std::nullopt},
      {"timer", WM_TIMER, 0, 0, Event{K::Timer, 0}},
  };
  for (const Case& c : cases) {
    const std::optional<Event> got = EventForMessage(c.message, c.wParam, c.lParam, picture);
    ASSERT_EQ(got.has_value(), c.want.has_value()) << c.name;
    if (got) {
      EXPECT_EQ(got->kind, c.want->kind) << c.name;
      EXPECT_EQ(got->value, c.want->value) << c.name;
    }
  }
}

}  // namespace
}  // namespace tavolin::win32
