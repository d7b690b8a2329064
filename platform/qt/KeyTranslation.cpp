// Keyboard translation.  See KeyTranslation.h.
//
// How Windows behaves, and so what is reproduced here:
//   - a key pressed while Alt is held and Ctrl is not is a system key: no key-down, no
//     character, no key-up; F10 likewise.  Alt itself is a system key unless Ctrl is held
//     (AltGr), and then arrives as an ordinary key-down of 0x12.  AltGr (Qt::Key_AltGr) is that
//     case: an Alt key-down, its characters the AltGr characters.
//   - auto-repeat gives repeated key-downs (and characters) and one key-up at the release.
//   - Ctrl with a letter gives the control character 1..26, Ctrl+[ \ ] 27..29, Ctrl+^ 30,
//     Ctrl+_ 31, Ctrl+Enter 10, Ctrl+Backspace 127; Ctrl with other keys gives no character.
//   - Pause without modifiers is the accelerator of Com Enabled: the command instead of the
//     key-down (its key-up still arrives).  Ctrl+Pause is Break (0x03).
//   - Shift+Tab is the focus-navigation key and never reaches the window.
// One deliberate difference: the key-ups of Shift and Ctrl are delivered even while Alt is held,
// so the modifier state the forwarding keeps can never stick.
#include "platform/qt/KeyTranslation.h"

namespace tavolin::qt {
namespace {

constexpr int kVkCancel = 0x03;
constexpr int kVkBack = 0x08;
constexpr int kVkTab = 0x09;
constexpr int kVkClear = 0x0C;
constexpr int kVkReturn = 0x0D;
constexpr int kVkShift = 0x10;
constexpr int kVkControl = 0x11;
constexpr int kVkMenu = 0x12;
constexpr int kVkPause = 0x13;
constexpr int kVkCapital = 0x14;
constexpr int kVkEscape = 0x1B;
constexpr int kVkF1 = 0x70;
constexpr int kComEnabledCommand = 5;

// US-layout codes of the printable keys, indexed by the character they type (either shift
// state): the digit row gives its digit, punctuation its OEM code.
int UsLayoutCode(int c) {
  if (c >= 'A' && c <= 'Z') return c;
  if (c >= 'a' && c <= 'z') return c - 0x20;
  if (c >= '0' && c <= '9') return c;
  switch (c) {
    case ' ':
      return 0x20;
    case ')':
      return '0';
    case '!':
      return '1';
    case '@':
      return '2';
    case '#':
      return '3';
    case '$':
      return '4';
    case '%':
      return '5';
    case '^':
      return '6';
    case '&':
      return '7';
    case '*':
      return '8';
    case '(':
      return '9';
    case ';':
    case ':':
      return 0xBA;
    case '=':
    case '+':
      return 0xBB;
    case ',':
    case '<':
      return 0xBC;
    case '-':
    case '_':
      return 0xBD;
    case '.':
    case '>':
      return 0xBE;
    case '/':
    case '?':
      return 0xBF;
    case '`':
    case '~':
      return 0xC0;
    case '[':
    case '{':
      return 0xDB;
    case '\\':
    case '|':
      return 0xDC;
    case ']':
    case '}':
      return 0xDD;
    case '\'':
    case '"':
      return 0xDE;
    default:
      return 0;
  }
}

// The OEM code of a punctuation key by its position (X11 key code = evdev code + 8), for layouts
// whose characters there are not US punctuation (for example a German umlaut key).
int PositionCode(quint32 x11KeyCode) {
  switch (x11KeyCode) {
    case 20:
      return 0xBD;  // minus
    case 21:
      return 0xBB;  // equal
    case 34:
      return 0xDB;  // left bracket
    case 35:
      return 0xDD;  // right bracket
    case 47:
      return 0xBA;  // semicolon
    case 48:
      return 0xDE;  // apostrophe
    case 49:
      return 0xC0;  // grave
    case 51:
      return 0xDC;  // backslash
    case 59:
      return 0xBC;  // comma
    case 60:
      return 0xBE;  // period
    case 61:
      return 0xBF;  // slash
    case 94:
      return 0xE2;  // the extra key beside the left Shift
    default:
      return 0;
  }
}

int KeypadCode(int key) {
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return 0x60 + (key - Qt::Key_0);
  switch (key) {
    case Qt::Key_Asterisk:
      return 0x6A;
    case Qt::Key_Plus:
      return 0x6B;
    case Qt::Key_Minus:
      return 0x6D;
    case Qt::Key_Period:
    case Qt::Key_Comma:
      return 0x6E;
    case Qt::Key_Slash:
      return 0x6F;
    default:
      return 0;
  }
}

int NamedCode(int key) {
  switch (key) {
    case Qt::Key_Backspace:
      return kVkBack;
    case Qt::Key_Tab:
      return kVkTab;
    case Qt::Key_Clear:
      return kVkClear;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return kVkReturn;
    case Qt::Key_Shift:
      return kVkShift;
    case Qt::Key_Control:
      return kVkControl;
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
      return kVkMenu;
    case Qt::Key_Pause:
      return kVkPause;
    case Qt::Key_CapsLock:
      return kVkCapital;
    case Qt::Key_Escape:
      return kVkEscape;
    case Qt::Key_PageUp:
      return 0x21;
    case Qt::Key_PageDown:
      return 0x22;
    case Qt::Key_End:
      return 0x23;
    case Qt::Key_Home:
      return 0x24;
    case Qt::Key_Left:
      return 0x25;
    case Qt::Key_Up:
      return 0x26;
    case Qt::Key_Right:
      return 0x27;
    case Qt::Key_Down:
      return 0x28;
    case Qt::Key_Insert:
      return 0x2D;
    case Qt::Key_Delete:
      return 0x2E;
    case Qt::Key_Help:
      return 0x2F;
    case Qt::Key_Meta:
      return 0x5B;
    case Qt::Key_Menu:
      return 0x5D;
    case Qt::Key_NumLock:
      return 0x90;
    case Qt::Key_ScrollLock:
      return 0x91;
    default:
      break;
  }
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return kVkF1 + (key - Qt::Key_F1);
  return 0;
}

// The character Ctrl gives with a key, -1 for none.
int ControlCharacter(int key) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return key - Qt::Key_A + 1;
  switch (key) {
    case Qt::Key_BracketLeft:
      return 27;
    case Qt::Key_Backslash:
      return 28;
    case Qt::Key_BracketRight:
      return 29;
    case Qt::Key_AsciiCircum:
      return 30;
    case Qt::Key_Underscore:
      return 31;
    case Qt::Key_Space:
      return 32;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return 10;
    case Qt::Key_Backspace:
      return 127;
    case Qt::Key_Escape:
      return 27;
    default:
      return -1;
  }
}

// The ANSI code of a typed character: Latin-1 as it is, anything else the "?" Windows puts for
// a character its code page lacks.
int AnsiCode(QChar c) {
  return c.unicode() <= 0xFF ? c.unicode() : '?';
}

}  // namespace

int VirtualKeyFor(int key, Qt::KeyboardModifiers modifiers, quint32 nativeScanCode) {
  if (modifiers & Qt::KeypadModifier) {
    if (const int k = KeypadCode(key); k != 0) return k;
  }
  if (const int named = NamedCode(key); named != 0) return named;
  if (key >= 0x20 && key <= 0x7E) {
    if (const int us = UsLayoutCode(key); us != 0) return us;
  }
  return PositionCode(nativeScanCode);
}

std::vector<Event> TranslateKey(const KeyInput& in) {
  std::vector<Event> out;
  const int key = in.key;
  const bool ctrl = (in.modifiers & Qt::ControlModifier) != 0 || key == Qt::Key_Control;
  const bool alt = (in.modifiers & Qt::AltModifier) != 0 && key != Qt::Key_Alt;
  const bool altGrHeld = (in.modifiers & Qt::GroupSwitchModifier) != 0 || (ctrl && alt);
  const bool systemKey = alt && !ctrl;
  const int code = VirtualKeyFor(key, in.modifiers, in.nativeScanCode);

  if (key == Qt::Key_F10 || key == Qt::Key_Backtab) return out;
  if (key == Qt::Key_Tab && (in.modifiers & Qt::ShiftModifier)) return out;
  if (key == Qt::Key_Alt && !ctrl) return out;  // a system key on its own

  if (!in.press) {
    if (in.autoRepeat) return out;  // one key-up at the real release
    if (systemKey && key != Qt::Key_Shift && key != Qt::Key_Control) return out;
    if (key == Qt::Key_Pause && ctrl) {
      out.push_back({Event::Kind::KeyUp, kVkCancel});
    } else if (code != 0) {
      out.push_back({Event::Kind::KeyUp, code});
    }
    return out;
  }

  if (systemKey) return out;
  if (key == Qt::Key_Pause) {
    if (ctrl) {
      out.push_back({Event::Kind::KeyDown, kVkCancel});
    } else if ((in.modifiers & (Qt::ShiftModifier | Qt::MetaModifier)) == 0) {
      out.push_back({Event::Kind::MenuCommand, kComEnabledCommand});
    } else {
      out.push_back({Event::Kind::KeyDown, kVkPause});
    }
    return out;
  }

  std::vector<int> chars;
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    chars.push_back(ctrl && !altGrHeld ? 10 : 13);
  } else if (key == Qt::Key_Backspace) {
    chars.push_back(ctrl && !altGrHeld ? 127 : 8);
  } else if (key == Qt::Key_Escape) {
    chars.push_back(27);
  } else if (key == Qt::Key_Tab) {
    if (!ctrl) chars.push_back(9);
  } else if (ctrl && !altGrHeld) {
    if (const int c = ControlCharacter(key); c >= 0) chars.push_back(c);
  } else {
    for (const QChar c : in.text) {
      const int a = AnsiCode(c);
      if (altGrHeld && (a < 0x20 || a == 0x7F)) continue;  // AltGr gives printable characters
      chars.push_back(a);
    }
  }

  // Every key-down that may bring a character is delivered, even one without a code (0), so
  // the forwarding knows the character belongs to a fresh key.
  if (code != 0 || !chars.empty()) out.push_back({Event::Kind::KeyDown, code});
  for (const int c : chars) out.push_back({Event::Kind::Char, c});
  return out;
}

}  // namespace tavolin::qt
