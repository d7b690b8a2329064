// Every platform service as a fake, bundled: the starting point of a test rig.  Rigs inherit it,
// so tests reach the fakes as clock, serial, ui, console and desktop.
#pragma once

#include "platform/Platform.h"
#include "platform/fake/FakeSerial.h"
#include "platform/fake/RecordingUi.h"
#include "platform/fake/VirtualClock.h"

namespace tavolin::fake {

struct FakePlatform {
  VirtualClock clock;
  FakeSerialSystem serial{clock};
  RecordingUi ui;
  RecordingConsole console;
  RecordingDesktop desktop;
  Platform platform{clock, serial, ui, console, desktop};
};

}  // namespace tavolin::fake
