// The panel as a window among the others: where it stands, what its shows
// run first, and what its activation, restore and close mean to the player.
#include <QCloseEvent>
#include <QShowEvent>
#include <QWindow>
#include <QWindowStateChangeEvent>
#include <utility>

#include "control/control_panel.h"
#include "platform/qt/system_metrics.h"
#include "platform/qt/window_operations.h"
#include "views/movie_window.h"

namespace kt {

void ControlPanel::MovePanel(QPoint topLeft) {
  placedAt_ = topLeft;
  move(topLeft);
}

void ControlPanel::PlacePanel(QPoint topLeft) {
  MovePanel(KeepCaptionOnScreen(topLeft, frameGeometry().size(), QueryScreenAreas()));
}

void ControlPanel::setVisible(bool visible) {
  // The program's shows run FormShow before the window exists on the
  // screen: the first one places the panel from the stored options, and a
  // place given before the window is made is taken as its frame's corner.
  // The window system's own shows (a restore from the task bar) come
  // without this call.
  if (visible && isHidden() && !formShowRunning_) {
    const bool movieShownBefore = movieWindow_ != nullptr && movieWindow_->isVisible();
    formShowRunning_ = true;
    Guarded(&ControlPanel::FormShow);
    formShowRunning_ = false;
    if (std::exchange(movieAfterWordsError_, false)) ShowMovieWindowIfHidden();
    // Exit during the words: the panel has closed and stays so.
    if (closed_) return;
    ChooseFonts();
    QWidget::setVisible(true);
    // The movie window this show brought up stays in front of the panel,
    // which appears after it.
    if (!movieShownBefore && movieWindow_ != nullptr && movieWindow_->isVisible()) movieWindow_->raise();
    return;
  }
  if (visible) ChooseFonts();
  QWidget::setVisible(visible);
}

void ControlPanel::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (QWindow* window = windowHandle()) window->installEventFilter(this);
}

void ControlPanel::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) Guarded(&ControlPanel::RunCommandLine);
  if (event->type() == QEvent::WindowStateChange) {
    // Minimize Program sent every window to the task bar together; the
    // panel brought back brings the movie window back with it.
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    const bool restored = change->oldState().testFlag(Qt::WindowMinimized) && !isMinimized();
    if (restored && movieWindow_ != nullptr && movieWindow_->isMinimized()) RestoreFromTaskBar(*movieWindow_);
  }
}

void ControlPanel::closeEvent(QCloseEvent* event) {
  // The panel's close is Exit: a run of words stops here too.
  state_.Run.ExitRequested = true;
  if (closed_) {
    event->accept();
    return;
  }
  if (state_.Playback.Playing) {
    // Releasing the flic now would pull its frames from under the running
    // frame loop. The close waits for the loop to stop, as the Exit button's does.
    event->ignore();
    Guarded(&ControlPanel::Exit);
    return;
  }
  // Saved once, however many ways the end is asked for.
  closed_ = true;
  Guarded(&ControlPanel::FormClose);
  event->accept();
  emit Closed();
}

}  // namespace kt
