#include "wav_writer.h"

#include <cstdlib>
#include <system_error>

namespace kt::test {

namespace {

void PutTag(Bytes& out, const char* tag) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(tag[i]));
}

std::optional<std::string> GetEnv(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

void RestoreEnv(const char* name, const std::optional<std::string>& value) {
  if (value) {
    setenv(name, value->c_str(), 1);
  } else {
    unsetenv(name);
  }
}

}  // namespace

Bytes WavHeader(const WavFormat& format, uint32_t dataBytes) {
  Bytes out;
  PutTag(out, "RIFF");
  AppendU32(out, 4 + 8 + 16 + 8 + dataBytes);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  AppendU32(out, 16);
  AppendU16(out, 1);  // PCM
  AppendU16(out, format.channels);
  AppendU32(out, format.rate);
  AppendU32(out, format.rate * format.FrameBytes());
  AppendU16(out, static_cast<uint16_t>(format.FrameBytes()));
  AppendU16(out, format.bits);
  PutTag(out, "data");
  AppendU32(out, dataBytes);
  return out;
}

Bytes BuildWav(const WavFormat& format, const Bytes& samples) {
  Bytes out = WavHeader(format, static_cast<uint32_t>(samples.size()));
  out.insert(out.end(), samples.begin(), samples.end());
  return out;
}

Bytes CountingSamples(const WavFormat& format, uint32_t frames) {
  Bytes out;
  for (uint32_t i = 0; i < frames; ++i) {
    for (uint32_t c = 0; c < format.channels; ++c) {
      if (format.bits == 8) {
        // 1 to 127: never the unsigned silence 0x80.
        out.push_back(static_cast<uint8_t>(1 + (i * 5 + c * 11) % 127));
      } else {
        AppendU16(out, static_cast<uint16_t>(format.channels == 1 ? i + 1 : 1 + (i * 7 + c * 20011) % 65535));
      }
    }
  }
  return out;
}

std::vector<std::vector<uint32_t>> PlayedRuns(const Bytes& written) {
  std::vector<std::vector<uint32_t>> runs;
  for (size_t at = 0; at + 1 < written.size(); at += 2) {
    const uint32_t value = written[at] | (written[at + 1] << 8);
    if (value == 0) continue;
    const uint32_t frame = value - 1;
    if (runs.empty() || runs.back().back() + 1 != frame) runs.emplace_back();
    runs.back().push_back(frame);
  }
  return runs;
}

std::optional<std::string> DifferenceFromSilenceAround(const Bytes& written, const Bytes& samples,
                                                       const WavFormat& format) {
  const size_t frame = format.FrameBytes();
  const uint8_t silence = format.SilenceByte();
  size_t start = 0;
  while (start + frame <= written.size()) {
    bool silent = true;
    for (size_t b = 0; b < frame; ++b) silent = silent && written[start + b] == silence;
    if (!silent) break;
    start += frame;
  }
  if (written.size() - start < samples.size()) {
    return "only " + std::to_string(written.size() - start) + " bytes after the leading silence, " +
           std::to_string(samples.size()) + " expected";
  }
  for (size_t i = 0; i < samples.size(); ++i) {
    if (written[start + i] != samples[i]) {
      return "sample byte " + std::to_string(i) + " differs (written at offset " + std::to_string(start + i) + ")";
    }
  }
  for (size_t i = start + samples.size(); i < written.size(); ++i) {
    if (written[i] != silence) return "not silence after the sound, at offset " + std::to_string(i);
  }
  return std::nullopt;
}

DiskAudio::DiskAudio(const std::filesystem::path& output)
    : output_(output), driver_(GetEnv("SDL_AUDIODRIVER")), file_(GetEnv("SDL_DISKAUDIOFILE")) {
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
}

DiskAudio::~DiskAudio() {
  RestoreEnv("SDL_AUDIODRIVER", driver_);
  RestoreEnv("SDL_DISKAUDIOFILE", file_);
}

Bytes DiskAudio::Written() const {
  std::error_code error;
  if (!std::filesystem::exists(output_, error)) return {};
  return ReadFileBytes(output_);
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name), saved_(GetEnv(name)) {
  setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() { RestoreEnv(name_, saved_); }

}  // namespace kt::test
