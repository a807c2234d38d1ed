#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QPoint>
#include <QRect>
#include <QTest>
#include <QWidget>

#include "platform/qt/window_operations.h"

namespace kt {
namespace {

class TimerCounter : public QObject {
 public:
  int fired = 0;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Timer) ++fired;
    return QObject::eventFilter(watched, event);
  }
};

// A placed window is watched for the frame a window manager gives it, for
// two seconds; a flic plays meanwhile, and nothing may wake the program
// between its frames once the placement has settled, moved windows or not.
TEST(WindowPlacement, WakesNothingOnceSettled) {
  QWidget window;
  window.show();
  SetOuterBounds(window, QRect(10, 20, 400, 300));
  QTest::qWait(400);
  const QRect placed = window.geometry();
  window.move(placed.topLeft() + QPoint(20, 20));
  QTest::qWait(800);
  TimerCounter counter;
  QApplication::instance()->installEventFilter(&counter);
  QTest::qWait(600);
  EXPECT_EQ(counter.fired, 0);
  // The watch still places the window: the move counted as the window manager's own.
  EXPECT_EQ(window.geometry(), placed);
}

}  // namespace
}  // namespace kt
