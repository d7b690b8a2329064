// The port from the real window: the start-up without a device, keys while the port is closed,
// and what the user does while a text send holds the loop.  Which Qt key gives which Windows
// message (Pause: the Com Enabled command) is KeyTranslationTest's, which message sequence gives
// which bytes KeyForwardingTest's; the close request is the window contract's and RunWindowed's
// (tests/app).
#include <gtest/gtest.h>

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTest>

#include "app/MenuIds.h"
#include "platform/qt/MainWindow.h"
#include "tests/shell/ShellRig.h"

namespace tavolin::shell {
namespace {

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
  // The terminal runs on: keys and ticks go nowhere and nothing blocks.
  rig.Deliver([&] { QTest::keyClick(rig.handle(), 'x'); });
  rig.Tick();
  EXPECT_EQ(rig.app.QuitRequested, 0);
}

// Keys typed while the port is closed: nothing is sent, and nothing is kept to be sent when the
// port is taken back.
TEST(ShellPort, NothingIsSentOrQueuedWhileThePortIsClosed) {
  ShellRig rig;
  rig.Choose(menu::kComEnabled);  // released
  ASSERT_FALSE(rig.device->isOpen);
  const std::vector<std::uint8_t> sent = rig.Deliver([&] {
    QTest::keyClick(rig.handle(), 'A', Qt::ShiftModifier);
    QTest::keyClick(rig.handle(), Qt::Key_F1);
  });
  EXPECT_TRUE(sent.empty());
  rig.Choose(menu::kComEnabled);  // taken back: nothing of the above arrives late
  rig.Tick();
  EXPECT_TRUE(rig.device->written.empty());
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
  rig.ChooseInNextFileDialog(text, QStringLiteral("Text(.txt) (*.txt)"));
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
