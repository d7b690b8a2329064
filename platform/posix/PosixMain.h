// The program on a POSIX system without its window: the clock, the serial ports and the console
// for the front door (app/Program.h).  platform/qt/QtMain.h adds the window to it; a program
// built without Qt runs on this alone and answers that the window is not built in.
#pragma once

#include <memory>
#include <string>

#include "app/Program.h"
#include "platform/posix/PosixClock.h"
#include "platform/posix/PosixConsole.h"
#include "platform/posix/PosixSerial.h"

namespace tavolin::posix {

class PosixHost : public ServicesHost<PosixClock, PosixSerialSystem, PosixConsole> {
 public:
  std::string PortNamingNote() override;
  std::unique_ptr<WindowSystem> OpenWindowSystem(std::string& reason) override;
};

}  // namespace tavolin::posix
