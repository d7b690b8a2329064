// The graphics command: every drawing operation as golden pixels, the pen, the pixel test, the
// queries, the sector service over PreparedFile and the host request with its length proof.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/MenuIds.h"
#include "terminal/GraphicsCommand.h"
#include "terminal/Raster.h"
#include "tests/terminal/Rig.h"

namespace tavolin {
namespace {

using test::Art;
using test::Rig;
using Rows = std::vector<std::string>;

// The four bytes of a graphics command for op at (x, y).
std::vector<int> Cmd(int op, int x, int y) {
  return {5, op | ((x & 1) << 5) | ((y & 1) << 4), x >> 1, y >> 1};
}
std::vector<int> Join(std::initializer_list<std::vector<int>> parts) {
  std::vector<int> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

TEST(GraphicsCommand, DrawingOperationsGivePixels) {
  struct Case {
    const char* name;
    std::vector<int> bytes;
    Rows art;  // the 10 x 6 pixels from the origin
  };
  const Case cases[] = {
      {"plot",
       Cmd(op::kPlot, 3, 4),
       {"..........", "..........", "..........", "..........", "...#......", ".........."}},
      {"line, both ends",
       Join({Cmd(op::kMove, 1, 1), Cmd(op::kLine, 5, 1)}),
       {"..........", ".#####....", "..........", "..........", "..........", ".........."}},
      {"line from the pen of a plot",
       Join({Cmd(op::kPlot, 0, 0), Cmd(op::kLine, 0, 3)}),
       {"#.........", "#.........", "#.........", "#.........", "..........", ".........."}},
      {"box, both corners",
       Join({Cmd(op::kMove, 2, 2), Cmd(op::kBox, 4, 3)}),
       {"..........", "..........", "..###.....", "..###.....", "..........", ".........."}},
      {"box towards the top left",
       Join({Cmd(op::kMove, 4, 3), Cmd(op::kBox, 2, 2)}),
       {"..........", "..........", "..###.....", "..###.....", "..........", ".........."}},
      {"erase box",
       Join({Cmd(op::kMove, 0, 0), Cmd(op::kBox, 9, 5), Cmd(op::kMove, 1, 1),
             Cmd(op::kEraseBox, 8, 4)}),
       {"##########", "#........#", "#........#", "#........#", "#........#", "##########"}},
      {"invert box twice",
       Join({Cmd(op::kMove, 1, 1), Cmd(op::kInvertBox, 3, 3), Cmd(op::kMove, 2, 2),
             Cmd(op::kInvertBox, 3, 3)}),
       {"..........", ".###......", ".#........", ".#........", "..........", ".........."}},
      {"circle, r = 1",
       Join({Cmd(op::kMove, 4, 2), Cmd(op::kCircle, 5, 2)}),
       {"..........", "..........", ".....#....", "..........", "..........", ".........."}},
      {"circle, r = 2",
       Join({Cmd(op::kMove, 3, 2), Cmd(op::kCircle, 5, 2)}),
       {"..........", "....###...", "....###...", "....###...", "..........", ".........."}},
      {"rounded frame",
       Join({Cmd(op::kMove, 0, 0), Cmd(op::kRoundedFrame, 8, 5)}),
       {"..#####...", ".#.....#..", "#.......#.", "#.......#.", ".#.....#..", "..#####..."}},
      {"bit columns advance the pen",
       Join({Cmd(op::kMove, 1, 0),
             {5, op::kBitColumns, 0x05, 0x02},
             {5, op::kBitColumns, 0x01, 0x00}}),
       {".#.#......", "..#.......", ".#........", "..........", "..........", ".........."}},
      {"flood fill inside a frame",
       Join({Cmd(op::kMove, 0, 0), Cmd(op::kRoundedFrame, 8, 5), Cmd(op::kFloodFill, 4, 2)}),
       {"..#####...", ".#######..", "#########.", "#########.", ".#######..", "..#####..."}},
      {"no-effect operations",
       Join({Cmd(0x0D, 1, 1), Cmd(0x0F, 1, 1), Cmd(0x80, 1, 1), Cmd(0x83, 1, 1), Cmd(0x8F, 1, 1)}),
       {"..........", "..........", "..........", "..........", "..........", ".........."}},
  };
  for (const Case& c : cases) {
    Rig rig(true);
    rig.app.settings.TxtCurs = 0;
    rig.Feed(c.bytes);
    EXPECT_EQ(Art(rig.picture(), 0, 0, 10, 6), c.art) << c.name;
    test::KeepPictureOnFailure(rig.picture());
  }
}

TEST(GraphicsCommand, InkComesFromTheColourByteNeverInverted) {
  Rig rig(true);
  rig.app.settings.TxtCurs = 0;
  rig.Feed(Join({{12, 10}, Cmd(op::kPlot, 1, 1), Cmd(op::kMove, 3, 3), Cmd(op::kInvertBox, 3, 3)}));
  EXPECT_EQ(rig.At(1, 1), 0xFFFF0000u) << "palette entry 2, red, although 10 inverts glyphs";
  EXPECT_EQ(rig.At(3, 3), 0xFFFF0000u) << "black XOR red";
}

TEST(GraphicsCommand, PointerSpriteTwiceRestoresThePicture) {
  Rig rig(true);
  rig.app.settings.TxtCurs = 0;
  rig.Feed(Cmd(op::kPointer, 4, 4));
  EXPECT_EQ(Art(rig.picture(), 4, 4, 8, 7), (Rows{"#######.", "#######.", "####....", "##.##...",
                                                  "##..##..", "##...##.", "......##"}));
  EXPECT_EQ(test::LitCount(rig.picture()), 14 + 8 + 10);
  test::KeepPictureOnFailure(rig.picture());

  Rig grey(true);
  grey.app.settings.TxtCurs = 0;
  raster::FillBox(grey.image(), 0, 0, 20, 20, 0xFF123456u);
  const Image before = grey.picture();
  grey.Feed(Cmd(op::kPointer, 4, 4));
  EXPECT_EQ(grey.At(4, 4), 0xFF123456u ^ 0xFFFFFFu);
  grey.Feed(Cmd(op::kPointer, 4, 4));
  EXPECT_EQ(grey.picture().pixels, before.pixels);
}

TEST(GraphicsCommand, PenMovesOnlyWithMovePlotLineAndBitColumns) {
  struct Case {
    int op;
    bool moves;
  };
  const Case cases[] = {
      {op::kMove, true},       {op::kPlot, true},        {op::kLine, true},
      {op::kBox, false},       {op::kEraseBox, false},   {op::kInvertBox, false},
      {op::kPointer, false},   {op::kCircle, false},     {op::kRoundedFrame, false},
      {op::kPixelTest, false}, {op::kTextCursor, false}, {op::kFloodFill, false},
      {op::kScroll, false}};
  for (const Case& c : cases) {
    Rig rig(true);
    rig.Feed(Join({Cmd(op::kMove, 7, 9), Cmd(c.op, 2, 4)}));
    EXPECT_EQ(rig.app.screen.penX, c.moves ? 2 : 7) << c.op;
    EXPECT_EQ(rig.app.screen.penY, c.moves ? 4 : 9) << c.op;
  }
}

TEST(GraphicsCommand, TextCursorAndScroll) {
  Rig rig(true);
  rig.app.settings.TxtCurs = 0;
  rig.Feed({5, op::kTextCursor, 83, 30});
  EXPECT_EQ(rig.app.screen.cursorCol, 3);
  EXPECT_EQ(rig.app.screen.cursorRow, 5);
  rig.image().At(40, 40) = 0xFFFFFFFFu;
  rig.Feed(Cmd(op::kScroll, 16, 510));  // left by 16, down by 2
  EXPECT_EQ(rig.At(24, 42), 0xFFFFFFFFu);
  EXPECT_EQ(test::LitCount(rig.picture()), 1);
}

TEST(PixelTest, AnswersThroughReplyByteAfterTheBlock) {
  struct Case {
    int x, y;
    int reply;
  };
  const Case cases[] = {
      {5, 5, kPixelLit}, {6, 5, kPixelBlack}, {511, 511, kPixelLit}, {639, 445, kPixelBlack}};
  for (const Case& c : cases) {
    Rig rig(true);
    rig.app.settings.TxtCurs = 0;
    rig.image().At(5, 5) = 0xFF010000u;  // barely not black
    rig.Feed(Cmd(op::kPixelTest, c.x, c.y));
    EXPECT_EQ(rig.app.interpreter.ReplyByte, c.reply) << c.x << "," << c.y;
    EXPECT_TRUE(rig.device.written.empty()) << "the main loop sends it";
  }
  Rig two(true);
  two.image().At(5, 5) = 0xFFFFFFFFu;
  two.Feed(Join({Cmd(op::kPixelTest, 5, 5), Cmd(op::kPixelTest, 7, 7)}));
  EXPECT_EQ(two.app.interpreter.ReplyByte, kPixelBlack) << "only the second answer is left";
}

TEST(Query, AnswersAtOnceWithTextAndCr) {
  struct Case {
    int x;
    std::string answer;
  };
  const Case cases[] = {
      {2, "1796565909\r"}, {4, "14:05:09\r"}, {6, "12.06 2026\r"},
      {8, "12599103\r"},   {0, ""},           {10, ""},
      {254, ""},           {3, ""},
  };
  for (const Case& c : cases) {
    Rig rig(true);
    rig.clock.SetLocalTime({2026, 12, 6, 14, 5, 9});
    rig.Feed(Cmd(op::kQuery, c.x, 0));
    EXPECT_EQ(std::string(rig.device.written.begin(), rig.device.written.end()), c.answer)
        << "x = " << c.x;
  }
}

TEST(Query, LocalTimeCountsAsUtc) {
  EXPECT_EQ(SecondsSince1970({1970, 1, 1, 0, 0, 0}), 0);
  EXPECT_EQ(SecondsSince1970({2000, 2, 29, 23, 59, 59}), 951868799);
  EXPECT_EQ(FormatTime({2026, 1, 2, 3, 4, 5}), "03:04:05");
  EXPECT_EQ(FormatDate({987, 1, 2, 3, 4, 5}), "01.02 0987");
}

class SectorService : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = std::filesystem::path(TAVOLIN_BINARY_DIR) / "sector-service-test.bin";
    std::ofstream out(path_, std::ios::binary);
    for (int i = 0; i < 1000; ++i) out.put(static_cast<char>(i * 7 + 200));
  }
  void TearDown() override { std::filesystem::remove(path_); }

  // Asks for block s the way the chip does and returns the bytes sent back.
  std::vector<std::uint8_t> Ask(Rig& rig, int s, bool bit5) {
    rig.device.ClearWritten();
    rig.Feed({5, op::kQuery | (bit5 ? 0x20 : 0) | 0x10, 128 + (s >> 8), s & 0x7F});
    return rig.device.written;
  }
  static std::vector<std::uint8_t> Expected(const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> out = data;
    std::int32_t sum = 0;
    for (std::uint8_t b : data) sum += static_cast<std::int8_t>(b);
    const auto u = static_cast<std::uint32_t>(sum);
    for (int k = 0; k < 4; ++k) out.push_back(static_cast<std::uint8_t>(u >> (8 * k)));
    return out;
  }
  std::vector<std::uint8_t> FileBytes(int from, int count) {
    std::vector<std::uint8_t> v(512, 0);
    for (int i = 0; i < count; ++i)
      v[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((from + i) * 7 + 200);
    return v;
  }
  std::filesystem::path path_;
};

TEST_F(SectorService, SendsTheBlockAndItsSignedSum) {
  Rig rig(true);
  rig.app.PreparedFile = path_.string();
  rig.app.NormalTerminalMode = 0;
  EXPECT_EQ(Ask(rig, 0, false), Expected(FileBytes(0, 512)));
  EXPECT_EQ(rig.device.writeSizes, (std::vector<std::size_t>{512, 4}));
  EXPECT_EQ(rig.app.settings.MsMoveOff, 0) << "back to Normal-Terminal Mode";
  EXPECT_EQ(Ask(rig, 1, false), Expected(FileBytes(512, 488))) << "zeros past the end";
  EXPECT_EQ(Ask(rig, 5, false), Expected(std::vector<std::uint8_t>(512, 0)));
  EXPECT_EQ(Ask(rig, 32767, true), Expected(std::vector<std::uint8_t>(512, 0)));
  // X = 127 with bit 5 set: block -1 cannot be sought, the start of the file is sent.
  rig.device.ClearWritten();
  rig.Feed({5, op::kQuery | 0x20, 127, 127});
  EXPECT_EQ(rig.device.written, Expected(FileBytes(0, 512)));
  rig.app.NormalTerminalMode = 1;
  rig.app.settings.MsMoveOff = 0;
  Ask(rig, 0, false);
  EXPECT_EQ(rig.app.settings.MsMoveOff, 1);
}

TEST_F(SectorService, NoFileNoAnswer) {
  for (const std::string& name : {std::string(), std::string("/nonexistent/dir/file.bin")}) {
    Rig rig(true);
    rig.app.PreparedFile = name;
    rig.app.settings.MsMoveOff = 0;
    EXPECT_TRUE(Ask(rig, 0, false).empty());
    EXPECT_EQ(rig.app.settings.MsMoveOff, 0);
  }
}

TEST(HostRequest, AcceptedOnlyWhenXProvesTheMirrorLength) {
  Rig rig(true);
  rig.app.settings.TxtCurs = 0;
  rig.FeedText("abc");
  rig.Feed(Cmd(op::kHostRequest, 4, 2 * 'b'));
  EXPECT_EQ(rig.app.interpreter.HostRequest, 0) << "X = 2 does not match 3 characters";
  rig.Feed(Cmd(op::kHostRequest, 7, 2 * 'b'));
  EXPECT_EQ(rig.app.interpreter.HostRequest, 0) << "bit 5 must be clear";
  rig.Feed(Cmd(op::kHostRequest, 6, 2 * 'b'));
  EXPECT_EQ(rig.app.interpreter.HostRequest, 2 * 'b');

  Rig full(true);
  full.app.screen.textMirror.assign(300, 'n');
  for (int X = 0; X < 256; ++X) {
    for (int bit5 : {0, 0x20}) full.Feed({5, op::kHostRequest | bit5, X, 's'});
  }
  EXPECT_EQ(full.app.interpreter.HostRequest, 0) << "300 characters cannot be proved";
}

}  // namespace
}  // namespace tavolin
