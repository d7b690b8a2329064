// The Win32 main window's pictures: the clipboard's packed bitmap and the about screen laid over
// the picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/win32/Win32MainWindow.h"

#include <windows.h>

namespace tavolin::win32 {
namespace {

TEST(Win32MainWindow, PackedDibIsBottomUpBgrWithPaddedRows) {
  // 3 bytes a pixel: widths 1, 2, 3 and 4 give rows of 3, 6, 9 and 12 bytes.
  for (const auto& [width, stride] :
       {std::pair{1, 4}, std::pair{2, 8}, std::pair{3, 12}, std::pair{4, 12}}) {
    Image picture(width, 2, 0xFF000000u);
    picture.At(0, 0) = 0xFF112233u;          // top-left
    picture.At(width - 1, 1) = 0xFFA0B0C0u;  // bottom-right
    // A positive height: bottom-up.
    const BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER),      width, 2, 1, 24, BI_RGB,
                                  static_cast<DWORD>(2 * stride)};
    std::vector<std::uint8_t> want(sizeof(header) + 2 * static_cast<std::size_t>(stride), 0);
    std::memcpy(want.data(), &header, sizeof(header));
    const std::uint8_t bottomRight[] = {0xC0, 0xB0, 0xA0};  // blue first
    const std::uint8_t topLeft[] = {0x33, 0x22, 0x11};
    std::copy_n(bottomRight, 3, want.begin() + 40 + 3 * (width - 1));  // the bottom row first
    std::copy_n(topLeft, 3, want.begin() + 40 + stride);
    EXPECT_EQ(PackedDib(picture), want) << width;
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
