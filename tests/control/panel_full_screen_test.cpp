#include <QCheckBox>
#include <QLabel>
#include <QTest>
#include <QToolButton>

#include "control/control_behaviour.h"
#include "flic_writer.h"
#include "panel_fixture.h"
#include "platform/indexed_present.h"
#include "platform/qt/window_operations.h"

namespace kt::test {
namespace {

// Full-screen playbacks through the panel: the movie window is the display,
// over the whole (1024 x 768) screen, showing the frames fitted to it.
class FullScreenPanelTest : public PanelTest {
 protected:
  static constexpr int kW = 6, kH = 4;

  FullScreenPanelTest() {
    form.SetTick([this] { return services.clock; });
    form.show();
    movie.show();
    Get<QCheckBox>("LoopCheck")->setChecked(false);
    Get<QAbstractButton>("DirectXCheck")->click();
  }

  // Three frames of 6 x 4; pixel (x, y) of frame f holds 1 + x + y * 6 + f, and colour i is (i, 2i, 3i); colour 0 is
  // (5, 6, 7).
  std::string ThreeFrames() {
    FlicSpec spec;
    spec.width = kW;
    spec.height = kH;
    spec.speed = 40;
    std::vector<std::array<uint8_t, 3>> colours = {{5, 6, 7}};
    for (int i = 1; i < 60; ++i) {
      colours.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(2 * i), static_cast<uint8_t>(3 * i)});
    }
    for (int f = 0; f < 3; ++f) {
      Bytes pixels(kW * kH);
      for (int i = 0; i < kW * kH; ++i) pixels[static_cast<size_t>(i)] = static_cast<uint8_t>(1 + i + f);
      spec.records.push_back(f == 0 ? Frame({Color256(colours), FliCopy(pixels)}) : Frame({FliCopy(pixels)}));
    }
    spec.records.push_back(Frame({}));
    return SaveFlic(dir / "three.flc", spec);
  }

  void Play(const std::string& path) {
    services.openAnswers.push_back(path);
    Get<QAbstractButton>("PlayFileButton")->click();
    Get<QAbstractButton>("PlayButton")->click();
  }

  // What a screen pixel must show while frame f is up in the automatic mode
  // for a 6 x 4 flic, 320 x 200 scaled to 1024 x 640 at (0, 64).
  QColor Expected(int x, int y, int frame, int brightness = 0) const {
    const PresentRect place = AspectFit(320, 200, 1024, 768);
    if (y < place.y || y >= place.y + place.height) return QColor(0, 0, 0);
    const int mx = SourceOf(x - place.x, 320, place.width) - (320 - kW) / 2;
    const int my = SourceOf(y - place.y, 200, place.height) - (200 - kH) / 2;
    auto lift = [&](int v) { return std::min(255, v + brightness); };
    if (mx < 0 || mx >= kW || my < 0 || my >= kH) return QColor(lift(5), lift(6), lift(7));
    const int index = 1 + mx + my * kW + frame;
    return QColor(lift(index), lift(2 * index), lift(3 * index));
  }

  void ExpectScreenShows(int frame, int brightness = 0) {
    const QImage shown = movie.DisplayImage().grab().toImage();
    ASSERT_EQ(shown.size(), QSize(1024, 768));
    int wrong = 0;
    for (int y = 0; y < 768; y += 3) {
      for (int x = 0; x < 1024; x += 5) wrong += shown.pixelColor(x, y) != Expected(x, y, frame, brightness);
    }
    // Around the frame, where every pixel counts.
    for (int y = 370; y < 400; ++y) {
      for (int x = 495; x < 530; ++x) wrong += shown.pixelColor(x, y) != Expected(x, y, frame, brightness);
    }
    EXPECT_EQ(wrong, 0) << "frame " << frame;
  }

  TempDir dir;
};

TEST_F(FullScreenPanelTest, FramesFillTheScreenAndTheWindowsComeBackAfterwards) {
  int frames = 0;
  int delivered = 0;
  services.onMessages = [&] {
    // The delivery after each decode, before that frame is shown: the screen holds the one before.
    if (services.processMessagesCalls == delivered) return;
    delivered = services.processMessagesCalls;
    const int current = form.State().Playback.CurrentFrame;
    if (current == 0) return;
    ++frames;
    EXPECT_TRUE(form.isHidden()) << "the control panel makes way";
    EXPECT_TRUE(movie.windowState().testFlag(Qt::WindowFullScreen));
    EXPECT_EQ(movie.geometry(), QRect(0, 0, 1024, 768));
    EXPECT_EQ(movie.cursor().shape(), Qt::BlankCursor);
    ExpectScreenShows(current - 1);
    // A close request (Alt+F4) is refused and leaves full screen as it is.
    EXPECT_FALSE(movie.FormCloseQuery());
    EXPECT_EQ(movie.geometry(), QRect(0, 0, 1024, 768));
    EXPECT_TRUE(movie.windowState().testFlag(Qt::WindowFullScreen));
  };
  Play(ThreeFrames());
  EXPECT_EQ(frames, 2);
  EXPECT_TRUE(services.boxes.empty());
  EXPECT_FALSE(form.State().Playback.Playing);
  EXPECT_FALSE(form.isHidden());
  EXPECT_EQ(form.size(), QSize(form.State().Run.PanelClientWidth, form.State().Run.PanelClientHeight));
  EXPECT_FALSE(movie.windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_EQ(movie.windowState() & kNotNormalStates, Qt::WindowNoState);
  // Where the start of the playback put it: the flic's size, centred on the screen.
  EXPECT_EQ(movie.geometry(), QRect((1024 - kW) / 2, (768 - kH) / 2, kW, kH));
  EXPECT_NE(movie.cursor().shape(), Qt::BlankCursor);
  EXPECT_FALSE(movie.DisplayImage().ShowsFullScreen());
}

TEST_F(FullScreenPanelTest, BrightnessChangesShowAtOnceOnAPausedPicture) {
  int holds = 0;
  services.onMessages = [&] {
    if (!form.State().Playback.Paused && holds == 0) {
      QTest::keyClick(&movie, Qt::Key_X);  // pause
      return;
    }
    if (!services.holding) return;
    if (++holds == 1) {
      ExpectScreenShows(0);
      for (int i = 0; i < 3; ++i) Get<QAbstractButton>("BrightnessRightAdjust")->click();
      ExpectScreenShows(0, 3);
      QTest::keyClick(&movie, Qt::Key_BracketRight);  // five more
      ExpectScreenShows(0, 8);
    } else {
      QTest::keyClick(&movie, Qt::Key_Escape);
    }
    if (holds == 1) QTest::keyClick(&movie, Qt::Key_C);  // one frame on, then holding again
  };
  Play(ThreeFrames());
  EXPECT_EQ(holds, 2);
  EXPECT_TRUE(services.boxes.empty());
  EXPECT_FALSE(form.State().Playback.Playing);
}

TEST_F(FullScreenPanelTest, TheKeysOfTheKeyTableReachThePanelFromTheFullScreenWindow) {
  bool checked = false;
  services.onMessages = [&] {
    if (checked) return;
    checked = true;
    QTest::keyClick(&movie, Qt::Key_F, Qt::AltModifier);
    QTest::keyClick(&movie, Qt::Key_1, Qt::AltModifier);
    EXPECT_TRUE(Get<QCheckBox>("DirXFPSCheck")->isChecked());
    EXPECT_TRUE(Get<QCheckBox>("DirXSurfaceCheck")->isChecked());
    QTest::keyClick(&movie, Qt::Key_L);
    EXPECT_TRUE(Get<QCheckBox>("LoopCheck")->isChecked());
    QTest::keyClick(&movie, Qt::Key_T);  // window output only
    EXPECT_TRUE(Get<QCheckBox>("TitleCheck")->isChecked());
    QTest::keyClick(&movie, Qt::Key_M);
    EXPECT_EQ(movie.geometry(), QRect(0, 0, 1024, 768));
    QTest::keyClick(&movie, Qt::Key_S);
  };
  Play(ThreeFrames());
  EXPECT_TRUE(checked);
  EXPECT_FALSE(form.State().Playback.Playing);
  EXPECT_LT(form.State().Playback.FramesPlayed, 3) << "S stopped the looping playback";
}

TEST_F(FullScreenPanelTest, WordsRunningKeepThePanelWhereItIs) {
  form.State().Playback.CommandRunActive = true;
  bool seen = false;
  services.onMessages = [&] {
    seen = true;
    EXPECT_FALSE(form.isHidden());
  };
  Play(ThreeFrames());
  form.State().Playback.CommandRunActive = false;
  EXPECT_TRUE(seen);
  EXPECT_FALSE(form.isHidden());
}

TEST_F(FullScreenPanelTest, AFailedSetUpIsReportedAndTheNextPlaybackWorks) {
  // The automatic choice for a flic wider than every mode.
  FlicSpec spec;
  spec.width = 1290;
  spec.height = 2;
  spec.speed = 40;
  spec.records = {Frame({Black()}), Frame({})};
  WriteFile(dir / "wide.flc", BuildFlic(spec));
  Play((dir / "wide.flc").string());
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_EQ(services.boxes[0].text, "Flic doesn't fit in screen.");
  EXPECT_FALSE(form.State().Playback.Playing);
  EXPECT_TRUE(Get("PlayButton")->isEnabled());
  EXPECT_FALSE(movie.DisplayImage().ShowsFullScreen());
  EXPECT_FALSE(form.isHidden());

  services.boxes.clear();
  Play(ThreeFrames());
  EXPECT_TRUE(services.boxes.empty());
  EXPECT_EQ(form.State().Playback.FramesPlayed, 3);
  EXPECT_FALSE(movie.windowFlags().testFlag(Qt::FramelessWindowHint));
}

// Full-screen playbacks started by words, on a stored options file.
class FullScreenWordsTest : public WordsPanelTest {};

TEST_F(FullScreenWordsTest, AMaximisedMovieWindowComesBackToItsNormalPlace) {
  WriteFlic("A.FLC");
  movie.show();
  movie.setGeometry(100, 60, 300, 200);
  Run({"/WINMAX", "/DIRECTXON", "/PLAYFILE", "a.flc"});
  EXPECT_TRUE(services.boxes.empty());
  EXPECT_EQ(form.State().Playback.FramesPlayed, 3);
  EXPECT_EQ(movie.windowState() & kNotNormalStates, Qt::WindowNoState);
  EXPECT_EQ(movie.geometry(), QRect(100, 60, 300, 200));
}

TEST_F(FullScreenWordsTest, TheOptionsAnErrorInTheWordsPutOffLoadWhenFullScreenEnds) {
  // The panel's show at the end of the playback loads them while the
  // playback is still being taken down and its palette is gone.
  Store({{"Brightness", Z("5")},
         {"Contrast", Z("15")},
         {"DirectX", Z("1")},
         {"DirXFPS", Z("1")},
         {"ForcedMode", Z("4")}});
  Run({"/DIRECTXON", "/MODE", "x"});
  ASSERT_EQ(services.boxes.size(), 1u);
  ASSERT_TRUE(form.State().Run.SettingsPending);
  services.openAnswers.push_back(WriteFlic("A.FLC"));
  Click("PlayFileButton");
  Click("PlayButton");
  EXPECT_EQ(form.State().Playback.FramesPlayed, 3);
  EXPECT_EQ(services.boxes.size(), 1u) << services.boxes.back().text;
  EXPECT_FALSE(form.State().Run.SettingsPending);
  EXPECT_EQ(Bar("BrightnessBar"), 5);
  EXPECT_EQ(Bar("ContrastBar"), 15);
  EXPECT_TRUE(Checked("DirXFPSCheck"));
  EXPECT_EQ(Get<RadioGroup>("ForceModeRadioGroup")->ItemIndex(), 4);
}

}  // namespace
}  // namespace kt::test
