// Bounds policy. Flic data is trusted for nothing that could reach outside
// the image, the palette or the chunk:
//  - a run, fill or copy is cut at the image's end (width x height bytes) and
//    at the data's end; skips saturate at the image's end;
//  - a read that would pass the chunk's end stops the chunk: what was decoded
//    stays, the rest is dropped;
//  - a line number at or past the height (DELTA_FLI's band, DELTA_FLC's
//    current line) stops the chunk, so huge line skips cost nothing;
//  - a colour index past 255 stops the colour chunk; the palette is still
//    installed, as it may have changed before that point.
// Well-formed chunks never meet any of these, and decode exactly as the
// format has it. A chunk that met one is reported once through
// DecodeEvents::DataClipped, and DecodeChunk returns false for it. Every
// loop consumes data or ends at a fixed bound (the height, a count field), so
// hostile data costs time in proportion to its size.
#include "flic/frame_decoder.h"

#include <algorithm>

#include "flic/chunk_decoders.h"
#include "flic/flic_header.h"

namespace kt {

bool IsKnownChunkType(uint16_t type) {
  switch (type) {
    case COLOR_256:
    case COLOR_64:
    case DELTA_FLC:
    case DELTA_FLI:
    case BLACK:
    case BYTE_RUN:
    case FLI_COPY:
    case PSTAMP: return true;
    default: return false;
  }
}

bool DecodeChunk(uint16_t type, const uint8_t* data, uint32_t dataSize, FrameTarget& target, DecodeEvents& events) {
  if (data == nullptr) dataSize = 0;
  ChangedLines lines = ChangedLines::All(target.height);
  bool whole = true;
  switch (type) {
    case COLOR_256:
    case COLOR_64:
      whole = decode::DecodeColour(data, dataSize, type == COLOR_64, target.palette);
      // New colours change every pixel shown; marked before the palette goes in, which may raise.
      if (target.changed) target.changed->Add(lines);
      events.ApplyPalette();
      return whole;
    case DELTA_FLC: whole = decode::DecodeDeltaFlc(data, dataSize, target, lines); break;
    case DELTA_FLI: whole = decode::DecodeDeltaFli(data, dataSize, target, lines); break;
    case BLACK: whole = decode::DecodeBlack(target); break;
    case BYTE_RUN: whole = decode::DecodeByteRun(data, dataSize, target); break;
    case FLI_COPY: whole = decode::DecodeFliCopy(data, dataSize, target); break;
    case PSTAMP: return true;
    default: events.UnknownChunk(type); return true;
  }
  // A chunk cut short may have written past the lines it counted.
  if (target.changed) target.changed->Add(whole ? lines : ChangedLines::All(target.height));
  return whole;
}

void DecodeFrame(const FrameSlot& slot, FrameTarget& target, DecodeEvents& events) {
  if (target.changed) *target.changed = {};
  const int chunks = std::min<int>(slot.chunks, static_cast<int>(slot.chunkTable.size()));
  for (int j = 0; j < chunks; ++j) {
    const ChunkRef& chunk = slot.chunkTable[static_cast<size_t>(j)];
    const uint32_t dataSize = chunk.size >= kChunkHeaderSize ? chunk.DataSize() : 0;
    if (!DecodeChunk(chunk.type, chunk.data.get(), dataSize, target, events)) {
      events.DataClipped(j, chunk.type);
    }
  }
}

}  // namespace kt
