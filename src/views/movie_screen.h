// The movie window as the full-screen display: while a mode is set its
// picture control shows the frames fitted to the screen, and for the length of a
// full-screen playback the window itself is in the window system's
// full-screen state, over the whole screen and any desktop bar, in front,
// with the keyboard and without a cursor.
#pragma once

#include <QRect>
#include <Qt>

#include "platform/screen.h"

namespace kt {

class MovieWindow;

class MovieScreen : public FullScreenDisplay {
 public:
  explicit MovieScreen(MovieWindow& movie) : movie_(movie) {}

  bool Open() override { return true; }
  // The standard modes; the picture is scaled to the real screen, so any fits.
  std::vector<ModeSize> Modes() override { return StandardModes(); }
  // Refuses a size it does not offer.
  void EnterMode(ModeSize size) override;
  void SetColours(const ScreenColours& colours) override;
  void ShowFrame(const ScreenFrame& frame) override;
  void Leave() override;

  void HideCursorCoverScreen();
  // Cursor, border and normal state back, at the place and size the window
  // had in its normal state before; a window never shown before is centred.
  void RestoreWindow();

 private:
  MovieWindow& movie_;
  bool saved_ = false;
  bool savedPlace_ = false;
  QRect savedGeometry_;
};

}  // namespace kt
