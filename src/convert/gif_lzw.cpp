#include "convert/gif_lzw.h"

#include <algorithm>
#include <memory>

namespace kt {
namespace {

constexpr int kMaxCode = 4095;

// The strings known so far. A string of one index followed by another is
// looked up directly in a 128 kB table; a longer string's followers hang
// from it in a list, as most have none or a few: all of it stays in the
// processor's nearer caches. The code of a string and the index that
// follows give the code of the longer string, or 0 (no added code is 0).
// Each thread keeps its tables and, instead of clearing them, removes only
// what it added.
class Dictionary {
 public:
  explicit Dictionary(int indexBits) : indexBits_(indexBits), roots_(1u << indexBits) {
    Tables& tables = Mine();
    tables_ = &tables;
  }
  ~Dictionary() { Forget(); }
  Dictionary(const Dictionary&) = delete;
  Dictionary& operator=(const Dictionary&) = delete;

  uint32_t Find(uint32_t prefix, uint32_t index) const {
    if (prefix < roots_) return tables_->pairs[prefix << indexBits_ | index];
    uint32_t code = tables_->first[prefix];
    while (code != 0 && tables_->last[code] != index) code = tables_->sibling[code];
    return code;
  }
  void Add(uint32_t prefix, uint32_t index, uint32_t code) {
    Tables& t = *tables_;
    t.first[code] = 0;
    if (prefix < roots_) {
      const uint32_t slot = prefix << indexBits_ | index;
      t.pairs[slot] = static_cast<uint16_t>(code);
      t.added[count_++] = slot;
      return;
    }
    t.last[code] = static_cast<uint8_t>(index);
    t.sibling[code] = t.first[prefix];
    t.first[prefix] = static_cast<uint16_t>(code);
  }
  void Forget() {
    for (int i = 0; i < count_; ++i) tables_->pairs[tables_->added[i]] = 0;
    count_ = 0;
  }

 private:
  struct Tables {
    uint16_t pairs[256 * 256] = {};
    uint16_t first[kMaxCode + 1] = {};
    uint16_t sibling[kMaxCode + 1] = {};
    uint8_t last[kMaxCode + 1] = {};
    uint32_t added[kMaxCode + 1] = {};
  };
  static Tables& Mine() {
    thread_local auto tables = std::make_unique<Tables>();
    return *tables;
  }
  int indexBits_;
  uint32_t roots_;
  Tables* tables_ = nullptr;
  int count_ = 0;
};

// Packs codes lowest bit first into whole bytes, 32 bits at a time; the
// sub-blocks come after, in one copy.
class CodeWriter {
 public:
  explicit CodeWriter(uint8_t* to) : to_(to), start_(to) {}
  void Put(uint32_t code, int bits) {
    bits_ |= static_cast<uint64_t>(code) << count_;
    count_ += bits;
    if (count_ >= 32) {
      // Lowest byte first whatever the machine; compilers make it one store.
      to_[0] = static_cast<uint8_t>(bits_);
      to_[1] = static_cast<uint8_t>(bits_ >> 8);
      to_[2] = static_cast<uint8_t>(bits_ >> 16);
      to_[3] = static_cast<uint8_t>(bits_ >> 24);
      to_ += 4;
      bits_ >>= 32;
      count_ -= 32;
    }
  }
  // The number of bytes written.
  size_t Finish() {
    for (; count_ > 0; count_ -= 8, bits_ >>= 8) *to_++ = static_cast<uint8_t>(bits_);
    count_ = 0;
    return static_cast<size_t>(to_ - start_);
  }

 private:
  uint8_t* to_;
  uint8_t* start_;
  uint64_t bits_ = 0;
  int count_ = 0;
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

  const size_t count = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
  // At most a code a pixel, a clear every few thousand codes and the first
  // clear, the last code and the end, each at most 12 bits.
  const size_t codes = count + count / 1024 + 4;
  thread_local std::vector<uint8_t> packed;
  packed.resize(codes * 12 / 8 + 16);

  const uint32_t clear = 1u << minBits, end = clear + 1;
  Dictionary dictionary(minBits);
  CodeWriter writer(packed.data());
  int bits = minBits + 1;
  uint32_t next = end + 1;
  uint32_t limit = 1u << bits;
  // A code goes out in the width the decoder reads it in: that grows once
  // the code to be added next no longer fits.
  const auto put = [&](uint32_t code) {
    writer.Put(code, bits);
    if (next >= limit && bits < 12) limit = 1u << ++bits;
  };
  put(clear);
  const uint8_t* p = image.pixels;
  const uint8_t* alternatives = image.alternatives;
  uint32_t prefix = count > 0 ? p[0] : 0;
  for (size_t i = 1; i < count; ++i) {
    const uint32_t index = p[i];
    const uint32_t found = dictionary.Find(prefix, index);
    if (found != 0) {
      prefix = found;
      continue;
    }
    if (alternatives != nullptr && alternatives[i] != index && alternatives[i] < clear) {
      const uint32_t longer = dictionary.Find(prefix, alternatives[i]);
      if (longer != 0) {
        prefix = longer;
        continue;
      }
    }
    put(prefix);
    if (next >= kMaxCode) {
      put(clear);
      next = end + 1;
      bits = minBits + 1;
      limit = 1u << bits;
      dictionary.Forget();
    } else {
      dictionary.Add(prefix, index, next++);
    }
    prefix = index;
  }
  if (count > 0) put(prefix);
  put(end);
  const size_t length = writer.Finish();

  // Sub-blocks of at most 255 bytes, each after its length, then an empty one.
  out.reserve(out.size() + length + length / 255 + 2);
  for (size_t at = 0; at < length; at += 255) {
    const size_t n = std::min<size_t>(255, length - at);
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), packed.data() + at, packed.data() + at + n);
  }
  out.push_back(0);
  // A thread that made one huge picture does not keep its room for ever.
  if (packed.capacity() > (size_t{8} << 20)) std::vector<uint8_t>().swap(packed);
}

}  // namespace kt
