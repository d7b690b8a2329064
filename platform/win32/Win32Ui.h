// The main window on Win32, as the core's window interface.
//
// Principles of operation.  The window procedure turns the messages it receives into the core's
// event vocabulary (Win32KeyTranslation.h) and queues them here; WaitEvent runs the thread's
// message loop (accelerators first, then TranslateMessage for the characters) until something is
// queued and hands the events out one at a time.  The loop is kept alive by:
//   - the 40 ms window timer (SetTimer, id 0): Windows sends WM_TIMER only when the queue is
//     otherwise empty, and a tick is queued only when none is waiting and no modal dialog runs,
//     so ticks never pile up;
//   - the port's event (WatchPortHandle: an event set while received bytes wait), on which the
//     loop waits beside the messages (MsgWaitForMultipleObjectsEx): one PortReadable per wait,
//     since the event stays set until the cycle has read the port (Win32Serial.h: a watcher
//     thread sets it within about a millisecond of the bytes' arrival);
//   - the close request, which becomes a CloseRequest (the window stays until this object goes).
// The port itself is read by the core in the cycle, on this thread; the window only waits.
//
// Drawing.  The picture is a copy of the screen image shown as a top-down 32-bit DIB with
// SetDIBitsToDevice in WM_PAINT; the rest of the client area is black.  ShowPicture and
// PaintOverlay repaint at once (UpdateWindow sends WM_PAINT straight to the window, no input
// message is dispatched), so the picture is on the screen when they return.  Without a compositor
// (older Windows without desktop composition, Wine on an X server) nobody keeps the pixels of a
// covered window, so the whole window is painted again as soon as a modal dialog closes, and
// KeepPainted (called during every wait of a long operation, see platform/WindowedClock.h)
// paints what was exposed meanwhile.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "platform/Ui.h"

namespace tavolin::win32 {

// The window's title, place, timer period and progress bar are those of app/Window.h.
inline constexpr const char* kWindowClass = "TavolinMainWindow";
inline constexpr UINT_PTR kTimerId = 0;
inline constexpr DWORD kWindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

class Win32Ui final : public Ui {
 public:
  Win32Ui();
  ~Win32Ui() override;
  Win32Ui(const Win32Ui&) = delete;
  Win32Ui& operator=(const Win32Ui&) = delete;

  HWND window() const { return window_; }
  HMENU menu() const { return menu_; }
  HWND progressBar() const { return progress_; }
  // The check mark and greying as the menu shows them (tests look at them; the core never asks).
  bool IsMenuChecked(int id) const;
  bool IsMenuEnabled(int id) const;
  // The events waiting to be handed out (tests look at it).
  const std::deque<Event>& queued() const { return queue_; }

  bool OpenWindow(int width, int height) override;
  bool HasWindow() override;
  void StartTimer() override;
  void StopTimer() override;
  void WatchPortHandle(int handle) override;
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

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void Paint();
  void Post(const Event& event);
  bool Queued(Event::Kind kind) const;
  // One message from the queue through the accelerators and the character translation.
  void Dispatch(MSG& message);
  bool BuildMenu();
  RECT PictureRect() const;
  void Repaint();
  void ReachScreen();
  // The whole window, frame and menu bar included, after a modal dialog has uncovered it.
  void RepaintAfterModal();

  HWND window_ = nullptr;
  HMENU menu_ = nullptr;
  HACCEL accelerators_ = nullptr;
  HWND progress_ = nullptr;
  bool timerRunning_ = false;
  HANDLE portEvent_ = nullptr;
  int modalDepth_ = 0;
  std::deque<Event> queue_;
  Image picture_;
  bool overlayShown_ = false;
  Image overlayPicture_;  // the overlay laid over the terminal's picture
  std::vector<OverlayText> overlayTexts_;
  Pixel overlayColour_ = 0;
};

}  // namespace tavolin::win32
