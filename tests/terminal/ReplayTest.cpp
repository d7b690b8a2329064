// The reference replay set (tests/terminal/replay/): every recorded stream, replayed without a
// window under its settings, gives the screen image, the shown picture and the text mirror it
// gave when it was recorded, pixel for pixel.  tools/replay/TavolinReplay.cpp says how to look at a
// stream's picture, record a new stream or accept a deliberate change.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "tests/terminal/Rig.h"
#include "tools/replay/Replay.h"

namespace tavolin {
namespace replay {
// gtest names a failing stream by this.
void PrintTo(const Stream& s, std::ostream* os) {
  *os << s.name;
}
}  // namespace replay

namespace {

const std::string kSetDir = std::string(TAVOLIN_SOURCE_DIR) + "/tests/terminal/replay";

std::vector<replay::Stream> ReferenceSet() {
  std::string error;
  auto streams = replay::ReadIndex(kSetDir + "/index.txt", error);
  EXPECT_TRUE(streams.has_value()) << error;
  return streams ? *streams : std::vector<replay::Stream>{};
}

class ReplaySet : public ::testing::TestWithParam<replay::Stream> {};

TEST_P(ReplaySet, GivesItsReferencePicture) {
  const replay::Stream& s = GetParam();
  const auto bytes = replay::ReadBytes(kSetDir + "/" + s.name + ".bytes");
  ASSERT_TRUE(bytes.has_value()) << s.name;
  ASSERT_FALSE(s.screen.empty()) << "no reference recorded for " << s.name;
  const replay::Result r = replay::Run(s, *bytes);
  EXPECT_EQ(r.screen, s.screen) << "screen image of " << s.name;
  EXPECT_EQ(r.shown, s.shown) << "shown picture of " << s.name;
  EXPECT_EQ(r.text, s.text) << "text mirror of " << s.name;
}

std::string StreamName(const ::testing::TestParamInfo<replay::Stream>& info) {
  std::string name = info.param.name;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Reference, ReplaySet, ::testing::ValuesIn(ReferenceSet()), StreamName);

TEST(ReplayLog, TakesOnlyTheChipsBytes) {
  const std::pair<const char*, std::vector<std::uint8_t>> cases[] = {
      {"         0.010 chip: 41 0D 0A\n         0.020 host: 05 06\n", {0x41, 0x0D, 0x0A}},
      {"         0.001 note: port opened\n         0.002 chip: FF\n         0.003 chip: 00 05\n",
       {0xFF, 0x00, 0x05}},
      {"         0.004 chip: 4G 41 100\n", {0x41}},  // not bytes: skipped
      {"", {}},
  };
  for (const auto& [log, bytes] : cases) EXPECT_EQ(replay::ChipBytesFromLog(log), bytes) << log;
}

TEST(ReplayHash, SeesEveryPixelAndTheSize) {
  const Image base(4, 3);
  Image changed = base;
  changed.At(3, 2) = 0xFF000001u;
  const Image transposed(3, 4);
  Image alphaOnly = base;
  alphaOnly.At(0, 0) = 0x00000000u;  // the alpha byte is not part of the picture
  EXPECT_NE(replay::PictureHash(base), replay::PictureHash(changed));
  EXPECT_NE(replay::PictureHash(base), replay::PictureHash(transposed));
  EXPECT_EQ(replay::PictureHash(base), replay::PictureHash(alphaOnly));
}

}  // namespace
}  // namespace tavolin
