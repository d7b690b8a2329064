// The main window's widgets: the window itself (title, fixed size, keys, close request, window
// state), its client area below the menu bar (mouse events), the picture it shows, the about
// overlay and the progress bar.  Every user action becomes an Event handed to the sink; nothing
// here knows the core.
#pragma once

#include <QImage>
#include <QMainWindow>
#include <QWidget>
#include <functional>

#include "platform/Ui.h"

class QProgressBar;

namespace tavolin::qt {

using EventSink = std::function<void(const Event&)>;

// A QImage over the picture's memory (no copy), valid while picture lives unchanged in size;
// null for an empty picture or one whose pixels do not fill its size.
QImage ImageView(const Image& picture);

// The picture: exactly the size of the image it shows, painted without conversion.
class PictureWidget : public QWidget {
 public:
  explicit PictureWidget(QWidget* parent);
  // Takes picture's size and copies the rows that changed since the last one (no conversion: the
  // pixel layouts agree), then repaints them before returning.
  void Show(const Image& picture);
  const QImage& shown() const { return shown_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage shown_;
};

// A picture with texts drawn over the client area until the next picture is shown.
class OverlayWidget : public QWidget {
 public:
  explicit OverlayWidget(QWidget* parent);
  void Show(const Image& picture, const std::vector<OverlayText>& texts, Pixel colour);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage picture_;
  std::vector<OverlayText> texts_;
  Pixel colour_ = 0;
};

// The client area: the window below its menu bar.
class ClientArea : public QWidget {
 public:
  ClientArea(QWidget* parent, EventSink sink);
  PictureWidget* picture() const { return picture_; }
  OverlayWidget* overlay() const { return overlay_; }
  QProgressBar* progress() const { return progress_; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  EventSink sink_;
  PictureWidget* picture_;
  OverlayWidget* overlay_;
  QProgressBar* progress_;
};

class MainWindow : public QMainWindow {
 public:
  explicit MainWindow(EventSink sink);
  ClientArea* client() const { return client_; }
  // Fixes the window's size so that the client area is width x pictureHeight, whatever the menu
  // bar's height is.
  void SetClientSize(int width, int pictureHeight);
  bool minimized() const { return minimized_; }

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  EventSink sink_;
  ClientArea* client_;
  bool minimized_ = false;
};

}  // namespace tavolin::qt
