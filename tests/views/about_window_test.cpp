#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <set>

#include "base/bytes.h"
#include "platform/qt/window_operations.h"
#include "screen_override.h"
#include "views/about_window.h"
#include "views/resources.h"

namespace kt {
namespace {

using test::ScreenOverride;

TEST(AboutPicture, IsAnUncompressed8BitBitmapUsingAll256Colours) {
  EnsureResources();
  QFile file(kAboutPicturePath);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  ASSERT_GE(bytes.size(), 54 + 1024);
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
  EXPECT_EQ(bytes.left(2), "BM");
  EXPECT_EQ(ReadU32(data + 14), 40u);  // the plain info header
  EXPECT_EQ(static_cast<int32_t>(ReadU32(data + 18)), 320);
  EXPECT_EQ(std::abs(static_cast<int32_t>(ReadU32(data + 22))), 240);
  EXPECT_EQ(ReadU16(data + 28), 8);   // bits a pixel
  EXPECT_EQ(ReadU32(data + 30), 0u);  // no compression
  const uint32_t used = ReadU32(data + 46);
  EXPECT_TRUE(used == 0 || used == 256) << used;  // a full table
  const uint32_t pixelsAt = ReadU32(data + 10);
  EXPECT_EQ(pixelsAt, 54u + 1024u);
  ASSERT_EQ(static_cast<uint32_t>(bytes.size()), pixelsAt + 320u * 240u);

  std::set<uint8_t> indices(data + pixelsAt, data + pixelsAt + 320 * 240);
  EXPECT_EQ(indices.size(), 256u);

  const QImage picture(kAboutPicturePath);
  EXPECT_EQ(picture.format(), QImage::Format_Indexed8);
  EXPECT_EQ(picture.colorCount(), 256);
  EXPECT_EQ(picture.size(), QSize(320, 240));
}

TEST(AboutWindow, IsABorderlessCentredPictureOnLime) {
  ScreenOverride screen(1024, 768);
  AboutWindow about;
  about.show();
  EXPECT_TRUE(about.windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_EQ(about.size(), QSize(320, 240));
  EXPECT_EQ(about.pos(), QPoint(352, 264));
  EXPECT_EQ(about.palette().color(QPalette::Window), QColor(0, 255, 0));
  EXPECT_EQ(about.AboutImage().geometry(), QRect(0, 0, 320, 240));
  // What shows is the picture, pixel for pixel.
  const QImage shown = about.grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QImage picture = QImage(kAboutPicturePath).convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(shown, picture);
}

TEST(AboutWindow, KeysWithoutACharacterLeaveItOpen) {
  AboutWindow about;
  about.show();
  QTest::keyClick(&about, Qt::Key_Shift);
  QTest::keyClick(&about, Qt::Key_Up);
  QTest::keyClick(&about, Qt::Key_F1);
  QTest::keyClick(&about, Qt::Key_A, Qt::AltModifier);
  EXPECT_TRUE(about.isVisible());

  QTest::keyClick(&about, Qt::Key_Q, Qt::ShiftModifier);
  EXPECT_FALSE(about.isVisible());
}

TEST(AboutWindow, AnyTypedCharacterClosesIt) {
  AboutWindow about;
  for (Qt::Key key : {Qt::Key_Space, Qt::Key_Escape, Qt::Key_Return, Qt::Key_7, Qt::Key_Tab}) {
    about.show();
    QTest::keyClick(&about, key);
    EXPECT_FALSE(about.isVisible()) << key;
  }
}

TEST(AboutWindow, AClickOnThePictureClosesIt) {
  AboutWindow about;
  about.show();
  QTest::mouseClick(&about.AboutImage(), Qt::LeftButton, Qt::NoModifier, QPoint(160, 120));
  EXPECT_FALSE(about.isVisible());
}

TEST(AboutWindow, ClosingEndsTheModalShow) {
  AboutWindow about;
  QTimer::singleShot(0, &about, [&] {
    QTest::keyClick(&about, Qt::Key_Shift);
    QTest::keyClick(&about, Qt::Key_K);
  });
  ShowModal(about);
  EXPECT_FALSE(about.isVisible());
}

}  // namespace
}  // namespace kt
