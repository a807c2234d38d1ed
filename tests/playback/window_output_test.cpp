#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <cstring>

#include "base/errors.h"
#include "flic/flic_header.h"
#include "flic/frame_decoder.h"
#include "flic/frame_reader.h"
#include "platform/tick.h"
#include "playback/window_output.h"
#include "player_rig.h"
#include "screen_override.h"
#include "views/movie_window.h"

namespace kt {
namespace {

using test::CentredOn;
using test::ScreenOverride;

QRgb OnScreen(QWidget& window, int x, int y) { return window.grab().toImage().pixel(x, y); }

QRgb Rgb(const RgbColour& colour) { return qRgb(colour.red, colour.green, colour.blue); }

// A movie window, its output and the palettes, set up for a width x height flic
// whose pixel (x, y) holds (x + y * width) mod 256 and whose colour i is distinct.
struct OutputRig {
  ColourState colour;
  MovieWindow movie;
  WindowOutput output{movie, colour};
  uint16_t width, height;

  OutputRig(uint16_t w, uint16_t h) : width(w), height(h) {
    movie.resize(w, h);
    movie.show();
    output.PrepareFrameBuffer(w, h, 8);
    output.CreateFrameBitmap();
    uint8_t* pixels = output.FrameBuffer();
    for (int i = 0; i < w * h; ++i) pixels[i] = static_cast<uint8_t>(i);
    // The colour chunk would run this.
    for (int i = 0; i < 256; ++i) {
      colour.Base[static_cast<size_t>(i)] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                                             static_cast<uint8_t>((i * 7) % 200)};
    }
    Apply();
  }
  ~OutputRig() { output.TearDown(); }
  // What a colour chunk or a bar moved does.
  void Apply() {
    BuildPalette(colour.Base, colour.Adjustment, colour.Display);
    output.SetColours(ToScreenColours(colour.Display.colourTable));
  }
  RgbColour Shown(int x, int y) const { return colour.Base[static_cast<size_t>((x + y * width) % 256)]; }
};

TEST(WindowOutput, ASetUpWithoutItsTearDownLeavesNothingStale) {
  OutputRig rig(12, 6);
  rig.output.PaintFrame();
  // An error between set-up and tear-down, then the next playback's set-up.
  rig.output.PrepareFrameBuffer(10, 5, 8);
  rig.output.CreateFrameBitmap();
  SetBrightness(rig.colour.Adjustment, 10);
  rig.Apply();
  rig.movie.grab();  // draws nothing from the buffer that went away
  rig.output.PaintFrame();
  EXPECT_EQ(OnScreen(rig.movie, 0, 0), qRgb(10, 255, 10)) << "the new playback's first frame";

  rig.output.TearDown();
  // Between playbacks the colours have no frame to go to.
  rig.Apply();
  rig.movie.grab();
}

TEST(WindowOutput, CopiesOneToOneAtTheFlicSizeAndStretchesOtherwise) {
  OutputRig rig(32, 16);
  rig.output.PaintFrame();
  const QImage oneToOne = rig.movie.grab().toImage();
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 32; ++x) ASSERT_EQ(oneToOne.pixel(x, y), Rgb(rig.Shown(x, y))) << x << "," << y;
  }

  // Twice as wide, three times as high: the aspect is not kept.
  rig.movie.resize(64, 48);
  rig.output.PaintFrame();
  const QImage stretched = rig.movie.grab().toImage();
  ASSERT_EQ(stretched.size(), QSize(64, 48));
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 32; ++x) {
      ASSERT_EQ(stretched.pixel(2 * x, 3 * y), Rgb(rig.Shown(x, y))) << x << "," << y;
      ASSERT_EQ(stretched.pixel(2 * x + 1, 3 * y + 2), Rgb(rig.Shown(x, y))) << x << "," << y;
    }
  }
}

TEST(WindowOutput, LastFrameStaysInThePictureAfterThePlayback) {
  OutputRig rig(40, 20);
  rig.output.PaintFrame();
  rig.output.PaintFinalFrame();
  rig.output.TearDown();
  EXPECT_EQ(rig.output.Picture().pixels, nullptr);

  // Covered and uncovered: the window draws itself again from its picture.
  rig.movie.hide();
  rig.movie.show();
  EXPECT_EQ(OnScreen(rig.movie, 7, 3), Rgb(rig.Shown(7, 3)));
  EXPECT_EQ(OnScreen(rig.movie, 39, 19), Rgb(rig.Shown(39, 19)));

  // Resized afterwards, the picture is stretched with the window.
  rig.movie.resize(80, 40);
  EXPECT_EQ(OnScreen(rig.movie, 14, 6), Rgb(rig.Shown(7, 3)));
  EXPECT_EQ(OnScreen(rig.movie, 79, 39), Rgb(rig.Shown(39, 19)));
}

TEST(WindowOutput, FinalPaintOfAStretchedWindowKeepsTheStretch) {
  OutputRig rig(20, 10);
  rig.movie.resize(60, 20);
  rig.output.PaintFinalFrame();
  EXPECT_EQ(rig.movie.DisplayImage().Picture().size(), QSize(60, 20));
  EXPECT_EQ(OnScreen(rig.movie, 3 * 5 + 2, 2 * 4 + 1), Rgb(rig.Shown(5, 4)));
}

TEST(WindowOutput, BrightnessAndContrastChangeTheColoursShownNeverThePixels) {
  OutputRig rig(16, 8);
  const uint8_t* pixels = rig.output.Picture().pixels;
  const std::vector<uint8_t> before(pixels, pixels + 16 * 8);

  SetBrightness(rig.colour.Adjustment, 100);
  rig.Apply();
  rig.output.PaintFrame();
  // Pixel (5, 1) holds 21: base colour (21, 234, 147).
  EXPECT_EQ(OnScreen(rig.movie, 5, 1), qRgb(121, 255, 247));

  SetContrast(rig.colour.Adjustment, 20);  // factor 2.0
  SetBrightness(rig.colour.Adjustment, 0);
  rig.Apply();
  rig.output.PaintFrame();
  EXPECT_EQ(OnScreen(rig.movie, 5, 1), qRgb(42, 255, 255));

  const std::vector<uint8_t> after(pixels, pixels + 16 * 8);
  EXPECT_EQ(before, after);
  EXPECT_EQ(rig.colour.Base[21], (RgbColour{21, 234, 147}));
}

// A true-colour picture takes new colours in the lines the decoder changed
// and names them; new brightness converts it whole.
TEST(WindowOutput, ATrueColourPictureConvertsTheChangedLinesAndAllForNewLevels) {
  ColourState colour;
  MovieWindow movie;
  WindowOutput output(movie, colour);
  output.PrepareFrameBuffer(3, 4, 24);
  output.CreateFrameBitmap();
  auto word = [](const ScreenFrame& picture, int i) { return reinterpret_cast<const uint32_t*>(picture.pixels)[i]; };
  EXPECT_EQ(output.Picture().changed, std::nullopt) << "the first picture";
  std::memset(output.FrameBuffer() + 9, 0x80, 18);  // lines 1 and 2
  output.Changed(ChangedLines{1, 3});
  const ScreenFrame picture = output.Picture();
  EXPECT_EQ(picture.changed, (ChangedLines{1, 3}));
  EXPECT_EQ(word(picture, 3), 0xFF808080u);
  SetBrightness(colour.Adjustment, 100);
  output.SetLevels(MakeChannelLevels(colour.Adjustment));
  EXPECT_EQ(output.Picture().changed, std::nullopt);
  EXPECT_NE(word(output.Picture(), 0), 0xFF000000u);
  output.TearDown();
}

// The play command's host, as far as window output needs one.
class MovieHost : public test::QuietPlaybackHost {
 public:
  MovieHost(MovieWindow& movie, PlaybackState& playback) : movie_(movie), playback_(playback) {}
  void SizeMovieWindow(int width, int height) override {
    kt::SizeMovieWindow(movie_, playback_.MovieZoomed, static_cast<uint16_t>(width), static_cast<uint16_t>(height));
  }
  void SetMovieCaption(const std::string& caption) override { movie_.SetCaption(caption); }
  void ShowMovieWindowIfHidden() override {
    if (!movie_.isVisible()) movie_.show();
  }

 private:
  MovieWindow& movie_;
  PlaybackState& playback_;
};

// The image and colours of the last frame, decoded here without the player.
QImage LastFrameOf(const std::string& path) {
  OrWhyNot<OpenedFlic> opened = OpenFlic(path);
  EXPECT_TRUE(opened.has_value());
  if (!opened) return {};
  const FlicHeader& header = opened->header;
  auto store = std::make_unique<FrameStore>();
  ReadWholeFlic(opened->file, header, *store);
  std::vector<uint8_t> pixels(header.PixelCount());
  BasePalette palette{};
  FrameTarget target{pixels.data(), header.width, header.height, &palette, true};
  DecodeEvents events;
  for (int frame = 0; frame < header.frames; ++frame) DecodeFrame(store->Slot(frame), target, events);
  FreeFrameRange(*store, header.frames);
  QImage image(header.width, header.height, QImage::Format_RGB32);
  for (int y = 0; y < header.height; ++y) {
    for (int x = 0; x < header.width; ++x) image.setPixel(x, y, Rgb(palette[pixels[y * header.width + x]]));
  }
  return image;
}

TEST(WindowOutput, ThePlayedDemoEndsOnScreenInItsOwnColours) {
  ScreenOverride screen(1024, 768);
  const std::string demo = std::string(KINETROPE_SOURCE_DIR) + "/demo/demo.flc";
  test::PlayerState player;
  MovieWindow movie;
  MovieHost host(movie, player.state);
  WindowOutput output(movie, player.colour);
  SoundAccompaniment sound;
  PlayCommand command(player.Parts(host, output, sound, [] { return GetTickCount(); }));
  player.state.DiskFlicName = demo;
  player.state.FrameDelay = 0;

  command.PlayFromDisk();

  EXPECT_TRUE(player.services.boxes.empty());
  EXPECT_FALSE(player.state.Playing);
  EXPECT_EQ(movie.windowTitle().toStdString(), demo);
  EXPECT_EQ(movie.size(), QSize(320, 200));
  EXPECT_EQ(movie.frameGeometry().topLeft(), CentredOn(movie, 1024, 768));
  EXPECT_EQ(output.Picture().pixels, nullptr);
  const QImage expected = LastFrameOf(demo);
  const QImage shown = movie.grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(shown.size(), expected.size());
  int wrong = 0;
  for (int y = 0; y < expected.height(); ++y) {
    for (int x = 0; x < expected.width(); ++x) wrong += shown.pixel(x, y) != expected.pixel(x, y);
  }
  EXPECT_EQ(wrong, 0);
}

}  // namespace
}  // namespace kt

namespace kt {
namespace {

// Counts the paints of a widget, so a test sees that one is on its way.
struct PaintCounter : QObject {
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

TEST(WindowOutput, ANewPaletteRepaintsAPausedFrameWithoutWaitingForTheNext) {
  OutputRig rig(16, 8);
  rig.output.PaintFrame();
  QApplication::processEvents();
  PaintCounter counter;
  rig.movie.DisplayImage().installEventFilter(&counter);
  SetBrightness(rig.colour.Adjustment, 100);
  rig.Apply();
  QApplication::processEvents();  // what a paused playback's hold does; no PaintFrame
  rig.movie.DisplayImage().removeEventFilter(&counter);
  EXPECT_GE(counter.paints, 1);
  EXPECT_EQ(OnScreen(rig.movie, 5, 1), qRgb(121, 255, 247));
}

TEST(WindowOutput, OddWidthsShowEveryPixelOneToOneAndStretched) {
  OutputRig rig(13, 5);
  rig.output.PaintFrame();
  QImage shown = rig.movie.grab().toImage();
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 13; ++x) ASSERT_EQ(shown.pixel(x, y), Rgb(rig.Shown(x, y))) << x << "," << y;
  }
  rig.movie.resize(33, 12);  // 2.54 and 2.4 times: nearest pixels, not whole multiples
  QApplication::processEvents();
  rig.output.PaintFrame();
  shown = rig.movie.grab().toImage();
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 33; ++x) ASSERT_EQ(shown.pixel(x, y), Rgb(rig.Shown(x * 13 / 33, y * 5 / 12))) << x << "," << y;
  }
}

}  // namespace
}  // namespace kt
