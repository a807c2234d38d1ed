// DELTA_FLI: byte-oriented delta over a band of consecutive lines.
#include "flic/chunk_decoders.h"

namespace kt::decode {
namespace {

// The packets of one line from `offset`, each cut at the image's or the
// data's end; `end` is set past the last. False when the data ran out.
bool DecodeLineChecked(ChunkData& in, const Image& image, uint32_t offset, uint32_t packets, bool& clipped,
                       uint32_t& end) {
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
  end = offset;
  return true;
}

// Each packet checked once against data and image with the position in
// registers; one that would pass either end stops the run.
uint32_t RunPackets(const uint8_t* data, uint32_t size, uint32_t& pos, uint8_t* pixels, uint32_t end, uint32_t& offset,
                    uint32_t packets) {
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
  return p;
}

#if defined(__SSE2__)
// A line whose packets cannot reach past the data or the image: each packet
// moved by StoreRunWide.
uint32_t RunRoomyPackets(const uint8_t* data, uint32_t& pos, uint8_t* pixels, uint32_t& offset, uint32_t packets) {
  for (uint32_t p = 0; p < packets; ++p) {
    const uint8_t* packet = data + pos;
    const auto c = static_cast<int8_t>(packet[1]);
    const bool literal = c >= 0;
    const uint32_t bytes = static_cast<uint32_t>(literal ? c : -c);
    StoreRunWide(pixels + offset + packet[0], packet + 2, bytes, literal, _mm_set1_epi8(static_cast<char>(packet[2])));
    offset += packet[0] + bytes;
    pos += literal ? 2 + bytes : 3;
  }
  return packets;
}
#endif

// A line whose packets cannot reach past the data or the image, whatever
// their contents, runs without a check per packet; others check each, and a
// packet that would pass either end goes to the checked loop above, which
// cuts it where the data or the image ends.
// The offset stays a value, so that the pixel stores cannot make the
// compiler load it again from memory.
bool DecodeLine(ChunkData& in, const Image& image, uint32_t offset, uint32_t packets, bool& clipped, uint32_t& end) {
  const uint8_t* const data = in.Data();
  const uint32_t size = in.Size();
  uint32_t pos = in.Pos();
#if defined(__SSE2__)
  // A packet reads at most 129 bytes, 16 more with the wide loads, and moves
  // at most 255 + 128 pixels on, writing at most 16 past its run.
  const bool roomy = packets <= (size - pos) / 145 && packets <= (image.end - offset) / 399;
  const uint32_t done = roomy ? RunRoomyPackets(data, pos, image.pixels, offset, packets)
                              : RunPackets(data, size, pos, image.pixels, image.end, offset, packets);
#else
  const uint32_t done = RunPackets(data, size, pos, image.pixels, image.end, offset, packets);
#endif
  in.SetPos(pos);
  if (done == packets) {
    end = offset;
    return true;
  }
  return DecodeLineChecked(in, image, offset, packets - done, clipped, end);
}

}  // namespace

bool DecodeDeltaFli(const uint8_t* data, uint32_t size, const FrameTarget& target, ChangedLines& changed) {
  ChunkData in(data, size);
  const Image image(target);
  if (!in.Has(4)) return false;
  // Wider than the format's line number so that a band past the last line
  // stops the chunk instead of wrapping round to the top.
  uint32_t y = in.U16();
  const uint32_t first = y;
  const uint16_t lines = in.U16();
  bool clipped = false;
  // How far the writes reached: a line's packets may run on past its end.
  uint32_t reach = 0;
  for (uint16_t k = 0; k < lines; ++k, ++y) {
    if (y >= target.height || !in.Has(1)) return false;
    const uint8_t packets = in.U8();
    uint32_t end = 0;
    if (!DecodeLine(in, image, image.RowStart(y, target.width), packets, clipped, end)) return false;
    reach = std::max(reach, end);
  }
  changed = WrittenLines(first, reach, target.width);
  return !clipped;
}

}  // namespace kt::decode
