// The image upload against the simulated Propeller (sim/): wire timing at 115200, the ROM's own
// budgets, its checksum rule and EEPROM stages, with and without an adapter's latency timer.
#include <gtest/gtest.h>

#include "LoaderRig.h"
#include "loader/ImageUpload.h"
#include "sim/PropImage.h"
#include "sim/SimLink.h"

namespace tavolin {
namespace {

using loadertest::LoaderRig;

TEST(UploadToSimulatedChip, LoadsRunAndFaultsAreReported) {
  struct Case {
    const char* name;
    bool eeprom;
    sim::BootFault fault;
    int latencyMs;
    UploadOutcome outcome;
    std::string lastLine;
  };
  const Case cases[] = {
      {"RAM", false, sim::BootFault::None, 0, UploadOutcome::Loaded, "..OK -> RUN"},
      {"RAM behind a 16 ms latency timer", false, sim::BootFault::None, 16, UploadOutcome::Loaded,
       "..OK -> RUN"},
      {"EEPROM", true, sim::BootFault::None, 0, UploadOutcome::Loaded, "..OK -> RUN"},
      {"EEPROM behind a 16 ms latency timer", true, sim::BootFault::None, 16, UploadOutcome::Loaded,
       "..OK -> RUN"},
      {"bad checksum", false, sim::BootFault::BadChecksum, 0, UploadOutcome::ProtocolError,
       "CheckSum Error"},
  };
  for (const Case& c : cases) {
    LoaderRig rig(false);
    rig.ui.hasWindow = false;
    sim::SimOptions options;
    options.boot.fault = c.fault;
    sim::SimChip chip(options);
    sim::LinkOptions link;
    link.latencyMs = c.latencyMs;
    sim::SimLink simLink(chip, rig.device, rig.clock, link);
    const std::vector<std::uint8_t> binary = sim::MakeBinaryImage(64);
    const std::vector<std::uint8_t> image = c.eeprom ? sim::MakeEepromImage(binary) : binary;
    const std::string path = rig.files.Write(c.eeprom ? "demo.eeprom" : "demo.binary", image);

    EXPECT_EQ(UploadImage(rig.app, path), c.outcome) << c.name;
    const std::string& text = rig.out.text;
    const std::size_t at = text.rfind(c.lastLine);
    ASSERT_NE(at, std::string::npos) << c.name << ": " << text;
    EXPECT_LE(text.size() - at - c.lastLine.size(), 2u) << c.name << ": the last line";
    const sim::BootRecord& record = chip.bootLoader().record();
    if (c.outcome == UploadOutcome::Loaded) {
      EXPECT_TRUE(record.ran) << c.name;
      EXPECT_EQ(record.command, c.eeprom ? 3u : 1u) << c.name;
      const sim::HubRam& ram = chip.bootLoader().ram();
      EXPECT_TRUE(std::equal(binary.begin(), binary.end(), ram.begin())) << c.name;
    }
  }
}

}  // namespace
}  // namespace tavolin
