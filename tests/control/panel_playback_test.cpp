#include <QCheckBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "control/control_behaviour.h"
#include "flic_writer.h"
#include "panel_fixture.h"

namespace kt::test {
namespace {

// Playbacks driven through the panel's buttons; the scripted services stand
// in for the user between frames and keep the clock.
class PlaybackTest : public PanelTest {
 protected:
  PlaybackTest() {
    form.SetTick([this] { return services.clock; });
    movie.show();
  }

  std::string WriteFlic(const std::string& name, std::vector<FrameSpec> records) {
    FlicSpec spec;
    spec.width = 6;  // not a multiple of 4: the rows are copied into the padded bitmap
    spec.height = 4;
    spec.speed = 40;
    spec.records = std::move(records);
    return SaveFlic(dir / name, spec);
  }
  std::string ThreeFrames(const std::string& name = "three.flc") {
    return WriteFlic(name, {Frame({Color256({{10, 20, 30}}), Black()}), Frame({}), Frame({}), Frame({})});
  }
  void LoadIntoMemory(const std::string& path) {
    services.openAnswers.push_back(path);
    Click("LoadButton");
    ASSERT_TRUE(form.State().Flic.FlicInMemory);
  }

  TempDir dir;
};

TEST_F(PlaybackTest, APlaybackLocksTheControlsThatWouldDisturbItAndGivesThemBack) {
  LoadIntoMemory(ThreeFrames());
  Get<QCheckBox>("LoopCheck")->setChecked(false);
  std::map<std::string, bool> during;
  services.onMessages = [&] {
    if (!during.empty()) return;
    for (const char* control : {"StopButton", "PauseButton", "LoadButton", "PlayFileButton", "AboutButton",
                                "PlayButton", "RecordButton", "DirectXCheck"}) {
      during[control] = Enabled(control);
    }
  };
  Click("PlayButton");

  EXPECT_TRUE(during["StopButton"]);
  EXPECT_TRUE(during["PauseButton"]);
  for (const char* control :
       {"LoadButton", "PlayFileButton", "AboutButton", "PlayButton", "RecordButton", "DirectXCheck"}) {
    EXPECT_FALSE(during[control]) << control;
    EXPECT_TRUE(Enabled(control)) << control;
  }
  EXPECT_FALSE(Enabled("StopButton"));
  EXPECT_FALSE(Enabled("PauseButton"));
  EXPECT_FALSE(form.State().Playback.Playing);
  EXPECT_EQ(form.State().Playback.FramesPlayed, 3);
  auto* frameBar = Get<TrackBar>("FrameBar");
  EXPECT_EQ(frameBar->maximum(), 2);
  EXPECT_EQ(frameBar->pageStep(), 0);
  EXPECT_TRUE(services.boxes.empty());
  // The last frame stays in the movie window's picture, in the flic's colours.
  EXPECT_EQ(movie.DisplayImage().grab().toImage().pixelColor(0, 0), QColor(10, 20, 30));
}

TEST_F(PlaybackTest, APauseShowsTheFrameBarAndTheUsersMoveOfItJumps) {
  LoadIntoMemory(ThreeFrames());
  Get<QCheckBox>("LoopCheck")->setChecked(false);
  std::vector<std::string> holds;
  services.onMessages = [&] {
    if (!form.State().Playback.Paused && holds.empty()) {
      Click("PauseButton");
      return;
    }
    if (!services.holding) return;
    holds.push_back(Text("FrameLabel"));
    EXPECT_FALSE(Get("FrameBar")->isHidden());
    EXPECT_FALSE(Get("FirstFrameLabel")->isHidden());
    EXPECT_TRUE(Enabled("FrameFButton"));
    EXPECT_TRUE(Enabled("FrameBButton"));
    if (holds.size() == 1) {
      QTest::keyClick(Get<TrackBar>("FrameBar"), Qt::Key_Right);  // the user's move: a jump to frame 2
    } else {
      Click("StopButton");
    }
  };
  Click("PlayButton");
  EXPECT_EQ(holds, (std::vector<std::string>{"1/3", "2/3"}));
  EXPECT_TRUE(Get("FrameBar")->isHidden());
  EXPECT_FALSE(Enabled("FrameFButton"));
  EXPECT_FALSE(form.State().Playback.Paused);
  EXPECT_FALSE(form.State().Playback.Playing);
}

TEST_F(PlaybackTest, TheDelayBarAndItsArrows) {
  LoadIntoMemory(ThreeFrames());
  Click("SpeedLeftAdjust");
  EXPECT_EQ(Get<TrackBar>("SpeedBar")->value(), 999);
  EXPECT_EQ(Text("SpeedLabel"), "999ms");
  EXPECT_EQ(form.State().Playback.FrameDelay, 999);
  Get<TrackBar>("SpeedBar")->setValue(0);
  Click("SpeedLeftAdjust");
  EXPECT_EQ(Text("SpeedLabel"), "None");
  Get<TrackBar>("SpeedBar")->setValue(999);
  Click("SpeedRightAdjust");
  Click("SpeedRightAdjust");
  EXPECT_EQ(Get<TrackBar>("SpeedBar")->value(), 1000);
  EXPECT_EQ(Text("SpeedLabel"), "Original");
  EXPECT_EQ(form.State().Playback.FrameDelay, 40);
}

TEST_F(PlaybackTest, QuittingDuringAPlaybackEndsTheProgramOnceTheLoopHasStopped) {
  LoadIntoMemory(ThreeFrames());
  QSignalSpy closed(&form, &ControlPanel::Closed);
  form.show();
  bool playingAtQuit = false;
  services.onMessages = [&] {
    if (form.State().Playback.QuitAfterPlayback) return;
    Click("QuitButton");
    playingAtQuit = form.State().Playback.Playing && closed.count() == 0;
  };
  Click("PlayButton");
  EXPECT_TRUE(playingAtQuit);
  EXPECT_EQ(closed.count(), 1);
  EXPECT_FALSE(form.State().Flic.FlicInMemory);  // the close handling ran
}

TEST_F(PlaybackTest, AWindowSystemCloseDuringAPlaybackWaitsForTheLoopToStop) {
  LoadIntoMemory(ThreeFrames());
  QSignalSpy closed(&form, &ControlPanel::Closed);
  form.show();
  int frames = 0;
  services.onMessages = [&] {
    if (++frames == 1) form.close();
    // Every later frame still finds its data in memory.
    EXPECT_TRUE(form.State().Flic.FlicInMemory);
  };
  Click("PlayButton");
  EXPECT_GT(frames, 1);
  EXPECT_EQ(closed.count(), 1);
  EXPECT_FALSE(form.State().Flic.FlicInMemory);
  EXPECT_TRUE(services.boxes.empty());
}

TEST_F(PlaybackTest, AbortAtAnUnknownChunkEndsTheProgramWithoutTheCloseHandling) {
  LoadIntoMemory(WriteFlic("odd.flc", {Frame({ChunkSpec{99, {1, 2}, {}}}), Frame({})}));
  QSignalSpy closed(&form, &ControlPanel::Closed);
  services.boxAnswers.push_back(BoxButton::Abort);
  Click("PlayButton");
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_EQ(services.boxes[0].caption, "Error");
  EXPECT_EQ(services.boxes[0].text, "Unknown chunk type! (99) continue?");
  EXPECT_FALSE(form.State().Playback.Playing);
  EXPECT_EQ(closed.count(), 0);
  EXPECT_TRUE(form.State().Flic.FlicInMemory);
}

TEST_F(PlaybackTest, AFlicChosenForPlayingFromDiskReplacesTheOneInMemory) {
  LoadIntoMemory(ThreeFrames("first.flc"));
  const std::string second = ThreeFrames("second.flc");
  services.openAnswers.push_back(second);
  Click("PlayFileButton");
  EXPECT_FALSE(form.State().Flic.FlicInMemory);
  EXPECT_EQ(movie.windowTitle(), "");
  Get<QCheckBox>("LoopCheck")->setChecked(false);
  Click("PlayButton");
  EXPECT_TRUE(services.boxes.empty());
  EXPECT_EQ(movie.windowTitle().toStdString(), second);
  EXPECT_EQ(Text("StatusCaption"), "File selected");
  EXPECT_EQ(form.State().Playback.FramesPlayed, 3);
}

}  // namespace
}  // namespace kt::test
