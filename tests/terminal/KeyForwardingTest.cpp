// Key and mouse forwarding against the fake port: what the chip receives for key sequences in
// both dialects and with Virtual Keycodes, and the mouse reports for pointer positions, scales
// and buttons.
#include <gtest/gtest.h>

#include <vector>

#include "terminal/KeyForwarding.h"
#include "tests/terminal/Rig.h"

namespace tavolin {
namespace {

// Mouse moves are reported in graphics mode only.
struct Rig : test::Rig {
  explicit Rig(bool normalTerminalMode, bool virtualKeys = false) : test::Rig(!normalTerminalMode) {
    app.settings.MsMoveOff = app.NormalTerminalMode;
    app.settings.VKeys = virtualKeys ? 1 : 0;
  }
};

// One step of a key sequence as the window delivers it.
struct Step {
  char kind;  // 'd' key-down, 'c' character, 'u' key-up
  int value;
};

void Play(AppState& app, const std::vector<Step>& steps) {
  for (const Step& s : steps) {
    if (s.kind == 'd') HandleKeyDown(app, s.value);
    if (s.kind == 'c') HandleChar(app, s.value);
    if (s.kind == 'u') HandleKeyUp(app, s.value);
  }
}

// The window's sequences for typical keys.
const std::vector<Step> kShiftA = {{'d', 0x10}, {'d', 0x41}, {'c', 'A'}, {'u', 0x41}, {'u', 0x10}};
const std::vector<Step> kCtrlE = {{'d', 0x11}, {'d', 0x45}, {'c', 5}, {'u', 0x45}, {'u', 0x11}};
const std::vector<Step> kCtrlShiftE = {{'d', 0x11}, {'d', 0x10}, {'d', 0x45}, {'c', 5},
                                       {'u', 0x45}, {'u', 0x10}, {'u', 0x11}};
const std::vector<Step> kCtrlC = {{'d', 0x11}, {'d', 0x43}, {'c', 3}, {'u', 0x43}, {'u', 0x11}};
const std::vector<Step> kCtrlB = {{'d', 0x11}, {'d', 0x42}, {'c', 2}, {'u', 0x42}, {'u', 0x11}};
const std::vector<Step> kBackspace = {{'d', 0x08}, {'c', 8}, {'u', 0x08}};
const std::vector<Step> kEscape = {{'d', 0x1B}, {'c', 27}, {'u', 0x1B}};
const std::vector<Step> kEnter = {{'d', 0x0D}, {'c', 13}, {'u', 0x0D}};
// AltGr+Q on a layout with the at sign there: Alt arrives as a key-down with Ctrl semantics.
const std::vector<Step> kAltGrQ = {{'d', 0x11}, {'d', 0x12}, {'d', 0x51}, {'c', '@'},
                                   {'u', 0x51}, {'u', 0x12}, {'u', 0x11}};
const std::vector<Step> kAltGr2 = {{'d', 0x12}, {'d', 0x32}, {'c', '@'}, {'u', 0x32}, {'u', 0x12}};
// Arrows, Home, End, Page Up, Page Down, Delete, Insert.
const std::vector<Step> kEditing = {{'d', 0x25}, {'d', 0x27}, {'d', 0x26}, {'d', 0x28},
                                    {'d', 0x24}, {'d', 0x23}, {'d', 0x21}, {'d', 0x22},
                                    {'d', 0x2E}, {'d', 0x2D}};

TEST(KeyForwarding, SequencesGiveTheChipItsCodes) {
  struct Case {
    const char* name;
    bool normalTerminalMode;
    bool virtualKeys;
    std::vector<Step> steps;
    std::vector<std::uint8_t> sent;
  };
  const std::vector<Case> cases = {
      {"Shift+a graphics", false, false, kShiftA, {1, 0x41, 3}},
      {"Shift+a NTM", true, false, kShiftA, {0x41}},
      {"held Shift repeats", false, false, {{'d', 0x10}, {'d', 0x10}, {'u', 0x10}}, {1, 1, 3}},
      {"Ctrl+E graphics", false, false, kCtrlE, {2, 0x65, 4}},
      {"Ctrl+E NTM", true, false, kCtrlE, {0x65}},
      {"Ctrl+Shift+E graphics", false, false, kCtrlShiftE, {2, 1, 0x45, 3, 4}},
      {"Ctrl+Shift+E NTM", true, false, kCtrlShiftE, {0x45}},
      {"Ctrl+C NTM", true, false, kCtrlC, {0x63, 3}},
      {"Ctrl+B NTM", true, false, kCtrlB, {0x62, 2}},
      {"Ctrl+C graphics", false, false, kCtrlC, {2, 0x63, 4}},
      {"Backspace graphics", false, false, kBackspace, {0xC8}},
      {"Backspace NTM", true, false, kBackspace, {8}},
      {"Escape graphics", false, false, kEscape, {0xCB}},
      {"Escape NTM", true, false, kEscape, {27}},
      {"Enter graphics", false, false, kEnter, {13}},
      {"Enter NTM", true, false, kEnter, {13}},
      {"F1", true, false, {{'d', 0x70}, {'u', 0x70}}, {0xD0}},
      {"F12", false, false, {{'d', 0x7B}, {'u', 0x7B}}, {0xDB}},
      {"arrows and editing keys",
       true,
       false,
       kEditing,
       {0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC9, 0xCA}},
      {"Tab sends 9 once", true, false, {{'d', 0x09}, {'c', 9}, {'u', 0x09}}, {9}},
      {"Pause key-down", true, false, {{'d', 0x13}}, {13}},
      {"AltGr character graphics", false, false, kAltGrQ, {2, 4, '@', 4}},
      {"AltGr character NTM", true, false, kAltGrQ, {'@'}},
      {"AltGr without Ctrl graphics", false, false, kAltGr2, {4, '@'}},
      {"plain letter", true, false, {{'d', 0x51}, {'c', 'q'}, {'u', 0x51}}, {'q'}},
      {"Ctrl+digit sends the code", true, false, {{'d', 0x11}, {'d', 0x31}}, {0x31}},
      {"VKeys A", true, true, {{'d', 0x41}, {'c', 'a'}, {'u', 0x41}}, {0x41, 3, 0x41}},
      {"VKeys Shift", false, true, {{'d', 0x10}, {'u', 0x10}}, {0x10, 3, 0x10}},
  };
  for (const Case& c : cases) {
    Rig rig(c.normalTerminalMode, c.virtualKeys);
    Play(rig.app, c.steps);
    EXPECT_EQ(rig.device.written, c.sent) << c.name;
  }
}

TEST(KeyForwarding, ModifierStateFollowsTheKeys) {
  Rig rig(false);
  HandleKeyDown(rig.app, 0x11);
  HandleKeyDown(rig.app, 0x10);
  EXPECT_EQ(rig.app.keyState.ctrlHeld, 1);
  EXPECT_EQ(rig.app.keyState.shiftHeld, 1);
  HandleKeyDown(rig.app, 0x12);  // AltGr
  EXPECT_EQ(rig.app.keyState.ctrlHeld, 0);
  HandleKeyUp(rig.app, 0x10);
  EXPECT_EQ(rig.app.keyState.shiftHeld, 0);
  // Virtual Keycodes: key-ups still clear the flags the key-downs set earlier.
  HandleKeyDown(rig.app, 0x11);
  rig.app.settings.VKeys = 1;
  HandleKeyUp(rig.app, 0x11);
  EXPECT_EQ(rig.app.keyState.ctrlHeld, 0);
}

TEST(KeyForwarding, ClosedPortSendsNothingAndLeavesTheCharacterPending) {
  Rig rig(false);
  rig.app.port.Close();
  Play(rig.app, kShiftA);
  Play(rig.app, kCtrlE);
  HandleKeyDown(rig.app, 0x25);
  EXPECT_EQ(rig.app.keyState.charPending, 1);
  SendMouseReport(rig.app);
  HandleLeftClick(rig.app);
  EXPECT_TRUE(rig.device.written.empty());
  EXPECT_EQ(rig.app.keyState.mouseButtons, 1);
}

struct MouseCase {
  const char* name;
  PointerPosition pointer;
  float scale;
  int buttons;
  std::vector<std::uint8_t> report;
};

TEST(MouseReport, PositionScaleAndButtons) {
  const MouseCase cases[] = {
      {"scale 1", {100, 51}, 1.0f, 0, {5, 0x10, 50, 25}},
      {"left held", {100, 51}, 1.0f, 1, {5, 0x11, 50, 25}},
      {"both held", {101, 50}, 1.0f, 3, {5, 0x23, 50, 25}},
      {"scale 2 halves to even", {301, 100}, 2.0f, 0, {5, 0x00, 75, 25}},
      {"scale 2 151.5 rounds up to 152", {303, 102}, 2.0f, 0, {5, 0x10, 76, 25}},
      {"outside", {-1, -1}, 1.0f, 2, {5, 0x32, 0xFF, 0xFF}},
      {"outside in x only", {-1, 10}, 1.0f, 0, {5, 0x20, 0xFF, 5}},
      {"x 600 wraps", {600, 0}, 1.0f, 0, {5, 0x00, 44, 0}},
      {"x 511, the last one, sets bit 5", {511, 0}, 1.0f, 0, {5, 0x20, 255, 0}},
      {"scale 1.5", {300, 0}, 1.5f, 0, {5, 0x00, 100, 0}},
      {"out-of-range scale counts as 1", {100, 51}, 0.0f, 0, {5, 0x10, 50, 25}},
  };
  for (const MouseCase& c : cases) {
    Rig rig(false);
    rig.ui.pointer = c.pointer;
    rig.app.settings.WindowScale = c.scale;
    rig.app.keyState.mouseButtons = c.buttons;
    SendMouseReport(rig.app);
    EXPECT_EQ(rig.device.written, c.report) << c.name;
    EXPECT_EQ(rig.device.writeSizes, std::vector<std::size_t>{4}) << c.name;
  }
}

TEST(MouseHandlers, ButtonsAndMovesFollowTheRules) {
  Rig rig(false);
  rig.ui.pointer = {2, 2};
  HandleLeftClick(rig.app);
  HandleRightDown(rig.app);
  HandleButtonUp(rig.app);
  HandleMouseMove(rig.app);  // graphics mode: MsMoveOff 0
  EXPECT_EQ(rig.device.written,
            (std::vector<std::uint8_t>{5, 1, 1, 1, 5, 3, 1, 1, 5, 0, 1, 1, 5, 0, 1, 1}));
  rig.device.ClearWritten();
  rig.app.settings.MsMoveOff = 1;
  HandleMouseMove(rig.app);
  EXPECT_TRUE(rig.device.written.empty());
  HandleRightDown(rig.app);  // buttons are reported whatever MsMoveOff says
  EXPECT_EQ(rig.device.written, (std::vector<std::uint8_t>{5, 2, 1, 1}));
}

}  // namespace
}  // namespace tavolin
