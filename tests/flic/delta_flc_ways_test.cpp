// Both ways of moving DELTA_FLC words against a plain pixel-by-pixel model,
// on random well-formed chunks.
#include <gtest/gtest.h>

#include <random>

#include "decode_harness.h"
#include "flic/flic_header.h"

namespace kt {
namespace {

using Bytes = std::vector<uint8_t>;

struct Encoded {
  Bytes data;
  Bytes expected;
};

void PutWord(Bytes& out, uint16_t w) {
  out.push_back(static_cast<uint8_t>(w));
  out.push_back(static_cast<uint8_t>(w >> 8));
}

// Writes a random chunk for the image `before` and applies each packet to
// the model as it goes. Runs stay inside their row, as encoders make them.
Encoded RandomChunk(std::mt19937& rng, const Bytes& before, uint16_t width, uint16_t height) {
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  Encoded e{{0, 0}, before};
  uint16_t lines = 0;
  for (int y = 0; y < height; ++y) {
    if (pick(0, 3) == 0 && y + 1 < height) {  // skip some lines, sometimes in two words
      const int skip = pick(1, height - 1 - y);
      if (skip > 1 && pick(0, 1)) {
        PutWord(e.data, static_cast<uint16_t>(-1));
        PutWord(e.data, static_cast<uint16_t>(-(skip - 1)));
      } else {
        PutWord(e.data, static_cast<uint16_t>(-skip));
      }
      y += skip;
    }
    if (pick(0, 5) == 0) PutWord(e.data, static_cast<uint16_t>(0x4000 | pick(0, 0x3FFF)));
    if (pick(0, 2) == 0) {
      const uint8_t v = static_cast<uint8_t>(pick(0, 255));
      PutWord(e.data, static_cast<uint16_t>(0x8000 | v));
      e.expected[static_cast<size_t>(y) * width + width - 1] = v;
    }
    const size_t countAt = e.data.size();
    PutWord(e.data, 0);
    uint16_t packets = 0;
    int x = 0;
    while (width - x >= 2 && pick(0, 4) != 0) {
      const int skip = pick(0, std::min(255, (width - x - 2)));
      x += skip;
      const int maxWords = (width - x) / 2;
      uint8_t* row = e.expected.data() + static_cast<size_t>(y) * width;
      e.data.push_back(static_cast<uint8_t>(skip));
      if (pick(0, 1)) {
        const int words = pick(0, std::min(127, maxWords));
        e.data.push_back(static_cast<uint8_t>(words));
        for (int i = 0; i < 2 * words; ++i) {
          const uint8_t v = static_cast<uint8_t>(pick(0, 255));
          e.data.push_back(v);
          row[x + i] = v;
        }
        x += 2 * words;
      } else {
        const int words = pick(1, std::min(128, maxWords));
        const uint8_t pair[2] = {static_cast<uint8_t>(pick(0, 255)), static_cast<uint8_t>(pick(0, 255))};
        e.data.insert(e.data.end(), {static_cast<uint8_t>(-words), pair[0], pair[1]});
        for (int i = 0; i < 2 * words; ++i) row[x + i] = pair[i & 1];
        x += 2 * words;
      }
      ++packets;
    }
    e.data[countAt] = static_cast<uint8_t>(packets);
    e.data[countAt + 1] = static_cast<uint8_t>(packets >> 8);
    ++lines;
  }
  e.data[0] = static_cast<uint8_t>(lines);
  e.data[1] = static_cast<uint8_t>(lines >> 8);
  return e;
}

TEST(DeltaFlcWays, BothWaysWriteWhatTheModelWrites) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 400; ++round) {
    const uint16_t width = static_cast<uint16_t>(round % 4 == 0 ? 250 + round % 71 : 1 + round % 37);
    const uint16_t height = static_cast<uint16_t>(1 + round % 9);
    Bytes start(static_cast<size_t>(width) * height);
    for (uint8_t& p : start) p = static_cast<uint8_t>(rng());
    const Encoded chunk = RandomChunk(rng, start, width, height);
    for (bool optimize : {true, false}) {
      SCOPED_TRACE(testing::Message() << "round " << round << " optimize " << optimize);
      test::Canvas c(width, height);
      c.pixels = start;
      c.target.pixels = c.pixels.data();
      c.target.optimize = optimize;
      ASSERT_TRUE(test::Decode(DELTA_FLC, chunk.data, c));
      ASSERT_EQ(c.pixels, chunk.expected);
    }
  }
}

}  // namespace
}  // namespace kt
