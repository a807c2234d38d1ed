// WAV files for the sound tests, written by the tests themselves, and a look
// at what the audio library's disk driver wrote while they played.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "flic_writer.h"

namespace kt::test {

struct WavFormat {
  uint32_t rate = 8000;
  uint16_t channels = 1;
  uint16_t bits = 16;  // 8: unsigned bytes, 16: signed little-endian
  uint32_t FrameBytes() const { return channels * (bits / 8u); }
  uint8_t SilenceByte() const { return bits == 8 ? 0x80 : 0x00; }
};

// A PCM WAV file holding `samples` (whole frames in the file's format).
Bytes BuildWav(const WavFormat& format, const Bytes& samples);
// The header alone of a PCM WAV file whose data chunk declares `dataBytes`.
Bytes WavHeader(const WavFormat& format, uint32_t dataBytes);

// `frames` frames of which no sample is silence. In 16-bit mono, frame i
// holds the value i + 1, so what was played says which frames were played.
Bytes CountingSamples(const WavFormat& format, uint32_t frames);

// The frames read back from 16-bit mono counting samples: their indexes in
// the order played, silence left out, cut into runs of consecutive frames.
std::vector<std::vector<uint32_t>> PlayedRuns(const Bytes& written);

// Whether `written` is silence, then exactly `samples`, then silence; the
// reason when it is not.
std::optional<std::string> DifferenceFromSilenceAround(const Bytes& written, const Bytes& samples,
                                                       const WavFormat& format);

// Plays through the audio library's disk driver into a file of this folder
// for the object's life; the earlier driver settings come back afterwards.
class DiskAudio {
 public:
  explicit DiskAudio(const std::filesystem::path& output);
  ~DiskAudio();
  DiskAudio(const DiskAudio&) = delete;
  DiskAudio& operator=(const DiskAudio&) = delete;
  const std::filesystem::path& Output() const { return output_; }
  Bytes Written() const;

 private:
  std::filesystem::path output_;
  std::optional<std::string> driver_, file_;
};

// Sets an environment variable for the object's life.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

}  // namespace kt::test
