// The program on Windows: the Win32 services and, when the front door asks for it (app/Program.h),
// the window and the desktop.
#pragma once

#include <memory>
#include <string>

#include "app/Program.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Console.h"
#include "platform/win32/Win32Serial.h"

namespace tavolin::win32 {

class Win32Host : public Host {
 public:
  Clock& clock() override { return clock_; }
  SerialSystem& serial() override { return serial_; }
  Console& console() override { return console_; }
  std::string PortNamingNote() override;
  std::unique_ptr<WindowSystem> OpenWindowSystem(std::string& reason) override;

 private:
  Win32Clock clock_;
  Win32SerialSystem serial_;
  Win32Console console_;
};

}  // namespace tavolin::win32
