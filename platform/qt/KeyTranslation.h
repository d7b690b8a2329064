// Keyboard translation: a Qt key event becomes exactly what a Windows window would receive, in
// the window's event vocabulary: key-down and key-up with Win32 virtual-key codes (US layout
// codes for punctuation), the character in the ANSI code page (Latin-1 here; Ctrl+A gives 1),
// and the Pause shortcut of the Com Enabled command.  Keys the system would take as system keys
// (F10, anything pressed while Alt is held without Ctrl) give nothing, and so does Shift+Tab.
// Pure: no window, no state, so every rule is testable without a display.
#pragma once

#include <QString>
#include <Qt>
#include <vector>

#include "platform/Ui.h"

namespace tavolin::qt {

struct KeyInput {
  int key = 0;  // Qt::Key
  Qt::KeyboardModifiers modifiers;
  QString text;
  bool press = true;
  bool autoRepeat = false;
  // The X11 key code (evdev + 8) where the platform gives one, else 0.  Used only to find the
  // US-layout code of punctuation keys that the layout maps to other characters.
  quint32 nativeScanCode = 0;
};

// The Win32 virtual-key code of a Qt key (0 when there is none).
int VirtualKeyFor(int key, Qt::KeyboardModifiers modifiers, quint32 nativeScanCode = 0);

// The events one key event gives, in the order a Windows window receives them.
std::vector<Event> TranslateKey(const KeyInput& input);

}  // namespace tavolin::qt
