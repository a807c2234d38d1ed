// The movie window's picture control: it fills the window's client area,
// keeps a picture that it stretches to its own size, and lets a playback
// draw its frames straight onto the screen over it.
#pragma once

#include <QImage>
#include <QWidget>

namespace kt {

class DisplayImageControl : public QWidget {
  Q_OBJECT

 public:
  explicit DisplayImageControl(QWidget* parent = nullptr);

  // Draws the frame on the screen now, at its own size from the top left
  // corner or stretched over the whole control, without the picture. The
  // frame is drawn again from the same bitmap whenever the window needs it,
  // until PaintIntoPicture or ReleaseFrame.
  void PaintFrameNow(const QImage& frame, bool oneToOne);
  // Draws the frame into the picture, a bitmap of the control's size, so
  // that it stays after the frame's bitmap is gone.
  void PaintIntoPicture(const QImage& frame, bool oneToOne);
  // The frame's bitmap is about to go away; the picture is shown from the next redraw on.
  void ReleaseFrame();

  const QImage& Picture() const { return picture_; }

 signals:
  void doubleClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  const QImage* frame_ = nullptr;
  bool oneToOne_ = true;
  QImage picture_;
};

}  // namespace kt
