// The simulated ROM boot loader against the loader tests' bench (tests/sim/SimHost.h): the wire
// coding, handshake and loads, the answers and their busy periods, the ways the chip gives up,
// and what resets the chip.  Its checksum rule, what it runs and its handshake faults are seen by
// the loader's own tests, which run against this chip (tests/loader BootLoaderTest and
// ImageUploadTest).
#include <gtest/gtest.h>

#include <algorithm>

#include "sim/PropImage.h"
#include "tests/sim/SimHost.h"

namespace tavolin::sim {
namespace {

using test::HandshakeBytes;
using test::Rig;
using test::SequenceBits;

// The chip's sequence and long decoding, its images and their checksums are checked by the
// loader's uploads to this chip (tests/loader ImageUploadTest) and the end-to-end tests; here only
// the pulse decoding of bytes no host sends.
TEST(BootWire, PulsesOfAByteGiveItsBits) {
  struct Case {
    std::uint8_t byte;
    bool valid;
    std::vector<int> bits;
  };
  const Case cases[] = {{0xFF, true, {1}}, {0xFE, true, {0}}, {0xF9, true, {1, 0}},
                        {0x00, false, {}}, {0xF8, false, {}}, {0x55, true, {1, 1, 1, 1, 1}}};
  for (const Case& c : cases) {
    std::vector<int> bits;
    EXPECT_EQ(DecodePulses(c.byte, bits), c.valid) << int{c.byte};
    if (c.valid) {
      EXPECT_EQ(bits, c.bits) << int{c.byte};
    }
  }
}

TEST(PropImage, StackFrameMarkersOnlyLandInRam) {
  struct Case {
    std::uint16_t dbase;
    std::vector<std::uint32_t> markedAt;  // addresses of the marker longs in RAM
  };
  const Case cases[] = {
      {0x0100, {0x00F8, 0x00FC}},
      {0x0102, {0x00F8, 0x00FC}},  // long writes ignore the low address bits
      {0x8004, {0x7FFC}},          // 0x8000 is ROM
      {0x0004, {0x0000}},          // dbase - 8 wraps to the ROM's top
      {0x0000, {}},
      {0x9000, {}},
  };
  for (const Case& c : cases) {
    HubRam ram{};
    ram[0x0A] = static_cast<std::uint8_t>(c.dbase);
    ram[0x0B] = static_cast<std::uint8_t>(c.dbase >> 8);
    HubRam before = ram;
    AddStackFrame(ram);
    int changedLongs = 0;
    for (std::uint32_t a = 0; a < kHubRamBytes; a += 4) {
      if (std::equal(ram.begin() + a, ram.begin() + a + 4, before.begin() + a)) continue;
      ++changedLongs;
      EXPECT_NE(std::find(c.markedAt.begin(), c.markedAt.end(), a), c.markedAt.end())
          << "dbase " << c.dbase << " address " << a;
    }
    EXPECT_EQ(changedLongs, static_cast<int>(c.markedAt.size())) << "dbase " << c.dbase;
  }
}

// Commands other than 1 to 3 shut the chip down; longs that stop, or probes that stop after the
// checksum work, make it give up.  Either way nothing answers.
TEST(BootLoader, ShutsDownOrGivesUpWithoutAnAnswer) {
  struct Case {
    std::uint32_t command;
    int gapBeforeMs;  // after the handshake, more than a long's time
    int gapAfterMs;   // after the last long: busy for 90 ms, then no probe for 100 ms
    bool shutDown;
  };
  const Case cases[] = {
      {0, 0, 0, true},    {4, 0, 0, true},    {0xFFFFFFFF, 0, 0, true},
      {1, 150, 0, false}, {1, 0, 300, false},
  };
  for (const Case& c : cases) {
    Rig rig;
    ASSERT_TRUE(rig.Handshake());
    rig.clock.SleepMs(c.gapBeforeMs);
    rig.Load(c.command, MakeBinaryImage(16));
    rig.clock.SleepMs(c.gapAfterMs);
    EXPECT_EQ(rig.Probe(500), -1) << c.command;
    EXPECT_EQ(rig.chip.bootLoader().record().shutDown, c.shutDown) << c.command;
    EXPECT_EQ(rig.chip.running(), Personality::Off) << c.command;
  }
}

TEST(BootLoader, OnlyTheProbeByteIsAnswered) {
  Rig rig;
  rig.port.PulseReset(0);
  std::vector<std::uint8_t> bytes = HandshakeBytes(-1, 0);
  bytes.insert(bytes.end(), 10, 0xFE);  // no probes: nothing to answer
  bytes.insert(bytes.end(), 3, 0xF9);
  rig.Write(bytes);
  EXPECT_EQ(rig.ReadBits(4, 100), (std::vector<int>{0, 1, 0, -1}));
}

TEST(BootLoader, AnswerComesOnTheSecondProbeAfterTheBusyPeriod) {
  Rig rig;
  ASSERT_TRUE(rig.Handshake());
  rig.Load(1, MakeBinaryImage(16));
  rig.Drain();  // the last long has arrived: 90 ms of checksum work begin
  struct Probe {
    int atMs;
    int expect;
  };
  // Busy until 90 ms: ignored; the first probe after it aligns; the next one is answered.
  const Probe probes[] = {{40, -1}, {80, -1}, {95, -1}, {120, 0}};
  const std::int64_t start = rig.clock.NowMs();
  for (const Probe& p : probes) {
    rig.clock.SleepMs(static_cast<int>(start + p.atMs - rig.clock.NowMs()));
    rig.Write({0xF9});
    rig.clock.SleepMs(5);
    EXPECT_EQ(rig.ReadBit(10), p.expect) << "probe at " << p.atMs;
  }
}

TEST(BootLoader, EepromAnswersComeAfterProgrammingAndVerifying) {
  struct Case {
    std::uint32_t command;
    BootFault fault;
    int program;
    int verify;
    Personality after;
  };
  const Case cases[] = {
      {3, BootFault::None, 0, 0, Personality::Display},
      {2, BootFault::None, 0, 0, Personality::Off},
      {3, BootFault::EepromWriteError, 1, -1, Personality::Off},
      {3, BootFault::EepromVerifyError, 0, 1, Personality::Off},
  };
  for (const Case& c : cases) {
    SimOptions options;
    options.boot.fault = c.fault;
    Rig rig(options);
    ASSERT_TRUE(rig.Handshake());
    rig.Load(c.command, MakeEepromImage(MakeBinaryImage(64)));
    ASSERT_EQ(rig.Probe(2500), 0);
    const std::int64_t checked = rig.clock.NowMs();
    EXPECT_EQ(rig.Probe(5000), c.program);
    const std::int64_t programmed = rig.clock.NowMs();
    EXPECT_GE(programmed - checked, 3400);
    EXPECT_LT(programmed - checked, 3600);
    if (c.program == 0) {
      EXPECT_EQ(rig.Probe(2500), c.verify);
      EXPECT_GE(rig.clock.NowMs() - programmed, 1300);
    }
    rig.clock.SleepMs(10);
    EXPECT_EQ(rig.chip.running(), c.after) << c.command << " fault " << static_cast<int>(c.fault);
  }
}

TEST(BootLoader, GivesUpSilently) {
  struct Case {
    const char* name;
    int delayMs;    // after the reset pulse
    int flipBit;    // handshake bit sent wrong
    int rateIndex;  // 0: 115200, 4: 9600
    bool firmware;  // the EEPROM holds the firmware
    Personality after;
  };
  const Case cases[] = {
      {"host starts too late", 60, -1, 0, false, Personality::Off},
      {"wrong handshake bit", 0, 100, 0, false, Personality::Off},
      {"last handshake bit wrong", 0, 249, 0, false, Personality::Off},
      {"handshake too slow at 9600", 0, -1, 4, false, Personality::Off},
      {"wrong bit, EEPROM boots", 0, 100, 0, true, Personality::Display},
  };
  for (const Case& c : cases) {
    SimOptions options;
    options.boot.eepromHoldsFirmware = c.firmware;
    Rig rig(options, true, c.rateIndex);
    rig.port.PulseReset(0);
    rig.clock.SleepMs(c.delayMs);
    rig.SendHandshake(c.flipBit);
    const int first = rig.ReadBit(400);
    EXPECT_EQ(first, -1) << c.name;
    EXPECT_FALSE(rig.chip.bootLoader().record().gaveUp.empty()) << c.name;
    EXPECT_EQ(rig.chip.running(), c.after) << c.name;
  }
}

TEST(BootLoader, WhatResetsTheChip) {
  struct Case {
    const char* name;
    bool modemLines;
    bool resetOnHandshake;
    bool pulse;
    bool answers;
  };
  const Case cases[] = {
      {"DTR pulse", true, false, true, true},
      {"no pulse", true, false, false, false},
      {"no modem lines, no handshake reset", false, false, true, false},
      {"no modem lines, handshake resets", false, true, true, true},
  };
  for (const Case& c : cases) {
    SimOptions options;
    options.start = Personality::Display;
    options.display.clock = false;
    options.resetOnHandshake = c.resetOnHandshake;
    Rig rig(options, c.modemLines);
    rig.clock.SleepMs(1000);  // the demo has been drawn
    if (c.pulse) rig.port.PulseReset(0);
    rig.port.PurgeInput();
    rig.SendHandshake();
    const bool answered = rig.ReadBits(250, 100) == SequenceBits(250, 250);
    EXPECT_EQ(answered, c.answers) << c.name;
  }
}

int ReplyBitsBy(SimChip& chip, std::int64_t ms) {
  chip.OnTick(ms);
  int n = 0;
  for (const TimedByte& b : chip.TakeOutput(ms)) n += (b.byte == 0xFE || b.byte == 0xFF) ? 1 : 0;
  return n;
}

TEST(BootLoader, AnOpenOfThePortKeepsTheRomListening) {
  struct Case {
    int openWaitMs;
    bool reopen;  // a reset by a second open rather than the power-on
    int handshakeAtMs;
    bool answers;
  };
  const Case cases[] = {
      {0, false, 120, true},   {0, false, 260, false},     {1000, false, 260, true},
      {1000, true, 900, true}, {1000, false, 1100, false},
  };
  for (const Case& c : cases) {
    SimOptions options;
    options.boot.openWaitMs = c.openWaitMs;
    options.boot.eepromHoldsFirmware = true;
    options.display.clock = false;
    SimChip chip(options);
    chip.OnPortOpen(0);
    std::int64_t opened = 0;
    if (c.reopen) {
      opened = 5000;  // the demo has run since the first open's wait ran out
      chip.OnTick(opened);
      EXPECT_EQ(chip.running(), Personality::Display);
      chip.OnPortOpen(opened);
    }
    const std::int64_t at = opened + c.handshakeAtMs;
    chip.OnTick(at);
    chip.TakeOutput(at);
    const auto bytes = HandshakeBytes();
    chip.OnHostBytes(bytes.data(), bytes.size(), at);
    EXPECT_EQ(ReplyBitsBy(chip, at + 200), c.answers ? 258 : 0)
        << c.openWaitMs << " ms, handshake at " << c.handshakeAtMs;
  }
}

// Without modem lines the chip watches for a handshake: a 0xF9 is held until the chip knows, and
// what turns out to be none reaches the firmware as keys (the bits of a handshake start are no
// keys).
TEST(BootLoader, APossibleHandshakeStartIsPendingUntilTheChipKnows) {
  using Bytes = std::vector<std::uint8_t>;
  struct Case {
    Bytes bytes;
    std::string input;  // the firmware's input line after them; "-": the chip was reset
  };
  const Bytes handshake = HandshakeBytes();
  const Case cases[] = {
      {handshake, "-"},
      {{0xF9, 'a'},
       "\xF9"
       "a"},
      {{0xF9}, "\xF9"},  // alone: let go after a few byte times
      {{handshake[0], handshake[1], handshake[2], handshake[3], 'b'},
       "\xF9"
       "b"},
      {{'c', 0xF9, 0xF9, 'd'},
       "c\xF9\xF9"
       "d"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes.size());
    SimOptions options;
    options.start = Personality::Display;
    options.resetOnHandshake = true;
    options.display.clock = false;
    SimChip chip(options);
    chip.PowerOn(0);
    // Unanswered, the page's pixel tests run out before the bytes come.
    for (int t = 0; t <= 3000 && !chip.display().Idle(); t += 10) chip.OnTick(t);
    chip.TakeOutput(3000);
    ASSERT_TRUE(chip.display().Idle());
    EXPECT_FALSE(chip.HandshakeStartPending());
    const std::uint64_t resets = chip.resetCount();
    chip.OnHostBytes(c.bytes.data(), c.bytes.size(), 3000);
    EXPECT_TRUE(chip.HandshakeStartPending()) << "a 0xF9 not yet delivered";
    chip.OnTick(3100);
    EXPECT_FALSE(chip.HandshakeStartPending());
    const bool reset = c.input == "-";
    EXPECT_EQ(chip.resetCount() - resets, reset ? 1u : 0u);
    EXPECT_EQ(chip.running(), reset ? Personality::BootLoader : Personality::Display);
    if (!reset) {
      EXPECT_EQ(chip.display().inputLine(), c.input);
    }
  }
}

}  // namespace
}  // namespace tavolin::sim
