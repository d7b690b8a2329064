// What the two key fuzzers share: an AppState over the fakes with the port open or closed, and
// the window's key and mouse events handed to the core's forwarding, with the checks that hold
// for any sequence: nothing leaves while the port is closed, every mouse report is four bytes
// starting with 5, and the key state stays in its ranges.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "app/AppState.h"
#include "platform/Ui.h"
#include "platform/fake/FakeSerial.h"
#include "platform/fake/RecordingUi.h"
#include "platform/fake/VirtualClock.h"
#include "terminal/KeyForwarding.h"

namespace tavolin::fuzz {

inline void Check(bool condition) {
  if (!condition) std::abort();
}

struct KeyRig {
  fake::VirtualClock clock;
  fake::FakeSerialSystem serial{clock};
  fake::RecordingUi ui;
  fake::RecordingConsole console;
  fake::RecordingDesktop desktop;
  Platform platform{clock, serial, ui, console, desktop};
  AppState app{platform};
  fake::FakeSerialDevice& device = serial.Plug(1);

  // options: bit 0 port open, bit 1 graphics mode, bit 2 virtual key codes, bits 3-4 the scale.
  explicit KeyRig(std::uint8_t options) {
    if ((options & 1) != 0) app.port.Open(1, 0, 0);
    app.NormalTerminalMode = (options & 2) != 0 ? 0 : 1;
    app.settings.MsMoveOff = app.NormalTerminalMode;
    app.settings.VKeys = (options >> 2) & 1;
    constexpr float kScales[] = {1.0f, 1.5f, 0.25f, 1e30f};
    app.settings.WindowScale = kScales[(options >> 3) & 3];
  }

  // Runs one window event through the forwarding, as the main loop would.
  void Handle(const Event& event) {
    const std::size_t before = device.written.size();
    ForwardInput(app, event);
    const std::size_t sent = device.written.size() - before;
    if (!app.port.IsOpen()) Check(sent == 0);
    const bool mouse = event.kind == Event::Kind::MouseMove ||
                       event.kind == Event::Kind::LeftClick ||
                       event.kind == Event::Kind::RightDown || event.kind == Event::Kind::ButtonUp;
    if (mouse) Check(sent == 0 || (sent == 4 && device.written[before] == 5));
    if (!mouse) Check(sent <= 2);
    const KeyState& k = app.keyState;
    Check(k.shiftHeld == 0 || k.shiftHeld == 1);
    Check(k.ctrlHeld == 0 || k.ctrlHeld == 1);
    Check(k.charPending == 0 || k.charPending == 1);
    Check(k.mouseButtons >= 0 && k.mouseButtons <= 3);
  }
};

}  // namespace tavolin::fuzz
