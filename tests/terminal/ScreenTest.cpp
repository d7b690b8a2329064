// The screen: glyph colours and inverse video, the cursor's wrap and the scroll at the last cell,
// ScrollScreen in every direction with the band, the cursor mark, and what Present shows.
#include <gtest/gtest.h>

#include "terminal/Raster.h"
#include "tests/terminal/Rig.h"

namespace tavolin {
namespace {

using test::Art;
using test::Rig;

constexpr Pixel kRedPixel = 0xFFFF0000u;

// Every pixel of the cell at (col, row) is ink or background as the sheet says for code.
void ExpectCell(Rig& rig, int col, int row, int code, Pixel ink, Pixel background) {
  const Image& sheet = rig.app.glyphSheet;
  for (int j = 0; j < kCellHeight; ++j) {
    for (int i = 0; i < kCellWidth; ++i) {
      const bool inkPixel = (sheet.At((code % 32) * 8 + i, (code / 32) * 17 + j) & 0xFFFFFFu) == 0;
      ASSERT_EQ(rig.At(col * 8 + i, row * 17 + j), inkPixel ? ink : background)
          << "code " << code << " pixel " << i << "," << j;
    }
  }
}

TEST(DrawCharacter, ColourByteSelectsInkAndInverseVideo) {
  struct Case {
    int colorByte;
    int code;
    Pixel ink;
    Pixel background;
  };
  const Case cases[] = {
      {0, 'A', 0xFFFFFFFFu, 0xFF000000u},   // white on black
      {2, 'A', kRedPixel, 0xFF000000u},     // red on black
      {10, 'A', 0xFF00FFFFu, 0xFFFFFFFFu},  // cyan (the complement of red) on white
      {8, 'g', 0xFFFFFFFFu, 0xFF000000u},   // entry 0, not inverted
      {9, 'g', kRedPixel, 0xFFFFFFFFu},     // entry 1 (cyan) inverted: red on white
      {16, '_', 0xFF000000u, 0xFFFFFFFFu},  // entry 0 inverted: black on white
      {7, 255, 0xFFC0C0C0u, 0xFF000000u},
  };
  for (const Case& c : cases) {
    Rig rig;
    rig.app.screen.colorByte = c.colorByte;
    DrawCharacter(rig.app, static_cast<std::uint8_t>(c.code));
    ExpectCell(rig, 0, 0, c.code, c.ink, c.background);
    test::KeepPictureOnFailure(rig.picture());
  }
}

TEST(DrawCharacter, SpaceIsBlackOrWhiteWhateverTheColour) {
  for (int colorByte : {0, 3, 7, 8, 9, 15, 255}) {
    Rig rig;
    rig.app.screen.colorByte = colorByte;
    raster::FillBox(rig.image(), 0, 0, 8, 17, kRedPixel);
    DrawCharacter(rig.app, ' ');
    const Pixel want = colorByte > 8 ? 0xFFFFFFFFu : 0xFF000000u;
    for (int y = 0; y < 17; ++y) {
      for (int x = 0; x < 8; ++x) ASSERT_EQ(rig.At(x, y), want) << colorByte;
    }
  }
}

TEST(DrawCharacter, WrapsAtTheLastColumnAndScrollsAtTheLastCell) {
  Rig rig;
  TerminalScreen& s = rig.app.screen;
  s.cursorCol = 79;
  s.cursorRow = 3;
  DrawCharacter(rig.app, 'x');
  EXPECT_EQ(s.cursorCol, 0);
  EXPECT_EQ(s.cursorRow, 4);

  s.cursorCol = 0;
  s.cursorRow = 24;
  DrawCharacter(rig.app, 'W');  // on the last row, left
  s.cursorCol = 79;
  DrawCharacter(rig.app, 'W');  // in the last cell: the picture moves up one row
  EXPECT_EQ(s.cursorCol, 0);
  EXPECT_EQ(s.cursorRow, 24);
  ExpectCell(rig, 0, 23, 'W', 0xFFFFFFFFu, 0xFF000000u);
  ExpectCell(rig, 79, 23, 'W', 0xFFFFFFFFu, 0xFF000000u);
  for (int x = 0; x < 640; ++x) ASSERT_EQ(rig.At(x, 24 * 17 + 5), raster::kBlack);
  test::KeepPictureOnFailure(rig.picture());
}

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

TEST(ScrollScreen, MovesThePictureAndBlackensWhatItUncovers) {
  struct Case {
    int dx, dy;
    int fromX, fromY;                    // where the marked pixel was
    int toX, toY;                        // where it must be after the scroll (or -1 when gone)
    int blackX, blackY, blackW, blackH;  // a region that must be black afterwards
  };
  const Case cases[] = {
      {0, 17, 10, 40, 10, 23, 0, 408, 640, 17},       {0, -17, 10, 40, 10, 57, 0, 0, 640, 17},
      {8, 0, 20, 40, 12, 40, 632, 0, 8, 425},         {-8, 0, 20, 40, 28, 40, 0, 0, 8, 425},
      {0, 17, 10, 430, 10, 413, 0, 408, 640, 5},  // the band moves up with the picture
      {255, 255, 300, 300, 45, 45, 385, 0, 255, 425}, {-256, -256, 3, 3, 259, 259, 0, 0, 640, 256},
      {700, 0, 3, 3, -1, -1, 0, 0, 640, 425},
  };
  for (const Case& c : cases) {
    Rig rig;
    raster::FillBox(rig.image(), 0, 0, 640, 425, 0xFF202020u);
    rig.image().At(c.fromX, c.fromY) = kRedPixel;
    ScrollScreen(rig.app, c.dx, c.dy);
    if (c.toX >= 0) {
      EXPECT_EQ(rig.At(c.toX, c.toY), kRedPixel) << c.dx << "," << c.dy;
    }
    for (int y = c.blackY; y < c.blackY + c.blackH; ++y) {
      for (int x = c.blackX; x < c.blackX + c.blackW; ++x) {
        ASSERT_EQ(rig.At(x, y), raster::kBlack) << c.dx << "," << c.dy << " at " << x << "," << y;
      }
    }
    test::KeepPictureOnFailure(rig.picture());
  }
}

TEST(ScrollScreen, BandRowsBelowTheMovedPartKeepTheirPixels) {
  Rig rig;
  raster::FillBox(rig.image(), 0, 425, 640, 21, kRedPixel);
  ScrollScreen(rig.app, 0, 17);
  EXPECT_EQ(rig.At(5, 445), kRedPixel);  // not reached by the move
  EXPECT_EQ(rig.At(5, 408), kRedPixel);  // band row 425 moved up to 408
  EXPECT_EQ(rig.At(5, 407), raster::kBlack);
  // Without the band, the rows uncovered at the bottom read as black.
  Rig plain;
  CreateScreenImage(plain.app, false);
  raster::FillBox(plain.image(), 0, 0, 640, 425, kRedPixel);
  ScrollScreen(plain.app, 0, 17);
  EXPECT_EQ(plain.At(0, 407), kRedPixel);
  EXPECT_EQ(plain.At(0, 408), raster::kBlack);
  EXPECT_EQ(plain.At(639, 424), raster::kBlack);
}

TEST(CursorMark, FourPixelsOnTheBottomRowAndTheScrolledCopyErased) {
  Rig rig;
  rig.app.screen.cursorCol = 2;
  rig.app.screen.cursorRow = 1;
  DrawCursorMark(rig.app, true);
  EXPECT_EQ(Art(rig.picture(), 16, 33, 8, 1), std::vector<std::string>{"#.#.#.#."});
  EXPECT_EQ(test::LitCount(rig.picture()), 4);
  DrawCursorMark(rig.app, false);
  EXPECT_EQ(test::LitCount(rig.picture()), 0);
  // A mark drawn on the last row travels up with a scroll and is erased there.
  rig.app.screen.cursorRow = 24;
  DrawCursorMark(rig.app, true);
  ScrollScreen(rig.app, 0, 17);
  EXPECT_EQ(test::LitCount(rig.picture()), 0);
  // At cursorCol = Cols (after Normal-Terminal Mode TABs) nothing is drawn.
  rig.app.screen.cursorCol = 80;
  DrawCursorMark(rig.app, true);
  EXPECT_EQ(test::LitCount(rig.picture()), 0);
}

TEST(Present, ScaleGivesTheStretchedTextArea) {
  struct Case {
    float scale;
    bool band;
    int width, height;
  };
  const Case cases[] = {
      {1.0f, true, 640, 446},   {1.01f, true, 640, 446},  {0.5f, true, 640, 446},
      {2.0f, true, 1280, 850},  {2.0f, false, 1280, 850}, {1.5f, true, 960, 638},
      {8.0f, true, 5120, 3400}, {100.0f, true, 640, 446},
  };
  for (const Case& c : cases) {
    Rig rig;
    if (!c.band) CreateScreenImage(rig.app, false);
    rig.app.settings.WindowScale = c.scale;
    rig.image().At(1, 0) = kRedPixel;
    rig.image().At(0, 424) = kRedPixel;
    Present(rig.app);
    const Image& shown = rig.ui.lastPicture;
    EXPECT_EQ(shown.width, c.width) << c.scale;
    EXPECT_EQ(shown.height, c.height) << c.scale;
    if (c.scale == 2.0f) {
      EXPECT_EQ(Art(shown, 0, 0, 4, 2), (std::vector<std::string>{"..##", "..##"}));
      EXPECT_EQ(Art(shown, 0, 848, 2, 2), (std::vector<std::string>{"##", "##"}));
    }
  }
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

}  // namespace
}  // namespace tavolin
