// Keys from Qt key events on the real window to the bytes the chip receives, in both dialects and
// with Virtual Keycodes: the window's translation and the core's forwarding together.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWindow>

#include "app/MenuIds.h"
#include "platform/qt/MainWindow.h"
#include "tests/shell/ShellRig.h"

namespace tavolin::shell {
namespace {

using Bytes = std::vector<std::uint8_t>;

// One key event straight to the window, for sequences QTest cannot build (AltGr with Ctrl held,
// as a Windows keyboard reports it).
void SendKey(ShellRig& rig, QEvent::Type type, Qt::Key key, Qt::KeyboardModifiers modifiers,
             const QString& text = {}) {
  QKeyEvent event(type, key, modifiers, text);
  QApplication::sendEvent(rig.window(), &event);
}

enum class Mode { Graphics, NormalTerminal, VirtualKeys };

struct KeyCase {
  const char* name;
  Mode mode;
  std::function<void(ShellRig&)> type;
  Bytes bytes;
};

void Click(ShellRig& rig, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::keyClick(rig.handle(), key, modifiers);
}

// A character key with the text a keyboard gives it (QTest's Qt::Key form types lower case).
void Type(ShellRig& rig, char c, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::keyClick(rig.handle(), c, modifiers);
}

// Ctrl down, AltGr down, a key giving "@", and the releases: Windows' AltGr.
void AltGrWithCtrl(ShellRig& rig) {
  const Qt::KeyboardModifiers both = Qt::ControlModifier | Qt::AltModifier;
  SendKey(rig, QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
  SendKey(rig, QEvent::KeyPress, Qt::Key_AltGr, Qt::ControlModifier);
  SendKey(rig, QEvent::KeyPress, Qt::Key_Q, both, QStringLiteral("@"));
  SendKey(rig, QEvent::KeyRelease, Qt::Key_Q, both, QStringLiteral("@"));
  SendKey(rig, QEvent::KeyRelease, Qt::Key_AltGr, both);
  SendKey(rig, QEvent::KeyRelease, Qt::Key_Control, Qt::ControlModifier);
}

// The X11 AltGr: a key of its own without Ctrl, then the key with its AltGr character.
void AltGrAlone(ShellRig& rig) {
  SendKey(rig, QEvent::KeyPress, Qt::Key_AltGr, Qt::NoModifier);
  SendKey(rig, QEvent::KeyPress, Qt::Key_At, Qt::GroupSwitchModifier, QStringLiteral("@"));
  SendKey(rig, QEvent::KeyRelease, Qt::Key_At, Qt::GroupSwitchModifier, QStringLiteral("@"));
  SendKey(rig, QEvent::KeyRelease, Qt::Key_AltGr, Qt::GroupSwitchModifier);
}

const Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
const Qt::KeyboardModifiers kShift = Qt::ShiftModifier;

TEST(ShellKeys, QtKeysBecomeTheChipsBytes) {
  using M = Mode;
  const KeyCase cases[] = {
      {"Shift+a", M::Graphics, [](ShellRig& r) { Type(r, 'A', kShift); }, {1, 0x41, 3}},
      {"Ctrl+E", M::Graphics, [](ShellRig& r) { Click(r, Qt::Key_E, kCtrl); }, {2, 0x65, 4}},
      {"Ctrl+Shift+E",
       M::Graphics,
       [](ShellRig& r) { Click(r, Qt::Key_E, kCtrl | kShift); },
       {1, 2, 0x45, 4, 3}},
      {"Backspace", M::Graphics, [](ShellRig& r) { Click(r, Qt::Key_Backspace); }, {0xC8}},
      {"Enter", M::NormalTerminal, [](ShellRig& r) { Click(r, Qt::Key_Return); }, {13}},
      {"Tab", M::NormalTerminal, [](ShellRig& r) { Click(r, Qt::Key_Tab); }, {9}},
      {"Shift+Tab", M::Graphics, [](ShellRig& r) { Click(r, Qt::Key_Tab, kShift); }, {1, 3}},
      {"F1", M::Graphics, [](ShellRig& r) { Click(r, Qt::Key_F1); }, {0xD0}},
      {"F10", M::Graphics, [](ShellRig& r) { Click(r, Qt::Key_F10); }, {}},
      {"Shift+Pause",
       M::Graphics,
       [](ShellRig& r) { Click(r, Qt::Key_Pause, kShift); },
       {1, 13, 3}},
      {"Alt+x", M::Graphics, [](ShellRig& r) { Type(r, 'x', Qt::AltModifier); }, {}},
      {"AltGr with Ctrl", M::Graphics, AltGrWithCtrl, {2, 4, 0x40, 4}},
      {"AltGr with Ctrl", M::NormalTerminal, AltGrWithCtrl, {0x40}},
      {"AltGr alone", M::Graphics, AltGrAlone, {4, 0x40}},
      {"VKeys Shift+a",
       M::VirtualKeys,
       [](ShellRig& r) { Type(r, 'A', kShift); },
       {0x10, 0x41, 3, 0x41, 3, 0x10}},
  };
  for (const KeyCase& c : cases) {
    ShellRig rig;
    if (c.mode == Mode::Graphics) rig.Choose(menu::kNormalTerminalMode);
    if (c.mode == Mode::VirtualKeys) rig.Choose(menu::kVirtualKeycodes);
    const Bytes sent = rig.Deliver([&] { c.type(rig); });
    EXPECT_EQ(sent, c.bytes) << c.name << " in mode " << static_cast<int>(c.mode);
    EXPECT_EQ(rig.app.keyState.shiftHeld, 0) << c.name;
    EXPECT_EQ(rig.app.keyState.ctrlHeld, 0) << c.name;
  }
}

TEST(ShellKeys, HeldShiftRepeatsItsCodeInGraphicsMode) {
  ShellRig rig;
  rig.Choose(menu::kNormalTerminalMode);
  const Bytes sent = rig.Deliver([&] {
    SendKey(rig, QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier, QString(), true);
    QApplication::sendEvent(rig.window(), &repeat);
    SendKey(rig, QEvent::KeyRelease, Qt::Key_Shift, Qt::NoModifier);
  });
  EXPECT_EQ(sent, (Bytes{1, 1, 3}));
}

TEST(ShellKeys, NothingIsSentOrQueuedWhileThePortIsClosed) {
  ShellRig rig;
  rig.Choose(menu::kComEnabled);  // released
  ASSERT_FALSE(rig.device->isOpen);
  const Bytes sent = rig.Deliver([&] {
    Type(rig, 'A', kShift);
    Click(rig, Qt::Key_F1);
  });
  EXPECT_TRUE(sent.empty());
  rig.Choose(menu::kComEnabled);  // taken back: nothing of the above arrives late
  rig.Tick();
  EXPECT_TRUE(rig.device->written.empty());
}

}  // namespace
}  // namespace tavolin::shell
