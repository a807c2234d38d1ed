#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "fifo_watchdog.h"
#include "platform/sdl/wave_device.h"
#include "wav_writer.h"

namespace kt {
namespace {

using test::Bytes;
using test::WavFormat;

// Waits for the sound to play to its end: a guard against a hang, not a timing check.
bool PlaysToItsEnd(const WaveDevice& device) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (device.Playing()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

bool AudioInitialised() { return SDL_WasInit(SDL_INIT_AUDIO) != 0; }

class WaveDeviceTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::DiskAudio disk{dir / "written.raw"};
  WaveDevice device;

  std::string Write(const std::string& name, const Bytes& bytes) {
    const std::string path = (dir / name).string();
    test::WriteFile(path, bytes);
    return path;
  }

  // The message of the failed Open; empty when it opened.
  std::string OpenFailure(const std::string& path) {
    try {
      device.Open(path);
    } catch (const SoundError& error) {
      return error.what();
    }
    return "";
  }
};

struct FormatCase {
  const char* name;
  WavFormat format;
  uint32_t frames;
};

class WrittenSamplesTest : public WaveDeviceTest, public ::testing::WithParamInterface<FormatCase> {};

// The device gets the file's own samples, unchanged, from the first to the
// last, and silence before Play and after the end.
TEST_P(WrittenSamplesTest, EqualTheWavsSamples) {
  const FormatCase& c = GetParam();
  const Bytes samples = test::CountingSamples(c.format, c.frames);
  device.Open(Write("sound.wav", test::BuildWav(c.format, samples)));
  EXPECT_FALSE(device.Playing());
  device.Play();
  EXPECT_TRUE(device.Playing());
  ASSERT_TRUE(PlaysToItsEnd(device));
  device.Close();
  const auto difference = test::DifferenceFromSilenceAround(disk.Written(), samples, c.format);
  EXPECT_FALSE(difference) << *difference;
}

INSTANTIATE_TEST_SUITE_P(Formats, WrittenSamplesTest,
                         ::testing::Values(FormatCase{"Mono8bit8000", {8000, 1, 8}, 1500},
                                           FormatCase{"Stereo8bit11025", {11025, 2, 8}, 2000},
                                           FormatCase{"Mono16bit11025", {11025, 1, 16}, 2000},
                                           FormatCase{"Stereo16bit8000", {8000, 2, 16}, 1500}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WaveDeviceTest, StopKeepsThePositionAndPlayAfterTheEndStartsAgain) {
  const WavFormat format{8000, 1, 16};
  const uint32_t frames = 2400;
  device.Open(Write("sound.wav", test::BuildWav(format, test::CountingSamples(format, frames))));
  device.Play();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  device.Stop();
  EXPECT_FALSE(device.Playing());
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  device.Play();  // on from where it stopped
  ASSERT_TRUE(PlaysToItsEnd(device));
  device.Play();  // from the start again
  ASSERT_TRUE(PlaysToItsEnd(device));
  device.Close();

  const Bytes written = disk.Written();
  const auto runs = test::PlayedRuns(written);
  ASSERT_EQ(runs.size(), 2u);
  for (const auto& run : runs) {
    EXPECT_EQ(run.front(), 0u);
    EXPECT_EQ(run.back(), frames - 1);
    EXPECT_EQ(run.size(), frames);
  }
  // The stop shows as silence inside the first run: at least one buffer of it.
  size_t firstSound = 0;
  while (firstSound + 1 < written.size() && written[firstSound] == 0 && written[firstSound + 1] == 0) firstSound += 2;
  size_t silentInside = 0;
  for (size_t at = firstSound; at + 1 < written.size(); at += 2) {
    const uint32_t value = written[at] | (written[at + 1] << 8);
    if (value == frames) break;
    if (value == 0) ++silentInside;
  }
  EXPECT_GE(silentInside, 128u);
}

TEST_F(WaveDeviceTest, OpenFindsTheFileWhateverTheCaseOfItsName) {
  const WavFormat format{8000, 1, 8};
  Write("Music.wav", test::BuildWav(format, test::CountingSamples(format, 100)));
  const std::string upper = (dir.Path() / "MUSIC.WAV").string();
  EXPECT_EQ(OpenFailure(upper), "");
  EXPECT_TRUE(device.IsOpen());
}

// Each failure names the file, says why and what to do, keeps the audio
// library's own text, and leaves the library as it was: not started.
TEST_F(WaveDeviceTest, FilesThatCannotBePlayedSayWhy) {
  const WavFormat format{8000, 1, 16};
  const Bytes whole = test::BuildWav(format, test::CountingSamples(format, 1000));
  struct Case {
    std::string name;
    Bytes bytes;
    bool create;
    std::string why;
  };
  const Case cases[] = {
      {"nosuch.wav", {}, false, "the file does not exist (Couldn't open "},
      {"text.wav", Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '!'}, true,
       "it is not a WAV file ("},
      {"tiny.wav", Bytes{'R', 'I', 'F'}, true, "it is not a WAV file ("},
      {"cut_in_data.wav", Bytes(whole.begin(), whole.begin() + 1000), true, "the WAV file is damaged"},
      {"cut_in_header.wav", Bytes(whole.begin(), whole.begin() + 30), true, "the WAV file is damaged"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = (dir / c.name).string();
    if (c.create) Write(c.name, c.bytes);
    const std::string message = OpenFailure(path);
    EXPECT_EQ(message.rfind("Cannot play the sound file " + path + ": " + c.why, 0), 0u) << message;
    EXPECT_NE(message.find("). "), std::string::npos) << "the library's text, then advice: " << message;
    EXPECT_FALSE(device.IsOpen());
    EXPECT_FALSE(AudioInitialised());
  }
}

TEST_F(WaveDeviceTest, AFifoUnderTheSoundsNameIsRefusedWithoutWaitingOnIt) {
  test::FifoWatchdog fifo(dir / "fifo.wav");
  const std::string message = OpenFailure(fifo.Path().string());
  EXPECT_FALSE(fifo.TimedOut()) << "the open waited for a writer";
  EXPECT_EQ(
      message.rfind(
          "Cannot play the sound file " + fifo.Path().string() + ": it is a FIFO (named pipe), not a WAV file (", 0),
      0u)
      << message;
  EXPECT_FALSE(device.IsOpen());
  EXPECT_TRUE(fifo.StillAFifo());
}

TEST_F(WaveDeviceTest, NoAudioDeviceIsReportedWithTheLibrarysText) {
  const WavFormat format{8000, 1, 8};
  const std::string path = Write("sound.wav", test::BuildWav(format, test::CountingSamples(format, 100)));
  {
    // The library starts, but its device cannot be opened (as on a machine without sound).
    test::ScopedEnv nowhere("SDL_DISKAUDIOFILE", (dir / "no such folder" / "written.raw").string());
    const std::string message = OpenFailure(path);
    EXPECT_EQ(
        message.rfind("Cannot play the sound file " + path + ": no audio device could be opened (Couldn't open ", 0),
        0u)
        << message;
    EXPECT_FALSE(AudioInitialised());
  }
  {
    test::ScopedEnv noDriver("SDL_AUDIODRIVER", "no-such-driver");
    const std::string message = OpenFailure(path);
    EXPECT_NE(message.find("no audio device could be opened (Audio target 'no-such-driver' not available)"),
              std::string::npos)
        << message;
    EXPECT_FALSE(AudioInitialised());
  }
  // The same device opens once the sound output is there again.
  EXPECT_EQ(OpenFailure(path), "");
}

TEST_F(WaveDeviceTest, TheLibraryRunsOnlyWhileADeviceIsOpen) {
  const WavFormat format{8000, 1, 8};
  const std::string path = Write("sound.wav", test::BuildWav(format, test::CountingSamples(format, 400)));
  EXPECT_FALSE(AudioInitialised());
  device.Open(path);
  EXPECT_TRUE(AudioInitialised());
  // Opening again closes the first device: the library is not started twice.
  device.Open(path);
  device.Close();
  EXPECT_FALSE(AudioInitialised());
  EXPECT_FALSE(device.Playing());
  // Operations on a closed device do nothing.
  device.Play();
  device.Stop();
  device.Close();
  EXPECT_FALSE(device.Playing());
  EXPECT_FALSE(AudioInitialised());
}

}  // namespace
}  // namespace kt
