// BLACK, BYTE_RUN and FLI_COPY: chunks that cover the whole image.
#include "flic/chunk_decoders.h"

namespace kt::decode {

bool DecodeBlack(const FrameTarget& target) {
  const Image image(target);
  if (image.end > 0) std::memset(image.pixels, 0, image.end);
  return true;
}

bool DecodeByteRun(const uint8_t* data, uint32_t size, const FrameTarget& target) {
  ChunkData in(data, size);
  const Image image(target);
  bool clipped = false;
  for (uint32_t y = 0; y < target.height; ++y) {
    // The line's packet-count byte cannot count past 255 packets and encoders
    // fill it carelessly, so only the width ends a line.
    in.Skip(1);
    uint32_t offset = image.RowStart(y, target.width);
    // Runs may pass the row's end; the next line starts over at its own row.
    // Every turn consumes data, a zero count its two bytes too, so a line
    // cannot spin on an endless run of zero counts.
    for (uint32_t x = 0; x < target.width;) {
      if (!in.Has(1)) return false;
      const int8_t c = in.S8();
      if (c >= 0) {
        if (!in.Has(1)) return false;
        clipped |= !image.Fill(offset, in.U8(), static_cast<uint32_t>(c));
        x += static_cast<uint32_t>(c);
      } else {
        const uint32_t want = static_cast<uint32_t>(-c);
        const uint32_t have = std::min(want, in.Left());
        clipped |= !image.Copy(offset, in.Here(), have);
        if (have < want) return false;
        in.Skip(want);
        x += want;
      }
    }
  }
  return !clipped;
}

bool DecodeFliCopy(const uint8_t* data, uint32_t size, const FrameTarget& target) {
  const Image image(target);
  const uint32_t n = std::min(size, image.end);
  if (n > 0) std::memcpy(image.pixels, data, n);
  return size >= image.end;
}

}  // namespace kt::decode
