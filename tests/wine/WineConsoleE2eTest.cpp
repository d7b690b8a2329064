// The console upload of the real tavolin.exe under Wine against the real tavolin-sim: each run
// has its own chip on a pseudo-terminal that the scratch Wine prefix maps to its own COM number
// ($WINEPREFIX/dosdevices/comN), so no run scans ports or meets the machine's real serial port.
// The lines on standard output (a file here, as a script's redirection makes it), the reason on
// standard error and the exit code must be those of the Linux program.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "E2eRig.h"

namespace tavolin::e2e {
namespace {

namespace fs = std::filesystem;

constexpr int kRunLimitMs = 90000;  // Wine on a busy machine is slow, but never this slow
constexpr int kFirstPort = 21;      // far above what Wine maps to the machine's own ports

constexpr const char* kRamLoad =
    "Start Upload\nPropeller Version = 1\nWrite in RAM Lenght=80\nVerify ..\n..OK -> RUN\n";
constexpr const char* kEepromLoad =
    "Made by the Tavolin project\nAsk for a customized version\nfor your commercial product!\n\n"
    "Start Upload\nPropeller Version = 1\nWrite in EEPROM Lenght=32768\nVerify ..\n..OK -> RUN\n";

Env WineEnv() {
  return {{"TAVOLIN_WINEPREFIX", TAVOLIN_WINE_PREFIX}};
}

// A Linux path as Wine's drive Z: shows it.
std::string WindowsPath(const std::string& path) {
  std::string out = "Z:" + path;
  for (char& c : out) {
    if (c == '/') c = '\\';
  }
  return out;
}

// Points COM n of the prefix at device; an empty device removes the mapping.
void MapPort(int n, const std::string& device) {
  const fs::path link = fs::path(TAVOLIN_WINE_PREFIX) / "dosdevices" / ("com" + std::to_string(n));
  std::error_code ec;
  fs::remove(link, ec);
  if (!device.empty()) fs::create_symlink(device, link);
}

class WineConsoleE2e : public testing::Test {
 protected:
  // The prefix is made (or found) by the first program run in it: --help, which is checked too.
  static void SetUpTestSuite() {
    ASSERT_TRUE(fs::exists(TAVOLIN_WINDOWS_PROGRAM))
        << TAVOLIN_WINDOWS_PROGRAM << " is missing: run tools/build-windows.sh first";
    TempDir dir;
    Child help({TAVOLIN_WINE_RUN, TAVOLIN_WINDOWS_PROGRAM, "--help"}, WineEnv(),
               dir.path().string(), dir / "out", dir / "err");
    ASSERT_EQ(help.WaitExit(kRunLimitMs), 0) << ReadFile(dir / "err");
    helpText_ = ReadFile(dir / "out");
  }
  static std::string helpText_;
};
std::string WineConsoleE2e::helpText_;

TEST_F(WineConsoleE2e, HelpReachesStandardOutputThroughAPipe) {
  EXPECT_NE(helpText_.find("-L PORT-NUMBER"), std::string::npos) << helpText_;
  EXPECT_NE(helpText_.find("tavolin"), std::string::npos) << helpText_;
}

TEST_F(WineConsoleE2e, EveryOutcomeHasTheLinuxLinesAndExitCode) {
  enum class Image { Binary, Eeprom, Missing, BadChecksum };
  struct Case {
    const char* name;
    std::vector<std::string> simArgs;
    bool mapped;
    Image image;
    int exitCode;
    std::string out;  // after the two header lines
    std::vector<std::string> errParts;
    std::string simNote;  // in the sim's log afterwards
  };
  const Case cases[] = {
      {"good RAM upload",
       {},
       true,
       Image::Binary,
       0,
       kRamLoad,
       {},
       "boot loader: image loaded, running"},
      {"good EEPROM upload",
       {},
       true,
       Image::Eeprom,
       0,
       kEepromLoad,
       {},
       "boot loader: image loaded, running"},
      {"no such port",
       {},
       false,
       Image::Binary,
       2,
       "",
       {"No COM: wrong number or not activated\n", ": no such port"},
       ""},
      {"missing file", {}, true, Image::Missing, 3, "Start Upload\nNo such file\n", {}, ""},
      {"no answer",
       {"--fault", "no-answer"},
       true,
       Image::Binary,
       4,
       "Start Upload\nTime Out\nCode Error -> Abort\n",
       {},
       ""},
      {"chip reports a bad checksum",
       {"--fault", "bad-checksum"},
       true,
       Image::Binary,
       5,
       "Start Upload\nPropeller Version = 1\nWrite in RAM Lenght=80\nVerify ..\nCheckSum Error\n",
       {},
       "boot loader shut down: checksum error"},
      {"image with a wrong checksum",
       {},
       true,
       Image::BadChecksum,
       5,
       "Start Upload\nPropeller Version = 1\nWrite in RAM Lenght=80\nVerify ..\nCheckSum Error\n",
       {},
       "boot loader shut down: checksum error"},
  };
  struct Run {
    int port = 0;
    std::unique_ptr<TempDir> dir;
    std::unique_ptr<Sim> sim;
    std::string image;
    std::unique_ptr<Child> tavolin;
  };
  std::vector<Run> runs(std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    Run& r = runs[i];
    r.port = kFirstPort + static_cast<int>(i);
    r.dir = std::make_unique<TempDir>();
    std::vector<std::string> args = c.simArgs;
    args.insert(args.end(), {"--write-images", r.dir->path().string()});
    r.sim = std::make_unique<Sim>(*r.dir, args);
    ASSERT_TRUE(r.sim->ok()) << c.name;
    MapPort(r.port, c.mapped ? r.sim->device() : "");
    const char* names[] = {"sim-demo.binary", "sim-demo.eeprom", "absent.binary", "bad.binary"};
    const std::string image = *r.dir / names[static_cast<int>(c.image)];
    if (c.image == Image::BadChecksum) {
      std::string bytes = ReadFile(*r.dir / "sim-demo.binary");
      bytes[5] = static_cast<char>(bytes[5] ^ 0x01);  // the checksum byte
      WriteFile(image, bytes);
    }
    r.image = WindowsPath(image);
    r.tavolin =
        std::make_unique<Child>(std::vector<std::string>{TAVOLIN_WINE_RUN, TAVOLIN_WINDOWS_PROGRAM,
                                                         r.image, "-L", std::to_string(r.port)},
                                WineEnv(), r.dir->path().string(), *r.dir / "out", *r.dir / "err");
  }
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    Run& r = runs[i];
    EXPECT_EQ(r.tavolin->WaitExit(kRunLimitMs), c.exitCode) << c.name;
    EXPECT_EQ(ReadFile(*r.dir / "out"), "Propeller Upload on COM: " + std::to_string(r.port) +
                                            "\nFile: " + r.image + "\n" + c.out)
        << c.name;
    const std::string err = ReadFile(*r.dir / "err");
    for (const std::string& part : c.errParts) {
      EXPECT_NE(err.find(part), std::string::npos) << c.name << ": " << err;
    }
    if (c.errParts.empty()) {
      EXPECT_EQ(err, "") << c.name;
    }
    if (!c.simNote.empty()) {
      EXPECT_NE(r.sim->Log().find("note: " + c.simNote), std::string::npos) << c.name;
    }
    MapPort(r.port, "");
  }
}

// Under Wine a pseudo-terminal whose far end has gone still reads as silence, but the next write
// fails: that is where the program notices, mid-image, and ends with its own code.
TEST_F(WineConsoleE2e, TheUploadEndsWithItsOwnExitCodeWhenThePortIsLost) {
  constexpr int kPort = kFirstPort + 10;
  TempDir dir;
  Sim sim(dir, {"--write-images", dir.path().string()});
  ASSERT_TRUE(sim.ok());
  MapPort(kPort, sim.device());
  const std::string image = WindowsPath(dir / "sim-demo.eeprom");  // 32 KB: seconds on the wire
  Child tavolin({TAVOLIN_WINE_RUN, TAVOLIN_WINDOWS_PROGRAM, image, "-L", std::to_string(kPort)},
                WineEnv(), dir.path().string(), dir / "out", dir / "err");
  ASSERT_TRUE(WaitFor([&] { return ReadFile(dir / "out").find("Lenght=") != std::string::npos; },
                      kRunLimitMs))
      << ReadFile(dir / "out");
  sim.Kill();  // the chip's end goes away while the image is being sent
  EXPECT_EQ(tavolin.WaitExit(kRunLimitMs), 6) << ReadFile(dir / "err");
  const std::string out = ReadFile(dir / "out");
  EXPECT_EQ(out.substr(out.find("Write in EEPROM")),
            "Write in EEPROM Lenght=32768\nCOM" + std::to_string(kPort) + " lost\n");
  MapPort(kPort, "");
}

}  // namespace
}  // namespace tavolin::e2e
