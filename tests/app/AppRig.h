// A whole program without a window system: AppState over the fakes, the screen as the text
// output, the terminal opened as at start-up.
#pragma once

#include <stdexcept>
#include <string>

#include "app/AppState.h"
#include "app/Commands.h"
#include "app/MainLoop.h"
#include "app/Startup.h"
#include "app/Window.h"
#include "platform/fake/FakePlatform.h"
#include "platform/fake/FakeSerial.h"
#include "terminal/Assets.h"
#include "terminal/DisplayInterpreter.h"
#include "tests/TempDir.h"

namespace tavolin::testing {

inline Event Tick() {
  return {Event::Kind::Timer, 0};
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

  // The main loop for ms of virtual time, a timer tick after each timer period.
  void Run(int ms) {
    for (int t = 0; t < ms; t += window::kTimerPeriodMs) {
      clock.SleepMs(window::kTimerPeriodMs);
      RunCycle(app, Tick());
    }
  }
};

}  // namespace tavolin::testing
