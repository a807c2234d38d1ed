// The wave-audio device as the player reaches it: a module loaded the first
// time a WAV file is opened (platform/private_module.h). SDL, libsndfile and
// the sound servers' and codecs' libraries behind them are some thirty
// libraries that a start without sound need not load.
#pragma once

#include <string>

#include "platform/sdl/wave_device.h"

namespace kt {

// WaveDevice's own calls, made inside the module; they throw as those do.
struct SoundCalls {
  WaveDevice* (*create)();
  void (*destroy)(WaveDevice* device);
  void (*open)(WaveDevice& device, const std::string& fileName);
  bool (*playing)(const WaveDevice& device);
  void (*play)(WaveDevice& device);
  void (*stop)(WaveDevice& device);
  void (*close)(WaveDevice& device);
};

// The one name the module exports: a function that returns its calls.
inline constexpr const char* kSoundCallsEntry = "KinetropeSoundCalls";
using SoundCallsEntry = const SoundCalls* (*)();

}  // namespace kt
