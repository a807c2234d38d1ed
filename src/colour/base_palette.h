// The flic's own 256 colours as its colour chunks set them.
#pragma once

#include <array>
#include <cstdint>

namespace kt {

struct RgbColour {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  bool operator==(const RgbColour&) const = default;
};

using BasePalette = std::array<RgbColour, 256>;

}  // namespace kt
