// The program on Linux with its window: the POSIX services (platform/posix/PosixMain.h) and, when
// the front door asks for it, the Qt application with the window and the desktop.  No Qt types
// appear here, so app/Main.cpp stays free of Qt.
#pragma once

#include <memory>
#include <string>

#include "platform/posix/PosixMain.h"

namespace tavolin::qt {

class QtHost : public posix::PosixHost {
 public:
  // argc and argv go to the Qt application; both must outlive this object.
  QtHost(int& argc, char** argv) : argc_(argc), argv_(argv) {}
  std::unique_ptr<WindowSystem> OpenWindowSystem(std::string& reason) override;

 private:
  int& argc_;
  char** argv_;
};

}  // namespace tavolin::qt
