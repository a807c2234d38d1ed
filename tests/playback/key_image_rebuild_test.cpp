// Step back and frame-bar jumps rebuilt from kept pictures must leave the
// player exactly where the replay from frame 0 leaves it. Each case plays the
// same flic twice with the same clicks, once with key pictures and once
// without any (every rebuild a replay from frame 0), and compares every
// picture shown with the colours installed for it, the frames recorded and
// counted, the frame bar and the questions asked.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>

#include "base/errors.h"
#include "player_rig.h"

namespace kt {
namespace {

using test::Bytes;

enum class Source { Memory, DiskChunks, DiskBigFrames };

// What the user saw and got from one playback.
struct Outcome {
  std::vector<Bytes> shown;
  std::vector<int> frameBar;
  std::vector<std::string> questions;
  std::vector<Bytes> recorded;
  int32_t framesPlayed = 0;
  std::string error;
  bool operator==(const Outcome&) const = default;
};

// A user's clicks on a paused playback: step back, step forward, jumps on the
// frame bar (to frame 0, the last frame, the frame on screen and at random)
// and stretches of play that run through the ring frame into the next pass.
struct Clicks {
  enum Kind { Back, Forward, Jump, Run };
  struct Click {
    Kind kind;
    int value;
  };
  int pauseAfter = 1;  // frames painted before the first pause
  std::vector<Click> clicks;

  static Clicks Random(uint32_t seed, int frames, int count) {
    std::mt19937 random(seed);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    Clicks result;
    result.pauseAfter = pick(1, frames + 3);
    for (int i = 0; i < count; ++i) {
      const int kind = pick(0, 9);
      if (kind < 3) {
        result.clicks.push_back({Back, 0});
      } else if (kind < 4) {
        result.clicks.push_back({Forward, 0});
      } else if (kind < 8) {
        const int way = pick(0, 4);
        const int target = way == 0 ? 0 : way == 1 ? frames - 1 : way == 2 ? -1 : pick(0, frames - 1);
        result.clicks.push_back({Jump, target});
      } else {
        result.clicks.push_back({Run, pick(1, frames + 2)});
      }
    }
    return result;
  }
};

// One looping playback with the given clicks.
struct Player : test::PlayerRig<> {
  Outcome Play(const std::filesystem::path& flicPath, Source source, size_t keyBudget, const Clicks& clicks,
               const std::filesystem::path& recordDir, bool record);
};

Outcome Player::Play(const std::filesystem::path& flicPath, Source source, size_t keyBudget, const Clicks& clicks,
                     const std::filesystem::path& recordDir, bool record) {
  host.loop = true;
  play.SetKeyImageBudget(keyBudget);
  Outcome outcome;

  std::filesystem::create_directories(recordDir);
  recording.Recording = record;
  recording.RecordBaseName = (recordDir / "f").string();

  size_t next = 0;
  size_t pauseAt = static_cast<size_t>(clicks.pauseAfter);
  services.onMessages = [&] {
    if (!services.holding) {
      if (!state.Paused && output.shown.size() >= pauseAt) play.PauseOrResume();
      // A one-frame flic never holds: its pause lands on the ring frame every time.
      if (output.shown.size() > pauseAt + 8) play.Stop();
      return;
    }
    if (next == clicks.clicks.size()) {
      play.Stop();
      return;
    }
    const Clicks::Click click = clicks.clicks[next++];
    switch (click.kind) {
      case Clicks::Back: play.StepBack(); break;
      case Clicks::Forward: play.StepForward(); break;
      case Clicks::Jump: play.GoToFrame(click.value < 0 ? state.CurrentFrame : click.value); break;
      case Clicks::Run:
        pauseAt = output.shown.size() + static_cast<size_t>(click.value);
        play.PauseOrResume();
        break;
    }
  };

  try {
    if (source == Source::Memory) {
      LoadIntoMemory(flicPath.string());
      play.PlayFromMemory();
    } else {
      flic.ReadBigFrames = source == Source::DiskBigFrames;
      state.DiskFlicName = flicPath.string();
      play.PlayFromDisk();
    }
  } catch (const PlayerError& error) {
    outcome.error = error.what();
  }
  outcome.shown = std::move(output.shown);
  outcome.frameBar = host.frameBarPositions;
  for (const auto& box : services.boxes) outcome.questions.push_back(box.text);
  outcome.framesPlayed = state.FramesPlayed;
  std::map<std::string, Bytes> files;
  for (const auto& entry : std::filesystem::directory_iterator(recordDir)) {
    files[entry.path().filename().string()] = test::ReadFileBytes(entry.path());
  }
  for (auto& [name, bytes] : files) outcome.recorded.push_back(std::move(bytes));
  std::filesystem::remove_all(recordDir);
  return outcome;
}

// A budget that keeps a picture every `interval` frames or so.
size_t BudgetForInterval(const FlicHeader& header, int interval) {
  const size_t keys = (static_cast<size_t>(header.frames) + interval - 1) / interval;
  return keys * (header.PixelCount() + 1024);
}

void ExpectSameAsReplay(const std::filesystem::path& path, int rounds, test::TempDir& dir) {
  const OrWhyNot<OpenedFlic> opened = OpenFlic(path.string());
  if (!opened) return;
  const FlicHeader& header = opened->header;
  if (header.frames == 0 || header.frames > kMaxFlicFrames || header.PixelCount() == 0) return;
  const Source sources[] = {Source::Memory, Source::DiskChunks, Source::DiskBigFrames};
  for (int round = 0; round < rounds; ++round) {
    const Clicks clicks = Clicks::Random(static_cast<uint32_t>(round * 7919 + header.frames), header.frames, 14);
    const Source source = sources[round % 3];
    SCOPED_TRACE("round " + std::to_string(round) + ", source " + std::to_string(round % 3));
    // Recording every frame of the first pass costs more than the rest; once a flic is enough.
    const bool record = round == 0;
    const Outcome replayed = Player().Play(path, source, 0, clicks, dir / "replay", record);
    for (size_t budget : {BudgetForInterval(header, 8), BudgetForInterval(header, 1)}) {
      const Outcome rebuilt = Player().Play(path, source, budget, clicks, dir / "keys", record);
      ASSERT_EQ(rebuilt.shown.size(), replayed.shown.size()) << "budget " << budget;
      for (size_t i = 0; i < replayed.shown.size(); ++i) {
        ASSERT_EQ(rebuilt.shown[i], replayed.shown[i]) << "picture " << i << " shown, budget " << budget;
      }
      EXPECT_EQ(rebuilt.recorded, replayed.recorded);
      EXPECT_EQ(rebuilt.frameBar, replayed.frameBar);
      EXPECT_EQ(rebuilt.questions, replayed.questions);
      EXPECT_EQ(rebuilt.framesPlayed, replayed.framesPlayed);
      EXPECT_EQ(rebuilt.error, replayed.error);
    }
  }
}

TEST(KeyImageRebuild, EveryRealFlicMatchesTheReplayFromFrameZero) {
  test::TempDir dir;
  int played = 0;
  for (const auto& path : test::TestFlics()) {
    SCOPED_TRACE(path.filename().string());
    ExpectSameAsReplay(path, 4, dir);
    ++played;
  }
  EXPECT_GT(played, 10);
}

// Flics that defeat the shortcuts: a first frame that leaves pixels alone, a
// palette that is only ever partly set, a colour change late in the flic and
// a chunk type that makes the player ask.
test::FlicSpec AwkwardFlic() {
  test::FlicSpec spec;
  spec.width = 6;
  spec.height = 3;
  const int frames = 23;
  for (int f = 0; f < frames; ++f) {
    std::vector<test::ChunkSpec> chunks;
    if (f == 0) chunks.push_back(test::Color256({{10, 20, 30}, {40, 50, 60}}, 3));
    if (f == 4 || f == 12) {
      // Frames that cover the whole picture by themselves, the first at 4.
      Bytes pixels(18);
      for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i + 40 + f * 10);
      pixels[5] = 200;
      chunks.push_back(test::FliCopy(pixels));
    } else {
      // DELTA_FLI: one line, pixel f % 6 of line f % 3 becomes f.
      chunks.push_back(
          {12, {static_cast<uint8_t>(f % 3), 0, 1, 0, 1, static_cast<uint8_t>(f % 6), 1, static_cast<uint8_t>(f)}, {}});
    }
    if (f == 19) chunks.push_back({25, {1, 2, 3}, {}});
    // Colour 200 set before the second whole picture and changed after it.
    if (f == 8) chunks.push_back(test::Color256({{1, 1, 1}}, 200));
    if (f == 15) chunks.push_back(test::Color256({{7, 8, 9}}, 200));
    spec.records.push_back(test::Frame(chunks));
  }
  spec.records.push_back(test::Frame({test::Black()}));
  return spec;
}

TEST(KeyImageRebuild, FlicsThatDefeatTheShortcutsStillMatchTheReplay) {
  test::TempDir dir;
  const auto path = dir / "awkward.flc";
  test::WriteFile(path, test::BuildFlic(AwkwardFlic()));
  ExpectSameAsReplay(path, 12, dir);

  // Without the covering frame no picture can be kept at all.
  test::FlicSpec partial = AwkwardFlic();
  partial.records[4] = partial.records[5];
  partial.records[12] = partial.records[13];
  const auto partialPath = dir / "partial.flc";
  test::WriteFile(partialPath, test::BuildFlic(partial));
  ExpectSameAsReplay(partialPath, 6, dir);
}

// Each frame carries a colour chunk, so the colours put in count the decodes.
TEST(KeyImageRebuild, StepBackNearTheEndDecodesOnlyFromTheNearestKey) {
  for (bool wholePictures : {false, true}) {
    SCOPED_TRACE(wholePictures ? "every frame a whole picture" : "deltas after frame 0");
    test::TempDir dir;
    test::FlicSpec spec;
    spec.width = 8;
    spec.height = 2;
    const int frames = 400;
    for (int f = 0; f <= frames; ++f) {
      // After a whole first picture, each frame sets pixel 0 to its number.
      const auto number = static_cast<uint8_t>(f);
      spec.records.push_back(
          test::Frame({test::Color256({{number, 1, 2}}),
                       f == 0 ? test::FliCopy(Bytes(16, 0)) : test::ChunkSpec{12, {0, 0, 1, 0, 1, 0, 1, number}, {}}}));
      if (wholePictures && f > 0) spec.records.back().chunks[1] = test::FliCopy(Bytes(16, number));
    }
    const auto path = dir / "long.flc";
    test::WriteFile(path, test::BuildFlic(spec));
    const OrWhyNot<OpenedFlic> opened = OpenFlic(path.string());
    ASSERT_TRUE(opened);
    const FlicHeader& header = opened->header;

    for (Source source : {Source::Memory, Source::DiskChunks}) {
      test::PlayerRig<> rig;
      auto& services = rig.services;
      auto& output = rig.output;
      auto& play = rig.play;
      rig.host.loop = true;
      const size_t budget = BudgetForInterval(header, 10);
      play.SetKeyImageBudget(budget);
      const int32_t interval = KeyImages(8, 2, frames, budget).Interval();
      ASSERT_GT(interval, 2);
      const int32_t key = 396 / interval * interval;
      int before = 0;
      int step = 0;
      services.onMessages = [&] {
        if (!services.holding) {
          if (output.shown.size() == 399 && step == 0) play.PauseOrResume();
          return;
        }
        if (step == 0) {
          ++step;
          before = output.coloursSet;
          play.StepBack();  // from frame 398
        } else if (step == 1) {
          ++step;
          // Frame 396 rebuilt from the key before it (or, when every frame is
          // a whole picture, from frame 396 alone), its palette installed
          // once, then frame 397 shown: not the 398 decodes of a replay.
          const int32_t decodes = wholePictures ? std::min(1, 396 - key) : 396 - key;
          EXPECT_EQ(output.coloursSet - before, decodes + 2);
          EXPECT_EQ(output.buffer[0], static_cast<uint8_t>(397));
          before = output.coloursSet;
          play.GoToFrame(399);
        } else if (step == 2) {
          ++step;
          // On from the picture on screen, 398 only, then 399 shown.
          EXPECT_EQ(output.coloursSet - before, 3);
          EXPECT_EQ(output.buffer[0], static_cast<uint8_t>(399));
          play.Stop();
        }
      };
      if (source == Source::Memory) {
        rig.LoadIntoMemory(path.string());
        play.PlayFromMemory();
      } else {
        rig.state.DiskFlicName = path.string();
        play.PlayFromDisk();
      }
      EXPECT_EQ(step, 3);
    }
  }
}

}  // namespace
}  // namespace kt
