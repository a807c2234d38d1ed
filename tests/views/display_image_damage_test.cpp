// Frames painted only where they changed leave the screen as a whole paint
// would; tests/scripts/e2e_damage.sh runs this against a real X server.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPaintEvent>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <fstream>
#include <iterator>

#include "flic/frame_decoder.h"
#include "flic/frame_reader.h"
#include "flic/true_colour_decoder.h"
#include "views/display_image.h"

namespace kt {
namespace {

struct PaintCounter : QObject {
  int part = 0, whole = 0;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      (static_cast<QPaintEvent*>(event)->rect() == static_cast<QWidget*>(watched)->rect() ? whole : part) += 1;
    }
    return false;
  }
};

struct Case {
  const char* path;
  DisplayImageControl::Placement placement;
  QSize size;  // of the control; the flic's own size in a window shows it one to one
};

// Every frame of real flics, 8-bit and true colour, one to one and
// stretched in a window and fitted to a full screen of another aspect: each
// frame changes nothing outside the lines the decoder names, most frames are
// painted in part, and the screen then holds what a whole paint gives.
TEST(DisplayImageDamage, PartialPaintsLeaveTheScreenAsAWholePaint) {
  using Placement = DisplayImageControl::Placement;
  const Case cases[] = {{KINETROPE_TEST_FLICS "/pil_2422.flc", Placement::Window, {517, 341}},
                        {KINETROPE_TEST_FLICS "/ap_ann2.fli", Placement::FullScreen, {700, 380}},
                        {KINETROPE_TEST_FLICS "/pil_a.fli", Placement::Window, {320, 200}},
                        {KINETROPE_TEST_FLICS "/ap_sun.cel", Placement::FullScreen, {333, 500}},
                        {KINETROPE_TRUE_COLOUR_FLICS "/chunks_16.flh", Placement::Window, {101, 77}},
                        {KINETROPE_TRUE_COLOUR_FLICS "/runs_24.flh", Placement::FullScreen, {250, 120}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    std::ifstream in(c.path, std::ios::binary);
    FlicFile file = FlicFile::FromBytes({std::istreambuf_iterator<char>(in), {}});
    FlicHeader header;
    ASSERT_TRUE(ReadFlicHeader(file, header));
    auto store = std::make_unique<FrameStore>();
    ReadWholeFlic(file, header, *store);
    const int width = header.width, height = header.height;
    const bool trueColour = header.IsTrueColour();
    const int unit = trueColour ? (header.pixelBits == 24 ? 3 : 2) : 1;
    std::vector<uint8_t> pixels(header.PixelCount() * unit, 0);
    std::vector<uint32_t> words(header.PixelCount());
    BasePalette palette{};
    ChangedLines changed;
    FrameTarget target{pixels.data(), header.width, header.height, &palette, true, &changed};
    const TrueColourTarget deep{pixels.data(), header.width, header.height, header.pixelBits, &changed};
    DecodeEvents events;
    DisplayImageControl control;
    control.setWindowFlag(Qt::FramelessWindowHint);
    control.resize(c.size);
    control.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&control));
    PaintCounter paints;
    control.installEventFilter(&paints);
    control.Enter(c.placement);
    const bool oneToOne = c.size == QSize(width, height);
    const PresentRect place =
        c.placement == Placement::FullScreen
            ? AspectFit(width, height, c.size.width(), c.size.height())
            : PresentRect{0, 0, oneToOne ? width : c.size.width(), oneToOne ? height : c.size.height()};
    ScreenColours colours{};
    std::vector<uint8_t> before = pixels;
    for (int f = 0; f <= header.frames; ++f) {
      SCOPED_TRACE(f);
      if (trueColour) {
        DecodeTrueColourFrame(store->Slot(f), deep, events);
      } else {
        DecodeFrame(store->Slot(f), target, events);
      }
      const size_t rowBytes = static_cast<size_t>(width) * unit;
      for (int y = 0; y < height; ++y) {
        if (y >= changed.top && y < changed.bottom) continue;
        ASSERT_TRUE(std::equal(pixels.begin() + y * rowBytes, pixels.begin() + (y + 1) * rowBytes,
                               before.begin() + y * rowBytes))
            << "line " << y << " changed outside " << changed.top << "-" << changed.bottom;
      }
      before = pixels;
      ScreenFrame frame{pixels.data(), width, height, width, ScreenPixels::Indexed8, {}, changed};
      if (trueColour) {
        TrueColourToArgb32(pixels.data(), static_cast<uint32_t>(words.size()), header.pixelBits, words.data());
        frame = {
            reinterpret_cast<const uint8_t*>(words.data()), width, height, width * 4, ScreenPixels::Rgb32, {}, changed};
      } else {
        ScreenColours now{};
        for (size_t i = 0; i < now.size(); ++i) {
          now[i] = 0xFF000000u | (uint32_t{palette[i].red} << 16) | (uint32_t{palette[i].green} << 8) | palette[i].blue;
        }
        if (now != colours) control.SetColours(colours = now);
      }
      control.ShowFrame(frame, oneToOne);
      QApplication::processEvents();
      IndexedPresenter whole;
      whole.Configure(width, height, c.size.width(), c.size.height(), place);
      if (trueColour) {
        whole.ConvertTrueColour(frame.pixels, frame.stride);
      } else {
        whole.Convert(frame.pixels, frame.stride, colours);
      }
      const QImage want(reinterpret_cast<const uchar*>(whole.Pixels()), c.size.width(), c.size.height(),
                        QImage::Format_RGB32);
      const QImage shown = control.screen()
                               ->grabWindow(control.winId(), 0, 0, c.size.width(), c.size.height())
                               .toImage()
                               .convertToFormat(QImage::Format_RGB32);
      if (shown != want) {
        ASSERT_EQ(shown.size(), want.size());
        for (int y = 0; y < want.height(); ++y) {
          for (int x = 0; x < want.width(); ++x)
            ASSERT_EQ(shown.pixel(x, y), want.pixel(x, y)) << "at " << x << "," << y;
        }
      }
    }
    // Frames that change nothing paint nothing.
    EXPECT_GT(paints.part, paints.whole) << "whole paints: " << paints.whole;
    FreeFrameRange(*store, header.frames);
  }
}

}  // namespace
}  // namespace kt
