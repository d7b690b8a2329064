// Key and mouse forwarding.  See KeyForwarding.h.
#include "terminal/KeyForwarding.h"

#include <cstddef>

#include "settings/Settings.h"
#include "terminal/TerminalContext.h"

namespace tavolin {
namespace {

constexpr int kCodeShiftDown = 1;
constexpr int kCodeCtrlDown = 2;
constexpr int kCodeShiftUp = 3;
constexpr int kCodeCtrlUp = 4;
constexpr int kCodeAltDown = 4;
constexpr int kCodeBackspaceGraphics = 0xC8;
constexpr int kCodeEscapeGraphics = 0xCB;
constexpr int kCodeVirtualKeyUp = 3;
constexpr int kFunctionKeyOffset = 0x60;  // F1 0x70 gives 0xD0
constexpr std::uint8_t kMouseReportStart = 5;

bool Send(TerminalContext& app, std::size_t n) {
  if (!app.port.IsOpen()) return false;
  app.port.WriteRaw(app.SendBuffer.data(), n);
  return true;
}

bool SendByte(TerminalContext& app, int code) {
  app.SendBuffer[0] = static_cast<std::uint8_t>(code);
  return Send(app, 1);
}

// The fixed part of the key-down table; -1 for keys it does not name.
int NamedKeyCode(int virtualKey) {
  switch (virtualKey) {
    case vk::kLeft:
      return 0xC0;
    case vk::kRight:
      return 0xC1;
    case vk::kUp:
      return 0xC2;
    case vk::kDown:
      return 0xC3;
    case vk::kHome:
      return 0xC4;
    case vk::kEnd:
      return 0xC5;
    case vk::kPrior:
      return 0xC6;
    case vk::kNext:
      return 0xC7;
    case vk::kDelete:
      return 0xC9;
    case vk::kInsert:
      return 0xCA;
    case vk::kTab:
      return 9;
    case vk::kPause:
      return 13;
    default:
      return -1;
  }
}

}  // namespace

void HandleKeyDown(TerminalContext& app, int virtualKey) {
  KeyState& keys = app.keyState;
  if (app.settings.VKeys != 0) {
    if (virtualKey > 0 && SendByte(app, virtualKey)) {
      keys.charPending = 0;
    } else {
      keys.charPending = 1;
    }
    return;
  }
  int code = 0;
  if (virtualKey == vk::kShift) {
    code = kCodeShiftDown;
    keys.shiftHeld = 1;
  } else if (virtualKey == vk::kControl) {
    code = kCodeCtrlDown;
    keys.ctrlHeld = 1;
  } else if (virtualKey == vk::kMenu) {
    // Alt reaches us as a key-down only together with Ctrl (AltGr): the character that follows
    // is the AltGr character, not a Ctrl letter.
    code = kCodeAltDown;
    keys.ctrlHeld = 0;
  } else if (const int named = NamedKeyCode(virtualKey); named >= 0) {
    code = named;
  } else if (keys.ctrlHeld == 1) {
    code = virtualKey;
    if (virtualKey >= 'A' && virtualKey <= 'Z' && keys.shiftHeld == 0) code |= 0x20;
  }
  if (virtualKey >= vk::kF1 && virtualKey <= vk::kF12) code = virtualKey + kFunctionKeyOffset;
  if (code < 5 && app.NormalTerminalMode != 0) code = 0;
  if (code > 0 && SendByte(app, code)) {
    keys.charPending = 0;
  } else {
    keys.charPending = 1;
  }
}

void HandleChar(TerminalContext& app, int code) {
  KeyState& keys = app.keyState;
  // In Normal-Terminal Mode Ctrl+A..D send their letter at the key-down and the control
  // character here as well.
  if (code >= 1 && code <= 4 && keys.ctrlHeld == 1 && app.NormalTerminalMode != 0) {
    keys.charPending = 1;
  }
  if (keys.charPending != 1) return;
  if (app.NormalTerminalMode == 0) {
    if (code == 8) code = kCodeBackspaceGraphics;
    if (code == 27) code = kCodeEscapeGraphics;
  }
  SendByte(app, code);
}

void HandleKeyUp(TerminalContext& app, int virtualKey) {
  KeyState& keys = app.keyState;
  if (virtualKey == vk::kShift) keys.shiftHeld = 0;
  if (virtualKey == vk::kControl) keys.ctrlHeld = 0;
  if (app.settings.VKeys != 0) {
    app.SendBuffer[0] = kCodeVirtualKeyUp;
    app.SendBuffer[1] = static_cast<std::uint8_t>(virtualKey);
    Send(app, 2);
    return;
  }
  int code = 0;
  if (virtualKey == vk::kShift) code = kCodeShiftUp;
  if (virtualKey == vk::kControl) code = kCodeCtrlUp;
  if (code < 5 && app.NormalTerminalMode != 0) code = 0;
  if (code > 0) SendByte(app, code);
}

void HandleMouseMove(TerminalContext& app) {
  if (app.settings.MsMoveOff == 0) SendMouseReport(app);
}

void HandleLeftClick(TerminalContext& app) {
  app.keyState.mouseButtons |= 1;
  SendMouseReport(app);
}

void HandleRightDown(TerminalContext& app) {
  app.keyState.mouseButtons |= 2;
  SendMouseReport(app);
}

void HandleButtonUp(TerminalContext& app) {
  app.keyState.mouseButtons = 0;
  SendMouseReport(app);
}

void ForwardInput(TerminalContext& app, const Event& event) {
  switch (event.kind) {
    case Event::Kind::KeyDown:
      HandleKeyDown(app, event.value);
      break;
    case Event::Kind::Char:
      HandleChar(app, event.value);
      break;
    case Event::Kind::KeyUp:
      HandleKeyUp(app, event.value);
      break;
    case Event::Kind::MouseMove:
      HandleMouseMove(app);
      break;
    case Event::Kind::LeftClick:
      HandleLeftClick(app);
      break;
    case Event::Kind::RightDown:
      HandleRightDown(app);
      break;
    case Event::Kind::ButtonUp:
      HandleButtonUp(app);
      break;
    default:
      break;
  }
}

void SendMouseReport(TerminalContext& app) {
  if (!app.port.IsOpen()) return;
  const PointerPosition p = app.platform.ui.PointerInClient();
  const double scale = EffectiveScale(app.settings);
  const int x = RoundHalfEven(p.x / scale);
  const int y = RoundHalfEven(p.y / scale);
  app.SendBuffer[0] = kMouseReportStart;
  app.SendBuffer[1] =
      static_cast<std::uint8_t>(app.keyState.mouseButtons | ((y & 1) << 4) | ((x & 1) << 5));
  app.SendBuffer[2] = static_cast<std::uint8_t>((x >> 1) & 0xFF);
  app.SendBuffer[3] = static_cast<std::uint8_t>((y >> 1) & 0xFF);
  Send(app, 4);
}

}  // namespace tavolin
