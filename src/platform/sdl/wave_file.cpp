#include "platform/sdl/wave_file.h"

#include <SDL.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>

#include "platform/regular_file.h"

namespace kt {

namespace {

// The audio library's own words for a name that does not open, as the user
// would get them from any program built on it.
std::string OpenFailureWords(const std::string& path) {
  SDL_RWops* probe = SDL_RWFromFile(path.c_str(), "rb");
  if (probe == nullptr) return SDL_GetError();
  SDL_RWclose(probe);
  return std::strerror(errno);
}

std::string CannotOpenText(const std::string& path, int error) {
  if (error == ENOENT || error == ENOTDIR) {
    return SoundFailureText(path, "the file does not exist", OpenFailureWords(path), "Check the name given to WAVFILE");
  }
  return SoundFailureText(path, std::string("the file cannot be read, ") + std::strerror(error), OpenFailureWords(path),
                          "Check that the file can be read");
}

// The sound library says what went wrong in its own words; the file's first
// bytes say which of the user's mistakes it was.
std::string UnreadableText(const std::string& path, int fd, const std::string& libraryText) {
  unsigned char head[12] = {};
  const ssize_t got = ::pread(fd, head, sizeof head, 0);
  const bool wave = got == static_cast<ssize_t>(sizeof head) &&
                    (std::memcmp(head, "RIFF", 4) == 0 || std::memcmp(head, "RIFX", 4) == 0) &&
                    std::memcmp(head + 8, "WAVE", 4) == 0;
  if (!wave) return SoundFailureText(path, "it is not a WAV file", libraryText, "Give WAVFILE a WAV file");
  return SoundFailureText(path, "the WAV file is damaged or holds a kind of sound that cannot be played", libraryText,
                          "Give WAVFILE an intact PCM WAV file");
}

std::string FormatName(int format) {
  SF_FORMAT_INFO info{};
  info.format = format;
  if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) != 0 || info.name == nullptr) {
    return "format " + std::to_string(format);
  }
  return info.name;
}

// Bytes per sample of the encodings whose frames fill the data chunk
// exactly; 0 for compressed ones.
int PlainSampleBytes(int subtype) {
  switch (subtype) {
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_S8: return 1;
    case SF_FORMAT_PCM_16: return 2;
    case SF_FORMAT_PCM_24: return 3;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT: return 4;
    case SF_FORMAT_DOUBLE: return 8;
    default: return 0;
  }
}

// The sound library plays what there is of a data chunk cut short; here that
// is a damaged file, as a sound that stops early would pass for a whole one.
// Returns the bytes the chunk declares when fewer are in the file.
std::optional<uint32_t> CutShortDataBytes(SNDFILE* file, const SF_INFO& info) {
  const int sampleBytes = PlainSampleBytes(info.format & SF_FORMAT_SUBMASK);
  if (sampleBytes == 0) return std::nullopt;
  SF_CHUNK_INFO data{};
  std::memcpy(data.id, "data", 4);
  data.id_size = 4;
  SF_CHUNK_ITERATOR* chunk = sf_get_chunk_iterator(file, &data);
  if (chunk == nullptr || sf_get_chunk_size(chunk, &data) != SF_ERR_NO_ERROR) return std::nullopt;
  const int64_t frameBytes = int64_t{sampleBytes} * info.channels;
  if (data.datalen / frameBytes <= info.frames) return std::nullopt;
  return data.datalen;
}

}  // namespace

WaveFile::WaveFile(const std::string& path) {
  // Opened without waiting on a FIFO, and read only when it is a regular file.
  const RegularFileOpen opened = OpenRegularFile(path);
  if (opened.notRegular) {
    throw SoundError(SoundFailureText(path, "it is " + FileKindText(opened.type) + ", not a WAV file",
                                      "only regular files are read", "Give WAVFILE a WAV file"));
  }
  if (opened.fd < 0) throw SoundError(CannotOpenText(path, opened.error));
  fd_ = opened.fd;

  SF_VIRTUAL_IO io{&WaveFile::Length, &WaveFile::Seek, &WaveFile::ReadBytes, &WaveFile::WriteBytes, &WaveFile::Tell};
  SF_INFO info{};
  file_ = sf_open_virtual(&io, SFM_READ, &info, this);
  if (file_ == nullptr) {
    const std::string text = UnreadableText(path, fd_, sf_strerror(nullptr));
    ::close(fd_);
    throw SoundError(text);
  }
  std::string failure;
  const int container = info.format & SF_FORMAT_TYPEMASK;
  const int subtype = info.format & SF_FORMAT_SUBMASK;
  if (container != SF_FORMAT_WAV && container != SF_FORMAT_WAVEX) {
    failure = SoundFailureText(path, "it is not a WAV file", "it holds " + FormatName(container) + " sound",
                               "Give WAVFILE a WAV file");
  } else if (info.channels < 1 || info.samplerate < 1 || info.frames < 0) {
    failure = UnreadableText(path, fd_, "no channels, rate or length");
  } else if (const auto declared = CutShortDataBytes(file_, info)) {
    failure = SoundFailureText(path, "the WAV file is damaged",
                               "its sound data is cut short: " + std::to_string(*declared) + " bytes declared, " +
                                   std::to_string(info.frames * PlainSampleBytes(subtype) * info.channels) + " present",
                               "Give WAVFILE an intact PCM WAV file");
  }
  if (!failure.empty()) {
    sf_close(file_);
    ::close(fd_);
    throw SoundError(failure);
  }

  frames_ = info.frames;
  format_.rate = info.samplerate;
  format_.channels = info.channels;
  format_.encoding = FormatName(subtype);
  // Read in the audio library's format nearest to the file's own, so that
  // samples the library takes as they are pass through unchanged.
  switch (subtype) {
    case SF_FORMAT_PCM_U8:
      reading_ = Reading::ShortsAsUnsignedBytes;
      format_.sampleFormat = AUDIO_U8;
      break;
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_PCM_32:
      reading_ = Reading::Ints;
      format_.sampleFormat = AUDIO_S32SYS;
      break;
    case SF_FORMAT_FLOAT:
    case SF_FORMAT_DOUBLE:
      reading_ = Reading::Floats;
      format_.sampleFormat = AUDIO_F32SYS;
      break;
    default:  // 16-bit PCM, and what decodes to it: A-law, mu-law, ADPCM
      reading_ = Reading::Shorts;
      format_.sampleFormat = AUDIO_S16SYS;
      break;
  }
}

WaveFile::~WaveFile() {
  sf_close(file_);
  ::close(fd_);
}

int64_t WaveFile::Read(void* into, int64_t frames) {
  if (frames <= 0) return 0;
  switch (reading_) {
    case Reading::Shorts: return sf_readf_short(file_, static_cast<short*>(into), frames);
    case Reading::Ints: return sf_readf_int(file_, static_cast<int*>(into), frames);
    case Reading::Floats: return sf_readf_float(file_, static_cast<float*>(into), frames);
    case Reading::ShortsAsUnsignedBytes: {
      shorts_.resize(static_cast<size_t>(frames) * format_.channels);
      const sf_count_t read = sf_readf_short(file_, shorts_.data(), frames);
      auto* bytes = static_cast<Uint8*>(into);
      // The library widened each byte b to (b - 128) * 256.
      for (size_t i = 0; i < static_cast<size_t>(std::max<sf_count_t>(read, 0)) * format_.channels; ++i) {
        bytes[i] = static_cast<Uint8>((shorts_[i] >> 8) + 128);
      }
      return read;
    }
  }
  return 0;
}

bool WaveFile::Rewind() { return sf_seek(file_, 0, SEEK_SET) == 0; }

int64_t WaveFile::Length(void* self) {
  struct stat info {};
  if (::fstat(static_cast<WaveFile*>(self)->fd_, &info) != 0) return -1;
  return info.st_size;
}

int64_t WaveFile::Seek(int64_t offset, int whence, void* self) {
  WaveFile& file = *static_cast<WaveFile*>(self);
  int64_t base = 0;
  if (whence == SEEK_CUR) base = file.offset_;
  if (whence == SEEK_END) base = Length(self);
  if (base < 0 || (offset > 0 && base > INT64_MAX - offset) || base + offset < 0) return -1;
  file.offset_ = base + offset;
  return file.offset_;
}

int64_t WaveFile::ReadBytes(void* into, int64_t count, void* self) {
  WaveFile& file = *static_cast<WaveFile*>(self);
  int64_t done = 0;
  while (done < count) {
    const ssize_t got = ::pread(file.fd_, static_cast<char*>(into) + done, static_cast<size_t>(count - done),
                                static_cast<off_t>(file.offset_));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += got;
    file.offset_ += got;
  }
  return done;
}

int64_t WaveFile::WriteBytes(const void*, int64_t, void*) { return 0; }

int64_t WaveFile::Tell(void* self) { return static_cast<WaveFile*>(self)->offset_; }

}  // namespace kt
