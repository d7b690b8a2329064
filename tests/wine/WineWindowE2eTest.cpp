// The Windows program, tavolin.exe, under Wine on a virtual X server against tavolin-sim: its
// window found by title, the demo's picture on the screen (read back by the chip's pixel test
// and from a capture of the window), the about screen, keys and a mouse click reaching the chip,
// Save Settings byte for byte, Copy Text through the clipboard and an image upload asked for by the
// chip.
//
// The chip's pseudo-terminal becomes a Wine COM port as a symbolic link in the prefix's
// dosdevices folder; each test takes its own COM number and the program never scans (ComNr is
// set).  The suite has a Wine prefix of its own whose server runs on the suite's X server, so
// the clipboard and the windows meet on that display.  Needs tavolin.exe (tools/build-windows.sh)
// and Wine, Xvfb, xdotool, xwd and xclip (tools/install-deps.sh).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "E2eRig.h"

namespace tavolin::e2e {
namespace {

namespace fs = std::filesystem;

constexpr const char* kWindowTitle = "Tavolin for P2 Monitor";
constexpr const char* kPictureAsDrawn = "note: pixel test: (100,124) 0xFF, (630,262) 0xFE";
constexpr const char* kImageRan = "note: boot loader: image loaded, running";
constexpr int kPrefixLimitMs = 120000;  // a new prefix takes 10 to 20 s, more on a busy machine
constexpr int kStartLimitMs = 30000;    // Wine's start, the chip's open wait, the demo page
constexpr int kReplyLimitMs = 10000;
constexpr int kKeyDelayMs = 150;

// What the suite lacks, empty when nothing.
std::string Missing() {
  std::string missing;
  if (!fs::exists(TAVOLIN_WINDOWS_PROGRAM)) missing += std::string(" ") + TAVOLIN_WINDOWS_PROGRAM;
  for (const char* program : {"wine", "Xvfb", "xdotool", "xwd", "xclip"}) {
    if (!HaveProgram(program)) missing += std::string(" ") + program;
  }
  return missing;
}

// The Windows path of a Linux folder, as Wine's drive Z: shows it, with a final backslash.
std::string WindowsFolder(const fs::path& folder) {
  std::string path = "Z:" + folder.string();
  std::replace(path.begin(), path.end(), '/', '\\');
  if (path.back() != '\\') path.push_back('\\');
  return path;
}

// An X window's picture from xwd (ZPixmap, 24 or 32 bits a pixel), as 0xRRGGBB.
struct Capture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const {
    return x >= 0 && y >= 0 && x < width && y < height
               ? pixels[static_cast<std::size_t>(y) * width + x]
               : 0xFFFFFFFFu;
  }
};

std::uint32_t Big32(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<std::uint8_t>(b[at + i]);
  return v;
}

Capture ParseXwd(const std::string& b) {
  Capture c;
  if (b.size() < 100) return c;
  const std::uint32_t headerSize = Big32(b, 0);
  const std::uint32_t format = Big32(b, 8);
  const auto width = static_cast<int>(Big32(b, 16));
  const auto height = static_cast<int>(Big32(b, 20));
  const std::uint32_t byteOrder = Big32(b, 28);  // 0: least significant byte first
  const std::uint32_t bitsPerPixel = Big32(b, 44);
  const std::uint32_t bytesPerLine = Big32(b, 48);
  const std::uint32_t colours = Big32(b, 76);
  const std::size_t data = headerSize + 12u * colours;
  if (format != 2 || (bitsPerPixel != 32 && bitsPerPixel != 24) ||
      b.size() < data + static_cast<std::size_t>(bytesPerLine) * height) {
    return c;
  }
  c.width = width;
  c.height = height;
  const std::size_t step = bitsPerPixel / 8;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::size_t at = data + static_cast<std::size_t>(y) * bytesPerLine + x * step;
      std::uint32_t v = 0;
      for (std::size_t i = 0; i < step; ++i) {
        const std::size_t byte = byteOrder == 0 ? step - 1 - i : i;
        v = (v << 8) | static_cast<std::uint8_t>(b[at + byte]);
      }
      c.pixels.push_back(v & 0xFFFFFFu);
    }
  }
  return c;
}

class WineWindowE2e : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!Missing().empty()) return;
    x_ = new XServer();
    if (!x_->ok()) return;
    if (fs::exists(TAVOLIN_WINE_X_PREFIX)) {
      // A server left by an interrupted run would still be on that run's X server.
      Child stop({"wineserver", "-k"}, Env{{"WINEPREFIX", TAVOLIN_WINE_X_PREFIX}}, "", "", "");
      stop.WaitExit(kReplyLimitMs);
    }
    // The prefix is made (first time) and its server started on this display.
    Child boot({TAVOLIN_WINE_RUN, "cmd.exe", "/c", "exit"},
               Env{{"DISPLAY", x_->display()}, {"TAVOLIN_WINEPREFIX", TAVOLIN_WINE_X_PREFIX}}, "",
               "", "");
    prefixReady_ = boot.WaitExit(kPrefixLimitMs) == 0;
  }
  static void TearDownTestSuite() {
    if (x_ != nullptr && prefixReady_) {
      // The suite's own prefix: its server and services go with the X server they use.
      Child stop({"wineserver", "-k"}, Env{{"WINEPREFIX", TAVOLIN_WINE_X_PREFIX}}, "", "", "");
      stop.WaitExit(kReplyLimitMs);
    }
    delete x_;
    x_ = nullptr;
  }
  void SetUp() override {
    ASSERT_EQ(Missing(), "") << "missing (tools/build-windows.sh installs and builds them)";
    ASSERT_TRUE(x_ != nullptr && x_->ok()) << "Xvfb did not start";
    ASSERT_TRUE(prefixReady_) << "the Wine prefix " << TAVOLIN_WINE_X_PREFIX << " is not usable";
  }
  void TearDown() override {
    tavolin_.reset();
    sim_.reset();
    std::error_code ec;
    if (!comLink_.empty()) fs::remove(comLink_, ec);
  }

  // Starts the chip and tavolin.exe on COM comNr, waits for the demo on the screen and gives the
  // window the focus.  False with the reason in failure_ when that did not happen.
  bool Start(int comNr, int msMoveOff) {
    dir_ = std::make_unique<TempDir>();  // a session of its own: its log starts empty
    sim_ = std::make_unique<Sim>(
        *dir_, std::vector<std::string>{"--no-clock", "--write-images", dir_->path().string()});
    if (!sim_->ok()) return Fail("tavolin-sim did not start");
    comLink_ = fs::path(TAVOLIN_WINE_X_PREFIX) / "dosdevices" / ("com" + std::to_string(comNr));
    std::error_code ec;
    fs::remove(comLink_, ec);
    fs::create_symlink(sim_->device(), comLink_, ec);
    if (ec) return Fail("no COM link: " + ec.message());
    WriteFile(*dir_ / "start.ini",
              SettingsText(comNr, WindowsFolder(dir_->path()), 0, msMoveOff, ""));
    tavolin_ = std::make_unique<Child>(
        std::vector<std::string>{TAVOLIN_WINE_RUN, TAVOLIN_WINDOWS_PROGRAM, "start.ini"},
        Env{{"DISPLAY", x_->display()}, {"TAVOLIN_WINEPREFIX", TAVOLIN_WINE_X_PREFIX}},
        dir_->path().string(), *dir_ / "tavolin.out", *dir_ / "tavolin.err");
    if (sim_->WaitForLog(kPictureAsDrawn, kStartLimitMs) == std::string::npos) {
      return Fail("no demo page:\n" + sim_->Log() + ReadFile(*dir_ / "tavolin.err"));
    }
    window_ = x_->FindWindow(kWindowTitle, kStartLimitMs);
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
  bool HostSentExactly(std::size_t mark, const std::vector<std::uint8_t>& want) {
    WaitFor([&] { return sim_->HostBytes(mark).size() >= want.size(); }, kReplyLimitMs);
    return sim_->HostBytes(mark) == want;
  }
  // Where the picture's (0, 0) lies in the X window: from a mouse move report, which carries
  // half the position and its lowest bits.
  bool PictureOrigin(int* left, int* top) {
    const std::size_t mark = sim_->Log().size();
    x_->Xdotool({"mousemove", "--window", window_, "60", "150"});
    if (!WaitFor([&] { return sim_->HostBytes(mark).size() >= 4; }, kReplyLimitMs)) return false;
    const std::vector<std::uint8_t> move = sim_->HostBytes(mark);
    if (move[0] != 5) return false;
    *left = 60 - (2 * move[2] + ((move[1] >> 5) & 1));
    *top = 150 - (2 * move[3] + ((move[1] >> 4) & 1));
    return true;
  }

  static XServer* x_;
  static bool prefixReady_;
  std::unique_ptr<TempDir> dir_;
  std::unique_ptr<Sim> sim_;
  std::unique_ptr<Child> tavolin_;
  fs::path comLink_;
  std::string window_;
  std::string failure_;
};

XServer* WineWindowE2e::x_ = nullptr;
bool WineWindowE2e::prefixReady_ = false;

TEST_F(WineWindowE2e, DemoPictureIsOnTheScreen) {
  ASSERT_TRUE(Start(11, 0)) << failure_;
  int left = 0;
  int top = 0;
  ASSERT_TRUE(PictureOrigin(&left, &top));
  const Capture shot = ParseXwd(x_->Run({"xwd", "-silent", "-id", window_}));
  ASSERT_GT(shot.width, 0) << "no capture of the window";
  // The chip's pixel test points: inside the red box, and left black.
  EXPECT_EQ(shot.At(left + 100, top + 124), 0xFF0000u);
  EXPECT_EQ(shot.At(left + 630, top + 262), 0x000000u);
  // The menu bar lies above the picture, inside the window.
  EXPECT_GT(top, 15);
  EXPECT_LT(top, 80);
}

TEST_F(WineWindowE2e, AboutScreenIsOnTheScreenDuringItsPause) {
  ASSERT_TRUE(Start(19, 0)) << failure_;
  int left = 0;
  int top = 0;
  ASSERT_TRUE(PictureOrigin(&left, &top));
  const Capture before = ParseXwd(x_->Run({"xwd", "-silent", "-id", window_}));
  ASSERT_GT(before.width, 0);
  Keys({"alt+h", "a"});
  // The program holds the about screen for two seconds without handling messages: it must be
  // on the screen all the same.  Its gradient strip is (y, 0, y) in row y.
  Capture during;
  const bool shown = WaitFor(
      [&] {
        during = ParseXwd(x_->Run({"xwd", "-silent", "-id", window_}));
        return during.At(left + 75, top + 200) == 0xC800C8u;
      },
      kReplyLimitMs);
  ASSERT_TRUE(shown) << "no about screen";
  EXPECT_EQ(during.At(left + 75, top + 100), 0x640064u);
  int yellow = 0;
  for (int y = top + 25; y < top + 80; ++y) {
    for (int x = left + 170; x < left + 320; ++x) yellow += during.At(x, y) == 0xFFFF00u ? 1 : 0;
  }
  EXPECT_GT(yellow, 100) << "the texts";
  // Outside its 322 x 240 pixels the terminal's picture stays.
  for (const auto& [x, y] : {std::pair{400, 50}, std::pair{350, 255}, std::pair{100, 300}}) {
    EXPECT_EQ(during.At(left + x, top + y), before.At(left + x, top + y)) << x << "," << y;
  }
}

TEST_F(WineWindowE2e, KeysReachTheChipInEachMode) {
  struct Case {
    const char* name;
    int com;
    int msMoveOff;  // 0: graphics mode, 1: Normal-Terminal Mode
    std::vector<std::string> keys;
    std::vector<std::uint8_t> bytes;
  };
  const Case cases[] = {
      {"graphics mode Shift+a", 12, 0, {"shift+a"}, {1, 0x41, 3}},
      {"Normal-Terminal Mode Shift+a and Tab", 13, 1, {"shift+a", "Tab"}, {0x41, 9}},
      {"graphics mode a and Enter", 14, 0, {"a", "Return"}, {0x61, 13}},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(Start(c.com, c.msMoveOff)) << c.name << ": " << failure_;
    const std::size_t mark = sim_->Log().size();
    Keys(c.keys);
    EXPECT_TRUE(HostSentExactly(mark, c.bytes)) << c.name << "\n" << sim_->Log().substr(mark);
    TearDown();
  }
}

TEST_F(WineWindowE2e, MouseClickIsReportedAtHalfThePicturePosition) {
  ASSERT_TRUE(Start(15, 0)) << failure_;
  int left = 0;
  int top = 0;
  ASSERT_TRUE(PictureOrigin(&left, &top));
  std::size_t mark = sim_->Log().size();
  x_->Xdotool(
      {"mousemove", "--window", window_, std::to_string(left + 100), std::to_string(top + 51)});
  ASSERT_TRUE(HostSentExactly(mark, {5, 0x10, 50, 25})) << sim_->Log().substr(mark);
  mark = sim_->Log().size();
  x_->Xdotool({"click", "1"});
  EXPECT_TRUE(HostSentExactly(mark, {5, 0x11, 50, 25, 5, 0x10, 50, 25}))
      << sim_->Log().substr(mark);
}

TEST_F(WineWindowE2e, SaveSettingsWritesWhatWasLoadedWithCrLf) {
  ASSERT_TRUE(Start(16, 1)) << failure_;
  const std::string path = *dir_ / "Tavolin2.ini";
  // By arrows: Wine's menus take the first item of a letter at once ("&Save Text" before
  // "&Save Settings"), where Windows would move between the two.
  Keys({"alt+f", "Down", "Down", "Down", "Return"});
  ASSERT_TRUE(WaitFor([&] { return ReadFile(path).size() >= 300; }, kReplyLimitMs))
      << ReadFile(*dir_ / "tavolin.err");
  EXPECT_EQ(ReadFile(path), SettingsText(16, WindowsFolder(dir_->path()), 0, 1, ""));
}

TEST_F(WineWindowE2e, CopyTextPutsTheTerminalsTextOnTheClipboard) {
  ASSERT_TRUE(Start(17, 0)) << failure_;
  // The demo page's title line is text the terminal received since the last clear.
  const std::string title = "Tavolin simulated Propeller - display firmware demo";
  Keys({"alt+f", "Down", "Return"});  // "S&creenshot" comes first with the same letter
  std::string text;
  WaitFor(
      [&] {
        text = x_->Run({"xclip", "-o", "-selection", "clipboard"});
        return text.find(title) != std::string::npos;
      },
      kReplyLimitMs);
  EXPECT_NE(text.find(title), std::string::npos) << text;
}

TEST_F(WineWindowE2e, ChipsRequestUploadsTheImageItNamed) {
  ASSERT_TRUE(Start(18, 0)) << failure_;
  const std::size_t mark = sim_->Log().size();
  x_->Xdotool({"type", "--delay", "50", "sim-demo.binary"});
  Keys({"Return", "F12"});
  EXPECT_NE(sim_->WaitForLog(kImageRan, kReplyLimitMs * 2, mark), std::string::npos)
      << sim_->Log().substr(mark);
  EXPECT_NE(sim_->WaitForLog(kPictureAsDrawn, kStartLimitMs, mark), std::string::npos)
      << sim_->Log().substr(mark);
}

}  // namespace
}  // namespace tavolin::e2e
