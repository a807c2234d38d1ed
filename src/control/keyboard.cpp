#include "control/keyboard.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QKeyEvent>
#include <QToolButton>
#include <QWidget>
#include <QWindow>
#include <optional>

#include "base/ascii.h"
#include "control/control_behaviour.h"
#include "control/control_panel.h"
#include "control/key_table.h"
#include "platform/qt/window_operations.h"
#include "ui_control_panel.h"
#include "views/movie_window.h"

namespace kt {

MovieBounds OuterBounds(const QWidget& window) {
  const QRect outer = OuterRect(window);
  return {outer.width(), outer.height(), outer.left(), outer.top()};
}

void SetOuterBounds(QWidget& window, const MovieBounds& bounds) {
  SetOuterBounds(window, QRect(bounds.left, bounds.top, bounds.width, bounds.height));
}

void ZoomMovieWindow(QWidget& movie, const std::function<void(bool)>& showTitle, bool& movieZoomed,
                     MovieBounds& saved) {
  movieZoomed = !movieZoomed;
  if (movieZoomed) {
    saved = OuterBounds(movie);
    showTitle(false);  // takes the border away
    movie.setWindowState((movie.windowState() & ~kNotNormalStates) | Qt::WindowMaximized);
    return;
  }
  SetOuterBounds(movie, saved);
  showTitle(true);  // gives the border back
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

// ---- The control panel's key handlers -----------------------------------------

bool ControlPanel::eventFilter(QObject* watched, QEvent* event) {
  // The window gets every key before any of its controls does.
  if (watched == windowHandle() && (event->type() == QEvent::KeyPress)) {
    bool used = false;
    Guarded([&] { used = PreviewKey(*static_cast<QKeyEvent*>(event)); });
    if (used) return true;
  }
  return QWidget::eventFilter(watched, event);
}

bool ControlPanel::PreviewKey(QKeyEvent& event) {
  FormKeyDown(KeyDownFromQt(event.key(), event.modifiers()));
  // Other keys go on to the focused control (Tab moves the focus).
  if (std::optional<char> typed = TypedCharacter(event)) {
    char character = *typed;
    FormKeyPress(character);
    return character == 0;
  }
  return false;
}

void ControlPanel::FormKeyPress(char& key) {
  if (const KeyCommand* command = FindKeyCommand({KeyEvent::Typed, static_cast<uint8_t>(AsciiUpper(key)), {}})) {
    RunKeyCommand(*command);
  }
  // No typed character reaches the focused control.
  key = 0;
}

void ControlPanel::FormKeyDown(const KeyDown& key) {
  if (const KeyCommand* command = FindKeyCommand({KeyEvent::Down, key.key, key.modifiers})) RunKeyCommand(*command);
}

void ControlPanel::RunKeyCommand(const KeyCommand& command) {
  if (command.scope == KeyScope::WindowOutputOnly && state_.Options.On(Option::DirectX)) return;
  const KeyAction& does = command.does;
  switch (does.kind) {
    case KeyAction::Kind::Run:
      if (does.button == nullptr || ((*ui_).*does.button)->isEnabled()) (this->*does.handler)();
      break;
    case KeyAction::Kind::Toggle: SetOption(does.option, state_.Options.On(does.option) ? 0 : 1); break;
    case KeyAction::Kind::Move: StepOption(does.option, does.amount); break;
    case KeyAction::Kind::Place: SetOption(does.option, does.amount); break;
  }
}

void ControlPanel::MaximiseOrRestoreMovie() {
  if (movieWindow_ != nullptr) ToggleMovieMaximised(*movieWindow_, state_.Playback.MovieZoomed);
}

void ControlPanel::ZoomMovie() {
  // Only a flic loaded or playing has a picture to zoom.
  if ((state_.Flic.FlicInMemory || state_.Playback.Playing) && movieWindow_ != nullptr) {
    ZoomMovieWindow(
        *movieWindow_, [this](bool shown) { SetOption(Option::Title, shown ? 1 : 0, OptionRun::OnChange); },
        state_.Playback.MovieZoomed, savedMovieBounds_);
  }
}

}  // namespace kt
