// Random byte streams in random block sizes through both dialects, with odd grid sizes, settings
// changed under a running screen, and answers pending on the port.  Nothing may crash, hang or
// leave the state out of its ranges; under the address sanitizer no write may leave the image.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "terminal/GraphicsCommand.h"
#include "tests/terminal/Rig.h"

namespace tavolin {
namespace {

TEST(RandomStream, StaysInsideTheImageAndItsRanges) {
  const std::filesystem::path file =
      std::filesystem::path(TAVOLIN_BINARY_DIR) / "random-stream-prepared.bin";
  {
    std::ofstream out(file, std::ios::binary);
    for (int i = 0; i < 1500; ++i) out.put(static_cast<char>(i));
  }
  struct Run {
    unsigned seed;
    bool graphics;
    int cols, rows;
  };
  const Run runs[] = {{1, true, 80, 25}, {2, false, 80, 25}, {3, true, 13, 7},
                      {4, false, 1, 1},  {5, true, 130, 40}, {6, false, 9, 3}};
  for (const Run& run : runs) {
    test::Rig rig(run.graphics, run.cols, run.rows);
    rig.app.PreparedFile = file.string();
    std::mt19937 random(run.seed);
    auto next = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const std::size_t imageSize = rig.picture().pixels.size();
    const int width = rig.image().width;
    const int height = rig.image().height;
    int total = 0;
    while (total < 60000) {
      // Now and then the settings change under the running screen, as a loaded file would.
      if (next(40) == 0) {
        rig.app.settings.TxtCurs = next(2);
        rig.app.settings.CRmode = next(2);
        rig.app.settings.WindowScale = next(3) == 0 ? 2.5f : 1.0f;
        rig.app.settings.Cols = run.cols + next(5) - 2;
        rig.app.settings.Rows = run.rows + next(5) - 2;
        rig.app.NormalTerminalMode = next(2);
      }
      if (next(10) == 0) rig.device.Feed(static_cast<std::uint8_t>(next(256)));
      const int length = 1 + next(next(4) == 0 ? 4095 : 64);
      for (int i = 0; i < length; ++i) {
        int b = next(256);
        if (next(8) == 0) b = 5;         // many graphics commands
        if (next(8) == 0) b = next(14);  // many control codes
        rig.app.ReceiveBuffer[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(b);
      }
      Interpret(rig.app, length);
      total += length;
      const TerminalScreen& s = rig.app.screen;
      ASSERT_EQ(rig.picture().pixels.size(), imageSize);
      ASSERT_EQ(rig.image().width, width);
      ASSERT_EQ(rig.image().height, height);
      ASSERT_GE(s.cursorCol, 0);
      ASSERT_GE(s.cursorRow, 0);
      ASSERT_LT(s.cursorRow, std::max(EffectiveRows(rig.app.settings), run.rows + 2));
      ASSERT_GE(rig.app.interpreter.carryCount, 0);
      ASSERT_LE(rig.app.interpreter.carryCount, 3);
      const int reply = rig.app.interpreter.ReplyByte;
      ASSERT_TRUE(reply == 0 || reply == kPixelLit || reply == kPixelBlack);
      for (Pixel p : rig.picture().pixels) ASSERT_EQ(p >> 24, 0xFFu);
    }
    // Text keeps working afterwards.
    rig.app.NormalTerminalMode = 1;
    rig.app.settings.Cols = run.cols;
    rig.app.settings.Rows = run.rows;
    ClearScreen(rig.app);
    PrintText(rig.app, "ok");
    EXPECT_EQ(rig.app.screen.textMirror, "ok");
  }
  std::filesystem::remove(file);
}

}  // namespace
}  // namespace tavolin
