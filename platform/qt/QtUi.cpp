// The main window as the core's window interface.  See QtUi.h.
#include "platform/qt/QtUi.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSocketNotifier>
#include <QTimer>

#include "app/MenuTable.h"
#include "app/Window.h"
#include "platform/qt/Dialogs.h"
#include "platform/qt/MainWindow.h"

namespace tavolin::qt {

namespace {

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

}  // namespace

QtUi::QtUi() : timer_(std::make_unique<QTimer>()) {
  timer_->setInterval(window::kTimerPeriodMs);
  timer_->setTimerType(Qt::PreciseTimer);
  QObject::connect(timer_.get(), &QTimer::timeout, [this] { Tick(); });
}

QtUi::~QtUi() {
  portWatch_.reset();
  timer_->stop();
  window_.reset();
}

bool QtUi::OpenWindow(int width, int height) {
  window_ = std::make_unique<MainWindow>([this](const Event& e) { Post(e); });
  window_->setWindowTitle(QString::fromLatin1(window::kTitle));
  BuildMenu();
  window_->move(window::kX, window::kY);
  SetContentSize(width, height);
  window_->show();
  window_->activateWindow();
  window_->setFocus();
  return true;
}

void QtUi::BuildMenu() {
  QMenuBar* bar = window_->menuBar();
  QMenu* menu = nullptr;
  QMenu* target = nullptr;
  for (const MenuEntry& entry : MenuTable()) {
    const QString text = QString::fromLatin1(entry.text);
    switch (entry.kind) {
      case MenuEntry::Kind::Menu:
        menu = bar->addMenu(text);
        target = menu;
        break;
      case MenuEntry::Kind::SubmenuBegin:
        if (menu != nullptr) target = menu->addMenu(text);
        break;
      case MenuEntry::Kind::SubmenuEnd:
        target = menu;
        break;
      case MenuEntry::Kind::Separator:
        if (target != nullptr) target->addSeparator();
        break;
      case MenuEntry::Kind::Command:
      case MenuEntry::Kind::Check: {
        if (target == nullptr) break;
        QAction* action = target->addAction(text);
        action->setCheckable(entry.kind == MenuEntry::Kind::Check);
        const int id = entry.id;
        // The command toggles its own check mark; undo Qt's toggle before it learns of it.
        QObject::connect(action, &QAction::triggered, [this, action, id](bool checked) {
          if (action->isCheckable()) action->setChecked(!checked);
          Post({Event::Kind::MenuCommand, id});
        });
        actions_[id] = action;
        break;
      }
    }
  }
}

QAction* QtUi::MenuAction(int id) const {
  const auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

void QtUi::StartTimer() {
  timer_->start();
}
void QtUi::StopTimer() {
  timer_->stop();
}

void QtUi::WatchPortHandle(int fd) {
  portWatch_.reset();
  portFired_ = false;
  if (fd < 0) return;
  portWatch_ = std::make_unique<QSocketNotifier>(static_cast<qintptr>(fd), QSocketNotifier::Read);
  QObject::connect(portWatch_.get(), &QSocketNotifier::activated, [this] { PortReady(); });
}

void QtUi::Post(const Event& event) {
  queue_.push_back(event);
}

bool QtUi::Queued(Event::Kind kind) const {
  for (const Event& e : queue_) {
    if (e.kind == kind) return true;
  }
  return false;
}

bool QtUi::ModalOpen() const {
  return modalDepth_ > 0 || QApplication::activeModalWidget() != nullptr;
}

void QtUi::Tick() {
  if (ModalOpen() || Queued(Event::Kind::Timer)) return;
  Post({Event::Kind::Timer, 0});
}

void QtUi::PortReady() {
  // Level-triggered: rest until the cycle has read the port, or the loop would spin.
  portWatch_->setEnabled(false);
  portFired_ = true;
  if (!Queued(Event::Kind::PortReadable)) Post({Event::Kind::PortReadable, 0});
}

bool QtUi::HasWindow() {
  return window_ != nullptr;
}

Event QtUi::WaitEvent() {
  if (portWatch_ && !portWatch_->isEnabled()) {
    if (portFired_) {
      portFired_ = false;
      portWatch_->setEnabled(true);
    } else {
      portWatch_.reset();  // the event loop disabled it: the handle is no longer valid
    }
  }
  while (queue_.empty()) {
    QCoreApplication::sendPostedEvents();
    if (!queue_.empty()) break;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  const Event e = queue_.front();
  queue_.pop_front();
  return e;
}

void QtUi::KeepPainted() {
  if (!window_) return;
  // Key, button, pointer and close events are user input to Qt: they stay queued in the window
  // system connection.  What else runs (the timer, the port watch) only queues core events.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtUi::RepaintAfterModal() {
  if (!window_) return;
  // The dialog's unmapping reaches the window system before this painting (one connection, in
  // order); a window manager's frame around the dialog goes later, and KeepPainted serves that.
  window_->repaint();
  KeepPainted();
}

Interruption QtUi::ProcessPendingEvents() {
  const std::size_t before = queue_.size();
  QCoreApplication::processEvents();
  if (queue_.size() <= before) return Interruption::None;
  const Interruption asked =
      InterruptionAmong(queue_.begin() + static_cast<std::ptrdiff_t>(before), queue_.end());
  queue_.resize(before);
  return asked;
}

void QtUi::SetMenuChecked(int id, bool checked) {
  if (QAction* a = MenuAction(id)) {
    if (checked && !a->isCheckable()) a->setCheckable(true);
    a->setChecked(checked);
  }
}

bool QtUi::IsMenuChecked(int id) const {
  const QAction* a = MenuAction(id);
  return a != nullptr && a->isChecked();
}

void QtUi::SetMenuEnabled(int id, bool enabled) {
  if (QAction* a = MenuAction(id)) a->setEnabled(enabled);
}

void QtUi::ShowMessage(std::string_view caption, std::string_view text) {
  {
    ModalScope modal(modalDepth_);
    RunMessageBox(window_.get(), caption, text);
  }
  RepaintAfterModal();
}

FileDialogResult QtUi::OpenFileDialog(const FileDialogRequest& request) {
  FileDialogResult result;
  {
    ModalScope modal(modalDepth_);
    result = RunFileDialog(window_.get(), request, false);
  }
  RepaintAfterModal();
  return result;
}

FileDialogResult QtUi::SaveFileDialog(const FileDialogRequest& request) {
  FileDialogResult result;
  {
    ModalScope modal(modalDepth_);
    result = RunFileDialog(window_.get(), request, true);
  }
  RepaintAfterModal();
  return result;
}

std::string QtUi::AskComPort(int current, const std::vector<PortInfo>& ports) {
  std::string answer;
  {
    ModalScope modal(modalDepth_);
    answer = RunComPortDialog(window_.get(), current, ports);
  }
  RepaintAfterModal();
  return answer;
}

std::string QtUi::AskBaudRate(int current) {
  ModalScope modal(modalDepth_);
  return RunBaudRateDialog(window_.get(), current);
}

void QtUi::ShowPicture(const Image& picture) {
  if (!window_) return;
  OverlayWidget* overlay = window_->client()->overlay();
  PictureWidget* shown = window_->client()->picture();
  const bool covered = overlay->isVisible();
  const QSize before = shown->size();
  overlay->hide();
  shown->Show(picture);
  // What the about picture covered, or a larger picture before, at once: the black around a
  // smaller picture is the client area's own.
  if (covered || shown->size() != before) window_->client()->repaint();
}

void QtUi::SetContentSize(int width, int height) {
  if (window_) window_->SetClientSize(width, height - kMenuLineHeight);
}

bool QtUi::IsMinimized() {
  return window_ && (window_->minimized() || window_->isMinimized());
}

PointerPosition QtUi::PointerInClient() {
  if (!window_) return {};
  const ClientArea* client = window_->client();
  const QPoint p = client->mapFromGlobal(QCursor::pos());
  // Outside means left of 0, above 0, right of the right edge or below the bottom edge.
  PointerPosition result;
  result.x = (p.x() < 0 || p.x() > client->width()) ? -1 : p.x();
  result.y = (p.y() < 0 || p.y() > client->height()) ? -1 : p.y();
  return result;
}

void QtUi::PaintOverlay(const Image& picture, const std::vector<OverlayText>& texts, Pixel colour) {
  if (window_) window_->client()->overlay()->Show(picture, texts, colour);
}

void QtUi::SetProgressVisible(bool visible) {
  if (!window_) return;
  QProgressBar* bar = window_->client()->progress();
  bar->setVisible(visible);
  if (visible) bar->raise();
}

void QtUi::SetProgress(int percent) {
  if (window_) window_->client()->progress()->setValue(std::clamp(percent, 0, 100));
}

bool QtUi::SetClipboardImage(const Image& picture) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  const QImage view = ImageView(picture);
  if (clipboard == nullptr || view.isNull()) return false;
  clipboard->setImage(view.copy());
  return true;
}

bool QtUi::SetClipboardText(std::string_view latin1) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr) return false;
  clipboard->setText(QString::fromLatin1(latin1.data(), static_cast<qsizetype>(latin1.size())));
  return true;
}

}  // namespace tavolin::qt
