// The movie window as the emulated full-screen display: while a mode is set
// its picture control shows the primary surface, and for the length of a
// full-screen playback the window itself is in the window system's
// full-screen state, over the whole screen and any desktop bar, in front,
// with the keyboard and without a cursor.
#pragma once

#include <QRect>
#include <Qt>

#include "platform/emulated_direct_draw.h"

namespace kt {

class TImageForm;

class MovieScreen : public EmulatedScreen {
 public:
  explicit MovieScreen(TImageForm& movie) : movie_(movie) {}

  void ModeSet(uint32_t width, uint32_t height) override;
  void Show(const ShownSurface& surface) override;
  void ModeRestored() override;

  void HideCursorCoverScreen();
  // Cursor, border and normal state back, at the place and size the window
  // had in its normal state before; a window never shown before is centred.
  void RestoreWindow();

 private:
  TImageForm& movie_;
  bool saved_ = false;
  bool savedPlace_ = false;
  QRect savedGeometry_;
};

}  // namespace kt
