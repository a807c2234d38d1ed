#include "control/keyboard.h"

#include <QAbstractButton>
#include <QWidget>

#include "base/ascii.h"
#include "control/mainform.h"
#include "platform/qt/window_operations.h"
#include "ui_mainform.h"
#include "windows/imageunt.h"

namespace kt {

MovieBounds OuterBounds(const QWidget& window) {
  const QRect outer = OuterRect(window);
  return {outer.width(), outer.height(), outer.left(), outer.top()};
}

void SetOuterBounds(QWidget& window, const MovieBounds& bounds) {
  SetOuterBounds(window, QRect(bounds.left, bounds.top, bounds.width, bounds.height));
}

void ZoomMovieWindow(QWidget& movie, QAbstractButton& titleCheck, bool& movieZoomed, MovieBounds& saved) {
  movieZoomed = !movieZoomed;
  if (movieZoomed) {
    saved = OuterBounds(movie);
    titleCheck.setChecked(false);  // its handler takes the border away
    movie.setWindowState((movie.windowState() & ~kNotNormalStates) | Qt::WindowMaximized);
    return;
  }
  SetOuterBounds(movie, saved);
  titleCheck.setChecked(true);  // its handler gives the border back
  SetNormalState(movie);
  // A window that was maximised while its size was set comes back at the
  // size it had before; only a normal window takes the noted bounds for good.
  SetOuterBounds(movie, saved);
  // A window manager takes the window over anew when its border changes,
  // and may keep it maximised, the state change sent meanwhile lost. Once
  // it has framed the window, the normal state is asked for again.
  RunWhenFramedAnew(movie, [&movie, saved] {
    movie.setWindowState(movie.windowState() | Qt::WindowMaximized);
    SetNormalState(movie);
    SetOuterBounds(movie, saved);
  });
}

void ToggleMovieMaximised(QWidget& movie, bool& movieZoomed) {
  if (IsNormalState(movie)) {
    movie.setWindowState(movie.windowState() | Qt::WindowMaximized);
  } else {
    SetNormalState(movie);
  }
  movieZoomed = false;
}

std::string KeysHelpText() {
  return "Keys, in the control panel and the movie window:\n"
         "  C / Z          next frame / back one frame (while paused)\n"
         "  X              pause or resume\n"
         "  S, Esc         stop\n"
         "  F / P / O      play from disk / play / load into memory\n"
         "  L              loop on or off\n"
         "  R              reset brightness, contrast, delay and window options\n"
         "  . ,            contrast up / down\n"
         "  ] [            brightness up / down\n"
         "  pad + / -      delay up / down 50 ms (Shift: 5 ms; Ctrl: the flic's own / none)\n"
         "  Alt+F Alt+1    full-screen frame rate / one surface\n"
         "  Alt+P          pause or resume\n"
         "  Alt+M Alt+O Alt+I  full-screen, options, information panel\n"
         "  Alt+X          exit\n"
         "In window output only (not with \"Play in Direct-X mode\"):\n"
         "  ?              about\n"
         "  T / ` / N      movie window title / maximum palette / on top\n"
         "  M              maximise or restore the movie window\n"
         "  Alt+S          statistics panel\n"
         "  Alt+Enter      zoom the movie window in or out (a flic loaded or playing)\n";
}

// ---- The control panel's key handlers -----------------------------------------

void TDisplayForm::FormKeyPress(char& key) {
  const char typed = AsciiUpper(key);
  // Each line compares the character once, so at most one applies.
  bool handled = true;
  switch (typed) {
    case 'C':
      if (ui_->FrameFButton->isEnabled()) FrameFButtonClick();
      break;
    case 'Z':
      if (ui_->FrameBButton->isEnabled()) FrameBButtonClick();
      break;
    case 'X':
      if (ui_->PauseButton->isEnabled()) PauseButtonClick();
      break;
    case 'R':
      ResetButtonClick();
      break;
    case 'F':
      // The play command itself, not the file choice the button runs.
      if (ui_->PlayFileButton->isEnabled()) PlayFileButtonClick();
      break;
    case 'P':
      if (ui_->PlayButton->isEnabled()) PlayButtonStartPlay();
      break;
    case 'O':
      if (ui_->LoadButton->isEnabled()) LoadButtonClick();
      break;
    case 'S':
    case '\x1b':
      if (ui_->StopButton->isEnabled()) StopButtonClick();
      break;
    case 'L':
      ui_->LoopCheck->setChecked(!ui_->LoopCheck->isChecked());
      break;
    case '.':
      ui_->ContrastBar->setValue(ui_->ContrastBar->value() + 2);
      ContrastBarChange();
      break;
    case ',':
      ui_->ContrastBar->setValue(ui_->ContrastBar->value() - 2);
      ContrastBarChange();
      break;
    case ']':
      ui_->BrightnessBar->setValue(ui_->BrightnessBar->value() + 5);
      BrightnessBarChange();
      break;
    case '[':
      ui_->BrightnessBar->setValue(ui_->BrightnessBar->value() - 5);
      BrightnessBarChange();
      break;
    default:
      handled = false;
      break;
  }
  // The rest change the movie window, which full-screen output does not use.
  if (!handled && !ui_->DirectXCheck->isChecked()) {
    switch (typed) {
      case '?':
        if (ui_->AboutButton->isEnabled()) AboutButtonClick();
        break;
      case 'T':
        ui_->TitleCheck->setChecked(!ui_->TitleCheck->isChecked());  // runs TitleCheckClick
        break;
      case '`':
        ui_->MaxPalCheck->setChecked(!ui_->MaxPalCheck->isChecked());  // runs MaxPalCheckClick
        break;
      case 'N':
        ui_->OnTopCheck->setChecked(!ui_->OnTopCheck->isChecked());  // runs OnTopCheckClick
        break;
      case 'M':
        if (movieWindow_ != nullptr) ToggleMovieMaximised(*movieWindow_, state_.Playback.MovieZoomed);
        break;
      default:
        break;
    }
  }
  // No typed character reaches the focused control.
  key = 0;
}

void TDisplayForm::FormKeyDown(uint16_t& key, ShiftState shift) {
  // Every modifier set is compared whole: Alt means Alt alone.
  const bool alt = shift == kAltKey;
  if (alt && key == 'F') ui_->DirXFPSCheck->setChecked(!ui_->DirXFPSCheck->isChecked());
  if (alt && key == '1') ui_->DirXSurfaceCheck->setChecked(!ui_->DirXSurfaceCheck->isChecked());
  if (alt && key == 'P' && ui_->PauseButton->isEnabled()) PauseButtonClick();
  if (alt && key == 'M') DirXModeButtonClick();
  if (alt && key == 'O') OptionButtonClick();
  if (alt && key == 'I') InfoButtonClick();
  if (alt && key == 'X') QuitButtonClick();

  if (key == vk::Add || key == vk::Subtract) {
    const int sign = key == vk::Add ? 1 : -1;
    std::optional<int> position;
    if (shift == 0) position = ui_->SpeedBar->value() + sign * 50;
    if (shift == kShiftKey) position = ui_->SpeedBar->value() + sign * 5;
    if (shift == kCtrlKey) position = sign > 0 ? kSpeedBarMax : 0;
    if (position) {
      ui_->SpeedBar->setValue(*position);  // the bar keeps itself within 0..1000
      SpeedBarChange();
    }
  }

  if (ui_->DirectXCheck->isChecked()) return;
  if (alt && key == 'S') StatsButtonClick();
  if (alt && key == vk::Return && (state_.Flic.FlicInMemory || state_.Playback.Playing) && movieWindow_ != nullptr) {
    ZoomMovieWindow(*movieWindow_, *ui_->TitleCheck, state_.Playback.MovieZoomed, savedMovieBounds_);
  }
}

}  // namespace kt
