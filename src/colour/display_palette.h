// The colours that are shown: the flic's palette after contrast and
// brightness, in the three forms the installers take. The forms keep the
// byte layouts of their Windows counterparts (LOGPALETTE, RGBQUAD,
// PALETTEENTRY) so they can be handed on as blocks.
#pragma once

#include <array>
#include <cstdint>

#include "colour/base_palette.h"
#include "colour/palette_adjustment.h"

namespace kt {

inline constexpr uint8_t kPcReserved = 0x01;  // peFlags: the entry may be animated, never matched

struct PaletteEntry {
  uint8_t peRed = 0;
  uint8_t peGreen = 0;
  uint8_t peBlue = 0;
  uint8_t peFlags = 0;
  bool operator==(const PaletteEntry&) const = default;
};

struct RgbQuad {
  uint8_t rgbBlue = 0;
  uint8_t rgbGreen = 0;
  uint8_t rgbRed = 0;
  uint8_t rgbReserved = 0;
  bool operator==(const RgbQuad&) const = default;
};

using PaletteEntries = std::array<PaletteEntry, 256>;
using ColourTable = std::array<RgbQuad, 256>;

struct LogicalPalette {
  uint16_t palVersion = 0x300;
  uint16_t palNumEntries = 256;
  PaletteEntries palPalEntry{};
};

static_assert(sizeof(PaletteEntry) == 4 && sizeof(RgbQuad) == 4);
static_assert(sizeof(LogicalPalette) == 4 + 256 * 4);

struct DisplayPalette {
  LogicalPalette logical;                     // what a GDI palette is made from
  ColourTable colourTable{};                  // the frame bitmap's colours
  PaletteEntries FullScreenPaletteEntries{};  // the full-screen palette's colours, flags 0
};

// One channel as shown: the factor times the channel, rounded to the
// nearest integer with halves to even, plus the offset, capped at 255.
uint8_t AdjustedChannel(uint8_t channel, const Real48& factor, uint16_t offset);

// Writes the colour bytes of the logical palette (its flags stay as they
// are) and the whole colour table from the flic's palette and the adjustment.
void BuildPalette(const BasePalette& base, const PaletteAdjustment& adjustment, DisplayPalette& display);

// The full-screen entries from the colour table, flags 0.
void CopyFullScreenEntries(DisplayPalette& display);

}  // namespace kt
