// A WAV file read a piece at a time while it plays: a sound of any length
// opens at once and only the piece being read is held in memory. The samples
// come out in a format the audio library takes as it is, unchanged wherever
// the file's own format is one of those.
#pragma once

#include <SDL_audio.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/sdl/sound_error.h"

typedef struct sf_private_tag SNDFILE;

namespace kt {

struct WaveFormat {
  int rate = 0;  // frames per second
  int channels = 0;
  SDL_AudioFormat sampleFormat = 0;  // what Read delivers
  std::string encoding;              // the file's own sample encoding, for messages: "Signed 16 bit PCM"
  int FrameBytes() const { return channels * SDL_AUDIO_BITSIZE(sampleFormat) / 8; }
};

class WaveFile {
 public:
  // Opens the WAV file at `path` and reads its header. Throws SoundError,
  // which names the file and says why.
  explicit WaveFile(const std::string& path);
  ~WaveFile();
  WaveFile(const WaveFile&) = delete;
  WaveFile& operator=(const WaveFile&) = delete;

  const WaveFormat& Format() const { return format_; }
  int64_t Frames() const { return frames_; }
  // Reads up to `frames` frames from the current position into `into`, which
  // holds at least frames * FrameBytes() bytes; returns how many were read:
  // fewer at the end of the sound or when the disk fails.
  int64_t Read(void* into, int64_t frames);
  // Back to the first frame; false when the file cannot seek there.
  bool Rewind();
  // Bytes of samples held between reads.
  size_t HeldBytes() const { return shorts_.capacity() * sizeof(int16_t); }

 private:
  enum class Reading { Shorts, ShortsAsUnsignedBytes, Ints, Floats };

  // The sound library reads through these, so the descriptor stays ours
  // whatever becomes of an open that fails.
  static int64_t Length(void* self);
  static int64_t Seek(int64_t offset, int whence, void* self);
  static int64_t ReadBytes(void* into, int64_t count, void* self);
  static int64_t WriteBytes(const void* from, int64_t count, void* self);
  static int64_t Tell(void* self);

  int fd_ = -1;
  int64_t offset_ = 0;
  SNDFILE* file_ = nullptr;
  int64_t frames_ = 0;
  WaveFormat format_;
  Reading reading_ = Reading::Shorts;
  std::vector<int16_t> shorts_;  // 8-bit samples on their way to bytes
};

}  // namespace kt
