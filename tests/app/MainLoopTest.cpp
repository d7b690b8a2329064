// The main-loop cycle against the fakes: the order of interpretation, host request and reply
// byte, the host requests themselves, Auto Mode, and a close request during an upload.
#include <gtest/gtest.h>

#include "app/MainLoop.h"
#include "app/MenuIds.h"
#include "sim/DisplayBytes.h"
#include "tests/app/AppRig.h"

namespace tavolin {
namespace {

using sim::DisplayBytes;
using testing::AppRig;
using testing::TempDir;
using testing::Tick;
namespace op = sim::op;

// The host request for letter after a mirror of length characters.
std::vector<std::uint8_t> Ask(char letter, std::size_t length) {
  return DisplayBytes().HostRequest(letter, length).bytes;
}

// Reads of 1024 bytes; full reads go on, up to 4096 bytes a cycle, and each cycle draws once.  A
// silent chip: nothing is interpreted or drawn, nothing answered.
TEST(MainLoop, ABacklogIsDrawnInOnePictureUpToTheReceiveBuffer) {
  for (const std::size_t waiting : {0, 1000, 1024, 3000, 4096, 9000}) {
    AppRig rig;
    fake::FakeSerialDevice& device = rig.PlugAndConnect(3);
    device.Feed(std::vector<std::uint8_t>(waiting, 'a'));
    const int pictures = rig.ui.pictureCount;
    RunCycle(rig.app, Tick());
    EXPECT_EQ(device.PendingCount(), waiting > 4096 ? waiting - 4096 : 0) << waiting;
    EXPECT_EQ(rig.ui.pictureCount, pictures + (waiting > 0 ? 1 : 0)) << waiting;
    EXPECT_TRUE(device.written.empty());
  }
}

TEST(MainLoop, HostRequestInTheMiddleOfABlockIsServedAfterTheWholeBlock) {
  AppRig rig;
  rig.app.NormalTerminalMode = 0;
  fake::FakeSerialDevice& device = rig.PlugAndConnect(3);
  DisplayBytes chip;
  chip.Clear().Text("x").HostRequest('o', 1);  // clear: the mirror starts empty
  chip.QueryOp(sim::Query::PaletteXor);        // answered at once
  chip.Op(op::kPixelTest, 511, 511);           // outside: reply 0xFF after the request
  while (chip.bytes.size() + 4 <= 300) chip.Op(op::kPlot, 10, 10);
  chip.bytes.resize(300, 2);  // code 2 does nothing
  device.Feed(chip.bytes);
  RunCycle(rig.app, Tick());
  EXPECT_EQ(device.written, DisplayBytes().Text("12599103\r\xFF\xFF\xFF\xFF\xFF").bytes);
  EXPECT_EQ(rig.app.interpreter.HostRequest, 0);
  EXPECT_EQ(rig.app.interpreter.ReplyByte, 0);
}

// The chip prints a name after a clear and asks; a program that does not start is opened as a
// document instead, and the name never reaches a shell.
TEST(HostRequests, EachLetterIsServedOrDropped) {
  TempDir dir;
  const std::string saved = dir.File("saved.txt");
  const std::string program = "/tmp/a b;rm -rf x";
  const int size = static_cast<int>(saved.size());
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::uint8_t> request;
    bool starts;
    std::vector<std::uint8_t> sent;
  };
  const auto odd = DisplayBytes().Op(op::kHostRequest, 0, 2 * 'o' + 1).bytes;  // the letter's y bit
  const Case cases[] = {
      {"o without a prepared file", "", Ask('o', 0), true, {0xFF, 0xFF, 0xFF, 0xFF}},
      {"a without a prepared file", "", Ask('a', 0), true, {}},
      {"an odd letter code", "", odd, true, {}},
      {"an unknown letter", "", Ask('z', 0), true, {}},
      // The clear in it makes "line one\r\n" the previous text, which is saved unchanged.
      {"save", std::string("line one\r\0", 10) + saved, Ask('s', size), true, {}},
      {"start", program, Ask('i', 17), true, {}},
      {"start failing", program, Ask('i', 17), false, {}},
  };
  for (const Case& c : cases) {
    AppRig rig;
    rig.app.NormalTerminalMode = 0;
    rig.desktop.startSucceeds = c.starts;
    fake::FakeSerialDevice& device = rig.PlugAndConnect(3);
    DisplayBytes chip;
    chip.Clear().Text(c.text);  // the mirror starts empty
    chip.bytes.insert(chip.bytes.end(), c.request.begin(), c.request.end());
    device.Feed(chip.bytes);
    RunCycle(rig.app, Tick());
    EXPECT_EQ(device.written, c.sent) << c.name;
    const bool start = c.text == program;
    EXPECT_EQ(rig.desktop.started, start ? std::vector{program} : std::vector<std::string>{});
    EXPECT_EQ(rig.desktop.opened.size(), start && !c.starts ? 1u : 0u) << c.name;
  }
  EXPECT_EQ(TempDir::Read(saved), "line one\r\n");
}

// Ended programs are collected on timer ticks, with the port open or not, and on no other event.
TEST(HostRequests, StartedProgramsAreCollectedOnTimerTicks) {
  struct Case {
    Event event;
    bool portOpen;
    int reaps;
  };
  const Case cases[] = {
      {Tick(), true, 1},
      {Tick(), false, 1},
      {{Event::Kind::MouseMove, 0}, true, 0},
      {{Event::Kind::PortReadable, 0}, true, 0},
      {{Event::Kind::Char, 'a'}, true, 0},
  };
  for (const Case& c : cases) {
    AppRig rig;
    if (c.portOpen) rig.PlugAndConnect(3);
    RunCycle(rig.app, c.event);
    EXPECT_EQ(rig.desktop.reaps, c.reaps) << static_cast<int>(c.event.kind);
  }
}

TEST(AutoMode, ReleasesWhenMinimisedAndRetakesWhenRestored) {
  AppRig rig;
  rig.ui.SetMenuChecked(menu::kAutoMode, true);
  rig.PlugAndConnect(3);
  RunCycle(rig.app, Tick());
  EXPECT_TRUE(rig.app.port.IsOpen());
  rig.ui.minimized = true;
  RunCycle(rig.app, Tick());
  EXPECT_FALSE(rig.app.port.IsOpen());
  EXPECT_FALSE(rig.ui.IsMenuChecked(menu::kComEnabled));
  EXPECT_EQ(rig.app.PortReleased, 1);
  EXPECT_TRUE(rig.desktop.raised.empty()) << "Auto Mode raises no other window";
  RunCycle(rig.app, Tick());  // still minimised: no second release, no retake
  EXPECT_FALSE(rig.app.port.IsOpen());
  EXPECT_EQ(rig.serial.openAttempts.size(), 1u);
  rig.app.screen.textMirror = "x";
  rig.ui.minimized = false;
  RunCycle(rig.app, Tick());
  EXPECT_TRUE(rig.app.port.IsOpen());
  EXPECT_TRUE(rig.ui.IsMenuChecked(menu::kComEnabled));
  EXPECT_EQ(rig.app.PortReleased, 0);
  EXPECT_EQ(rig.app.screen.textMirror, "");
}

// Off, even a minimised window keeps the port; on, a short window that is not minimised does.
TEST(AutoMode, KeepsThePortWhenOffOrWhenTheWindowIsOnlyShort) {
  for (bool on : {false, true}) {
    AppRig rig;
    rig.app.settings.Rows = 5;
    rig.ui.events.push_back({Event::Kind::MenuCommand, menu::kLoadSettings});
    RunCycle(rig.app, rig.ui.WaitEvent());  // cancelled dialog: the 5-row window is applied
    rig.app.AutoMode = on ? 1 : 0;
    rig.PlugAndConnect(3);
    rig.ui.minimized = !on;
    for (int i = 0; i < 3; ++i) RunCycle(rig.app, Tick());
    EXPECT_TRUE(rig.app.port.IsOpen()) << on;
    EXPECT_EQ(rig.app.PortReleased, 0) << on;
  }
}

TEST(AutoMode, UserClosedPortIsStillTakenBackOnRestore) {
  AppRig rig;
  rig.ui.SetMenuChecked(menu::kAutoMode, true);
  rig.PlugAndConnect(3);
  RunCycle(rig.app, {Event::Kind::MenuCommand, menu::kComEnabled});
  EXPECT_FALSE(rig.app.port.IsOpen());
  rig.ui.minimized = true;
  RunCycle(rig.app, Tick());
  EXPECT_EQ(rig.app.PortReleased, 1);
  rig.ui.minimized = false;
  RunCycle(rig.app, Tick());
  EXPECT_TRUE(rig.app.port.IsOpen());
}

}  // namespace
}  // namespace tavolin
