// The console upload (IMAGE -L PORT-NUMBER) of the program under test against the real
// tavolin-sim on a pseudo-terminal: the lines on standard output (a file here, as a script's
// redirection makes it), the message on standard error and the exit code, one outcome per code
// (which outcome gives which lines is the loader's tests' business), and what the simulated boot
// loader saw.  The runs go side by side, each with its own chip and COM number, so the group
// takes as long as its slowest run.  The EEPROM upload's own steps are the loader's tests'; here
// it is the upload whose port is lost.
#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/E2eRig.h"

namespace tavolin::e2e {
namespace {

constexpr int kRunLimitMs = 30000;  // a hung program fails the test instead of hanging it
constexpr int kFirstPort = 21;      // far above the ports Wine maps to the machine's own

constexpr const char* kRamLoad =
    "Start Upload\nPropeller Version = 1\nWrite in RAM Lenght=80\nVerify ..\n..OK -> RUN\n";

class ConsoleE2e : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(launcher_.Missing(), "") << "missing"; }

  // One upload with its own folder (where the sim writes its demo images), chip and port.
  struct Run {
    std::unique_ptr<TempDir> dir = std::make_unique<TempDir>();
    std::unique_ptr<Sim> sim;
    int port = 0;
    std::string image;  // as the program was given it
    std::unique_ptr<Child> tavolin;
  };
  // Starts the upload of image; a device that does not exist for the port leaves it absent.
  void Start(Run& r, const std::string& image, const std::vector<std::string>& simArgs,
             bool portThere = true, const Env& env = {}) {
    std::vector<std::string> args = simArgs;
    args.insert(args.end(), {"--write-images", r.dir->Folder()});
    r.sim = std::make_unique<Sim>(*r.dir, args);
    ASSERT_TRUE(r.sim->ok());
    r.image = launcher_.Path(image);
    const std::string device = portThere ? r.sim->device() : r.dir->File("no-such-tty");
    r.tavolin = launcher_.Start({{r.image, "-L", std::to_string(r.port)},
                                 {{r.port, device}},
                                 "",
                                 env,
                                 r.dir->Folder(),
                                 r.dir->File("out"),
                                 r.dir->File("err")});
  }

  const Launcher& launcher_ = Launcher::Get();
};

TEST_F(ConsoleE2e, EachExitCodeWithItsLines) {
  enum class Image { Binary, Missing, P2 };
  struct Case {
    const char* name;
    std::vector<std::string> simArgs;
    bool portThere;
    Image image;
    int exitCode;
    std::string out;  // after the two header lines
    std::string errPart;
    std::string simNote;  // in the sim's log afterwards
  };
  constexpr const char* kAtP2Baud = "P2 program at the rate of TAVOLIN_P2_BAUD";
  auto p2Load = [](const char* baud, const char* end) {
    return std::string("Start Upload\nPropeller 2 Version = G\nWrite in P2 RAM Length=100000 at ") +
           baud + " Baud\nVerify ..\n" + end;
  };
  const Case cases[] = {
      {"good RAM upload", {}, true, Image::Binary, 0, kRamLoad, "",
       "boot loader: image loaded, running"},
      {"no port", {}, false, Image::Binary, 2, "", "No COM: wrong number or not activated\n", ""},
      {"missing file", {}, true, Image::Missing, 3, "Start Upload\nNo such file\n", "", ""},
      {"no answer", {"--fault", "no-answer"}, true, Image::Binary, 4,
       "Start Upload\nTime Out\nCode Error -> Abort\n", "", ""},
      {"chip reports a bad checksum", {"--fault", "bad-checksum"}, true, Image::Binary, 5,
       "Start Upload\nPropeller Version = 1\nWrite in RAM Lenght=80\nVerify ..\nCheckSum Error\n",
       "", "boot loader shut down: checksum error"},
      {"P2 program", {"--chip", "p2"}, true, Image::P2, 0, p2Load("2000000", "..OK -> RUN\n"), "",
       "P2 ROM: 100004 bytes loaded, running"},
      {kAtP2Baud, {"--chip", "p2"}, true, Image::P2, 0, p2Load("921600", "..OK -> RUN\n"), "",
       "P2 ROM: 100004 bytes loaded, running"},
  };
  std::vector<Run> runs(std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    const char* names[] = {"sim-demo.binary", "absent.binary", "sim-demo-p2.binary"};
    Run& r = runs[i];
    r.port = kFirstPort + static_cast<int>(i);
    std::vector<std::string> simArgs = c.simArgs;
    if (c.image == Image::P2) simArgs.insert(simArgs.end(), {"--hub-file", r.dir->File("hub")});
    Env env;
    if (std::string(c.name) == kAtP2Baud) env.emplace("TAVOLIN_P2_BAUD", "921600");
    Start(r, r.dir->File(names[static_cast<int>(c.image)]), simArgs, c.portThere, env);
  }
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    Run& r = runs[i];
    EXPECT_EQ(r.tavolin->WaitExit(launcher_.Limit(kRunLimitMs)), c.exitCode) << c.name;
    EXPECT_EQ(ReadFile(r.dir->File("out")), "Propeller Upload on COM: " + std::to_string(r.port) +
                                                "\nFile: " + r.image + "\n" + c.out)
        << c.name;
    const std::string err = ReadFile(r.dir->File("err"));
    if (c.errPart.empty()) {
      EXPECT_EQ(err, "") << c.name;
    } else {
      EXPECT_NE(err.find(c.errPart), std::string::npos) << c.name << ": " << err;
    }
    if (!c.simNote.empty()) {
      EXPECT_NE(r.sim->Log().find("note: " + c.simNote), std::string::npos) << c.name;
    }
    if (c.image == Image::P2 && c.exitCode == 0) {
      EXPECT_EQ(ReadFile(r.dir->File("hub")), ReadFile(r.dir->File("sim-demo-p2.binary")))
          << c.name << ": the P2's hub RAM";
    }
  }
}

// Under Wine a pseudo-terminal whose far end has gone still reads as silence, but the next write
// fails: either way the program notices mid-image and ends with its own code.
TEST_F(ConsoleE2e, TheUploadEndsWithItsOwnExitCodeWhenThePortIsLost) {
  Run r;
  r.port = kFirstPort + 10;
  Start(r, r.dir->File("sim-demo.eeprom"), {});  // 32 KB: seconds on the wire
  ASSERT_TRUE(
      WaitFor([&] { return ReadFile(r.dir->File("out")).find("Lenght=") != std::string::npos; },
              launcher_.Limit(kRunLimitMs)))
      << ReadFile(r.dir->File("out"));
  r.sim->Kill();  // the chip's end goes away while the image is being sent
  EXPECT_EQ(r.tavolin->WaitExit(launcher_.Limit(kRunLimitMs)), 6) << ReadFile(r.dir->File("err"));
  const std::string out = ReadFile(r.dir->File("out"));
  EXPECT_EQ(out.substr(out.find("Write in EEPROM")),
            "Write in EEPROM Lenght=32768\nCOM" + std::to_string(r.port) + " lost\n");
}

}  // namespace
}  // namespace tavolin::e2e
