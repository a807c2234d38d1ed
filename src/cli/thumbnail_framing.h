// How much of a frame shows something, and where: game sprites and cels sit
// on one key or background colour that fills most of the picture, so a
// thumbnail chooses the frame that shows most and keeps only what that
// colour surrounds.
#pragma once

#include <cstdint>
#include <vector>

#include "colour/base_palette.h"

namespace kt::cli {

// A frame's pixels as colour indexes, row by row, with the palette they
// index; or, when `argb` is given, as 0xFFRRGGBB words (pixels and palette
// then unused).
struct FrameView {
  const std::vector<uint8_t>& pixels;
  const BasePalette& palette;
  uint32_t width;
  uint32_t height;
  const uint32_t* argb = nullptr;
};

inline RgbColour ArgbColour(uint32_t argb) {
  return {static_cast<uint8_t>(argb >> 16), static_cast<uint8_t>(argb >> 8), static_cast<uint8_t>(argb)};
}

struct Box {
  uint32_t left = 0;
  uint32_t top = 0;
  uint32_t width = 0;
  uint32_t height = 0;
};

struct Framing {
  RgbColour edge;        // the commonest colour of the outermost rows and columns
  bool edgeIsOneColour;  // every pixel of those rows and columns has it
  uint64_t shown;        // pixels of another colour than `edge`
  Box inside;            // the smallest box holding them all; the whole frame when none
};

Framing FrameFraming(const FrameView& frame);

// The box to keep: what one colour frames, or the whole picture when the
// edge has more than one colour or nothing stands inside it.
Box ThumbnailBox(const FrameView& frame, const Framing& framing);

}  // namespace kt::cli
