// What the sound benchmarks share: the WAV they play and how they sum up times.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace kt::bench {

// The first argument must be a trial count: --help prints the usage, and any
// other word prints it as an error instead of running with a count of one.
// Gives the exit status when the tool is to end now, -1 when it is to run.
inline int UsageStatus(int argc, char** argv, const char* usage) {
  if (argc < 2) return -1;
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    std::fputs(usage, stdout);
    return 0;
  }
  if (std::strspn(argv[1], "0123456789") == std::strlen(argv[1]) && std::atoi(argv[1]) > 0) return -1;
  std::fputs(usage, stderr);
  return 2;
}

inline void PutLittleEndian(std::ofstream& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// 16-bit PCM: `frames` frames of a quiet ramp, then `sparseBytes` of silence
// that the file system need not store.
inline std::string WriteRampWav(const std::filesystem::path& path, uint32_t rate, uint16_t channels, uint32_t frames,
                                uint32_t sparseBytes = 0) {
  const uint32_t dataBytes = frames * channels * 2 + sparseBytes;
  {
    std::ofstream out(path, std::ios::binary);
    out.write("RIFF", 4);
    PutLittleEndian(out, 36 + dataBytes, 4);
    out.write("WAVEfmt ", 8);
    PutLittleEndian(out, 16, 4);
    PutLittleEndian(out, 1, 2);
    PutLittleEndian(out, channels, 2);
    PutLittleEndian(out, rate, 4);
    PutLittleEndian(out, rate * channels * 2, 4);
    PutLittleEndian(out, channels * 2u, 2);
    PutLittleEndian(out, 16, 2);
    out.write("data", 4);
    PutLittleEndian(out, dataBytes, 4);
    for (uint32_t i = 0; i < frames * channels; ++i) PutLittleEndian(out, 1 + i % 512, 2);
  }
  std::filesystem::resize_file(path, 44 + uint64_t{dataBytes});
  return path.string();
}

template <typename Duration>
double Ms(Duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

inline double Quantile(std::vector<double> values, double q) {
  std::sort(values.begin(), values.end());
  return values[static_cast<size_t>(q * (values.size() - 1) + 0.5)];
}

}  // namespace kt::bench
