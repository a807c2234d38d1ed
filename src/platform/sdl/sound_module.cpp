// The entry of the module the player loads to play sound (see sound_module.h).
#include "platform/sdl/sound_module.h"

extern "C" const kt::SoundCalls* KinetropeSoundCalls() {
  using kt::WaveDevice;
  static const kt::SoundCalls calls{
      [] { return new WaveDevice(); },
      [](WaveDevice* device) { delete device; },
      [](WaveDevice& device, const std::string& fileName) { device.Open(fileName); },
      [](const WaveDevice& device) { return device.Playing(); },
      [](WaveDevice& device) { device.Play(); },
      [](WaveDevice& device) { device.Stop(); },
      [](WaveDevice& device) { device.Close(); },
  };
  return &calls;
}
