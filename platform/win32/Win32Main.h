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

class Win32Host : public ServicesHost<Win32Clock, Win32SerialSystem, Win32Console> {
 public:
  std::string PortNamingNote() override;
  std::unique_ptr<WindowSystem> OpenWindowSystem(std::string& reason) override;
};

}  // namespace tavolin::win32
