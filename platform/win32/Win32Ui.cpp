// The main window on Win32.  See Win32Ui.h.
#include "platform/win32/Win32Ui.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "app/MenuTable.h"
#include "app/Window.h"
#include "platform/win32/Win32Dialogs.h"
#include "platform/win32/Win32KeyTranslation.h"
#include "platform/win32/Win32MainWindow.h"

// windows.h first (in the header): the common controls build on it.
#include <commctrl.h>

namespace tavolin::win32 {
namespace {

constexpr int kComEnabledCommand = 5;         // the command of the Pause accelerator
constexpr UINT kNoMessage = WM_APP + 0x3FFF;  // never posted: a peek for it finds nothing

// Counts a modal dialog for the timer while it runs.
class ModalScope {
 public:
  explicit ModalScope(int& depth) : depth_(depth) { ++depth_; }
  ~ModalScope() { --depth_; }
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;

 private:
  int& depth_;
};

bool RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof(existing);
  if (::GetClassInfoExA(instance, kWindowClass, &existing)) return true;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  // CS_DBLCLKS: the second left press of a double click arrives as WM_LBUTTONDBLCLK, which
  // sends nothing, as the picture's double-click notification does.
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(1));  // the program's icon, when it has one
  wc.hbrBackground = nullptr;                             // WM_PAINT covers the whole client area
  wc.lpszClassName = kWindowClass;
  return ::RegisterClassExA(&wc) != 0;
}

// The outer size of a window whose client area, without a menu bar, is width x height.
SIZE OuterSize(int width, int height) {
  RECT r{0, 0, std::max(width, 1), std::max(height, 0)};
  ::AdjustWindowRectEx(&r, kWindowStyle, FALSE, 0);
  return {r.right - r.left, r.bottom - r.top};
}

// A top-down 32-bit DIB header for picture: the pixel layout of Image as it is.
BITMAPINFO DibHeader(const Image& picture) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = -picture.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

bool Drawable(const Image& picture) {
  return picture.width > 0 && picture.height > 0 &&
         picture.pixels.size() >=
             static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height);
}

void DrawPicture(HDC dc, const Image& picture) {
  if (!Drawable(picture)) return;
  const BITMAPINFO info = DibHeader(picture);
  ::SetDIBitsToDevice(
      dc, 0, 0, static_cast<DWORD>(picture.width), static_cast<DWORD>(picture.height), 0, 0, 0,
      static_cast<UINT>(picture.height), picture.pixels.data(), &info, DIB_RGB_COLORS);
}

// Puts a global block of bytes on the open clipboard in format.  The clipboard owns the block
// once it is set.
bool PutOnClipboard(UINT format, const void* bytes, std::size_t size) {
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, size);
  if (block == nullptr) return false;
  void* at = ::GlobalLock(block);
  if (at == nullptr) {
    ::GlobalFree(block);
    return false;
  }
  std::memcpy(at, bytes, size);
  ::GlobalUnlock(block);
  if (::SetClipboardData(format, block) == nullptr) {
    ::GlobalFree(block);
    return false;
  }
  return true;
}

}  // namespace

Win32Ui::Win32Ui() = default;

Win32Ui::~Win32Ui() {
  if (window_ != nullptr) {
    StopTimer();
    ::SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    ::DestroyWindow(window_);  // destroys the menu and the progress bar with it
  }
  if (accelerators_ != nullptr) ::DestroyAcceleratorTable(accelerators_);
}

bool Win32Ui::OpenWindow(int width, int height) {
  if (window_ != nullptr) return true;
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  if (!RegisterWindowClass(instance, WindowProc)) return false;
  // Sized for the content area without a menu: the menu bar takes its line from the height.
  const SIZE outer = OuterSize(width, height);
  window_ = ::CreateWindowExA(0, kWindowClass, window::kTitle, kWindowStyle, window::kX, window::kY,
                              outer.cx, outer.cy, nullptr, nullptr, instance, this);
  if (window_ == nullptr) return false;
  if (!BuildMenu()) {
    // The window runs without a menu bar.
    if (menu_ != nullptr) ::DestroyMenu(menu_);
    menu_ = nullptr;
  } else {
    ::SetMenu(window_, menu_);
  }
  SetContentSize(width, height);

  ACCEL pause{FVIRTKEY, VK_PAUSE, kComEnabledCommand};
  accelerators_ = ::CreateAcceleratorTableA(&pause, 1);

  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&controls);
  progress_ = ::CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD, window::kProgressX,
                                window::kProgressY, window::kProgressWidth, window::kProgressHeight,
                                window_, nullptr, instance, nullptr);
  if (progress_ != nullptr) ::SendMessageA(progress_, PBM_SETRANGE32, 0, window::kProgressMax);

  ::ShowWindow(window_, SW_SHOW);
  ::UpdateWindow(window_);
  ::SetForegroundWindow(window_);
  ::SetFocus(window_);
  return true;
}

bool Win32Ui::BuildMenu() {
  menu_ = ::CreateMenu();
  if (menu_ == nullptr) return false;
  HMENU current = nullptr;  // the top-level menu being filled
  HMENU target = nullptr;   // where items go: that menu or its submenu
  for (const MenuEntry& entry : MenuTable()) {
    switch (entry.kind) {
      case MenuEntry::Kind::Menu:
        current = ::CreatePopupMenu();
        if (current == nullptr || !::AppendMenuA(menu_, MF_POPUP | MF_STRING,
                                                 reinterpret_cast<UINT_PTR>(current), entry.text)) {
          return false;
        }
        target = current;
        break;
      case MenuEntry::Kind::SubmenuBegin: {
        HMENU sub = ::CreatePopupMenu();
        if (current == nullptr || sub == nullptr ||
            !::AppendMenuA(current, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub),
                           entry.text)) {
          return false;
        }
        target = sub;
        break;
      }
      case MenuEntry::Kind::SubmenuEnd:
        target = current;
        break;
      case MenuEntry::Kind::Separator:
        if (target == nullptr || !::AppendMenuA(target, MF_SEPARATOR, 0, nullptr)) return false;
        break;
      case MenuEntry::Kind::Command:
      case MenuEntry::Kind::Check:
        if (target == nullptr ||
            !::AppendMenuA(target, MF_STRING, static_cast<UINT_PTR>(entry.id), entry.text)) {
          return false;
        }
        break;
    }
  }
  return true;
}

bool Win32Ui::HasWindow() {
  return window_ != nullptr;
}

void Win32Ui::StartTimer() {
  if (window_ != nullptr)
    timerRunning_ = ::SetTimer(window_, kTimerId, window::kTimerPeriodMs, nullptr);
}

void Win32Ui::StopTimer() {
  if (window_ != nullptr && timerRunning_) ::KillTimer(window_, kTimerId);
  timerRunning_ = false;
}

void Win32Ui::WatchPortHandle(int handle) {
  // The serial device's event (a kernel handle passed as an int, LongToHandle).
  portEvent_ =
      handle == -1 ? nullptr : reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(handle));
}

LRESULT CALLBACK Win32Ui::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32Ui*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr || self->window_ != window) {
    return ::DefWindowProcA(window, message, wParam, lParam);
  }
  return self->Handle(message, wParam, lParam);
}

LRESULT Win32Ui::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_TIMER:
      // No tick while a modal dialog runs its own loop, and never two waiting.
      if (wParam == kTimerId && modalDepth_ == 0 && !Queued(Event::Kind::Timer)) {
        Post({Event::Kind::Timer, 0});
      }
      return 0;
    default:
      break;
  }
  const WindowInput input = InputForMessage(message, wParam, lParam, PictureRect());
  if (input.capture == Capture::Take) ::SetCapture(window_);
  if (input.capture == Capture::Release && ::GetCapture() == window_) ::ReleaseCapture();
  if (input.event) {
    Post(*input.event);
    // The close request is the program's to decide: the window stays.
    if (message == WM_CLOSE || message == WM_COMMAND) return 0;
  }
  return ::DefWindowProcA(window_, message, wParam, lParam);
}

RECT Win32Ui::PictureRect() const {
  return RECT{0, 0, picture_.width, picture_.height};  // the terminal's, under any overlay
}

void Win32Ui::Paint() {
  PAINTSTRUCT ps{};
  HDC dc = ::BeginPaint(window_, &ps);
  if (dc == nullptr) return;
  RECT client{};
  ::GetClientRect(window_, &client);
  const Image& shown = overlayShown_ ? overlayPicture_ : picture_;
  // Black where the picture does not reach.
  HBRUSH black = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
  const int w = Drawable(shown) ? shown.width : 0;
  const int h = Drawable(shown) ? shown.height : 0;
  if (w < client.right) {
    const RECT right{w, 0, client.right, client.bottom};
    ::FillRect(dc, &right, black);
  }
  if (h < client.bottom) {
    const RECT below{0, h, std::min<LONG>(w, client.right), client.bottom};
    ::FillRect(dc, &below, black);
  }
  DrawPicture(dc, shown);
  if (overlayShown_) {
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ColorrefFromPixel(overlayColour_));
    for (const OverlayText& t : overlayTexts_) {
      ::TextOutA(dc, t.x, t.y, t.text.data(), static_cast<int>(t.text.size()));
    }
  }
  ::EndPaint(window_, &ps);
}

void Win32Ui::Post(const Event& event) {
  queue_.push_back(event);
}

bool Win32Ui::Queued(Event::Kind kind) const {
  return std::any_of(queue_.begin(), queue_.end(),
                     [kind](const Event& e) { return e.kind == kind; });
}

void Win32Ui::Dispatch(MSG& message) {
  if (accelerators_ != nullptr && window_ != nullptr &&
      ::TranslateAcceleratorA(window_, accelerators_, &message)) {
    return;
  }
  if (IsFocusNavigation(message.message, message.wParam, ::GetKeyState(VK_SHIFT) < 0)) return;
  ::TranslateMessage(&message);
  ::DispatchMessageA(&message);
}

Event Win32Ui::WaitEvent() {
  // The port's event stays set until the cycle has read the port: it wakes this wait once.
  bool watchPort = portEvent_ != nullptr;
  while (queue_.empty()) {
    MSG message{};
    if (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        // Nothing more will come; end the program.
        return {Event::Kind::CloseRequest, 0};
      }
      Dispatch(message);
      continue;
    }
    const DWORD woken = ::MsgWaitForMultipleObjectsEx(watchPort ? 1 : 0, &portEvent_, INFINITE,
                                                      QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (watchPort && woken == WAIT_OBJECT_0) {
      if (!Queued(Event::Kind::PortReadable)) Post({Event::Kind::PortReadable, 0});
      watchPort = false;
    } else if (woken == WAIT_FAILED) {
      watchPort = false;  // a handle that went away: the timer is the wake-up
    }
  }
  const Event e = queue_.front();
  queue_.pop_front();
  return e;
}

Interruption Win32Ui::ProcessPendingEvents() {
  const std::size_t before = queue_.size();
  MSG message{};
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(message.wParam));  // keep it for the main loop
      break;
    }
    Dispatch(message);
  }
  if (queue_.size() <= before) return Interruption::None;
  const Interruption asked =
      InterruptionAmong(queue_.begin() + static_cast<std::ptrdiff_t>(before), queue_.end());
  queue_.resize(before);
  return asked;
}

void Win32Ui::SetMenuChecked(int id, bool checked) {
  if (menu_ != nullptr) {
    ::CheckMenuItem(menu_, static_cast<UINT>(id),
                    MF_BYCOMMAND | static_cast<UINT>(checked ? MF_CHECKED : MF_UNCHECKED));
  }
}

void Win32Ui::SetMenuEnabled(int id, bool enabled) {
  if (menu_ != nullptr) {
    ::EnableMenuItem(menu_, static_cast<UINT>(id),
                     MF_BYCOMMAND | static_cast<UINT>(enabled ? MF_ENABLED : MF_GRAYED));
  }
}

bool Win32Ui::IsMenuChecked(int id) const {
  if (menu_ == nullptr) return false;
  const UINT state = ::GetMenuState(menu_, static_cast<UINT>(id), MF_BYCOMMAND);
  return state != static_cast<UINT>(-1) && (state & MF_CHECKED) != 0;
}

bool Win32Ui::IsMenuEnabled(int id) const {
  if (menu_ == nullptr) return false;
  const UINT state = ::GetMenuState(menu_, static_cast<UINT>(id), MF_BYCOMMAND);
  return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)) == 0;
}

void Win32Ui::ShowMessage(std::string_view caption, std::string_view text) {
  {
    ModalScope modal(modalDepth_);
    RunMessageBox(window_, caption, text);
  }
  RepaintAfterModal();
}

FileDialogResult Win32Ui::OpenFileDialog(const FileDialogRequest& request) {
  FileDialogResult result;
  {
    ModalScope modal(modalDepth_);
    result = RunFileDialog(window_, request, false);
  }
  RepaintAfterModal();
  return result;
}

FileDialogResult Win32Ui::SaveFileDialog(const FileDialogRequest& request) {
  FileDialogResult result;
  {
    ModalScope modal(modalDepth_);
    result = RunFileDialog(window_, request, true);
  }
  RepaintAfterModal();
  return result;
}

std::string Win32Ui::AskComPort(int current, const std::vector<PortInfo>& ports) {
  std::string answer;
  {
    ModalScope modal(modalDepth_);
    answer = RunComPortDialog(window_, current, ports);
  }
  RepaintAfterModal();
  return answer;
}

std::string Win32Ui::AskBaudRate(int current) {
  std::string answer;
  {
    ModalScope modal(modalDepth_);
    answer = RunBaudRateDialog(window_, current);
  }
  RepaintAfterModal();
  return answer;
}

void Win32Ui::Repaint() {
  if (window_ == nullptr) return;
  ::InvalidateRect(window_, nullptr, FALSE);
  ::UpdateWindow(window_);
  ReachScreen();
}

void Win32Ui::ReachScreen() {
  // The caller may hold the picture without handling messages (the about screen's pause, an
  // upload): the drawing must reach the screen now.  GdiFlush ends GDI's batching; a peek that
  // matches no message gives the window system its turn (Wine copies a window's drawing to the
  // X server when the thread looks at its queue).  Nothing is removed or dispatched.
  ::GdiFlush();
  MSG none{};
  ::PeekMessageA(&none, window_, kNoMessage, kNoMessage, PM_NOREMOVE);
}

void Win32Ui::KeepPainted() {
  if (window_ == nullptr) return;
  // The peek lets the window system report exposures (Wine reads the X server's events when the
  // thread looks at its queue; it removes nothing); RDW_UPDATENOW then sends WM_PAINT to the
  // window and its progress bar for what is invalid, and to nothing else.
  MSG none{};
  ::PeekMessageA(&none, window_, kNoMessage, kNoMessage, PM_NOREMOVE);
  ::RedrawWindow(window_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  ReachScreen();
}

void Win32Ui::RepaintAfterModal() {
  if (window_ == nullptr) return;
  ::RedrawWindow(window_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  KeepPainted();
}

void Win32Ui::ShowPicture(const Image& picture) {
  overlayShown_ = false;
  overlayPicture_ = Image();
  overlayTexts_.clear();
  picture_ = picture;
  Repaint();
}

void Win32Ui::SetContentSize(int width, int height) {
  if (window_ == nullptr) return;
  // The window's outer size for width x height without a menu: with the menu bar the client
  // area is that much shorter, whatever height the menu bar really has.
  const SIZE outer = OuterSize(width, height);
  ::SetWindowPos(window_, nullptr, 0, 0, outer.cx, outer.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Win32Ui::IsMinimized() {
  return window_ != nullptr && ::IsIconic(window_);
}

PointerPosition Win32Ui::PointerInClient() {
  if (window_ == nullptr) return {};
  POINT p{};
  RECT client{};
  if (!::GetCursorPos(&p) || !::ScreenToClient(window_, &p) || !::GetClientRect(window_, &client)) {
    return {};
  }
  // Outside means left of 0, above 0, right of the right edge or below the bottom edge.
  PointerPosition result;
  result.x = (p.x < 0 || p.x > client.right) ? -1 : static_cast<int>(p.x);
  result.y = (p.y < 0 || p.y > client.bottom) ? -1 : static_cast<int>(p.y);
  return result;
}

void Win32Ui::PaintOverlay(const Image& picture, const std::vector<OverlayText>& texts,
                           Pixel colour) {
  overlayShown_ = true;
  overlayPicture_ = Overlaid(picture_, picture);  // painted over what the window shows
  overlayTexts_ = texts;
  overlayColour_ = colour;
  Repaint();
}

void Win32Ui::SetProgressVisible(bool visible) {
  if (progress_ == nullptr) return;
  ::ShowWindow(progress_, visible ? SW_SHOWNA : SW_HIDE);
  if (visible) {
    ::SetWindowPos(progress_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::UpdateWindow(progress_);
  } else {
    ::UpdateWindow(window_);  // the picture where the bar was
  }
  ReachScreen();
}

void Win32Ui::SetProgress(int percent) {
  if (progress_ == nullptr) return;
  ::SendMessageA(progress_, PBM_SETPOS,
                 static_cast<WPARAM>(std::clamp(percent, 0, window::kProgressMax)), 0);
  ::UpdateWindow(progress_);
  ReachScreen();
}

bool Win32Ui::SetClipboardImage(const Image& picture) {
  const std::vector<std::uint8_t> dib = PackedDib(picture);
  if (dib.empty() || !::OpenClipboard(window_)) return false;
  ::EmptyClipboard();
  const bool set = PutOnClipboard(CF_DIB, dib.data(), dib.size());
  ::CloseClipboard();
  return set;
}

bool Win32Ui::SetClipboardText(std::string_view latin1) {
  if (!::OpenClipboard(window_)) return false;
  std::string text(latin1);  // with its terminating zero byte
  ::EmptyClipboard();
  const bool set = PutOnClipboard(CF_TEXT, text.c_str(), text.size() + 1);
  ::CloseClipboard();
  return set;
}

}  // namespace tavolin::win32
