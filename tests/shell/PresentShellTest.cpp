// What the window shows while the program is busy: every Present reaches the screen before the
// code goes on, also inside the long operations that take no input (an upload with its status
// lines, the EEPROM banner's pause, the about screen's pause).  "On the screen" is what the
// window system holds for the window (the offscreen platform's backing store), looked at each
// time the program waits on its clock.
#include <gtest/gtest.h>

#include <QPixmap>
#include <QScreen>

#include "app/MenuIds.h"
#include "tests/shell/ShellRig.h"

namespace tavolin::shell {
namespace {

// The client area as the window system shows it now.
QImage OnScreen(ShellRig& rig) {
  QWindow* window = rig.handle();
  const QPixmap grab = window->screen()->grabWindow(window->winId());
  const QPoint at = rig.InWindow(QPoint(0, 0));
  return grab.toImage().convertToFormat(QImage::Format_RGB32).copy(QRect(at, rig.client()->size()));
}

// What the screen showed at each wait of the program, with what the core had printed by then.
struct Moment {
  std::int64_t sleptMs;
  std::string text;
  QImage screen;
  QImage presented;  // the picture last handed to the window
};

std::vector<Moment> WatchWaits(ShellRig& rig, const std::function<void()>& action) {
  std::vector<Moment> moments;
  bool watching = true;
  std::int64_t last = rig.clock.NowMs();
  rig.clock.OnAdvance([&](std::int64_t now) {
    if (!watching) return;
    moments.push_back({now - last, rig.app.screen.textMirror, OnScreen(rig),
                       rig.client()->picture()->shown().copy()});
    last = now;
  });
  action();
  watching = false;
  return moments;
}

// The EEPROM upload prints its status lines and pauses on the banner's logo.
TEST(ShellPresent, StatusLinesAndTheLogoAreOnTheScreenWhileTheUploadRuns) {
  ShellRig rig;
  testing::TempDir dir;
  // An EEPROM image, chosen under the upload dialog's first type, Propeller images.
  rig.ChooseInNextFileDialog(dir.Write("blink.eeprom", std::string(64, '\x11')),
                             QStringLiteral("Propeller(.binary) (*.binary)"));
  const auto moments = WatchWaits(rig, [&] { rig.Choose(menu::kUploadFile); });
  int withStatus = 0;
  const Moment* pause = nullptr;
  for (const Moment& m : moments) {
    // The picture is as high as the window's content, whose height counts the menu line.
    ASSERT_TRUE(m.screen == m.presented.copy(m.screen.rect()))
        << "after " << m.sleptMs << " ms, with \"" << m.text
        << "\" printed, the screen shows an older picture";
    if (m.text.find("Start Upload") != std::string::npos) {
      ++withStatus;
      QImage dark(96, 17, QImage::Format_RGB32);
      dark.fill(Qt::black);
      EXPECT_NE(m.screen.copy(0, 0, 96, 17), dark) << "the status line in row 0";
    }
    if (m.sleptMs == 2000) pause = &m;
  }
  EXPECT_GT(withStatus, 0) << "the upload waits after its first status line";
  ASSERT_NE(pause, nullptr) << "no pause of 2 s";
  const QRect belowText(0, 17, 210, 85 - 17);  // the banner's own bytes may touch the text row
  const QImage logo = qt::ImageView(rig.app.logo).convertToFormat(QImage::Format_RGB32);
  EXPECT_TRUE(pause->screen.copy(belowText) == logo.copy(belowText)) << "the logo during the pause";
}

TEST(ShellPresent, TheAboutScreenPaintsItsAreaOnlyAndStaysForItsPause) {
  ShellRig rig;
  // A lit terminal picture under the about screen: every pixel of the top left 340 x 250.
  std::string box = {12, 7, 5, 0, 0, 0, 5, 3, static_cast<char>(170), 125};
  rig.Receive(box);
  rig.Tick();
  const auto moments = WatchWaits(rig, [&] { rig.Choose(menu::kAbout); });
  ASSERT_EQ(moments.size(), 1u);
  const QImage& shown = moments[0].screen;
  const QRgb terminal = rig.client()->picture()->shown().pixel(5, 0);
  ASSERT_NE(terminal & 0xFFFFFFu, 0u);
  // Which pixels the about screen paints is the core's (tests/app), how the window lays them over
  // the picture the window contract's: here it is on the screen during its pause.
  EXPECT_EQ(shown.pixel(5, 1) & 0xFFFFFFu, terminal & 0xFFFFFFu) << "row 1 is not painted";
  EXPECT_EQ(shown.pixel(150, 239) & 0xFFFFFFu, 0xEF00EFu) << "the gradient ends at row 239";
  EXPECT_EQ(shown.pixel(5, 240) & 0xFFFFFFu, terminal & 0xFFFFFFu) << "row 240 is not painted";
}

}  // namespace
}  // namespace tavolin::shell
