// The port handed over and taken back from the real window: the Pause key as the Com Enabled
// command, the start-up without a device, the close request, and what the user does while a text
// send holds the loop.
#include <gtest/gtest.h>

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTest>

#include "app/MenuIds.h"
#include "app/Startup.h"
#include "platform/qt/MainWindow.h"
#include "tests/shell/ShellRig.h"

namespace tavolin::shell {
namespace {

// What Com Enabled does is the core's (tests/app CommandsTest); here the Pause key is that
// command and no key for the chip.
TEST(ShellPort, PauseIsTheComEnabledCommand) {
  ShellRig rig;
  const auto sent = rig.Deliver([&] { QTest::keyClick(rig.handle(), Qt::Key_Pause); });
  EXPECT_TRUE(sent.empty()) << "the shortcut takes the key: no 13 for the chip";
  EXPECT_FALSE(rig.device->isOpen);
  EXPECT_FALSE(rig.action(menu::kComEnabled)->isChecked());
  rig.Deliver([&] { QTest::keyClick(rig.handle(), Qt::Key_Pause); });
  EXPECT_TRUE(rig.device->isOpen);
  EXPECT_TRUE(rig.action(menu::kComEnabled)->isChecked());
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
