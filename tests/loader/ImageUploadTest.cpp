// The image upload and the "&Upload File" command: what reaches the chip and the terminal for
// good and failed uploads, the load mode taken from the path, the image buffer's limits, the
// dialog's decision table with the rate switch, and the paced text send.  Against the simulated
// Propeller as it powers on: wire timing at 115200, the ROM's own budgets, its checksum rule, what
// it runs and its EEPROM stages, behind an adapter's latency timer.
#include <gtest/gtest.h>

#include <utility>

#include "LoaderRig.h"
#include "accessories/UploadBanner.h"
#include "loader/ImageUpload.h"
#include "sim/PropImage.h"
#include "sim/SimLink.h"

namespace tavolin {
namespace {

using loadertest::BytesOf;
using loadertest::Checked;
using loadertest::LoaderRig;
using Bytes = std::vector<std::uint8_t>;

std::vector<std::uint32_t> Counting(std::size_t n) {
  std::vector<std::uint32_t> longs;
  for (std::size_t i = 0; i < n; ++i)
    longs.push_back(0x11111111u * static_cast<std::uint32_t>(i % 15 + 1));
  return longs;
}

TEST(UploadImage, ModeComesFromTheCaseSensitivePath) {
  struct Case {
    const char* name;
    bool eeprom;
  };
  const Case cases[] = {
      {"x.binary", false}, {"x.eeprom", true},  {"x.eeprom.binary", true},
      {"X.EEPROM", false}, {"x.Eeprom", false}, {"old.eeprom-copy.bin", true},
  };
  for (const Case& c : cases) {
    LoaderRig rig;
    rig.ui.hasWindow = false;
    rig.boot().programBusyMs = 0;
    rig.boot().verifyBusyMs = 0;
    const Bytes image = Checked(BytesOf(Counting(4)));
    const std::string path = rig.files.Write(c.name, image);
    EXPECT_EQ(UploadImage(rig.app, path), UploadOutcome::Loaded) << c.name;
    EXPECT_EQ(rig.record().command.value_or(0), c.eeprom ? 3u : 1u) << c.name;
    EXPECT_EQ(rig.record().longCount.value_or(0), c.eeprom ? 8192u : 4u) << c.name;
    EXPECT_TRUE(rig.RamHolds(image)) << c.name;
    // Every stage on a line of its own, after the banner of an EEPROM image.
    const std::string banner = std::string(kBannerMadeBy) + "\n" + std::string(kBannerCustomized) +
                               "\n" + std::string(kBannerCommercial) + "\n";
    EXPECT_EQ(rig.out.text,
              (c.eeprom ? banner : "") + "Start Upload\r\nPropeller Version = 1\r\n" +
                  (c.eeprom ? "Write in EEPROM Lenght=32768" : "Write in RAM Lenght=16") +
                  "\r\nVerify ..\r\n..OK -> RUN\r\n")
        << c.name;
    EXPECT_EQ(rig.out.clears, 1);
    EXPECT_EQ(rig.resets(), 2);
    EXPECT_GE(rig.device.purges, 3) << "two resets and the final purge";
  }
}

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

TEST(ShowUploadBanner, LogoOnlyWithAWindowAndAlwaysTwoSeconds) {
  constexpr Pixel kLogoInk = 0xFF123456u;
  constexpr Pixel kBlack = 0xFF000000u;
  struct Case {
    bool window;
    int screenW, screenH;
  };
  for (const Case c : {Case{true, 640, 446}, Case{true, 100, 40}, Case{false, 640, 446}}) {
    LoaderRig rig(false);
    rig.ui.hasWindow = c.window;
    rig.app.logo = Image(210, 85, kLogoInk);
    rig.app.screen.screenImage = ScreenImage(c.screenW, c.screenH);
    ShowUploadBanner(rig.app, rig.app.output);
    const ScreenImage& screen = rig.app.screen.screenImage;
    EXPECT_EQ(screen.At(0, 0), c.window ? kLogoInk : kBlack);
    EXPECT_EQ(screen.At(c.screenW - 1, c.screenH - 1),
              c.window && c.screenW <= 210 && c.screenH <= 85 ? kLogoInk : kBlack);
    if (c.screenW > 210) {
      EXPECT_EQ(screen.At(209, 84), c.window ? kLogoInk : kBlack);
      EXPECT_EQ(screen.At(210, 0), kBlack);
      EXPECT_EQ(screen.At(0, 85), kBlack);
    }
    // With a window the text goes on below the logo, on row 5.
    EXPECT_EQ(rig.out.text.starts_with("\x0B\x05"), c.window);
    EXPECT_EQ(rig.out.text.find("Made by") != std::string::npos, !c.window);
    EXPECT_EQ(rig.clock.slept(), 2000);
  }
}

TEST(UploadImage, SixByteFileGivesTwoLongsAndEightBytes) {
  LoaderRig rig;
  const Bytes six = Checked(Bytes{1, 2, 3, 4, 5, 6});
  const std::string path = rig.files.Write("six.binary", six);
  EXPECT_EQ(UploadImage(rig.app, path), UploadOutcome::Loaded);
  EXPECT_TRUE(rig.RamHolds(six));
  EXPECT_EQ(rig.out.lines.at(1), "Write in RAM Lenght=8");
}

TEST(UploadImage, EepromImageNeverCarriesTheTailOfAnEarlierOne) {
  LoaderRig rig;
  rig.ui.hasWindow = false;
  const Bytes shortImage = Checked(BytesOf({0xAABBCCDDu, 0x01020304u}));
  const std::string longer = rig.files.Write("long.binary", Checked(BytesOf(Counting(300))));
  const std::string shorter = rig.files.Write("short.eeprom", shortImage);
  ASSERT_EQ(UploadImage(rig.app, longer), UploadOutcome::Loaded);
  ASSERT_EQ(UploadImage(rig.app, shorter), UploadOutcome::Loaded);
  EXPECT_EQ(rig.record().longCount.value_or(0), 8192u);
  EXPECT_TRUE(rig.RamHolds(shortImage)) << "zeros behind the two longs";
}

// A longer .binary is a P2 program (P2LoaderTest); an EEPROM image is always for the P1.
TEST(UploadImage, FileLongerThanTheBufferIsRefusedBeforeAnythingIsSent) {
  struct Case {
    std::size_t bytes;
    const char* name;
    UploadOutcome outcome;
  };
  const Case cases[] = {{8201 * 4, "big.binary", UploadOutcome::Loaded},
                        {8201 * 4 + 1, "big.eeprom", UploadOutcome::FileRefused}};
  for (const Case& c : cases) {
    LoaderRig rig;
    const std::string path = rig.files.Write(c.name, Checked(Bytes(c.bytes, 0x11)));
    EXPECT_EQ(UploadImage(rig.app, path), c.outcome) << c.bytes;
    if (c.outcome == UploadOutcome::FileRefused) {
      EXPECT_NE(rig.out.text.find("Start Upload\r\nImage too long: more than 32804 bytes\r\n"),
                std::string::npos);
      EXPECT_TRUE(rig.device.written.empty());
      EXPECT_EQ(rig.resets(), 1);
    } else {
      EXPECT_EQ(rig.record().longCount.value_or(0), 8201u);
    }
  }
}

TEST(UploadImage, FailuresBeforeTheLoad) {
  {  // port closed: the box, no reset, nothing printed
    LoaderRig rig;
    rig.app.port.Close();
    EXPECT_EQ(UploadImage(rig.app, rig.files.Write("a.binary", Bytes{1})), UploadOutcome::NoPort);
    EXPECT_EQ(rig.ui.messages,
              (std::vector<fake::MessageRecord>{{"No COM", "wrong number or not activated"}}));
    EXPECT_TRUE(rig.out.text.empty());
    EXPECT_EQ(rig.resets(), 0);
  }
  {  // missing file: one reset, two lines, nothing sent, input purged
    LoaderRig rig;
    rig.app.NormalTerminalMode = 0;
    rig.out.normalTerminalMode = false;
    EXPECT_EQ(UploadImage(rig.app, rig.files.File("none.binary")), UploadOutcome::NoFile);
    EXPECT_EQ(rig.out.text, "Start Upload\rNo such file\r");
    EXPECT_EQ(rig.resets(), 1);
    EXPECT_TRUE(rig.device.written.empty());
    EXPECT_EQ(rig.device.purges, 2);
  }
  {  // a folder is no image either
    LoaderRig rig;
    EXPECT_EQ(UploadImage(rig.app, rig.files.Folder()), UploadOutcome::NoFile);
  }
}

TEST(UploadImage, FailedHandshakeAbortsWithTheStopCommand) {
  for (bool chipThere : {false, true}) {
    LoaderRig rig(chipThere);
    rig.boot().fault = sim::BootFault::WrongReplyBit;
    rig.boot().faultBit = 100;
    EXPECT_EQ(UploadImage(rig.app, rig.files.Write("a.binary", Bytes{1, 2, 3, 4})),
              UploadOutcome::HandshakeFailed);
    const std::string& t = rig.out.text;
    ASSERT_GE(t.size(), 19u);
    EXPECT_EQ(t.substr(t.size() - 19), "Code Error -> Abort");
    const Bytes& w = rig.device.written;
    ASSERT_EQ(w.size(), 509u + 11u);
    EXPECT_EQ(Bytes(w.end() - 11, w.end()),
              (Bytes{0x92, 0x92, 0x92, 0x92, 0x92, 0x92, 0x92, 0x92, 0x92, 0x92, 0xF2}));
    EXPECT_EQ(rig.out.text.find("Propeller Version"), std::string::npos);
  }
}

TEST(UploadFileCommand, DialogTypeDecidesWhatHappens) {
  struct Case {
    int type;
    int rememberedAfter;
    bool imageLoaded;
    bool prepared;
    Bytes sent;  // raw bytes for the text and monitor types
  };
  const Case cases[] = {
      {-1, 3, false, false, {}},  // cancelled
      {0, 0, true, false, {}},
      {1, 0, true, false, {}},
      {2, 2, false, false, {'h', 'i', '\r'}},
      {3, 3, false, false,
       Bytes{'E', '8', '0', ':', '6', '8', ' ', '6', '9', '\r', '\n', '0', '+', 'E', '8', '0'}},
      {4, 4, false, true, {}},
  };
  for (const Case& c : cases) {
    LoaderRig rig;
    rig.app.settings.BinPath = "/old/";
    rig.app.RememberedFileType = 3;
    const std::string path = rig.files.Write("f.binary", "hi");
    rig.ui.openAnswers.push_back({c.type < 0 ? "" : path, std::max(c.type, 0)});
    UploadFileCommand(rig.app);
    const FileDialogRequest asked{"Load Binary", "/old/\\*.binary",
                                  "Propeller(.binary)|*.binary|Propeller(.eeprom)|*.eeprom|"
                                  "Text(.txt)|*.txt|OBJ file(.obj)|*.obj|Prepare|*.bin;*.??a",
                                  3};
    EXPECT_EQ(rig.ui.openRequests, std::vector{asked});
    EXPECT_EQ(rig.app.RememberedFileType, c.rememberedAfter) << c.type;
    EXPECT_EQ(rig.record().command == 1u, c.imageLoaded) << c.type;
    // The folder as the dialog gave it, with its own separator ("\\" on Windows).
    const std::string folder = path.substr(0, path.size() - std::string("f.binary").size());
    EXPECT_EQ(rig.app.settings.BinPath, c.imageLoaded ? folder : "/old/") << c.type;
    EXPECT_EQ(rig.app.PreparedFile, c.prepared ? path : "") << c.type;
    EXPECT_EQ(rig.resets(), c.imageLoaded ? 2 : 0) << c.type;
    if (!c.imageLoaded) {
      EXPECT_EQ(rig.device.written, c.sent) << c.type;
    }
  }
}

TEST(UploadFileCommand, ImageGoesAt115200AndTheRateIsRestored) {
  for (const auto& [baudRate, after] : {std::pair{1, 57600}, {0, 115200}, {4, 9600}}) {
    LoaderRig rig;
    rig.app.settings.BaudRate = baudRate;
    rig.app.port.SetRate(baudRate);
    rig.ui.openAnswers.push_back({rig.files.Write("a.binary", Bytes{1, 2, 3, 4}), 0});
    UploadFileCommand(rig.app);
    ASSERT_FALSE(rig.rates->ratesSeen.empty());
    for (int rate : rig.rates->ratesSeen) EXPECT_EQ(rate, 115200) << baudRate;
    EXPECT_EQ(rig.device.bitsPerSecond, after) << baudRate;
  }
}

// Every line end style sends CR, byte by byte; the window is kept alive at each line end.
TEST(SendTextFile, LinesEndInCrWhateverTheirStyle) {
  struct Case {
    const char* text;  // nullptr: no such file
    Bytes sent;
    int pumps;
  };
  const Bytes abc = {0x61, 0x62, 0x0D, 0x63, 0x0D};
  // At both line ends, and once more when the line's 100 ms pause has made one due.
  const Case cases[] = {
      {"ab\rc", abc, 3},       {"ab\nc", abc, 3},           {"ab\r\nc", abc, 3},
      {"ab\r\nc\r\n", abc, 3}, {"ab\nc\n", abc, 3},         {"", {}, 0},
      {nullptr, {}, 0},        {"\n\r\n", {0x0D, 0x0D}, 2}, {"x", {'x', 0x0D}, 1}};
  for (const Case& c : cases) {
    LoaderRig rig(false);
    rig.app.RememberedFileType = 2;
    const std::string path = c.text ? rig.files.Write("t.txt", c.text) : rig.files.File("no.txt");
    SendTextFile(rig.app, path);
    EXPECT_EQ(rig.device.written, c.sent) << c.text;
    EXPECT_EQ(rig.device.writeSizes, std::vector<std::size_t>(c.sent.size(), 1)) << c.text;
    EXPECT_EQ(rig.ui.pumpCount, c.pumps) << c.text;
  }
}

TEST(SendTextFile, PacedPerCharacterOnlyWhenTheRememberedTypeIsObj) {
  struct Case {
    int remembered;
    int txtCurs;
    std::int64_t ms;
  };
  const Case cases[] = {{3, 1, 3 + 2 * 100}, {2, 1, 2 * 100}, {3, 0, 3 + 2 * 10}, {0, 0, 2 * 10}};
  for (const Case& c : cases) {
    LoaderRig rig(false);
    rig.app.RememberedFileType = c.remembered;
    rig.app.settings.TxtCurs = c.txtCurs;
    SendTextFile(rig.app, rig.files.Write("t.txt", "ab\nc\n"));
    EXPECT_EQ(rig.clock.slept(), c.ms) << c.remembered << " " << c.txtCurs;
  }
}

}  // namespace
}  // namespace tavolin
