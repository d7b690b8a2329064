// The Win32 main window for real (under Wine on a virtual X server in CI): the window contract
// (tests/ui), then what only this window has: the menu bar's real height in the content size,
// the messages its procedure turns into events, the window timer, and the repaint of an exposed
// area during a long operation.  Messages are posted to the window's queue, so every test is
// deterministic.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/MenuIds.h"
#include "platform/win32/Win32Dialogs.h"
#include "platform/win32/Win32Ui.h"
#include "tests/ui/UiContract.h"

// windows.h first (through Win32Ui.h): the common controls build on it.
#include <commctrl.h>

namespace tavolin::contract {
namespace {

using win32::Win32Ui;
using K = Event::Kind;

constexpr int kMarker = 999;  // a command no item sends: the end of what was posted

std::string WindowText(HWND w) {
  std::array<char, 256> text{};
  ::GetWindowTextA(w, text.data(), static_cast<int>(text.size()));
  return text.data();
}

void Lines(HMENU menu, std::vector<std::string>& out, const std::string& indent) {
  const int count = ::GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    std::array<char, 128> text{};
    MENUITEMINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = text.data();
    info.cch = static_cast<UINT>(text.size());
    if (!::GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info)) continue;
    if ((info.fType & MFT_SEPARATOR) != 0) {
      out.push_back(indent + "-");
    } else if (info.hSubMenu != nullptr) {
      out.push_back(indent + ">" + text.data());
      Lines(info.hSubMenu, out, indent + "  ");
    } else {
      out.push_back(indent + text.data());
    }
  }
}

// The device-independent bitmap on the clipboard, read independently of the window's own packing:
// 24 bits a pixel, rows padded to four bytes, bottom-up; nothing in any other form.
std::optional<Image> FromDib(const std::vector<std::uint8_t>& dib) {
  if (dib.size() < sizeof(BITMAPINFOHEADER)) return std::nullopt;
  BITMAPINFOHEADER h{};
  std::memcpy(&h, dib.data(), sizeof(h));
  if (h.biBitCount != 24 || h.biCompression != BI_RGB || h.biWidth <= 0 || h.biHeight <= 0) {
    return std::nullopt;
  }
  const std::size_t stride = (static_cast<std::size_t>(h.biWidth) * 3 + 3) & ~std::size_t{3};
  if (dib.size() < h.biSize + stride * static_cast<std::size_t>(h.biHeight)) return std::nullopt;
  Image image(h.biWidth, h.biHeight);
  for (int y = 0; y < h.biHeight; ++y) {
    const std::uint8_t* p =
        dib.data() + h.biSize + stride * static_cast<std::size_t>(h.biHeight - 1 - y);
    for (int x = 0; x < h.biWidth; ++x, p += 3) {
      image.At(x, y) = 0xFF000000u | (Pixel(p[2]) << 16) | (Pixel(p[1]) << 8) | p[0];
    }
  }
  return image;
}

std::vector<std::uint8_t> ClipboardBytes(UINT format) {
  std::vector<std::uint8_t> bytes;
  if (!::OpenClipboard(nullptr)) return bytes;
  if (HANDLE h = ::GetClipboardData(format)) {
    if (const void* p = ::GlobalLock(h)) {
      const auto* b = static_cast<const std::uint8_t*>(p);
      bytes.assign(b, b + ::GlobalSize(h));
      ::GlobalUnlock(h);
    }
  }
  ::CloseClipboard();
  return bytes;
}

// The user of a modal dialog, from a second thread.
class Win32DialogUser final : public DialogUser {
 public:
  explicit Win32DialogUser(HWND dialog) : dialog_(dialog) {}
  std::string Title() override { return WindowText(dialog_); }
  std::vector<std::string> Texts() override {
    std::vector<std::string> texts;
    for (HWND c = ::GetWindow(dialog_, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
      std::array<char, 32> cls{};
      ::GetClassNameA(c, cls.data(), static_cast<int>(cls.size()));
      if (::lstrcmpiA(cls.data(), "Static") == 0) texts.push_back(WindowText(c));
    }
    return texts;
  }
  std::string EditText() override {
    std::array<char, 64> text{};
    ::GetDlgItemTextA(dialog_, win32::kNumberEditId, text.data(), static_cast<int>(text.size()));
    return text.data();
  }
  void TypeIntoEdit(const std::string& text) override {
    ::SetDlgItemTextA(dialog_, win32::kNumberEditId, text.c_str());
  }
  std::vector<std::string> ListLines() override {
    std::vector<std::string> lines;
    HWND list = ::GetDlgItem(dialog_, win32::kComPortListId);
    const LRESULT count = list != nullptr ? ::SendMessageA(list, LB_GETCOUNT, 0, 0) : 0;
    for (LRESULT i = 0; i < count; ++i) {
      std::array<char, 256> text{};
      ::SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(text.data()));
      lines.emplace_back(text.data());
    }
    return lines;
  }
  void PickListLine(int index) override {
    HWND list = ::GetDlgItem(dialog_, win32::kComPortListId);
    ::SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(win32::kComPortListId, LBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(list));
  }
  void Accept() override { ::PostMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }
  void Cancel() override {
    ::PostMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  }

 private:
  HWND dialog_;
};

class Win32Harness final : public UiHarness {
 public:
  Win32Harness(int width, int height) { opened_ = ui_.OpenWindow(width, height); }
  ~Win32Harness() override {
    if (user_.joinable()) user_.join();
  }
  bool opened() const { return opened_; }
  Ui& ui() override { return ui_; }
  Win32Ui& win() { return ui_; }
  HWND window() const { return ui_.window(); }

  std::string Title() override { return WindowText(window()); }
  Rect Frame() override {
    RECT r{};
    ::GetWindowRect(window(), &r);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
  }
  Rect Client() override {
    RECT r{};
    ::GetClientRect(window(), &r);
    POINT at{0, 0};
    ::ClientToScreen(window(), &at);
    return {at.x, at.y, r.right, r.bottom};
  }
  DWORD Style() const { return static_cast<DWORD>(::GetWindowLongPtrA(window(), GWL_STYLE)); }
  bool Resizable() override { return (Style() & WS_THICKFRAME) != 0; }
  bool HasMaximiseButton() override { return (Style() & WS_MAXIMIZEBOX) != 0; }
  bool HasMinimiseButton() override { return (Style() & WS_MINIMIZEBOX) != 0; }
  std::vector<std::string> MenuLines() override {
    std::vector<std::string> lines;
    Lines(ui_.menu(), lines, "");
    return lines;
  }
  std::string MenuText(int id) override {
    std::array<char, 128> text{};
    ::GetMenuStringA(ui_.menu(), static_cast<UINT>(id), text.data(), static_cast<int>(text.size()),
                     MF_BYCOMMAND);
    return text.data();
  }
  bool MenuChecked(int id) override { return ui_.IsMenuChecked(id); }
  bool MenuEnabled(int id) override { return ui_.IsMenuEnabled(id); }
  void ChooseMenu(int id) override { ::PostMessageA(window(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
  void PressClose() override { ::PostMessageA(window(), WM_SYSCOMMAND, SC_CLOSE, 0); }
  bool WindowExists() override { return ::IsWindow(window()) && ::IsWindowVisible(window()); }
  // Straight to the window procedure, as a tick reaches it from the message loop.
  void TimerFires() override { ::SendMessageA(window(), WM_TIMER, win32::kTimerId, 0); }
  void KeyArrives() override { ::PostMessageA(window(), WM_KEYDOWN, 'B', 0x00300001); }
  void EscapeArrives() override { ::PostMessageA(window(), WM_KEYDOWN, VK_ESCAPE, 0x00010001); }
  // Posts a marker behind whatever is waiting and hands out the events up to it.
  std::vector<Event> TakeEvents() override {
    ::PostMessageA(window(), WM_COMMAND, MAKEWPARAM(kMarker, 0), 0);
    std::vector<Event> events;
    while (true) {
      const Event e = ui_.WaitEvent();
      if (e.kind == K::MenuCommand && e.value == kMarker) return events;
      // The moves Wine reports when the window appears under the pointer are noise.
      if (e.kind != K::MouseMove) events.push_back(e);
    }
  }
  Image Screen() override {
    const Rect client = Client();
    Image screen(client.width, client.height);
    HDC dc = ::GetDC(window());
    HDC memory = ::CreateCompatibleDC(dc);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = client.width;
    info.bmiHeader.biHeight = -client.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr && bits != nullptr) {
      HGDIOBJ old = ::SelectObject(memory, bitmap);
      ::BitBlt(memory, 0, 0, client.width, client.height, dc, 0, 0, SRCCOPY);
      ::GdiFlush();
      std::memcpy(screen.pixels.data(), bits, screen.pixels.size() * sizeof(Pixel));
      ::SelectObject(memory, old);
    }
    if (bitmap != nullptr) ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(window(), dc);
    return screen;
  }
  ProgressView Progress() override {
    HWND bar = ui_.progressBar();
    RECT r{};
    ::GetWindowRect(bar, &r);
    ::MapWindowPoints(nullptr, window(), reinterpret_cast<POINT*>(&r), 2);
    return {::IsWindowVisible(bar) != FALSE,
            {r.left, r.top, r.right - r.left, r.bottom - r.top},
            static_cast<int>(::SendMessageA(bar, PBM_GETPOS, 0, 0))};
  }
  std::optional<std::string> ClipboardText() override {
    const std::vector<std::uint8_t> bytes = ClipboardBytes(CF_TEXT);
    if (bytes.empty()) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(bytes.data()));
  }
  std::optional<Image> ClipboardImage() override { return FromDib(ClipboardBytes(CF_DIB)); }
  void Minimise(bool minimised) override {
    ::ShowWindow(window(), minimised ? SW_MINIMIZE : SW_RESTORE);
  }
  void MovePointerTo(int x, int y) override {
    POINT at{x, y};
    ::ClientToScreen(window(), &at);
    ::SetCursorPos(at.x, at.y);
  }
  void WhenDialogOpens(std::function<void(DialogUser&)> use) override {
    if (user_.joinable()) user_.join();
    user_ = std::thread([use = std::move(use)] {
      // The dialog is the thread's visible top-level window other than the main window, once
      // its initialisation is done.
      HWND dialog = nullptr;
      for (int i = 0; i < 2000 && dialog == nullptr; ++i) {
        dialog = ::FindWindowA("#32770", nullptr);
        if (dialog != nullptr && !::IsWindowVisible(dialog)) dialog = nullptr;
        if (dialog == nullptr) ::Sleep(5);
      }
      if (dialog == nullptr) return;
      Win32DialogUser user(dialog);
      use(user);
    });
  }

 private:
  Win32Ui ui_;
  bool opened_ = false;
  std::thread user_;
};

}  // namespace

TAVOLIN_UI_CONTRACT(Win32, [](int width, int height) -> std::unique_ptr<UiHarness> {
  auto h = std::make_unique<Win32Harness>(width, height);
  if (!h->opened()) return nullptr;
  return h;
});

namespace {

constexpr int kCw = 640;  // 80 columns x 8
constexpr int kCh = 446;  // 25 rows x 17 + 21

class Win32Window : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(h.opened()); }
  Win32Harness h{kCw, kCh};
};

// The window is sized as if it had no menu: the menu bar's real height comes off the picture.
TEST_F(Win32Window, ContentHeightHoldsTheMenuBarsRealHeight) {
  MENUBARINFO bar{};
  bar.cbSize = sizeof(bar);
  ASSERT_TRUE(::GetMenuBarInfo(h.window(), OBJID_MENU, 0, &bar));
  const int barHeight = bar.rcBar.bottom - bar.rcBar.top;
  EXPECT_GT(barHeight, 10);
  for (const auto& [width, height] : {std::pair{kCw, kCh}, std::pair{320, 106}}) {
    h.ui().SetContentSize(width, height);
    EXPECT_NEAR(h.Client().height + barHeight, height, 1) << "menu bar " << barHeight;
  }
}

TEST_F(Win32Window, MessagesReachTheLoopAsEventsInOrder) {
  h.ui().ShowPicture(Image(kCw, kCh - 21));
  struct Case {
    const char* name;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::vector<Event> want;
  };
  // Which message gives which event is the translation's (Win32KeyTranslationTest); here the
  // window's procedure hands them on, with its accelerator and the picture's real size.
  const std::vector<Case> cases = {
      {"Pause is the Com Enabled command",
       WM_KEYDOWN,
       VK_PAUSE,
       0x00450001,
       {{K::MenuCommand, menu::kComEnabled}}},
      {"click on the picture", WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10), {{K::LeftClick, 0}}},
      {"click below it", WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 430), {}},
      // The window has no dialog manager, so Tab moves no focus: it reaches the key handling
      // (Wine's translation makes no character of a posted key-down).
      {"Tab", WM_KEYDOWN, VK_TAB, 0x000F0001, {{K::KeyDown, VK_TAB}}},
  };
  for (const Case& c : cases) {
    ::PostMessageA(h.window(), c.message, c.wParam, c.lParam);
    EXPECT_EQ(Describe(h.TakeEvents()), Describe(c.want)) << c.name;
  }
}

// The port's event wakes the loop while it waits for messages, as soon as it is set (here from
// another thread once the loop runs, with no timer running and nothing posted), and once per
// cycle while it stays set; once it is no longer watched, only messages (the window timer's
// ticks) wake the loop.
TEST_F(Win32Window, ThePortsEventWakesTheWaitingLoop) {
  HANDLE bytes = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE seen = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(bytes, nullptr);
  ASSERT_NE(seen, nullptr);
  h.ui().WatchPortHandle(static_cast<int>(reinterpret_cast<std::intptr_t>(bytes)));
  HWND window = h.window();
  // The moves Wine reports when the window appears under the pointer are noise.
  const auto next = [this] {
    Event e = h.ui().WaitEvent();
    while (e.kind == K::MouseMove) e = h.ui().WaitEvent();
    return e;
  };
  std::thread chip([window, bytes, seen] {
    // Returns once the loop has taken the message, so the loop is running when the byte comes.
    ::SendMessageA(window, WM_NULL, 0, 0);
    ::SetEvent(bytes);
    // A loop that missed it ends on a marker instead of waiting for ever.
    if (::WaitForSingleObject(seen, 60000) != WAIT_OBJECT_0) {
      ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(kMarker, 0), 0);
    }
  });
  const Event woken = next();
  ::SetEvent(seen);
  chip.join();
  EXPECT_EQ(woken.kind, K::PortReadable);
  EXPECT_EQ(next().kind, K::PortReadable) << "still set: the next cycle wakes too";
  for (const Event& e : h.win().queued()) EXPECT_NE(e.kind, K::PortReadable) << "once per cycle";
  h.ui().WatchPortHandle(-1);
  h.ui().StartTimer();
  EXPECT_EQ(next().kind, K::Timer) << "the set event is no longer watched";
  h.ui().StopTimer();
  ::CloseHandle(seen);
  ::CloseHandle(bytes);
}

// An area the window system reports exposed (here: drawn over, then invalidated, as a closed
// dialog leaves it) is painted again by KeepPainted, while the key that arrived meanwhile stays
// in the queue for the main loop.
TEST_F(Win32Window, KeepPaintedRepaintsAnExposedAreaAndLeavesInputQueued) {
  h.ui().ShowPicture(Image(kCw, kCh - 21, 0xFF00FF00u));
  HDC dc = ::GetDC(h.window());
  const RECT exposed{100, 100, 300, 200};
  ::FillRect(dc, &exposed, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  ::ReleaseDC(h.window(), dc);
  ::InvalidateRect(h.window(), &exposed, FALSE);
  h.KeyArrives();
  h.win().KeepPainted();
  EXPECT_EQ(h.Screen().At(150, 150) & 0xFFFFFFu, 0x00FF00u);
  MSG key{};
  EXPECT_TRUE(::PeekMessageA(&key, h.window(), WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE))
      << "the key was taken from the queue";
  EXPECT_TRUE(h.win().queued().empty());
}

}  // namespace
}  // namespace tavolin::contract
