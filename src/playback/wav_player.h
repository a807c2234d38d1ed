// The control panel's hidden media player for the WAV accompaniment: a file
// name and the wave-audio device it opens. Only Open reports failures; the
// other operations fail silently, and the picture plays on regardless.
#pragma once

#include <memory>
#include <string>

#include "platform/sdl/wave_device.h"

namespace kt {

enum class MediaMode { NotOpen, Stopped, Playing };

class WavPlayer {
 public:
  std::string FileName;

  // Opens FileName on the wave-audio device, positioned at the start. Throws SoundError.
  void Open();
  MediaMode Mode() const;
  // From the current position, or from the start once the sound has played to its end.
  void Play();
  void Stop();
  void Close();

  // After an Open: the device, which the sound module made.
  const WaveDevice& Device() const { return *device_; }

 private:
  struct Release {
    void operator()(WaveDevice* device) const;
  };
  std::unique_ptr<WaveDevice, Release> device_;
};

}  // namespace kt
