// The raster primitives: clipping at every edge against a plain per-pixel model, the end pixels
// of the two lines, the disc's extent, the flood fill's connectivity, pixel reads and the stretch.
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

TEST(FillBox, XorTwiceRestoresAndKeepsPixelsOpaque) {
  Image image = Pattern(8, 8);
  const Image before = image;
  raster::FillBox(image, 1, 1, 5, 5, kGreen, Mode::Xor);
  for (Pixel p : image.pixels) EXPECT_EQ(p >> 24, 0xFFu);
  raster::FillBox(image, 1, 1, 5, 5, kGreen, Mode::Xor);
  EXPECT_EQ(image.pixels, before.pixels);
}

TEST(Lines, EndPixelsAndClipping) {
  struct Case {
    bool between;
    int x1, y1, x2, y2;  // for Line: x, y, dx, dy
    std::vector<std::string> art;
  };
  const Case cases[] = {
      {false, 1, 1, 1, 0, {"......", ".#....", "......"}},
      {false, 1, 1, 0, 0, {"......", "......", "......"}},
      {false, 0, 1, 4, 0, {"......", "####..", "......"}},
      {true, 0, 1, 4, 1, {"......", "#####.", "......"}},
      {true, 5, 0, 5, 2, {".....#", ".....#", ".....#"}},
      {true, 2, 2, 2, 2, {"......", "......", "..#..."}},
      {true, -4, -4, 10, 10, {"#.....", ".#....", "..#..."}},
      {false, 0, 0, 3, 3, {"#.....", ".#....", "..#..."}},
      {true, 8, 1, -3, 1, {"......", "######", "......"}},
  };
  for (const Case& c : cases) {
    Image image(6, 3);
    if (c.between) {
      raster::LineBetween(image, c.x1, c.y1, c.x2, c.y2, kRed);
    } else {
      raster::Line(image, c.x1, c.y1, c.x2, c.y2, kRed);
    }
    EXPECT_EQ(test::Art(image, 0, 0, 6, 3), c.art)
        << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2;
  }
}

TEST(FillCircle, DiscStaysInsideItsBoxWithoutRightAndBottomEdges) {
  struct Case {
    int r;
    std::vector<std::string> art;  // the 9 x 9 pixels around the centre (4, 4)
  };
  const Case cases[] = {
      {0,
       {".........", ".........", ".........", ".........", ".........", ".........", ".........",
        ".........", "........."}},
      {1,
       {".........", ".........", ".........", ".........", "....#....", ".........", ".........",
        ".........", "........."}},
      {2,
       {".........", ".........", ".........", "...###...", "...###...", "...###...", ".........",
        ".........", "........."}},
      {-2,
       {".........", ".........", ".........", "...###...", "...###...", "...###...", ".........",
        ".........", "........."}},
      {4,
       {".........", "...###...", "..#####..", ".#######.", ".#######.", ".#######.", "..#####..",
        "...###...", "........."}},
  };
  for (const Case& c : cases) {
    Image image(9, 9);
    raster::FillCircle(image, 4, 4, c.r, kRed);
    EXPECT_EQ(test::Art(image, 0, 0, 9, 9), c.art) << "r = " << c.r;
  }
  Image clipped(9, 9);
  raster::FillCircle(clipped, 0, 8, 300, kRed);
  EXPECT_EQ(test::LitCount(clipped), 81);
}

TEST(FloodFill, FillsOnlyTheConnectedAreaOfOneColour) {
  Image image(12, 10);
  // A closed frame from (2, 2) to (8, 7) with a red pixel inside.
  raster::FillBox(image, 2, 2, 7, 1, kGreen);
  raster::FillBox(image, 2, 7, 7, 1, kGreen);
  raster::FillBox(image, 2, 2, 1, 6, kGreen);
  raster::FillBox(image, 8, 2, 1, 6, kGreen);
  raster::SetPixel(image, 5, 5, kRed);
  raster::FloodFill(image, 4, 4, kRed);
  EXPECT_EQ(test::Art(image, 0, 0, 12, 10)[0], "............");
  for (int y = 3; y <= 6; ++y) {
    for (int x = 3; x <= 7; ++x) EXPECT_EQ(image.At(x, y), kRed) << x << "," << y;
  }
  EXPECT_EQ(image.At(0, 0), raster::kBlack);
  EXPECT_EQ(image.At(2, 2), kGreen);
  // Diagonal neighbours are not connected.
  Image checker(6, 6);
  for (int y = 0; y < 6; ++y) {
    for (int x = (y % 2); x < 6; x += 2) checker.At(x, y) = kGreen;
  }
  raster::FloodFill(checker, 1, 0, kRed);
  EXPECT_EQ(checker.At(1, 0), kRed);
  EXPECT_EQ(checker.At(3, 0), raster::kBlack);
  // The same colour again, and a point outside, change nothing.
  const Image before = image;
  raster::FloodFill(image, 4, 4, kRed);
  raster::FloodFill(image, -1, 4, kGreen);
  raster::FloodFill(image, 12, 0, kGreen);
  EXPECT_EQ(image.pixels, before.pixels);
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

TEST(ReadPixel, ColourrefInsideAndNonZeroInvalidOutside) {
  Image image(4, 4);
  image.At(1, 2) = PixelFromColorref(0x0000FF);
  EXPECT_EQ(raster::ReadPixel(image, 1, 2), 0x0000FFu);
  EXPECT_EQ(raster::ReadPixel(image, 0, 0), 0u);
  for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {4, 0}, {0, 4}}) {
    EXPECT_EQ(raster::ReadPixel(image, x, y), raster::kInvalidColour);
    EXPECT_NE(raster::ReadPixel(image, x, y), 0u);
  }
}

TEST(Stretch, RepeatsAndDropsWholePixelsAndKeepsItsBuffer) {
  Image src(3, 2);
  src.At(0, 0) = kRed;
  src.At(2, 1) = kGreen;
  Image dst;
  raster::StretchMaps maps;
  raster::Stretch(src, 3, 2, dst, 6, 4, maps);
  EXPECT_EQ(test::Art(dst, 0, 0, 6, 4),
            (std::vector<std::string>{"##....", "##....", "....##", "....##"}));
  EXPECT_EQ(dst.At(5, 3), kGreen);
  const Pixel* buffer = dst.pixels.data();
  raster::Stretch(src, 3, 2, dst, 6, 4, maps);
  EXPECT_EQ(dst.pixels.data(), buffer);
  // Only the source rectangle given is used: a band below it does not show.
  raster::Stretch(src, 3, 1, dst, 3, 2, maps);
  EXPECT_EQ(test::Art(dst, 0, 0, 3, 2), (std::vector<std::string>{"#..", "#.."}));
}

}  // namespace
}  // namespace tavolin
