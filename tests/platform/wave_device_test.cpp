#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
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

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return 0;
}

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

// 24-bit samples reach the device widened to 32 bits, each exactly.
TEST_F(WaveDeviceTest, TwentyFourBitSamplesAreWidenedExactly) {
  const WavFormat format{8000, 2, 24};
  Bytes samples, widened;
  for (uint32_t i = 0; i < 3000; ++i) {
    const uint32_t value = 0x10101 + i * 0x3F7;  // never zero
    for (int b = 0; b < 3; ++b) samples.push_back(static_cast<uint8_t>(value >> (8 * b)));
    widened.push_back(0);
    for (int b = 0; b < 3; ++b) widened.push_back(static_cast<uint8_t>(value >> (8 * b)));
  }
  device.Open(Write("deep.wav", test::BuildWav(format, samples)));
  device.Play();
  ASSERT_TRUE(PlaysToItsEnd(device));
  device.Close();
  const auto difference = test::DifferenceFromSilenceAround(disk.Written(), widened, WavFormat{8000, 2, 32});
  EXPECT_FALSE(difference) << *difference;
}

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

// The audio thread sleeps a device buffer at a time and closing waits for
// it: a sound of a few frames a second must still close at once. The bound
// is a guard against a hang of minutes, not a timing check.
TEST_F(WaveDeviceTest, ASoundOfAnyRateClosesAtOnce) {
  for (const uint32_t rate : {1u, 10u, 100u, 8000u}) {
    SCOPED_TRACE(rate);
    const WavFormat format{rate, 1, 16};
    device.Open(Write("slow.wav", test::BuildWav(format, test::CountingSamples(format, 3))));
    device.Play();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (rate == 100) {
      ASSERT_TRUE(PlaysToItsEnd(device));
    }
    const auto start = std::chrono::steady_clock::now();
    device.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    if (rate == 100) {
      // Played on a 4000 Hz device: each frame held for 40 of its frames.
      std::vector<uint32_t> heard;
      for (const auto& run : test::PlayedRuns(disk.Written())) heard.insert(heard.end(), run.begin(), run.end());
      std::vector<uint32_t> held;
      for (uint32_t frame = 0; frame < 3; ++frame) held.insert(held.end(), 40, frame);
      EXPECT_EQ(heard, held);
    }
  }
}

TEST_F(WaveDeviceTest, AnEmptySoundPlaysAsSilence) {
  const WavFormat format{8000, 1, 16};
  device.Open(Write("empty.wav", test::BuildWav(format, {})));
  for (int pass = 0; pass < 2; ++pass) {
    device.Play();
    ASSERT_TRUE(PlaysToItsEnd(device));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(40));
  device.Close();
  const Bytes written = disk.Written();
  EXPECT_TRUE(std::all_of(written.begin(), written.end(), [](uint8_t b) { return b == 0; }));
}

// A sound of nearly 4 GB (a sparse file: its sound after the first frames is
// silence that takes no disk) starts from its first frame, plays on after a
// stop, and holds no more than a piece of itself in memory.
TEST_F(WaveDeviceTest, AHugeSoundIsReadAsItPlays) {
  const WavFormat format{8000, 1, 16};
  const uint32_t counted = 2000;
  const uint32_t dataBytes = 0xFFFF0000u;
  Bytes head = test::WavHeader(format, dataBytes);
  const Bytes samples = test::CountingSamples(format, counted);
  head.insert(head.end(), samples.begin(), samples.end());
  const std::string path = Write("huge.wav", head);
  std::filesystem::resize_file(path, 44 + uint64_t{dataBytes});

  const long residentBefore = ResidentKiB();
  device.Open(path);
  device.Play();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  device.Stop();
  const size_t held = device.HeldSoundBytes();
  const long residentGrowth = ResidentKiB() - residentBefore;
  device.Play();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_TRUE(device.Playing());
  device.Close();
  EXPECT_LT(held, 64u * 1024);
  EXPECT_LT(residentGrowth, 64 * 1024) << "KiB";

  const auto runs = test::PlayedRuns(disk.Written());
  ASSERT_EQ(runs.size(), 1u) << "the counted frames once, without a gap or a repeat, then silence";
  EXPECT_EQ(runs[0].front(), 0u);
  EXPECT_EQ(runs[0].size(), counted);
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

// A format the device refuses is named as the reason, not the sound output.
TEST_F(WaveDeviceTest, AFormatTheDeviceRefusesIsNamed) {
  const struct {
    WavFormat format;
    std::string why;
  } cases[] = {
      {{8000, 255, 16}, "255 channels of Signed 16 bit PCM at 8000 Hz (Unsupported number of audio channels.). "},
      {{1000000, 1, 8}, "1 channel of Unsigned 8 bit PCM at 1000000 Hz (rates above 768000 Hz are not played). "},
  };
  for (const auto& c : cases) {
    const std::string path = Write("odd.wav", test::BuildWav(c.format, test::CountingSamples(c.format, 10)));
    const std::string message = OpenFailure(path);
    EXPECT_EQ(message.rfind("Cannot play the sound file " + path +
                                ": the audio device cannot play the file's format, " + c.why + "Give WAVFILE",
                            0),
              0u)
        << message;
    EXPECT_FALSE(device.IsOpen());
    EXPECT_FALSE(AudioInitialised());
  }
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
