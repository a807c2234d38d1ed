#include "platform/sdl/wave_device.h"

#include <SDL.h>

#include <algorithm>
#include <vector>

#include "platform/path_lookup.h"
#include "platform/sdl/wave_file.h"

namespace kt {

namespace {

// The audio thread sleeps one device buffer at a time, and closing the device
// waits for it to wake: at a file's rate of 1 Hz that would be minutes. The
// device therefore runs at a rate sound outputs run at, and a file outside
// it is resampled on the way.
constexpr int kLowestDeviceRate = 8000;
constexpr int kHighestDeviceRate = 192000;
// Above this the resampler would need more history than a sound is worth.
constexpr int kHighestFileRate = 768000;
// Frames read from the file at a time, and pieces per device buffer at most:
// the audio thread's work per buffer stays bounded whatever the rates.
constexpr int64_t kPieceFrames = 4096;
constexpr int kPiecesPerBuffer = 16;

}  // namespace

struct WaveFeed {
  std::unique_ptr<WaveFile> file;
  // From the file's rate to the device's; the samples pass through unchanged
  // when the two agree.
  SDL_AudioStream* converter = nullptr;
  std::vector<Uint8> piece;  // the samples last read from the file
  int deviceRate = 0;
  int deviceFrameBytes = 0;
  int64_t position = 0;  // frames read from the file
  bool flushed = false;  // the file's last frames have gone into the converter
  bool playing = false;
  Uint8 silence = 0;
  bool handedSincePlay = false;
  WaveDevice::Clock::time_point handedAt{};

  ~WaveFeed() {
    if (converter != nullptr) SDL_FreeAudioStream(converter);
  }

  bool PlayedToTheEnd() const { return flushed && SDL_AudioStreamAvailable(converter) == 0; }

  // Fills `out` from the converter, reading only the file frames this buffer
  // needs; returns the bytes filled. Fewer than asked means the sound ended
  // or the disk could not keep up.
  int Fill(Uint8* out, int length) {
    int filled = 0;
    for (int pieces = 0;;) {
      const int got = SDL_AudioStreamGet(converter, out + filled, length - filled);
      if (got < 0) break;
      filled += got;
      if (filled >= length) break;
      if (position >= file->Frames()) {
        if (flushed) {
          playing = false;
          break;
        }
        SDL_AudioStreamFlush(converter);
        flushed = true;
        continue;
      }
      if (pieces++ == kPiecesPerBuffer) break;
      ReadPiece(length - filled);
    }
    return filled;
  }

  void ReadPiece(int bytesWanted) {
    const WaveFormat& format = file->Format();
    const int64_t deviceFrames = bytesWanted / deviceFrameBytes;
    const int64_t frames =
        std::clamp<int64_t>((deviceFrames * format.rate + deviceRate - 1) / deviceRate, 1, kPieceFrames);
    piece.resize(static_cast<size_t>(frames * format.FrameBytes()));
    const int64_t read = file->Read(piece.data(), std::min(frames, file->Frames() - position));
    // A read that fails ends the sound where it is: later failures pass silently.
    if (read <= 0 || SDL_AudioStreamPut(converter, piece.data(), static_cast<int>(read * format.FrameBytes())) != 0) {
      position = file->Frames();
      return;
    }
    position += read;
  }
};

namespace {

// Runs on the audio library's thread, under the device's lock.
void SDLCALL FillBuffer(void* userdata, Uint8* stream, int length) {
  WaveFeed& feed = *static_cast<WaveFeed*>(userdata);
  const int filled = feed.playing ? feed.Fill(stream, length) : 0;
  if (filled > 0 && !feed.handedSincePlay) {
    feed.handedSincePlay = true;
    feed.handedAt = WaveDevice::Clock::now();
  }
  std::fill(stream + filled, stream + length, feed.silence);
}

// About 10 to 20 ms of sound per buffer: a sound starts that soon after Play,
// and the device is still fed in time on a busy machine.
Uint16 BufferFrames(int rate) {
  Uint16 frames = 128;
  while (frames < 4096 && frames * 2 <= rate / 50) frames = static_cast<Uint16>(frames * 2);
  return frames;
}

std::string NoDeviceText(const std::string& path, const std::string& libraryText) {
  return SoundFailureText(path, "no audio device could be opened", libraryText,
                          "Check the computer's sound output, or play without WAVFILE");
}

std::string RefusedFormatText(const std::string& path, const WaveFormat& format, const std::string& libraryText) {
  return SoundFailureText(path,
                          "the audio device cannot play the file's format, " + std::to_string(format.channels) +
                              (format.channels == 1 ? " channel of " : " channels of ") + format.encoding + " at " +
                              std::to_string(format.rate) + " Hz",
                          libraryText, "Give WAVFILE a WAV file in a common format, such as 16-bit PCM in stereo");
}

// Whether the device opens for an everyday sound: when it does, the file's
// format is what it refused.
bool DeviceTakesAPlainSound(int rate) {
  SDL_AudioSpec plain{};
  plain.freq = rate;
  plain.format = AUDIO_S16SYS;
  plain.channels = 2;
  plain.samples = BufferFrames(rate);
  const SDL_AudioDeviceID probe = SDL_OpenAudioDevice(nullptr, 0, &plain, nullptr, 0);
  if (probe == 0) return false;
  SDL_CloseAudioDevice(probe);
  return true;
}

}  // namespace

WaveDevice::WaveDevice() = default;

WaveDevice::~WaveDevice() { Close(); }

void WaveDevice::Open(const std::string& fileName) {
  Close();
  const std::string path = FindPathIgnoringCase(fileName);
  // Ctrl-C must still end the program, not turn into an event nobody reads;
  // not even an environment setting brings the library's handlers back.
  SDL_SetHintWithPriority(SDL_HINT_NO_SIGNAL_HANDLERS, "1", SDL_HINT_OVERRIDE);

  auto feed = std::make_unique<WaveFeed>();
  feed->file = std::make_unique<WaveFile>(path);
  const WaveFormat& format = feed->file->Format();
  if (format.rate > kHighestFileRate) {
    throw SoundError(
        RefusedFormatText(path, format, "rates above " + std::to_string(kHighestFileRate) + " Hz are not played"));
  }
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) throw SoundError(NoDeviceText(path, SDL_GetError()));

  feed->deviceRate = std::clamp(format.rate, kLowestDeviceRate, kHighestDeviceRate);
  SDL_AudioSpec wanted{};
  wanted.freq = feed->deviceRate;
  wanted.format = format.sampleFormat;
  wanted.channels = static_cast<Uint8>(std::min(format.channels, 255));
  wanted.samples = BufferFrames(feed->deviceRate);
  wanted.callback = FillBuffer;
  wanted.userdata = feed.get();
  // No changes allowed: the callback always gets the format asked for, and
  // the library converts when the device plays another.
  SDL_AudioSpec obtained{};
  const SDL_AudioDeviceID device = format.channels <= 255 ? SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0) : 0;
  if (device == 0) {
    const std::string why = format.channels <= 255 ? SDL_GetError() : "more than 255 channels";
    const bool fileRefused = DeviceTakesAPlainSound(feed->deviceRate);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    throw SoundError(fileRefused ? RefusedFormatText(path, format, why) : NoDeviceText(path, why));
  }
  feed->converter = SDL_NewAudioStream(format.sampleFormat, wanted.channels, format.rate, format.sampleFormat,
                                       wanted.channels, feed->deviceRate);
  if (feed->converter == nullptr) {
    const std::string why = SDL_GetError();
    SDL_CloseAudioDevice(device);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    throw SoundError(RefusedFormatText(path, format, why));
  }
  feed->deviceFrameBytes = format.FrameBytes();
  feed->silence = obtained.silence;
  feed_ = std::move(feed);
  device_ = device;
  // The device runs from now on, silent until Play.
  SDL_PauseAudioDevice(device_, 0);
}

bool WaveDevice::Playing() const {
  if (device_ == 0) return false;
  SDL_LockAudioDevice(device_);
  const bool playing = feed_->playing;
  SDL_UnlockAudioDevice(device_);
  return playing;
}

void WaveDevice::Play() {
  if (device_ == 0) return;
  SDL_LockAudioDevice(device_);
  if (feed_->PlayedToTheEnd()) {
    SDL_AudioStreamClear(feed_->converter);
    feed_->flushed = false;
    // A file that cannot seek back plays nothing more, rather than its middle.
    feed_->position = feed_->file->Rewind() ? 0 : feed_->file->Frames();
  }
  feed_->playing = true;
  feed_->handedSincePlay = false;
  SDL_UnlockAudioDevice(device_);
}

void WaveDevice::Stop() {
  if (device_ == 0) return;
  SDL_LockAudioDevice(device_);
  feed_->playing = false;
  SDL_UnlockAudioDevice(device_);
}

void WaveDevice::Close() {
  if (device_ == 0) return;
  // Waits for the audio thread, so nothing reads the file once it is closed.
  SDL_CloseAudioDevice(device_);
  device_ = 0;
  feed_.reset();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

std::optional<WaveDevice::Clock::time_point> WaveDevice::FirstSamplesHandedAt() const {
  if (device_ == 0) return std::nullopt;
  SDL_LockAudioDevice(device_);
  const bool handed = feed_->handedSincePlay;
  const Clock::time_point at = feed_->handedAt;
  SDL_UnlockAudioDevice(device_);
  if (!handed) return std::nullopt;
  return at;
}

size_t WaveDevice::HeldSoundBytes() const {
  if (device_ == 0) return 0;
  SDL_LockAudioDevice(device_);
  const size_t held = feed_->piece.capacity() + feed_->file->HeldBytes() +
                      static_cast<size_t>(SDL_AudioStreamAvailable(feed_->converter));
  SDL_UnlockAudioDevice(device_);
  return held;
}

}  // namespace kt
