// The P2 load: which images go to the P2, the bytes of a load (the published test vector), and
// the whole upload against the simulated P2 ROM (sim/P2RomLoader.h) on the virtual clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "LoaderRig.h"
#include "loader/ImageUpload.h"
#include "loader/P2Loader.h"
#include "sim/DemoPages.h"
#include "sim/P2RomLoader.h"
#include "sim/PropImage.h"

namespace tavolin {
namespace {

using loadertest::LoaderRig;

const std::vector<std::uint8_t> kBlinker = sim::MakeP2Image(20);

TEST(P2LoadText, TheTestVectorGivesItsChecksumAndBase64) {
  EXPECT_EQ(P2Checksum(kBlinker), 0x89A0D824u);
  EXPECT_EQ(P2LoadText(kBlinker), "> Prop_Txt 0 0 0 0 +/cj9v37I/YlJoD/H4Bm/fD/n/0k2KCJ ?");
  // Three bytes short of a long: zero-padded before the sum, as the ROM adds them.
  const std::vector<std::uint8_t> odd = {1, 2, 3, 4, 5};
  EXPECT_EQ(P2Checksum(odd), 0x706F7250u - 0x04030201u - 0x05u);
}

TEST(P2LoadText, EveryRetuningMarkStandsBetweenBlanks) {
  const std::string text = P2LoadText(sim::MakeP2Image(1000));
  std::size_t marks = 0;
  for (std::size_t at = text.find('>', 1); at != std::string::npos; at = text.find('>', at + 1)) {
    ++marks;
    ASSERT_EQ(text.substr(at - 1, 3), " > ") << at;
  }
  EXPECT_EQ(marks, (1004 * 4 / 3) / p2::kRetuneEvery);
  for (std::uint8_t c : text) EXPECT_TRUE(c != 0x04 && c != 0x1B) << "monitor or TAQOZ key";
}

TEST(ImageChip, ThePathAndTheImageDecide) {
  std::vector<std::uint8_t> p1Header = {0x00, 0xB4, 0xC4, 0x04};  // clkfreq 80 MHz: 0x04C4B400
  p1Header.resize(64);
  std::vector<std::uint8_t> startsLikeP2 = p1Header;
  startsLikeP2[3] = 0xFD;
  struct Case {
    const char* name;
    std::vector<std::uint8_t> image;
    bool eeprom;
    ChipKind chip;
  };
  const Case cases[] = {
      {"a P1 .binary", sim::MakeBinaryImage(64), false, ChipKind::P1},
      {"the P2 blinker", kBlinker, false, ChipKind::P2},
      {"the P2 blinker in a .eeprom path", kBlinker, true, ChipKind::P1},
      {"P1-like header with a wrong sum stays P1", p1Header, false, ChipKind::P1},
      {"an unconditional first instruction", startsLikeP2, false, ChipKind::P2},
      {"an empty file", {}, false, ChipKind::P1},
      {"as long as the P1 buffer takes", std::vector<std::uint8_t>(32804, 0), false, ChipKind::P1},
      {"longer than any P1 image", std::vector<std::uint8_t>(32805, 0), false, ChipKind::P2},
  };
  for (const Case& c : cases) EXPECT_EQ(ImageChip(c.image, c.eeprom), c.chip) << c.name;
}

// A P2 behind COM 3, its ROM as rom says.
sim::SimOptions P2(const sim::P2RomOptions& rom = {}) {
  sim::SimOptions options;
  options.rom = options.start = sim::Personality::P2Rom;
  options.firmware = sim::Personality::Off;
  options.p2 = rom;
  return options;
}

TEST(P2Upload, OutcomesLinesAndRates) {
  sim::P2RomOptions lateStart;
  lateStart.startupMs = 300;  // the first questions go unheard
  sim::P2RomOptions slowParser;
  slowParser.parseNs = 6000;  // more than a byte's 5 us at 2 Mbaud: the 16-byte ring overruns
  sim::P2RomOptions refuses;
  refuses.badChecksum = true;
  sim::SimOptions p1 = loadertest::LoaderChipOptions();
  struct Case {
    const char* name;
    sim::SimOptions chip;
    bool attach;
    std::size_t imageBytes;
    int loadBaud;
    UploadOutcome outcome;
    std::string lines;  // after "Start Upload"
  };
  // The lines of a load that reached the ROM, with its last line.
  const auto wrote = [](int bytes, int baud, const char* last) {
    return "Propeller 2 Version = G\nWrite in P2 RAM Length=" + std::to_string(bytes) + " at " +
           std::to_string(baud) + " Baud\nVerify ..\n" + last + "\n";
  };
  const std::string loaded20 = wrote(20, 2000000, "..OK -> RUN");
  const std::string nothing = "No Propeller 2 answered: nothing loaded\n";
  const UploadOutcome ok = UploadOutcome::Loaded;
  const UploadOutcome refused = UploadOutcome::FileRefused;
  const Case cases[] = {
      {"20 bytes at 2 Mbaud", P2(), true, 20, 2000000, ok, loaded20},
      {"a ROM that starts late", P2(lateStart), true, 20, 2000000, ok, loaded20},
      {"100 KB at 921600", P2(), true, 100000, 921600, ok, wrote(100000, 921600, "..OK -> RUN")},
      {"a rate outside the ROM's range loads at 2 Mbaud", P2(), true, 20, 3000000, ok, loaded20},
      {"checksum refused", P2(refuses), true, 20, 2000000, UploadOutcome::ProtocolError,
       wrote(20, 2000000, "CheckSum Error")},
      {"a ROM that cannot keep up", P2(slowParser), true, 2000, 2000000,
       UploadOutcome::ProtocolError, wrote(2000, 2000000, "CheckSum Error")},
      {"a P1 answers nothing", p1, true, 20, 2000000, UploadOutcome::HandshakeFailed, nothing},
      {"no chip", P2(), false, 20, 2000000, UploadOutcome::HandshakeFailed, nothing},
      {"500 KB do not fit the serial window at 115200", P2(), true, 500000, 115200, refused,
       "Too long for the ROM's 60 s serial window at 115200 Baud: 61 s\n"},
      {"more than the hub holds", P2(), true, 524289, 2000000, refused,
       "Image too long: more than 524288 bytes\n"},
  };
  for (const Case& c : cases) {
    LoaderRig rig(c.chip, c.attach);
    rig.ui.hasWindow = false;
    rig.app.settings.P2LoadBaud = c.loadBaud;
    const std::vector<std::uint8_t> image = sim::MakeP2Image(c.imageBytes);
    const std::string path = rig.files.Write("p2.binary", image);

    EXPECT_EQ(UploadImage(rig.app, path), c.outcome) << c.name;
    std::string text = rig.out.text;
    std::replace(text.begin(), text.end(), '\r', '\n');
    text.erase(std::unique(text.begin(), text.end(),
                           [](char a, char b) { return a == '\n' && b == '\n'; }),
               text.end());
    EXPECT_EQ(text, "Start Upload\n" + c.lines) << c.name;
    EXPECT_EQ(rig.device.bitsPerSecond, 115200) << c.name << ": back at the terminal's rate";
    EXPECT_EQ(rig.device.stopBits, StopBits::Two) << c.name;
    for (std::uint8_t b : rig.device.written) {
      ASSERT_TRUE(b != 0x04 && b != 0x1B) << c.name << ": a key that leaves the ROM's loader";
    }
    const sim::P2RomRecord& record = rig.chip.p2Rom().record();
    if (c.outcome == UploadOutcome::Loaded) {
      EXPECT_TRUE(record.ran) << c.name;
      ASSERT_GE(record.hub.size(), image.size()) << c.name;
      EXPECT_TRUE(std::equal(image.begin(), image.end(), record.hub.begin())) << c.name;
    } else {
      EXPECT_FALSE(record.ran) << c.name;
    }
  }
}

// A program that prints at once, at the load's own rate and frame: the terminal gets its first
// bytes, which a purge after the load would drop.
TEST(P2Upload, AProgramsFirstOutputAtTheLoadRateReachesTheTerminal) {
  sim::SimOptions chip = P2();
  chip.firmware = sim::Personality::Display;
  chip.display.startupMs = 0;
  LoaderRig rig(chip);
  rig.app.port.SetRate(RateSetting{2000000, StopBits::One});
  rig.app.settings.P2LoadBaud = 2000000;
  const std::string path = rig.files.Write("p2.binary", kBlinker);
  ASSERT_EQ(UploadImage(rig.app, path), UploadOutcome::Loaded);

  const std::vector<std::uint8_t> page = sim::DemoPage();
  std::vector<std::uint8_t> shown;
  for (int ms = 0; ms < 100 && shown.size() < page.size(); ++ms) {
    rig.app.port.FillReceive();
    while (!rig.app.port.ReceiveExhausted()) shown.push_back(rig.app.port.TakeReceived());
    rig.clock.SleepMs(1);
  }
  ASSERT_GE(shown.size(), page.size());
  EXPECT_TRUE(std::equal(page.begin(), page.end(), shown.begin())) << "the page from its start";
}

// A failed load leaves the ROM's scanner listening; the loader resets the chip so that a key
// typed afterwards cannot start the monitor.
TEST(P2Upload, AFailedLoadResetsTheChip) {
  sim::P2RomOptions refuses;
  refuses.badChecksum = true;
  LoaderRig rig(P2(refuses));
  const std::string path = rig.files.Write("p2.binary", kBlinker);
  const int before = rig.resets();
  EXPECT_EQ(UploadImage(rig.app, path), UploadOutcome::ProtocolError);
  EXPECT_EQ(rig.resets() - before, 3) << "before reading, before asking, after the refusal";
}

}  // namespace
}  // namespace tavolin
