// How long after the start of a playback's first frame the first samples of
// its sound reach the audio device. Each trial opens a WAV as the playback's
// set-up does, lets a random 0 to 30 ms pass (the rest of the set-up, which
// puts frame 0 anywhere in the audio thread's cycle), then times from the
// frame's first step, the sound's restart, to the moment the device's feed
// handed over the sound's first samples.
//
// usage: sound_start_delay [TRIALS]   (set SDL_AUDIODRIVER, e.g. disk with
//        SDL_DISKAUDIOFILE=/dev/null, or leave it to the system's choice)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "playback/wav_accompaniment.h"
#include "sound_bench_support.h"

namespace {

using Clock = kt::WaveDevice::Clock;

// One second of a quiet 16-bit ramp in the given format.
std::string WriteWav(const std::filesystem::path& folder, uint32_t rate, uint16_t channels) {
  return kt::bench::WriteRampWav(folder / ("delay_" + std::to_string(rate) + "_" + std::to_string(channels) + ".wav"),
                                 rate, channels, rate);
}

using kt::bench::Ms;
using kt::bench::Quantile;

}  // namespace

int main(int argc, char** argv) {
  const int status = kt::bench::UsageStatus(
      argc, argv,
      "usage: sound_start_delay [TRIALS]   (set SDL_AUDIODRIVER, e.g. disk with SDL_DISKAUDIOFILE=/dev/null)\n");
  if (status >= 0) return status;
  const int trials = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
  const std::filesystem::path folder = std::filesystem::temp_directory_path();
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> setUpRest(0, 30000);
  const char* driver = std::getenv("SDL_AUDIODRIVER");
  std::printf("driver: %s, %d trials per format\n", driver ? driver : "(system's choice)", trials);
  std::printf("%-16s %10s %10s %10s %10s %10s\n", "format", "min ms", "median ms", "p90 ms", "max ms", "open ms");
  const struct {
    uint32_t rate;
    uint16_t channels;
  } formats[] = {{8000, 1}, {22050, 2}, {44100, 2}, {48000, 2}};
  for (const auto& format : formats) {
    const std::string wav = WriteWav(folder, format.rate, format.channels);
    std::vector<double> delays, opens;
    for (int t = 0; t < trials; ++t) {
      kt::WavAccompaniment sound;
      const Clock::time_point openStart = Clock::now();
      sound.Open(wav);
      opens.push_back(Ms(Clock::now() - openStart));
      std::this_thread::sleep_for(std::chrono::microseconds(setUpRest(random)));
      const Clock::time_point frameStart = Clock::now();
      sound.RestartSound();
      std::optional<Clock::time_point> handed;
      while (!(handed = sound.Player().Device().FirstSamplesHandedAt())) {
        std::this_thread::sleep_for(std::chrono::microseconds(100));
        if (Clock::now() - frameStart > std::chrono::seconds(5)) {
          std::fprintf(stderr, "no samples reached the device within 5 s\n");
          return 1;
        }
      }
      delays.push_back(Ms(*handed - frameStart));
      sound.Close();
    }
    char name[32];
    std::snprintf(name, sizeof name, "%u Hz x%u", format.rate, format.channels);
    std::printf("%-16s %10.2f %10.2f %10.2f %10.2f %10.2f\n", name, Quantile(delays, 0), Quantile(delays, 0.5),
                Quantile(delays, 0.9), Quantile(delays, 1), Quantile(opens, 0.5));
    std::filesystem::remove(wav);
  }
  return 0;
}
