// The screen where no recorded stream reaches: a cell outside the grid, the stretched buffer kept
// between Presents, and a picture whose memory could not be had.  What the chip's streams draw,
// scroll and show at each scale is the replay set's (ReplayTest), pixel for pixel.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tavolin
