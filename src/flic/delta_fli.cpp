// DELTA_FLI: byte-oriented delta over a band of consecutive lines.
#include "flic/chunk_decoders.h"

namespace kt::decode {
namespace {

// The packets of one line from `offset`, each cut at the image's or the
// data's end. False when the data ran out.
bool DecodeLineChecked(ChunkData& in, const Image& image, uint32_t offset, uint32_t packets, bool& clipped) {
  for (uint32_t p = 0; p < packets; ++p) {
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
  return true;
}

// Each packet checked once against data and image with the position in
// registers; one that would pass either end goes to the checked loop.
bool DecodeLine(ChunkData& in, const Image& image, uint32_t offset, uint32_t packets, bool& clipped) {
  const uint8_t* const data = in.Data();
  const uint32_t size = in.Size();
  uint32_t pos = in.Pos();
  uint8_t* const pixels = image.pixels;
  const uint32_t end = image.end;
  uint32_t p = 0;
  for (; p < packets; ++p) {
    if (size - pos < 3) break;
    const uint32_t skip = data[pos];
    const auto c = static_cast<int8_t>(data[pos + 1]);
    if (c >= 0) {
      const auto bytes = static_cast<uint32_t>(c);
      if (skip + bytes > end - offset || bytes > size - pos - 2) break;
      offset += skip;
      CopyBytes(pixels + offset, data + pos + 2, bytes);
      offset += bytes;
      pos += 2 + bytes;
    } else {
      const auto bytes = static_cast<uint32_t>(-c);
      if (skip + bytes > end - offset) break;
      offset += skip;
      FillBytes(pixels + offset, data[pos + 2], bytes);
      offset += bytes;
      pos += 3;
    }
  }
  in.SetPos(pos);
  return p == packets || DecodeLineChecked(in, image, offset, packets - p, clipped);
}

}  // namespace

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
    if (!DecodeLine(in, image, image.RowStart(y, target.width), packets, clipped)) return false;
  }
  return !clipped;
}

}  // namespace kt::decode
