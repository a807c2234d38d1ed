// The movie window's picture control: it fills the window's client area,
// keeps a picture that it stretches to its own size, lets a playback draw
// its frames straight onto the screen over it, and, while full-screen output
// holds the display, shows the emulated primary surface scaled to fit.
// Frames and surfaces reach the screen through one present path: their
// palette indices become 32-bit pixels through a table rebuilt only when the
// colours change, scaled into a buffer of the size drawn.
#pragma once

#include <QImage>
#include <QWidget>
#include <vector>

#include "colour/display_palette.h"
#include "platform/emulated_direct_draw.h"
#include "platform/indexed_present.h"

namespace kt {

class DisplayImageControl : public QWidget {
  Q_OBJECT

 public:
  explicit DisplayImageControl(QWidget* parent = nullptr);

  // The colours of the frame bitmap, at its creation and whenever its
  // colour table changes; a frame on the screen shows them at once unless
  // `showNow` is false (its next paint is coming anyway).
  void SetFrameColours(const ColourTable& table, bool showNow = true);
  // Draws the frame (an 8-bit bitmap) on the screen now, at its own size from
  // the top left corner or stretched over the whole control, without the
  // picture. The frame is drawn again from the same bitmap whenever the
  // window needs it, until PaintIntoPicture or ReleaseFrame.
  void PaintFrameNow(const QImage& frame, bool oneToOne);
  // Draws the frame into the picture, a bitmap of the control's size, so
  // that it stays after the frame's bitmap is gone.
  void PaintIntoPicture(const QImage& frame, bool oneToOne);
  // The frame's bitmap is about to go away; the picture is shown from the next redraw on.
  void ReleaseFrame();

  // Full screen: from the mode being set until it is restored, the control
  // shows the primary surface (black until the first one), scaled to fit
  // with its aspect kept, on black.
  void BeginSurface();
  // Shows the surface now; its memory must stay until the next call.
  void ShowSurface(const ShownSurface& surface);
  void EndSurface();
  bool ShowsSurface() const { return surfaceMode_; }

  const QImage& Picture() const { return picture_; }

 signals:
  void doubleClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  struct Source {
    const uint8_t* bits = nullptr;
    int stride = 0;
    const PixelTable* table = nullptr;
  };
  // Sizes the present path for what is shown and the control's present size.
  void Configure();
  Source CurrentSource() const;
  // Brings the buffer up to date for the control's present size.
  void Present();
  // Converts straight into the screen image being painted; false when it is no such image.
  bool PresentIntoScreenImage();
  void WrapBuffer();
  void DrawTexts(QPainter& painter);

  // Window output.
  const QImage* frame_ = nullptr;
  bool oneToOne_ = true;
  PixelTable frameColours_;
  // Full screen.
  bool surfaceMode_ = false;
  ShownSurface surface_;
  PaletteEntries surfaceEntries_{};
  bool surfaceColoursKnown_ = false;
  PixelTable surfaceColours_;
  PixelTable black_;

  IndexedPresenter presenter_;
  QImage buffer_;  // the presenter's pixels as Qt sees them, without a copy
  bool stale_ = true;
  QImage picture_;
};

}  // namespace kt
