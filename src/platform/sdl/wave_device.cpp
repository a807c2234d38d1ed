#include "platform/sdl/wave_device.h"

#include <SDL.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/path_lookup.h"

namespace kt {

struct WaveFeed {
  Uint8* samples = nullptr;  // the whole sound, in the file's own format
  Uint32 length = 0;         // bytes
  Uint32 position = 0;       // bytes already handed to the device
  bool playing = false;
  Uint8 silence = 0;
  bool handedSincePlay = false;
  WaveDevice::Clock::time_point handedAt{};
};

namespace {

// Runs on the audio library's thread, under the device's lock.
void SDLCALL FillBuffer(void* userdata, Uint8* stream, int length) {
  WaveFeed& feed = *static_cast<WaveFeed*>(userdata);
  const auto wanted = static_cast<Uint32>(std::max(length, 0));
  Uint32 copied = 0;
  if (feed.playing) {
    copied = std::min(wanted, feed.length - feed.position);
    std::memcpy(stream, feed.samples + feed.position, copied);
    feed.position += copied;
    if (copied > 0 && !feed.handedSincePlay) {
      feed.handedSincePlay = true;
      feed.handedAt = WaveDevice::Clock::now();
    }
    if (feed.position >= feed.length) feed.playing = false;
  }
  std::memset(stream + copied, feed.silence, wanted - copied);
}

// About 10 to 20 ms of sound per buffer: a sound starts that soon after Play,
// and the device is still fed in time on a busy machine.
Uint16 BufferFrames(int rate) {
  Uint16 frames = 128;
  while (frames < 4096 && frames * 2 <= rate / 50) frames = static_cast<Uint16>(frames * 2);
  return frames;
}

std::string FailureText(const std::string& path, const std::string& why, const std::string& libraryText,
                        const std::string& advice) {
  return "Cannot play the sound file " + path + ": " + why + " (" + libraryText + "). " + advice;
}

// The audio library says what went wrong in its own words; a look at the
// file says which of the user's mistakes it was.
std::string LoadFailureText(const std::string& path, const std::string& libraryText) {
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    if (errno == ENOENT || errno == ENOTDIR) {
      return FailureText(path, "the file does not exist", libraryText, "Check the name given to WAVFILE");
    }
    return FailureText(path, std::string("the file cannot be read, ") + std::strerror(errno), libraryText,
                       "Check that the file can be read");
  }
  unsigned char head[12] = {};
  const size_t got = std::fread(head, 1, sizeof head, file);
  std::fclose(file);
  const bool wave = got == sizeof head && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0;
  if (!wave) return FailureText(path, "it is not a WAV file", libraryText, "Give WAVFILE a WAV file");
  return FailureText(path, "the WAV file is damaged or holds a kind of sound that cannot be played", libraryText,
                     "Give WAVFILE an intact PCM WAV file");
}

std::string NoDeviceText(const std::string& path, const std::string& libraryText) {
  return FailureText(path, "no audio device could be opened", libraryText,
                     "Check the computer's sound output, or play without WAVFILE");
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
  // A data chunk cut short is a damaged file, not a shorter sound.
  SDL_SetHint(SDL_HINT_WAVE_TRUNCATION, "strict");

  SDL_AudioSpec wanted{};
  Uint8* samples = nullptr;
  Uint32 length = 0;
  if (SDL_LoadWAV(path.c_str(), &wanted, &samples, &length) == nullptr) {
    throw SoundError(LoadFailureText(path, SDL_GetError()));
  }
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    const std::string why = SDL_GetError();
    SDL_FreeWAV(samples);
    throw SoundError(NoDeviceText(path, why));
  }
  feed_ = std::make_unique<WaveFeed>();
  feed_->samples = samples;
  feed_->length = length;
  wanted.samples = BufferFrames(wanted.freq);
  wanted.callback = FillBuffer;
  wanted.userdata = feed_.get();
  // No changes allowed: the callback always gets the file's own format, and
  // the library converts when the device plays another.
  SDL_AudioSpec obtained{};
  device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
  if (device_ == 0) {
    const std::string why = SDL_GetError();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    SDL_FreeWAV(samples);
    feed_.reset();
    throw SoundError(NoDeviceText(path, why));
  }
  feed_->silence = obtained.silence;
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
  if (feed_->position >= feed_->length) feed_->position = 0;
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
  // Waits for the audio thread, so nothing reads the samples once they are freed.
  SDL_CloseAudioDevice(device_);
  device_ = 0;
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  SDL_FreeWAV(feed_->samples);
  feed_.reset();
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

}  // namespace kt
