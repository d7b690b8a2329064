// The whole windowed program on the offscreen platform: the real main window (QtUi) wired to the
// real core through the program's own start-up (StartWindowed), with a fake serial device at the
// start-up port, a virtual clock for every wait and a recording desktop.  Input goes in as Qt
// events on the window's widgets; what the window queued then runs through RunCycle one event at a
// time, as the main loop would, and what reached the chip is read off the fake device.
//
// The 40 ms timer is not started: a tick is one Tick() call, so no real time decides what a test
// sees.
#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWindow>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/AppState.h"
#include "platform/fake/FakeSerial.h"
#include "platform/fake/RecordingUi.h"
#include "platform/fake/VirtualClock.h"
#include "platform/qt/MainWindow.h"
#include "platform/qt/QtUi.h"
#include "terminal/DisplayInterpreter.h"
#include "tests/TempDir.h"

class QAction;

namespace tavolin::shell {

class ShellRig {
 public:
  // scale: WindowScale, as a settings file would set it.
  explicit ShellRig(float scale = 1.0f);
  // Releases any button a test left held, so the next window starts without a stale grab, and
  // drops dialog answers no dialog came for.
  ~ShellRig();
  ShellRig(const ShellRig&) = delete;
  ShellRig& operator=(const ShellRig&) = delete;

  // Lets Qt deliver what is pending, then runs one core cycle for every event the window queued
  // (and for what those cycles make it queue), boundedly.
  void RunQueued();
  // Does input (Qt events on the window), runs the cycles and returns the bytes the chip received
  // meanwhile.
  std::vector<std::uint8_t> Deliver(const std::function<void()>& input);
  // Chooses the menu item with that id as a user would (its action triggered) and runs the cycles.
  void Choose(int id);
  // One timer tick and its cycle.
  void Tick();
  // Bytes from the chip; the next cycle takes them in.
  void Receive(std::string_view bytes);
  // Answers the next file dialog with path, of the type named by filter unless it is empty.
  void ChooseInNextFileDialog(const std::string& path, const QString& filter = {});

  QWindow* handle() const { return ui.window()->windowHandle(); }
  qt::ClientArea* client() const { return ui.window()->client(); }
  QAction* action(int id) const { return ui.MenuAction(id); }
  // A position of the client area in window coordinates (what QTest's window events take).
  QPoint InWindow(QPoint clientPoint) const { return client()->mapTo(ui.window(), clientPoint); }
  // Puts the pointer at a point of the client area (which may lie outside it) and lets Qt settle.
  void PointAt(QPoint clientPoint);

  fake::VirtualClock clock;
  fake::FakeSerialSystem serial{clock};
  qt::QtUi ui;
  fake::RecordingConsole console;
  fake::RecordingDesktop desktop;
  Platform platform{clock, serial, ui, console, desktop};
  AppState app{platform};
  ScreenTextOutput screen{app};
  fake::FakeSerialDevice* device = nullptr;  // the device at the start-up port

 private:
  testing::TempDir dir_;
  std::vector<QPointer<QObject>> watches_;
};

}  // namespace tavolin::shell
