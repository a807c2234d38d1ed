#include "views/about_window.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "platform/qt/key_press.h"
#include "platform/qt/system_metrics.h"
#include "platform/qt/window_operations.h"
#include "views/resources.h"

namespace kt {

AboutImageControl::AboutImageControl(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::NoFocus); }

// The control takes the picture's size.
void AboutImageControl::SetPicture(const QImage& picture) {
  picture_ = picture;
  resize(picture_.size());
  update();
}

void AboutImageControl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(QPoint(0, 0), picture_);
}

// A click is a press and a release of the left button over the picture.
void AboutImageControl::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  event->accept();
}

void AboutImageControl::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  event->accept();
  if (click) emit clicked();
}

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
  EnsureResources();
  setWindowTitle(kCaption);
  // Lime shows only where the picture leaves the client area bare.
  QPalette colours = palette();
  colours.setColor(QPalette::Window, QColor(0, 255, 0));
  setPalette(colours);
  setAutoFillBackground(true);
  setFocusPolicy(Qt::StrongFocus);
  aboutImage_ = new AboutImageControl(this);
  aboutImage_->move(0, 0);
  connect(aboutImage_, &AboutImageControl::clicked, this, &AboutWindow::AboutImageClick);
  FormCreate();
}

void AboutWindow::FormCreate() { setFixedSize(kClientWidth, kClientHeight); }

void AboutWindow::keyPressEvent(QKeyEvent* event) {
  event->accept();
  if (const std::optional<char> character = TypedCharacter(*event)) FormKeyPress(*character);
}

void AboutWindow::showEvent(QShowEvent* event) {
  // The window is made at the start, and most runs never show it: the
  // picture is read at its first show, before anything of it is drawn.
  if (aboutImage_->Picture().isNull()) aboutImage_->SetPicture(QImage(kAboutPicturePath));
  QDialog::showEvent(event);
  CentreOnScreen(*this, QueryScreenSize());
}

}  // namespace kt
