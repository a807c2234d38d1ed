// Random well-formed chunks for the decoder tests, each with the picture a
// plain pixel-by-pixel model makes of it, packet by packet as it is written.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "base/bytes.h"
#include "flic_records.h"

namespace kt::test {

struct Encoded {
  Bytes data;
  Bytes expected;
};

class Random {
 public:
  explicit Random(uint32_t seed) : rng_(seed) {}
  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
  // Run lengths bunched where the decoder's loops change their way of
  // moving: 0, 1, around 8 and 16, and the longest.
  int Length(int most) {
    const int kind = Pick(0, 5);
    const int length = kind == 0   ? Pick(0, 2)
                       : kind == 1 ? Pick(7, 9)
                       : kind == 2 ? Pick(15, 18)
                       : kind == 3 ? most
                                   : Pick(0, most);
    return std::min(length, most);
  }
  Bytes Noise(size_t n) {
    Bytes bytes(n);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(Pick(0, 255));
    return bytes;
  }

 private:
  std::mt19937 rng_;
};

// DELTA_FLC for the picture `before`. With `withinRows` skips and runs stay
// inside their row, as encoders make them, and the chunk also holds line
// skips split over two words, words the decoder ignores (0x4000) and
// last-pixel words; without it they go on past row ends, never past the
// picture's end.
inline Encoded RandomDeltaFlc(Random& r, const Bytes& before, int width, int height, bool withinRows) {
  Encoded e{{0, 0}, before};
  uint16_t lines = 0;
  for (int y = 0; y < height; ++y) {
    if (r.Pick(0, 3) == 0 && y + 1 < height) {
      const int skip = r.Pick(1, height - 1 - y);
      if (withinRows && skip > 1 && r.Pick(0, 1)) {
        AppendU16(e.data, static_cast<uint16_t>(-1));
        AppendU16(e.data, static_cast<uint16_t>(-(skip - 1)));
      } else {
        AppendU16(e.data, static_cast<uint16_t>(-skip));
      }
      y += skip;
    }
    if (withinRows && r.Pick(0, 5) == 0) AppendU16(e.data, static_cast<uint16_t>(0x4000 | r.Pick(0, 0x3FFF)));
    if (withinRows && r.Pick(0, 2) == 0) {
      const auto v = static_cast<uint8_t>(r.Pick(0, 255));
      AppendU16(e.data, static_cast<uint16_t>(0x8000 | v));
      e.expected[static_cast<size_t>(y) * width + width - 1] = v;
    }
    size_t offset = static_cast<size_t>(y) * width;
    const size_t end = withinRows ? offset + width : before.size();
    const size_t countAt = e.data.size();
    AppendU16(e.data, 0);
    uint16_t packets = 0;
    // Within a row a packet always has a word to write after its skip.
    const size_t reserve = withinRows ? 2 : 0;
    while (end - offset >= reserve && r.Pick(0, withinRows ? 4 : 11) != 0) {
      const size_t skip =
          static_cast<size_t>(r.Pick(0, static_cast<int>(std::min<size_t>(255, end - offset - reserve))));
      offset += skip;
      const int roomWords = static_cast<int>(std::min<size_t>((end - offset) / 2, 128));
      if (r.Pick(0, 1) == 0) {
        const int words = r.Length(std::min(roomWords, 127));
        e.data.insert(e.data.end(), {static_cast<uint8_t>(skip), static_cast<uint8_t>(words)});
        for (int i = 0; i < 2 * words; ++i) {
          const auto v = static_cast<uint8_t>(r.Pick(0, 255));
          e.data.push_back(v);
          e.expected[offset + i] = v;
        }
        offset += 2 * words;
      } else {
        if (roomWords == 0) break;
        const int words = std::max(1, r.Length(roomWords));
        const uint8_t pair[2] = {static_cast<uint8_t>(r.Pick(0, 255)), static_cast<uint8_t>(r.Pick(0, 255))};
        e.data.insert(e.data.end(), {static_cast<uint8_t>(skip), static_cast<uint8_t>(-words), pair[0], pair[1]});
        for (int i = 0; i < 2 * words; ++i) e.expected[offset + i] = pair[i & 1];
        offset += 2 * words;
      }
      ++packets;
    }
    WriteU16(&e.data[countAt], packets);
    ++lines;
  }
  WriteU16(&e.data[0], lines);
  return e;
}

}  // namespace kt::test
