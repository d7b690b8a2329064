// The boot protocol against the simulated ROM on the fake device and the virtual clock: the bit
// sequence and the long encoding, the handshake's bytes and its failures, the answers of a load
// and their time-outs, and the quiet detection.
#include <gtest/gtest.h>

#include "LoaderRig.h"
#include "loader/BootLoader.h"

namespace tavolin {
namespace {

using loadertest::Checked;
using loadertest::LoaderRig;
using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

Bytes Encoded(LoaderRig& rig, std::uint32_t value) {
  rig.device.ClearWritten();
  EncodeLong(rig.app, value);
  rig.app.port.Flush();
  return rig.device.written;
}

Bytes Repeat(std::uint8_t b, std::size_t n) {
  return Bytes(n, b);
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// The lines, each ended by '|'.
std::string Joined(const Lines& lines) {
  std::string all;
  for (const std::string& line : lines) all += line + "|";
  return all;
}

TEST(EncodeLong, CheckValues) {
  struct Case {
    std::uint32_t value;
    Bytes bytes;
  };
  const Case cases[] = {
      {0, Concat({Repeat(0x92, 10), {0xF2}})},
      {1, Concat({{0x93}, Repeat(0x92, 9), {0xF2}})},
      {3, Concat({{0x9B}, Repeat(0x92, 9), {0xF2}})},
      {8192, Concat({Repeat(0x92, 4), {0x9A}, Repeat(0x92, 5), {0xF2}})},
      {0xFFFFFFFF, Concat({Repeat(0xDB, 10), {0xFB}})},
      {0x80000000, Concat({Repeat(0x92, 10), {0xFA}})},
  };
  LoaderRig rig(false);
  for (const Case& c : cases) EXPECT_EQ(Encoded(rig, c.value), c.bytes) << c.value;
}

TEST(Handshake, SendsBitsAndProbesIn256ByteWritesAndReadsTheVersion) {
  LoaderRig rig;
  EXPECT_EQ(Handshake(rig.app), 1);
  EXPECT_EQ(rig.out.lines, Lines{"Propeller Version = 1"});
  EXPECT_EQ(rig.device.writeSizes, (std::vector<std::size_t>{256, 253}));
  const Bytes& w = rig.device.written;
  ASSERT_EQ(w.size(), 509u);
  EXPECT_EQ(Bytes(w.begin(), w.begin() + 9),
            (Bytes{0xF9, 0xFE, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFE, 0xFE}));
  EXPECT_EQ(Bytes(w.begin() + 251, w.end()), Repeat(0xF9, 258));
  EXPECT_TRUE(rig.record().handshakeOk);
}

// A missing version bit counts as -1 in its place: with the seventh and eighth missing, version 1
// reads as -63.
TEST(Handshake, FailuresAndTheirLines) {
  using F = sim::BootFault;
  struct Case {
    const char* name;
    F fault;
    int faultBit;
    bool noChip;
    int version;
    const char* lines;
  };
  const Case cases[] = {
      {"250th reply bit wrong", F::WrongReplyBit, 249, false, -1, ""},
      {"first reply bit wrong", F::WrongReplyBit, 0, false, -1, ""},
      {"no chip", F::None, 0, true, -1, "Time Out|"},
      {"a chip that does not answer", F::NoAnswer, 0, false, -1, "Time Out|"},
      {"version 0 is a version", F::None, 0, false, 0, "Propeller Version = 0|"},
      {"last two version bits missing", F::MissingVersionBit, 6, false, -63,
       "Time Out|Time Out|Propeller Version = -63|"},
  };
  for (const Case& c : cases) {
    LoaderRig rig(!c.noChip);
    if (!c.noChip) {
      rig.boot().fault = c.fault;
      rig.boot().faultBit = c.faultBit;
      rig.boot().faultStage = sim::BootStage::Handshake;
      if (c.version == 0) rig.boot().version = 0;
    }
    EXPECT_EQ(Handshake(rig.app), c.version) << c.name;
    EXPECT_EQ(Joined(rig.out.lines), c.lines) << c.name;
  }
}

TEST(ReceiveBit, BudgetsCountPassesOf10MsOr35MsWithProbes) {
  struct Case {
    bool probe;
    int budget;
    int passes;
  };
  const Case cases[] = {{false, 100, 10}, {false, 50, 5}, {true, 2500, 72}, {true, 5000, 143}};
  for (const Case& c : cases) {
    LoaderRig rig(false);
    EXPECT_EQ(ReceiveBit(rig.app, c.probe, c.budget), -1);
    EXPECT_EQ(rig.clock.NowMs(), c.passes * (c.probe ? 35 : 10)) << c.budget;
    EXPECT_EQ(rig.device.written.size(), c.probe ? static_cast<std::size_t>(c.passes) : 0u);
    EXPECT_EQ(rig.out.lines, Lines{"Time Out"});
  }
}

TEST(ReceiveBit, OtherBytesAreHardwareLostAndTheWaitGoesOn) {
  LoaderRig rig(false);
  rig.device.Feed({0x00, 0x41, 0xFF});
  EXPECT_EQ(ReceiveBit(rig.app, false, 100), 1);
  EXPECT_EQ(rig.out.lines, (Lines{"Hardware lost", "Hardware lost"}));
  rig.out.lines.clear();
  rig.device.Feed(0xFE);
  EXPECT_EQ(ReceiveBitQuiet(rig.app, 50), 0);
  rig.device.Feed({0x00, 0xFF});
  EXPECT_EQ(ReceiveBitQuiet(rig.app, 50), 1);
  EXPECT_TRUE(rig.out.lines.empty());
}

TEST(Load, AnswersOfTheChipAndTheirLines) {
  using F = sim::BootFault;
  using S = sim::BootStage;
  using R = LoadResult;
  struct Case {
    bool eeprom;
    F fault;
    S stage;
    const char* after;  // the lines after "Verify ..", each ended by '|'
    LoadResult result;
  };
  const Case cases[] = {
      {false, F::None, S::Checksum, "..OK -> RUN|", R::Ok},
      {false, F::BadChecksum, S::Checksum, "CheckSum Error|", R::ChecksumError},
      {false, F::GarbageBeforeAnswer, S::Checksum, "Hardware lost|..OK -> RUN|", R::Ok},
      {false, F::NoAnswer, S::Checksum, "Time Out|CheckSum Error|", R::ChecksumError},
      {true, F::None, S::Checksum, "..OK -> RUN|", R::Ok},
      {true, F::EepromWriteError, S::Program, "EEPROM write Error|", R::EepromWriteError},
      {true, F::EepromVerifyError, S::Verify, "EEPROM verify Error|", R::EepromVerifyError},
      // Time-outs of the EEPROM stages are tolerated: only an answer 1 fails the load.
      {true, F::NoAnswer, S::Program, "Time Out|Time Out|..OK -> RUN|", R::Ok},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.after);
    LoaderRig rig;
    rig.boot().fault = c.fault;
    rig.boot().faultStage = c.stage;
    rig.app.loader.eepromMode = c.eeprom;
    Bytes image;
    for (int i = 0; i < 40; ++i) image.push_back(static_cast<std::uint8_t>(i / 4));
    image = Checked(image);
    for (std::size_t i = 0; i < image.size(); ++i)
      rig.app.loader.image[i / 4] |= std::uint32_t{image[i]} << (8 * (i % 4));
    ASSERT_EQ(Handshake(rig.app), 1);
    rig.out.lines.clear();
    rig.device.ClearWritten();
    const std::int64_t start = rig.clock.NowMs();
    EXPECT_EQ(Load(rig.app, 40), c.result);
    // Command and count leave on their own, then the image; only probes follow it.
    const std::vector<std::size_t>& sizes = rig.device.writeSizes;
    ASSERT_GE(sizes.size(), 3u);
    EXPECT_EQ(std::vector(sizes.begin(), sizes.begin() + 3),
              (std::vector<std::size_t>{11, 11, c.eeprom ? 256u : 110u}));
    const Bytes& w = rig.device.written;
    const auto sent = static_cast<long>(11 * (2 + (c.eeprom ? 8192 : 10)));
    EXPECT_EQ(Bytes(w.begin() + sent, w.end()), Repeat(0xF9, w.size() - sent));
    if (c.fault == F::NoAnswer && c.stage == S::Checksum) {
      EXPECT_GE(rig.clock.NowMs() - start, 2500) << "gives up after about 2500 ms";
      EXPECT_LT(rig.clock.NowMs() - start, 2600);
    }
    EXPECT_EQ(Joined(rig.out.lines),
              std::string(c.eeprom ? "Write in EEPROM Lenght=32768|" : "Write in RAM Lenght=40|") +
                  "Verify ..|" + c.after);
    EXPECT_EQ(rig.record().command.value_or(0), c.eeprom ? 3u : 1u);
    EXPECT_EQ(rig.record().longCount.value_or(0), c.eeprom ? 8192u : 10u);
    EXPECT_TRUE(rig.RamHolds(image));
  }
}

TEST(Detect, QuietHandshakeByRawTransfer) {
  for (bool chipThere : {true, false}) {
    LoaderRig rig(chipThere);
    EXPECT_EQ(Detect(rig.app), chipThere ? 1 : -1);
    EXPECT_TRUE(rig.out.lines.empty());
    EXPECT_EQ(rig.device.writeSizes, (std::vector<std::size_t>{251, 258}));
    EXPECT_EQ(rig.device.lineChanges.size(), 2u) << "reset pulse";
    if (!chipThere) {
      EXPECT_EQ(rig.clock.NowMs(), 125 + 50);
    }
  }
}

}  // namespace
}  // namespace tavolin
