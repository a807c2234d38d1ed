// The movie window's picture control: it fills the window's client area,
// keeps a picture that it stretches to its own size, and shows the frames of
// a playback over it, in the window or, for full screen, fitted to the
// whole screen. Frames reach the screen through the one indexed presenter,
// and on X straight into the control's own window.
#pragma once

#include <QImage>
#include <QWidget>
#include <memory>
#include <vector>

#include "platform/indexed_present.h"
#include "platform/qt/x_picture_put.h"
#include "platform/screen.h"

namespace kt {

class DisplayImageControl : public QWidget {
  Q_OBJECT

 public:
  // Where a frame sits. Window: at its own size in the top left corner or
  // stretched over the control, as ShowFrame is told. FullScreen: the largest size with its aspect,
  // centred on black; black until the first frame.
  enum class Placement { Window, FullScreen };

  explicit DisplayImageControl(QWidget* parent = nullptr);

  void Enter(Placement placement);
  // A frame on the screen takes new colours at once.
  void SetColours(const ScreenColours& colours);
  // Draws the frame now, and again from the same memory whenever the window
  // needs it, until the next frame or Leave. A frame that says which lines
  // changed is painted only where its pixels differ from the frame before,
  // when the control shows that frame as it was.
  void ShowFrame(const ScreenFrame& frame, bool oneToOne = false);
  // A window's last frame becomes the picture, a bitmap of the control's
  // size that stays after the frame's memory is gone; after full screen the
  // picture shows again as it was.
  void Leave();
  bool ShowsFullScreen() const { return shown_ && placement_ == Placement::FullScreen; }

  const QImage& Picture() const { return picture_; }

 signals:
  void doubleClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  bool event(QEvent* event) override;
  // None while the pictures go straight to X: Qt paints nothing of its own here then.
  QPaintEngine* paintEngine() const override;

 private:
  // Sizes the present path for the frame and the control's present size.
  void Configure();
  // What the control shows within `area`, into `target`: the area's top
  // left pixel first, rows `stride` pixels apart.
  void Render(const QRect& area, uint32_t* target, int stride);
  void DrawCornerText(QPainter& painter);
  // Areas of the control, apart and within it, through `painter`, or
  // straight to X without one.
  void Paint(const std::vector<QRect>& areas, QPainter* painter);

  bool shown_ = false;  // between Enter (full screen) or the first frame (window) and Leave
  Placement placement_ = Placement::Window;
  ScreenFrame frame_;
  bool oneToOne_ = true;
  ScreenColours colours_{};

  IndexedPresenter presenter_;
  std::unique_ptr<XPicturePut> put_;  // made at the first paint on X
  std::vector<uint32_t> strip_;       // a piece of a paint on its way to the screen
  bool paintWhole_ = true;            // the next frame: new colours or placement, or nothing of it shown yet
  QImage picture_;
};

}  // namespace kt
