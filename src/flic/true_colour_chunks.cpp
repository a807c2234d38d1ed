// The chunks of 15, 16 and 24-bit flics. Counts and skips are in pixels,
// offsets into the picture in bytes; the bounds policy is the 8-bit
// decoder's (see frame_decoder.cpp): runs are cut at the picture's and the
// data's end, a line past the height stops the chunk, and every loop
// consumes data or ends at a fixed bound.
#include <algorithm>
#include <cstring>

#include "flic/chunk_decoders.h"
#include "flic/flic_format.h"
#include "flic/true_colour_decoder.h"

namespace kt {
namespace {

using decode::ChunkData;
using decode::Image;

// The picture seen as bytes: each line is width x bytes-per-pixel bytes long,
// which is also how the byte-oriented 8-bit chunks run over it.
FrameTarget AsBytes(const TrueColourTarget& target) {
  FrameTarget bytes;
  bytes.pixels = target.pixels;
  bytes.width = static_cast<uint16_t>(target.width * target.BytesPerPixel());
  bytes.height = target.height;
  return bytes;
}

// One pixel of B bytes written n times from dst on.
template <uint32_t B>
inline void RepeatPixel(uint8_t* dst, const uint8_t* pixel, uint32_t n) {
  if constexpr (B == 2) {
    if (n > 0) decode::FillPairs(dst, pixel, 2 * n);
  } else {
    const uint8_t p0 = pixel[0];
    const uint8_t p1 = pixel[1];
    const uint8_t p2 = pixel[2];
    for (uint32_t i = 0; i < n; ++i, dst += 3) {
      dst[0] = p0;
      dst[1] = p1;
      dst[2] = p2;
    }
  }
}

// A repeat of n pixels at offset, cut at the picture's end; false when cut.
template <uint32_t B>
bool Repeat(const Image& image, uint32_t& offset, const uint8_t* pixel, uint32_t n) {
  const uint32_t bytes = n * B;
  const uint32_t fits = image.Fits(offset, bytes) / B;
  RepeatPixel<B>(image.pixels + offset, pixel, fits);
  offset = image.Advance(offset, bytes);
  return fits * B == bytes;
}

// n literal pixels from the data, cut at the picture's and the data's end;
// false when the data ran out.
template <uint32_t B>
bool Literal(ChunkData& in, const Image& image, uint32_t& offset, uint32_t n, bool& clipped) {
  const uint32_t want = n * B;
  const uint32_t have = std::min(want, in.Left());
  clipped |= !image.Copy(offset, in.Here(), have);
  if (have < want) return false;
  in.Skip(want);
  return true;
}

// DTA_BRUN: BYTE_RUN's layout with pixels for bytes.
template <uint32_t B>
bool DecodePixelRuns(const uint8_t* data, uint32_t size, const TrueColourTarget& target) {
  ChunkData in(data, size);
  const FrameTarget bytes = AsBytes(target);
  const Image image(bytes);
  bool clipped = false;
  for (uint32_t y = 0; y < target.height; ++y) {
    // As in BYTE_RUN, the packet-count byte is not trusted: the width ends a line.
    in.Skip(1);
    uint32_t offset = image.RowStart(y, bytes.width);
    uint32_t x = 0;
    while (x < target.width) {
      if (!in.Has(1)) return false;
      const int8_t c = in.S8();
      if (c >= 0) {
        if (!in.Has(B)) return false;
        clipped |= !Repeat<B>(image, offset, in.Here(), static_cast<uint32_t>(c));
        in.Skip(B);
        x += static_cast<uint32_t>(c);
      } else {
        const auto n = static_cast<uint32_t>(-c);
        if (!Literal<B>(in, image, offset, n, clipped)) return false;
        x += n;
      }
    }
  }
  return !clipped;
}

// n pixels of B bytes from dst on, all the value at `pixel`, n > 0: 24-byte
// moves of the pixel eight times over (a multiple of 3 keeps the phase, and
// so does the last, overlapping move).
template <uint32_t B>
inline void FillPixels(uint8_t* dst, const uint8_t* pixel, uint32_t n) {
  if constexpr (B == 2) {
    decode::FillPairs(dst, pixel, 2 * n);
  } else if (n < 8) {
    RepeatPixel<3>(dst, pixel, n);
  } else {
    uint8_t eight[24];
    RepeatPixel<3>(eight, pixel, 8);
    const uint32_t bytes = 3 * n;
    uint32_t i = 0;
    for (; i + 24 <= bytes; i += 24) std::memcpy(dst + i, eight, 24);
    if (i < bytes) std::memcpy(dst + bytes - 24, eight, 24);
  }
}

// The packets of one DTA_LC line from `offset`, each cut at the picture's
// and the data's end; false when the data ran out.
template <uint32_t B>
bool LinePacketsChecked(ChunkData& in, const Image& image, uint32_t offset, uint32_t packets, bool& clipped,
                        uint32_t& end) {
  for (uint32_t p = 0; p < packets; ++p) {
    if (!in.Has(2)) return false;
    offset = image.Advance(offset, in.U8() * B);
    const int8_t c = in.S8();
    if (c >= 0) {
      if (!Literal<B>(in, image, offset, static_cast<uint32_t>(c), clipped)) return false;
    } else {
      if (!in.Has(B)) return false;
      clipped |= !Repeat<B>(image, offset, in.Here(), static_cast<uint32_t>(-c));
      in.Skip(B);
    }
  }
  end = offset;
  return true;
}

// The line's packets with the position in registers, each moved in bulk.
// With kCheckEach a packet that would pass the data's or the picture's end
// stops the run before it is touched; without, the caller has made sure no
// packet can. Returns the packets done.
template <uint32_t B, bool kCheckEach>
uint32_t RunPixelPackets(const uint8_t* data, uint32_t size, uint32_t& pos, uint8_t* pixels, uint32_t end,
                         uint32_t& offset, uint32_t packets) {
  uint32_t p = 0;
  for (; p < packets; ++p) {
    // Every packet needs its two bytes and, as a repeat, one pixel more.
    if (kCheckEach && size - pos < 2 + B) break;
    const uint32_t skip = data[pos] * B;
    const auto c = static_cast<int8_t>(data[pos + 1]);
    if (c >= 0) {
      const uint32_t bytes = static_cast<uint32_t>(c) * B;
      if (kCheckEach && (skip + bytes > end - offset || bytes > size - pos - 2)) break;
      offset += skip;
      decode::CopyBytes(pixels + offset, data + pos + 2, bytes);
      offset += bytes;
      pos += 2 + bytes;
    } else {
      const auto n = static_cast<uint32_t>(-c);
      if (kCheckEach && skip + n * B > end - offset) break;
      offset += skip;
      FillPixels<B>(pixels + offset, data + pos + 2, n);
      offset += n * B;
      pos += 2 + B;
    }
  }
  return p;
}

// A line whose packets cannot reach past the data or the picture, whatever
// they hold, runs without a check per packet (a packet reads at most 2 + 127
// pixels' bytes and moves at most 255 + 128 pixels on); other lines check
// each packet once, and the packet that would pass an end and those after
// it go to the checked loop, which cuts them where the data or picture ends.
template <uint32_t B>
bool LinePackets(ChunkData& in, const Image& image, uint32_t offset, uint32_t packets, bool& clipped, uint32_t& end) {
  const uint8_t* const data = in.Data();
  const uint32_t size = in.Size();
  uint32_t pos = in.Pos();
  const bool roomy = packets <= (size - pos) / (2 + 127 * B) && packets <= (image.end - offset) / (383 * B);
  const uint32_t done = roomy ? RunPixelPackets<B, false>(data, size, pos, image.pixels, image.end, offset, packets)
                              : RunPixelPackets<B, true>(data, size, pos, image.pixels, image.end, offset, packets);
  in.SetPos(pos);
  if (done == packets) {
    end = offset;
    return true;
  }
  return LinePacketsChecked<B>(in, image, offset, packets - done, clipped, end);
}

// DTA_LC, and DELTA_FLC in these flics: DELTA_FLC's line words, then packets
// of a pixel skip and a pixel count (positive literal, negative repeat).
template <uint32_t B>
bool DecodePixelDelta(const uint8_t* data, uint32_t size, const TrueColourTarget& target, ChangedLines& changed) {
  ChunkData in(data, size);
  const FrameTarget bytes = AsBytes(target);
  const Image image(bytes);
  if (!in.Has(2)) return false;
  const uint16_t lines = in.U16();
  bool clipped = false;
  // How far the writes reached: a line's packets may run on past its end.
  uint32_t reach = 0;
  // Wider than the format's line numbers, so a skip past the last line is seen.
  uint32_t y = 0;
  for (uint16_t done = 0; done < lines;) {
    if (y >= target.height || !in.Has(2)) return false;
    const uint16_t w = in.U16();
    if (w & 0x8000) {
      y += static_cast<uint32_t>(-static_cast<int16_t>(w));
      continue;
    }
    if (w & 0x4000) continue;  // undefined: passed over, as in DELTA_FLC
    uint32_t end = 0;
    if (!LinePackets<B>(in, image, image.RowStart(y, bytes.width), w, clipped, end)) return false;
    reach = std::max(reach, end);
    ++y;
    ++done;
  }
  changed = decode::WrittenLines(decode::FirstWrittenLine(data, size, 0x8000, target.height), reach, bytes.width);
  return !clipped;
}

bool DecodeRawPixels(const uint8_t* data, uint32_t size, const TrueColourTarget& target) {
  return decode::DecodeFliCopy(data, size, AsBytes(target));
}

// DTA_COPY: raw pixels, in rows of an even number of pixels when the data is
// exactly that long (ffmpeg reads them so at any length), else packed as
// FLI_COPY's.
bool DecodeCopy(const uint8_t* data, uint32_t size, const TrueColourTarget& target) {
  const uint32_t row = target.width * target.BytesPerPixel();
  const uint32_t stride = ((target.width + 1u) & ~1u) * target.BytesPerPixel();
  if (stride == row || data == nullptr || uint64_t{stride} * target.height != size) {
    return DecodeRawPixels(data, size, target);
  }
  for (uint32_t y = 0; y < target.height; ++y) {
    std::memcpy(target.pixels + static_cast<size_t>(y) * row, data + static_cast<size_t>(y) * stride, row);
  }
  return true;
}

template <uint32_t B>
bool DecodeChunkOfWidth(uint16_t type, const uint8_t* data, uint32_t size, const TrueColourTarget& target,
                        ChangedLines& changed) {
  switch (type) {
    case DTA_BRUN: return DecodePixelRuns<B>(data, size, target);
    case DTA_LC:
    case DELTA_FLC: return DecodePixelDelta<B>(data, size, target, changed);
    default: return true;
  }
}

}  // namespace

bool IsKnownTrueColourChunkType(uint16_t type) {
  switch (type) {
    case DTA_BRUN:
    case DTA_COPY:
    case DTA_LC:
    case DELTA_FLC:
    case BYTE_RUN:
    case FLI_COPY:
    case BLACK:
    case COLOR_256:
    case COLOR_64:
    case PSTAMP: return true;
    default: return false;
  }
}

bool DecodeTrueColourChunk(uint16_t type, const uint8_t* data, uint32_t dataSize, const TrueColourTarget& target,
                           DecodeEvents& events) {
  if (data == nullptr) dataSize = 0;
  ChangedLines lines = ChangedLines::All(target.height);
  bool whole = true;
  switch (type) {
    case DTA_BRUN:
    case DTA_LC:
    case DELTA_FLC:
      whole = target.BytesPerPixel() == 3 ? DecodeChunkOfWidth<3>(type, data, dataSize, target, lines)
                                          : DecodeChunkOfWidth<2>(type, data, dataSize, target, lines);
      break;
    case DTA_COPY: whole = DecodeCopy(data, dataSize, target); break;
    case FLI_COPY: whole = DecodeRawPixels(data, dataSize, target); break;
    // Byte-oriented: the runs go over the pixels' bytes.
    case BYTE_RUN: whole = decode::DecodeByteRun(data, dataSize, AsBytes(target)); break;
    case BLACK: whole = decode::DecodeBlack(AsBytes(target)); break;
    // These flics take their colours from their pixels; a palette or a
    // postage stamp left in them changes nothing that is shown.
    case COLOR_256:
    case COLOR_64:
    case PSTAMP: return true;
    default: events.UnknownChunk(type); return true;
  }
  // A chunk cut short may have written past the lines it counted.
  if (target.changed) target.changed->Add(whole ? lines : ChangedLines::All(target.height));
  return whole;
}

void DecodeTrueColourFrame(const FrameSlot& slot, const TrueColourTarget& target, DecodeEvents& events) {
  if (target.changed) *target.changed = {};
  const int chunks = std::min<int>(slot.chunks, static_cast<int>(slot.chunkTable.size()));
  for (int j = 0; j < chunks; ++j) {
    const ChunkRef& chunk = slot.chunkTable[static_cast<size_t>(j)];
    const uint32_t dataSize = chunk.size >= kChunkHeaderSize ? chunk.DataSize() : 0;
    if (!DecodeTrueColourChunk(chunk.type, chunk.data.get(), dataSize, target, events)) {
      events.DataClipped(j, chunk.type);
    }
  }
}

}  // namespace kt
