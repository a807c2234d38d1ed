#include "colour/display_palette.h"

#include <cmath>

namespace kt {

uint8_t AdjustedChannel(uint8_t channel, const ContrastFactor& factor, uint16_t offset) {
  // Exact: a 40-bit significand times an 8-bit integer fits in 64 bits.
  const long double product = factor.Value() * channel;
  long double rounded = std::floor(product);
  const long double fraction = product - rounded;  // exact as well
  // Decided by hand rather than by the FPU's rounding mode, which a host
  // library may have changed.
  if (fraction > 0.5L || (fraction == 0.5L && std::fmod(rounded, 2.0L) != 0)) rounded += 1;
  // Factors are never negative, so there is no lower bound to keep.
  const unsigned value = static_cast<unsigned>(rounded) + offset;
  return static_cast<uint8_t>(value > 255 ? 255 : value);
}

void BuildPalette(const BasePalette& base, const PaletteAdjustment& adjustment, DisplayPalette& display) {
  const ContrastFactor factor = adjustment.ContrastFactor;
  const uint16_t offset = adjustment.BrightnessOffset;
  for (size_t i = 0; i < base.size(); ++i) {
    const uint8_t red = AdjustedChannel(base[i].red, factor, offset);
    const uint8_t green = AdjustedChannel(base[i].green, factor, offset);
    const uint8_t blue = AdjustedChannel(base[i].blue, factor, offset);
    display.colourTable[i] = RgbQuad{blue, green, red, 0};
  }
}

ChannelLevels MakeChannelLevels(const PaletteAdjustment& adjustment) {
  ChannelLevels levels{};
  for (size_t c = 0; c < levels.size(); ++c) {
    levels[c] = AdjustedChannel(static_cast<uint8_t>(c), adjustment.ContrastFactor, adjustment.BrightnessOffset);
  }
  return levels;
}

}  // namespace kt
