#include "convert/gif_lzw_wildcard.h"

#include <algorithm>
#include <array>
#include <memory>

namespace kt {
namespace {

constexpr int kMaxCode = 4095;
// Where both indices of a pixel continue a string, each way is followed;
// past this many such forks a string follows the first way only. The real
// flics tried came out 0.02% smaller with 48 than with 8, and hardly
// smaller with 1000.
constexpr int kForks = 48;

// The dictionary as the encoder builds it, with each code's prefix and last
// index so that a string found by its code can be spelt out again.
class Trie {
 public:
  void Clear() { slots_.fill(0); }
  int Find(uint32_t prefix, uint32_t index) const {
    const uint32_t key = prefix << 8 | index;
    for (uint32_t slot = Hash(key);; slot = (slot + 1) & (kSize - 1)) {
      const uint32_t held = slots_[slot];
      if (held == 0) return -1;
      if (held >> 12 == key) return static_cast<int>(held & 0xFFF);
    }
  }
  void Add(uint32_t prefix, uint32_t index, int code) {
    const uint32_t key = prefix << 8 | index;
    uint32_t slot = Hash(key);
    while (slots_[slot] != 0) slot = (slot + 1) & (kSize - 1);
    slots_[slot] = key << 12 | static_cast<uint32_t>(code);
    Spell(prefix, index, code);
  }
  void Spell(uint32_t prefix, uint32_t index, int code) {
    prefix_[static_cast<size_t>(code)] = static_cast<uint16_t>(prefix);
    last_[static_cast<size_t>(code)] = static_cast<uint8_t>(index);
  }
  int Prefix(int code) const { return prefix_[static_cast<size_t>(code)]; }
  uint8_t Last(int code) const { return last_[static_cast<size_t>(code)]; }

 private:
  // At most 4095 entries in 8192 slots: half full at worst.
  static constexpr int kBits = 13;
  static constexpr uint32_t kSize = 1u << kBits;
  static uint32_t Hash(uint32_t key) { return (key * 2654435761u) >> (32 - kBits); }
  std::array<uint32_t, kSize> slots_{};
  std::array<uint16_t, kMaxCode + 1> prefix_{};
  std::array<uint8_t, kMaxCode + 1> last_{};
};

// The two indices each pixel may be written as; the same twice where it has
// only one.
struct Choices {
  const uint8_t* first;
  const uint8_t* second;
};

// Finds the longest string from a pixel on that the dictionary holds, each
// pixel taking either of its indices.
class Search {
 public:
  Search(Choices choices, size_t count, const Trie& trie) : choices_(choices), count_(count), trie_(trie) {}

  // The entry the string before waits to have added (`prefix` followed by
  // the index this string starts with, as `code`) is one the decoder knows
  // by then: a string may use it.
  void Pending(int prefix, uint32_t index, int code) {
    pendingPrefix_ = prefix;
    pendingIndex_ = index;
    pendingCode_ = code;
  }

  // From the string `code` that ends before pixel `at`; keeps the longest
  // found since Reset in end() and code(), the first found among equals.
  void Run(int code, size_t at) {
    forks_ = kForks;
    Extend(code, at);
  }
  void Reset() { end_ = 0; }
  size_t end() const { return end_; }
  int code() const { return code_; }

 private:
  int Child(int code, uint32_t index) const {
    if (code == pendingPrefix_ && index == pendingIndex_) return pendingCode_;
    return trie_.Find(static_cast<uint32_t>(code), index);
  }
  void Extend(int code, size_t at) {
    for (;; ++at) {
      if (at > end_) {
        end_ = at;
        code_ = code;
      }
      if (at == count_) return;
      const int one = Child(code, choices_.first[at]);
      const int other = choices_.second[at] != choices_.first[at] ? Child(code, choices_.second[at]) : -1;
      if (one >= 0 && other >= 0 && forks_ > 0) {
        --forks_;
        Extend(one, at + 1);
        code = other;
      } else if (one >= 0 || other >= 0) {
        code = one >= 0 ? one : other;
      } else {
        return;
      }
    }
  }

  Choices choices_;
  size_t count_;
  const Trie& trie_;
  int pendingPrefix_ = -1;
  uint32_t pendingIndex_ = 0;
  int pendingCode_ = -1;
  int forks_ = 0;
  size_t end_ = 0;
  int code_ = 0;
};

// The pixels as LZW will write them: each string of a code the longest the
// dictionary holds from its first pixel, the same rule by which
// AppendGifImage then finds the same strings again. A string starts with
// the first index where the second gives no longer one, so the entries
// added end in the index most pixels share.
std::vector<uint8_t> Choose(Choices choices, size_t count, uint32_t clear) {
  std::vector<uint8_t> chosen(count);
  auto trie = std::make_unique<Trie>();
  Search search(choices, count, *trie);
  const int firstCode = static_cast<int>(clear) + 2;
  int next = firstCode;
  int previous = -1;  // the string written last, whose entry waits for the next index
  for (size_t at = 0; at < count;) {
    // The dictionary starts again once full, as in AppendGifImage.
    if (previous >= 0 && next >= kMaxCode) {
      trie->Clear();
      next = firstCode;
      previous = -1;
    }
    search.Reset();
    const uint32_t starts[2] = {choices.first[at], choices.second[at]};
    uint32_t start = starts[0];
    for (int way = 0; way < (starts[1] != starts[0] ? 2 : 1); ++way) {
      const size_t before = search.end();
      search.Pending(previous, starts[way], previous >= 0 ? next : -1);
      if (previous >= 0) trie->Spell(static_cast<uint32_t>(previous), starts[way], next);
      search.Run(static_cast<int>(starts[way]), at + 1);
      if (search.end() > before) start = starts[way];
    }
    if (previous >= 0) trie->Add(static_cast<uint32_t>(previous), start, next++);
    search.Pending(-1, 0, -1);
    // Spell the string out backwards from its code.
    size_t end = search.end();
    int code = search.code();
    for (; code >= static_cast<int>(clear); code = trie->Prefix(code)) chosen[--end] = trie->Last(code);
    chosen[--end] = static_cast<uint8_t>(code);
    previous = search.code();
    at = search.end();
  }
  return chosen;
}

// In each row, the choice of indices with the fewest changes from one pixel
// to the next, put first (the other second): long runs make strings that
// the rows below meet again. Returns whether any pixel's order changed.
bool Smooth(Choices choices, int width, size_t count, std::vector<uint8_t>& first, std::vector<uint8_t>& second) {
  first.assign(choices.first, choices.first + count);
  second.assign(choices.second, choices.second + count);
  const size_t w = static_cast<size_t>(width);
  std::vector<uint8_t> back(w * 2);  // per pixel and way, the way of the pixel before
  bool swapped = false;
  for (size_t row = 0; row < count; row += w) {
    uint8_t* a = first.data() + row;
    uint8_t* b = second.data() + row;
    int changes[2] = {0, 0};  // the fewest up to the pixel, ending with either way
    for (size_t x = 1; x < w; ++x) {
      int now[2];
      for (int way = 0; way < 2; ++way) {
        const uint8_t index = way == 0 ? a[x] : b[x];
        const int fromFirst = changes[0] + (a[x - 1] != index);
        const int fromSecond = changes[1] + (b[x - 1] != index);
        back[x * 2 + way] = fromSecond < fromFirst;
        now[way] = std::min(fromFirst, fromSecond);
      }
      changes[0] = now[0];
      changes[1] = now[1];
    }
    int way = changes[1] < changes[0];
    for (size_t x = w; x-- > 0;) {
      if (way == 1 && a[x] != b[x]) {
        std::swap(a[x], b[x]);
        swapped = true;
      }
      way = x > 0 ? back[x * 2 + way] : 0;
    }
  }
  return swapped;
}

}  // namespace

void AppendGifImageChoosing(const GifImage& image, std::vector<uint8_t>& out) {
  const size_t count = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
  const uint32_t clear = 1u << std::clamp(image.codeBits, 2, 8);
  // Where no pixel has a second index (a frame cleared whole) there is
  // nothing to choose.
  size_t i = 0;
  while (i < count && (image.alternatives[i] == image.pixels[i] || image.alternatives[i] >= clear)) ++i;
  if (i == count) return AppendGifImage(image, out);
  std::vector<uint8_t> best;
  AppendGifImage(image, best);
  std::vector<uint8_t> second(count);
  for (i = 0; i < count; ++i) second[i] = image.alternatives[i] < clear ? image.alternatives[i] : image.pixels[i];
  // No one way wins on every frame of the real flics tried: the smallest of
  // three is kept, AppendGifImage's own choice among them.
  const Choices given{image.pixels, second.data()};
  const auto consider = [&](const std::vector<uint8_t>& pixels) {
    GifImage chosen = image;
    chosen.pixels = pixels.data();
    chosen.alternatives = nullptr;
    std::vector<uint8_t> bytes;
    AppendGifImage(chosen, bytes);
    if (bytes.size() < best.size()) best.swap(bytes);
  };
  consider(Choose(given, count, clear));
  std::vector<uint8_t> first, other;
  if (Smooth(given, image.width, count, first, other))
    consider(Choose(Choices{first.data(), other.data()}, count, clear));
  out.insert(out.end(), best.begin(), best.end());
}

}  // namespace kt
