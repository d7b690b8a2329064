// Key and mouse forwarding: the window's key-down, character and key-up events (Win32 virtual-key
// codes and ANSI characters, as platform/qt delivers them) and its mouse events become the byte
// codes and four-byte mouse reports the chip's firmware reads.  Two dialects shape the keys:
// graphics mode also sends the modifier keys (1/3 Shift down/up, 2/4 Ctrl down/up, 4 for Alt
// down) and its own Backspace (0xC8) and Escape (0xCB); Normal-Terminal Mode sends only
// characters.  With Virtual Keycodes on, key-downs send the raw code and key-ups 3 and the code.
//
// Touches: keyState, SendBuffer and the link to the chip (bytes leave only while
// it is open; otherwise they are dropped, never queued); reads the settings and the pointer
// position through the window interface.
#pragma once

#include <cstdint>

#include "platform/Ui.h"

namespace tavolin {

struct TerminalContext;

// Key and mouse state kept between events; all 0 at start-up.
struct KeyState {
  std::int32_t shiftHeld = 0;     // from a Shift key-down until its key-up
  std::int32_t ctrlHeld = 0;      // from a Ctrl key-down until its key-up or an Alt key-down
  std::int32_t charPending = 0;   // the last key-down sent nothing: its character goes instead
  std::int32_t mouseButtons = 0;  // bit 0 left, bit 1 right; both cleared at either release
};

// Virtual-key codes the forwarding knows by name.
namespace vk {
inline constexpr int kBack = 0x08;
inline constexpr int kTab = 0x09;
inline constexpr int kReturn = 0x0D;
inline constexpr int kShift = 0x10;
inline constexpr int kControl = 0x11;
inline constexpr int kMenu = 0x12;  // Alt
inline constexpr int kPause = 0x13;
inline constexpr int kEscape = 0x1B;
inline constexpr int kPrior = 0x21;
inline constexpr int kNext = 0x22;
inline constexpr int kEnd = 0x23;
inline constexpr int kHome = 0x24;
inline constexpr int kLeft = 0x25;
inline constexpr int kUp = 0x26;
inline constexpr int kRight = 0x27;
inline constexpr int kDown = 0x28;
inline constexpr int kInsert = 0x2D;
inline constexpr int kDelete = 0x2E;
inline constexpr int kF1 = 0x70;
inline constexpr int kF12 = 0x7B;
}  // namespace vk

void HandleKeyDown(TerminalContext& app, int virtualKey);
void HandleChar(TerminalContext& app, int code);
void HandleKeyUp(TerminalContext& app, int virtualKey);

// Mouse events of the main window: a move anywhere in it, a left press on the picture, a right
// press, the release of either button.
void HandleMouseMove(TerminalContext& app);
void HandleLeftClick(TerminalContext& app);
void HandleRightDown(TerminalContext& app);
void HandleButtonUp(TerminalContext& app);

// Hands a key or mouse event of the window to its handler above; other events are left alone.
void ForwardInput(TerminalContext& app, const Event& event);

// Sends 5, buttons with the low bits of x (bit 5) and y (bit 4), x >> 1, y >> 1, where x and y are
// the pointer position divided by the window scale (halves to even), -1 outside the client area.
void SendMouseReport(TerminalContext& app);

}  // namespace tavolin
