// The colours that are shown: the flic's palette after contrast and
// brightness, as a bitmap's colour table (blue, green, red, 0), the form
// the picture writers take.
#pragma once

#include <array>
#include <cstdint>

#include "colour/base_palette.h"
#include "colour/palette_adjustment.h"

namespace kt {

struct RgbQuad {
  uint8_t rgbBlue = 0;
  uint8_t rgbGreen = 0;
  uint8_t rgbRed = 0;
  uint8_t rgbReserved = 0;
  bool operator==(const RgbQuad&) const = default;
};

using ColourTable = std::array<RgbQuad, 256>;

static_assert(sizeof(RgbQuad) == 4);

struct DisplayPalette {
  ColourTable colourTable{};
};

// One channel as shown: the factor times the channel, rounded to the
// nearest integer with halves to even, plus the offset, capped at 255.
uint8_t AdjustedChannel(uint8_t channel, const ContrastFactor& factor, uint16_t offset);

// The whole colour table from the flic's palette and the adjustment.
void BuildPalette(const BasePalette& base, const PaletteAdjustment& adjustment, DisplayPalette& display);

// Each channel value 0 to 255 as shown after the adjustment: the lookup that
// gives a true-colour picture the brightness and contrast a palette gets.
using ChannelLevels = std::array<uint8_t, 256>;
ChannelLevels MakeChannelLevels(const PaletteAdjustment& adjustment);

}  // namespace kt
