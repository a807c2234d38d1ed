// Frames of 15, 16 and 24-bit flics: the picture in the file's own pixel
// layout, the chunks that change it, and its pixels as colours for writers
// and screens.
#pragma once

#include <cstdint>

#include "flic/frame_decoder.h"
#include "flic/frame_store.h"

namespace kt {

// The picture a true-colour frame is decoded into; it carries over between
// frames. Pixels are as the file stores them: 24 bits as bytes blue, green,
// red; 16 bits as little-endian words rrrrrggggggbbbbb; 15 bits as
// 0rrrrrgggggbbbbb.
struct TrueColourTarget {
  uint8_t* pixels = nullptr;  // width x height x BytesPerPixel(), top row first, no row padding
  uint16_t width = 0;
  uint16_t height = 0;
  uint8_t pixelBits = 24;           // 15, 16 or 24
  ChangedLines* changed = nullptr;  // as FrameTarget's

  uint32_t BytesPerPixel() const { return pixelBits == 24 ? 3 : 2; }
};

// Whether the decoder does something with the chunk type in a true-colour
// flic (colour chunks and postage stamps count: they are skipped by design).
bool IsKnownTrueColourChunkType(uint16_t type);

// Decodes one chunk as a true-colour flic uses it; false when its data was
// clipped, with the bounds policy of the 8-bit decoder.
bool DecodeTrueColourChunk(uint16_t type, const uint8_t* data, uint32_t dataSize, const TrueColourTarget& target,
                           DecodeEvents& events);

// Decodes every chunk of the slot, in order, into the target; the target's
// `changed`, if any, starts empty.
void DecodeTrueColourFrame(const FrameSlot& slot, const TrueColourTarget& target, DecodeEvents& events);

// `count` pixels of the given layout as bytes blue, green, red (a 24-bit
// bitmap's order); 5 and 6-bit components are widened by repeating their top
// bits, so that full intensity gives 255.
void TrueColourToBgr(const uint8_t* pixels, uint32_t count, uint8_t pixelBits, uint8_t* bgr);

// The same as 32-bit words 0xFFRRGGBB, the layout screens and image
// libraries take for opaque true colour.
void TrueColourToArgb32(const uint8_t* pixels, uint32_t count, uint8_t pixelBits, uint32_t* argb);

}  // namespace kt
