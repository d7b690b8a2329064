// Keyboard translation without a window: the virtual-key codes, characters and key-ups a
// Windows window would receive for Qt key events.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/qt/KeyTranslation.h"
#include "tests/ui/UiContract.h"

namespace tavolin::qt {
namespace {

using K = Event::Kind;

using contract::Describe;

struct Case {
  const char* name;
  KeyInput input;
  std::vector<Event> expected;
};

KeyInput Press(int key, Qt::KeyboardModifiers mods = {}, const QString& text = {}) {
  return {key, mods, text, true, false, 0};
}
KeyInput Release(int key, Qt::KeyboardModifiers mods = {}) {
  return {key, mods, {}, false, false, 0};
}

TEST(KeyTranslation, KeyEventsGiveWindowsMessages) {
  const Qt::KeyboardModifiers none;
  const Case cases[] = {
      {"letter", Press(Qt::Key_A, none, "a"), {{K::KeyDown, 0x41}, {K::Char, 'a'}}},
      {"Shift+letter",
       Press(Qt::Key_A, Qt::ShiftModifier, "A"),
       {{K::KeyDown, 0x41}, {K::Char, 'A'}}},
      {"letter release", Release(Qt::Key_A), {{K::KeyUp, 0x41}}},
      {"Shift+1 is the 1 key",
       Press(Qt::Key_Exclam, Qt::ShiftModifier, "!"),
       {{K::KeyDown, 0x31}, {K::Char, '!'}}},
      {"colon is OEM 1",
       Press(Qt::Key_Colon, Qt::ShiftModifier, ":"),
       {{K::KeyDown, 0xBA}, {K::Char, ':'}}},
      {"slash is OEM 2", Press(Qt::Key_Slash, none, "/"), {{K::KeyDown, 0xBF}, {K::Char, '/'}}},
      {"Latin-1 character",
       Press(Qt::Key_Adiaeresis, none, QString(QChar(0xE4))),
       {{K::KeyDown, 0}, {K::Char, 0xE4}}},
      {"character outside Latin-1",
       Press(0, none, QString(QChar(0x20AC))),
       {{K::KeyDown, 0}, {K::Char, '?'}}},
      {"Ctrl+A gives 1",
       Press(Qt::Key_A, Qt::ControlModifier, "\x01"),
       {{K::KeyDown, 0x41}, {K::Char, 1}}},
      {"Ctrl+Z without text",
       Press(Qt::Key_Z, Qt::ControlModifier),
       {{K::KeyDown, 0x5A}, {K::Char, 26}}},
      {"Ctrl+[ gives Escape",
       Press(Qt::Key_BracketLeft, Qt::ControlModifier),
       {{K::KeyDown, 0xDB}, {K::Char, 27}}},
      {"Ctrl+digit no character", Press(Qt::Key_1, Qt::ControlModifier, "1"), {{K::KeyDown, 0x31}}},
      {"Enter", Press(Qt::Key_Return, none, "\r"), {{K::KeyDown, 0x0D}, {K::Char, 13}}},
      {"keypad Enter",
       Press(Qt::Key_Enter, Qt::KeypadModifier, "\r"),
       {{K::KeyDown, 0x0D}, {K::Char, 13}}},
      {"Ctrl+Enter gives LF",
       Press(Qt::Key_Return, Qt::ControlModifier),
       {{K::KeyDown, 0x0D}, {K::Char, 10}}},
      {"Escape", Press(Qt::Key_Escape, none, "\x1b"), {{K::KeyDown, 0x1B}, {K::Char, 27}}},
      {"Tab", Press(Qt::Key_Tab, none, "\t"), {{K::KeyDown, 0x09}, {K::Char, 9}}},
      {"Shift+Tab nothing", Press(Qt::Key_Backtab, Qt::ShiftModifier), {}},
      {"Space", Press(Qt::Key_Space, none, " "), {{K::KeyDown, 0x20}, {K::Char, ' '}}},
      {"F1", Press(Qt::Key_F1), {{K::KeyDown, 0x70}}},
      {"F10 nothing", Press(Qt::Key_F10), {}},
      {"arrows", Press(Qt::Key_Left), {{K::KeyDown, 0x25}}},
      {"keypad digit",
       Press(Qt::Key_5, Qt::KeypadModifier, "5"),
       {{K::KeyDown, 0x65}, {K::Char, '5'}}},
      {"Shift", Press(Qt::Key_Shift, Qt::ShiftModifier), {{K::KeyDown, 0x10}}},
      {"Shift release", Release(Qt::Key_Shift), {{K::KeyUp, 0x10}}},
      {"Alt alone nothing", Press(Qt::Key_Alt, Qt::AltModifier), {}},
      {"Alt+letter nothing", Press(Qt::Key_F, Qt::AltModifier, "f"), {}},
      {"Alt+letter release nothing", Release(Qt::Key_F, Qt::AltModifier), {}},
      {"Shift release under Alt", Release(Qt::Key_Shift, Qt::AltModifier), {{K::KeyUp, 0x10}}},
      {"Ctrl+Alt: Alt key-down",
       Press(Qt::Key_Alt, Qt::ControlModifier | Qt::AltModifier),
       {{K::KeyDown, 0x12}}},
      {"AltGr is an Alt key-down", Press(Qt::Key_AltGr), {{K::KeyDown, 0x12}}},
      {"AltGr character",
       Press(Qt::Key_At, Qt::GroupSwitchModifier, "@"),
       {{K::KeyDown, 0x32}, {K::Char, '@'}}},
      {"Ctrl+Alt character",
       Press(Qt::Key_Q, Qt::ControlModifier | Qt::AltModifier, "@"),
       {{K::KeyDown, 0x51}, {K::Char, '@'}}},
      {"Pause is the Com Enabled command", Press(Qt::Key_Pause), {{K::MenuCommand, 5}}},
      {"Pause release", Release(Qt::Key_Pause), {{K::KeyUp, 0x13}}},
      {"Shift+Pause is a key", Press(Qt::Key_Pause, Qt::ShiftModifier), {{K::KeyDown, 0x13}}},
      {"Ctrl+Pause is Break", Press(Qt::Key_Pause, Qt::ControlModifier), {{K::KeyDown, 0x03}}},
      {"dead key alone", Press(Qt::Key_Dead_Acute), {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Describe(TranslateKey(c.input)), Describe(c.expected)) << c.name;
  }
}

TEST(KeyTranslation, AutoRepeatRepeatsKeyDownsAndDropsItsKeyUps) {
  KeyInput repeat = Press(Qt::Key_B, {}, "b");
  repeat.autoRepeat = true;
  EXPECT_EQ(Describe(TranslateKey(repeat)), "down 66; char 98; ");
  repeat.press = false;
  EXPECT_TRUE(TranslateKey(repeat).empty());
  KeyInput shiftRepeat = Press(Qt::Key_Shift, Qt::ShiftModifier);
  shiftRepeat.autoRepeat = true;
  EXPECT_EQ(Describe(TranslateKey(shiftRepeat)), "down 16; ");
}

TEST(KeyTranslation, PunctuationOfOtherLayoutsFindsItsCodeByPosition) {
  // A German keyboard: the key right of L types an o umlaut; it sits where US has ";".
  EXPECT_EQ(VirtualKeyFor(Qt::Key_Odiaeresis, {}, 47), 0xBA);
  EXPECT_EQ(VirtualKeyFor(Qt::Key_Odiaeresis, {}, 0), 0);
  EXPECT_EQ(VirtualKeyFor(Qt::Key_Minus, {}, 47), 0xBD);  // a known character wins
}

}  // namespace
}  // namespace tavolin::qt
