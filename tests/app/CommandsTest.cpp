// The menu commands against the fakes: the baud menu, "&Load Settings",
// "&Com-Port", Com Enabled with the Propeller Tool window, the export commands and the about
// screen.
#include <gtest/gtest.h>

#include "app/Commands.h"
#include "app/MenuIds.h"
#include "tests/app/AppRig.h"

namespace tavolin {
namespace {

using testing::AppRig;
using testing::TempDir;
using Boxes = std::vector<fake::MessageRecord>;

TEST(BaudMenu, AnIndexWithoutEntryChecksNothingButStillSetsTheRate) {
  AppRig rig;
  fake::FakeSerialDevice& device = rig.PlugAndConnect(3);
  rig.app.settings.BaudRate = 9;
  SyncBaudMenu(rig.app);
  for (int id = menu::kBaudFirst; id <= menu::kBaudLast; ++id)
    EXPECT_FALSE(rig.ui.IsMenuChecked(id));
  EXPECT_EQ(device.bitsPerSecond, 115200);
  EXPECT_EQ(device.stopBits, StopBits::One);
  EXPECT_EQ(rig.app.LastBaudIndex, 9);
  DispatchCommand(rig.app, menu::kBaudFirst + 4);
  device.bitsPerSecond = 0;  // a second SetRate would show here
  DispatchCommand(rig.app, menu::kBaudFirst + 4);
  EXPECT_EQ(device.bitsPerSecond, 0) << "the same rate chosen again changes nothing";
}

// The rates beyond the index: each is held in TermBaud with BaudRate 0, checks its own entry and
// sets the port; a typed rate that the index has goes back to the index; Normal-Terminal Mode
// off brings 115200 back.
TEST(BaudMenu, FastAndTypedRatesLiveBesideTheIndex) {
  AppRig rig;
  fake::FakeSerialDevice& device = rig.PlugAndConnect(3);
  DispatchCommand(rig.app, menu::kBaudFirst + 2);
  DispatchCommand(rig.app, menu::kFastBaudFirst + 2);
  EXPECT_EQ(rig.app.settings.TermBaud, 921600);
  EXPECT_EQ(rig.app.settings.BaudRate, 0);
  EXPECT_EQ(device.bitsPerSecond, 921600);
  EXPECT_EQ(device.stopBits, StopBits::One);
  EXPECT_TRUE(rig.ui.IsMenuChecked(menu::kFastBaudFirst + 2));
  EXPECT_FALSE(rig.ui.IsMenuChecked(menu::kBaudFirst + 2));
  EXPECT_FALSE(rig.ui.IsMenuChecked(menu::kBaudFirst)) << "BaudRate 0, yet 115200 is not the rate";

  struct Typed {
    const char* answer;
    int rate;
    int baudRate;
    int termBaud;
    int checkedId;
  };
  const Typed typed[] = {
      {"250000", 250000, 0, 250000, menu::kTypedBaud},
      {"57600", 57600, 1, 0, menu::kBaudFirst + 1},
      {"2000000", 2000000, 0, 2000000, menu::kFastBaudFirst + 3},
      {"", 2000000, 0, 2000000, menu::kFastBaudFirst + 3},     // cancelled
      {"0", 2000000, 0, 2000000, menu::kFastBaudFirst + 3},    // not a rate
      {"abc", 2000000, 0, 2000000, menu::kFastBaudFirst + 3},  // not a number
  };
  for (const Typed& t : typed) {
    rig.ui.baudRateAnswers.push_back(t.answer);
    DispatchCommand(rig.app, menu::kTypedBaud);
    EXPECT_EQ(device.bitsPerSecond, t.rate) << t.answer;
    EXPECT_EQ(rig.app.settings.BaudRate, t.baudRate) << t.answer;
    EXPECT_EQ(rig.app.settings.TermBaud, t.termBaud) << t.answer;
    EXPECT_TRUE(rig.ui.IsMenuChecked(t.checkedId)) << t.answer;
  }
  EXPECT_EQ(rig.ui.baudRatePrefills.front(), 921600);

  DispatchCommand(rig.app, menu::kNormalTerminalMode);
  EXPECT_EQ(device.bitsPerSecond, 115200);
  EXPECT_EQ(rig.app.settings.TermBaud, 0);
  EXPECT_TRUE(rig.ui.IsMenuChecked(menu::kBaudFirst));
  EXPECT_FALSE(rig.ui.enabled.at(menu::kFastBaudFirst));
  EXPECT_FALSE(rig.ui.enabled.at(menu::kTypedBaud));
}

TEST(ContentSize, RoundedOnceWithTheMenuLineIncluded) {
  struct Case {
    std::int32_t cols;
    std::int32_t rows;
    float scale;
    int width;
    int height;
  };
  const Case cases[] = {{80, 25, 1.0f, 640, 446},  {80, 25, 1.01f, 646, 450},
                        {80, 25, 1.5f, 960, 658},  // 658.5 to even, not 638 + 21
                        {80, 25, 2.0f, 1280, 871}, {80, 5, 1.0f, 640, 106},
                        {81, 3, 1.5f, 972, 98}};  // 3 x 17 x 1.5 + 21 = 97.5, to even
  for (const Case& c : cases) {
    Settings s;
    s.Cols = c.cols;
    s.Rows = c.rows;
    s.WindowScale = c.scale;
    EXPECT_EQ(ContentWidth(s), c.width) << c.cols << "x" << c.rows << " at " << c.scale;
    EXPECT_EQ(ContentHeight(s), c.height) << c.cols << "x" << c.rows << " at " << c.scale;
  }
}

TEST(LoadSettings, KeepsThePortNumberWhenTheFileHasNoneAndResizesTheWindow) {
  AppRig rig;
  TempDir dir;
  rig.app.settings.ComNr = 4;
  const std::string path = dir.Write("t.ini", "[Config]\r\nComNr=0\r\nRows=30\r\nCols=100\r\n");
  rig.ui.openAnswers.push_back({path, 0});
  DispatchCommand(rig.app, menu::kLoadSettings);
  EXPECT_EQ(rig.ui.openRequests,
            (std::vector<FileDialogRequest>{{"Load Settings", "*.ini", "Tavolin(.ini)|*.ini", 0}}));
  EXPECT_EQ(rig.app.settings.ComNr, 4);
  EXPECT_EQ(rig.ui.contentWidth, 800);
  EXPECT_EQ(rig.ui.contentHeight, 30 * 17 + 21);
  EXPECT_EQ(rig.app.screen.screenImage.width, 800);
  EXPECT_EQ(rig.app.screen.screenImage.height, 510);
  EXPECT_FALSE(rig.app.port.IsOpen()) << "Load Settings must not reopen the port";
}

TEST(ComPortDialog, OnlyANumberOfOneOrMoreReopens) {
  struct Case {
    const char* answer;
    int comNr;
    bool reopened;  // closed and connected again (the connection clears the screen)
  };
  const Case cases[] = {{"", 3, false},    {"0", 3, false}, {"-2", 3, false},
                        {"abc", 3, false}, {"3", 3, true},  {"7", 7, true}};
  for (const Case& c : cases) {
    AppRig rig;
    rig.PlugAndConnect(3);
    rig.app.screen.textMirror = "kept";
    rig.ui.comPortAnswers.push_back(c.answer);
    DispatchCommand(rig.app, menu::kComPort);
    EXPECT_EQ(rig.ui.comPortPrefills, std::vector<int>{3}) << c.answer;
    EXPECT_EQ(rig.app.settings.ComNr, c.comNr) << c.answer;
    EXPECT_EQ(rig.app.screen.textMirror.empty(), c.reopened && c.comNr == 3) << c.answer;
    if (c.comNr == 7) {
      EXPECT_EQ(rig.ui.messages, (Boxes{{"Error", "COM port not found"}}));
      EXPECT_FALSE(rig.ui.IsMenuChecked(menu::kComEnabled));
      EXPECT_FALSE(rig.app.port.IsOpen());
    } else {
      EXPECT_TRUE(rig.app.port.IsOpen()) << c.answer;
    }
  }
}

// The box adds the system's reason on a line of its own (without one it is the bare text, as the
// Com-Port test shows).
TEST(Connect, OpensAndClearsOrShowsTheBoxAndKeepsComEnabledWithItsMark) {
  for (const bool plugged : {true, false}) {
    AppRig rig;
    if (plugged) rig.serial.Plug(3);
    rig.serial.failureReason = "the port is in use by another program";
    rig.app.settings.ComNr = 3;
    rig.app.settings.BaudRate = 1;
    rig.app.screen.textMirror = "x";
    Connect(rig.app);
    EXPECT_EQ(rig.app.port.IsOpen(), plugged);
    EXPECT_EQ(rig.app.ComEnabled, plugged ? 1 : 0);
    EXPECT_EQ(rig.ui.IsMenuChecked(menu::kComEnabled), plugged);
    EXPECT_EQ(rig.app.screen.textMirror.empty(), plugged) << "cleared only when it opened";
    if (plugged) {
      EXPECT_EQ(rig.serial.Device(3)->bitsPerSecond, 57600);
      EXPECT_TRUE(rig.ui.messages.empty());
      rig.app.screen.textMirror = "y";
      Connect(rig.app);  // already open: nothing but the mark
      EXPECT_EQ(rig.app.screen.textMirror, "y");
    } else {
      EXPECT_EQ(rig.ui.messages,
                (Boxes{{"Error", "COM port not found\nthe port is in use by another program"}}));
    }
  }
}

TEST(ComEnabled, ReleasingThePortRaisesThePropellerToolAndPauseTwiceReconnects) {
  AppRig rig;
  rig.ui.SetMenuChecked(menu::kComEnabled, true);
  DispatchCommand(rig.app, menu::kComEnabled);
  EXPECT_TRUE(rig.desktop.raised.empty()) << "unchecking a closed port does nothing else";
  rig.PlugAndConnect(3);
  rig.app.screen.textMirror = "x";
  DispatchCommand(rig.app, menu::kComEnabled);
  EXPECT_FALSE(rig.app.port.IsOpen());
  EXPECT_FALSE(rig.ui.IsMenuChecked(menu::kComEnabled));
  EXPECT_EQ(rig.desktop.raised, std::vector<std::string>{"Propeller Tool"});
  DispatchCommand(rig.app, menu::kComEnabled);
  EXPECT_TRUE(rig.app.port.IsOpen());
  EXPECT_TRUE(rig.ui.IsMenuChecked(menu::kComEnabled));
  EXPECT_EQ(rig.app.screen.textMirror, "") << "the reconnection clears the screen";
  DispatchCommand(rig.app, menu::kComEnabled);
  DispatchCommand(rig.app, menu::kComEnabled);
  EXPECT_EQ(rig.desktop.raised.size(), 2u);
}

TEST(ResetPropeller, PulsesOnlyAnOpenPort) {
  AppRig rig;
  DispatchCommand(rig.app, menu::kResetPropeller);
  EXPECT_EQ(rig.clock.NowMs(), 0);
  fake::FakeSerialDevice& device = rig.PlugAndConnect(3);
  rig.app.settings.UseRTS = 1;
  DispatchCommand(rig.app, menu::kResetPropeller);
  ASSERT_EQ(device.lineChanges.size(), 2u);
  EXPECT_TRUE(device.lineChanges[0].rts);
}

// A cancelled Load Settings still re-applies the settings: the screen is cleared (its text kept as
// the previous text) and made anew without the band; the screenshot is the screen image, unscaled.
TEST(Screenshot, TakesTheScreenImageWithOrWithoutTheBand) {
  AppRig rig;
  DispatchCommand(rig.app, menu::kScreenshot);
  ASSERT_TRUE(rig.ui.clipboardImage.has_value());
  EXPECT_EQ(rig.ui.clipboardImage->width, 640);
  EXPECT_EQ(rig.ui.clipboardImage->height, 446);
  rig.app.settings.WindowScale = 2.0f;
  rig.app.screen.textMirror = "abc";
  rig.app.screen.colorByte = 5;
  DispatchCommand(rig.app, menu::kLoadSettings);
  EXPECT_EQ(rig.app.screen.textMirror, "");
  EXPECT_EQ(rig.app.screen.previousText, "abc");
  EXPECT_EQ(rig.app.screen.colorByte, 0);
  DispatchCommand(rig.app, menu::kScreenshot);
  EXPECT_EQ(rig.ui.clipboardImage->width, 640);
  EXPECT_EQ(rig.ui.clipboardImage->height, 425);
}

TEST(Screenshot, InvertedCopyLeavesTheScreenAsItWas) {
  AppRig rig;
  rig.app.settings.InversScreenshot = 1;
  rig.app.screen.screenImage.At(3, 4) = 0xFF102030u;
  const Image before = ScreenPicture(rig.app);
  DispatchCommand(rig.app, menu::kScreenshot);
  ASSERT_TRUE(rig.ui.clipboardImage.has_value());
  EXPECT_EQ(rig.ui.clipboardImage->At(3, 4), 0xFFEFDFCFu);
  EXPECT_EQ(rig.ui.clipboardImage->At(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(ScreenPicture(rig.app).pixels, before.pixels);
}

TEST(CopyText, EmptiesTheMirrorOnlyWhenTheClipboardTookIt) {
  AppRig rig;
  rig.app.screen.textMirror = "hello\r";
  rig.ui.clipboardFails = true;
  DispatchCommand(rig.app, menu::kCopyText);
  EXPECT_EQ(rig.app.screen.textMirror, "hello\r") << "a failed copy lost the text";
  rig.ui.clipboardFails = false;
  DispatchCommand(rig.app, menu::kCopyText);
  EXPECT_EQ(rig.ui.clipboardText, "hello\r");
  EXPECT_EQ(rig.app.screen.textMirror, "");
  DispatchCommand(rig.app, menu::kCopyText);
  EXPECT_EQ(rig.ui.clipboardText, "");
}

TEST(SaveText, WritesTheMirrorByteForByteAndKeepsIt) {
  AppRig rig;
  TempDir dir;
  const std::string path = dir.Write("out", "old content that must go");
  rig.app.screen.textMirror = std::string("a\rb\r\xE9", 5);
  rig.ui.saveAnswers.push_back({path, 0});
  DispatchCommand(rig.app, menu::kSaveText);
  EXPECT_EQ(rig.ui.saveRequests,
            (std::vector<FileDialogRequest>{{"Save Text", "*.txt", "Text(.txt)|*.txt", 0}}));
  EXPECT_EQ(TempDir::Read(path), std::string("a\rb\r\xE9", 5));
  EXPECT_EQ(rig.app.screen.textMirror.size(), 5u);
  DispatchCommand(rig.app, menu::kSaveText);  // cancelled: nothing happens
  EXPECT_EQ(TempDir::Read(path), std::string("a\rb\r\xE9", 5));
}

TEST(About, PaintsOverTheWindowForTwoSecondsAndLeavesTheScreenImage) {
  AppRig rig;
  const Image before = ScreenPicture(rig.app);
  DispatchCommand(rig.app, menu::kAbout);
  EXPECT_EQ(rig.ui.overlayCount, 1);
  EXPECT_EQ(rig.clock.slept(), 2000);
  ASSERT_EQ(rig.ui.lastOverlayTexts.size(), 7u);
  EXPECT_EQ(rig.ui.lastOverlayTexts[4].text, "Version 0.5.P2");
  EXPECT_EQ(rig.ui.lastOverlay.At(0, 239), 0xFFEF00EFu);
  EXPECT_EQ(rig.ui.lastOverlay.At(0, 2), 0xFF020002u);
  EXPECT_EQ(rig.ui.lastOverlay.At(319, 100), 0xFF000000u);
  EXPECT_EQ(rig.ui.lastOverlay.At(5, 1) >> 24, 0u) << "rows 0 and 1 are not painted";
  EXPECT_EQ(ScreenPicture(rig.app).pixels, before.pixels);
}

}  // namespace
}  // namespace tavolin
