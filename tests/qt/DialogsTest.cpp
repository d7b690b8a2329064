// The file dialogs' rules (filter lists, default paths) and the file dialogs themselves on the
// offscreen platform, answered from a zero-delay timer the moment they open.  The message box and
// the ComPort dialog are cases of the window contract (tests/ui).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "platform/qt/Dialogs.h"
#include "platform/qt/QtUi.h"
#include "tests/TempDir.h"

namespace tavolin::qt {
namespace {

// Runs answer on the dialog that is about to open.
void WhenModal(std::function<void(QWidget*)> answer) {
  QTimer::singleShot(0, [answer] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    answer(dialog);
  });
}

// Which types a filter has is the shared rule's (tests/ui); here their Qt form.
TEST(FileDialogRules, FiltersBecomeQtNameFilters) {
  EXPECT_EQ(NameFilters("Text(.txt)|*.txt|Prepare|*.bin;*.??a"),
            (QStringList{"Text(.txt) (*.txt)", "Prepare (*.bin *.??a)"}));
}

// Which last part is a name to propose is the shared rule's (tests/ui); here where Qt's split is.
TEST(FileDialogRules, DefaultPathSplitsAtTheLastSeparator) {
  struct Case {
    const char* path;
    const char* folder;
    const char* name;
  };
  const Case cases[] = {
      {"*.txt", "", ""},
      {"\\*.binary", "", ""},
      {"/home/me/bin/\\*.binary", "/home/me/bin/", ""},
      {"/home/me/x.binary", "/home/me", "x.binary"},
      {"C:\\spin\\demo.eeprom", "C:\\spin", "demo.eeprom"},
      {"/top.ini", "/", "top.ini"},
      {"plain.txt", "", "plain.txt"},
      {"/tmp/", "/tmp", ""},
  };
  for (const Case& c : cases) {
    const DefaultPath d = SplitDefaultPath(c.path);
    EXPECT_EQ(d.folder, c.folder) << c.path;
    EXPECT_EQ(d.name, c.name) << c.path;
  }
}

class FileDialogs : public ::testing::Test {
 protected:
  void SetUp() override { ui_.OpenWindow(640, 446); }
  void TearDown() override { std::filesystem::current_path(before_); }
  QtUi ui_;
  testing::TempDir dir_;
  const std::filesystem::path before_ = std::filesystem::current_path();
};

TEST_F(FileDialogs, OpenAcceptsATypedMissingNameAndReturnsTheChosenType) {
  WhenModal([this](QWidget* w) {
    auto* dialog = qobject_cast<QFileDialog*>(w);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Load Binary"));
    EXPECT_EQ(QDir(dialog->directory()).canonicalPath().toStdString(),
              std::filesystem::canonical(dir_.Folder()).string());
    EXPECT_EQ(dialog->selectedNameFilter(), QStringLiteral("OBJ file(.obj) (*.obj)"));
    dialog->selectNameFilter(QStringLiteral("Propeller(.eeprom) (*.eeprom)"));
    dialog->selectFile(QStringLiteral("missing.eeprom"));
    static_cast<QDialog*>(dialog)->accept();
  });
  const FileDialogResult r = ui_.OpenFileDialog(
      {"Load Binary", dir_.Folder() + "/\\*.binary",
       "Propeller(.binary)|*.binary|Propeller(.eeprom)|*.eeprom|Text(.txt)|*.txt|OBJ "
       "file(.obj)|*.obj|Prepare|*.bin;*.??a",
       3});
  EXPECT_EQ(r.path, dir_.File("missing.eeprom"));
  EXPECT_EQ(r.typeIndex, 1);
  EXPECT_EQ(std::filesystem::current_path(), before_);
}

TEST_F(FileDialogs, SaveReplacesWithoutAskingAndCancelGivesNothing) {
  const std::string existing = dir_.Write("old.txt", "");
  WhenModal([&existing](QWidget* w) {
    auto* dialog = qobject_cast<QFileDialog*>(w);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    const auto* name = dialog->findChild<QLineEdit*>();
    EXPECT_TRUE(name != nullptr && name->text().isEmpty()) << "\"*.txt\" is no name to propose";
    dialog->selectFile(QString::fromStdString(existing));
    static_cast<QDialog*>(dialog)->accept();  // an overwrite question would leave the dialog open
  });
  const FileDialogResult saved = ui_.SaveFileDialog({"Save Text", "*.txt", "Text(.txt)|*.txt", 0});
  EXPECT_EQ(saved.path, existing);
  EXPECT_EQ(saved.typeIndex, 0);

  WhenModal([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
  EXPECT_TRUE(ui_.SaveFileDialog({"Save Text", "*.txt", "Text(.txt)|*.txt", 0}).path.empty());
}

}  // namespace
}  // namespace tavolin::qt
