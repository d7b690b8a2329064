// The Win32 main window for real (under Wine on a virtual X server in CI): its title, styles,
// place and content size, the menu tree with its marks, the events that messages become, the
// picture on the screen as soon as ShowPicture returns, the about overlay, the progress bar and
// the clipboard.  Messages are posted to the window's queue, so every test is deterministic.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/MenuIds.h"
#include "app/MenuTable.h"
#include "platform/win32/Win32Dialogs.h"
#include "platform/win32/Win32MainWindow.h"
#include "platform/win32/Win32Ui.h"

// windows.h first (through Win32Ui.h): the common controls build on it.
#include <commctrl.h>

namespace tavolin::win32 {
namespace {

using K = Event::Kind;

constexpr int kCw = 640;  // 80 columns x 8
constexpr int kCh = 446;  // 25 rows x 17 + 21

class Win32UiTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ui_.OpenWindow(kCw, kCh)) << "no window"; }

  // Posts a message and a marker behind it, then collects the events up to the marker: what the
  // message became, and nothing when it became nothing.
  std::vector<Event> EventsOf(UINT message, WPARAM wParam, LPARAM lParam) {
    ::PostMessageA(ui_.window(), message, wParam, lParam);
    ::PostMessageA(ui_.window(), WM_COMMAND, MAKEWPARAM(kMarker, 0), 0);
    std::vector<Event> events;
    while (true) {
      const Event e = ui_.WaitEvent();
      if (e.kind == K::MenuCommand && e.value == kMarker) return events;
      // Ticks, and the moves Wine reports when the window appears under the pointer, are noise.
      if (e.kind != K::Timer && e.kind != K::MouseMove) events.push_back(e);
    }
  }

  static constexpr int kMarker = 999;
  Win32Ui ui_;
};

TEST_F(Win32UiTest, WindowHasItsTitleStylesPlaceAndContentSize) {
  HWND w = ui_.window();
  std::array<char, 64> title{};
  ::GetWindowTextA(w, title.data(), static_cast<int>(title.size()));
  EXPECT_STREQ(title.data(), "Tavolin for P2 Monitor");
  const auto style = static_cast<DWORD>(::GetWindowLongPtrA(w, GWL_STYLE));
  EXPECT_EQ(style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
  EXPECT_NE(style & WS_SYSMENU, 0u);
  EXPECT_NE(style & WS_MINIMIZEBOX, 0u);
  EXPECT_EQ(style & WS_MAXIMIZEBOX, 0u);
  EXPECT_EQ(style & WS_THICKFRAME, 0u) << "no sizing border";
  RECT outer{};
  ::GetWindowRect(w, &outer);
  EXPECT_EQ(outer.left, 100);
  EXPECT_EQ(outer.top, 200);

  // The client area is CW wide; with the menu bar's real height it makes up CH.
  RECT client{};
  ::GetClientRect(w, &client);
  MENUBARINFO bar{};
  bar.cbSize = sizeof(bar);
  ASSERT_TRUE(::GetMenuBarInfo(w, OBJID_MENU, 0, &bar));
  const int barHeight = bar.rcBar.bottom - bar.rcBar.top;
  EXPECT_GT(barHeight, 10);
  EXPECT_EQ(client.right, kCw);
  EXPECT_NEAR(client.bottom + barHeight, kCh, 1) << "menu bar " << barHeight;

  // Resizing keeps the rule.
  ui_.SetContentSize(320, 106);
  ::GetClientRect(w, &client);
  EXPECT_EQ(client.right, 320);
  EXPECT_NEAR(client.bottom + barHeight, 106, 1);
}

TEST_F(Win32UiTest, MenuHoldsEveryCommandOfTheTableWithItsText) {
  int commands = 0;
  for (const MenuEntry& entry : MenuTable()) {
    if (entry.kind != MenuEntry::Kind::Command && entry.kind != MenuEntry::Kind::Check) continue;
    ++commands;
    std::array<char, 64> text{};
    ::GetMenuStringA(ui_.menu(), static_cast<UINT>(entry.id), text.data(),
                     static_cast<int>(text.size()), MF_BYCOMMAND);
    EXPECT_STREQ(text.data(), entry.text) << entry.id;
  }
  EXPECT_EQ(commands, 27 - 1);  // ids 1..27 without 6
  ASSERT_EQ(::GetMenuItemCount(ui_.menu()), 3);
  std::array<char, 32> name{};
  const char* menus[] = {"&File", "&Options", "&Help"};
  for (int i = 0; i < 3; ++i) {
    ::GetMenuStringA(ui_.menu(), static_cast<UINT>(i), name.data(), static_cast<int>(name.size()),
                     MF_BYPOSITION);
    EXPECT_STREQ(name.data(), menus[i]);
  }
  // The Baudrate submenu sits in Options right after Normal-Terminal Mode.
  HMENU options = ::GetSubMenu(ui_.menu(), 1);
  const int count = ::GetMenuItemCount(options);
  int normal = -1;
  for (int i = 0; i < count; ++i) {
    if (::GetMenuItemID(options, i) == static_cast<UINT>(menu::kNormalTerminalMode)) normal = i;
  }
  ASSERT_GE(normal, 0);
  HMENU baud = ::GetSubMenu(options, normal + 1);
  ASSERT_NE(baud, nullptr);
  EXPECT_EQ(::GetMenuItemCount(baud), 8);
  EXPECT_EQ(::GetMenuItemID(baud, 0), static_cast<UINT>(menu::kBaudFirst));
  EXPECT_EQ(::GetMenuItemID(baud, 7), static_cast<UINT>(menu::kBaudLast));
}

TEST_F(Win32UiTest, CheckMarksAndGreyingFollowTheCore) {
  const int ids[] = {menu::kComEnabled, menu::kAutoMode, menu::kBaudFirst + 3, menu::kCrAutoLf};
  for (const int id : ids) {
    EXPECT_FALSE(ui_.IsMenuChecked(id)) << id;
    ui_.SetMenuChecked(id, true);
    EXPECT_TRUE(ui_.IsMenuChecked(id)) << id;
    ui_.SetMenuChecked(id, false);
    EXPECT_FALSE(ui_.IsMenuChecked(id)) << id;
    EXPECT_TRUE(ui_.IsMenuEnabled(id)) << id;
    ui_.SetMenuEnabled(id, false);
    EXPECT_FALSE(ui_.IsMenuEnabled(id)) << id;
    ui_.SetMenuEnabled(id, true);
    EXPECT_TRUE(ui_.IsMenuEnabled(id)) << id;
  }
  ui_.SetMenuChecked(12345, true);  // an unknown id changes nothing and does not fail
  EXPECT_FALSE(ui_.IsMenuChecked(12345));
}

TEST_F(Win32UiTest, MessagesReachTheLoopAsEventsInOrder) {
  ui_.ShowPicture(Image(kCw, kCh - 21));
  struct Case {
    const char* name;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::vector<Event> want;
  };
  const std::vector<Case> cases = {
      {"F5 up", WM_KEYUP, VK_F5, static_cast<LPARAM>(0xC03F0001u), {{K::KeyUp, VK_F5}}},
      {"character", WM_CHAR, 0xFC, 0, {{K::Char, 0xFC}}},
      {"Pause is the Com Enabled command",
       WM_KEYDOWN,
       VK_PAUSE,
       0x00450001,
       {{K::MenuCommand, menu::kComEnabled}}},
      {"menu command",
       WM_COMMAND,
       MAKEWPARAM(menu::kCopyText, 0),
       0,
       {{K::MenuCommand, menu::kCopyText}}},
      {"close", WM_CLOSE, 0, 0, {{K::CloseRequest, 0}}},
      {"click on the picture", WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10), {{K::LeftClick, 0}}},
      {"click below it", WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 430), {}},
      {"double click", WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 10), {}},
      {"release", WM_LBUTTONUP, 0, MAKELPARAM(10, 10), {{K::ButtonUp, 0}}},
      {"right press", WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10), {{K::RightDown, 0}}},
      {"system key", WM_SYSKEYDOWN, VK_F10, 0x00440001, {}},
  };
  for (const Case& c : cases) {
    const std::vector<Event> got = EventsOf(c.message, c.wParam, c.lParam);
    ASSERT_EQ(got.size(), c.want.size()) << c.name;
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].kind, c.want[i].kind) << c.name << " #" << i;
      EXPECT_EQ(got[i].value, c.want[i].value) << c.name << " #" << i;
    }
  }
  EXPECT_TRUE(::IsWindow(ui_.window())) << "a close request leaves the window to the program";
}

TEST_F(Win32UiTest, TabReachesTheKeyHandling) {
  // The window has no dialog manager, so Tab moves no focus: its key-down arrives, and the
  // character, when the translation makes one, is the tab.
  const std::vector<Event> got = EventsOf(WM_KEYDOWN, VK_TAB, 0x000F0001);
  ASSERT_FALSE(got.empty());
  EXPECT_EQ(got[0].kind, K::KeyDown);
  EXPECT_EQ(got[0].value, VK_TAB);
  for (std::size_t i = 1; i < got.size(); ++i) {
    EXPECT_EQ(got[i].kind, K::Char);
    EXPECT_EQ(got[i].value, 9);
  }
}

TEST_F(Win32UiTest, LongOperationsDropWhatTheyPump) {
  ::PostMessageA(ui_.window(), WM_TIMER, kTimerId, 0);
  ::PostMessageA(ui_.window(), WM_KEYDOWN, 'B', 0x00300001);
  ::PostMessageA(ui_.window(), WM_CLOSE, 0, 0);
  ui_.ProcessPendingEvents();
  EXPECT_TRUE(ui_.queued().empty());
  EXPECT_TRUE(EventsOf(WM_NULL, 0, 0).empty()) << "nothing comes back later";
}

TEST_F(Win32UiTest, TheTimerTicks) {
  ui_.StartTimer();
  int others = 0;  // nothing is posted: a tick must come (ctest's time limit catches none)
  while (ui_.WaitEvent().kind != K::Timer) ++others;
  EXPECT_LT(others, 10);
  ui_.StopTimer();
}

COLORREF ScreenPixel(HWND w, int x, int y) {
  HDC dc = ::GetDC(w);
  const COLORREF c = ::GetPixel(dc, x, y);
  ::ReleaseDC(w, dc);
  return c;
}

TEST_F(Win32UiTest, PictureIsOnTheScreenWhenShowPictureReturns) {
  Image picture(kCw, kCh - 40, 0xFF000000u);
  picture.At(0, 0) = 0xFFFF0000u;
  picture.At(kCw - 1, 0) = 0xFF00FF00u;
  picture.At(5, kCh - 41) = 0xFF0000FFu;
  picture.At(321, 123) = 0xFF123456u;
  ui_.ShowPicture(picture);
  struct Case {
    int x, y;
    COLORREF want;  // 0x00BBGGRR
  };
  const Case cases[] = {
      {0, 0, RGB(255, 0, 0)},        {kCw - 1, 0, RGB(0, 255, 0)},
      {5, kCh - 41, RGB(0, 0, 255)}, {321, 123, RGB(0x12, 0x34, 0x56)},
      {1, 1, RGB(0, 0, 0)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ScreenPixel(ui_.window(), c.x, c.y), c.want) << c.x << "," << c.y;
  }
  // A smaller picture: the window shows black where it does not reach.
  ui_.ShowPicture(Image(100, 50, 0xFFFFFFFFu));
  EXPECT_EQ(ScreenPixel(ui_.window(), 99, 49), RGB(255, 255, 255));
  EXPECT_EQ(ScreenPixel(ui_.window(), 100, 10), RGB(0, 0, 0));
  EXPECT_EQ(ScreenPixel(ui_.window(), 10, 50), RGB(0, 0, 0));
}

TEST_F(Win32UiTest, OverlayIsPaintedOverThePictureUntilTheNextPicture) {
  Image terminal(kCw, kCh - 21, 0xFF00FF00u);
  ui_.ShowPicture(terminal);
  Image about(322, 240, 0x00000000u);  // rows 0 and 1 left unpainted
  for (int y = 2; y < 240; ++y) {
    for (int x = 0; x < 320; ++x) about.At(x, y) = 0xFF000080u;
  }
  const COLORREF yellow = RGB(255, 255, 0);
  ui_.PaintOverlay(about, {{20, 30, "Tavolin"}}, 0xFFFFFF00u);
  struct Case {
    int x, y;
    COLORREF want;
  };
  const Case cases[] = {
      {300, 200, RGB(0, 0, 0x80)},  // the overlay
      {300, 1, RGB(0, 255, 0)},     // its unpainted rows: the terminal's picture
      {321, 100, RGB(0, 255, 0)},   // its unpainted columns
      {400, 100, RGB(0, 255, 0)},   // beyond it
      {10, 300, RGB(0, 255, 0)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ScreenPixel(ui_.window(), c.x, c.y), c.want) << c.x << "," << c.y;
  }
  int lit = 0;
  for (int y = 30; y < 50; ++y) {
    for (int x = 20; x < 90; ++x) lit += ScreenPixel(ui_.window(), x, y) == yellow ? 1 : 0;
  }
  EXPECT_GT(lit, 20) << "the text in its colour";
  ui_.ShowPicture(terminal);
  EXPECT_EQ(ScreenPixel(ui_.window(), 300, 200), RGB(0, 255, 0));
}

TEST_F(Win32UiTest, ProgressBarIsHiddenAtItsPlaceAndClamped) {
  HWND bar = ui_.progressBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_FALSE(::IsWindowVisible(bar));
  RECT r{};
  ::GetWindowRect(bar, &r);
  ::MapWindowPoints(nullptr, ui_.window(), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.top, 40);
  EXPECT_EQ(r.right - r.left, 110);
  EXPECT_EQ(r.bottom - r.top, 15);
  ui_.SetProgressVisible(true);
  EXPECT_TRUE(::IsWindowVisible(bar));
  for (const auto& [set, want] : {std::pair{50, 50}, std::pair{150, 100}, std::pair{-3, 0}}) {
    ui_.SetProgress(set);
    EXPECT_EQ(::SendMessageA(bar, PBM_GETPOS, 0, 0), want) << set;
  }
  ui_.SetProgressVisible(false);
  EXPECT_FALSE(::IsWindowVisible(bar));
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

TEST_F(Win32UiTest, ClipboardTakesAnsiTextAndThePicture) {
  for (const std::string& text : {std::string("line 1\r\nZ\xFC"
                                              "rich\r\n"),
                                  std::string()}) {
    ASSERT_TRUE(ui_.SetClipboardText(text));
    const std::vector<std::uint8_t> got = ClipboardBytes(CF_TEXT);
    ASSERT_GE(got.size(), text.size() + 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(got.data())), text);
  }
  Image picture(7, 3, 0xFF102030u);
  picture.At(6, 2) = 0xFFFFFFFFu;
  ASSERT_TRUE(ui_.SetClipboardImage(picture));
  const std::vector<std::uint8_t> want = PackedDib(picture);
  std::vector<std::uint8_t> got = ClipboardBytes(CF_DIB);
  ASSERT_GE(got.size(), want.size());
  got.resize(want.size());
  EXPECT_EQ(got, want);
  EXPECT_FALSE(ui_.SetClipboardImage(Image())) << "nothing to put";
}

// Plays the user of a modal dialog from a second thread: waits for the top-level window titled
// caption, lets act do something to it, then presses button.  Joined by the destructor.
class DialogUser {
 public:
  DialogUser(const char* caption, std::function<void(HWND)> act, int button)
      : thread_([caption, act = std::move(act), button] {
          HWND dialog = nullptr;
          for (int i = 0; i < 2000 && dialog == nullptr; ++i) {
            // Visible once its initialisation is done.
            dialog = ::FindWindowA(nullptr, caption);
            if (dialog != nullptr && !::IsWindowVisible(dialog)) dialog = nullptr;
            if (dialog == nullptr) ::Sleep(5);
          }
          if (dialog == nullptr) return;
          if (act) act(dialog);
          ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        }) {}
  ~DialogUser() { thread_.join(); }
  DialogUser(const DialogUser&) = delete;
  DialogUser& operator=(const DialogUser&) = delete;

 private:
  std::thread thread_;
};

std::string DialogItemText(HWND dialog, int id) {
  std::array<char, 64> text{};
  ::GetDlgItemTextA(dialog, id, text.data(), static_cast<int>(text.size()));
  return text.data();
}

TEST_F(Win32UiTest, NoTickIsQueuedWhileAMessageBoxIsOpen) {
  std::string seenText;
  {
    HWND window = ui_.window();
    DialogUser user(
        "Error",
        [&seenText, window](HWND box) {
          std::array<char, 64> text{};
          ::GetDlgItemTextA(box, 0xFFFF, text.data(), static_cast<int>(text.size()));
          seenText = text.data();
          // Ticks of the window's timer while the box runs its loop: they come before the OK.
          for (int i = 0; i < 3; ++i) ::PostMessageA(window, WM_TIMER, kTimerId, 0);
        },
        IDOK);
    ui_.ShowMessage("Error", "COM port not found");
  }
  for (const Event& e : ui_.queued()) EXPECT_NE(e.kind, K::Timer);
  EXPECT_EQ(seenText, "COM port not found");
}

TEST_F(Win32UiTest, ComPortDialogReturnsTheTextOrNothing) {
  const std::vector<PortInfo> ports = {{3, "\\\\.\\COM3", "", "USB Serial Port (COM3)"},
                                       {12, "\\\\.\\COM12", "", ""}};
  struct Case {
    const char* name;
    std::function<void(HWND)> act;
    int button;
    std::string want;
  };
  const std::vector<Case> cases = {
      {"OK with the proposal", nullptr, IDOK, "7"},
      {"typed", [](HWND d) { ::SetDlgItemTextA(d, kComPortEditId, "21"); }, IDOK, "21"},
      {"a port picked from the list",
       [](HWND d) {
         HWND list = ::GetDlgItem(d, kComPortListId);
         ::SendMessageA(list, LB_SETCURSEL, 1, 0);
         ::SendMessageA(d, WM_COMMAND, MAKEWPARAM(kComPortListId, LBN_SELCHANGE),
                        reinterpret_cast<LPARAM>(list));
       },
       IDOK, "12"},
      {"Esc", [](HWND d) { ::SetDlgItemTextA(d, kComPortEditId, "5"); }, IDCANCEL, ""},
  };
  for (const Case& c : cases) {
    std::string proposed;
    std::string answer;
    {
      DialogUser user(
          "ComPort",
          [&proposed, act = c.act](HWND d) {
            proposed = DialogItemText(d, kComPortEditId);
            if (act) act(d);
          },
          c.button);
      answer = ui_.AskComPort(7, ports);
    }
    EXPECT_EQ(proposed, "7") << c.name;
    EXPECT_EQ(answer, c.want) << c.name;
  }
}

TEST_F(Win32UiTest, MinimisedWindowIsSeenAsSuch) {
  EXPECT_FALSE(ui_.IsMinimized());
  ::ShowWindow(ui_.window(), SW_MINIMIZE);
  EXPECT_TRUE(ui_.IsMinimized());
  ::ShowWindow(ui_.window(), SW_RESTORE);
  EXPECT_FALSE(ui_.IsMinimized());
}

}  // namespace
}  // namespace tavolin::win32
