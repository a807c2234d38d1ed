// What window output paints its frames on: the movie window, seen from
// playback without knowing the window itself.
#pragma once

#include <QImage>
#include <QSize>

#include "colour/display_palette.h"

namespace kt {

class FrameCanvas {
 public:
  virtual ~FrameCanvas() = default;

  virtual QSize CanvasSize() const = 0;
  // The colours of the frame bitmap, at its creation and whenever its
  // colour table changes; a frame on the screen shows them at once unless
  // `showNow` is false (its next paint is coming anyway).
  virtual void SetFrameColours(const ColourTable& table, bool showNow = true) = 0;
  // Draws the frame on the screen now, one to one from the top left corner
  // or stretched over the client area; drawn again from the same bitmap
  // whenever the window needs it, until PaintIntoPicture or ReleaseFrame.
  virtual void PaintFrameNow(const QImage& frame, bool oneToOne) = 0;
  // Draws the frame into the window's own picture, which stays after the
  // frame's bitmap is gone.
  virtual void PaintIntoPicture(const QImage& frame, bool oneToOne) = 0;
  // The frame's bitmap is about to go away.
  virtual void ReleaseFrame() = 0;
};

}  // namespace kt
