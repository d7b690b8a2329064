// The image upload against the simulated Propeller (sim/) as it powers on: wire timing at 115200,
// the ROM's own budgets, its checksum rule, what it runs and its EEPROM stages, behind an
// adapter's latency timer (the good loads without one are ImageUploadTest's).
#include <gtest/gtest.h>

#include "LoaderRig.h"
#include "loader/ImageUpload.h"
#include "sim/PropImage.h"
#include "sim/SimLink.h"

namespace tavolin {
namespace {

using loadertest::LoaderRig;

TEST(UploadToSimulatedChip, LoadsRunAndFaultsAreReported) {
  enum class Image { Good, OneBitChanged, WrongPbase };
  struct Case {
    const char* name;
    bool eeprom;
    Image image;
    int latencyMs;
    UploadOutcome outcome;
    std::string lastLine;
    bool runs;
  };
  const Case cases[] = {
      {"RAM behind a 16 ms latency timer", false, Image::Good, 16, UploadOutcome::Loaded,
       "..OK -> RUN", true},
      {"EEPROM behind a 16 ms latency timer", true, Image::Good, 16, UploadOutcome::Loaded,
       "..OK -> RUN", true},
      {"one bit changed", false, Image::OneBitChanged, 0, UploadOutcome::ProtocolError,
       "CheckSum Error", false},
      // The ROM accepts the sum but starts nothing: the loader cannot tell.
      {"pbase not 0x0010", false, Image::WrongPbase, 0, UploadOutcome::Loaded, "..OK -> RUN",
       false},
  };
  for (const Case& c : cases) {
    sim::LinkOptions link;
    link.latencyMs = c.latencyMs;
    LoaderRig rig(sim::SimOptions{}, true, link);
    rig.ui.hasWindow = false;
    std::vector<std::uint8_t> binary = sim::MakeBinaryImage(64, c.image != Image::WrongPbase);
    if (c.image == Image::OneBitChanged) binary[40] ^= 0x01;
    const std::vector<std::uint8_t> image = c.eeprom ? sim::MakeEepromImage(binary) : binary;
    const std::string path = rig.files.Write(c.eeprom ? "demo.eeprom" : "demo.binary", image);

    EXPECT_EQ(UploadImage(rig.app, path), c.outcome) << c.name;
    EXPECT_TRUE(rig.out.text.ends_with(c.lastLine + "\r\n")) << c.name << ": " << rig.out.text;
    const sim::BootRecord& record = rig.record();
    EXPECT_EQ(record.ran, c.runs) << c.name;
    if (c.runs) {
      EXPECT_EQ(record.command, c.eeprom ? 3u : 1u) << c.name;
      const sim::HubRam& ram = rig.chip.bootLoader().ram();
      EXPECT_TRUE(std::equal(binary.begin(), binary.end(), ram.begin())) << c.name;
    }
  }
}

}  // namespace
}  // namespace tavolin
