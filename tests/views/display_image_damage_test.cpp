// Frames painted only where they changed must leave the screen exactly as a
// whole paint would. Run by the end-to-end script on a real X server too,
// where the screen is what the server holds.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QPaintEvent>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QVBoxLayout>
#include <QWindow>
#include <fstream>
#include <iterator>

#include "colour/base_palette.h"
#include "flic/frame_decoder.h"
#include "flic/frame_reader.h"
#include "views/display_image.h"

namespace kt {
namespace {

std::vector<uint8_t> ReadBytes(const std::string& name) {
  std::ifstream in(std::string(KINETROPE_TEST_FLICS) + "/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Counts the paints that covered less than the whole control.
struct PaintCounter : QObject {
  int part = 0;
  int whole = 0;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      const auto* widget = static_cast<QWidget*>(watched);
      (static_cast<QPaintEvent*>(event)->rect() == widget->rect() ? whole : part) += 1;
    }
    return false;
  }
};

// What a whole paint shows at each pixel: the nearest source pixel of the
// picture's place, black around it.
QImage WholePaint(const std::vector<uint8_t>& pixels, int width, int height, const ScreenColours& colours, QSize size,
                  PresentRect place) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(QColor(0, 0, 0));
  for (int y = 0; y < place.height; ++y) {
    const int sy = SourceOf(y, height, place.height);
    auto* row = reinterpret_cast<uint32_t*>(image.scanLine(place.y + y));
    for (int x = 0; x < place.width; ++x)
      row[place.x + x] = colours[pixels[sy * width + SourceOf(x, width, place.width)]];
  }
  return image;
}

QImage OnScreen(QWidget& window, QWidget& control) {
  const QPoint at = control.mapTo(&window, QPoint(0, 0));
  return window.screen()
      ->grabWindow(window.winId(), at.x(), at.y(), control.width(), control.height())
      .toImage()
      .convertToFormat(QImage::Format_RGB32);
}

// Every frame of real flics, shown stretched in a window and fitted to a
// full screen of another aspect: each frame's change lies inside the area
// the decoder reports, the control paints only part of itself for most
// frames, and what is on the screen afterwards equals a whole paint.
TEST(DisplayImageDamage, PartialPaintsLeaveTheScreenAsAWholePaint) {
  struct Case {
    const char* flic;
    DisplayImageControl::Placement placement;
    QSize size;
  };
  const Case cases[] = {
      {"pil_2422.flc", DisplayImageControl::Placement::Window, {517, 341}},
      {"ap_ann2.fli", DisplayImageControl::Placement::FullScreen, {700, 380}},
      {"pil_a.fli", DisplayImageControl::Placement::Window, {213, 151}},
      {"ap_sun.cel", DisplayImageControl::Placement::FullScreen, {333, 500}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flic);
    FlicFile file = FlicFile::FromBytes(ReadBytes(c.flic));
    FlicHeader header;
    ASSERT_TRUE(ReadFlicHeader(file, header));
    auto store = std::make_unique<FrameStore>();
    ReadWholeFlic(file, header, *store);
    const int width = header.width;
    const int height = header.height;
    std::vector<uint8_t> pixels(header.PixelCount(), 0);
    BasePalette palette{};
    ChangedArea changed;
    FrameTarget target;
    target.pixels = pixels.data();
    target.width = header.width;
    target.height = header.height;
    target.palette = &palette;
    target.changed = &changed;
    DecodeEvents events;

    QWidget window;
    window.setWindowFlag(Qt::FramelessWindowHint);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* control = new DisplayImageControl(&window);
    layout->addWidget(control);
    window.resize(c.size);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    PaintCounter paints;
    control->installEventFilter(&paints);
    control->Enter(c.placement);
    const PresentRect place = c.placement == DisplayImageControl::Placement::FullScreen
                                  ? AspectFit(width, height, c.size.width(), c.size.height())
                                  : PresentRect{0, 0, c.size.width(), c.size.height()};

    std::vector<uint8_t> before = pixels;
    ScreenColours colours{};
    for (int f = 0; f <= header.frames; ++f) {
      SCOPED_TRACE(f);
      DecodeFrame(store->Slot(f), target, events);
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
          const bool inside = x >= changed.left && x < changed.right && y >= changed.top && y < changed.bottom;
          if (!inside && pixels[y * width + x] != before[y * width + x])
            FAIL() << "outside the area at " << x << "," << y;
        }
      }
      before = pixels;
      ScreenColours now{};
      for (size_t i = 0; i < now.size(); ++i) {
        now[i] = 0xFF000000u | (uint32_t{palette[i].red} << 16) | (uint32_t{palette[i].green} << 8) | palette[i].blue;
      }
      // The player hands new colours over before the frame that brought them.
      if (now != colours) control->SetColours(now);
      colours = now;
      ScreenFrame frame{pixels.data(), width, height, width, {}, changed};
      control->ShowFrame(frame);
      QApplication::processEvents();
      const QImage want = WholePaint(pixels, width, height, colours, c.size, place);
      ASSERT_EQ(OnScreen(window, *control), want);
    }
    EXPECT_GT(paints.part, header.frames / 2) << "whole paints: " << paints.whole;
    FreeFrameRange(*store, header.frames);
  }
}

}  // namespace
}  // namespace kt
