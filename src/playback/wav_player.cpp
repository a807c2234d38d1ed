#include "playback/wav_player.h"

#include "platform/private_module.h"
#include "platform/sdl/sound_module.h"

namespace kt {

namespace {

const SoundCalls* loadedCalls = nullptr;

// Loaded on the first Open and kept: the device is made inside the module.
const SoundCalls& LoadSoundCalls(const std::string& fileName) {
  if (loadedCalls != nullptr) return *loadedCalls;
  const ModuleEntry module = LoadModuleEntry("sound.so", kSoundCallsEntry);
  if (module.entry == nullptr) {
    throw SoundError(
        SoundFailureText(fileName, "the sound module cannot be loaded", module.failure, "Install the player again"));
  }
  loadedCalls = reinterpret_cast<SoundCallsEntry>(module.entry)();
  return *loadedCalls;
}

}  // namespace

void WavPlayer::Release::operator()(WaveDevice* device) const { loadedCalls->destroy(device); }

void WavPlayer::Open() {
  const SoundCalls& calls = LoadSoundCalls(FileName);
  if (device_ == nullptr) device_.reset(calls.create());
  calls.open(*device_, FileName);
}

MediaMode WavPlayer::Mode() const {
  if (device_ == nullptr || !device_->IsOpen()) return MediaMode::NotOpen;
  return loadedCalls->playing(*device_) ? MediaMode::Playing : MediaMode::Stopped;
}

void WavPlayer::Play() {
  if (device_ != nullptr) loadedCalls->play(*device_);
}

void WavPlayer::Stop() {
  if (device_ != nullptr) loadedCalls->stop(*device_);
}

void WavPlayer::Close() {
  if (device_ != nullptr) loadedCalls->close(*device_);
}

}  // namespace kt
