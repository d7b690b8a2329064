// The export commands chosen from the real window's menu: the screenshot on the Qt clipboard
// whatever the scale, the text saved through the real save dialog, and the file type chosen in
// the real "&Upload File" dialog.  What the commands do is the core's (tests/app, tests/loader).
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QTest>
#include <QWindow>

#include "app/MenuIds.h"
#include "platform/qt/MainWindow.h"
#include "tests/shell/ShellRig.h"

namespace tavolin::shell {
namespace {

// Which size the screenshot has with and without the band is the core's (tests/app); here the
// real clipboard holds the screen image itself, whatever the window's scale.
TEST(ShellExport, ScreenshotHasTheScreenImageWhateverTheScale) {
  for (const float scale : {1.0f, 2.0f}) {
    ShellRig rig(RigOptions::AtScale(scale));
    rig.Receive("A");
    rig.Tick();
    rig.Choose(menu::kScreenshot);
    const QImage shot = QGuiApplication::clipboard()->image();
    EXPECT_EQ(shot.size(), QSize(640, 446)) << scale;
    const ScreenImage& image = rig.app.screen.screenImage;
    int differing = 0;
    for (int y = 0; y < 17; ++y) {
      for (int x = 0; x < 8; ++x) {
        differing += (shot.pixel(x, y) & 0xFFFFFFu) != (image.At(x, y) & 0xFFFFFFu) ? 1 : 0;
      }
    }
    EXPECT_EQ(differing, 0) << scale;
  }
}

TEST(ShellExport, SaveTextWritesTheMirrorThroughTheSaveDialogAndKeepsIt) {
  ShellRig rig;
  testing::TempDir dir;
  const std::string path = dir.Write("saved", "an older, longer content");
  rig.Receive("line\xE9");
  rig.Tick();
  const std::string mirror = rig.app.screen.textMirror;
  ASSERT_EQ(mirror, "line\xE9");

  QString title;
  QString proposed = QStringLiteral("unset");
  rig.WhenDialogShown([&](QWidget* w) {
    auto* dialog = qobject_cast<QFileDialog*>(w);
    ASSERT_NE(dialog, nullptr);
    title = dialog->windowTitle();
    if (auto* name = dialog->findChild<QLineEdit*>()) proposed = name->text();
    dialog->selectFile(QString::fromStdString(path));
    static_cast<QDialog*>(dialog)->accept();
  });
  rig.Choose(menu::kSaveText);
  EXPECT_EQ(title, QStringLiteral("Save Text"));
  EXPECT_TRUE(proposed.isEmpty()) << "\"*.txt\" is no file name to propose";
  EXPECT_EQ(testing::TempDir::Read(path), mirror);
  EXPECT_EQ(rig.app.screen.textMirror, mirror);
  EXPECT_TRUE(rig.device->isOpen) << "no export touches the serial link";
  EXPECT_TRUE(rig.device->written.empty());
  // Once the dialog is gone the keys reach the terminal again.
  EXPECT_EQ(rig.Deliver([&] { QTest::keyClick(rig.handle(), 'k'); }),
            std::vector<std::uint8_t>{'k'});
}

TEST(ShellExport, UploadFileDialogTypeDecidesAndIsRememberedForTheNextOpening) {
  ShellRig rig;
  testing::TempDir dir;
  const std::string prepared = dir.Write("data.bin", "0123");
  const QString prepare = QStringLiteral("Prepare (*.bin *.??a)");
  QString preselected;
  rig.WhenDialogShown([&](QWidget* w) {
    auto* dialog = qobject_cast<QFileDialog*>(w);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Load Binary"));
    preselected = dialog->selectedNameFilter();
    dialog->selectNameFilter(prepare);
    dialog->selectFile(QString::fromStdString(prepared));
    static_cast<QDialog*>(dialog)->accept();
  });
  rig.Choose(menu::kUploadFile);
  EXPECT_EQ(preselected, QStringLiteral("OBJ file(.obj) (*.obj)")) << "type 3 at start-up";
  EXPECT_EQ(rig.app.PreparedFile, prepared);
  EXPECT_TRUE(rig.device->written.empty()) << "a prepared file is only remembered";

  rig.WhenDialogShown([&](QWidget* w) {
    preselected = static_cast<QFileDialog*>(w)->selectedNameFilter();
    static_cast<QDialog*>(w)->reject();
  });
  rig.Choose(menu::kUploadFile);
  EXPECT_EQ(preselected, prepare);
  EXPECT_EQ(rig.app.PreparedFile, prepared) << "a cancelled dialog changes nothing";
}

}  // namespace
}  // namespace tavolin::shell
