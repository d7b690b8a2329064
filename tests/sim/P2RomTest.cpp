// The simulated P2 ROM loader, written against the ROM's rules rather than the program's loader:
// what it answers to each kind of host text (the loads the program sends are P2LoaderTest's),
// what it stores, and when it starts a program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SimHost.h"
#include "sim/P2RomLoader.h"

namespace tavolin::sim::test {
namespace {

SimOptions P2Chip() {
  SimOptions options;
  options.rom = options.start = Personality::P2Rom;
  options.firmware = Personality::Display;
  options.display.clock = false;
  options.display.startupMs = 100000;  // quiet: only the ROM's answers are read
  return options;
}

std::string Answer(Rig& rig) {
  rig.Drain();
  rig.clock.SleepMs(20);
  std::string got;
  std::array<std::uint8_t, SerialPort::kRawReadSize> block{};
  for (int n = rig.port.ReadRaw(block.data()); n > 0; n = rig.port.ReadRaw(block.data())) {
    got.append(block.begin(), block.begin() + n);
  }
  return got;
}

void Send(Rig& rig, const std::string& text) {
  rig.clock.SleepMs(20);  // past the ROM's start-up
  rig.Write(std::vector<std::uint8_t>(text.begin(), text.end()));
}

const std::string kVector = "+/cj9v37I/YlJoD/H4Bm/fD/n/0k2KCJ";

TEST(P2Rom, AnswersAndLoadsByTheRomsRules) {
  struct Case {
    const char* name;
    std::string host;
    std::string answer;
    bool ran;
    std::size_t stored;  // bytes of the program kept in hub RAM
  };
  const Case cases[] = {
      {"asked for its version", "> Prop_Chk 0 0 0 0\r", "\r\nProp_Ver G\r\n", false, 0},
      {"no blank after the first >: the P is lost", ">Prop_Chk 0 0 0 0\r", "", false, 0},
      {"nothing before a >", "Prop_Chk 0 0 0 0\r", "", false, 0},
      {"no byte after the last number", "> Prop_Chk 0 0 0 0", "", false, 0},
      {"a pin mask that does not match", "> Prop_Chk 1 1 0 0\r", "", false, 0},
      {"the vector with > and = between its characters",
       "> Prop_Txt 0 0 0 0 " + kVector.substr(0, 10) + " > = " + kVector.substr(10) + " ?", ".",
       true, 20},
      {"a wrong sum, then the retry",
       "> Prop_Txt 0 0 0 0 A" + kVector + " ? Prop_Txt 0 0 0 0 " + kVector + " ?", "!.", true, 20},
      {"run without a check", "> Prop_Txt 0 0 0 0 " + kVector.substr(0, 27) + " ~", "", true, 20},
      {"hex values", "> Prop_Hex 0 0 0 0 1 2 3 4 4F 70 6C 6C ?", ".", true, 4},
      {"an unknown terminator", "> Prop_Txt 0 0 0 0 " + kVector + " x", "", false, 0},
  };
  for (const Case& c : cases) {
    Rig rig(P2Chip(), false);
    Send(rig, c.host);
    EXPECT_EQ(Answer(rig), c.answer) << c.name;
    const P2RomRecord& record = rig.chip.p2Rom().record();
    EXPECT_EQ(record.ran, c.ran) << c.name;
    EXPECT_EQ(rig.chip.running(), c.ran ? Personality::Display : Personality::P2Rom) << c.name;
    if (c.ran) {
      EXPECT_EQ(record.hub.size(), c.stored) << c.name;
    }
  }
}

TEST(P2Rom, KeysOfTheScannerAndTheSerialWindow) {
  {
    Rig rig(P2Chip(), false);
    Send(rig, "> \x04");
    Answer(rig);
    EXPECT_EQ(rig.chip.running(), Personality::Monitor);
  }
  {
    Rig rig(P2Chip(), false);
    rig.clock.SleepMs(61000);
    EXPECT_EQ(rig.chip.running(), Personality::Off) << "the serial window has closed";
  }
}

}  // namespace
}  // namespace tavolin::sim::test
