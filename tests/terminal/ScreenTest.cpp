// The screen where no recorded stream reaches: a cell outside the grid, the stretched buffer kept
// between Presents, and a picture whose memory could not be had.  What the chip's streams draw,
// scroll and show at each scale is the replay set's (ReplayTest), pixel for pixel.
// The scroll keeps the screen's rows in a ring; whatever the ring's turn, the picture must be the
// one a plain copy gives: the part that stays visible (the band below the text area included) is
// copied into a temporary picture, the text area is made black and the copy is drawn back moved.
// That plain copy is written out here on ordinary images and compared pixel for pixel after
// every step of long runs of scrolls of every direction mixed with drawing, on pictures with and
// without the band, on grids narrower and wider than the picture.
#include <gtest/gtest.h>

#include <random>

#include "terminal/Raster.h"
#include "tests/terminal/Rig.h"

namespace tavolin {
namespace {

using test::Rig;

TEST(DrawCharacter, CellsOutsideTheGridDrawNothing) {
  Rig rig;
  const Image before = rig.picture();
  for (auto [col, row] : {std::pair{80, 0}, {80, 24}, {2000000, 5}, {INT32_MAX, 0}}) {
    rig.app.screen.cursorCol = col;
    rig.app.screen.cursorRow = row;
    DrawCharacter(rig.app, '#');
  }
  EXPECT_EQ(rig.picture().pixels, before.pixels);
}

TEST(Present, KeepsTheScaledBufferAtASteadySize) {
  Rig rig;
  rig.app.settings.WindowScale = 3.0f;
  Present(rig.app);
  const Pixel* buffer = rig.app.screen.scaledImage.pixels.data();
  Present(rig.app);
  EXPECT_EQ(rig.app.screen.scaledImage.pixels.data(), buffer);
}

// Without memory for the picture it stays empty: the chip's output is not interpreted, clears
// and the stretched view go on without touching a pixel, and nothing is sent in between.
TEST(Present, AnEmptyPictureAfterAFailedAllocationIsHarmless) {
  for (bool graphics : {false, true}) {
    for (float scale : {1.0f, 2.0f}) {
      Rig rig(graphics);
      rig.app.settings.WindowScale = scale;
      rig.app.screen.screenImage = ScreenImage();
      rig.Feed({5, 0x81, 4, 0});  // the palette query
      rig.FeedText("text\r\n\x09more\x0c");
      rig.Feed({5, 0x01, 10, 10, 5, 0x02, 200, 100, 5, 0x03, 20, 20, 5, 0x09, 4, 4});
      for (int i = 0; i < 30; ++i) rig.FeedText("line\r");
      ClearScreen(rig.app);
      Present(rig.app);
      EXPECT_TRUE(rig.app.screen.screenImage.empty());
      EXPECT_EQ(rig.ui.lastPicture.width, 0);
      EXPECT_TRUE(rig.device.written.empty());
    }
  }
}

// The scroll as a copy through a temporary picture, on a plain image.
void PlainScroll(Image& image, int textW, int textH, int dx, int dy, bool cursorMark, int cursorCol,
                 int cursorRow) {
  const int w = dx >= 0 ? textW - dx : textW + dx;
  const int h = dy >= 0 ? textH - dy + kBandRows : textH + dy + kBandRows;
  const int sx = dx >= 0 ? dx : 0;
  const int sy = dy >= 0 ? dy : 0;
  Image temp(std::max(w, 0), std::max(h, 0), raster::kBlack);
  for (int y = 0; y < temp.height; ++y) {
    for (int x = 0; x < temp.width; ++x) {
      if (image.Contains(sx + x, sy + y)) temp.At(x, y) = image.At(sx + x, sy + y);
    }
  }
  raster::FillBox(image, 0, 0, textW, textH, raster::kBlack);
  const int tx = dx >= 0 ? 0 : -dx;
  const int ty = dy >= 0 ? 0 : -dy;
  for (int y = 0; y < temp.height; ++y) {
    for (int x = 0; x < temp.width; ++x) {
      if (image.Contains(tx + x, ty + y)) image.At(tx + x, ty + y) = temp.At(x, y);
    }
  }
  if (cursorMark) {
    for (int k = 0; k < 8; k += 2) {
      const int x = cursorCol * kCellWidth + k;
      const int y = cursorRow * kCellHeight - 1;
      if (image.Contains(x, y)) image.At(x, y) = raster::kBlack;
    }
  }
}

TEST(ScrollRing, GivesThePictureOfAPlainCopyAfterEveryStep) {
  struct Case {
    const char* what;
    int cols, rows;
    bool band;
    int imageCols;  // the grid the picture was made for (differs after Cols changed)
    bool cursorMark;
    unsigned seed;
  };
  const Case cases[] = {
      {"default grid with band", 80, 25, true, 80, false, 1},
      {"without band (after Load Settings)", 80, 25, false, 80, true, 2},
      {"one cell", 1, 1, true, 1, true, 3},
      {"one cell without band", 1, 1, false, 1, false, 4},
      {"small grid", 13, 7, true, 13, true, 5},
      {"grid wider than the picture", 20, 6, true, 16, false, 6},
      {"grid narrower than the picture", 12, 6, true, 16, false, 7},
  };
  for (const Case& c : cases) {
    test::Rig rig(true, c.imageCols, c.rows);
    rig.app.settings.Cols = c.imageCols;
    CreateScreenImage(rig.app, c.band);
    rig.app.settings.Cols = c.cols;
    rig.app.settings.TxtCurs = c.cursorMark ? 1 : 0;
    Image plain = rig.picture();
    const int textW = c.cols * kCellWidth;
    const int textH = c.rows * kCellHeight;
    std::mt19937 random(c.seed);
    auto next = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const int moves[] = {17, 17, 17, 1, 16, 34, -17, -1, 0, 255, -256, 40};
    for (int step = 0; step < 300; ++step) {
      // Something to move: boxes of colour (the band included) and now and then black rows.
      const int x = next(plain.width + 8) - 4, y = next(plain.height + 8) - 4;
      const int w = 1 + next(plain.width), h = 1 + next(30);
      const Pixel colour = next(5) == 0 ? raster::kBlack : (0xFF000000u | random());
      raster::FillBox(rig.image(), x, y, w, h, colour);
      raster::FillBox(plain, x, y, w, h, colour);
      int dx = 0, dy = 17;
      switch (next(4)) {
        case 0:
          dy = moves[next(12)];
          break;
        case 1:
          dx = moves[next(12)];
          dy = moves[next(12)];
          break;
        default:  // mostly line feeds
          break;
      }
      rig.app.screen.cursorCol = next(c.cols);
      rig.app.screen.cursorRow = next(c.rows);
      ScrollScreen(rig.app, dx, dy);
      PlainScroll(plain, textW, textH, dx, dy, c.cursorMark, rig.app.screen.cursorCol,
                  rig.app.screen.cursorRow);
      const Image ring = rig.picture();
      ASSERT_EQ(ring.pixels, plain.pixels)
          << c.what << ", step " << step << ", scroll " << dx << ", " << dy;
    }
  }
}

}  // namespace
}  // namespace tavolin
