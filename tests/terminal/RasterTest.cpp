// The raster primitives where the chip's streams do not reach: clipping at every edge (and at the
// ends of int) against a plain per-pixel model, XOR keeping pixels opaque, and a flood fill over
// the whole picture.  What the operations draw and the pixel test's reads are ScreenActionsTest's
// and the replay set's.
#include <gtest/gtest.h>

#include "terminal/Raster.h"
#include "tests/terminal/Rig.h"

namespace tavolin {
namespace {

using raster::Mode;
constexpr Pixel kRed = 0xFFFF0000u;
constexpr Pixel kGreen = 0xFF00FF00u;

Image Pattern(int w, int h) {
  Image image(w, h);
  for (int i = 0; i < w * h; ++i)
    image.pixels[static_cast<std::size_t>(i)] = 0xFF000000u | (i * 2654435761u >> 8);
  return image;
}

TEST(FillBox, ClipsAtEveryEdgeAndNeverWrapsIntoAnotherRow) {
  struct Case {
    int x, y, w, h;
    Mode mode;
  };
  const Case cases[] = {
      {-3, -2, 6, 5, Mode::Copy},
      {17, 3, 10, 2, Mode::Copy},
      {5, 9, 3, 10, Mode::Copy},
      {-100, -100, 300, 300, Mode::Xor},
      {19, 11, 1, 1, Mode::Xor},
      {20, 0, 5, 5, Mode::Copy},
      {0, 12, 5, 5, Mode::Copy},
      {4, 4, 0, 3, Mode::Copy},
      {4, 4, -3, 3, Mode::Copy},
      {2147483000, 1, 2000, 2, Mode::Copy},
      {-2147483000, 1, 2000, 2, Mode::Copy},
      {3, -2147483000, 2, 2147483000, Mode::Xor},
  };
  for (const Case& c : cases) {
    Image expected = Pattern(20, 12);
    const long long y1 = std::min<long long>(static_cast<long long>(c.y) + c.h, 12);
    const long long x1 = std::min<long long>(static_cast<long long>(c.x) + c.w, 20);
    for (long long j = std::max(c.y, 0); j < y1; ++j) {
      for (long long i = std::max(c.x, 0); i < x1; ++i) {
        Pixel& p = expected.At(static_cast<int>(i), static_cast<int>(j));
        p = c.mode == Mode::Copy ? kRed : p ^ (kRed & 0xFFFFFFu);
      }
    }
    Image actual = Pattern(20, 12);
    raster::FillBox(actual, c.x, c.y, c.w, c.h, kRed, c.mode);
    EXPECT_EQ(actual.pixels, expected.pixels) << c.x << "," << c.y << " " << c.w << "x" << c.h;
  }
}

TEST(FloodFill, WholeLargePictureAndAComb) {
  Image image(640, 446);
  // Vertical teeth hanging from the top leave a comb of narrow pockets joined at the bottom.
  for (int x = 1; x < 640; x += 2) raster::FillBox(image, x, 0, 1, 440, kGreen);
  raster::FloodFill(image, 0, 0, kRed);
  EXPECT_EQ(image.At(638, 0), kRed);
  EXPECT_EQ(image.At(639, 445), kRed);
  EXPECT_EQ(image.At(1, 0), kGreen);
}

}  // namespace
}  // namespace tavolin
