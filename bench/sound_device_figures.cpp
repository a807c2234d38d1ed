// Two figures of the wave-audio device that no test times:
//  - how long closing the device takes for WAVs of 1, 8000 and 48000 Hz,
//    closed at a random moment of the audio thread's cycle;
//  - for a WAV of nearly 4 GB (a sparse file, made and removed here): how
//    long the open and the first samples take, and the memory held.
//
// usage: sound_device_figures [TRIALS] [FOLDER]   (set SDL_AUDIODRIVER, e.g.
//        dummy, or disk with SDL_DISKAUDIOFILE=/dev/null)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/sdl/wave_device.h"
#include "sound_bench_support.h"

namespace {

using Clock = kt::WaveDevice::Clock;

// 16-bit mono; `frames` frames of a quiet ramp, then `sparseBytes` of silence.
std::string WriteWav(const std::filesystem::path& path, uint32_t rate, uint32_t frames, uint32_t sparseBytes = 0) {
  return kt::bench::WriteRampWav(path, rate, 1, frames, sparseBytes);
}

using kt::bench::Ms;
using kt::bench::Quantile;

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  const int status = kt::bench::UsageStatus(
      argc, argv,
      "usage: sound_device_figures [TRIALS] [FOLDER]   (set SDL_AUDIODRIVER, e.g. dummy, or disk with "
      "SDL_DISKAUDIOFILE=/dev/null)\n");
  if (status >= 0) return status;
  const int trials = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  const std::filesystem::path folder = argc > 2 ? argv[2] : std::filesystem::temp_directory_path();
  const char* driver = std::getenv("SDL_AUDIODRIVER");
  std::printf("driver: %s, %d trials per rate\n", driver ? driver : "(system's choice)", trials);
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> playing(0, 40000);

  std::printf("%-10s %12s %12s %12s\n", "rate", "close min ms", "median ms", "max ms");
  for (const uint32_t rate : {1u, 8000u, 48000u}) {
    const std::string wav = WriteWav(folder / "close_time.wav", rate, std::max(rate, 3u));
    std::vector<double> closes;
    for (int t = 0; t < trials; ++t) {
      kt::WaveDevice device;
      device.Open(wav);
      device.Play();
      std::this_thread::sleep_for(std::chrono::microseconds(playing(random)));
      const Clock::time_point start = Clock::now();
      device.Close();
      closes.push_back(Ms(Clock::now() - start));
    }
    std::printf("%-10u %12.2f %12.2f %12.2f\n", rate, Quantile(closes, 0), Quantile(closes, 0.5), Quantile(closes, 1));
    std::filesystem::remove(wav);
  }

  const std::string huge = WriteWav(folder / "huge.wav", 48000, 48000, 0xFFFF0000u - 96000);
  const long residentBefore = ResidentKiB();
  kt::WaveDevice device;
  const Clock::time_point start = Clock::now();
  device.Open(huge);
  const double openMs = Ms(Clock::now() - start);
  device.Play();
  while (!device.FirstSamplesHandedAt()) std::this_thread::sleep_for(std::chrono::microseconds(100));
  const double firstSamplesMs = Ms(*device.FirstSamplesHandedAt() - start);
  std::this_thread::sleep_for(std::chrono::seconds(2));
  std::printf(
      "%.2f GB WAV: open %.2f ms, first samples %.2f ms after the open began; after 2 s of play: "
      "%zu bytes of sound held, resident memory %+ld KiB\n",
      std::filesystem::file_size(huge) / 1e9, openMs, firstSamplesMs, device.HeldSoundBytes(),
      ResidentKiB() - residentBefore);
  device.Close();
  std::filesystem::remove(huge);
  return 0;
}
