// The console upload (IMAGE -L PORT-NUMBER) of the real tavolin program against the real
// tavolin-sim on a pseudo-terminal: the lines on standard output, the message on standard error
// and the exit code of each outcome, and what the simulated boot loader saw.  The runs go side by
// side (each with its own chip), so the group takes as long as its slowest run, the EEPROM upload.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "E2eRig.h"

namespace tavolin::e2e {
namespace {

constexpr int kRunLimitMs = 30000;  // a hung program fails the test instead of hanging it

constexpr const char* kRamLoad =
    "Start Upload\nPropeller Version = 1\nWrite in RAM Lenght=80\nVerify ..\n..OK -> RUN\n";
constexpr const char* kEepromLoad =
    "Made by the Tavolin project\nAsk for a customized version\nfor your commercial product!\n\n"
    "Start Upload\nPropeller Version = 1\nWrite in EEPROM Lenght=32768\nVerify ..\n..OK -> RUN\n";

TEST(ConsoleE2e, EveryOutcomeHasItsLinesAndExitCode) {
  enum class Port { Sim, Missing };
  enum class Image { Binary, Eeprom, Missing, BadChecksum, Fifo, Device, P2 };
  struct Case {
    const char* name;
    std::vector<std::string> simArgs;
    Port port;
    Image image;
    int exitCode;
    std::string out;  // after the two header lines
    std::string errPart;
    std::string simNote;  // in the sim's log afterwards
  };
  constexpr const char* kAtP2Baud = "P2 program at the rate of TAVOLIN_P2_BAUD";
  const Case cases[] = {
      {"good RAM upload",
       {},
       Port::Sim,
       Image::Binary,
       0,
       kRamLoad,
       "",
       "boot loader: image loaded, running"},
      {"good EEPROM upload",
       {},
       Port::Sim,
       Image::Eeprom,
       0,
       kEepromLoad,
       "",
       "boot loader: image loaded, running"},
      {"no port",
       {},
       Port::Missing,
       Image::Binary,
       2,
       "",
       "No COM: wrong number or not activated\n",
       ""},
      {"missing file", {}, Port::Sim, Image::Missing, 3, "Start Upload\nNo such file\n", "", ""},
      // Only regular files are images: a FIFO nobody writes or an endless device would never end.
      {"a FIFO", {}, Port::Sim, Image::Fifo, 3, "Start Upload\nNo such file\n", "", ""},
      {"a device", {}, Port::Sim, Image::Device, 3, "Start Upload\nNo such file\n", "", ""},
      {"no answer",
       {"--fault", "no-answer"},
       Port::Sim,
       Image::Binary,
       4,
       "Start Upload\nTime Out\nCode Error -> Abort\n",
       "",
       ""},
      {"wrong reply bit",
       {"--fault", "wrong-reply-bit"},
       Port::Sim,
       Image::Binary,
       4,
       "Start Upload\nCode Error -> Abort\n",
       "",
       ""},
      {"chip reports a bad checksum",
       {"--fault", "bad-checksum"},
       Port::Sim,
       Image::Binary,
       5,
       "Start Upload\nPropeller Version = 1\nWrite in RAM Lenght=80\nVerify ..\nCheckSum Error\n",
       "",
       "boot loader shut down: checksum error"},
      {"image with a wrong checksum",
       {},
       Port::Sim,
       Image::BadChecksum,
       5,
       "Start Upload\nPropeller Version = 1\nWrite in RAM Lenght=80\nVerify ..\nCheckSum Error\n",
       "",
       "boot loader shut down: checksum error"},
      {"P2 program",
       {"--chip", "p2"},
       Port::Sim,
       Image::P2,
       0,
       "Start Upload\nPropeller 2 Version = G\nWrite in P2 RAM Length=100000 at 2000000 Baud\n"
       "Verify ..\n..OK -> RUN\n",
       "",
       "P2 ROM: 100004 bytes loaded, running"},
      {kAtP2Baud,
       {"--chip", "p2"},
       Port::Sim,
       Image::P2,
       0,
       "Start Upload\nPropeller 2 Version = G\nWrite in P2 RAM Length=100000 at 921600 Baud\n"
       "Verify ..\n..OK -> RUN\n",
       "",
       "P2 ROM: 100004 bytes loaded, running"},
      {"P2 refuses the checksum",
       {"--chip", "p2", "--fault", "bad-checksum"},
       Port::Sim,
       Image::P2,
       5,
       "Start Upload\nPropeller 2 Version = G\nWrite in P2 RAM Length=100000 at 2000000 Baud\n"
       "Verify ..\nCheckSum Error\n",
       "",
       "P2 ROM: checksum error"},
      {"P2 program with a P1 on the line",
       {},
       Port::Sim,
       Image::P2,
       4,
       "Start Upload\nNo Propeller 2 answered: nothing loaded\n",
       "",
       ""},
  };
  struct Run {
    std::unique_ptr<TempDir> dir;
    std::unique_ptr<Sim> sim;
    std::string image;
    std::unique_ptr<Child> tavolin;
  };
  std::vector<Run> runs(std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    Run& r = runs[i];
    r.dir = std::make_unique<TempDir>();
    std::vector<std::string> args = c.simArgs;
    args.insert(args.end(), {"--write-images", r.dir->path().string()});
    if (c.image == Image::P2) args.insert(args.end(), {"--hub-file", *r.dir / "hub"});
    r.sim = std::make_unique<Sim>(*r.dir, args);
    ASSERT_TRUE(r.sim->ok()) << c.name;
    const char* names[] = {"sim-demo.binary", "sim-demo.eeprom", "absent.binary",
                           "bad.binary",      "fifo.binary",     "/dev/zero",
                           "sim-demo-p2.binary"};
    r.image = c.image == Image::Device ? std::string(names[static_cast<int>(c.image)])
                                       : *r.dir / names[static_cast<int>(c.image)];
    if (c.image == Image::Fifo) {
      ASSERT_EQ(::mkfifo(r.image.c_str(), 0600), 0) << c.name;
    }
    if (c.image == Image::BadChecksum) {
      std::string bytes = ReadFile(*r.dir / "sim-demo.binary");
      bytes[5] = static_cast<char>(bytes[5] ^ 0x01);  // the checksum byte
      WriteFile(r.image, bytes);
    }
    const std::string device = c.port == Port::Sim ? r.sim->device() : *r.dir / "no-such-tty";
    Env env{{"TAVOLIN_COM7", device}};
    if (std::string(c.name) == kAtP2Baud) env.emplace("TAVOLIN_P2_BAUD", "921600");
    r.tavolin = std::make_unique<Child>(std::vector<std::string>{TAVOLIN_PROGRAM, r.image, "-L", "7"},
                                        env, r.dir->path().string(), *r.dir / "out",
                                        *r.dir / "err");
  }
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    Run& r = runs[i];
    EXPECT_EQ(r.tavolin->WaitExit(kRunLimitMs), c.exitCode) << c.name;
    EXPECT_EQ(ReadFile(*r.dir / "out"),
              "Propeller Upload on COM: 7\nFile: " + r.image + "\n" + c.out)
        << c.name;
    const std::string err = ReadFile(*r.dir / "err");
    EXPECT_NE(err.find(c.errPart), std::string::npos) << c.name << ": " << err;
    if (!c.simNote.empty()) {
      EXPECT_NE(r.sim->Log().find("note: " + c.simNote), std::string::npos) << c.name;
    }
    if (c.image == Image::P2 && c.exitCode == 0) {
      EXPECT_EQ(ReadFile(*r.dir / "hub"), ReadFile(r.image)) << c.name << ": the P2's hub RAM";
    }
  }
}

// --help and --version answer before the console/window split: with no display, no port and
// no settings file they still print their text and exit 0 (the window would exit 1 here).
TEST(ConsoleE2e, HelpAndVersionAnswerWithoutPortOrWindow) {
  struct Case {
    std::vector<std::string> args;
    std::string exactOut;  // when not empty, the whole of standard output
    std::vector<std::string> outParts;
  };
  const Case cases[] = {
      {{"--version"}, std::string("tavolin ") + TAVOLIN_VERSION + "\n", {}},
      {{"--version", "image.binary", "-L"}, std::string("tavolin ") + TAVOLIN_VERSION + "\n", {}},
      {{"--help"},
       "",
       {"IMAGE -L PORT-NUMBER", "SETTINGS-FILE -A IMAGE", "--version", "  0  ", "  2  ", "  3  ",
        "  4  ", "  5  "}},
      {{"-h"}, "", {"IMAGE -L PORT-NUMBER", "--version"}},
  };
  for (const Case& c : cases) {
    const std::string what = c.args.front() + " (" + std::to_string(c.args.size()) + " words)";
    TempDir dir;
    std::vector<std::string> argv{TAVOLIN_PROGRAM};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    Child tavolin(argv, Env{}, dir.path().string(), dir / "out", dir / "err");
    EXPECT_EQ(tavolin.WaitExit(kRunLimitMs), 0) << what;
    const std::string out = ReadFile(dir / "out");
    if (!c.exactOut.empty()) {
      EXPECT_EQ(out, c.exactOut) << what;
    }
    for (const std::string& part : c.outParts) {
      EXPECT_NE(out.find(part), std::string::npos) << what << ": " << part;
    }
    EXPECT_EQ(ReadFile(dir / "err"), "") << what;
    EXPECT_FALSE(std::filesystem::exists(dir / "Tavolin2.ini")) << what;
  }
}

}  // namespace
}  // namespace tavolin::e2e
