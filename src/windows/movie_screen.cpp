#include "windows/movie_screen.h"

#include <QCursor>

#include "platform/qt/system_metrics.h"
#include "platform/qt/window_operations.h"
#include "windows/imageunt.h"

namespace kt {

void MovieScreen::ModeSet(uint32_t, uint32_t) { movie_.DisplayImage().BeginSurface(); }

void MovieScreen::Show(const ShownSurface& surface) { movie_.DisplayImage().ShowSurface(surface); }

void MovieScreen::ModeRestored() { movie_.DisplayImage().EndSurface(); }

void MovieScreen::HideCursorRemoveBorderMaximise() {
  savedGeometry_ = movie_.geometry();
  saved_ = true;
  movie_.setCursor(Qt::BlankCursor);
  movie_.setWindowFlag(Qt::FramelessWindowHint, true);
  movie_.setWindowState((movie_.windowState() & ~kNotNormalStates) | Qt::WindowMaximized);
  // Without a window manager nobody acts on the maximised state, so the
  // window takes the whole screen itself; with one, this is what it would do.
  const ScreenSize screen = QueryScreenSize();
  movie_.setGeometry(0, 0, screen.width, screen.height);
  movie_.show();
  movie_.raise();
  movie_.activateWindow();
  movie_.setFocus();
}

void MovieScreen::RestoreWindow() {
  movie_.unsetCursor();
  movie_.setWindowFlag(Qt::FramelessWindowHint, false);
  SetNormalState(movie_);
  if (saved_) {
    movie_.setGeometry(savedGeometry_);
    saved_ = false;
  }
  movie_.show();
}

}  // namespace kt
