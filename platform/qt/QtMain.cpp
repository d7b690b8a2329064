#include "platform/qt/QtMain.h"

#include <QApplication>
#include <memory>

#include "app/AppState.h"
#include "app/Commands.h"
#include "app/MainLoop.h"
#include "app/Startup.h"
#include "platform/posix/PosixClock.h"
#include "platform/posix/PosixConsole.h"
#include "platform/posix/PosixDesktop.h"
#include "platform/posix/PosixSerial.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/X11Raise.h"
#include "terminal/Assets.h"
#include "terminal/DisplayInterpreter.h"
#include "terminal/TerminalScreen.h"

namespace tavolin::qt {
namespace {

// The POSIX desktop, with the other program's window raised through the window system.
class WindowedDesktop : public posix::PosixDesktop {
 public:
  bool RaiseWindowTitled(std::string_view title) override { return qt::RaiseWindowTitled(title); }
};

// Keeps the window's wake-up watch on whatever handle the port has now.
class PortWatch {
 public:
  explicit PortWatch(QtUi& ui) : ui_(ui) {}
  ~PortWatch() { ui_.WatchPortHandle(-1); }
  void Sync(const SerialPort& port) {
    const int handle = port.ReadableHandle();
    if (handle == watched_) return;
    ui_.WatchPortHandle(handle);
    watched_ = handle;
  }

 private:
  QtUi& ui_;
  int watched_ = -1;
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
  posix::PosixClock clock;
  posix::PosixSerialSystem serial;
  posix::PosixConsole console;
  WindowedDesktop desktop;
  QtUi ui;
  Platform platform{clock, serial, ui, console, desktop};
  auto app = std::make_unique<AppState>(platform);
  std::string error;
  if (!DecodeAssets(*app, error)) {
    console.Err("tavolin: " + error + "\n");
    return 1;
  }
  ScreenTextOutput screen(*app);
  app->SetOutput(&screen);

  ReadStartupSettings(*app, line);
  ui.SetPortLister([&serial] { return serial.ListPorts(); });
  ui.OpenWindow(ContentWidth(app->settings), ContentHeight(app->settings));
  if (!ui.HasWindow()) return 0;
  OpenTerminal(*app);
  ui.StartTimer();
  ConnectAtStartup(*app);

  PortWatch watch(ui);
  watch.Sync(app->port);
  while (app->QuitRequested == 0) {
    RunCycle(*app, ui.WaitEvent());
    watch.Sync(app->port);
  }
  ui.StopTimer();
  Shutdown(*app);
  watch.Sync(app->port);
  return 0;
}

}  // namespace tavolin::qt
