// The main window's widgets.  See MainWindow.h.
//
// Mouse: a left press on the picture is its click; the second press of a double click gives
// nothing, like the image control's double-click notification.  Qt delivers that second press to
// widgets as a double-click event instead of a press, so the double-click handler stands in for
// the press: nothing for the left button, a right press for the right one (the window itself knows
// no double clicks).  Right presses count wherever they land in the client area, and so do
// releases of either button and moves (tracked without a button held).  Keys: the window takes
// every key event itself, before focus navigation, so Tab reaches the terminal.
#include "platform/qt/MainWindow.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <cstring>

#include "app/Window.h"
#include "platform/qt/KeyTranslation.h"

namespace tavolin::qt {

QImage ImageView(const Image& picture) {
  const auto count = static_cast<std::size_t>(std::max(picture.width, 0)) *
                     static_cast<std::size_t>(std::max(picture.height, 0));
  if (count == 0 || picture.pixels.size() < count) return {};
  return QImage(reinterpret_cast<const uchar*>(picture.pixels.data()), picture.width,
                picture.height, picture.width * static_cast<int>(sizeof(Pixel)),
                QImage::Format_RGB32);
}

PictureWidget::PictureWidget(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
}

void PictureWidget::Show(const Image& picture) {
  const QImage source = ImageView(picture);
  QRect changed;
  if (source.isNull()) {
    if (!shown_.isNull()) changed = rect();
    shown_ = QImage();
  } else if (shown_.size() != source.size() || shown_.format() != QImage::Format_RGB32) {
    shown_ = source.copy();
    changed = QRect(QPoint(0, 0), shown_.size());
  } else {
    // Only the rows that differ are copied and painted again: text output touches a few rows,
    // a scroll all of them.
    const auto rowBytes = static_cast<std::size_t>(source.bytesPerLine());
    int first = -1;
    int last = -1;
    for (int y = 0; y < source.height(); ++y) {
      const uchar* from = source.constScanLine(y);
      if (std::memcmp(shown_.constScanLine(y), from, rowBytes) == 0) continue;
      std::memcpy(shown_.scanLine(y), from, rowBytes);
      if (first < 0) first = y;
      last = y;
    }
    if (first >= 0) changed = QRect(0, first, shown_.width(), last - first + 1);
  }
  setFixedSize(shown_.size());
  // At once, not when the event loop next runs: the caller may go on for seconds without it (an
  // upload, a banner's pause).  repaint dispatches no input.
  if (!changed.isEmpty()) repaint(changed);
}

void PictureWidget::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  if (!shown_.isNull()) painter.drawImage(0, 0, shown_);
}

OverlayWidget::OverlayWidget(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  hide();
}

void OverlayWidget::Show(const Image& picture, const std::vector<OverlayText>& texts,
                         Pixel colour) {
  // With its alpha: the parts of the picture left transparent show the terminal through.
  const QImage view = ImageView(picture);
  picture_ = view.isNull() ? QImage()
                           : QImage(view.constBits(), view.width(), view.height(),
                                    view.bytesPerLine(), QImage::Format_ARGB32)
                                 .copy();
  texts_ = texts;
  colour_ = colour;
  show();
  raise();
  repaint();  // at once: the caller holds the picture without handling events
}

void OverlayWidget::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  if (!picture_.isNull()) painter.drawImage(0, 0, picture_);
  painter.setPen(QColor::fromRgb(colour_));
  painter.setBackgroundMode(Qt::TransparentMode);
  for (const OverlayText& t : texts_) {
    painter.drawText(QRect(t.x, t.y, width(), height()), Qt::AlignLeft | Qt::AlignTop,
                     QString::fromLatin1(t.text.data(), static_cast<qsizetype>(t.text.size())));
  }
}

ClientArea::ClientArea(QWidget* parent, EventSink sink)
    : QWidget(parent),
      sink_(std::move(sink)),
      picture_(new PictureWidget(this)),
      overlay_(new OverlayWidget(this)),
      progress_(new QProgressBar(this)) {
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, Qt::black);
  setPalette(p);
  picture_->move(0, 0);
  progress_->setGeometry(window::kProgressX, window::kProgressY, window::kProgressWidth,
                         window::kProgressHeight);
  progress_->setRange(0, window::kProgressMax);
  progress_->setTextVisible(false);
  progress_->setFocusPolicy(Qt::NoFocus);
  progress_->setAttribute(Qt::WA_TransparentForMouseEvents);
  progress_->hide();
}

void ClientArea::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    const bool secondOfDouble = event->flags() & Qt::MouseEventCreatedDoubleClick;
    if (!secondOfDouble && picture_->geometry().contains(event->position().toPoint())) {
      sink_({Event::Kind::LeftClick, 0});
    }
  } else if (event->button() == Qt::RightButton) {
    sink_({Event::Kind::RightDown, 0});
  }
}

void ClientArea::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double click: only the right button's counts.
  if (event->button() == Qt::RightButton) sink_({Event::Kind::RightDown, 0});
}

void ClientArea::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton) {
    sink_({Event::Kind::ButtonUp, 0});
  }
}

void ClientArea::mouseMoveEvent(QMouseEvent* /*event*/) {
  sink_({Event::Kind::MouseMove, 0});
}

void ClientArea::resizeEvent(QResizeEvent* /*event*/) {
  overlay_->setGeometry(rect());
}

MainWindow::MainWindow(EventSink sink)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                               Qt::WindowCloseButtonHint),
      sink_(std::move(sink)),
      client_(new ClientArea(this, sink_)) {
  setCentralWidget(client_);
  menuBar()->setNativeMenuBar(false);  // the menu stays a line of the window
  setFocusPolicy(Qt::StrongFocus);
}

void MainWindow::SetClientSize(int width, int pictureHeight) {
  width = std::max(width, 1);
  pictureHeight = std::max(pictureHeight, 0);
  client_->setFixedSize(width, pictureHeight);
  int menuHeight = 0;
  if (menuBar()->isVisibleTo(this) || !menuBar()->actions().isEmpty()) {
    menuHeight = menuBar()->heightForWidth(width);
    if (menuHeight <= 0) menuHeight = menuBar()->sizeHint().height();
  }
  setFixedSize(width, menuHeight + pictureHeight);
}

bool MainWindow::event(QEvent* event) {
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
    const auto* k = static_cast<QKeyEvent*>(event);
    KeyInput input;
    input.key = k->key();
    input.modifiers = k->modifiers();
    input.text = k->text();
    input.press = event->type() == QEvent::KeyPress;
    input.autoRepeat = k->isAutoRepeat();
    input.nativeScanCode = k->nativeScanCode();
    for (const Event& e : TranslateKey(input)) sink_(e);
    return true;
  }
  return QMainWindow::event(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // The program decides: the main loop ends after the cycle that sees the request.
  event->ignore();
  sink_({Event::Kind::CloseRequest, 0});
}

void MainWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::WindowStateChange) {
    minimized_ = (windowState() & Qt::WindowMinimized) != 0;
  }
  QMainWindow::changeEvent(event);
}

}  // namespace tavolin::qt
