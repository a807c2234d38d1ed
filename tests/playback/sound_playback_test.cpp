#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "playback/wav_accompaniment.h"
#include "player_rig.h"
#include "wav_writer.h"

namespace kt {
namespace {

using test::Bytes;
using test::FlicSpec;
using test::NumberedFlic;
using test::WavFormat;

bool AudioInitialised() { return SDL_WasInit(SDL_INIT_AUDIO) != 0; }

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The frames of a playback go by in no real time, the sound in real time.
// Frame 0 starts the sound; a test that needs the sound to have played on
// or to have ended waits for that in real time.
class SoundPlaybackTest : public ::testing::Test, protected test::PlayerRig<WavAccompaniment> {
 protected:
  static constexpr WavFormat kFormat{8000, 1, 16};
  test::TempDir dir;
  test::DiskAudio disk{dir / "written.raw"};

  MediaMode Mode() const { return sound.Player().Mode(); }

  // A sound of `frames` frames at 8000 Hz whose samples say where they are.
  std::string WriteWav(uint32_t frames, const std::string& name = "sound.wav") {
    const std::string path = (dir / name).string();
    test::WriteFile(path, test::BuildWav(kFormat, test::CountingSamples(kFormat, frames)));
    return path;
  }

  void PlayFromDisk(const FlicSpec& spec) {
    state.DiskFlicName = (dir / "anim.flc").string();
    test::WriteFile(state.DiskFlicName, test::BuildFlic(spec));
    play.PlayFromDisk();
  }

  // A guard against a hang, not a timing check.
  bool WaitForTheSoundsEnd() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (Mode() == MediaMode::Playing) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      Pause(5);
    }
    return true;
  }

  std::vector<std::vector<uint32_t>> Runs() const { return test::PlayedRuns(disk.Written()); }
};

TEST_F(SoundPlaybackTest, SoundStartsWithFrameZeroAndStopsWithTheNaturalEnd) {
  const uint32_t frames = 8000;  // 1 s, longer than the playback
  state.WavFileName = WriteWav(frames);
  MediaMode atSetUp = MediaMode::NotOpen, atFrameZero = MediaMode::NotOpen;
  output.onBitmapCreated = [&] { atSetUp = Mode(); };
  output.onPainted = [&](size_t count) {
    if (count == 1) atFrameZero = Mode();
    if (count == 5) Pause(100);  // the sound plays a little while the last frame is up
  };
  PlayFromDisk(NumberedFlic(5));

  EXPECT_EQ(atSetUp, MediaMode::Stopped) << "open at the set-up, not yet started";
  EXPECT_EQ(atFrameZero, MediaMode::Playing);
  EXPECT_EQ(output.painted, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(Mode(), MediaMode::NotOpen) << "closed at the end";
  EXPECT_FALSE(AudioInitialised());
  EXPECT_TRUE(state.WavFileName.empty());
  const auto runs = Runs();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].front(), 0u) << "from the start of the sound";
  EXPECT_LT(runs[0].back(), frames - 1) << "stopped with the playback, before its own end";
}

TEST_F(SoundPlaybackTest, StopStopsAndClosesTheSound) {
  const uint32_t frames = 8000;
  state.WavFileName = WriteWav(frames);
  host.loop = true;
  output.onPainted = [&](size_t count) {
    if (count == 7) {
      Pause(100);
      play.Stop();
    }
  };
  PlayFromDisk(NumberedFlic(3));
  EXPECT_EQ(output.painted.size(), 7u);
  EXPECT_EQ(Mode(), MediaMode::NotOpen);
  EXPECT_FALSE(AudioInitialised());
  const auto runs = Runs();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].front(), 0u);
  EXPECT_LT(runs[0].back(), frames - 1);
}

// A looping flic of 4 frames with a sound that outlasts two passes: the sound
// runs on across the first two loop points and, having ended during the
// third pass, starts again from its beginning at the third loop point.
TEST_F(SoundPlaybackTest, LongSoundRunsOnAcrossLoopPointsAndStartsAgainAfterItsEnd) {
  const uint32_t frames = 8000;
  state.WavFileName = WriteWav(frames);
  host.loop = true;
  // Painted: 0 1 2 3 ring | 1 2 3 ring | 1 2 3 ring | 1 2 3 ...
  const size_t ringOfPass[] = {5, 9, 13};
  std::vector<MediaMode> beforeLoopPoint, afterLoopPoint;
  output.onPainted = [&](size_t count) {
    if (count == ringOfPass[0] || count == ringOfPass[1]) {
      Pause(40);
      beforeLoopPoint.push_back(Mode());
    }
    if (count == ringOfPass[2]) {
      ASSERT_TRUE(WaitForTheSoundsEnd());
      beforeLoopPoint.push_back(Mode());
    }
    if (count == ringOfPass[0] + 1 || count == ringOfPass[1] + 1 || count == ringOfPass[2] + 1) {
      afterLoopPoint.push_back(Mode());
    }
    if (count == ringOfPass[2] + 3) {
      Pause(60);
      play.Stop();
    }
  };
  PlayFromDisk(NumberedFlic(4));

  EXPECT_EQ(beforeLoopPoint, (std::vector<MediaMode>{MediaMode::Playing, MediaMode::Playing, MediaMode::Stopped}));
  EXPECT_EQ(afterLoopPoint, (std::vector<MediaMode>(3, MediaMode::Playing)));
  const auto runs = Runs();
  ASSERT_EQ(runs.size(), 2u) << "one run through the first two loop points, one after the third";
  EXPECT_EQ(runs[0].front(), 0u);
  EXPECT_EQ(runs[0].size(), frames) << "the whole sound, once, without a jump";
  EXPECT_EQ(runs[1].front(), 0u) << "started again from the beginning";
  EXPECT_LT(runs[1].size(), frames);
}

// Pausing holds the picture, not the sound; a reposition that lands on frame
// 0 starts the sound again even while paused.
class RepositionTest : public SoundPlaybackTest, public ::testing::WithParamInterface<bool> {};

TEST_P(RepositionTest, ToFrameZeroRestartsTheSoundWhilePaused) {
  const bool withFrameBar = GetParam();
  const uint32_t frames = 800;  // 0.1 s
  state.WavFileName = WriteWav(frames);
  output.onPainted = [&](size_t count) {
    if (count == 2) play.PauseOrResume();  // holds at frame 1
  };
  int holds = 0;
  MediaMode heldAtFrameZero = MediaMode::NotOpen;
  services.onMessages = [&] {
    if (!services.holding) return;
    ++holds;
    if (holds == 1) {
      EXPECT_EQ(output.painted.back(), 1);
      ASSERT_TRUE(WaitForTheSoundsEnd()) << "the sound plays on under the paused picture";
      if (withFrameBar) {
        play.GoToFrame(0);
      } else {
        play.StepBack();
      }
    } else if (output.painted.back() == 0) {
      heldAtFrameZero = Mode();
      Pause(40);
      play.Stop();
    }
  };
  PlayFromDisk(NumberedFlic(5));

  EXPECT_EQ(output.painted, (std::vector<int>{0, 1, 0}));
  EXPECT_EQ(heldAtFrameZero, MediaMode::Playing);
  EXPECT_EQ(Mode(), MediaMode::NotOpen);
  const auto runs = Runs();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].size(), frames);
  EXPECT_EQ(runs[1].front(), 0u);
}

INSTANTIATE_TEST_SUITE_P(StepBackOrFrameBar, RepositionTest, ::testing::Values(false, true),
                         [](const auto& info) { return std::string(info.param ? "FrameBar" : "StepBack"); });

// A sound that cannot be played ends the playback before its first frame with
// the reason; the player is left as after any playback, and the next one plays.
TEST_F(SoundPlaybackTest, UnplayableSoundStopsThePlaybackBeforeAnyFrame) {
  const Bytes whole = test::BuildWav(kFormat, test::CountingSamples(kFormat, 800));
  test::WriteFile(dir / "cut.wav", Bytes(whole.begin(), whole.begin() + 500));
  test::WriteFile(dir / "text.wav", Bytes(100, 'x'));
  const std::string good = WriteWav(800, "good.wav");
  struct Case {
    std::string wav;
    std::string why;
    const char* driver;
  };
  const Case cases[] = {
      {(dir / "nosuch.wav").string(), "the file does not exist", "disk"},
      {(dir / "cut.wav").string(), "the WAV file is damaged", "disk"},
      {(dir / "text.wav").string(), "it is not a WAV file", "disk"},
      {good, "no audio device could be opened", "no-such-driver"},
  };
  int tearDowns = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.wav + " " + c.why);
    output.painted.clear();
    state.WavFileName = c.wav;
    {
      test::ScopedEnv driver("SDL_AUDIODRIVER", c.driver);
      try {
        PlayFromDisk(NumberedFlic(3));
        ADD_FAILURE() << "played";
      } catch (const SoundError& error) {
        EXPECT_EQ(std::string(error.what()).rfind("Cannot play the sound file " + c.wav + ": " + c.why, 0), 0u)
            << error.what();
      }
    }
    EXPECT_TRUE(output.painted.empty());
    EXPECT_EQ(output.tearDowns, ++tearDowns) << "the frame output is released";
    EXPECT_FALSE(state.Playing);
    EXPECT_FALSE(host.playingControls);
    EXPECT_TRUE(state.WavFileName.empty());
    EXPECT_FALSE(AudioInitialised());

    PlayFromDisk(NumberedFlic(3));
    EXPECT_EQ(output.painted, (std::vector<int>{0, 1, 2})) << "the next playback plays";
    ++tearDowns;
  }
}

// WAVFILE sets the sound of one playback: the one before it and the one after
// it never start the audio library, let alone open a device.
TEST_F(SoundPlaybackTest, TheSoundAccompaniesExactlyOnePlayback) {
  std::vector<bool> libraryRunning;
  output.onPainted = [&](size_t count) {
    if (count == 1) libraryRunning.push_back(AudioInitialised());
    if (count == 3 && AudioInitialised()) Pause(50);
  };
  PlayFromDisk(NumberedFlic(3));
  EXPECT_FALSE(std::filesystem::exists(disk.Output())) << "no device was opened";

  state.WavFileName = WriteWav(8000);
  output.painted.clear();
  PlayFromDisk(NumberedFlic(3));
  const size_t written = disk.Written().size();
  EXPECT_GT(written, 0u);

  output.painted.clear();
  PlayFromDisk(NumberedFlic(3));
  EXPECT_EQ(libraryRunning, (std::vector<bool>{false, true, false}));
  EXPECT_EQ(disk.Written().size(), written) << "nothing more was played";
}

}  // namespace
}  // namespace kt
