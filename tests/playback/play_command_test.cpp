#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>

#include "base/errors.h"
#include "player_rig.h"
#include "tmpfs_mount.h"

namespace kt {
namespace {

using test::Bytes;
using test::FlicSpec;
using test::Frame;
using test::NumberedFlic;

class PlayTest : public ::testing::Test, protected test::PlayerRig<> {
 protected:
  test::TempDir dir;
  // Runs once the given number of frames have been painted; the user's clicks.
  std::multimap<size_t, std::function<void()>> atFrame;

  void SetUp() override {
    host.statVisible = true;
    services.onMessages = [this] {
      auto range = atFrame.equal_range(output.painted.size());
      std::vector<std::function<void()>> due;
      for (auto it = range.first; it != range.second; ++it) due.push_back(it->second);
      atFrame.erase(range.first, range.second);
      for (auto& action : due) action();
    };
  }

  std::string Write(const FlicSpec& spec, const std::string& name = "anim.flc") {
    return test::SaveFlic(dir / name, spec);
  }

  void PlayFromDisk(const FlicSpec& spec) {
    state.DiskFlicName = Write(spec);
    play.PlayFromDisk();
  }

  void LoadIntoMemory(const FlicSpec& spec) {
    PlayerRig::LoadIntoMemory(Write(spec));
    ASSERT_TRUE(flic.FlicInMemory);
  }
};

TEST_F(PlayTest, WithoutLoopingShowsEachFrameOnceAndStops) {
  PlayFromDisk(NumberedFlic(5));
  EXPECT_EQ(output.painted, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(state.FramesPlayed, 5);
  EXPECT_FALSE(state.Playing);
  EXPECT_FALSE(host.playingControls);
  EXPECT_EQ(output.finalPaints, 1);
  EXPECT_EQ(output.tearDowns, 1);
  EXPECT_EQ(host.labels["FrameBarRange"], "0..4/0");
  EXPECT_EQ(host.labels["Caption"], state.DiskFlicName);
  EXPECT_EQ(host.labels["FramesPlayed"], "5") << "brought up to date at the stop";
  // Frames read from disk are released once shown.
  for (int f = 0; f <= 5; ++f) {
    for (const ChunkRef& c : flic.Store.Slot(f).chunkTable) EXPECT_EQ(c.data, nullptr);
  }
}

TEST_F(PlayTest, LoopingGoesThroughTheRingFrameToFrameOne) {
  host.loop = true;
  atFrame.emplace(12, [this] { play.Stop(); });
  PlayFromDisk(NumberedFlic(4));
  EXPECT_EQ(output.painted, (std::vector<int>{0, 1, 2, 3, 0xEE, 1, 2, 3, 0xEE, 1, 2, 3}));
}

TEST_F(PlayTest, OneFrameFlicLoopsOnItsRingFrame) {
  host.loop = true;
  atFrame.emplace(5, [this] { play.Stop(); });
  LoadIntoMemory(NumberedFlic(1));
  play.PlayFromMemory();
  EXPECT_EQ(output.painted, (std::vector<int>{0, 0xEE, 0xEE, 0xEE, 0xEE}));
}

TEST_F(PlayTest, DiskAndMemoryShowTheSameFrames) {
  FlicSpec spec = NumberedFlic(6, 5, 3);  // odd width: decoded apart from the bitmap
  host.loop = true;
  atFrame.emplace(14, [this] { play.Stop(); });
  PlayFromDisk(spec);
  const std::vector<Bytes> fromDisk = output.shown;

  output.shown.clear();
  output.painted.clear();
  flic.ReadBigFrames = true;
  atFrame.emplace(14, [this] { play.Stop(); });
  PlayFromDisk(spec);
  EXPECT_EQ(output.shown, fromDisk) << "big-frame reading";

  output.shown.clear();
  output.painted.clear();
  LoadIntoMemory(spec);
  atFrame.emplace(14, [this] { play.Stop(); });
  play.PlayFromMemory();
  EXPECT_EQ(output.shown, fromDisk) << "from memory";
}

TEST_F(PlayTest, WaitsTheDelayFromTheEndOfThePreviousWait) {
  host.speedBar = 25;
  play.SetDelay(25);
  PlayFromDisk(NumberedFlic(3));
  // Three frames, each waiting out the delay in one blocking wait.
  EXPECT_EQ(services.waits, (std::vector<uint32_t>{25, 25, 25}));
  EXPECT_EQ(services.clock, 75u);
  EXPECT_EQ(host.labels["FPS"], "Current [40], Set to [40]");
  EXPECT_EQ(host.labels["ActualDelay"], "25");
}

TEST_F(PlayTest, SpeedBarAtOriginalUsesTheFlicsDelayAndIsRestoredAfterwards) {
  host.speedBar = kSpeedBarMax;
  EXPECT_EQ(play.SetDelay(kSpeedBarMax), "Original");
  FlicSpec spec = NumberedFlic(2);
  spec.magic = kFliMagic;
  spec.speed = 5;  // 71 ms
  LoadIntoMemory(spec);
  play.PlayFromMemory();
  EXPECT_EQ(services.waits.front(), 71u);
  EXPECT_EQ(state.FrameDelay, 1000) << "back to 1000 after the playback";
  services.waits.clear();
  play.PlayFromMemory();
  EXPECT_EQ(services.waits.front(), 71u) << "a second play from memory keeps the delay";

  EXPECT_EQ(play.SetDelay(0), "None");
  EXPECT_EQ(play.SetDelay(40), "40ms");
}

TEST_F(PlayTest, SpeedBarMovedToOriginalDuringPlaybackSwitchesAtOnce) {
  host.speedBar = 10;
  play.SetDelay(10);
  atFrame.emplace(1, [this] {
    host.speedBar = kSpeedBarMax;
    play.SetDelay(kSpeedBarMax);
  });
  PlayFromDisk(NumberedFlic(3));  // speed 40
  EXPECT_EQ(services.waits.front(), 10u);
  EXPECT_EQ(services.waits.back(), 40u);
}

TEST_F(PlayTest, StopDuringAWaitStillWaitsTheFullDelay) {
  host.loop = true;
  play.SetDelay(30);
  atFrame.emplace(2, [this] { play.Stop(); });
  PlayFromDisk(NumberedFlic(5));
  EXPECT_EQ(output.painted.size(), 2u);
  EXPECT_EQ(services.clock, 60u);
}

TEST_F(PlayTest, PausingOnTheRingFrameHoldsAtFrameOne) {
  host.loop = true;
  int holds = 0;
  atFrame.emplace(4, [this] { play.PauseOrResume(); });  // the ring frame is on screen
  services.onMessages = [&, previous = services.onMessages] {
    previous();
    if (services.holding && ++holds == 1) {
      EXPECT_EQ(host.labels["FrameLabel"], "2/3");
      EXPECT_EQ(host.frameBarPositions.back(), 1);
      play.Stop();
    }
  };
  PlayFromDisk(NumberedFlic(3));
  EXPECT_EQ(output.painted, (std::vector<int>{0, 1, 2, 0xEE, 1}));
  EXPECT_FALSE(state.Paused) << "a stop during the hold clears the pause";
  EXPECT_FALSE(host.frameControls);
}

// Counts decodes by watching the palette apply: every frame of this flic
// carries a colour chunk, so each decode applies the palette once.
FlicSpec CountingFlic(int frames) {
  FlicSpec spec = NumberedFlic(frames);
  for (int f = 1; f <= frames; ++f) spec.records[f].chunks.push_back(test::Color256({{1, 1, 1}}));
  return spec;
}

TEST_F(PlayTest, StepBackReplaysFromFrameZeroWithoutShowing) {
  const FlicSpec spec = CountingFlic(8);
  play.SetKeyImageBudget(0);  // no kept pictures: the replay itself
  int step = 0;
  atFrame.emplace(6, [this] { play.PauseOrResume(); });  // paused with frame 5 on screen
  services.onMessages = [&, previous = services.onMessages] {
    previous();
    if (!services.holding) return;
    if (step == 0 && state.CurrentFrame == 5) {
      ++step;
      output.coloursSet = 0;
      play.StepBack();
    } else if (step == 1 && state.CurrentFrame == 4) {
      // Frames 0 to 3 were rebuilt (four decodes), then frame 4 was shown, whole.
      EXPECT_EQ(output.coloursSet, 5);
      EXPECT_EQ(output.painted.back(), 4);
      EXPECT_EQ(output.changes.back(), std::nullopt);
      EXPECT_EQ(output.changes.front(), std::nullopt) << "the first frame";
      EXPECT_TRUE(output.changes[1].has_value()) << "a frame that follows the one painted";
      ++step;
      play.Stop();
    }
  };
  PlayFromDisk(spec);
  EXPECT_EQ(step, 2);
  EXPECT_EQ(state.FramesPlayed, 7) << "replayed frames are not counted";
}

TEST_F(PlayTest, StepBackFromFrameOneShowsFrameZeroAndStepsAtTheEndsDoNothing) {
  int step = 0;
  atFrame.emplace(1, [this] { play.PauseOrResume(); });
  services.onMessages = [&, previous = services.onMessages] {
    previous();
    if (!services.holding) return;
    if (step == 0) {
      play.StepBack();  // at frame 0: nothing
      EXPECT_FALSE(state.RepositionRequested);
      play.StepForward();
      ++step;
    } else if (step == 1 && state.CurrentFrame == 1) {
      play.StepBack();
      ++step;
    } else if (step == 2 && state.CurrentFrame == 0) {
      ++step;
      play.PauseOrResume();
    }
  };
  LoadIntoMemory(NumberedFlic(2));
  play.PlayFromMemory();
  EXPECT_EQ(output.painted, (std::vector<int>{0, 1, 0, 1}));
}

TEST_F(PlayTest, JumpToTheFrameOnScreenRebuildsAndShowsItAgain) {
  int step = 0;
  atFrame.emplace(3, [this] { play.PauseOrResume(); });
  services.onMessages = [&, previous = services.onMessages] {
    previous();
    if (!services.holding) return;
    if (step == 0) {
      ++step;
      play.GoToFrame(2);
    } else if (step == 1) {
      ++step;
      play.PauseOrResume();
    }
  };
  PlayFromDisk(NumberedFlic(4));
  EXPECT_EQ(output.painted, (std::vector<int>{0, 1, 2, 2, 3}));
  EXPECT_EQ(state.JumpTarget, -1);
}

TEST_F(PlayTest, RecordingWithLoopWritesTheFirstPassOnly) {
  host.loop = true;
  ArmRecording(recording, (dir / "rec").string());
  atFrame.emplace(9, [this] { play.Stop(); });
  PlayFromDisk(NumberedFlic(3));
  EXPECT_TRUE(std::filesystem::exists(dir / "rec0002.bmp"));
  EXPECT_FALSE(std::filesystem::exists(dir / "rec0003.bmp"));
  EXPECT_FALSE(recording.Recording) << "disarmed at the end";
  EXPECT_EQ(test::ReadFileBytes(dir / "rec0001.bmp")[1078], 1) << "frame 1's pixels";
}

TEST_F(PlayTest, FramesThatCannotBeWrittenAreToldOnceWhenThePlaybackEnds) {
  // The folder is deleted after two frames have been written.
  std::filesystem::create_directories(dir / "shots");
  ArmRecording(recording, (dir / "shots" / "anim").string());
  atFrame.emplace(2, [this] { std::filesystem::remove_all(dir / "shots"); });
  PlayFromDisk(NumberedFlic(5));
  ASSERT_EQ(services.boxes.size(), 1u);
  const std::string why = std::string(" (") + std::strerror(ENOENT) + "). ";
  EXPECT_EQ(services.boxes[0].text,
            "3 of the 5 frames to be recorded were not written: their files could not be created in " +
                (dir / "shots").string() + why + "The first missing file is anim0002.bmp.");

  // A folder that is a file: nothing can be written, and that is said too, once.
  test::WriteFile(dir / "plain", {1});
  ArmRecording(recording, (dir / "plain" / "anim").string());
  PlayFromDisk(NumberedFlic(1));
  PlayFromDisk(NumberedFlic(1));
  ASSERT_EQ(services.boxes.size(), 2u);
  EXPECT_EQ(services.boxes[1].text, "The frame to be recorded was not written: its file could not be created in " +
                                        (dir / "plain").string() + " (" + std::strerror(ENOTDIR) +
                                        "). The missing file is anim0000.bmp.");
}

TEST_F(PlayTest, AFullDiskEndsTheRecordingWithDiskFullAndLeavesOnlyWholeBitmaps) {
  test::TmpfsMount disk(dir / "disk", "64k");
  if (!disk.Mounted()) GTEST_SKIP() << "no tmpfs can be mounted here";
  ArmRecording(recording, (dir / "disk" / "rec").string());
  try {
    PlayFromDisk(NumberedFlic(8, 100, 100));  // bitmaps of 11078 bytes: five fit in 64 KiB
    FAIL() << "the full disk was not reported";
  } catch (const InOutError& error) {
    EXPECT_STREQ(error.what(), "Disk full");
  }
  EXPECT_TRUE(std::filesystem::exists(dir / "disk" / "rec0004.bmp"));
  EXPECT_FALSE(std::filesystem::exists(dir / "disk" / "rec0005.bmp"));
  for (const auto& entry : std::filesystem::directory_iterator(dir / "disk")) {
    EXPECT_EQ(entry.file_size(), 1078u + 100 * 100) << entry.path();
  }
}

TEST_F(PlayTest, QuitDuringPlaybackEndsAfterTheCleanUp) {
  host.loop = true;
  atFrame.emplace(2, [this] {
    play.Exit();
    EXPECT_EQ(host.closed, 0);
  });
  PlayFromDisk(NumberedFlic(3));
  EXPECT_EQ(host.closed, 1);
  EXPECT_EQ(output.tearDowns, 1);
  EXPECT_FALSE(state.Playing);
}

TEST_F(PlayTest, RejectedFilesChangeNothing) {
  FlicSpec bad = NumberedFlic(2);
  bad.magic = 0x1111;
  state.DiskFlicName = Write(bad, "bad.flc");
  const std::string name = state.DiskFlicName;
  play.PlayFromDisk();
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_EQ(services.boxes[0].text, "There was an error while attempting to load " + name + ".");
  EXPECT_TRUE(state.DiskFlicName.empty());
  EXPECT_EQ(output.prepared, 0);

  FlicSpec empty;
  empty.records = {Frame({})};
  state.DiskFlicName = Write(empty, "empty.flc");
  EXPECT_THROW(play.PlayFromDisk(), DamagedFlicError);
  EXPECT_FALSE(state.Playing);
  EXPECT_EQ(output.prepared, 0);
}

TEST_F(PlayTest, AReadErrorUnwindsLikeANormalEnd) {
  host.loop = true;
  ArmRecording(recording, (dir / "rec").string());
  FlicSpec spec = NumberedFlic(3);
  spec.records.pop_back();  // no ring frame: the loop's read of it fails
  spec.declaredFrames = 3;
  state.DiskFlicName = Write(spec);
  atFrame.emplace(1, [this] { play.PauseOrResume(); });
  services.onMessages = [&, previous = services.onMessages] {
    previous();
    if (services.holding) play.PauseOrResume();
  };
  try {
    play.PlayFromDisk();
    FAIL() << "no error";
  } catch (const InOutError& error) {
    EXPECT_STREQ(error.what(), kReadBeyondEndText);
  }
  EXPECT_FALSE(state.Playing);
  EXPECT_FALSE(state.Paused);
  EXPECT_FALSE(recording.Recording);
  EXPECT_FALSE(host.playingControls);
  EXPECT_EQ(output.tearDowns, 1);
  for (const ChunkRef& c : flic.Store.Slot(3).chunkTable) EXPECT_EQ(c.data, nullptr);
}

TEST_F(PlayTest, UnknownChunkAsksAndAbortEndsAtOnce) {
  FlicSpec spec = NumberedFlic(2);
  spec.records[1].chunks.insert(spec.records[1].chunks.begin(), test::ChunkSpec{25, {1, 2}, {}});
  services.boxAnswers = {BoxButton::Ignore};
  PlayFromDisk(spec);
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_EQ(services.boxes[0].text, "Unknown chunk type! (25) continue?");
  EXPECT_EQ(services.boxes[0].buttons, (std::vector<BoxButton>{BoxButton::Abort, BoxButton::Ignore}));
  EXPECT_EQ(output.painted, (std::vector<int>{0, 1})) << "Ignore goes on with the next chunk";

  services.boxAnswers = {BoxButton::Abort};
  output.painted.clear();
  EXPECT_THROW(play.PlayFromDisk(), ProgramHalted);
  EXPECT_EQ(host.halted, 1);
  EXPECT_EQ(output.painted, std::vector<int>{0});
}

TEST(PlaybackStatistics, RoundHalvesToEven) {
  EXPECT_EQ(StatisticsSetFigure(0), "Max");
  EXPECT_EQ(StatisticsSetFigure(66), "15");
  EXPECT_EQ(StatisticsSetFigure(400), "2") << "2.5 rounds to 2";
  EXPECT_EQ(CurrentFpsText(710, 10, 66), "Current [14], Set to [15]");
  EXPECT_EQ(ActualDelayText(25, 10), "2") << "2.5 rounds to 2";
  EXPECT_EQ(ActualDelayText(35, 10), "4") << "3.5 rounds to 4";
}

}  // namespace
}  // namespace kt

namespace kt {
namespace {

// Full-screen output that records its calls; its set-up can fail or give no display.
struct ScriptedFullScreen : FullScreenOutput {
  std::vector<std::string> calls;
  bool giveDisplay = true;
  bool fail = false;
  bool Available() const override { return true; }
  bool SetUp() override {
    calls.push_back("set-up");
    if (fail) throw PlayerError("Unable to set new display mode");
    return giveDisplay;
  }
  void ShowFrame(const ScreenFrame&) override { calls.push_back("frame"); }
  void TearDown() override { calls.push_back("tear-down"); }
};

class FullScreenPlayTest : public PlayTest {
 protected:
  ScriptedFullScreen screen;
  PlayCommand fullPlay{{flic, dialog, state, recording, colour, services, host, output, screen, sound,
                        [this] { return services.clock; }}};
  void Play(const FlicSpec& spec) {
    host.directX = true;
    state.DiskFlicName = Write(spec);
    fullPlay.PlayFromDisk();
  }
};

TEST_F(FullScreenPlayTest, FramesGoFullScreenInsteadOfToTheWindow) {
  Play(NumberedFlic(3));
  EXPECT_EQ(screen.calls, (std::vector<std::string>{"set-up", "frame", "frame", "frame", "tear-down"}));
  EXPECT_TRUE(output.painted.empty());
  EXPECT_EQ(output.finalPaints, 0) << "no last frame kept in the movie window's picture";
  EXPECT_EQ(output.tearDowns, 1);
}

TEST_F(FullScreenPlayTest, NoDisplayEndsThePlaybackAtOnceWithoutAWord) {
  screen.giveDisplay = false;
  Play(NumberedFlic(3));
  EXPECT_EQ(screen.calls, (std::vector<std::string>{"set-up", "tear-down"}));
  EXPECT_TRUE(services.boxes.empty());
  EXPECT_EQ(state.FramesPlayed, 0);
  EXPECT_FALSE(state.Playing);
  EXPECT_FALSE(state.StopRequested);
  EXPECT_FALSE(host.playingControls);
}

TEST_F(FullScreenPlayTest, AFailedSetUpUnwindsAndTheNextPlaybackRuns) {
  screen.fail = true;
  EXPECT_THROW(Play(NumberedFlic(3)), PlayerError);
  EXPECT_EQ(screen.calls, (std::vector<std::string>{"set-up", "tear-down"}));
  EXPECT_FALSE(state.Playing);
  EXPECT_FALSE(host.playingControls);
  EXPECT_EQ(output.tearDowns, 1);
  screen.fail = false;
  screen.calls.clear();
  Play(NumberedFlic(2));
  EXPECT_EQ(screen.calls, (std::vector<std::string>{"set-up", "frame", "frame", "tear-down"}));
}

}  // namespace
}  // namespace kt
