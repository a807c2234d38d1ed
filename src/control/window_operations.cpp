#include "control/window_operations.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QWidget>
#include <cstdint>

namespace kt {

namespace {

constexpr Qt::WindowStates kNotNormal = Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;

// Ends a local event loop when the window it watches goes away.
class HideWatcher : public QObject {
 public:
  explicit HideWatcher(QEventLoop& loop) : loop_(loop) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Hide || event->type() == QEvent::Close) loop_.quit();
    return QObject::eventFilter(watched, event);
  }

 private:
  QEventLoop& loop_;
};

}  // namespace

bool IsNormalState(const QWidget& window) { return (window.windowState() & kNotNormal) == 0; }

void CentreOnScreen(QWidget& window, ScreenSize screen) {
  const QSize outer = window.frameGeometry().size();
  window.move((screen.width - outer.width()) / 2, (screen.height - outer.height()) / 2);
}

void SetWindowBorder(QWidget& window, bool withBorder, ScreenSize screen) {
  // The client size is noted as the 16-bit figures it always was.
  const auto clientWidth = static_cast<uint16_t>(window.width());
  const auto clientHeight = static_cast<uint16_t>(window.height());
  const Qt::WindowStates state = window.windowState();
  const bool visible = window.isVisible();

  window.setWindowFlag(Qt::FramelessWindowHint, !withBorder);
  window.setWindowState(state);
  if (visible && !window.isVisible()) window.show();

  if ((state & kNotNormal) == 0) {
    window.resize(clientWidth, clientHeight);
    CentreOnScreen(window, screen);
  }
}

void SetStayOnTop(QWidget& window, bool onTop) {
  if (window.windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop) return;
  const QRect geometry = window.geometry();
  const Qt::WindowStates state = window.windowState();
  const bool visible = window.isVisible();
  window.setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
  window.setWindowState(state);
  if ((state & kNotNormal) == 0) window.setGeometry(geometry);
  if (visible && !window.isVisible()) window.show();
}

void MinimizeApplication() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window->isVisible()) window->showMinimized();
  }
}

void ShowModal(QWidget& window) {
  if (auto* dialog = qobject_cast<QDialog*>(&window)) {
    dialog->exec();
    return;
  }
  QEventLoop loop;
  HideWatcher watcher(loop);
  QPointer<QWidget> guard(&window);
  window.installEventFilter(&watcher);
  const Qt::WindowModality modality = window.windowModality();
  window.setWindowModality(Qt::ApplicationModal);
  window.show();
  if (window.isVisible()) loop.exec(QEventLoop::DialogExec);
  if (guard) {
    window.removeEventFilter(&watcher);
    window.setWindowModality(modality);
  }
}

}  // namespace kt
