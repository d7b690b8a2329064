// The windowed program against tavolin-sim on a virtual X server, with xdotool as the user: the
// window found by its title once the chip's own pixel test has read the demo's picture back,
// real keys reaching the chip, Save Settings from the menu byte for byte, an image upload asked
// for by the chip, a P2 program loaded at start-up with the terminal at a fast rate, and the
// window painted whole while an upload runs.  Each test takes its own COM number and the program
// never scans (ComNr is set).  What the window shows and copies, and its mouse reports, are the
// window tests' business (tests/ui, tests/shell, tests/win32).  Needs Xvfb and xdotool
// (tools/install-deps.sh): the Linux run skips these tests without them, the Wine run fails.
// Last, the window whose port is lost, without X.
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "settings/SettingsFile.h"
#include "tests/e2e/E2eRig.h"

namespace tavolin::e2e {
namespace {

constexpr const char* kWindowTitle = "Tavolin for P2 Monitor";
// The demo's own pixel test, as the sim logs it: a pixel inside the red box, one left black.
constexpr const char* kPictureAsDrawn = "note: pixel test: (100,124) 0xFF, (630,262) 0xFE";
constexpr const char* kImageRan = "note: boot loader: image loaded, running";
constexpr int kStartLimitMs = 15000;  // the window, the chip's open wait, the demo page
constexpr int kReplyLimitMs = 10000;
constexpr int kKeyDelayMs = 150;  // Wine drops keys typed faster on a busy machine

// The tests with real input: one virtual X server for all of them.
class XWindowE2e : public ::testing::Test {
 protected:
  static std::string Missing() {
    std::string missing = Launcher::Get().Missing();
    for (const char* program : {"Xvfb", "xdotool"}) {
      if (!HaveProgram(program)) missing += std::string(program) + " ";
    }
    return missing;
  }
  static void SetUpTestSuite() {
    if (!Launcher::Get().HasWindow() || !Missing().empty()) return;
    x_ = new XServer();
    displayOpen_ = x_->ok() && Launcher::Get().OpenDisplay(x_->display());
  }
  static void TearDownTestSuite() {
    if (displayOpen_) Launcher::Get().CloseDisplay();
    delete x_;
    x_ = nullptr;
  }
  void SetUp() override {
    if (!launcher_.HasWindow()) GTEST_SKIP() << "the program is built without its window";
    const std::string missing = Missing();
    if (!missing.empty() && !launcher_.wine()) GTEST_SKIP() << "not installed: " << missing;
    ASSERT_EQ(missing, "") << "missing (tools/build-windows.sh installs and builds them)";
    ASSERT_TRUE(x_ != nullptr && x_->ok()) << "Xvfb did not start";
    ASSERT_TRUE(displayOpen_) << "the Wine prefix for windows did not start";
  }

  // Starts the chip and the program on COM comNr, waits for the demo on the screen and gives the
  // window the focus.  False with the reason in failure_ when that did not happen.  termBaud, when
  // given, is the terminal's rate in the settings.
  bool Start(int comNr, int msMoveOff, int autoDis = 0, const std::string& autoload = "",
             int termBaud = 0, std::vector<std::string> simArgs = {"--no-clock"}) {
    tavolin_.reset();
    dir_ = std::make_unique<TempDir>();  // a session of its own: its log starts empty
    simArgs.insert(simArgs.end(), {"--write-images", dir_->Folder()});
    sim_ = std::make_unique<Sim>(*dir_, simArgs);
    if (!sim_->ok()) return Fail("tavolin-sim did not start");
    Settings settings;
    settings.ComNr = comNr;
    settings.BinPath = launcher_.Path(dir_->Folder() + "/");  // with its final separator
    settings.AutoDis = autoDis;
    settings.MsMoveOff = msMoveOff;
    settings.TermBaud = termBaud;
    settings.palette[7] = 0xA0A0A0;  // not the default: a save shows that it read every value
    std::string text = FormatSettingsFile(settings, autoDis != 0);
    text.insert(text.find("Autoload=") + 9, autoload);  // which a save leaves empty
    dir_->Write("start.ini", text);
    tavolin_ = launcher_.Start({{"start.ini"},
                                {{comNr, sim_->device()}},
                                x_->display(),
                                {},
                                dir_->Folder(),
                                dir_->File("tavolin.out"),
                                dir_->File("tavolin.err")});
    if (sim_->WaitForLog(kPictureAsDrawn, launcher_.Limit(kStartLimitMs)) == std::string::npos) {
      return Fail("no demo page:\n" + sim_->Log() + ReadFile(dir_->File("tavolin.err")));
    }
    window_ = x_->FindWindow(kWindowTitle, launcher_.Limit(kStartLimitMs));
    if (window_.empty()) return Fail("no window titled " + std::string(kWindowTitle));
    x_->Xdotool({"windowfocus", "--sync", window_});
    return true;
  }
  bool Fail(const std::string& why) {
    failure_ = why;
    return false;
  }
  void Keys(const std::vector<std::string>& keys) {
    std::vector<std::string> args{"key", "--delay", std::to_string(kKeyDelayMs)};
    args.insert(args.end(), keys.begin(), keys.end());
    x_->Xdotool(args);
  }
  // Opens a menu by its key and waits until its popup shows (one more visible window of the
  // program), so the keys that follow reach it.
  bool OpenMenu(const std::string& key) {
    const auto windows = [] {
      const std::string ids = x_->Xdotool({"search", "--onlyvisible", "--classname", "tavolin"});
      return std::count(ids.begin(), ids.end(), '\n');
    };
    const auto before = windows();
    Keys({key});
    return WaitFor([&] { return windows() > before; }, kReplyLimitMs);
  }
  static XServer* x_;
  static bool displayOpen_;
  const Launcher& launcher_ = Launcher::Get();
  std::unique_ptr<TempDir> dir_;
  std::unique_ptr<Sim> sim_;
  std::unique_ptr<Child> tavolin_;
  std::string window_;
  std::string failure_;
};

XServer* XWindowE2e::x_ = nullptr;
bool XWindowE2e::displayOpen_ = false;

TEST_F(XWindowE2e, KeysReachTheChipInEachMode) {
  struct Case {
    const char* name;
    int com;
    int msMoveOff;  // 0: graphics mode, 1: Normal-Terminal Mode
    std::vector<std::string> keys;
    std::vector<std::uint8_t> bytes;
  };
  const Case cases[] = {
      {"graphics mode Shift+a", 12, 0, {"shift+a"}, {1, 0x41, 3}},
      // Tab is a key for the chip, not a move of the window's focus.
      {"Normal-Terminal Mode Shift+a and Tab", 13, 1, {"shift+a", "Tab"}, {0x41, 9}},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(Start(c.com, c.msMoveOff)) << c.name << ": " << failure_;
    const std::size_t mark = sim_->Log().size();
    Keys(c.keys);
    WaitFor([&] { return sim_->HostBytes(mark).size() >= c.bytes.size(); }, kReplyLimitMs);
    EXPECT_EQ(sim_->HostBytes(mark), c.bytes) << c.name << "\n" << sim_->Log().substr(mark);
  }
}

TEST_F(XWindowE2e, SaveSettingsWritesWhatWasLoaded) {
  // The start file is the program's own writing, so the save gives it back byte for byte.
  ASSERT_TRUE(Start(16, 1, 1)) << failure_;
  const std::string path = dir_->File("Tavolin2.ini");
  // By arrows: Wine's menus take the first item of a letter at once ("&Save Text" before
  // "&Save Settings"), where Windows would move between the two.
  Keys({"alt+f", "Down", "Down", "Down", "Return"});
  ASSERT_TRUE(WaitFor([&] { return ReadFile(path).size() >= 300; }, kReplyLimitMs))
      << ReadFile(dir_->File("tavolin.err"));
  EXPECT_EQ(ReadFile(path), ReadFile(dir_->File("start.ini")));
}

TEST_F(XWindowE2e, TheChipsRequestUploadsTheImageItNamed) {
  ASSERT_TRUE(Start(18, 0)) << failure_;  // host requests are a graphics-mode code
  const std::size_t mark = sim_->Log().size();
  x_->Xdotool({"type", "--delay", "50", "sim-demo.binary"});
  Keys({"Return", "F12"});
  EXPECT_NE(sim_->WaitForLog(kImageRan, 2 * kReplyLimitMs, mark), std::string::npos)
      << sim_->Log().substr(mark);
  // The loaded image runs the demo again.
  EXPECT_NE(sim_->WaitForLog(kPictureAsDrawn, launcher_.Limit(kStartLimitMs), mark),
            std::string::npos)
      << sim_->Log().substr(mark);
}

// A P2 program loaded by the window at start-up (Autoload; the menu's "&Upload File" and the chip's
// requests end in the same upload), with the terminal at 2,000,000 baud: the P2 runs the image
// (that its hub RAM holds it byte for byte is the console rows'), and the demo it starts draws its
// picture at that rate.
TEST_F(XWindowE2e, AutoloadedP2ProgramRunsAtAFastTerminalRate) {
  // The session's folder is the program's current folder and receives the sim's images.
  ASSERT_TRUE(Start(17, 1, 0, "sim-demo-p2.binary", 2000000, {"--chip", "p2"})) << failure_;
  EXPECT_NE(sim_->Log().find("note: P2 ROM: 100004 bytes loaded, running"), std::string::npos)
      << sim_->Log();
}

// The window's lower part, below the banner's logo and the status lines an upload prints, and its
// upper part with them, compared with an earlier look.
constexpr int kLowerRows = 280;
bool SamePart(const WindowPixels& a, const WindowPixels& b, bool lower) {
  if (a.width != b.width || a.height != b.height || a.height < kLowerRows) return false;
  const auto split = static_cast<std::ptrdiff_t>(a.height - kLowerRows) * a.width;
  if (lower) return std::equal(a.pixels.begin() + split, a.pixels.end(), b.pixels.begin() + split);
  return std::equal(a.pixels.begin(), a.pixels.begin() + split, b.pixels.begin());
}

// On an X server without a compositor nobody keeps the pixels of a covered window: what the
// file dialog covered, and what another window covers meanwhile, must be painted again by the
// program while the upload runs for seconds without handling events.
TEST_F(XWindowE2e, TheWindowIsPaintedWholeWhileAnUploadRuns) {
  // The keys choose an item of Qt's own file dialog.
  if (launcher_.wine()) GTEST_SKIP() << "Qt's file dialog";
  ASSERT_TRUE(Start(19, 1)) << failure_;
  // Another window, waiting off the screen until it is moved over ours.
  Child other({"xlogo", "-geometry", "600x300+2000+2000"}, Env{{"DISPLAY", x_->display()}}, "", "",
              "");
  const std::string cover = x_->FindWindow("xlogo", kReplyLimitMs);
  ASSERT_FALSE(cover.empty()) << "xlogo did not start";
  x_->Xdotool({"windowfocus", "--sync", window_});
  ASSERT_TRUE(OpenMenu("alt+h")) << "the Help menu did not open";
  Keys({"c"});  // "&Clear": the upload's own clearing changes nothing below its status lines
  WindowPixels before;
  ASSERT_TRUE(WaitFor(
      [&] {
        before = x_->Grab(window_);
        if (before.height < kLowerRows) return false;
        const std::uint32_t first = before.pixels.back();
        return std::all_of(before.pixels.end() - kLowerRows * before.width, before.pixels.end(),
                           [first](std::uint32_t p) { return p == first; });
      },
      kReplyLimitMs))
      << "the cleared screen did not show";

  ASSERT_TRUE(OpenMenu("alt+f")) << "the File menu did not open";
  Keys({"u"});
  ASSERT_FALSE(x_->FindWindow("Load Binary", kReplyLimitMs).empty()) << "no file dialog";
  ASSERT_TRUE(WaitFor([&] { return !SamePart(x_->Grab(window_), before, true); }, kReplyLimitMs))
      << "the dialog does not cover the window: this test would prove nothing";
  const std::size_t mark = sim_->Log().size();
  x_->Xdotool({"type", "--delay", "50", "sim-demo.eeprom"});
  Keys({"Tab", "Up", "Up", "Return"});  // the type Propeller(.eeprom), two above OBJ file

  // The banner's logo shows: the EEPROM upload has begun, its pause, the image, the EEPROM's
  // programming and its verification (seconds) are ahead.
  const bool wholeAfterDialog = WaitFor(
      [&] {
        const WindowPixels now = x_->Grab(window_);
        return !SamePart(now, before, false) && SamePart(now, before, true);
      },
      kStartLimitMs, 50);
  EXPECT_TRUE(wholeAfterDialog) << "the window still shows the closed dialog";
  ASSERT_EQ(sim_->Log().find(kImageRan, mark), std::string::npos)
      << "the upload ended before the window was looked at";

  // The other window comes and goes.
  x_->Xdotool({"windowmove", "--sync", cover, "110", "330"});
  ASSERT_TRUE(WaitFor([&] { return !SamePart(x_->Grab(window_), before, true); }, kReplyLimitMs))
      << "the other window did not cover ours";
  x_->Xdotool({"windowmove", "--sync", cover, "2000", "2000"});
  const bool wholeAfterCover =
      WaitFor([&] { return SamePart(x_->Grab(window_), before, true); }, 1500, 50);
  EXPECT_EQ(sim_->Log().find(kImageRan, mark), std::string::npos)
      << "the upload ended before the window was looked at";
  EXPECT_TRUE(wholeAfterCover) << "the window still shows the window that covered it";
}

// The window when tavolin-sim ends and so the far end of its pseudo-terminal closes, as an
// unplugged adapter would: it closes the port and stays idle (its CPU time is measured from
// /proc).  What the program holds open is read from /proc/<pid>/fd, so every wait is for a
// condition.  Taking the device back behind the same name is the backend's (tests/posix) and the
// core's (tests/app PortLossTest); the console upload's loss is in ConsoleE2eTest.cpp.
namespace fs = std::filesystem;

constexpr int kOpenLimitMs = 15000;  // the window starts and opens its port
constexpr int kLossLimitMs = 5000;   // the loss is seen at the next poll
constexpr int kIdleWindowMs = 3000;  // the CPU time is measured over this
constexpr double kIdleCpuLimit = 0.01;

// Whether process pid has device open.
bool Holds(pid_t pid, const std::string& device) {
  std::error_code ec;
  for (fs::directory_iterator it("/proc/" + std::to_string(pid) + "/fd", ec), end; !ec && it != end;
       it.increment(ec)) {
    std::error_code ec2;
    if (fs::read_symlink(it->path(), ec2).string() == device) return true;
  }
  return false;
}

// User and system CPU time of process pid, in clock ticks.
long CpuTicks(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat;
  std::getline(in, stat);
  // The fields after the command name (which may hold blanks) start after its closing bracket.
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));
  std::string field;
  long utime = 0;
  long stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stol(field);
    if (i == 15) stime = std::stol(field);
  }
  return utime + stime;
}

TEST(PortLossE2e, TheWindowClosesALostPortAndGoesIdle) {
  if (Launcher::Get().wine()) {
    GTEST_SKIP() << "under Wine the program's open devices and CPU time are not in /proc of the "
                    "process started";
  }
  if (!TAVOLIN_HAS_WINDOW) GTEST_SKIP() << "the program is built without its window";
  TempDir dir;
  Sim chip(dir, {"--no-clock"});
  ASSERT_TRUE(chip.ok());
  const std::string link = dir.File("com5");
  fs::create_symlink(chip.device(), link);
  dir.Write("start.ini", "[Config]\r\nComNr=5\r\n");
  // The window on Qt's offscreen platform with COM 5 behind link.
  const auto tavolin = Launcher::Get().Start({{dir.File("start.ini")},
                                              {{5, link}},
                                              "",
                                              {{"QT_QPA_PLATFORM", "offscreen"}},
                                              dir.Folder(),
                                              dir.File("out"),
                                              dir.File("err")});
  ASSERT_TRUE(WaitFor([&] { return Holds(tavolin->pid(), chip.device()); }, kOpenLimitMs))
      << ReadFile(dir.File("err"));

  // The adapter is pulled out: its name goes first (or a pseudo-terminal opened meanwhile by
  // anyone could take over the freed number behind it), then its far end.
  fs::remove(link);
  chip.Kill();
  ASSERT_TRUE(WaitFor([&] { return !Holds(tavolin->pid(), chip.device()); }, kLossLimitMs))
      << "the port stayed open";
  ASSERT_FALSE(tavolin->Ended()) << ReadFile(dir.File("err"));

  const long before = CpuTicks(tavolin->pid());
  const std::int64_t from = NowMs();
  WaitFor([&] { return NowMs() - from >= kIdleWindowMs || tavolin->Ended(); }, 2 * kIdleWindowMs);
  const double seconds = static_cast<double>(NowMs() - from) / 1000.0;
  const double share =
      static_cast<double>(CpuTicks(tavolin->pid()) - before) / sysconf(_SC_CLK_TCK) / seconds;
  ASSERT_FALSE(tavolin->Ended());
  std::printf("CPU share of the window after its port was lost: %.2f %% of a core over %.1f s\n",
              share * 100.0, seconds);
  RecordProperty("idle_cpu_percent", std::to_string(share * 100.0));
  EXPECT_LT(share, kIdleCpuLimit);
}

}  // namespace
}  // namespace tavolin::e2e
