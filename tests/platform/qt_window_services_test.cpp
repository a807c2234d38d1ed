#include <gtest/gtest.h>

#include <QApplication>

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

}  // namespace
}  // namespace kt
