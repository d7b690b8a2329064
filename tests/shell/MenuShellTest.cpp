// The menu of the real window driven by the real core: the greying of the Baudrate entries, the
// check items chosen as a user chooses them, the commands reaching the core, Load Settings and
// Save Text through the real dialogs, and keys while Com Enabled has released the port.  The marks
// after the start-up are the core's (tests/app StartupTest); what a user does while a text send
// holds the loop is the window contract's (tests/ui) and the long send's (tests/loader).
#include <gtest/gtest.h>

#include <QAction>
#include <QTest>
#include <functional>

#include "app/MenuIds.h"
#include "tests/shell/ShellRig.h"

namespace tavolin::shell {
namespace {

std::vector<int> CheckedBaudEntries(const ShellRig& rig) {
  std::vector<int> ids;
  for (int id = menu::kBaudFirst; id <= menu::kBaudLast; ++id) {
    if (rig.action(id)->isChecked()) ids.push_back(id);
  }
  return ids;
}

std::vector<int> GreyedEntries(const ShellRig& rig) {
  std::vector<int> ids;
  for (int id = 1; id <= menu::kCrAutoLf; ++id) {
    if (rig.action(id) != nullptr && !rig.action(id)->isEnabled()) ids.push_back(id);
  }
  return ids;
}

const std::vector<int> kSlowRates = {20, 21, 22, 23, 24, 25, 26};

TEST(ShellMenu, NormalTerminalModeOffGreysTheSlowRatesOnlyWhileItIsOff) {
  ShellRig rig;
  rig.Choose(menu::kNormalTerminalMode);  // off
  EXPECT_EQ(GreyedEntries(rig), kSlowRates);
  EXPECT_TRUE(CheckedBaudEntries(rig).empty()) << "the rate index was 0 already";
  // A greyed entry cannot be chosen: no command reaches the core.
  rig.action(menu::kBaudFirst + 4)->trigger();
  EXPECT_TRUE(rig.ui.queued().empty());
  EXPECT_EQ(rig.app.settings.BaudRate, 0);

  rig.Choose(menu::kNormalTerminalMode);  // on
  EXPECT_TRUE(GreyedEntries(rig).empty());

  rig.Choose(menu::kBaudFirst + 4);  // "9600"
  EXPECT_EQ(CheckedBaudEntries(rig), std::vector<int>{menu::kBaudFirst + 4});
  EXPECT_EQ(rig.device->bitsPerSecond, 9600);
  rig.Choose(menu::kBaudFirst + 4);  // again: it stays the only one
  EXPECT_EQ(CheckedBaudEntries(rig), std::vector<int>{menu::kBaudFirst + 4});

  rig.Choose(menu::kNormalTerminalMode);  // off: back to 115200, which is never greyed
  EXPECT_EQ(CheckedBaudEntries(rig), std::vector<int>{menu::kBaudFirst});
  EXPECT_EQ(GreyedEntries(rig), kSlowRates);
  EXPECT_EQ(rig.app.settings.BaudRate, 0);
  EXPECT_EQ(rig.device->bitsPerSecond, 115200);
  EXPECT_EQ(rig.device->stopBits, StopBits::Two);
}

TEST(ShellMenu, CheckItemsChosenFromTheMenuFlipOnceAndStoreTheirState) {
  struct Case {
    int id;
    std::int32_t Settings::*field;  // null: the check mark is the only state
  };
  const Case cases[] = {{menu::kTextCursor, &Settings::TxtCurs},
                        {menu::kCrAutoLf, &Settings::CRmode},
                        {menu::kVirtualKeycodes, &Settings::VKeys},
                        {menu::kNormalTerminalMode, &Settings::MsMoveOff},
                        {menu::kAutoMode, nullptr}};
  for (const Case& c : cases) {
    ShellRig rig;
    const bool before = rig.action(c.id)->isChecked();
    for (const bool expected : {!before, before}) {
      rig.Choose(c.id);
      EXPECT_EQ(rig.action(c.id)->isChecked(), expected) << c.id;
      if (c.field != nullptr) {
        EXPECT_EQ(rig.app.settings.*c.field, expected ? 1 : 0) << c.id;
      }
    }
  }
}

// How Load Settings reads and resizes is the core's (tests/app, tests/settings), the new size in
// place the window contract's (tests/ui); here the marks follow the loaded file on the real menu,
// and the picture is the new content less the menu line, whatever height Qt gives its menu bar.
TEST(ShellMenu, LoadSettingsThroughTheDialogSetsTheMarksOfTheFile) {
  ShellRig rig;
  testing::TempDir dir;
  const std::string path = dir.Write("big.ini", "[Config]\r\nComNr=0\r\nRows=30\r\nCols=100\r\n");
  rig.ChooseInNextFileDialog(path);
  rig.Choose(menu::kLoadSettings);
  EXPECT_EQ(rig.client()->size(), QSize(800, 510));
  // The file has no Auto Mode or rate key: their read defaults (off, 57600) are applied.
  EXPECT_FALSE(rig.action(menu::kAutoMode)->isChecked());
  EXPECT_EQ(CheckedBaudEntries(rig), std::vector<int>{menu::kBaudFirst + 1});
  EXPECT_EQ(rig.device->bitsPerSecond, 57600);
}

// What each command does is the core's (tests/app CommandsTest); here the ones it has no other
// test for reach it from the real menu.
TEST(ShellMenu, CommandsChosenFromTheMenuReachTheCore) {
  struct Case {
    int id;
    std::function<bool(ShellRig&)> happened;
  };
  const Case cases[] = {
      {menu::kQuit, [](ShellRig& r) { return r.app.QuitRequested == 1; }},
      {menu::kWebsite, [](ShellRig& r) { return r.desktop.urls.size() == 1; }},
      {menu::kClear, [](ShellRig& r) { return r.app.screen.textMirror.empty(); }},
  };
  for (const Case& c : cases) {
    ShellRig rig;
    rig.Receive("text");
    rig.Tick();
    rig.Choose(c.id);
    EXPECT_TRUE(c.happened(rig)) << c.id;
  }
}

// What Save Text writes is the core's (tests/app); here it goes through the real save dialog, and
// once that is gone the keys reach the terminal again.
TEST(ShellMenu, SaveTextGoesThroughTheSaveDialogAndGivesTheKeysBack) {
  ShellRig rig;
  testing::TempDir dir;
  const std::string path = dir.Write("saved", "an older, longer content");
  rig.Receive("line\xE9");
  rig.Tick();
  rig.ChooseInNextFileDialog(path);
  rig.Choose(menu::kSaveText);
  EXPECT_EQ(testing::TempDir::Read(path), "line\xE9");
  EXPECT_EQ(rig.Deliver([&] { QTest::keyClick(rig.handle(), 'k'); }),
            std::vector<std::uint8_t>{'k'});
}

// Keys typed while the port is closed: nothing is sent, and nothing is kept to be sent when the
// port is taken back.
TEST(ShellMenu, NothingIsSentOrKeptWhileComEnabledHasReleasedThePort) {
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

}  // namespace
}  // namespace tavolin::shell
