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
#include <tuple>

#include "flic/frame_decoder.h"
#include "flic/frame_reader.h"
#include "flic/true_colour_decoder.h"
#include "views/display_image.h"

namespace kt {
namespace {

struct PaintCounter : QObject {
  int part = 0, whole = 0;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint)
      (static_cast<QPaintEvent*>(event)->rect() == static_cast<QWidget*>(watched)->rect() ? whole : part) += 1;
    return false;
  }
};

// Every frame of real flics, 8-bit and true colour, one to one and
// stretched in a window and fitted to a full screen of another aspect: most
// frames are painted in part, only where the lines the decoder names differ,
// and the screen then holds what a whole paint gives (so also a changed line
// the decoder left out would show).
TEST(DisplayImageDamage, PartialPaintsLeaveTheScreenAsAWholePaint) {
  using Placement = DisplayImageControl::Placement;
  // The control's size; the flic's own in a window shows it one to one.
  const std::tuple<const char*, Placement, QSize> cases[] = {
      {KINETROPE_TEST_FLICS "/pil_2422.flc", Placement::Window, {517, 341}},
      {KINETROPE_TEST_FLICS "/ap_ann2.fli", Placement::FullScreen, {700, 380}},
      {KINETROPE_TEST_FLICS "/pil_a.fli", Placement::Window, {320, 200}},
      {KINETROPE_TEST_FLICS "/ap_sun.cel", Placement::FullScreen, {333, 500}},
      {KINETROPE_TRUE_COLOUR_FLICS "/chunks_16.flh", Placement::Window, {101, 77}},
      {KINETROPE_TRUE_COLOUR_FLICS "/runs_24.flh", Placement::FullScreen, {250, 120}}};
  for (const auto& [path, placement, size] : cases) {
    SCOPED_TRACE(path);
    std::ifstream in(path, std::ios::binary);
    FlicFile file = FlicFile::FromBytes({std::istreambuf_iterator<char>(in), {}});
    const OrWhyNot<FlicHeader> read = ReadFlicHeader(file);
    ASSERT_TRUE(read) << read.Reason();
    const FlicHeader& header = *read;
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
    control.resize(size);
    control.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&control));
    PaintCounter paints;
    control.installEventFilter(&paints);
    control.Enter(placement);
    const bool oneToOne = size == QSize(width, height);
    const PresentRect place = placement == Placement::FullScreen ? AspectFit(width, height, size.width(), size.height())
                                                                 : PresentRect{0, 0, oneToOne ? width : size.width(),
                                                                               oneToOne ? height : size.height()};
    ScreenColours colours{};
    for (int f = 0; f <= header.frames; ++f) {
      SCOPED_TRACE(f);
      if (trueColour) {
        DecodeTrueColourFrame(store->Slot(f), deep, events);
      } else {
        DecodeFrame(store->Slot(f), target, events);
      }
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
      whole.Configure(width, height, size.width(), size.height(), place);
      trueColour ? whole.ConvertTrueColour(frame.pixels, frame.stride)
                 : whole.Convert(frame.pixels, frame.stride, colours);
      const QImage want(reinterpret_cast<const uchar*>(whole.Pixels()), size.width(), size.height(),
                        QImage::Format_RGB32);
      const QImage shown = control.screen()
                               ->grabWindow(control.winId(), 0, 0, size.width(), size.height())
                               .toImage()
                               .convertToFormat(QImage::Format_RGB32);
      ASSERT_TRUE(shown == want);
    }
    // Most frames are painted in part (on X past Qt's paint events) and
    // frames that change nothing paint nothing.
    EXPECT_LT(paints.whole * 2, header.frames) << "parts: " << paints.part;
    if (QGuiApplication::platformName() == "xcb" && control.screen()->depth() >= 24) {
      EXPECT_TRUE(control.testAttribute(Qt::WA_PaintOnScreen)) << "the frames went through Qt, not straight to X";
    }
    FreeFrameRange(*store, header.frames);
  }
}

}  // namespace
}  // namespace kt
