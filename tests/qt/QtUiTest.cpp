// The Qt window: the window contract (tests/ui) on the offscreen platform, and on a real X server
// for the cases that need one (qt.on_x11); then what only Qt has: the check items' marks, the port
// wake-up, raising another window.  The picture's exact size below Qt's menu bar is the shell
// tests' (the window after Load Settings).
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QProgressBar>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <set>
#include <string>
#include <vector>

#include "app/MenuIds.h"
#include "app/MenuTable.h"
#include "platform/qt/MainWindow.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/X11Raise.h"
#include "tests/ui/UiContract.h"

namespace tavolin::contract {
namespace {

using qt::QtUi;

// Walks a menu or the menu bar as the contract's lines.
void Lines(const QWidget* menu, std::vector<std::string>& out, const std::string& indent) {
  for (const QAction* a : menu->actions()) {
    if (a->isSeparator()) {
      out.push_back(indent + "-");
    } else if (a->menu() != nullptr) {
      out.push_back(indent + ">" + a->text().toStdString());
      Lines(a->menu(), out, indent + "  ");
    } else {
      out.push_back(indent + a->text().toStdString());
    }
  }
}

Image FromQImage(const QImage& image) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  Image out(rgb.width(), rgb.height());
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* row = reinterpret_cast<const Pixel*>(rgb.constScanLine(y));
    std::copy(row, row + rgb.width(), out.pixels.begin() + std::ptrdiff_t(y) * rgb.width());
  }
  return out;
}

class QtDialogUser final : public DialogUser {
 public:
  explicit QtDialogUser(QWidget* dialog) : dialog_(dialog) {}
  std::string Title() override { return dialog_->windowTitle().toStdString(); }
  std::vector<std::string> Texts() override {
    std::vector<std::string> texts;
    for (const QLabel* l : dialog_->findChildren<QLabel*>())
      texts.push_back(l->text().toStdString());
    return texts;
  }
  std::string EditText() override { return edit() ? edit()->text().toStdString() : ""; }
  // Typed as the dialog opened: the proposal is replaced only when the dialog selected it.
  void TypeIntoEdit(const std::string& text) override {
    if (edit()) QTest::keyClicks(edit(), QString::fromStdString(text));
  }
  std::vector<std::string> ListLines() override {
    std::vector<std::string> lines;
    if (list()) {
      for (int i = 0; i < list()->count(); ++i)
        lines.push_back(list()->item(i)->text().toStdString());
    }
    return lines;
  }
  void PickListLine(int index) override {
    if (!list() || index >= list()->count()) return;
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {},
                      list()->visualItemRect(list()->item(index)).center());
  }
  void Accept() override { QTest::keyClick(target(), Qt::Key_Return); }
  void Cancel() override { QTest::keyClick(target(), Qt::Key_Escape); }

 private:
  QLineEdit* edit() const { return dialog_->findChild<QLineEdit*>(); }
  QListWidget* list() const { return dialog_->findChild<QListWidget*>(); }
  QWidget* target() const { return edit() ? static_cast<QWidget*>(edit()) : dialog_; }
  QWidget* dialog_;
};

class QtHarness final : public UiHarness {
 public:
  QtHarness(int width, int height) {
    ui_.OpenWindow(width, height);
    // On a real X server the window is mapped some time after show(); until then whatever is
    // painted into it never reaches the screen.
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window()));
    TakeEvents();
  }
  Ui& ui() override { return ui_; }
  QtUi& qt() { return ui_; }

  std::string Title() override { return window()->windowTitle().toStdString(); }
  Rect Frame() override {
    const QRect r = window()->frameGeometry();
    return {r.x(), r.y(), r.width(), r.height()};
  }
  Rect Client() override {
    const QPoint at = client()->mapToGlobal(QPoint(0, 0));
    return {at.x(), at.y(), client()->width(), client()->height()};
  }
  bool Resizable() override { return window()->minimumSize() != window()->maximumSize(); }
  bool HasMaximiseButton() override {
    return (window()->windowFlags() & Qt::WindowMaximizeButtonHint) != 0;
  }
  bool HasMinimiseButton() override {
    return (window()->windowFlags() & Qt::WindowMinimizeButtonHint) != 0;
  }
  std::vector<std::string> MenuLines() override {
    std::vector<std::string> lines;
    Lines(window()->menuBar(), lines, "");
    return lines;
  }
  std::string MenuText(int id) override {
    const QAction* a = ui_.MenuAction(id);
    return a != nullptr ? a->text().toStdString() : "";
  }
  bool MenuChecked(int id) override { return ui_.IsMenuChecked(id); }
  bool MenuEnabled(int id) override {
    const QAction* a = ui_.MenuAction(id);
    return a != nullptr && a->isEnabled();
  }
  void ChooseMenu(int id) override {
    if (QAction* a = ui_.MenuAction(id)) a->trigger();
  }
  // Delivered by the event loop, as the window system's request is, and through close(), which
  // hides the window unless its close event is ignored.
  void PressClose() override {
    QMetaObject::invokeMethod(window(), &QWidget::close, Qt::QueuedConnection);
  }
  bool WindowExists() override { return window() != nullptr && window()->isVisible(); }
  void TimerFires() override { ui_.Tick(); }
  void KeyArrives() override {
    QCoreApplication::postEvent(window(),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x"));
  }
  void EscapeArrives() override {
    QCoreApplication::postEvent(window(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape,
                                                        Qt::NoModifier, QString(QChar(27))));
  }
  std::vector<Event> TakeEvents() override {
    QCoreApplication::processEvents();
    std::vector<Event> events;
    while (!ui_.queued().empty()) events.push_back(ui_.WaitEvent());
    return events;
  }
  Image Screen() override {
    // What was flushed to the window: the backing store offscreen, the X server's pixels on X11.
    const QPoint at = client()->mapTo(window(), QPoint(0, 0));
    return FromQImage(
        QGuiApplication::primaryScreen()
            ->grabWindow(window()->winId(), at.x(), at.y(), client()->width(), client()->height())
            .toImage());
  }
  ProgressView Progress() override {
    const QProgressBar* bar = client()->progress();
    const QRect r = bar->geometry();
    return {bar->isVisible(), {r.x(), r.y(), r.width(), r.height()}, bar->value()};
  }
  std::optional<std::string> ClipboardText() override {
    return QGuiApplication::clipboard()->text().toLatin1().toStdString();
  }
  std::optional<Image> ClipboardImage() override {
    const QImage copied = QGuiApplication::clipboard()->image();
    if (copied.isNull()) return std::nullopt;
    return FromQImage(copied);
  }
  void Minimise(bool minimised) override {
    if (minimised) {
      window()->showMinimized();
    } else {
      window()->showNormal();
    }
    QCoreApplication::processEvents();
  }
  void MovePointerTo(int x, int y) override {
    QCursor::setPos(client()->mapToGlobal(QPoint(x, y)));
  }
  void WhenDialogOpens(std::function<void(DialogUser&)> use) override {
    QTimer::singleShot(0, [use] {
      QWidget* dialog = QApplication::activeModalWidget();
      ASSERT_NE(dialog, nullptr);
      QtDialogUser user(dialog);
      use(user);
    });
  }

  qt::MainWindow* window() const { return ui_.window(); }
  qt::ClientArea* client() const { return ui_.window()->client(); }

 private:
  QtUi ui_;
};

}  // namespace

TAVOLIN_UI_CONTRACT(Qt, [](int width, int height) -> std::unique_ptr<UiHarness> {
  return std::make_unique<QtHarness>(width, height);
});

namespace {

using K = Event::Kind;

// Qt draws a mark only on a checkable item: those are the items the core keeps a state for.
TEST(QtWindow, CheckItemsAreTheOnesTheCoreKeepsStateFor) {
  QtHarness h(640, 446);
  std::set<int> checkable;
  for (const MenuEntry& e : MenuTable()) {
    const QAction* a = h.qt().MenuAction(e.id);
    if (e.kind == MenuEntry::Kind::Check || e.kind == MenuEntry::Kind::Command) {
      ASSERT_NE(a, nullptr) << e.id;
      if (a->isCheckable()) checkable.insert(e.id);
    }
  }
  EXPECT_EQ(checkable, (std::set<int>{menu::kComEnabled, menu::kAutoMode, menu::kNormalTerminalMode,
                                      menu::kVirtualKeycodes, menu::kTextCursor, 19, 20, 21, 22, 23,
                                      24, 25, 26, menu::kCrAutoLf, 40, 41, 42, 43, 44}));
}

// The port's handle wakes the loop once per cycle while it is readable - a hung-up handle (the
// far end closed) stays readable for ever - and nothing but the timer once it is no longer
// watched.
TEST(QtWindow, PortHandleWakesOncePerCycleWhileWatched) {
  for (const bool hungUp : {false, true}) {
    QtHarness h(640, 446);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    if (hungUp) {
      close(fds[1]);
    } else {
      ASSERT_EQ(write(fds[1], "x", 1), 1);
    }
    h.qt().WatchPortHandle(fds[0]);
    EXPECT_EQ(h.qt().WaitEvent().kind, K::PortReadable) << hungUp;
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(h.qt().queued().empty()) << "woken twice in one cycle " << hungUp;
    EXPECT_EQ(h.qt().WaitEvent().kind, K::PortReadable) << hungUp;
    h.qt().WatchPortHandle(-1);
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    EXPECT_TRUE(h.qt().queued().empty()) << hungUp;
    h.qt().Tick();
    EXPECT_EQ(h.qt().WaitEvent().kind, K::Timer) << hungUp;
    close(fds[0]);
    if (!hungUp) close(fds[1]);
  }
}

// Without X11 there is nothing to raise.
TEST(X11Raise, FindsATopLevelWindowByItsWholeTitle) {
  const bool x11 = QGuiApplication::platformName() == QStringLiteral("xcb");
  QWidget other;
  other.setWindowTitle(QStringLiteral("Propeller Tool"));
  other.show();
  QCoreApplication::processEvents();
  EXPECT_EQ(qt::RaiseWindowTitled("Propeller Tool"), x11);
  EXPECT_FALSE(qt::RaiseWindowTitled("Propeller"));
  EXPECT_FALSE(qt::RaiseWindowTitled("Propeller Tool 2"));
}

}  // namespace
}  // namespace tavolin::contract
