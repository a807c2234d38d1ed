// COLOR_256 and COLOR_64: packets of (skip, count) followed by count colours.
#include "flic/chunk_decoders.h"

namespace kt::decode {

bool DecodeColour(const uint8_t* data, uint32_t size, bool sixBit, BasePalette* palette) {
  ChunkData in(data, size);
  if (!in.Has(2)) return false;
  const uint16_t packets = in.U16();
  // Wider than a byte so that an index past the last entry stops the chunk
  // instead of wrapping round to entry 0.
  uint32_t index = 0;
  for (uint16_t p = 0; p < packets; ++p) {
    if (!in.Has(2)) return false;
    index += in.U8();
    const uint8_t countByte = in.U8();
    const uint32_t count = countByte == 0 ? 256 : countByte;
    for (uint32_t k = 0; k < count; ++k, ++index) {
      if (index > 255 || palette == nullptr || !in.Has(3)) return false;
      RgbColour colour{in.U8(), in.U8(), in.U8()};
      if (sixBit) {
        // Times 4 cut to 8 bits: 63 gives 252, 64 wraps to 0.
        colour.red = static_cast<uint8_t>(colour.red << 2);
        colour.green = static_cast<uint8_t>(colour.green << 2);
        colour.blue = static_cast<uint8_t>(colour.blue << 2);
      }
      (*palette)[index] = colour;
    }
  }
  return true;
}

}  // namespace kt::decode
