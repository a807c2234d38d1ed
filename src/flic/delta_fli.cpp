// DELTA_FLI: byte-oriented delta over a band of consecutive lines.
#include "flic/chunk_decoders.h"

namespace kt::decode {

bool DecodeDeltaFli(const uint8_t* data, uint32_t size, const FrameTarget& target) {
  ChunkData in(data, size);
  const Image image(target);
  if (!in.Has(4)) return false;
  // Wider than the format's line number so that a band past the last line
  // stops the chunk instead of wrapping round to the top.
  uint32_t y = in.U16();
  const uint16_t lines = in.U16();
  bool clipped = false;
  for (uint16_t k = 0; k < lines; ++k, ++y) {
    if (y >= target.height || !in.Has(1)) return false;
    const uint8_t packets = in.U8();
    uint32_t offset = image.RowStart(y, target.width);
    for (uint8_t p = 0; p < packets; ++p) {
      if (!in.Has(2)) return false;
      offset = image.Advance(offset, in.U8());
      const int8_t c = in.S8();
      if (c >= 0) {
        const uint32_t want = static_cast<uint32_t>(c);
        const uint32_t have = std::min(want, in.Left());
        clipped |= !image.Copy(offset, in.Here(), have);
        if (have < want) return false;
        in.Skip(want);
      } else {
        if (!in.Has(1)) return false;
        clipped |= !image.Fill(offset, in.U8(), static_cast<uint32_t>(-c));
      }
    }
  }
  return !clipped;
}

}  // namespace kt::decode
