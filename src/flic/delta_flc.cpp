// DELTA_FLC: word-oriented line delta, with its two ways of moving words.
#include "flic/chunk_decoders.h"

namespace kt::decode {
namespace {

// "Optimize Decoding" checked: literal words move as 4-byte units, repeats
// store the pair in a tight loop.
struct FourByteMoves {
  static void Literal(uint8_t* dst, const uint8_t* src, uint32_t words) {
    for (uint32_t i = 0; i < words / 2; ++i, dst += 4, src += 4) std::memcpy(dst, src, 4);
    if (words & 1) std::memcpy(dst, src, 2);
  }
  static void Repeat(uint8_t* dst, const uint8_t pair[2], uint32_t words) {
    for (uint32_t i = 0; i < words; ++i, dst += 2) std::memcpy(dst, pair, 2);
  }
};

// Stores a pixel pair a given number of times.
void StoreWords(uint8_t* dst, const uint8_t pair[2], uint32_t words) {
  while (words-- > 0) {
    *dst++ = pair[0];
    *dst++ = pair[1];
  }
}

// Unchecked: one block copy per literal run, repeats through StoreWords.
struct BlockMoves {
  static void Literal(uint8_t* dst, const uint8_t* src, uint32_t words) { std::memcpy(dst, src, 2u * words); }
  static void Repeat(uint8_t* dst, const uint8_t pair[2], uint32_t words) { StoreWords(dst, pair, words); }
};

// The packets of one line from `offset`, cut at the image's or the data's
// end; `end` is set past the last. False when the data ran out.
template <typename Moves>
bool DecodeLinePacketsChecked(ChunkData& in, const Image& image, uint32_t offset, uint16_t packets, bool& clipped,
                              uint32_t& end) {
  for (uint16_t p = 0; p < packets; ++p) {
    if (!in.Has(2)) return false;
    offset = image.Advance(offset, in.U8());
    const int8_t c = in.S8();
    if (c >= 0) {
      const uint32_t bytes = 2u * static_cast<uint32_t>(c);
      const uint32_t have = std::min(bytes, in.Left());
      const uint32_t fits = image.Fits(offset, have);
      if (fits == bytes) {
        if (bytes > 0) Moves::Literal(image.pixels + offset, in.Here(), static_cast<uint32_t>(c));
      } else {
        // A run cut by the image's end or the data's end: both ways write the same bytes.
        if (fits > 0) std::memcpy(image.pixels + offset, in.Here(), fits);
        clipped = true;
      }
      if (have < bytes) return false;
      in.Skip(bytes);
      offset = image.Advance(offset, bytes);
    } else {
      if (!in.Has(2)) return false;
      const uint8_t pair[2] = {in.U8(), in.U8()};
      const uint32_t words = static_cast<uint32_t>(-c);
      const uint32_t fits = image.Fits(offset, 2 * words);
      if (fits == 2 * words) {
        Moves::Repeat(image.pixels + offset, pair, words);
      } else {
        for (uint32_t i = 0; i < fits; ++i) image.pixels[offset + i] = pair[i & 1];
        clipped = true;
      }
      offset = image.Advance(offset, 2 * words);
    }
  }
  end = offset;
  return true;
}

// The offset stays a value, not a reference, so that the pixel stores
// cannot make the compiler load it again from memory.
template <typename Moves>
bool DecodeLinePackets(ChunkData& in, const Image& image, uint32_t offset, uint16_t packets, bool& clipped,
                       uint32_t& end) {
  return DecodeLinePacketsChecked<Moves>(in, image, offset, packets, clipped, end);
}

// The optimized way: each packet is checked against the data and the image
// once, with the position in registers, and moved by inline word moves; a
// packet that would pass either end goes to the checked loop above, which
// cuts it where the data or the image ends.
// The optimized way's packets. With kCheckEach each packet is checked once
// against the data and the image, and stops the run when it would pass
// either end; without, the caller has made sure that no packet can (a packet
// reads at most 256 bytes and moves at most 255 + 254 pixels on).
template <bool kCheckEach>
uint32_t RunPackets(const uint8_t* data, uint32_t size, uint32_t& pos, uint8_t* pixels, uint32_t end, uint32_t& offset,
                    uint32_t packets) {
  uint32_t p = 0;
  for (; p < packets; ++p) {
    // Every packet needs its two bytes and, as a repeat, two more.
    if (kCheckEach && size - pos < 4) break;
    const uint32_t skip = data[pos];
    const auto c = static_cast<int8_t>(data[pos + 1]);
    if (c >= 0) {
      const uint32_t bytes = 2u * static_cast<uint32_t>(c);
      if (kCheckEach && (skip + bytes > end - offset || bytes > size - pos - 2)) break;
      offset += skip;
      CopyBytes(pixels + offset, data + pos + 2, bytes);
      offset += bytes;
      pos += 2 + bytes;
    } else {
      const uint32_t bytes = 2u * static_cast<uint32_t>(-c);
      if (kCheckEach && skip + bytes > end - offset) break;
      offset += skip;
      FillPairs(pixels + offset, data + pos + 2, bytes);
      offset += bytes;
      pos += 4;
    }
  }
  return p;
}

#if defined(__SSE2__)
// The roomy line's packets, each moved by StoreRunWide. The line's room
// check lets every load read 16 bytes and every store write 16 bytes from
// the packet's start.
uint32_t RunRoomyPackets(const uint8_t* data, uint32_t& pos, uint8_t* pixels, uint32_t& offset, uint32_t packets) {
  for (uint32_t p = 0; p < packets; ++p) {
    const uint8_t* packet = data + pos;
    const auto c = static_cast<int8_t>(packet[1]);
    const bool literal = c >= 0;
    const uint32_t bytes = 2u * static_cast<uint32_t>(literal ? c : -c);
    uint16_t pair;
    std::memcpy(&pair, packet + 2, 2);
    StoreRunWide(pixels + offset + packet[0], packet + 2, bytes, literal, _mm_set1_epi16(static_cast<short>(pair)));
    offset += packet[0] + bytes;
    pos += literal ? 2 + bytes : 4;
  }
  return packets;
}
#endif

// A line whose packets cannot reach past the data or the image, whatever
// their contents, runs without a check per packet; others check each, and a
// packet that would pass either end goes to the checked loop above, which
// cuts it where the data or the image ends.
template <>
bool DecodeLinePackets<FourByteMoves>(ChunkData& in, const Image& image, uint32_t offset, uint16_t packets,
                                      bool& clipped, uint32_t& end) {
  const uint8_t* const data = in.Data();
  const uint32_t size = in.Size();
  uint32_t pos = in.Pos();
  // A packet reads at most 256 bytes, 16 more with the wide loads, and moves
  // at most 255 + 254 pixels on, writing at most 16 past its run.
  const bool roomy = packets <= (size - pos) / 272 && packets <= (image.end - offset) / 525;
#if defined(__SSE2__)
  const uint32_t done = roomy ? RunRoomyPackets(data, pos, image.pixels, offset, packets)
                              : RunPackets<true>(data, size, pos, image.pixels, image.end, offset, packets);
#else
  const uint32_t done = roomy ? RunPackets<false>(data, size, pos, image.pixels, image.end, offset, packets)
                              : RunPackets<true>(data, size, pos, image.pixels, image.end, offset, packets);
#endif
  in.SetPos(pos);
  if (done == packets) {
    end = offset;
    return true;
  }
  return DecodeLinePacketsChecked<FourByteMoves>(in, image, offset, static_cast<uint16_t>(packets - done), clipped,
                                                 end);
}

template <typename Moves>
bool Decode(const uint8_t* data, uint32_t size, const FrameTarget& target, ChangedLines& changed) {
  ChunkData in(data, size);
  const Image image(target);
  if (!in.Has(2)) return false;
  const uint16_t lines = in.U16();
  bool clipped = false;
  // How far the writes reached: a line's packets may run on past its end.
  uint32_t reach = 0;
  // y is wider than the format's line numbers so that skips past the last
  // line are seen instead of wrapping round to the top.
  uint32_t y = 0;
  for (uint16_t done = 0; done < lines;) {
    if (y >= target.height || !in.Has(2)) return false;
    const uint16_t w = in.U16();
    switch (w & 0xC000) {
      case 0x8000: {  // the last pixel of the line, for odd widths
        const uint32_t last = y * target.width + target.width - 1;
        if (target.width == 0 || last >= image.end) return false;
        image.pixels[last] = static_cast<uint8_t>(w);
        reach = std::max(reach, last + 1);
        break;
      }
      case 0xC000:  // skip -w lines
        y += static_cast<uint32_t>(-static_cast<int16_t>(w));
        break;
      case 0x4000:  // undefined: passed over, not a line
        break;
      default: {
        uint32_t end = 0;
        if (!DecodeLinePackets<Moves>(in, image, image.RowStart(y, target.width), w, clipped, end)) return false;
        reach = std::max(reach, end);
        ++y;
        ++done;
        break;
      }
    }
  }
  changed = WrittenLines(FirstWrittenLine(data, size, 0xC000, target.height), reach, target.width);
  return !clipped;
}

}  // namespace

bool DecodeDeltaFlc(const uint8_t* data, uint32_t size, const FrameTarget& target, ChangedLines& changed) {
  return target.optimize ? Decode<FourByteMoves>(data, size, target, changed)
                         : Decode<BlockMoves>(data, size, target, changed);
}

}  // namespace kt::decode
