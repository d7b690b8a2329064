// A whole program without a window system: AppState over the fakes, the screen as the text
// output, the terminal opened as at start-up.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/Commands.h"
#include "app/Startup.h"
#include "platform/fake/FakePlatform.h"
#include "platform/fake/FakeSerial.h"
#include "platform/fake/RecordingUi.h"
#include "platform/fake/VirtualClock.h"
#include "terminal/Assets.h"
#include "terminal/DisplayInterpreter.h"
#include "terminal/TerminalScreen.h"
#include "tests/TempDir.h"

namespace tavolin::testing {

inline Event Tick() {
  return {Event::Kind::Timer, 0};
}

// The four bytes of a graphics command with 9-bit coordinates.
inline std::vector<std::uint8_t> Command(int op, int x, int y) {
  const int c = (op & 0x8F) | ((x & 1) << 5) | ((y & 1) << 4);
  return {5, static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(x >> 1),
          static_cast<std::uint8_t>(y >> 1)};
}

// A host request for letter with the length proof of a mirror holding length characters.
inline std::vector<std::uint8_t> Request(char letter, std::size_t length) {
  return Command(0x82, 2 * static_cast<int>(length), 2 * letter);
}

struct AppRig : fake::FakePlatform {
  AppState app{platform};
  ScreenTextOutput screenOutput{app};

  AppRig() {
    std::string error;
    if (!DecodeAssets(app, error)) throw std::runtime_error(error);
    app.SetOutput(&screenOutput);
    OpenTerminal(app);
  }

  // Plugs a device in at port n and connects to it as the user would.
  fake::FakeSerialDevice& PlugAndConnect(int n) {
    fake::FakeSerialDevice& device = serial.Plug(n);
    app.settings.ComNr = n;
    Connect(app);
    return device;
  }
};

}  // namespace tavolin::testing
