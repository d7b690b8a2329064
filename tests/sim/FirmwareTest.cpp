// The firmware programs of the simulated chip against a host on the fake port: the display demo
// (its bytes, the pixel test, the clock, keys, queries, sector service, host requests, mouse),
// the P2 monitor capturing an upload, and the transfer peer's go-aheads.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

#include "sim/DemoPages.h"
#include "tests/sim/MiniTerminal.h"
#include "tests/sim/SimHost.h"

namespace tavolin::sim {
namespace {

using test::MiniTerminal;
using test::Rig;

SimOptions Firmware(Personality p, bool clock = false) {
  SimOptions options;
  options.start = p;
  options.display.clock = clock;
  return options;
}

// The host's side of the conversation: what the chip sends goes to the terminal, its answers go
// back, every 5 ms of virtual time.
void Converse(Rig& rig, MiniTerminal& term, int ms) {
  std::array<std::uint8_t, SerialPort::kRawReadSize> buffer{};
  for (int t = 0; t < ms; t += 5) {
    rig.clock.SleepMs(5);
    const int n = rig.port.ReadRaw(buffer.data());
    if (n <= 0) continue;
    const auto reply = term.Take({buffer.begin(), buffer.begin() + n});
    if (!reply.empty()) rig.port.WriteRaw(reply.data(), reply.size());
  }
}

void Keys(Rig& rig, MiniTerminal& term, const std::vector<std::uint8_t>& keys) {
  for (std::uint8_t k : keys) {
    rig.port.WriteRaw(&k, 1);
    Converse(rig, term, 20);
  }
}

std::vector<std::uint8_t> Typed(const std::string& text) {
  return {text.begin(), text.end()};
}

bool Shows(const MiniTerminal& term, const std::string& text) {
  return term.mirror.find(text) != std::string::npos;
}

TEST(DisplayDemo, PageIsValidProtocolAndUsesEveryGraphicsOp) {
  Rig rig(Firmware(Personality::Display));
  MiniTerminal term;
  Converse(rig, term, 1000);
  EXPECT_GE(term.clears, 1);
  EXPECT_EQ(term.badOps, 0);
  EXPECT_TRUE(term.Complete());
  EXPECT_EQ(term.lastRowOverflows, 0);
  for (std::uint8_t op = 0; op <= 0x0E; ++op) {
    if (op == 0x0D) continue;
    EXPECT_GT(term.CountOp(op), 0) << "op " << int{op};
  }
}

TEST(DisplayDemo, PageMeansTheSameInBothDialects) {
  // Outside the parameters of colour codes and graphics commands there is no 1, 9, 10, 11, 13.
  const auto page = DemoPage();
  ASSERT_FALSE(page.empty());
  EXPECT_EQ(page.front(), 0);
  for (std::size_t i = 0; i < page.size(); ++i) {
    const std::uint8_t b = page[i];
    if (b == 5) {
      ASSERT_LE(i + 3, page.size() - 1);
      i += 3;
    } else if (b == 12) {
      i += 1;
    } else {
      EXPECT_TRUE(b == 0 || b >= 14) << "code " << int{b} << " at " << i;
    }
  }
}

TEST(DisplayDemo, PixelTestReportsWhatTheHostAnswers) {
  struct Case {
    const char* name;
    bool answer;
    bool allLit;
    const char* shown;
  };
  const Case cases[] = {
      {"as drawn", true, false, "Pixel test: lit 0xFF, dark 0xFE - as drawn"},
      {"all lit", true, true, "Pixel test: lit 0xFF, dark 0xFF - not as drawn"},
      {"no answer", false, false, "Pixel test: lit none, dark none - not as drawn"},
  };
  for (const Case& c : cases) {
    Rig rig(Firmware(Personality::Display));
    MiniTerminal term;
    term.answerPixels = c.answer;
    term.pixel = [&c](int x, int y) -> std::uint8_t {
      return c.allLit || (x == demo::kLitX && y == demo::kLitY) ? 0xFF : 0xFE;
    };
    Converse(rig, term, 2000);
    EXPECT_TRUE(Shows(term, c.shown)) << c.name;
  }
}

TEST(DisplayDemo, ClockFollowsTheTimeQuery) {
  Rig rig(Firmware(Personality::Display, true));
  MiniTerminal term;
  Converse(rig, term, 1000);
  term.timeAnswer = "23:59:58";
  Converse(rig, term, 2500);
  EXPECT_EQ(rig.chip.display().lastClock(), "23:59:58");
  int timeQueries = 0;
  for (const auto& cmd : term.commands) timeQueries += cmd.op == 0x81 && cmd.x == 4;
  EXPECT_GE(timeQueries, 3);
  EXPECT_LE(timeQueries, 5);
}

TEST(DisplayDemo, KeysAreEchoedAndEdited) {
  struct Case {
    std::vector<std::uint8_t> keys;
    std::string input;
    std::string lastLog;
  };
  const Case cases[] = {
      {Typed("abc"), "abc", ""},      {{'a', 'b', 'c', 0xC8}, "ab", ""},
      {{'a', 'b', 8, 'c'}, "ac", ""}, {{'h', 'i', 13}, "", "Line: hi"},
      {{1, 0xC0, 'x', 3}, "x", ""},  // modifier and arrow codes are no text
  };
  for (const Case& c : cases) {
    Rig rig(Firmware(Personality::Display));
    MiniTerminal term;
    Converse(rig, term, 500);
    Keys(rig, term, c.keys);
    EXPECT_EQ(rig.chip.display().inputLine(), c.input);
    const auto& log = rig.chip.display().log();
    EXPECT_EQ(log.empty() ? "" : log.back(), c.lastLog);
  }
}

TEST(DisplayDemo, QueriesAndSectorService) {
  std::vector<std::uint8_t> file = Typed("Hello sector 0!");
  file.resize(700, 0x80);  // the sum counts bytes as signed
  struct Case {
    std::uint8_t key;
    bool prepared;
    std::string log;
  };
  const Case cases[] = {
      {0xD3, false, "Seconds 1796565909  time 14:05:09  date 12.06 2026  palette 7^6 12599103"},
      {0xD4, true, "Sector 0: 512 bytes \"Hello sector 0!\x80\", sum -62315 as sent"},
      {0xD4, false, "Sector 0: no answer (no prepared file?)"},
  };
  for (const Case& c : cases) {
    Rig rig(Firmware(Personality::Display));
    MiniTerminal term;
    if (c.prepared) term.preparedFile = file;
    Converse(rig, term, 500);
    Keys(rig, term, {c.key});
    Converse(rig, term, 2000);
    const auto& log = rig.chip.display().log();
    ASSERT_FALSE(log.empty());
    std::string expected = c.log;
    std::replace(expected.begin(), expected.end(), '\x80', '.');
    EXPECT_EQ(log.back(), expected);
  }
}

TEST(DisplayDemo, HostRequestsProveTheirName) {
  struct Case {
    std::uint8_t key;
    const char* typed;
    char letter;
    const char* name;
  };
  const Case cases[] = {
      {0xD8, "notes.txt", 't', "notes.txt"},
      {0xDA, "saved.txt", 's', "saved.txt"},
      {0xDB, "demo", 'b', "demo"},
      {0xCA, "demo", 'e', "demo"},
      {0xC9, "readme.txt", 'i', "readme.txt"},
      {0xD6, "data.bin", 'f', "data.bin"},
      {0xD6, "", 'f', "*.*"},
      {0xD5, "ignored", 'o', ""},
      {0xD7, "ignored", 'a', ""},
  };
  for (const Case& c : cases) {
    Rig rig(Firmware(Personality::Display));
    MiniTerminal term;
    Converse(rig, term, 500);
    Keys(rig, term, Typed(c.typed));
    Keys(rig, term, {c.key});
    ASSERT_EQ(term.requests.size(), 1u) << c.letter;
    EXPECT_EQ(term.requests[0].letter, c.letter);
    EXPECT_EQ(term.requests[0].name, c.name);
  }
}

TEST(DisplayDemo, SizeRequestAndBinaryTransferAreReceived) {
  Rig rig(Firmware(Personality::Display));
  MiniTerminal term;
  Converse(rig, term, 500);
  Keys(rig, term, {0xD5});
  const std::uint8_t size[4] = {0xD2, 0x04, 0, 0};
  rig.port.WriteRaw(size, 4);
  Converse(rig, term, 1000);
  EXPECT_EQ(rig.chip.display().log().back(), "Request o \"\": prepared file size 1234");

  // "f": the host sends the size, then a block after every go-ahead, as its binary download does.
  Keys(rig, term, Typed("x.bin"));
  Keys(rig, term, {0xD6});
  std::vector<std::uint8_t> file(17);
  for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<std::uint8_t>(i * 3);
  const std::uint8_t fileSize[4] = {17, 0, 0, 0};
  rig.port.WriteRaw(fileSize, 4);
  std::array<std::uint8_t, SerialPort::kRawReadSize> buffer{};
  for (std::size_t sent = 0; sent < file.size(); sent += 16) {
    int polls = 0;
    while (rig.port.ReadRaw(buffer.data()) == 0 && polls++ < 200) rig.clock.SleepMs(10);
    ASSERT_LT(polls, 200);
    rig.port.WriteRaw(file.data() + sent, std::min<std::size_t>(16, file.size() - sent));
  }
  Converse(rig, term, 2000);
  EXPECT_EQ(rig.chip.display().transfer().data(), file);
  EXPECT_EQ(rig.chip.display().log().back(),
            "Request f \"x.bin\": received 17 of 17 bytes in 2 blocks, sum 408");
}

TEST(DisplayDemo, PointerFollowsTheMouse) {
  Rig rig(Firmware(Personality::Display));
  MiniTerminal term;
  Converse(rig, term, 500);
  auto pointers = [&term] {
    std::vector<std::pair<int, int>> at;
    for (const auto& cmd : term.commands) {
      if (cmd.op == 0x06 && cmd.y != demo::kSampleY) at.emplace_back(cmd.x, cmd.y);
    }
    return at;
  };
  const std::uint8_t first[4] = {5, 0x10, 50, 25};  // (100, 51)
  rig.port.WriteRaw(first, 4);
  Converse(rig, term, 50);
  EXPECT_EQ(pointers(), (std::vector<std::pair<int, int>>{{100, 51}}));
  const std::uint8_t second[4] = {5, 0x21, 60, 30};  // (121, 60), left button down
  rig.port.WriteRaw(second, 4);
  Converse(rig, term, 50);
  // The old pointer is XOR-ed away before the new one is drawn.
  EXPECT_EQ(pointers(), (std::vector<std::pair<int, int>>{{100, 51}, {100, 51}, {121, 60}}));
  EXPECT_EQ(term.CountOp(0x07), 5);  // four circles of the page and the painted dot
  EXPECT_EQ(rig.chip.display().pointerX(), 121);
  EXPECT_TRUE(rig.chip.display().pointerShown());
}

TEST(DisplayDemo, BytesLikeAHandshakeStartReachTheFirmwareWhenTheyDoNotMatch) {
  // Without modem lines the chip watches for a handshake; what turns out to be none is a key.
  struct Case {
    std::vector<std::uint8_t> keys;
    std::string input;
  };
  const Case cases[] = {
      {{0xF9, 'a'},
       "\xF9"
       "a"},
      {{0xF9}, "\xF9"},  // alone: let go after a few byte times
      {{0xF9, 0xFE, 0xFF, 0xFE, 'b'},
       "\xF9"
       "b"},
      {{'c', 0xF9, 0xF9, 'd'},
       "c\xF9\xF9"
       "d"},
  };
  for (const Case& c : cases) {
    SimOptions options = Firmware(Personality::Display);
    options.resetOnHandshake = true;
    Rig rig(options, false);
    MiniTerminal term;
    Converse(rig, term, 500);
    rig.port.WriteRaw(c.keys.data(), c.keys.size());
    Converse(rig, term, 100);
    EXPECT_EQ(rig.chip.display().inputLine(), c.input);
    EXPECT_EQ(rig.chip.running(), Personality::Display);
  }
}

TEST(P2MonitorSim, CapturesTheHexUpload) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::uint8_t> atE80;
    int badLines;
  };
  std::vector<std::uint8_t> twenty(20);
  for (std::size_t i = 0; i < twenty.size(); ++i) twenty[i] = static_cast<std::uint8_t>(i);
  const Case cases[] = {
      {"twenty bytes",
       "E80:00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\r\nE90:10 11 12 13\r\n0+E80", twenty,
       0},
      {"empty file", "\r\n0+E80", {}, 0},
      {"one byte", "E80:0A\r\n0+E80", {0x0A}, 0},
      {"bad address", "E8G:00 01\r\n0+E80", {}, 1},
      {"bad byte", "E80:00 100\r\n0+E80", {}, 1},
  };
  for (const Case& c : cases) {
    Rig rig(Firmware(Personality::Monitor));
    for (char ch : c.text) {
      const auto b = static_cast<std::uint8_t>(ch);
      rig.port.WriteRaw(&b, 1);
    }
    rig.clock.SleepMs(200);
    const P2Monitor& monitor = rig.chip.monitor();
    EXPECT_EQ(monitor.memory().size(), c.atE80.size()) << c.name;
    EXPECT_EQ(monitor.Bytes(0xE80, c.atE80.size()), c.atE80) << c.name;
    EXPECT_EQ(monitor.badLines(), c.badLines) << c.name;
    EXPECT_EQ(monitor.goAddress(), 0xE80u) << c.name;
  }
  Rig rig(Firmware(Personality::Monitor));
  const std::string upload = cases[0].text;
  rig.port.WriteRaw(reinterpret_cast<const std::uint8_t*>(upload.data()), upload.size());
  rig.clock.SleepMs(200);
  std::array<std::uint8_t, SerialPort::kRawReadSize> buffer{};
  const int n = rig.port.ReadRaw(buffer.data());
  EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + n),
            "P2 monitor: 20 bytes at E80..E93 in 2 lines, go E80\r\n");
}

TEST(TransferSim, GoAheadBeforeEveryBlockAndStopOnRequest) {
  struct Case {
    int stopAfter;
    std::size_t fileSize;
    std::vector<int> goAheadsAfter;  // go-aheads readable after the size and after each block
  };
  const Case cases[] = {
      {-1, 17, {1, 1, 0}},
      {-1, 32, {1, 1, 0}},
      {1, 40, {1, 0}},
      {0, 40, {0}},
  };
  for (const Case& c : cases) {
    SimOptions options = Firmware(Personality::Transfer);
    options.transfer.stopAfterBlocks = c.stopAfter;
    Rig rig(options);
    std::array<std::uint8_t, SerialPort::kRawReadSize> buffer{};
    const std::uint8_t size[4] = {static_cast<std::uint8_t>(c.fileSize), 0, 0, 0};
    rig.port.WriteRaw(size, 4);
    std::size_t sent = 0;
    for (std::size_t step = 0; step < c.goAheadsAfter.size(); ++step) {
      rig.clock.SleepMs(50);
      EXPECT_EQ(rig.port.ReadRaw(buffer.data()), c.goAheadsAfter[step])
          << "stop " << c.stopAfter << " step " << step;
      if (c.goAheadsAfter[step] == 0) break;
      const std::size_t n = std::min<std::size_t>(16, c.fileSize - sent);
      std::vector<std::uint8_t> block(n, static_cast<std::uint8_t>(step));
      rig.port.WriteRaw(block.data(), n);
      sent += n;
    }
    const TransferPeer& peer = rig.chip.transferPeer();
    EXPECT_EQ(peer.state(),
              c.stopAfter < 0 ? TransferPeer::State::Done : TransferPeer::State::Stopped);
    EXPECT_EQ(peer.data().size(), sent);
  }
}

TEST(TransferSim, GoAheadWaitsForTheBlockToCrossTheWire) {
  Rig rig(Firmware(Personality::Transfer), true, 4);  // 9600: 16 bytes take 16.7 ms
  std::array<std::uint8_t, SerialPort::kRawReadSize> buffer{};
  const std::uint8_t size[4] = {32, 0, 0, 0};
  rig.port.WriteRaw(size, 4);
  rig.clock.SleepMs(50);
  ASSERT_EQ(rig.port.ReadRaw(buffer.data()), 1);
  const std::vector<std::uint8_t> block(16, 0x55);
  rig.port.WriteRaw(block.data(), block.size());
  rig.clock.SleepMs(15);
  EXPECT_EQ(rig.port.ReadRaw(buffer.data()), 0);
  rig.clock.SleepMs(10);
  EXPECT_EQ(rig.port.ReadRaw(buffer.data()), 1);
}

TEST(TransferSim, AdapterLatencyPacesTheBlocks) {
  // A host that sends each block as soon as its go-ahead is readable: 16 ms per block with the
  // latency timer at 16 ms, about 3 ms without it.
  struct Case {
    int latencyMs;
    std::int64_t minMs;
    std::int64_t maxMs;
  };
  const Case cases[] = {{0, 20, 60}, {16, 160, 200}};
  for (const Case& c : cases) {
    fake::VirtualClock clock;
    fake::FakeSerialSystem system{clock};
    fake::FakeSerialDevice& device = system.Plug(3);
    SimChip chip(Firmware(Personality::Transfer));
    LinkOptions link;
    link.latencyMs = c.latencyMs;
    SimLink simLink(chip, device, clock, link);
    SerialPort port(system, clock);
    ASSERT_TRUE(port.Open(3, 0, 0));
    const std::uint8_t size[4] = {160, 0, 0, 0};
    port.WriteRaw(size, 4);
    const std::int64_t start = clock.NowMs();
    std::array<std::uint8_t, SerialPort::kRawReadSize> buffer{};
    const std::vector<std::uint8_t> block(16, 1);
    for (int i = 0; i < 10; ++i) {
      while (port.ReadRaw(buffer.data()) == 0) clock.SleepMs(1);
      port.WriteRaw(block.data(), block.size());
    }
    clock.SleepMs(5);
    EXPECT_EQ(chip.transferPeer().state(), TransferPeer::State::Done);
    EXPECT_GE(clock.NowMs() - start, c.minMs) << c.latencyMs;
    EXPECT_LE(clock.NowMs() - start, c.maxMs) << c.latencyMs;
  }
}

TEST(TransferSim, RequestModeAsksForTheFileFirst) {
  SimOptions options = Firmware(Personality::Transfer);
  options.transfer.requestName = "image.bin";
  Rig rig(options);
  MiniTerminal term;
  Converse(rig, term, 100);
  ASSERT_EQ(term.requests.size(), 1u);
  EXPECT_EQ(term.requests[0].letter, 'f');
  EXPECT_EQ(term.requests[0].name, "image.bin");
}

}  // namespace
}  // namespace tavolin::sim
