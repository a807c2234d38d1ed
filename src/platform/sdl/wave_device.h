// The wave-audio device that a WAV accompaniment plays on: the whole file in
// memory, fed to the system's default output by the audio library's own
// thread. Opening it is the only step that can fail loudly; the others act
// on whatever is open and do nothing otherwise.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "base/errors.h"

namespace kt {

// A sound file that cannot be played; the text names the file, says why and
// what to do, and keeps the audio library's own words.
class SoundError : public PlayerError {
 public:
  using PlayerError::PlayerError;
};

// What the audio thread reads, guarded by the device's lock.
struct WaveFeed;

class WaveDevice {
 public:
  using Clock = std::chrono::steady_clock;

  WaveDevice();
  ~WaveDevice();
  WaveDevice(const WaveDevice&) = delete;
  WaveDevice& operator=(const WaveDevice&) = delete;

  // Loads the whole WAV file (found without regard to letter case) and opens
  // the default output device in its format; positioned at the start, silent.
  // Throws SoundError. A device already open is closed first.
  void Open(const std::string& fileName);
  bool IsOpen() const { return device_ != 0; }
  // True while samples are being played.
  bool Playing() const;
  // Plays on from the current position, or from the start when the sound
  // has played to its end; returns at once.
  void Play();
  // The position stays where the sound stopped.
  void Stop();
  // Releases the device, the samples and the audio library.
  void Close();

  // When the first samples after the latest Play were handed to the device;
  // empty until they have been. For measuring the start-up delay.
  std::optional<Clock::time_point> FirstSamplesHandedAt() const;

 private:
  std::unique_ptr<WaveFeed> feed_;
  uint32_t device_ = 0;
};

}  // namespace kt
