// The Win32 main window's pictures: the clipboard's packed bitmap and the about screen laid over
// the picture.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/win32/Win32MainWindow.h"

#include <windows.h>

namespace tavolin::win32 {
namespace {

std::uint32_t Le(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<std::size_t>(i)];
  return v;
}

TEST(Win32MainWindow, PackedDibIsBottomUpBgrWithPaddedRows) {
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

TEST(Win32MainWindow, PackedDibOfAPictureWithoutPixelsIsEmpty) {
  Image shortOfPixels(4, 4);
  shortOfPixels.pixels.resize(15);
  for (const Image& picture : {Image(), Image(0, 5), Image(5, 0), shortOfPixels}) {
    EXPECT_TRUE(PackedDib(picture).empty()) << picture.width << "x" << picture.height;
  }
}

TEST(Win32MainWindow, OverlayCoversOnlyWhereItHasOpaquePixels) {
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

}  // namespace
}  // namespace tavolin::win32
