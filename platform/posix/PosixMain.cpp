#include "platform/posix/PosixMain.h"

namespace tavolin::posix {

std::string PosixHost::PortNamingNote() {
  return "COM n is the device named by the environment variable TAVOLIN_COMn when it is set,\n"
         "otherwise the n-th serial device of the machine (USB adapters first).\n";
}

std::unique_ptr<WindowSystem> PosixHost::OpenWindowSystem(std::string& reason) {
  reason =
      "the terminal window is not built into this program; only the console upload "
      "(IMAGE -L PORT-NUMBER) is.";
  return nullptr;
}

}  // namespace tavolin::posix
