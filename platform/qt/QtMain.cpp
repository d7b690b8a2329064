#include "platform/qt/QtMain.h"

#include <QApplication>
#include <memory>

#include "app/AppState.h"
#include "app/Startup.h"
#include "platform/posix/PosixClock.h"
#include "platform/posix/PosixConsole.h"
#include "platform/posix/PosixDesktop.h"
#include "platform/posix/PosixSerial.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/X11Raise.h"

namespace tavolin::qt {
namespace {

// The POSIX desktop, with the other program's window raised through the window system.
class WindowedDesktop : public posix::PosixDesktop {
 public:
  bool RaiseWindowTitled(std::string_view title) override { return qt::RaiseWindowTitled(title); }
};

// Qt ends the process when it cannot reach a window system; say it in our words instead.
bool WindowSystemReachable() {
#if defined(__linux__) || defined(__FreeBSD__)
  return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY") ||
         qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
#else
  return true;
#endif
}

}  // namespace

int RunWindowedProgram(int argc, char** argv, const CommandLine& line) {
  if (!WindowSystemReachable()) {
    posix::PosixConsole console;
    console.Err(
        "tavolin: no window system found (DISPLAY is not set).  Run it on a desktop, or use the "
        "console upload: tavolin IMAGE -L PORT-NUMBER (see tavolin --help).\n");
    return 1;
  }
  QApplication application(argc, argv);
  // The desktop entry (assets/<name>.desktop) that the window belongs to, so that the desktop
  // shows its icon and name for the window (Wayland goes by this name alone).
  QGuiApplication::setDesktopFileName(QStringLiteral("io.github.tavolin.Tavolin"));
  posix::PosixClock clock;
  posix::PosixSerialSystem serial;
  posix::PosixConsole console;
  WindowedDesktop desktop;
  QtUi ui;
  Platform platform{clock, serial, ui, console, desktop};
  auto app = std::make_unique<AppState>(platform);
  return RunWindowed(*app, line);
}

}  // namespace tavolin::qt
