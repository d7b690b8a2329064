// The Qt window on the offscreen platform: the menu bar and its state, the window and picture
// sizes, the pointer position, the timer's coalescing, the port wake-up, the
// clipboard and the window state.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QTimer>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/MenuIds.h"
#include "app/MenuTable.h"
#include "platform/qt/MainWindow.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/X11Raise.h"
#include "settings/Settings.h"

namespace tavolin::qt {
namespace {

using K = Event::Kind;

struct Window {
  QtUi ui;
  Window(int width = 640, int height = 446) {
    ui.OpenWindow(width, height);
    QCoreApplication::processEvents();
    Drain();
  }
  void Drain() {
    QCoreApplication::processEvents();
    while (!ui.queued().empty()) ui.WaitEvent();
  }
  std::vector<Event> Take() {
    QCoreApplication::processEvents();
    std::vector<Event> events;
    while (!ui.queued().empty()) events.push_back(ui.WaitEvent());
    return events;
  }
  QWindow* handle() { return ui.window()->windowHandle(); }
  ClientArea* client() { return ui.window()->client(); }
};

std::string Describe(const std::vector<Event>& events) {
  std::string s;
  for (const Event& e : events)
    s += std::to_string(int(e.kind)) + ":" + std::to_string(e.value) + " ";
  return s;
}

// Walks a menu as text lines: "-" for separators, ">" for a submenu, "[x]" for check items.
void Dump(const QMenu* menu, std::vector<std::string>& out, const std::string& indent) {
  for (const QAction* a : menu->actions()) {
    if (a->isSeparator()) {
      out.push_back(indent + "-");
    } else if (a->menu() != nullptr) {
      out.push_back(indent + ">" + a->text().toStdString());
      Dump(a->menu(), out, indent + "  ");
    } else {
      out.push_back(indent + (a->isCheckable() ? "[x]" : "") + a->text().toStdString());
    }
  }
}

// The menu bar is built from the table: the same items in the same order, the separators, the
// Baudrate submenu and the check marks; every item sends its own id.  Independently of the
// table, each command id 1..27 but the unused 6 is on the menu exactly once, and the items that
// carry a check mark are the ones the core keeps state for.
TEST(QtWindow, MenuBarFollowsTheTableAndEveryIdIsThereOnce) {
  using MK = MenuEntry::Kind;
  Window w;
  std::vector<std::string> built;
  for (const QAction* top : w.ui.window()->menuBar()->actions()) {
    built.push_back(top->text().toStdString());
    Dump(top->menu(), built, "  ");
  }
  std::vector<std::string> fromTable;
  std::string indent;
  std::map<int, int> seen;
  std::set<int> checkable;
  for (const MenuEntry& e : MenuTable()) {
    const std::string text = e.text;
    if (e.kind == MK::Menu) {
      fromTable.push_back(text);
      indent = "  ";
    } else if (e.kind == MK::Separator) {
      fromTable.push_back(indent + "-");
    } else if (e.kind == MK::SubmenuBegin) {
      fromTable.push_back(indent + ">" + text);
      indent += "  ";
    } else if (e.kind == MK::SubmenuEnd) {
      indent.resize(indent.size() - 2);
    } else {
      fromTable.push_back(indent + (e.kind == MK::Check ? "[x]" : "") + text);
      ++seen[e.id];
      if (e.kind == MK::Check) checkable.insert(e.id);
      QAction* a = w.ui.MenuAction(e.id);
      ASSERT_NE(a, nullptr) << e.id;
      EXPECT_EQ(a->text().toStdString(), text) << e.id;
      a->trigger();
      EXPECT_EQ(Describe(w.Take()), Describe({{K::MenuCommand, e.id}})) << e.id;
    }
  }
  EXPECT_EQ(built, fromTable);
  for (int id = 1; id <= 27; ++id) EXPECT_EQ(seen[id], id == 6 ? 0 : 1) << id;
  EXPECT_EQ(checkable, (std::set<int>{menu::kComEnabled, menu::kAutoMode, menu::kNormalTerminalMode,
                                      menu::kVirtualKeycodes, menu::kTextCursor, 19, 20, 21, 22, 23,
                                      24, 25, 26, menu::kCrAutoLf}));
  EXPECT_EQ(w.ui.MenuAction(6), nullptr);
  EXPECT_EQ(w.ui.MenuAction(28), nullptr);
}

TEST(QtWindow, CheckMarksAreTheCoreStateOnly) {
  Window w;
  EXPECT_FALSE(w.ui.IsMenuChecked(menu::kComEnabled));
  w.ui.SetMenuChecked(menu::kComEnabled, true);
  EXPECT_TRUE(w.ui.IsMenuChecked(menu::kComEnabled));
  // Choosing the item does not toggle it: the command does that itself.
  w.ui.MenuAction(menu::kComEnabled)->trigger();
  EXPECT_TRUE(w.ui.IsMenuChecked(menu::kComEnabled));
  w.ui.SetMenuChecked(menu::kComEnabled, false);
  EXPECT_FALSE(w.ui.IsMenuChecked(menu::kComEnabled));
  w.ui.SetMenuChecked(menu::kBaudFirst + 4, true);
  w.ui.SetMenuChecked(menu::kBaudFirst + 5, true);  // no exclusive group: the core decides
  EXPECT_TRUE(w.ui.IsMenuChecked(menu::kBaudFirst + 4));
  w.ui.SetMenuEnabled(menu::kBaudFirst + 1, false);
  EXPECT_FALSE(w.ui.MenuAction(menu::kBaudFirst + 1)->isEnabled());
  w.ui.SetMenuEnabled(menu::kBaudFirst + 1, true);
  EXPECT_TRUE(w.ui.MenuAction(menu::kBaudFirst + 1)->isEnabled());
  w.ui.SetMenuChecked(99, true);  // unknown ids change nothing
  EXPECT_FALSE(w.ui.IsMenuChecked(99));
}

TEST(QtWindow, TitlePositionAndFixedContentSize) {
  struct Case {
    float scale;
    int width;
    int height;
  };
  const Case cases[] = {{1.0f, 640, 446}, {1.01f, 646, 450}, {1.5f, 960, 658}, {2.0f, 1280, 871}};
  for (const Case& c : cases) {
    const int cw = RoundHalfEven(80 * 8 * double(c.scale));
    const int ch = RoundHalfEven(25 * 17 * double(c.scale) + 21);
    ASSERT_EQ(cw, c.width) << c.scale;
    ASSERT_EQ(ch, c.height) << c.scale;
    Window w(cw, ch);
    EXPECT_EQ(w.ui.window()->windowTitle().toStdString(), "Tavolin for P2 Monitor");
    EXPECT_EQ(w.client()->size(), QSize(c.width, c.height - 21)) << c.scale;
    EXPECT_EQ(w.client()->geometry().top(), w.ui.window()->menuBar()->geometry().bottom() + 1);
    EXPECT_EQ(w.ui.window()->minimumSize(), w.ui.window()->maximumSize());
    EXPECT_FALSE(w.ui.window()->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(w.ui.window()->windowFlags() & Qt::WindowMinimizeButtonHint);
  }
  Window w;
  EXPECT_EQ(w.ui.window()->pos(), QPoint(100, 200));
  w.ui.SetContentSize(320, 106);  // resized later: Rows 5
  EXPECT_EQ(w.client()->size(), QSize(320, 85));
}

TEST(QtWindow, PictureTakesTheImageSizeAndShowsItsPixels) {
  Window w;
  Image picture(640, 446, 0xFF102030u);
  picture.At(3, 4) = 0xFFABCDEFu;
  w.ui.ShowPicture(picture);
  const PictureWidget* shown = w.client()->picture();
  EXPECT_EQ(shown->size(), QSize(640, 446));
  EXPECT_EQ(shown->pos(), QPoint(0, 0));
  EXPECT_EQ(shown->shown().pixel(3, 4), 0xFFABCDEFu);
  EXPECT_EQ(shown->shown().pixel(0, 0), 0xFF102030u);
  w.ui.ShowPicture(Image(640, 425));
  EXPECT_EQ(shown->size(), QSize(640, 425));
  Image broken(10, 10);
  broken.pixels.resize(5);  // fewer pixels than its size: shown as nothing, never read past
  w.ui.ShowPicture(broken);
  EXPECT_EQ(shown->size(), QSize(0, 0));
  EXPECT_FALSE(w.ui.SetClipboardImage(broken));
}

TEST(QtWindow, ProgressBarHiddenAt40x40) {
  Window w;
  const QProgressBar* bar = w.client()->progress();
  EXPECT_FALSE(bar->isVisible());
  EXPECT_EQ(bar->geometry(), QRect(40, 40, 110, 15));
  EXPECT_EQ(bar->minimum(), 0);
  EXPECT_EQ(bar->maximum(), 100);
  w.ui.SetProgressVisible(true);
  w.ui.SetProgress(42);
  EXPECT_TRUE(bar->isVisible());
  EXPECT_EQ(bar->value(), 42);
}

TEST(QtWindow, PointerInClientIsRelativeToThePictureArea) {
  Window w;
  struct Case {
    QPoint at;
    int x;
    int y;
  };
  const Case cases[] = {{{100, 51}, 100, 51}, {{0, 0}, 0, 0},     {{640, 425}, 640, 425},
                        {{641, 10}, -1, 10},  {{10, -1}, 10, -1}, {{-5, 500}, -1, -1}};
  for (const Case& c : cases) {
    QCursor::setPos(w.client()->mapToGlobal(c.at));
    const PointerPosition p = w.ui.PointerInClient();
    EXPECT_EQ(p.x, c.x) << c.at.x() << "," << c.at.y();
    EXPECT_EQ(p.y, c.y) << c.at.x() << "," << c.at.y();
  }
}

TEST(QtWindow, TimerTicksCoalesceAndPauseDuringModalDialogs) {
  Window w;
  w.ui.Tick();
  w.ui.Tick();
  w.ui.Tick();
  ASSERT_EQ(w.ui.queued().size(), 1u);
  EXPECT_EQ(w.ui.WaitEvent().kind, K::Timer);
  QTimer::singleShot(0, [&w] {
    w.ui.Tick();
    w.ui.Tick();
    if (QWidget* box = QApplication::activeModalWidget()) {
      EXPECT_EQ(box->windowTitle().toStdString(), "Error");
      static_cast<QDialog*>(box)->accept();
    }
  });
  w.ui.ShowMessage("Error", "COM port not found");
  EXPECT_TRUE(w.ui.queued().empty());
  w.ui.Tick();
  EXPECT_EQ(Describe(w.Take()), Describe({{K::Timer, 0}}));
}

// What a long operation pumps is dropped; only the close button and Escape are told of.
TEST(QtWindow, ProcessPendingEventsDropsWhatItProducedButTellsOfCloseAndEscape) {
  struct Case {
    const char* name;
    std::vector<int> keys;  // key presses the user made meanwhile
    bool close;             // the close button as well
    Interruption told;
  };
  const Case cases[] = {
      {"a letter", {Qt::Key_X}, false, Interruption::None},
      {"Escape", {Qt::Key_X, Qt::Key_Escape}, false, Interruption::Stop},
      {"the close button", {}, true, Interruption::Close},
      {"Escape and the close button", {Qt::Key_Escape}, true, Interruption::Close},
  };
  for (const Case& c : cases) {
    Window w;
    w.ui.Tick();
    // Delivered only once events are processed, as a key the user pressed meanwhile would be.
    for (const int key : c.keys) {
      QCoreApplication::postEvent(w.ui.window(),
                                  new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
    }
    if (c.close) QCoreApplication::postEvent(w.ui.window(), new QCloseEvent);
    EXPECT_EQ(w.ui.ProcessPendingEvents(), c.told) << c.name;
    EXPECT_EQ(Describe(w.Take()), Describe({{K::Timer, 0}})) << c.name;
  }
}

TEST(QtWindow, PortWakeUpOncePerCycle) {
  Window w;
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  w.ui.WatchPortHandle(fds[0]);
  ASSERT_EQ(write(fds[1], "x", 1), 1);
  EXPECT_EQ(w.ui.WaitEvent().kind, K::PortReadable);
  // Still readable: the next cycle is woken again, but only once per cycle.
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_TRUE(w.ui.queued().empty());
  EXPECT_EQ(w.ui.WaitEvent().kind, K::PortReadable);
  w.ui.WatchPortHandle(-1);
  close(fds[0]);
  close(fds[1]);
  w.ui.Tick();
  EXPECT_EQ(w.ui.WaitEvent().kind, K::Timer);
}

// A hung-up handle (the far end closed) stays readable for ever: while it is watched each cycle
// is woken once, and once the core stops watching it (it closes a lost port) nothing wakes the
// loop but the timer.
TEST(QtWindow, AHungUpHandleWakesOncePerCycleUntilItIsNoLongerWatched) {
  Window w;
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  close(fds[1]);  // hang-up
  w.ui.WatchPortHandle(fds[0]);
  EXPECT_EQ(w.ui.WaitEvent().kind, K::PortReadable);
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_TRUE(w.ui.queued().empty()) << "woken twice in one cycle";
  EXPECT_EQ(w.ui.WaitEvent().kind, K::PortReadable);
  w.ui.WatchPortHandle(-1);
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  EXPECT_TRUE(w.ui.queued().empty());
  w.ui.Tick();
  EXPECT_EQ(w.ui.WaitEvent().kind, K::Timer);
  close(fds[0]);
}

TEST(QtWindow, CloseButtonIsARequest) {
  Window w;
  w.ui.window()->close();
  EXPECT_TRUE(w.ui.window()->isVisible());
  EXPECT_EQ(Describe(w.Take()), Describe({{K::CloseRequest, 0}}));
}

TEST(QtWindow, ClipboardHoldsPictureAndLatin1Text) {
  Window w;
  Image picture(4, 3, 0xFF0000FFu);
  picture.At(1, 2) = 0xFF00FF00u;
  ASSERT_TRUE(w.ui.SetClipboardImage(picture));
  const QImage copied = QGuiApplication::clipboard()->image();
  ASSERT_EQ(copied.size(), QSize(4, 3));
  EXPECT_EQ(copied.pixel(1, 2) & 0xFFFFFFu, 0x00FF00u);
  EXPECT_EQ(copied.pixel(0, 0) & 0xFFFFFFu, 0x0000FFu);
  ASSERT_TRUE(w.ui.SetClipboardText(std::string("caf\xE9\r\n", 6)));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("caf\u00e9\r\n"));
  ASSERT_TRUE(w.ui.SetClipboardText(""));
  EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty());
}

TEST(QtWindow, MinimisedStateFollowsTheWindow) {
  Window w;
  EXPECT_FALSE(w.ui.IsMinimized());
  w.ui.window()->showMinimized();
  QCoreApplication::processEvents();
  EXPECT_TRUE(w.ui.IsMinimized());
  w.ui.window()->showNormal();
  QCoreApplication::processEvents();
  EXPECT_FALSE(w.ui.IsMinimized());
}

TEST(X11Raise, NothingToRaiseWithoutX11) {
  if (QGuiApplication::platformName() == QStringLiteral("xcb")) GTEST_SKIP();
  EXPECT_FALSE(RaiseWindowTitled("Propeller Tool"));
}

TEST(X11Raise, FindsATopLevelWindowByItsWholeTitle) {
  if (QGuiApplication::platformName() != QStringLiteral("xcb")) GTEST_SKIP() << "needs X11";
  QWidget other;
  other.setWindowTitle(QStringLiteral("Propeller Tool"));
  other.show();
  QCoreApplication::processEvents();
  EXPECT_TRUE(RaiseWindowTitled("Propeller Tool"));
  EXPECT_FALSE(RaiseWindowTitled("Propeller"));
  EXPECT_FALSE(RaiseWindowTitled("Propeller Tool 2"));
}

}  // namespace
}  // namespace tavolin::qt
