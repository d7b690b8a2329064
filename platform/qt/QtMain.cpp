#include "platform/qt/QtMain.h"

#include <QApplication>

#include "platform/posix/PosixDesktop.h"
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

// The application before the window, and the window gone before the application.
class QtWindowSystem : public WindowSystem {
 public:
  QtWindowSystem(int& argc, char** argv) : application_(argc, argv) {
    // The desktop entry (assets/<name>.desktop) that the window belongs to, so that the desktop
    // shows its icon and name for the window (Wayland goes by this name alone).
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.tavolin.Tavolin"));
  }
  Ui& ui() override { return ui_; }
  Desktop& desktop() override { return desktop_; }

 private:
  QApplication application_;
  QtUi ui_;
  WindowedDesktop desktop_;
};

}  // namespace

std::unique_ptr<WindowSystem> QtHost::OpenWindowSystem(std::string& reason) {
  if (!WindowSystemReachable()) {
    reason =
        "no window system found (DISPLAY is not set).  Run it on a desktop, or use the console "
        "upload: tavolin IMAGE -L PORT-NUMBER.";
    return nullptr;
  }
  return std::make_unique<QtWindowSystem>(argc_, argv_);
}

}  // namespace tavolin::qt
