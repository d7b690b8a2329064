// The firmware programs of the simulated chip.  The display demo runs against the real terminal
// (the program's main-loop cycle over the fake platform, the chip behind the fake port), so what
// it does is checked through what the terminal shows and answers: its picture in both dialects,
// the pixel test, the clock, keys and the mouse forwarded by the terminal, the queries, the sector
// service and the host requests.  The P2 monitor and the transfer peer's timing are checked on a
// bare port; what the peer takes from the real download is the loader's (MonitorTransferTest).
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <string>

#include "app/MainLoop.h"
#include "app/MenuIds.h"
#include "terminal/KeyForwarding.h"
#include "tests/app/AppRig.h"
#include "tests/sim/SimHost.h"

namespace tavolin::sim {
namespace {

using tavolin::testing::TempDir;
using test::Rig;

SimOptions Firmware(Personality p, bool clock = false) {
  SimOptions options;
  options.start = p;
  options.display.clock = clock;
  return options;
}

// The whole terminal in graphics mode (or Normal-Terminal Mode) with the chip on COM 3.
struct TerminalRig : tavolin::testing::AppRig {
  SimChip chip;
  SimLink link{chip, serial.Plug(3), clock};

  explicit TerminalRig(const SimOptions& options, int normalTerminalMode = 0) : chip(options) {
    app.NormalTerminalMode = normalTerminalMode;
    app.settings.MsMoveOff = normalTerminalMode;  // mouse moves are reported in graphics mode
    app.settings.ComNr = 3;
    Connect(app);
  }
  void Press(int virtualKey, int character = 0) {
    RunCycle(app, {Event::Kind::KeyDown, virtualKey});
    if (character != 0) RunCycle(app, {Event::Kind::Char, character});
    RunCycle(app, {Event::Kind::KeyUp, virtualKey});
    Run(40);
  }
  // Letters and digits by their own key; other characters by a key that sends nothing itself
  // (as the punctuation keys of a keyboard do), so their character goes.
  void Type(const std::string& text) {
    constexpr int kPunctuationKey = 0xBA;
    for (char c : text) {
      const bool alnum = std::isalnum(static_cast<unsigned char>(c)) != 0;
      Press(alnum ? std::toupper(c) : kPunctuationKey, static_cast<unsigned char>(c));
    }
  }
  // The text the terminal received since its last clear, as its Copy Text gives it.
  std::string Text() {
    RunCycle(app, {Event::Kind::MenuCommand, menu::kCopyText});
    return ui.clipboardText.value_or("");
  }
  std::string LastLog() {
    const auto& log = chip.display().log();
    return log.empty() ? "" : log.back();
  }
};

constexpr const char* kAsDrawn = "Pixel test: lit 0xFF, dark 0xFE - as drawn";

TEST(DisplayDemo, PageIsAsDrawnAndTheSameInBothDialects) {
  Image pictures[2];
  for (int mode : {0, 1}) {
    TerminalRig rig(Firmware(Personality::Display), mode);
    rig.Run(1500);
    EXPECT_NE(rig.Text().find(kAsDrawn), std::string::npos) << mode << ": " << rig.Text();
    pictures[mode] = rig.ui.lastPicture;
  }
  ASSERT_GT(pictures[0].width, 0);
  EXPECT_TRUE(pictures[0].pixels == pictures[1].pixels);
}

TEST(DisplayDemo, PixelTestWithoutAnAnswerIsNotAsDrawn) {
  // Nobody reads the port: the firmware's waits run out.
  TerminalRig rig(Firmware(Personality::Display));
  rig.clock.SleepMs(2000);
  rig.Run(100);
  EXPECT_NE(rig.Text().find("Pixel test: lit none, dark none - not as drawn"), std::string::npos)
      << rig.Text();
}

TEST(DisplayDemo, ClockFollowsTheTerminalsTime) {
  TerminalRig rig(Firmware(Personality::Display, true));
  rig.Run(1500);
  EXPECT_EQ(rig.chip.display().lastClock(), "14:05:09");
  rig.clock.SetLocalTime({2026, 12, 31, 23, 59, 58});
  rig.Run(1500);
  EXPECT_EQ(rig.chip.display().lastClock(), "23:59:58");
  EXPECT_NE(rig.Text().find("23:59:58"), std::string::npos);
}

TEST(DisplayDemo, KeysForwardedByTheTerminalAreEchoedAndEdited) {
  struct Case {
    bool shift;
    std::string typed;
    int key;  // pressed after the text, 0 for none
    std::string input;
    std::string lastLog;
  };
  const Case cases[] = {
      {false, "abc", 0, "abc", ""},
      {false, "abc", vk::kBack, "ab", ""},
      {false, "hi", vk::kReturn, "", "Line: hi"},
      {true, "X", 0, "X", ""},  // the Shift codes around it are no text
  };
  for (const Case& c : cases) {
    TerminalRig rig(Firmware(Personality::Display));
    rig.Run(1500);
    if (c.shift) RunCycle(rig.app, {Event::Kind::KeyDown, vk::kShift});
    rig.Type(c.typed);
    if (c.shift) RunCycle(rig.app, {Event::Kind::KeyUp, vk::kShift});
    if (c.key != 0) rig.Press(c.key, c.key);
    rig.Run(100);
    EXPECT_EQ(rig.chip.display().inputLine(), c.input) << c.typed;
    EXPECT_EQ(rig.LastLog(), c.lastLog) << c.typed;
  }
}

TEST(DisplayDemo, QueriesAndSectorServiceAreAnsweredByTheTerminal) {
  TempDir dir;
  std::string file = "Hello sector 0!";
  file.resize(700, '\x80');  // the sum counts bytes as signed
  const std::string prepared = dir.Write("prepared.bin", file);
  struct Case {
    int key;
    std::string preparedFile;
    std::string log;
  };
  const Case cases[] = {
      {vk::kF1 + 3, "", "Seconds 1796565909  time 14:05:09  date 12.06 2026  palette 7^6 12599103"},
      {vk::kF1 + 4, prepared, "Sector 0: 512 bytes \"Hello sector 0!.\", sum -62315 as sent"},
      {vk::kF1 + 4, "", "Sector 0: no answer (no prepared file?)"},
      {vk::kF1 + 5, prepared, "Request o \"\": prepared file size 700"},
  };
  for (const Case& c : cases) {
    TerminalRig rig(Firmware(Personality::Display));
    rig.app.PreparedFile = c.preparedFile;
    rig.Run(1500);
    rig.Press(c.key);
    rig.Run(2000);
    EXPECT_EQ(rig.LastLog(), c.log);
  }
}

// The chip names a file by printing it; the terminal serves the request with that name.
TEST(DisplayDemo, HostRequestsReachTheTerminalWithTheirName) {
  TempDir dir;
  std::string file(17, '\0');
  for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<char>(i * 3);
  const std::string named = dir.Write("x.bin", file);
  // f: a binary download of the named file, or with no name "*.*" (the user picks the file); i:
  // started, never through a shell.
  const std::pair<std::string, int> requests[] = {
      {named, vk::kF1 + 6}, {"", vk::kF1 + 6}, {"readme.txt", vk::kDelete}};
  for (const auto& [typed, key] : requests) {
    TerminalRig rig(Firmware(Personality::Display));
    rig.Run(1500);
    rig.Type(typed);
    rig.Press(key);
    rig.Run(2000);
    if (key == vk::kDelete) {
      EXPECT_EQ(rig.desktop.started, std::vector<std::string>{typed});
    } else if (typed.empty()) {
      EXPECT_EQ(rig.ui.openRequests.size(), 1u);
    } else {
      EXPECT_EQ(rig.chip.display().transfer().data(),
                std::vector<std::uint8_t>(file.begin(), file.end()));
      EXPECT_EQ(rig.LastLog(),
                "Request f \"" + named + "\": received 17 of 17 bytes in 2 blocks, sum 408");
    }
  }
}

TEST(DisplayDemo, PointerFollowsTheMouseAndLeavesNoTrace) {
  TerminalRig rig(Firmware(Personality::Display));
  rig.Run(1500);
  const Image before = rig.ui.lastPicture;
  rig.ui.pointer = {100, 51};
  RunCycle(rig.app, {Event::Kind::MouseMove, 0});
  rig.Run(100);
  EXPECT_EQ(rig.chip.display().pointerX(), 100);
  EXPECT_EQ(rig.chip.display().pointerY(), 51);
  EXPECT_FALSE(rig.ui.lastPicture.pixels == before.pixels) << "no pointer drawn";
  rig.ui.pointer = {300, 60};
  RunCycle(rig.app, {Event::Kind::MouseMove, 0});
  rig.Run(100);
  EXPECT_EQ(rig.chip.display().pointerX(), 300);
  // The old pointer is XOR-ed away: around (100, 51) the picture is as before.
  const Image& after = rig.ui.lastPicture;
  for (int y = 40; y < 70; ++y) {
    for (int x = 90; x < 130; ++x) ASSERT_EQ(after.At(x, y), before.At(x, y)) << x << "," << y;
  }
}

TEST(TransferSim, RequestModeAsksTheTerminalForTheFileFirst) {
  TempDir dir;
  const std::string file(40, 'z');
  SimOptions options = Firmware(Personality::Transfer);
  options.transfer.requestName = dir.Write("image.bin", file);
  TerminalRig rig(options);
  rig.Run(2000);
  EXPECT_EQ(rig.chip.transferPeer().state(), TransferPeer::State::Done);
  EXPECT_EQ(rig.chip.transferPeer().data(), std::vector<std::uint8_t>(file.begin(), file.end()));
}

// What the real upload sends is taken by the loader's tests (MonitorTransferTest); here the lines
// it never sends, and the monitor's summary.
TEST(P2MonitorSim, CountsBadLinesAndSumsUpTheUpload) {
  for (const std::string text : {"E8G:00 01\r\n0+E80", "E80:00 100\r\n0+E80"}) {
    Rig rig(Firmware(Personality::Monitor));
    rig.port.WriteRaw(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    rig.clock.SleepMs(200);
    const P2Monitor& monitor = rig.chip.monitor();
    EXPECT_TRUE(monitor.memory().empty()) << text;
    EXPECT_EQ(monitor.badLines(), 1) << text;
    EXPECT_EQ(monitor.goAddress(), 0xE80u) << text;
  }
  Rig rig(Firmware(Personality::Monitor));
  const std::string upload =
      "E80:00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\r\nE90:10 11 12 13\r\n0+E80";
  rig.port.WriteRaw(reinterpret_cast<const std::uint8_t*>(upload.data()), upload.size());
  rig.clock.SleepMs(200);
  std::array<std::uint8_t, SerialPort::kRawReadSize> buffer{};
  const int n = rig.port.ReadRaw(buffer.data());
  EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + n),
            "P2 monitor: 20 bytes at E80..E93 in 2 lines, go E80\r\n");
}

// A host that sends each block as soon as its go-ahead is readable: 16 ms per block with the
// latency timer at 16 ms, about 3 ms without it; at 9600 each go-ahead waits for its block to
// cross the wire (16.7 ms).
TEST(TransferSim, TheWireAndTheAdapterLatencyPaceTheBlocks) {
  struct Case {
    int latencyMs;
    int rateIndex;
    std::int64_t minMs;
    std::int64_t maxMs;
  };
  const Case cases[] = {{0, 0, 20, 60}, {16, 0, 160, 200}, {0, 4, 167, 220}};
  for (const Case& c : cases) {
    LinkOptions link;
    link.latencyMs = c.latencyMs;
    Rig rig(Firmware(Personality::Transfer), true, c.rateIndex, link);
    const std::uint8_t size[4] = {160, 0, 0, 0};
    rig.port.WriteRaw(size, 4);
    const std::int64_t start = rig.clock.NowMs();
    std::array<std::uint8_t, SerialPort::kRawReadSize> buffer{};
    const std::vector<std::uint8_t> block(16, 1);
    for (int i = 0; i < 10; ++i) {
      while (rig.port.ReadRaw(buffer.data()) == 0) rig.clock.SleepMs(1);
      rig.port.WriteRaw(block.data(), block.size());
    }
    rig.clock.SleepMs(c.rateIndex == 0 ? 5 : 20);  // the last block crosses the wire
    EXPECT_EQ(rig.chip.transferPeer().state(), TransferPeer::State::Done);
    EXPECT_GE(rig.clock.NowMs() - start, c.minMs) << c.latencyMs << " " << c.rateIndex;
    EXPECT_LE(rig.clock.NowMs() - start, c.maxMs) << c.latencyMs << " " << c.rateIndex;
  }
}

}  // namespace
}  // namespace tavolin::sim
