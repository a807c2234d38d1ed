#include "views/movie_screen.h"

#include <QCursor>
#include <algorithm>

#include "platform/qt/system_metrics.h"
#include "platform/qt/window_operations.h"
#include "views/movie_window.h"

namespace kt {

void MovieScreen::EnterMode(ModeSize size) {
  const std::vector<ModeSize>& modes = StandardModes();
  if (std::find(modes.begin(), modes.end(), size) == modes.end()) throw ScreenRefused(ScreenStep::SetMode);
  movie_.DisplayImage().Enter(DisplayImageControl::Placement::FullScreen);
}

void MovieScreen::SetColours(const ScreenColours& colours) { movie_.DisplayImage().SetColours(colours); }

void MovieScreen::ShowFrame(const ScreenFrame& frame) { movie_.DisplayImage().ShowFrame(frame); }

void MovieScreen::Leave() { movie_.DisplayImage().Leave(); }

void MovieScreen::HideCursorCoverScreen() {
  // Noted once until the restore, which must not take the full screen for the window's place.
  if (!saved_) {
    // A maximised window (WINMAX) comes back to its normal place, not to
    // the corner its maximised geometry starts at.
    savedGeometry_ = IsNormalState(movie_) ? movie_.geometry() : movie_.normalGeometry();
    savedPlace_ = movie_.ShownBefore();
    saved_ = true;
  }
  movie_.setCursor(Qt::BlankCursor);
  // Without a window manager nobody acts on the full-screen state, so the
  // window takes the whole screen itself, before it asks for the state:
  // openbox takes a move of a full-screen window as the end of full screen.
  const ScreenSize screen = QueryScreenSize();
  movie_.setGeometry(0, 0, screen.width, screen.height);
  // The full-screen state rather than a maximised borderless window: a
  // window manager keeps its desktop bars clear of maximised windows, but
  // lays a full-screen one over them, without a frame.
  movie_.setWindowState((movie_.windowState() & ~kNotNormalStates) | Qt::WindowFullScreen);
  movie_.show();
  movie_.raise();
  movie_.activateWindow();
  movie_.setFocus();
}

void MovieScreen::RestoreWindow() {
  movie_.unsetCursor();
  // Full screen needs no border taken away, but a window that went into it
  // without one (TITLEOFF) comes out with one, as every full-screen playback ends.
  if (movie_.windowFlags().testFlag(Qt::FramelessWindowHint)) movie_.setWindowFlag(Qt::FramelessWindowHint, false);
  SetNormalState(movie_);
  if (saved_) {
    saved_ = false;
    if (savedPlace_) {
      SetClientBounds(movie_, savedGeometry_);
    } else {
      movie_.resize(savedGeometry_.size());
      CentreOnScreen(movie_, QueryScreenSize());
    }
  }
  movie_.show();
}

}  // namespace kt
