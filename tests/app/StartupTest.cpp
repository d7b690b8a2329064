// The windowed start-up against the fakes and the simulated chip: settings and "-A", the port
// scan for ComNr 0, the connection and the Autoload image.
#include <gtest/gtest.h>

#include "app/MenuIds.h"
#include "sim/PropImage.h"
#include "sim/SimLink.h"
#include "tests/app/AppRig.h"

namespace tavolin {
namespace {

using testing::AppRig;
using testing::TempDir;
using Boxes = std::vector<fake::MessageRecord>;

// A simulated chip behind the fake device at port n.
struct PluggedChip {
  sim::SimChip chip;
  sim::SimLink link;
  PluggedChip(AppRig& rig, int n)
      : chip(sim::SimOptions{}), link(chip, rig.serial.Plug(n), rig.clock) {}
};

TEST(Startup, WithoutASettingsFileEverythingKeepsItsStartupValue) {
  AppRig rig;
  rig.app.settings = Settings{};  // as the program starts: the rig has opened its terminal once
  TempDir dir;
  ReadStartupSettings(rig.app, {dir.File("none.ini"), "", ""});
  OpenTerminal(rig.app);
  EXPECT_EQ(rig.ui.contentWidth, 640);
  EXPECT_EQ(rig.ui.contentHeight, 446);
  EXPECT_EQ(rig.app.screen.screenImage.height, 446);
  ConnectAtStartup(rig.app);
  EXPECT_EQ(rig.serial.openAttempts, std::vector<int>{6});
  EXPECT_EQ(rig.ui.messages, (Boxes{{"Error", "COM port not found"}}));
  // Rate index 0 with nothing applied yet checks no Baudrate entry; nothing is greyed.
  for (int id = 1; id <= menu::kTypedBaud; ++id) {
    const bool marked =
        id == menu::kAutoMode || id == menu::kTextCursor || id == menu::kNormalTerminalMode;
    EXPECT_EQ(rig.ui.IsMenuChecked(id), marked) << id;
  }
  for (const auto& [id, on] : rig.ui.enabled) EXPECT_TRUE(on) << id;
}

TEST(Startup, EmptyFirstParameterReadsTheDefaultFile) {
  AppRig rig;
  ReadStartupSettings(rig.app, {"", "", ""});
  EXPECT_EQ(rig.app.FirstParameter, "Tavolin2.ini");
}

// ComNr 0 scans the ports for a chip; without one it stays 0 and the box says so.
TEST(Startup, ThePortScanFindsTheOnePortWithAChip) {
  for (bool chipThere : {true, false}) {
    AppRig rig;
    TempDir dir;
    rig.serial.Plug(2);  // a port with nothing behind it
    std::unique_ptr<PluggedChip> chip;
    if (chipThere) chip = std::make_unique<PluggedChip>(rig, 5);
    ReadStartupSettings(rig.app, {dir.Write("s.ini", "[Config]\r\nComNr=0\r\n"), "", ""});
    EXPECT_EQ(rig.app.settings.ComNr, 0);
    ConnectAtStartup(rig.app);
    EXPECT_EQ(rig.app.settings.ComNr, chipThere ? 5 : 0);
    EXPECT_EQ(rig.app.port.IsOpen(), chipThere);
    EXPECT_EQ(rig.ui.IsMenuChecked(menu::kComEnabled), chipThere);
    EXPECT_EQ(std::vector(rig.serial.openAttempts.begin(), rig.serial.openAttempts.begin() + 5),
              (std::vector<int>{1, 2, 3, 4, 5}));
    if (chipThere) {
      EXPECT_TRUE(rig.ui.messages.empty());
      EXPECT_TRUE(chip->chip.bootLoader().record().handshakeOk);
    } else {
      EXPECT_EQ(rig.ui.messages, (Boxes{{"Error", "COM port not found"}}));
      EXPECT_EQ(rig.serial.openAttempts.size(), 64u) << "63 probes and the connection";
    }
  }
}

TEST(Startup, TheCommandLineImageWinsOverTheFileAndIsUploaded) {
  AppRig rig;
  TempDir dir;
  PluggedChip chip(rig, 4);
  const std::string image = dir.File("demo.binary");
  ASSERT_TRUE(sim::SaveImage(image, sim::MakeBinaryImage()));
  const std::string ini = dir.Write("s.ini", "[Config]\r\nComNr=4\r\nBaudRate=0\r\nAutoload=" +
                                                 dir.File("other.binary") + "\r\n");
  ReadStartupSettings(rig.app, {ini, "-A", image});
  EXPECT_EQ(rig.app.settings.Autoload, image);
  OpenTerminal(rig.app);
  ConnectAtStartup(rig.app);
  EXPECT_TRUE(chip.chip.bootLoader().record().ran);
  EXPECT_NE(rig.app.screen.textMirror.find("..OK -> RUN"), std::string::npos)
      << rig.app.screen.textMirror;
}

TEST(Startup, AutoloadIsNotAttemptedWhenThePortFails) {
  AppRig rig;
  TempDir dir;
  ReadStartupSettings(rig.app, {dir.Write("s.ini", "[Config]\r\nComNr=9\r\n"), "-A", "x.binary"});
  OpenTerminal(rig.app);
  ConnectAtStartup(rig.app);
  EXPECT_EQ(rig.app.screen.textMirror.find("Start Upload"), std::string::npos);
  EXPECT_EQ(rig.ui.messages.size(), 1u);
}

// The whole windowed program over the fakes: the window opened at the settings' size, the timer
// running while the cycles run, and a close request during an upload honoured after it.
TEST(RunWindowed, RunsTheCyclesUntilACloseRequestThenStopsTheTimerAndClosesThePort) {
  fake::FakePlatform fakes;
  AppState app(fakes.platform);
  TempDir dir;
  fakes.serial.Plug(6);  // the start-up port
  fakes.ui.openAnswers.push_back({dir.File("missing.binary"), 0});
  fakes.ui.events = {{Event::Kind::MenuCommand, menu::kUploadFile},
                     {Event::Kind::CloseRequest, 0},
                     {Event::Kind::MenuCommand, menu::kAbout}};  // never reached
  EXPECT_EQ(RunWindowed(app, {dir.Write("s.ini", "[Config]\r\nCols=40\r\n"), "", ""}), 0);
  EXPECT_EQ(fakes.ui.openCount, 1);
  EXPECT_EQ(fakes.ui.contentWidth, 320);
  EXPECT_EQ(app.QuitRequested, 1);
  EXPECT_NE(fakes.ui.lastPicture.pixels.size(), 0u);
  EXPECT_EQ(fakes.ui.overlayCount, 0);
  EXPECT_EQ(fakes.ui.events.size(), 1u);
  EXPECT_FALSE(fakes.ui.timerRunning);
  EXPECT_FALSE(app.port.IsOpen());
  EXPECT_EQ(app.output, nullptr);
}

}  // namespace
}  // namespace tavolin
