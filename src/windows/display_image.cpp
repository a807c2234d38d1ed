#include "windows/display_image.h"

#include <QMouseEvent>
#include <QPainter>

namespace kt {

namespace {

// Stretched copies take the nearest pixel, as a plain stretch of an 8-bit
// bitmap does; smoothing would blend colours the flic never had.
void DrawFrame(QPainter& painter, const QImage& frame, bool oneToOne, const QRect& target) {
  if (oneToOne) {
    painter.drawImage(QPoint(0, 0), frame);
  } else {
    painter.drawImage(target, frame);
  }
}

}  // namespace

// The keys go to the window, which hands them on to the control panel.
DisplayImageControl::DisplayImageControl(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::NoFocus); }

void DisplayImageControl::PaintFrameNow(const QImage& frame, bool oneToOne) {
  frame_ = &frame;
  oneToOne_ = oneToOne;
  repaint();
}

void DisplayImageControl::PaintIntoPicture(const QImage& frame, bool oneToOne) {
  QImage picture(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  picture.fill(Qt::black);
  {
    QPainter painter(&picture);
    DrawFrame(painter, frame, oneToOne, picture.rect());
  }
  picture_ = std::move(picture);
  frame_ = nullptr;
  update();
}

void DisplayImageControl::ReleaseFrame() { frame_ = nullptr; }

void DisplayImageControl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (frame_ != nullptr) {
    DrawFrame(painter, *frame_, oneToOne_, rect());
  } else if (!picture_.isNull()) {
    painter.drawImage(rect(), picture_);
  }
}

void DisplayImageControl::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit doubleClicked();
  QWidget::mouseDoubleClickEvent(event);
}

}  // namespace kt
