// The console upload mode in-process, on the fakes: the lines on standard output, the message
// box on standard error, the progress line on a terminal, and the exit codes.
#include <gtest/gtest.h>

#include "LoaderRig.h"
#include "app/ConsoleUpload.h"

namespace tavolin {
namespace {

using loadertest::BytesOf;
using loadertest::Checked;
using testing::TempDir;
using Bytes = std::vector<std::uint8_t>;

struct ConsoleRig {
  fake::VirtualClock clock;
  fake::FakeSerialSystem serial{clock};
  fake::FakeSerialDevice& device = serial.Plug(3);
  fake::RecordingConsole console;
  ConsoleUi ui{console};
  NullDesktop desktop;
  Platform platform{clock, serial, ui, console, desktop};
  AppState app{platform};
  sim::SimChip chip{loadertest::LoaderChipOptions()};
  sim::SimLink link{chip, device, clock};
  TempDir files;

  int Run(const std::string& image, const std::string& port = "3") {
    return RunConsoleUpload(app, CommandLine{image, "-L", port});
  }
};

TEST(ConsoleTextOutput, EveryLineEndsWithExactlyOneLf) {
  struct Case {
    std::vector<std::string> texts;  // "=" prefix: a PrintLine
    std::string out;
  };
  const Case cases[] = {
      {{"Start Upload\r", "\n"}, "Start Upload\n"},
      {{"Start Upload\r"}, "Start Upload\n"},
      {{"=Verify ..", "=..OK -> RUN"}, "Verify ..\n..OK -> RUN\n"},
      {{"for your commercial product!\r\r", "\n"}, "for your commercial product!\n\n"},
      {{"a\nb\r\nc"}, "a\nb\nc\n"},
      {{"a\r", "\n", "\n"}, "a\n\n"},
      {{"Code Error -> Abort"}, "Code Error -> Abort\n"},
      {{"=x", "\n"}, "x\n\n"},
  };
  for (const Case& c : cases) {
    fake::RecordingConsole console;
    ConsoleTextOutput out(console);
    for (const std::string& t : c.texts) {
      if (!t.empty() && t[0] == '=') {
        out.PrintLine(t.substr(1));
      } else {
        out.PrintText(t);
      }
    }
    out.Finish();
    EXPECT_EQ(console.out, c.out);
    EXPECT_TRUE(console.err.empty());
  }
}

// Each outcome has its own exit code and lines; the port is opened at 115200 with two stop bits,
// and closed two seconds before the exit.
TEST(RunConsoleUpload, EachOutcomeHasItsOwnExitCodeAndLines) {
  struct Case {
    const char* name;
    const char* port;
    int image;  // 0 a good file, 1 missing, 2 too long, 3 a good EEPROM image
    bool chipAnswers;
    int checksumBit;
    int code;
    std::string tail;  // what follows the two header lines on standard output
    std::string err;
  };
  const Case cases[] = {
      {"good", "3", 0, true, 0, exitcode::kOk,
       "Start Upload\nPropeller Version = 1\nWrite in RAM Lenght=8\nVerify ..\n..OK -> RUN\n", ""},
      {"EEPROM image: the banner as lines", "3", 3, true, 0, exitcode::kOk,
       "Made by the Tavolin project\nAsk for a customized version\nfor your commercial product!\n\n"
       "Start Upload\nPropeller Version = 1\nWrite in EEPROM Lenght=32768\nVerify ..\n..OK -> "
       "RUN\n",
       ""},
      {"port does not open", "9", 0, true, 0, exitcode::kNoPort, "",
       "No COM: wrong number or not activated\n"},
      {"no port number", "", 0, true, 0, exitcode::kNoPort, "",
       "No COM: wrong number or not activated\n"},
      {"missing file", "3", 1, true, 0, exitcode::kFileError, "Start Upload\nNo such file\n", ""},
      {"file too long", "3", 2, true, 0, exitcode::kFileError,
       "Start Upload\nImage too long: more than 524288 bytes\n", ""},
      {"no chip", "3", 0, false, 0, exitcode::kNoHandshake,
       "Start Upload\nTime Out\nCode Error -> Abort\n", ""},
      {"checksum refused", "3", 0, true, 1, exitcode::kLoadError,
       "Start Upload\nPropeller Version = 1\nWrite in RAM Lenght=8\nVerify ..\nCheckSum Error\n",
       ""},
  };
  for (const Case& c : cases) {
    ConsoleRig rig;
    if (!c.chipAnswers) rig.device.peer = nullptr;
    if (c.checksumBit != 0) rig.chip.bootLoader().options().fault = sim::BootFault::BadChecksum;
    const std::vector<std::uint8_t> good = Checked(BytesOf({1, 2}));
    const std::string path = c.image == 0   ? rig.files.Write("a.binary", good)
                             : c.image == 1 ? rig.files.File("none.binary")
                             : c.image == 2 ? rig.files.Write("a.binary", Bytes(600000, 1))
                                            : rig.files.Write("a.eeprom", good);
    std::int64_t closedAt = -1;
    rig.clock.OnAdvance([&](std::int64_t now) {
      if (closedAt < 0 && !rig.device.isOpen && !rig.device.lineChanges.empty()) {
        closedAt = now - 2000;
      }
    });
    EXPECT_EQ(rig.Run(path, c.port), c.code) << c.name;
    EXPECT_FALSE(rig.device.isOpen) << c.name;
    EXPECT_EQ(rig.app.output, nullptr) << c.name;
    if (c.code != exitcode::kNoPort) {
      EXPECT_EQ(rig.clock.NowMs() - closedAt, 2000) << c.name;
      ASSERT_EQ(rig.serial.openOptions.size(), 1u);
      EXPECT_EQ(rig.serial.openOptions[0].bitsPerSecond, 115200);
      EXPECT_EQ(rig.serial.openOptions[0].stopBits, StopBits::Two);
    }
    const std::string header = "Propeller Upload on COM: " + std::to_string(ReadDecimal(c.port)) +
                               "\nFile: " + path + "\n";
    EXPECT_EQ(rig.console.out, header + c.tail) << c.name;
    EXPECT_EQ(rig.console.err, c.err) << c.name;
  }
}

// A port lost at any stage ends the upload there with the one line "COM3 lost" and exit code 6:
// no "Time Out" per bit, no "Code Error -> Abort" or "CheckSum Error" that would blame the chip.
TEST(RunConsoleUpload, ALostPortStopsTheUploadWithOneLineAndItsOwnExitCode) {
  constexpr std::size_t kHandshakeBytes = 509;  // written as 256 and 253
  constexpr std::size_t kHeadBytes = 22;        // command and count
  constexpr std::size_t kImageBytes = 400 * 11;
  struct Case {
    const char* stage;
    std::size_t goneAfter;  // bytes the host wrote before the device went away
    std::string tail;
  };
  const std::string loaded = "Start Upload\nPropeller Version = 1\nWrite in RAM Lenght=1600\n";
  const Case cases[] = {
      {"handshake", 256, "Start Upload\nCOM3 lost\n"},
      {"image", kHandshakeBytes + kHeadBytes + 256, loaded + "COM3 lost\n"},
      {"checksum", kHandshakeBytes + kHeadBytes + kImageBytes, loaded + "Verify ..\nCOM3 lost\n"},
  };
  for (const Case& c : cases) {
    ConsoleRig rig;
    rig.device.goneAfterWritten = c.goneAfter;
    const std::string path = rig.files.Write("a.binary", BytesOf(std::vector<std::uint32_t>(400)));
    // Virtual time spent after the device went away.
    std::int64_t last = 0;
    std::int64_t afterLoss = 0;
    rig.clock.OnAdvance([&](std::int64_t now) {
      if (rig.device.gone) afterLoss += now - last;
      last = now;
    });
    EXPECT_EQ(rig.Run(path), exitcode::kPortLost) << c.stage;
    EXPECT_EQ(rig.console.out, "Propeller Upload on COM: 3\nFile: " + path + "\n" + c.tail)
        << c.stage;
    EXPECT_EQ(rig.console.err, "") << c.stage;
    // The closing pause, and not one poll more.
    EXPECT_EQ(afterLoss, kConsoleClosePauseMs) << c.stage;
  }
}

TEST(RunConsoleUpload, ProgressLineOnlyOnATerminalAndErasedWhenDone) {
  for (bool terminal : {false, true}) {
    ConsoleRig rig;
    rig.console.errIsTerminal = terminal;
    const std::string path =
        rig.files.Write("a.binary", Checked(BytesOf(std::vector<std::uint32_t>(200, 3))));
    EXPECT_EQ(rig.Run(path), exitcode::kOk);
    if (!terminal) {
      EXPECT_TRUE(rig.console.err.empty());
      continue;
    }
    const std::string& err = rig.console.err;
    EXPECT_NE(err.find("\rSending image: 50% (100 of 200 longs)"), std::string::npos);
    EXPECT_NE(err.find("\rSending image: 100% (200 of 200 longs)"), std::string::npos);
    EXPECT_EQ(err.find('\n'), std::string::npos) << "a single updating line";
    EXPECT_EQ(err.substr(err.size() - 4), "\r\x1b[K");
    EXPECT_EQ(rig.console.out.find("Sending"), std::string::npos);
  }
}

// The P2 load rate of the console comes from TAVOLIN_P2_BAUD: a rate in the ROM's range, or the
// default with a warning that names the variable.
TEST(ConsoleLoadBaud, TheVariableOrTheDefault) {
  struct Case {
    const char* value;
    int rate;
    bool warned;
  };
  const Case cases[] = {
      {nullptr, 2000000, false}, {"", 2000000, false},       {"921600", 921600, false},
      {"9600", 9600, false},     {"3000000", 2000000, true}, {"fast", 2000000, true},
  };
  for (const Case& c : cases) {
    fake::RecordingConsole console;
    EXPECT_EQ(ConsoleLoadBaud(c.value, console), c.rate) << (c.value ? c.value : "unset");
    EXPECT_EQ(console.err.find("TAVOLIN_P2_BAUD=") == 0, c.warned) << console.err;
  }
}

}  // namespace
}  // namespace tavolin
