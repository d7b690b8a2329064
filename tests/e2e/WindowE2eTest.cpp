// The windowed tavolin program against tavolin-sim: the port scan at start-up, the demo's
// picture read back by the chip's own pixel test, and - on a virtual X server, with xdotool as the
// user - keys and mouse reports reaching the chip, an image upload asked for by the chip, and the
// menu's Save Settings (the menu's Upload File and its dialog are tested in tests/shell), and the
// window painted whole while an upload runs.  The
// scan test runs on Qt's offscreen platform; the others are skipped when Xvfb or xdotool is
// missing (tools/install-deps.sh installs both).
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "E2eRig.h"

namespace tavolin::e2e {
namespace {

constexpr const char* kWindowTitle = "Tavolin for P2 Monitor";
// The demo's own pixel test, as the sim logs it: a pixel inside the red box, one left black.
constexpr const char* kPictureAsDrawn = "note: pixel test: (100,124) 0xFF, (630,262) 0xFE";
constexpr const char* kImageRan = "note: boot loader: image loaded, running";
constexpr int kStartLimitMs = 15000;  // the window, the chip's open wait, the demo page
constexpr int kReplyLimitMs = 10000;

// A pseudo-terminal whose master is held open and never read: a port with no chip behind it.
struct DeadPort {
  int master = -1;
  std::string name;
  DeadPort() {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) name = ptsname(master);
  }
  ~DeadPort() {
    if (master >= 0) ::close(master);
  }
};

// One windowed session: its folder with the images, the chip, and the program started with a
// settings file as its first argument and COM 3 on the chip.
struct Session {
  TempDir dir;
  std::unique_ptr<Sim> sim;
  std::unique_ptr<Child> tavolin;

  Session(const std::string& settings, const Env& env, const std::vector<std::string>& simArgs) {
    std::vector<std::string> args = simArgs;
    args.insert(args.end(), {"--write-images", dir.path().string()});
    sim = std::make_unique<Sim>(dir, args);
    if (!sim->ok()) return;
    WriteFile(dir / "start.ini", settings);
    Env all = env;
    all.emplace("TAVOLIN_COM3", sim->device());
    tavolin =
        std::make_unique<Child>(std::vector<std::string>{TAVOLIN_PROGRAM, dir / "start.ini"}, all,
                                dir.path().string(), dir / "tavolin.out", dir / "tavolin.err");
  }
  std::string Folder() const { return dir.path().string() + "/"; }
};

TEST(WindowE2e, StartUpScanFindsTheChipAndThePictureIsAsDrawn) {
  if (!TAVOLIN_HAS_WINDOW) GTEST_SKIP() << "the program is built without its window";
  DeadPort dead;
  ASSERT_FALSE(dead.name.empty());
  TempDir scratch;
  Session s(SettingsText(0, "", 0, 1, ""),
            {{"QT_QPA_PLATFORM", "offscreen"},
             {"TAVOLIN_COM1", scratch / "no-such-tty"},
             {"TAVOLIN_COM2", dead.name}},
            {});
  ASSERT_TRUE(s.sim->ok());
  EXPECT_NE(s.sim->WaitForLog(kPictureAsDrawn, kStartLimitMs), std::string::npos) << s.sim->Log();
  // Only the scan can have opened COM 3 (ComNr is 0): its quiet handshake came first.
  const std::string log = s.sim->Log();
  const std::size_t handshake = log.find("host: F9 FE FF FE");
  EXPECT_LT(handshake, log.find(kPictureAsDrawn)) << log;
  EXPECT_TRUE(!s.tavolin->Ended()) << "the window closed: " << ReadFile(s.dir / "tavolin.err");
}

// A P2 program loaded by the window at start-up (Autoload; the menu's "&Upload File" and the chip's
// requests end in the same upload), with the terminal at 2,000,000 baud: the P2's hub RAM holds
// the image byte for byte, and the demo it starts draws its picture at that rate.
TEST(WindowE2e, AutoloadedP2ProgramRunsAtAFastTerminalRate) {
  if (!TAVOLIN_HAS_WINDOW) GTEST_SKIP() << "the program is built without its window";
  TempDir scratch;
  // The session's folder is the program's current folder and receives the sim's images.
  std::string settings = SettingsText(3, "", 0, 1, "sim-demo-p2.binary");
  settings.insert(settings.find("[Colors]"), "TermBaud=2000000\r\n");
  Session s(settings, {{"QT_QPA_PLATFORM", "offscreen"}},
            {"--chip", "p2", "--hub-file", scratch / "hub"});
  ASSERT_TRUE(s.sim->ok());
  EXPECT_NE(s.sim->WaitForLog("note: P2 ROM: 100004 bytes loaded, running", kStartLimitMs),
            std::string::npos)
      << s.sim->Log();
  EXPECT_EQ(ReadFile(scratch / "hub"), ReadFile(s.dir / "sim-demo-p2.binary"));
  EXPECT_NE(s.sim->WaitForLog(kPictureAsDrawn, kStartLimitMs), std::string::npos) << s.sim->Log();
  EXPECT_TRUE(!s.tavolin->Ended()) << "the window closed: " << ReadFile(s.dir / "tavolin.err");
}

// The tests with real input: one virtual X server for all of them.
class XWindowE2e : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (TAVOLIN_HAS_WINDOW && HaveProgram("Xvfb") && HaveProgram("xdotool")) {
      x_ = new XServer();
    }
  }
  static void TearDownTestSuite() {
    delete x_;
    x_ = nullptr;
  }
  void SetUp() override {
    if (!TAVOLIN_HAS_WINDOW) GTEST_SKIP() << "the program is built without its window";
    if (x_ == nullptr) GTEST_SKIP() << "Xvfb or xdotool is not installed";
    ASSERT_TRUE(x_->ok()) << "Xvfb did not start";
  }

  // Starts a session on the X server, waits for the demo and gives the window the focus.
  std::unique_ptr<Session> Start(int msMoveOff, int autoDis = 0, const std::string& autoload = "",
                                 const std::vector<std::string>& simArgs = {"--no-clock"}) {
    auto s = std::make_unique<Session>("", Env{{"DISPLAY", x_->display()}}, simArgs);
    if (!s->sim->ok()) return nullptr;
    s->tavolin.reset();
    WriteFile(s->dir / "start.ini", SettingsText(3, s->Folder(), autoDis, msMoveOff, autoload));
    s->tavolin = std::make_unique<Child>(
        std::vector<std::string>{TAVOLIN_PROGRAM, s->dir / "start.ini"},
        Env{{"DISPLAY", x_->display()}, {"TAVOLIN_COM3", s->sim->device()}}, s->dir.path().string(),
        s->dir / "tavolin.out", s->dir / "tavolin.err");
    if (s->sim->WaitForLog(kPictureAsDrawn, kStartLimitMs) == std::string::npos) return nullptr;
    window_ = x_->FindWindow(kWindowTitle, kStartLimitMs);
    if (window_.empty()) return nullptr;
    x_->Xdotool({"windowfocus", "--sync", window_});
    return s;
  }
  void Keys(const std::vector<std::string>& keys) {
    std::vector<std::string> args{"key"};
    args.insert(args.end(), keys.begin(), keys.end());
    x_->Xdotool(args);
  }
  // The program's visible windows: the main window, and a menu's popup while one is open.
  int VisibleWindows() const {
    std::istringstream ids(x_->Xdotool({"search", "--onlyvisible", "--classname", "tavolin"}));
    int count = 0;
    for (std::string id; ids >> id;) ++count;
    return count;
  }
  // Opens a menu by its key and waits until its popup shows, so the keys that follow reach it.
  bool OpenMenu(const std::string& key) {
    const int before = VisibleWindows();
    Keys({key});
    return WaitFor([&] { return VisibleWindows() > before; }, kReplyLimitMs);
  }
  // Waits until the host's bytes from the log position mark on are exactly want.
  static bool HostSentExactly(const Sim& sim, std::size_t mark,
                              const std::vector<std::uint8_t>& want) {
    WaitFor([&] { return sim.HostBytes(mark).size() >= want.size(); }, kReplyLimitMs);
    return sim.HostBytes(mark) == want;
  }

  static XServer* x_;
  std::string window_;
};

XServer* XWindowE2e::x_ = nullptr;

TEST_F(XWindowE2e, KeysReachTheChipInEachMode) {
  struct Case {
    const char* name;
    int msMoveOff;  // 0: graphics mode, 1: Normal-Terminal Mode
    std::vector<std::string> keys;
    std::vector<std::uint8_t> bytes;
  };
  const Case cases[] = {
      {"graphics mode Shift+a", 0, {"shift+a"}, {1, 0x41, 3}},
      {"Normal-Terminal Mode Shift+a", 1, {"shift+a"}, {0x41}},
      {"graphics mode a and Enter", 0, {"a", "Return"}, {0x61, 13}},
  };
  for (const Case& c : cases) {
    auto s = Start(c.msMoveOff);
    ASSERT_TRUE(s) << c.name << ": no demo window";
    const std::size_t mark = s->sim->Log().size();
    Keys(c.keys);
    EXPECT_TRUE(HostSentExactly(*s->sim, mark, c.bytes)) << c.name;
  }
}

TEST_F(XWindowE2e, MouseClickIsReportedAtHalfThePicturePosition) {
  auto s = Start(0);
  ASSERT_TRUE(s) << "no demo window";
  // Where the picture starts in the window (below the menu bar): from a move report, which
  // carries the position's low bits in its second byte.
  std::size_t mark = s->sim->Log().size();
  x_->Xdotool({"mousemove", "--window", window_, "20", "120"});
  ASSERT_TRUE(WaitFor([&] { return s->sim->HostBytes(mark).size() >= 4; }, kReplyLimitMs));
  const std::vector<std::uint8_t> move = s->sim->HostBytes(mark);
  ASSERT_EQ(move[0], 5);
  const int left = 20 - (2 * move[2] + ((move[1] >> 5) & 1));
  const int top = 120 - (2 * move[3] + ((move[1] >> 4) & 1));
  mark = s->sim->Log().size();
  x_->Xdotool(
      {"mousemove", "--window", window_, std::to_string(left + 100), std::to_string(top + 51)});
  ASSERT_TRUE(HostSentExactly(*s->sim, mark, {5, 0x10, 50, 25}));
  mark = s->sim->Log().size();
  x_->Xdotool({"click", "1"});
  EXPECT_TRUE(HostSentExactly(*s->sim, mark, {5, 0x11, 50, 25, 5, 0x10, 50, 25}));
}

TEST_F(XWindowE2e, TheChipsRequestUploadsTheImageItNamed) {
  auto s = Start(0);  // host requests are a graphics-mode code
  ASSERT_TRUE(s) << "no demo window";
  const std::size_t mark = s->sim->Log().size();
  x_->Xdotool({"type", "sim-demo.binary"});
  Keys({"Return", "F12"});
  EXPECT_NE(s->sim->WaitForLog(kImageRan, kReplyLimitMs, mark), std::string::npos)
      << s->sim->Log().substr(mark);
  // The loaded image runs the demo again.
  EXPECT_NE(s->sim->WaitForLog(kPictureAsDrawn, kStartLimitMs, mark), std::string::npos)
      << s->sim->Log().substr(mark);
}

TEST_F(XWindowE2e, SaveSettingsWritesWhatWasLoaded) {
  // Autoload is honoured at start-up and never written back; AutoDis follows the Auto Mode check.
  TempDir images;
  auto s = Start(1, 1, "");
  ASSERT_TRUE(s) << "no demo window";
  const std::string path = s->dir / "Tavolin2.ini";
  ASSERT_TRUE(OpenMenu("alt+f")) << "the File menu did not open";
  Keys({"s", "s", "Return"});  // "&Save Text" comes first with the same letter
  ASSERT_TRUE(WaitFor([&] { return ReadFile(path).size() >= 300; }, kReplyLimitMs));
  EXPECT_EQ(ReadFile(path), SettingsText(3, s->Folder(), 1, 1, ""));
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
  auto s = Start(1);
  ASSERT_TRUE(s) << "no demo window";
  // Another window, waiting off the screen until it is moved over ours.
  TempDir dir;
  Child other({"xlogo", "-geometry", "600x300+2000+2000"}, Env{{"DISPLAY", x_->display()}},
              dir.path().string(), "", "");
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
  const std::size_t mark = s->sim->Log().size();
  x_->Xdotool({"type", "sim-demo.eeprom"});
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
  ASSERT_EQ(s->sim->Log().find(kImageRan, mark), std::string::npos)
      << "the upload ended before the window was looked at";

  // The other window comes and goes.
  x_->Xdotool({"windowmove", "--sync", cover, "110", "330"});
  ASSERT_TRUE(WaitFor([&] { return !SamePart(x_->Grab(window_), before, true); }, kReplyLimitMs))
      << "the other window did not cover ours";
  x_->Xdotool({"windowmove", "--sync", cover, "2000", "2000"});
  const bool wholeAfterCover =
      WaitFor([&] { return SamePart(x_->Grab(window_), before, true); }, 1500, 50);
  EXPECT_EQ(s->sim->Log().find(kImageRan, mark), std::string::npos)
      << "the upload ended before the window was looked at";
  EXPECT_TRUE(wholeAfterCover) << "the window still shows the window that covered it";
}

}  // namespace
}  // namespace tavolin::e2e
