// The main window, as the core sees it.  The core never touches a widget: it asks for what it
// needs here (the window and its timer, check marks, dialogs, message boxes, the picture, the
// clipboard, the progress bar)
// and receives the window's events as the small vocabulary below, one per main-loop cycle.
// platform/qt implements it with Qt 6 Widgets; platform/fake records every call for tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Image.h"
#include "platform/SerialDevice.h"

namespace tavolin {

// The height of the one-line menu bar, which the content height given to SetContentSize counts.
inline constexpr int kMenuLineHeight = 21;

// The window's events, already translated into what a Windows window would receive: key codes
// are Win32 virtual-key codes, characters are in the ANSI code page (Ctrl+A gives 1).
struct Event {
  enum class Kind {
    None,          // nothing (a fake with an empty queue)
    MenuCommand,   // value: the menu command id (app/MenuIds.h); the Pause shortcut gives 5
    CloseRequest,  // the window's close button, Alt+F4, the system menu's Close
    KeyDown,       // value: virtual-key code
    Char,          // value: character code 0..255
    KeyUp,         // value: virtual-key code
    MouseMove,
    LeftClick,  // left button pressed on the picture (its double click sends nothing)
    RightDown,
    ButtonUp,      // left or right button released
    Timer,         // the 40 ms tick
    PortReadable,  // the port has bytes waiting (a wake-up; the cycle polls the port anyway)
  };
  Kind kind = Kind::None;
  int value = 0;
};

// What the user asked for while a long operation kept the window painted.
enum class Interruption {
  None,
  Stop,   // Escape: stop the operation, the program goes on
  Close,  // the close button: stop the operation, then end the program
};

// What the events a window produced during a long operation ask for: Close for a close request,
// Stop for a key-down of Escape (virtual key 0x1B), None for anything else.
template <class Iterator>
Interruption InterruptionAmong(Iterator first, Iterator last) {
  constexpr int kEscapeKey = 0x1B;
  Interruption asked = Interruption::None;
  for (; first != last; ++first) {
    if (first->kind == Event::Kind::CloseRequest) return Interruption::Close;
    if (first->kind == Event::Kind::KeyDown && first->value == kEscapeKey)
      asked = Interruption::Stop;
  }
  return asked;
}

struct FileDialogRequest {
  std::string title;
  std::string defaultPath;  // split at its last "\" or "/": start folder and proposed name
  std::string filter;       // label|pattern pairs separated by "|", patterns by ";"
  int typeIndex = 0;        // 0-based type pre-selected
  bool operator==(const FileDialogRequest&) const = default;
};

// Whether name can be proposed in a file dialog: not empty, no control character, no double
// quote and none of * / : ? \ | < >.
inline bool IsValidFileName(std::string_view name) {
  if (name.empty()) return false;
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) return false;
    if (std::string_view("\"*/:?\\|<>").find(c) != std::string_view::npos) return false;
  }
  return true;
}

struct FileDialogResult {
  std::string path;   // empty when cancelled
  int typeIndex = 0;  // the type selected when the dialog closed
};

// A text drawn over the about picture, top-left corner at (x, y) of the client area.
struct OverlayText {
  int x = 0;
  int y = 0;
  std::string text;
};

// The pointer position in client pixels; -1 for a coordinate outside the client area.
struct PointerPosition {
  int x = -1;
  int y = -1;
};

class Ui {
 public:
  virtual ~Ui() = default;

  // Creates the main window with its menu, picture and hidden progress bar, sized for a content
  // area of width x height (the menu line included), and shows it.  False when it could not be
  // created.
  virtual bool OpenWindow(int width, int height) = 0;
  // Whether the main window exists (false in the console upload mode).
  virtual bool HasWindow() = 0;
  // The 40 ms tick that guarantees a cycle.
  virtual void StartTimer() = 0;
  virtual void StopTimer() = 0;
  // Wakes the loop with a PortReadable event when the port's readable handle (see
  // SerialDevice::ReadableHandle) has bytes; -1 stops watching.  Called whenever the port's
  // handle changes.  A platform without such handles relies on the timer alone.
  virtual void WatchPortHandle(int handle) = 0;

  // Blocks until the next event of the window (the 40 ms timer guarantees one).
  virtual Event WaitEvent() = 0;
  // Lets the window repaint during a long operation: pending native events are processed and
  // the events they produce are dropped, as the long operations expect, except that a close
  // request (Close) or an Escape key-down (Stop) among them is reported, so that every long
  // send can be stopped.  Close wins when both came.
  virtual Interruption ProcessPendingEvents() = 0;
  // Paints what the window system reports exposed (a closed dialog, a window moved away) and
  // nothing else: no event is produced or taken, input waits for the main loop.  Called during
  // every wait of a long operation (platform/WindowedClock.h).  A window system that keeps the
  // pixels of covered windows needs nothing here.
  virtual void KeepPainted() {}

  // Menu state by command id.  The core owns the state behind every check mark and writes the
  // mark with its field; it never reads a mark back.
  virtual void SetMenuChecked(int id, bool checked) = 0;
  virtual void SetMenuEnabled(int id, bool enabled) = 0;

  // A modal message box with an OK button.
  virtual void ShowMessage(std::string_view caption, std::string_view text) = 0;
  virtual FileDialogResult OpenFileDialog(const FileDialogRequest& request) = 0;
  virtual FileDialogResult SaveFileDialog(const FileDialogRequest& request) = 0;
  // The "ComPort" input dialog, pre-filled with current and listing the machine's ports; the
  // entered text, empty on cancel.
  virtual std::string AskComPort(int current, const std::vector<PortInfo>& ports) = 0;
  // The "Baudrate" input dialog for a rate the menu does not list, pre-filled with current; the
  // entered text, empty on cancel.  A window without it cancels.
  virtual std::string AskBaudRate(int current) {
    (void)current;
    return {};
  }

  // Shows picture in the image control, which takes exactly its size.  The picture is on the
  // screen when this returns (a synchronous repaint of what changed), without any input, menu or
  // close event being dispatched: the callers go on for seconds without handling events (an
  // upload with its status lines, the banner's pause).
  virtual void ShowPicture(const Image& picture) = 0;
  // Sizes the window for a content area of width x height pixels, the menu bar line included in
  // height (the picture below the menu bar is height - kMenuLineHeight high).
  virtual void SetContentSize(int width, int height) = 0;
  virtual bool IsMinimized() = 0;
  virtual PointerPosition PointerInClient() = 0;
  // Paints picture at (0, 0) of the client area straight over what the window shows, then the
  // texts in the window's default font, transparent background, in colour (0xFFRRGGBB).  Pixels
  // whose alpha byte is 0 are not painted: the window shows through them.  On the screen when
  // this returns, like ShowPicture.  The next ShowPicture covers it again.
  virtual void PaintOverlay(const Image& picture, const std::vector<OverlayText>& texts,
                            Pixel colour) = 0;

  // The progress bar at 40, 40 (110 x 15, range 0..100), hidden at start.
  virtual void SetProgressVisible(bool visible) = 0;
  virtual void SetProgress(int percent) = 0;

  // Clipboard.  False when it could not be set.
  virtual bool SetClipboardImage(const Image& picture) = 0;
  virtual bool SetClipboardText(std::string_view latin1) = 0;
};

}  // namespace tavolin
