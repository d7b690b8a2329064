// The main-loop cycle against the fakes: the order of interpretation, host request and reply
// byte, the host requests themselves, Auto Mode, and a close request during an upload.
#include <gtest/gtest.h>

#include "app/MainLoop.h"
#include "app/MenuIds.h"
#include "tests/app/AppRig.h"

namespace tavolin {
namespace {

using testing::AppRig;
using testing::TempDir;

Event Tick() {
  return {Event::Kind::Timer, 0};
}

// The four bytes of a graphics command with 9-bit coordinates.
std::vector<std::uint8_t> Command(int op, int x, int y) {
  const int c = (op & 0x8F) | ((x & 1) << 5) | ((y & 1) << 4);
  return {5, static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(x >> 1),
          static_cast<std::uint8_t>(y >> 1)};
}

// A host request for letter with the length proof of a mirror holding length characters.
std::vector<std::uint8_t> Request(char letter, int length) {
  return Command(0x82, 2 * length, 2 * letter);
}

void Append(std::vector<std::uint8_t>& to, const std::vector<std::uint8_t>& bytes) {
  to.insert(to.end(), bytes.begin(), bytes.end());
}

void AppendText(std::vector<std::uint8_t>& to, const std::string& text) {
  to.insert(to.end(), text.begin(), text.end());
}

TEST(MainLoop, ChipSilentMeansNoInterpretationNoReply) {
  AppRig rig;
  fake::FakeSerialDevice& device = rig.PlugAndConnect(3);
  const int pictures = rig.ui.pictureCount;
  for (int i = 0; i < 5; ++i) RunCycle(rig.app, Tick());
  EXPECT_EQ(rig.ui.pictureCount, pictures);
  EXPECT_TRUE(device.written.empty());
}

TEST(MainLoop, ABacklogIsDrawnInOnePictureUpToTheReceiveBuffer) {
  // Reads of 1024 bytes; full reads go on, up to 4096 bytes a cycle, and each cycle draws once.
  const struct {
    std::size_t waiting;
    std::size_t takenFirst;
  } cases[] = {{1000, 1000}, {1024, 1024}, {3000, 3000}, {4096, 4096}, {9000, 4096}};
  for (const auto& c : cases) {
    AppRig rig;
    fake::FakeSerialDevice& device = rig.PlugAndConnect(3);
    device.Feed(std::vector<std::uint8_t>(c.waiting, 'a'));
    const int pictures = rig.ui.pictureCount;
    RunCycle(rig.app, Tick());
    EXPECT_EQ(device.PendingCount(), c.waiting - c.takenFirst) << c.waiting;
    EXPECT_EQ(rig.ui.pictureCount, pictures + 1) << c.waiting;
  }
}

TEST(MainLoop, HostRequestInTheMiddleOfABlockIsServedAfterTheWholeBlock) {
  AppRig rig;
  rig.app.NormalTerminalMode = 0;
  fake::FakeSerialDevice& device = rig.PlugAndConnect(3);
  std::vector<std::uint8_t> block = {0};  // clear: the mirror starts empty
  AppendText(block, "x");
  Append(block, Request('o', 1));
  Append(block, Command(0x81, 8, 0));      // palette query, answered at once
  Append(block, Command(0x09, 511, 511));  // pixel test outside: reply 0xFF after the request
  while (block.size() + 4 <= 300) Append(block, Command(0x01, 10, 10));
  block.resize(300, 2);  // code 2 does nothing
  device.Feed(block);
  RunCycle(rig.app, Tick());
  std::vector<std::uint8_t> expected;
  AppendText(expected, "12599103\r");
  Append(expected, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  EXPECT_EQ(device.written, expected);
  EXPECT_EQ(rig.app.interpreter.HostRequest, 0);
  EXPECT_EQ(rig.app.interpreter.ReplyByte, 0);
}

TEST(HostRequests, PreparedFileRequestsWithoutAPreparedFile) {
  struct Case {
    char letter;
    std::vector<std::uint8_t> sent;
  };
  const Case cases[] = {{'o', {0xFF, 0xFF, 0xFF, 0xFF}}, {'a', {}}};
  for (const Case& c : cases) {
    AppRig rig;
    rig.app.NormalTerminalMode = 0;
    fake::FakeSerialDevice& device = rig.PlugAndConnect(3);
    std::vector<std::uint8_t> block = {0};
    Append(block, Request(c.letter, 0));
    device.Feed(block);
    RunCycle(rig.app, Tick());
    EXPECT_EQ(device.written, c.sent) << c.letter;
  }
}

TEST(HostRequests, SaveWritesThePreviousTextUnchanged) {
  AppRig rig;
  TempDir dir;
  rig.app.NormalTerminalMode = 0;
  fake::FakeSerialDevice& device = rig.PlugAndConnect(3);
  const std::string path = dir.File("saved.txt");
  std::vector<std::uint8_t> block = {0};
  AppendText(block, "line one");
  block.push_back(13);
  block.push_back(0);  // clear: "line one\r\n" becomes the previous text
  AppendText(block, path);
  Append(block, Request('s', static_cast<int>(path.size())));
  device.Feed(block);
  RunCycle(rig.app, Tick());
  EXPECT_EQ(TempDir::Read(path), "line one\r\n");
}

TEST(HostRequests, StartProgramFallsBackToOpeningTheDocument) {
  for (bool starts : {true, false}) {
    AppRig rig;
    rig.app.NormalTerminalMode = 0;
    rig.desktop.startSucceeds = starts;
    fake::FakeSerialDevice& device = rig.PlugAndConnect(3);
    std::vector<std::uint8_t> block = {0};
    AppendText(block, "/tmp/a b;rm -rf x");
    Append(block, Request('i', 17));
    device.Feed(block);
    RunCycle(rig.app, Tick());
    EXPECT_EQ(rig.desktop.started, std::vector<std::string>{"/tmp/a b;rm -rf x"});
    EXPECT_EQ(rig.desktop.opened.size(), starts ? 0u : 1u);
  }
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

TEST(HostRequests, OddOrUnknownRequestsAreDropped) {
  AppRig rig;
  rig.app.NormalTerminalMode = 0;
  fake::FakeSerialDevice& device = rig.PlugAndConnect(3);
  std::vector<std::uint8_t> block = {0};
  Append(block, Command(0x82, 0, 2 * 'o' + 1));
  Append(block, Command(0x82, 0, 2 * 'z'));
  device.Feed(block);
  RunCycle(rig.app, Tick());
  EXPECT_TRUE(device.written.empty());
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
  rig.app.screen.textMirror = "x";
  rig.ui.minimized = false;
  RunCycle(rig.app, Tick());
  EXPECT_TRUE(rig.app.port.IsOpen());
  EXPECT_TRUE(rig.ui.IsMenuChecked(menu::kComEnabled));
  EXPECT_EQ(rig.app.PortReleased, 0);
  EXPECT_EQ(rig.app.screen.textMirror, "");
}

TEST(AutoMode, AShortWindowThatIsNotMinimisedKeepsThePort) {
  AppRig rig;
  rig.app.settings.Rows = 5;
  rig.ui.SetMenuChecked(menu::kAutoMode, true);
  rig.ui.events.push_back({Event::Kind::MenuCommand, menu::kLoadSettings});
  RunCycle(rig.app, rig.ui.WaitEvent());  // cancelled dialog: the 5-row window is applied
  rig.PlugAndConnect(3);
  for (int i = 0; i < 3; ++i) RunCycle(rig.app, Tick());
  EXPECT_TRUE(rig.app.port.IsOpen());
  EXPECT_EQ(rig.app.PortReleased, 0);
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

TEST(AutoMode, OffMeansTicksChangeNothing) {
  AppRig rig;
  rig.app.AutoMode = 0;
  rig.PlugAndConnect(3);
  rig.ui.minimized = true;
  RunCycle(rig.app, Tick());
  EXPECT_TRUE(rig.app.port.IsOpen());
}

}  // namespace
}  // namespace tavolin
