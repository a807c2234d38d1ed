// Applies one frame's chunks to the current image and palette.
#pragma once

#include <cstdint>

#include "base/changed_lines.h"
#include "colour/base_palette.h"
#include "flic/frame_store.h"

namespace kt {

// The image and palette a frame is decoded into; both carry over between frames.
struct FrameTarget {
  uint8_t* pixels = nullptr;  // width x height bytes, top row first, no row padding
  uint16_t width = 0;
  uint16_t height = 0;
  BasePalette* palette = nullptr;
  bool optimize = true;  // "Optimize Decoding": the word-at-a-time DELTA_FLC way
  // When given, the lines the frame's chunks changed or may have: a delta's
  // lines, every line for a chunk that covers the image, new colours or a
  // chunk that was cut short.
  ChangedLines* changed = nullptr;
};

// What the decoder asks of its caller while it works.
class DecodeEvents {
 public:
  virtual ~DecodeEvents() = default;
  // After each colour chunk: rebuild and install the shown palette. May raise.
  virtual void ApplyPalette() {}
  // A chunk of a type the player does not know; it is skipped on return. The
  // player's own implementation asks the user and ends the program on Abort.
  virtual void UnknownChunk(uint16_t /*type*/) {}
  // Chunk data that would have written outside the image or the palette, or
  // read past the chunk's end, was cut off (see the decoder's bounds policy).
  virtual void DataClipped(int /*chunkIndex*/, uint16_t /*type*/) {}
};

// Decodes every chunk of the slot, in order, into the target; the target's
// `changed`, if any, starts empty.
void DecodeFrame(const FrameSlot& slot, FrameTarget& target, DecodeEvents& events);

// Whether the decoder knows the chunk type; any other makes it ask the user.
bool IsKnownChunkType(uint16_t type);

// Decodes one chunk; returns false when its data was clipped. It does not
// call DataClipped itself, as only the frame knows the chunk's index.
bool DecodeChunk(uint16_t type, const uint8_t* data, uint32_t dataSize, FrameTarget& target, DecodeEvents& events);

}  // namespace kt
