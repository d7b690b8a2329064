// The port handed over and taken back from the real window: the Pause key as the Com Enabled
// command, Auto Mode following the window's minimise and restore at the timer ticks, the start-up
// without a device, the close request, and what the user does while a text send holds the loop.
#include <gtest/gtest.h>

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTest>
#include <QWindow>

#include "app/MenuIds.h"
#include "app/Startup.h"
#include "platform/qt/MainWindow.h"
#include "tests/shell/ShellRig.h"

namespace tavolin::shell {
namespace {

// Processes window events until the window's minimised state is as wanted, boundedly.
bool SettleMinimised(ShellRig& rig, bool minimised) {
  for (int i = 0; i < 100 && rig.ui.IsMinimized() != minimised; ++i) {
    QCoreApplication::processEvents();
  }
  return rig.ui.IsMinimized() == minimised;
}

TEST(ShellPort, PauseReleasesThePortAndPauseAgainReconnectsWithAClearedScreen) {
  ShellRig rig;
  rig.Receive("hello");
  rig.Tick();
  ASSERT_EQ(rig.app.screen.textMirror, "hello");

  const auto sent = rig.Deliver([&] { QTest::keyClick(rig.handle(), Qt::Key_Pause); });
  EXPECT_TRUE(sent.empty()) << "the shortcut takes the key: no 13 for the chip";
  EXPECT_FALSE(rig.device->isOpen);
  EXPECT_FALSE(rig.action(menu::kComEnabled)->isChecked());
  EXPECT_EQ(rig.desktop.raised, std::vector<std::string>{"Propeller Tool"});
  EXPECT_EQ(rig.app.screen.textMirror, "hello") << "releasing does not clear";

  rig.Deliver([&] { QTest::keyClick(rig.handle(), Qt::Key_Pause); });
  EXPECT_TRUE(rig.device->isOpen);
  EXPECT_TRUE(rig.action(menu::kComEnabled)->isChecked());
  EXPECT_EQ(rig.app.screen.textMirror, "");
  EXPECT_EQ(rig.app.screen.previousText, "hello");
  EXPECT_EQ(rig.desktop.raised.size(), 1u);
  EXPECT_EQ(rig.serial.openAttempts.size(), 2u);
}

TEST(ShellPort, AutoModeReleasesOnMinimiseAndRetakesOnRestore) {
  ShellRig rig;
  ASSERT_TRUE(rig.action(menu::kAutoMode)->isChecked());
  rig.Receive("before");
  rig.Tick();

  rig.window()->showMinimized();
  ASSERT_TRUE(SettleMinimised(rig, true));
  EXPECT_TRUE(rig.device->isOpen) << "nothing happens before the tick";
  rig.Tick();
  EXPECT_FALSE(rig.device->isOpen);
  EXPECT_FALSE(rig.action(menu::kComEnabled)->isChecked());
  EXPECT_EQ(rig.app.PortReleased, 1);
  EXPECT_TRUE(rig.desktop.raised.empty()) << "Auto Mode raises no other window";
  rig.Tick();  // still minimised: no second release, no retake
  EXPECT_FALSE(rig.device->isOpen);

  rig.window()->showNormal();
  ASSERT_TRUE(SettleMinimised(rig, false));
  rig.Tick();
  EXPECT_TRUE(rig.device->isOpen);
  EXPECT_TRUE(rig.action(menu::kComEnabled)->isChecked());
  EXPECT_EQ(rig.app.PortReleased, 0);
  EXPECT_EQ(rig.app.screen.textMirror, "") << "the retake clears the screen";
  EXPECT_EQ(rig.app.screen.previousText, "before");
}

TEST(ShellPort, NoDeviceAtStartUpShowsTheBoxOverTheWindowAndRunsWithoutAPort) {
  QString caption;
  QString text;
  RigOptions options;
  options.plugged = false;
  options.startUpDialog = [&](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    caption = box->windowTitle();
    text = box->text();
    box->accept();
  };
  ShellRig rig(options);
  EXPECT_EQ(caption, QStringLiteral("Error"));
  EXPECT_EQ(text, QStringLiteral("COM port not found"));
  EXPECT_FALSE(rig.action(menu::kComEnabled)->isChecked());
  EXPECT_EQ(rig.serial.openAttempts, std::vector<int>{6});
  // The terminal runs on: keys and ticks go nowhere and nothing blocks.
  rig.Deliver([&] { QTest::keyClick(rig.handle(), 'x'); });
  rig.Tick();
  EXPECT_EQ(rig.app.QuitRequested, 0);
}

TEST(ShellPort, CloseButtonEndsTheLoopAndTheExitClosesThePort) {
  ShellRig rig;
  rig.window()->close();
  rig.RunQueued();
  EXPECT_EQ(rig.app.QuitRequested, 1);
  EXPECT_TRUE(rig.window()->isVisible()) << "the window stays until the exit";
  Shutdown(rig.app);
  EXPECT_FALSE(rig.device->isOpen);
}

// Does what a user does in the middle of a text send: at the first line end the host writes, a
// key and the close button, delivered the next time the window handles its events.
class UserDuringSend : public fake::Peer {
 public:
  explicit UserDuringSend(QWidget* window) : window_(window) {}
  void OnHostWrite(fake::FakeSerialDevice& /*device*/, const std::uint8_t* bytes, std::size_t n,
                   std::int64_t /*nowMs*/) override {
    if (done_ || std::find(bytes, bytes + n, '\r') == bytes + n) return;
    done_ = true;
    QCoreApplication::postEvent(
        window_, new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x")));
    QCoreApplication::postEvent(
        window_, new QKeyEvent(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, QStringLiteral("x")));
    QCoreApplication::postEvent(window_, new QCloseEvent);
  }

 private:
  QWidget* window_;
  bool done_ = false;
};

TEST(ShellPort, KeysDuringATextSendAreLostAndTheCloseButtonStopsItAtTheLineEnd) {
  ShellRig rig;
  testing::TempDir dir;
  const std::string text = dir.Write("lines.txt", "ab\ncd\r\nef");
  UserDuringSend user(rig.window());
  rig.device->peer = &user;
  rig.WhenDialogShown([&](QWidget* w) {
    auto* dialog = qobject_cast<QFileDialog*>(w);
    ASSERT_NE(dialog, nullptr);
    dialog->selectNameFilter(QStringLiteral("Text(.txt) (*.txt)"));
    dialog->selectFile(QString::fromStdString(text));
    static_cast<QDialog*>(dialog)->accept();
  });
  rig.Choose(menu::kUploadFile);
  rig.device->peer = nullptr;
  const std::string sent(rig.device->written.begin(), rig.device->written.end());
  EXPECT_EQ(sent, "ab\r") << "the key typed meanwhile is not sent; the close stops the send";
  EXPECT_EQ(rig.app.QuitRequested, 1) << "the close request ends the program after the send";
  EXPECT_TRUE(rig.ui.queued().empty());
  EXPECT_EQ(rig.app.RememberedFileType, 2);
}

}  // namespace
}  // namespace tavolin::shell
