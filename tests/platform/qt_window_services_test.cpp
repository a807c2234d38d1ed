#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "platform/qt/qt_window_services.h"

namespace kt {
namespace {

TEST(QtWindowServices, FiltersKeepTheirLabelsAndPatterns) {
  const QStringList filters = ToQtNameFilters(kFlicOpenFilter);
  ASSERT_EQ(filters.size(), 5);
  EXPECT_EQ(filters[0].toStdString(), "Known formats (*.flc,*.fli,*.cel) (*.flc *.fli *.cel)");
  EXPECT_EQ(filters[3].toStdString(), "Animator pro cel files (*.cel) (*.cel)");
  EXPECT_EQ(ToQtNameFilters(kBitmapSaveFilter)[1].toStdString(), "All files (*.*) (*.*)");
}

TEST(QtWindowServices, BusyCursorIsSetOnceAndRestored) {
  QtWindowServices services;
  services.SetBusyCursor(true);
  services.SetBusyCursor(true);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  services.SetBusyCursor(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(QtWindowServices, WaitsEndAtTheirDeadlineOrAtTheFirstMessage) {
  QtWindowServices services;
  QElapsedTimer clock;
  for (int i = 0; i < 3; ++i) {
    // Messages already waiting would end the wait at once.
    services.ProcessMessages();
    clock.start();
    services.WaitForMessages(30);
    EXPECT_GE(clock.elapsed(), 30) << "wait " << i;
  }
  // A message ends a timed wait early; the deadline it leaves must not end
  // the next wait, which lasts until its own message.
  services.ProcessMessages();
  clock.start();
  QTimer::singleShot(10, [] {});
  services.WaitForMessages(100);
  QTimer::singleShot(300, [] {});
  services.WaitForMessages(kWaitForever);
  EXPECT_GE(clock.elapsed(), 300);
}

}  // namespace
}  // namespace kt
