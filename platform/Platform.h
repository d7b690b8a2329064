// The operating-system services the core uses, gathered so that one reference hands them all
// over.  The program fills it with platform/posix and platform/qt (or platform/win32); tests
// with platform/fake.
#pragma once

#include "platform/Clock.h"
#include "platform/Console.h"
#include "platform/Desktop.h"
#include "platform/SerialDevice.h"
#include "platform/Ui.h"

namespace tavolin {

struct Platform {
  Clock& clock;
  SerialSystem& serial;
  Ui& ui;
  Console& console;
  Desktop& desktop;
};

}  // namespace tavolin
