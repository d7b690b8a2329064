// The main window on Qt 6 Widgets, as the core's window interface.
//
// Principles of operation.  The widgets turn what the user does into the core's event
// vocabulary and queue it here; WaitEvent runs the Qt event loop until something is queued and
// hands the events out one at a time.  Three sources keep the loop alive besides the user:
//   - the 40 ms timer (StartTimer): a tick is queued only when none is waiting, and none while
//     a modal dialog runs, so ticks never pile up;
//   - the port wake-up (WatchPortHandle): when the serial device becomes readable one
//     PortReadable is queued and the watch rests until the next WaitEvent, by which time the
//     cycle has polled the port;
//   - the close button, which becomes a CloseRequest (the window stays until this object goes).
// ProcessPendingEvents lets the window repaint during a long operation and drops what it queued,
// telling only of a close request or Escape among it.
//
// Repainting.  Without a compositor the window system keeps no pixels of a covered window: what a
// closed dialog or a departed window uncovers must be painted by us, while the core may go on for
// seconds without handling events.  So the whole window is painted again as soon as a modal
// dialog closes, and KeepPainted (called during every wait of a long operation, see
// platform/WindowedClock.h) serves the window system's exposures without taking any input or
// close request from it.
//
// Needs a QApplication; it must outlive this object.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "platform/SerialDevice.h"
#include "platform/Ui.h"

class QAction;
class QSocketNotifier;
class QTimer;

namespace tavolin::qt {

class MainWindow;

class QtUi final : public Ui {
 public:
  QtUi();
  ~QtUi() override;
  QtUi(const QtUi&) = delete;
  QtUi& operator=(const QtUi&) = delete;

  MainWindow* window() const { return window_.get(); }
  QAction* MenuAction(int id) const;
  // The check mark as the window shows it (tests look at it; the core never asks).
  bool IsMenuChecked(int id) const;

  // The window at 100, 200.
  bool OpenWindow(int width, int height) override;
  bool HasWindow() override;
  void StartTimer() override;
  void StopTimer() override;
  // The handle is a file descriptor.
  void WatchPortHandle(int fd) override;
  Event WaitEvent() override;
  Interruption ProcessPendingEvents() override;
  void KeepPainted() override;
  void SetMenuChecked(int id, bool checked) override;
  void SetMenuEnabled(int id, bool enabled) override;
  void ShowMessage(std::string_view caption, std::string_view text) override;
  FileDialogResult OpenFileDialog(const FileDialogRequest& request) override;
  FileDialogResult SaveFileDialog(const FileDialogRequest& request) override;
  std::string AskComPort(int current, const std::vector<PortInfo>& ports) override;
  std::string AskBaudRate(int current) override;
  void ShowPicture(const Image& picture) override;
  void SetContentSize(int width, int height) override;
  bool IsMinimized() override;
  PointerPosition PointerInClient() override;
  void PaintOverlay(const Image& picture, const std::vector<OverlayText>& texts,
                    Pixel colour) override;
  void SetProgressVisible(bool visible) override;
  void SetProgress(int percent) override;
  bool SetClipboardImage(const Image& picture) override;
  bool SetClipboardText(std::string_view latin1) override;

  // What the 40 ms timer does at each tick (public so tests need not wait for it).
  void Tick();
  // The events waiting to be handed out (tests look at it).
  const std::deque<Event>& queued() const { return queue_; }

 private:
  void Post(const Event& event);
  bool Queued(Event::Kind kind) const;
  void PortReady();
  void BuildMenu();
  bool ModalOpen() const;
  // The whole window at once, after a modal dialog has uncovered it.
  void RepaintAfterModal();

  std::unique_ptr<MainWindow> window_;
  std::map<int, QAction*> actions_;
  std::deque<Event> queue_;
  std::unique_ptr<QTimer> timer_;
  std::unique_ptr<QSocketNotifier> portWatch_;
  bool portFired_ = false;
  int modalDepth_ = 0;
};

}  // namespace tavolin::qt
