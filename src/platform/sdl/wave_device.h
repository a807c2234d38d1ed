// The wave-audio device that a WAV accompaniment plays on: the file read a
// piece at a time by the audio library's own thread, as the system's default
// output asks for it. Opening it is the only step that can fail loudly; the
// others act on whatever is open and do nothing otherwise.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/sdl/sound_error.h"

namespace kt {

// What the audio thread reads, guarded by the device's lock.
struct WaveFeed;

class WaveDevice {
 public:
  using Clock = std::chrono::steady_clock;

  WaveDevice();
  ~WaveDevice();
  WaveDevice(const WaveDevice&) = delete;
  WaveDevice& operator=(const WaveDevice&) = delete;

  // Opens the WAV file (found without regard to letter case) and the default
  // output device; positioned at the start, silent. Throws SoundError. A
  // device already open is closed first.
  void Open(const std::string& fileName);
  bool IsOpen() const { return device_ != 0; }
  // True while samples are being played.
  bool Playing() const;
  // Plays on from the current position, or from the start when the sound
  // has played to its end; returns at once.
  void Play();
  // The position stays where the sound stopped.
  void Stop();
  // Releases the device, the file and the audio library; returns within
  // one short buffer of the device, whatever the file's rate.
  void Close();

  // When the first samples after the latest Play were handed to the device;
  // empty until they have been. For measuring the start-up delay.
  std::optional<Clock::time_point> FirstSamplesHandedAt() const;
  // The bytes of sound held in memory besides the device's own buffer, into
  // which the file is read: a frame being held, 8-bit samples on their way.
  size_t HeldSoundBytes() const;

 private:
  std::unique_ptr<WaveFeed> feed_;
  uint32_t device_ = 0;
};

}  // namespace kt
