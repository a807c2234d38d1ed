#include "convert/gif_lzw.h"

#include <algorithm>
#include <array>
#include <memory>

namespace kt {
namespace {

constexpr int kMaxCode = 4095;

// Packs codes into bytes, lowest bit first, and the bytes into sub-blocks
// of at most 255.
class CodeWriter {
 public:
  explicit CodeWriter(std::vector<uint8_t>& out) : out_(out) { StartBlock(); }
  void Put(uint32_t code, int bits) {
    bits_ |= static_cast<uint64_t>(code) << count_;
    count_ += bits;
    while (count_ >= 8) {
      Byte(static_cast<uint8_t>(bits_));
      bits_ >>= 8;
      count_ -= 8;
    }
  }
  void Finish() {
    if (count_ > 0) Byte(static_cast<uint8_t>(bits_));
    if (out_.size() - sizeAt_ == 1) {
      out_.back() = 0;  // an empty block ends the data
      return;
    }
    out_[sizeAt_] = static_cast<uint8_t>(out_.size() - sizeAt_ - 1);
    out_.push_back(0);
  }

 private:
  void StartBlock() {
    sizeAt_ = out_.size();
    out_.push_back(0);
  }
  void Byte(uint8_t b) {
    out_.push_back(b);
    if (out_.size() - sizeAt_ == 256) {
      out_[sizeAt_] = 255;
      StartBlock();
    }
  }
  std::vector<uint8_t>& out_;
  size_t sizeAt_ = 0;
  uint64_t bits_ = 0;
  int count_ = 0;
};

// The strings known so far: a code and the index that follows it, to the
// code of the longer string. Open addressing, at most half full; each slot
// holds the 20-bit key and the 12-bit code in one word (never 0, as no code
// is), so the table stays within the first-level cache.
class Dictionary {
 public:
  Dictionary() { Clear(); }
  void Clear() { slots_.fill(0); }
  // The code for `prefix` followed by `index`, or -1; `slot` remembers where
  // to add it.
  int Find(uint32_t prefix, uint32_t index, uint32_t& slot) const {
    const uint32_t key = prefix << 8 | index;
    slot = (key * 2654435761u) >> (32 - kBits);
    for (;;) {
      const uint32_t held = slots_[slot];
      if (held == 0) return -1;
      if (held >> 12 == key) return static_cast<int>(held & 0xFFF);
      slot = (slot + 1) & (kSize - 1);
    }
  }
  void Add(uint32_t slot, uint32_t prefix, uint32_t index, int code) {
    slots_[slot] = (prefix << 8 | index) << 12 | static_cast<uint32_t>(code);
  }

 private:
  static constexpr int kBits = 13;
  static constexpr uint32_t kSize = 1u << kBits;
  std::array<uint32_t, kSize> slots_;
};

void PutU16(std::vector<uint8_t>& out, int value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

}  // namespace

void AppendGifImage(const GifImage& image, std::vector<uint8_t>& out) {
  out.push_back(0x2C);
  PutU16(out, image.left);
  PutU16(out, image.top);
  PutU16(out, image.width);
  PutU16(out, image.height);
  if (image.localTable != nullptr) {
    out.push_back(static_cast<uint8_t>(0x80 | (image.localBits - 1)));
    out.insert(out.end(), image.localTable, image.localTable + (size_t{3} << image.localBits));
  } else {
    out.push_back(0);
  }
  const int minBits = std::clamp(image.codeBits, 2, 8);
  out.push_back(static_cast<uint8_t>(minBits));

  const uint32_t clear = 1u << minBits, end = clear + 1;
  auto dictionary = std::make_unique<Dictionary>();
  CodeWriter writer(out);
  int bits = minBits + 1;
  int next = static_cast<int>(end) + 1;
  int limit = 1 << bits;
  // A code goes out in the width the decoder reads it in: that grows once
  // the code to be added next no longer fits.
  const auto put = [&](uint32_t code) {
    writer.Put(code, bits);
    if (next >= limit && bits < 12) limit = 1 << ++bits;
  };
  put(clear);
  const size_t count = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
  const uint8_t* p = image.pixels;
  uint32_t prefix = count > 0 ? p[0] : 0;
  for (size_t i = 1; i < count; ++i) {
    const uint32_t index = p[i];
    uint32_t slot = 0;
    const int found = dictionary->Find(prefix, index, slot);
    if (found >= 0) {
      prefix = static_cast<uint32_t>(found);
      continue;
    }
    if (image.alternatives != nullptr && image.alternatives[i] != index && image.alternatives[i] < clear) {
      uint32_t other = 0;
      const int longer = dictionary->Find(prefix, image.alternatives[i], other);
      if (longer >= 0) {
        prefix = static_cast<uint32_t>(longer);
        continue;
      }
    }
    put(prefix);
    if (next >= kMaxCode) {
      put(clear);
      next = static_cast<int>(end) + 1;
      bits = minBits + 1;
      limit = 1 << bits;
      dictionary->Clear();
    } else {
      dictionary->Add(slot, prefix, index, next++);
    }
    prefix = index;
  }
  if (count > 0) put(prefix);
  put(end);
  writer.Finish();
}

}  // namespace kt
