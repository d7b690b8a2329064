#include "platform/win32/Win32Main.h"

#include "platform/win32/Win32Desktop.h"
#include "platform/win32/Win32Ui.h"

namespace tavolin::win32 {
namespace {

class Win32WindowSystem : public WindowSystem {
 public:
  Ui& ui() override { return ui_; }
  Desktop& desktop() override { return desktop_; }

 private:
  Win32Ui ui_;
  Win32Desktop desktop_;
};

}  // namespace

std::string Win32Host::PortNamingNote() {
  return "COM n is the port the Device Manager lists as COMn under Ports.\n";
}

std::unique_ptr<WindowSystem> Win32Host::OpenWindowSystem(std::string& /*reason*/) {
  // Windows always has its window system; whether the window opens is RunWindowed's to find.
  return std::make_unique<Win32WindowSystem>();
}

}  // namespace tavolin::win32
