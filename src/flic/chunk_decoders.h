// The decoders of the single chunk families, and the bounded views of chunk
// data and image that they share. Internal to the frame decoder.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/bytes.h"
#include "base/changed_lines.h"
#include "flic/frame_decoder.h"

namespace kt::decode {

// Chunk data read front to back. Callers ask Has() before every read, so a
// read never passes the end; pos never exceeds size.
class ChunkData {
 public:
  ChunkData(const uint8_t* data, uint32_t size) : data_(data), size_(data ? size : 0) {}

  bool Has(uint32_t n) const { return size_ - pos_ >= n; }
  uint32_t Left() const { return size_ - pos_; }
  uint8_t U8() { return data_[pos_++]; }
  int8_t S8() { return static_cast<int8_t>(data_[pos_++]); }
  uint16_t U16() {
    const uint16_t v = ReadU16(data_ + pos_);
    pos_ += 2;
    return v;
  }
  const uint8_t* Here() const { return data_ + pos_; }
  void Skip(uint32_t n) { pos_ += std::min(n, Left()); }

  // For packet loops that keep the position in a register and hand it back.
  const uint8_t* Data() const { return data_; }
  uint32_t Pos() const { return pos_; }
  uint32_t Size() const { return size_; }
  void SetPos(uint32_t pos) { pos_ = std::min(pos, size_); }

 private:
  const uint8_t* data_;
  uint32_t size_;
  uint32_t pos_ = 0;
};

// The image as one flat run of bytes. Offsets saturate at the end, so a long
// run of skips can never wrap an offset back into the picture.
struct Image {
  uint8_t* pixels;
  uint32_t end;  // width x height, or 0 when there is no pixel memory

  explicit Image(const FrameTarget& target)
      : pixels(target.pixels), end(target.pixels ? static_cast<uint32_t>(target.width) * target.height : 0) {}

  uint32_t Advance(uint32_t offset, uint32_t n) const { return n >= end - offset ? end : offset + n; }
  // How many of n bytes from offset lie inside the image.
  uint32_t Fits(uint32_t offset, uint32_t n) const { return std::min(n, end - offset); }
  uint32_t RowStart(uint32_t y, uint16_t width) const { return std::min(y * width, end); }

  // Each writes n bytes from offset on as far as the image goes, moves offset
  // past them and returns false when the image's end cut the run.
  bool Copy(uint32_t& offset, const uint8_t* src, uint32_t n) const {
    const uint32_t fits = Fits(offset, n);
    if (fits > 0) std::memcpy(pixels + offset, src, fits);
    offset = Advance(offset, n);
    return fits == n;
  }
  bool Fill(uint32_t& offset, uint8_t value, uint32_t n) const {
    const uint32_t fits = Fits(offset, n);
    if (fits > 0) std::memset(pixels + offset, value, fits);
    offset = Advance(offset, n);
    return fits == n;
  }
};

// n bytes, from one word to two: the first word and the last, overlapping.
template <typename Word>
inline void CopyHeadAndTail(uint8_t* dst, const uint8_t* src, uint32_t n) {
  Word head;
  Word tail;
  std::memcpy(&head, src, sizeof(Word));
  std::memcpy(&tail, src + n - sizeof(Word), sizeof(Word));
  std::memcpy(dst, &head, sizeof(Word));
  std::memcpy(dst + n - sizeof(Word), &tail, sizeof(Word));
}

// Exact small moves for the packet loops, inlined where a call to memcpy or
// memset would cost more than the move: every byte of dst[0, n) is written
// (some twice, with the same value) and nothing outside it. Source and
// destination never overlap (chunk data and picture).
inline void CopyBytes(uint8_t* dst, const uint8_t* src, uint32_t n) {
  if (n >= 16) {
    uint32_t i = 0;
    for (; i + 16 <= n; i += 16) std::memcpy(dst + i, src + i, 16);
    if (i < n) std::memcpy(dst + n - 16, src + n - 16, 16);
  } else if (n >= 8) {
    CopyHeadAndTail<uint64_t>(dst, src, n);
  } else if (n >= 4) {
    CopyHeadAndTail<uint32_t>(dst, src, n);
  } else if (n >= 2) {
    CopyHeadAndTail<uint16_t>(dst, src, n);
  } else if (n == 1) {
    *dst = *src;
  }
}

// Writes n bytes of an 8-byte pattern that repeats every 1 or 2 bytes; with
// period 2, n is even, so the last overlapping move keeps the phase.
inline void FillPattern(uint8_t* dst, const uint8_t (&pattern)[8], uint32_t n) {
  if (n >= 8) {
    uint64_t wide;
    std::memcpy(&wide, pattern, 8);
    uint32_t i = 0;
    for (; i + 8 <= n; i += 8) std::memcpy(dst + i, &wide, 8);
    if (i < n) std::memcpy(dst + n - 8, &wide, 8);
  } else {
    for (uint32_t i = 0; i < n; ++i) dst[i] = pattern[i];
  }
}

inline void FillBytes(uint8_t* dst, uint8_t value, uint32_t n) {
  if (n > 64) {
    std::memset(dst, value, n);
  } else {
    const uint8_t pattern[8] = {value, value, value, value, value, value, value, value};
    FillPattern(dst, pattern, n);
  }
}

// The two bytes at src, repeated: one 16-bit load times 0x0001000100010001
// gives the pair four times in memory order on either byte order.
inline void FillPairs(uint8_t* dst, const uint8_t* src, uint32_t n) {
  uint16_t pair;
  std::memcpy(&pair, src, 2);
  const uint64_t wide = pair * 0x0001000100010001ull;
  if (n >= 8) {
    uint32_t i = 0;
    for (; i + 8 <= n; i += 8) std::memcpy(dst + i, &wide, 8);
    if (i < n) std::memcpy(dst + n - 8, &wide, 8);
  } else {
    // n is 2, 4 or 6.
    if (n & 4) std::memcpy(dst, &wide, 4);
    if (n & 2) std::memcpy(dst + (n & 4), &wide, 2);
  }
}

#if defined(__SSE2__)
// One packet's run of `bytes` at dst with 16-byte moves and no branch on the
// packet's kind: a literal's bytes are loaded from src, a repeat's value
// comes `spread` over 16 bytes, the one chosen by `literal`. A run of up to
// 16 bytes is merged into the 16 bytes already in the picture under a mask
// of its length, so the bytes past it are stored back unchanged; longer runs
// store 16 bytes at a time, the last store overlapping (a repeat's spread
// has the period of its unit, and runs are whole units, so it keeps its
// phase). The caller makes sure that 16 bytes can be read from src and
// written from dst whatever the run's length.
inline void StoreRunWide(uint8_t* dst, const uint8_t* src, uint32_t bytes, bool literal, __m128i spread) {
  const __m128i chooseLiteral = _mm_set1_epi8(literal ? -1 : 0);
  auto source = [&](uint32_t at) {
    const __m128i run = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + at));
    return _mm_or_si128(_mm_and_si128(chooseLiteral, run), _mm_andnot_si128(chooseLiteral, spread));
  };
  if (bytes <= 16) {
    const __m128i lanes = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const __m128i keep = _mm_cmplt_epi8(lanes, _mm_set1_epi8(static_cast<char>(bytes)));
    const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst),
                     _mm_or_si128(_mm_and_si128(keep, source(0)), _mm_andnot_si128(keep, old)));
  } else {
    for (uint32_t i = 0; i + 16 < bytes; i += 16) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), source(literal ? i : 0));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + bytes - 16), source(literal ? bytes - 16 : 0));
  }
}
#endif

// The first line a chunk of DELTA_FLC's line words writes: its leading line
// skips (and undefined words) read ahead, so that the line loop pays nothing
// for it. A skip word has all of `skipBits` set: 0xC000 in 8-bit flics,
// 0x8000 in true colour.
inline uint32_t FirstWrittenLine(const uint8_t* data, uint32_t size, uint16_t skipBits, uint32_t height) {
  uint32_t y = 0;
  for (uint32_t pos = 2; data != nullptr && pos + 2 <= size && y < height; pos += 2) {
    const uint16_t w = ReadU16(data + pos);
    if ((w & skipBits) == skipBits) {
      y += static_cast<uint32_t>(-static_cast<int16_t>(w));
    } else if ((w & 0xC000) != 0x4000) {
      break;
    }
  }
  return y;
}

// The lines from `first` to the one holding byte reach - 1 of rows
// `rowBytes` long: what a delta that wrote nothing before line `first` and
// nothing at or past `reach` may have changed.
inline ChangedLines WrittenLines(uint32_t first, uint32_t reach, uint32_t rowBytes) {
  if (rowBytes == 0) return {};
  const uint32_t last = (reach + rowBytes - 1) / rowBytes;
  if (last <= first) return {};
  return {static_cast<int>(first), static_cast<int>(last)};
}

// Each returns false when the chunk's data was clipped or partly dropped.
// The deltas set `changed` to the lines they wrote when they return true.
bool DecodeColour(const uint8_t* data, uint32_t size, bool sixBit, BasePalette* palette);
bool DecodeDeltaFlc(const uint8_t* data, uint32_t size, const FrameTarget& target, ChangedLines& changed);
bool DecodeDeltaFli(const uint8_t* data, uint32_t size, const FrameTarget& target, ChangedLines& changed);
bool DecodeBlack(const FrameTarget& target);
bool DecodeByteRun(const uint8_t* data, uint32_t size, const FrameTarget& target);
bool DecodeFliCopy(const uint8_t* data, uint32_t size, const FrameTarget& target);

}  // namespace kt::decode
