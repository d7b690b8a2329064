// The answers to the chip's questions: the query texts, the file blocks of the prepared file
// with their sums, and the order they leave in.  Which bytes ask which question is
// DisplayParserTest's; the order against the host request and the reply byte is MainLoopTest's.
#include <gtest/gtest.h>

#include <utility>

#include "app/ChipAnswers.h"
#include "tests/app/AppRig.h"

namespace tavolin {
namespace {

using testing::AppRig;
using testing::TempDir;
using Kind = ChipQuestion::Kind;

TEST(ChipAnswers, QueriesAnswerTextAndCr) {
  const std::pair<int, std::string> cases[] = {
      {2, "1796565909\r"},
      {4, "14:05:09\r"},
      {6, "12.06 2026\r"},
      {8, "12599103\r"},
      {0, ""},
      {3, ""},
      {10, ""},
      {254, ""},
  };
  for (const auto& [x, answer] : cases) {
    AppRig rig;
    fake::FakeSerialDevice& device = rig.PlugAndConnect(3);
    rig.clock.SetLocalTime({2026, 12, 6, 14, 5, 9});
    rig.app.interpreter.questions = {{Kind::Query, x}};
    AnswerQuestions(rig.app);
    EXPECT_EQ(std::string(device.written.begin(), device.written.end()), answer) << "x = " << x;
    EXPECT_TRUE(rig.app.interpreter.questions.empty());
  }
}

TEST(ChipAnswers, LocalTimeCountsAsUtc) {
  EXPECT_EQ(SecondsSince1970({1970, 1, 1, 0, 0, 0}), 0);
  EXPECT_EQ(SecondsSince1970({2000, 2, 29, 23, 59, 59}), 951868799);
  EXPECT_EQ(FormatDate({987, 1, 2, 3, 4, 5}), "01.02 0987");
}

class FileBlocks : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 1000; ++i) bytes.push_back(Byte(i));
    path_ = dir_.Write("prepared.bin", bytes);
  }
  static std::uint8_t Byte(int i) { return static_cast<std::uint8_t>(i * 7 + 200); }
  // count bytes of the file from from, zeros after, then the signed sum.
  static std::vector<std::uint8_t> Expected(int from, int count) {
    std::vector<std::uint8_t> out(512, 0);
    for (int i = 0; i < count; ++i) out[static_cast<std::size_t>(i)] = Byte(from + i);
    std::int32_t sum = 0;
    for (std::uint8_t b : out) sum += static_cast<std::int8_t>(b);
    const auto u = static_cast<std::uint32_t>(sum);
    for (int k = 0; k < 4; ++k) out.push_back(static_cast<std::uint8_t>(u >> (8 * k)));
    return out;
  }
  TempDir dir_;
  std::string path_;
};

// Without a file the chip gets nothing; an answer leaves the mouse moves as the dialect has them.
TEST_F(FileBlocks, SendTheBlockAndItsSignedSumInTwoWrites) {
  struct Case {
    std::string file;
    std::int32_t block;
    int from, count;  // from -1: nothing sent
  };
  const Case cases[] = {
      {path_, 0, 0, 512},
      {path_, 1, 512, 488},
      {path_, 5, 0, 0},
      {path_, 32767, 0, 0},
      {path_, -1, 0, 512},
      {path_, -128, 0, 512},
      {"", 0, -1, 0},
      {dir_.File("missing.bin"), 0, -1, 0},
      {dir_.Folder(), 0, -1, 0},
  };
  int ntm = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file + " block " + std::to_string(c.block));
    AppRig rig;
    fake::FakeSerialDevice& device = rig.PlugAndConnect(3);
    ntm = 1 - ntm;
    rig.app.NormalTerminalMode = ntm;
    rig.app.settings.MsMoveOff = 1 - ntm;
    rig.app.PreparedFile = c.file;
    rig.app.interpreter.questions = {{Kind::FileBlock, c.block}};
    AnswerQuestions(rig.app);
    if (c.from < 0) {
      EXPECT_TRUE(device.written.empty());
      EXPECT_EQ(rig.app.settings.MsMoveOff, 1 - ntm);
      continue;
    }
    EXPECT_EQ(device.written, Expected(c.from, c.count));
    EXPECT_EQ(device.writeSizes, (std::vector<std::size_t>{512, 4}));
    EXPECT_EQ(rig.app.settings.MsMoveOff, ntm);
  }
}

TEST_F(FileBlocks, AnswersLeaveInTheOrderAsked) {
  AppRig rig;
  fake::FakeSerialDevice& device = rig.PlugAndConnect(3);
  rig.app.PreparedFile = path_;
  rig.app.interpreter.questions = {{Kind::Query, 8}, {Kind::FileBlock, 1}, {Kind::Query, 8}};
  AnswerQuestions(rig.app);
  const std::vector<std::uint8_t> palette = {'1', '2', '5', '9', '9', '1', '0', '3', '\r'};
  const auto block = Expected(512, 488);
  std::vector<std::uint8_t> expected = palette;
  expected.insert(expected.end(), block.begin(), block.end());
  expected.insert(expected.end(), palette.begin(), palette.end());
  EXPECT_EQ(device.written, expected);
}

}  // namespace
}  // namespace tavolin
