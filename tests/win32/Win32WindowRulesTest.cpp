// The Win32 window's rules that need no window: window messages as the core's events, the
// clipboard's packed bitmap, the about screen laid over the picture, and the file dialogs' filter
// and start.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/MenuIds.h"
#include "platform/win32/Win32WindowRules.h"

namespace tavolin::win32 {
namespace {

using K = Event::Kind;

LPARAM At(int x, int y) {
  return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)),
                    static_cast<WORD>(static_cast<short>(y)));
}

TEST(Win32WindowRules, MessagesBecomeTheCoresEvents) {
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

std::uint32_t Le(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<std::size_t>(i)];
  return v;
}

TEST(Win32WindowRules, PackedDibIsBottomUpBgrWithPaddedRows) {
  struct Case {
    int width;
    std::size_t stride;
  };
  // 3 bytes a pixel: widths 1, 2, 3 and 4 give rows of 3, 6, 9 and 12 bytes.
  for (const Case c : {Case{1, 4}, Case{2, 8}, Case{3, 12}, Case{4, 12}}) {
    Image picture(c.width, 2, 0xFF000000u);
    picture.At(0, 0) = 0xFF112233u;            // top-left
    picture.At(c.width - 1, 1) = 0xFFA0B0C0u;  // bottom-right
    const std::vector<std::uint8_t> dib = PackedDib(picture);
    ASSERT_EQ(dib.size(), 40 + 2 * c.stride) << c.width;
    EXPECT_EQ(Le(dib, 0, 4), 40u);
    EXPECT_EQ(Le(dib, 4, 4), static_cast<std::uint32_t>(c.width));
    EXPECT_EQ(Le(dib, 8, 4), 2u) << "a positive height: bottom-up";
    EXPECT_EQ(Le(dib, 12, 2), 1u);
    EXPECT_EQ(Le(dib, 14, 2), 24u);
    EXPECT_EQ(Le(dib, 16, 4), static_cast<std::uint32_t>(BI_RGB));
    EXPECT_EQ(Le(dib, 20, 4), 2 * c.stride);
    // The first row stored is the picture's bottom row.
    const std::size_t bottomRight = 40 + 3 * static_cast<std::size_t>(c.width - 1);
    EXPECT_EQ(dib[bottomRight + 0], 0xC0) << "blue first";
    EXPECT_EQ(dib[bottomRight + 1], 0xB0);
    EXPECT_EQ(dib[bottomRight + 2], 0xA0);
    const std::size_t topLeft = 40 + c.stride;
    EXPECT_EQ(dib[topLeft + 0], 0x33);
    EXPECT_EQ(dib[topLeft + 1], 0x22);
    EXPECT_EQ(dib[topLeft + 2], 0x11);
    // Padding bytes are zero.
    for (std::size_t i = 3 * static_cast<std::size_t>(c.width); i < c.stride; ++i) {
      EXPECT_EQ(dib[40 + i], 0) << c.width;
    }
  }
}

TEST(Win32WindowRules, PackedDibOfAPictureWithoutPixelsIsEmpty) {
  Image shortOfPixels(4, 4);
  shortOfPixels.pixels.resize(15);
  for (const Image& picture : {Image(), Image(0, 5), Image(5, 0), shortOfPixels}) {
    EXPECT_TRUE(PackedDib(picture).empty()) << picture.width << "x" << picture.height;
  }
}

TEST(Win32WindowRules, OverlayCoversOnlyWhereItHasOpaquePixels) {
  Image below(4, 2, 0xFF0000FFu);
  Image above(3, 3, 0xFFFF0000u);
  above.At(0, 0) = 0x00000000u;  // left unpainted
  above.At(1, 0) = 0x00123456u;  // colour without alpha: unpainted too
  const Image got = Overlaid(below, above);
  ASSERT_EQ(got.width, 4);
  ASSERT_EQ(got.height, 3);
  struct Case {
    int x, y;
    Pixel want;
  };
  const Case cases[] = {
      {0, 0, 0xFF0000FFu}, {1, 0, 0xFF0000FFu},  // below shows through
      {2, 0, 0xFFFF0000u}, {0, 1, 0xFFFF0000u},  // above covers
      {3, 1, 0xFF0000FFu},                       // beyond above: below
      {2, 2, 0xFFFF0000u},                       // beyond below: above
      {3, 2, 0xFF000000u},                       // neither: black
  };
  for (const Case& c : cases) EXPECT_EQ(got.At(c.x, c.y), c.want) << c.x << "," << c.y;
  // Nothing below: the overlay alone, its unpainted pixels black.
  const Image alone = Overlaid(Image(), above);
  ASSERT_EQ(alone.width, 3);
  EXPECT_EQ(alone.At(0, 0), 0xFF000000u);
  EXPECT_EQ(alone.At(2, 2), 0xFFFF0000u);
}

TEST(Win32WindowRules, DialogFilterPairsLabelsWithPatterns) {
  using namespace std::string_literals;
  struct Case {
    const char* filter;
    std::string want;
    int pairs;
  };
  const Case cases[] = {
      {"RAM Image|*.binary;*.bin|EEPROM Image|*.eeprom",
       "RAM Image\0*.binary;*.bin\0EEPROM Image\0*.eeprom\0\0"s, 2},
      {"All|*.*", "All\0*.*\0\0"s, 1},
      {"Text|*.txt;;|Empty|", "Text\0*.txt\0\0"s, 1},  // empty patterns dropped, so the label
      {"Lonely label", ""s, 0},
      {"", ""s, 0},
  };
  for (const Case& c : cases) {
    int pairs = -1;
    EXPECT_EQ(DialogFilter(c.filter, &pairs), c.want) << c.filter;
    EXPECT_EQ(pairs, c.pairs) << c.filter;
  }
}

TEST(Win32WindowRules, DialogStartSplitsAtTheLastSeparator) {
  struct Case {
    const char* path;
    const char* folder;
    const char* name;
  };
  const Case cases[] = {
      {"C:\\work\\demo.binary", "C:\\work", "demo.binary"},
      {"Z:/tmp/x/notes.txt", "Z:/tmp/x", "notes.txt"},
      {"C:\\demo.binary", "C:\\", "demo.binary"},
      {"\\demo.binary", "\\", "demo.binary"},
      {"demo.binary", "", "demo.binary"},
      {"C:\\work\\", "C:\\work", ""},
      {"C:\\work\\*.*", "C:\\work", ""},  // a pattern is no name to propose
      {"C:\\work\\a?b", "C:\\work", ""},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    const DialogStart start = SplitDialogStart(c.path);
    EXPECT_EQ(start.folder, c.folder) << c.path;
    EXPECT_EQ(start.name, c.name) << c.path;
  }
}

}  // namespace
}  // namespace tavolin::win32
