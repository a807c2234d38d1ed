#include "platform/sdl/wave_device.h"

#include <SDL.h>

#include <algorithm>
#include <vector>

#include "platform/path_lookup.h"
#include "platform/sdl/wave_file.h"

namespace kt {

namespace {

// The audio thread sleeps one device buffer at a time, and closing the device
// waits for it to wake: at a file's rate of 1 Hz that would be minutes. A file
// slower than this therefore plays on a device k times as fast, each of its
// frames held for k device frames: no sound output runs slower anyway, and
// holding costs no work and adds no delay.
constexpr int kLowestDeviceRate = 4000;
// Faster than this, the audio library's own conversion to the output's rate
// would need more history than a sound is worth.
constexpr int kHighestFileRate = 768000;

}  // namespace

struct WaveFeed {
  std::unique_ptr<WaveFile> file;
  int hold = 1;              // device frames per file frame
  std::vector<Uint8> frame;  // the frame being held, when hold > 1
  int heldLeft = 0;          // device frames it is still held for
  int64_t position = 0;      // frames read from the file
  bool playing = false;
  Uint8 silence = 0;
  bool handedSincePlay = false;
  WaveDevice::Clock::time_point handedAt{};

  bool PlayedToTheEnd() const { return position >= file->Frames() && heldLeft == 0; }

  // Fills `out` with the next frames of the sound; returns the bytes filled,
  // fewer than asked once the sound has ended. A read that fails ends the
  // sound where it is: later failures pass silently.
  int Fill(Uint8* out, int length) {
    const int frameBytes = file->Format().FrameBytes();
    const int64_t wanted = length / frameBytes;
    int64_t filled = 0;
    if (hold == 1) {
      filled = file->Read(out, std::min(wanted, file->Frames() - position));
      position = filled < wanted ? file->Frames() : position + filled;
    } else {
      while (filled < wanted) {
        if (heldLeft == 0) {
          if (position >= file->Frames()) break;
          if (file->Read(frame.data(), 1) != 1) {
            position = file->Frames();
            break;
          }
          ++position;
          heldLeft = hold;
        }
        for (; heldLeft > 0 && filled < wanted; --heldLeft, ++filled) {
          std::copy(frame.begin(), frame.end(), out + filled * frameBytes);
        }
      }
    }
    if (PlayedToTheEnd()) playing = false;
    return static_cast<int>(filled * frameBytes);
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
// the device closes that soon, and it is still fed in time on a busy machine.
Uint16 BufferFrames(int rate) {
  Uint16 frames = 64;
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

  if (format.rate < kLowestDeviceRate) {
    feed->hold = (kLowestDeviceRate + format.rate - 1) / format.rate;
    feed->frame.resize(static_cast<size_t>(format.FrameBytes()));
  }
  const int deviceRate = format.rate * feed->hold;
  SDL_AudioSpec wanted{};
  wanted.freq = deviceRate;
  wanted.format = format.sampleFormat;
  wanted.channels = static_cast<Uint8>(std::min(format.channels, 255));
  wanted.samples = BufferFrames(deviceRate);
  wanted.callback = FillBuffer;
  wanted.userdata = feed.get();
  // No changes allowed: the callback always gets the file's own format, and
  // the library converts when the device plays another.
  SDL_AudioSpec obtained{};
  const SDL_AudioDeviceID device = format.channels <= 255 ? SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0) : 0;
  if (device == 0) {
    const std::string why = format.channels <= 255 ? SDL_GetError() : "more than 255 channels";
    const bool fileRefused = DeviceTakesAPlainSound(deviceRate);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    throw SoundError(fileRefused ? RefusedFormatText(path, format, why) : NoDeviceText(path, why));
  }
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
  const size_t held = feed_->frame.capacity() + feed_->file->HeldBytes();
  SDL_UnlockAudioDevice(device_);
  return held;
}

}  // namespace kt
