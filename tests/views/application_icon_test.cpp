#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include "views/resources.h"

namespace kt {
namespace {

// The program's icon comes at every size the desktop's icon theme asks for,
// each drawn for its size rather than scaled from another: a clear corner
// around an opaque reel.
TEST(ApplicationIcon, HoldsEveryThemeSizeWithAClearCornerAndAnOpaqueReel) {
  const QIcon icon = ApplicationIcon();
  const QList<QSize> sizes = icon.availableSizes();
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    SCOPED_TRACE(size);
    EXPECT_TRUE(sizes.contains(QSize(size, size)));
    const QImage image = icon.pixmap(QSize(size, size)).toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(image.size(), QSize(size, size));
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 4)), 255);
  }
}

}  // namespace
}  // namespace kt
