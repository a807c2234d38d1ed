// The decoders of the single chunk families, and the bounded views of chunk
// data and image that they share. Internal to the frame decoder.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "flic/bytes.h"
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
      : pixels(target.pixels),
        end(target.pixels ? static_cast<uint32_t>(target.width) * target.height : 0) {}

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

// Each returns false when the chunk's data was clipped or partly dropped.
bool DecodeColour(const uint8_t* data, uint32_t size, bool sixBit, BasePalette* palette);
bool DecodeDeltaFlc(const uint8_t* data, uint32_t size, const FrameTarget& target);
bool DecodeDeltaFli(const uint8_t* data, uint32_t size, const FrameTarget& target);
bool DecodeBlack(const FrameTarget& target);
bool DecodeByteRun(const uint8_t* data, uint32_t size, const FrameTarget& target);
bool DecodeFliCopy(const uint8_t* data, uint32_t size, const FrameTarget& target);

}  // namespace kt::decode
