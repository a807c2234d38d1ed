// The movie window as the emulated full-screen display: while a mode is set
// its picture control shows the primary surface, and for the length of a
// full-screen playback the window itself goes borderless, maximised over
// the whole screen, in front, with the keyboard and without a cursor.
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

  void HideCursorRemoveBorderMaximise();
  // Cursor, border and normal state back, at the place and size the window had before.
  void RestoreWindow();

 private:
  TImageForm& movie_;
  bool saved_ = false;
  QRect savedGeometry_;
};

}  // namespace kt
