// The whole windowed program on the offscreen platform.  See ShellRig.h.
#include "tests/shell/ShellRig.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QFileDialog>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <stdexcept>

#include "app/CommandLine.h"
#include "app/MainLoop.h"
#include "app/Startup.h"
#include "settings/SettingsFile.h"
#include "terminal/Assets.h"

namespace tavolin::shell {
namespace {

// More cycles than any input of a test queues; a window that keeps queueing is a fault.
constexpr int kMaxCycles = 1000;

// Hands the first dialog shown to an answer, from inside the dialog's own event loop.
class DialogWatch : public QObject {
 public:
  explicit DialogWatch(std::function<void(QWidget*)> answer)
      : QObject(qApp), answer_(std::move(answer)) {
    qApp->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* dialog = qobject_cast<QDialog*>(watched);
    if (event->type() == QEvent::Show && dialog != nullptr && dialog->isModal()) {
      qApp->removeEventFilter(this);
      QTimer::singleShot(0, dialog, [dialog, answer = answer_] { answer(dialog); });
      deleteLater();
    }
    return false;
  }

 private:
  std::function<void(QWidget*)> answer_;
};

}  // namespace

ShellRig::ShellRig(float scale) {
  std::string error;
  if (!DecodeAssets(app, error)) throw std::runtime_error(error);
  app.SetOutput(&screen);
  // The start-up values, but for the scale, as a settings file.
  Settings settings;
  settings.WindowScale = scale;
  CommandLine line;
  line.first = dir_.File("rig.ini");
  SaveSettingsFile(line.first, settings, settings.AutoDis != 0);
  device = &serial.Plug(settings.ComNr);
  if (!StartWindowed(app, line)) throw std::runtime_error("the window did not open");
  ui.StopTimer();  // a tick is a Tick() call here
  RunQueued();
  device->ClearWritten();
}

ShellRig::~ShellRig() {
  for (const Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
    if (QGuiApplication::mouseButtons() & b) QTest::mouseRelease(handle(), b);
  }
  QCoreApplication::processEvents();
  for (const QPointer<QObject>& watch : watches_) delete watch.data();
}

void ShellRig::RunQueued() {
  QCoreApplication::processEvents();
  for (int i = 0; i < kMaxCycles && !ui.queued().empty(); ++i) {
    RunCycle(app, ui.WaitEvent());
    QCoreApplication::processEvents();
  }
  EXPECT_TRUE(ui.queued().empty()) << "the window keeps queueing events";
}

std::vector<std::uint8_t> ShellRig::Deliver(const std::function<void()>& input) {
  device->ClearWritten();
  input();
  RunQueued();
  return device->written;
}

void ShellRig::Choose(int id) {
  QAction* a = action(id);
  ASSERT_NE(a, nullptr) << id;
  a->trigger();
  RunQueued();
}

void ShellRig::Tick() {
  ui.Tick();
  RunQueued();
}

void ShellRig::Receive(std::string_view bytes) {
  device->Feed(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

void ShellRig::ChooseInNextFileDialog(const std::string& path, const QString& filter) {
  watches_.emplace_back(new DialogWatch([path, filter](QWidget* w) {
    auto* dialog = qobject_cast<QFileDialog*>(w);
    ASSERT_NE(dialog, nullptr);
    if (!filter.isEmpty()) dialog->selectNameFilter(filter);
    dialog->selectFile(QString::fromStdString(path));
    static_cast<QDialog*>(dialog)->accept();
  }));
}

void ShellRig::PointAt(QPoint clientPoint) {
  QCursor::setPos(client()->mapToGlobal(clientPoint));
  RunQueued();
}

}  // namespace tavolin::shell
