// The packet loops against plain byte-by-byte models, on random well-formed
// chunks for pictures wide enough that most lines take the loops' fast way
// and the last lines and the chunk's end take the checked way. Runs pass row
// ends freely (a run continues on the next row) but never the picture's end.
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

class Random {
 public:
  explicit Random(uint32_t seed) : rng_(seed) {}
  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
  // Run lengths bunched where the loops change their way of moving: 0, 1,
  // around 8 and 16, and the longest.
  int Length(int most) {
    const int kind = Pick(0, 5);
    const int length = kind == 0 ? Pick(0, 2) : kind == 1 ? Pick(7, 9) : kind == 2 ? Pick(15, 18)
                                                : kind == 3 ? most : Pick(0, most);
    return std::min(length, most);
  }

 private:
  std::mt19937 rng_;
};

Encoded RandomDeltaFli(Random& r, const Bytes& before, int width, int height) {
  Encoded e{{}, before};
  const int y0 = r.Pick(0, height - 1);
  const int lines = r.Pick(0, height - y0);
  e.data = {static_cast<uint8_t>(y0), static_cast<uint8_t>(y0 >> 8), static_cast<uint8_t>(lines),
            static_cast<uint8_t>(lines >> 8)};
  const size_t end = before.size();
  for (int k = 0; k < lines; ++k) {
    size_t offset = static_cast<size_t>(y0 + k) * width;
    const size_t countAt = e.data.size();
    e.data.push_back(0);
    int packets = 0;
    while (packets < 255 && r.Pick(0, 9) != 0) {
      const size_t skip = std::min<size_t>(r.Pick(0, 255), end - offset);
      offset += skip;
      const int room = static_cast<int>(std::min<size_t>(end - offset, 128));
      if (r.Pick(0, 1) == 0) {
        const int n = r.Length(std::min(room, 127));
        e.data.insert(e.data.end(), {static_cast<uint8_t>(skip), static_cast<uint8_t>(n)});
        for (int i = 0; i < n; ++i) {
          const auto v = static_cast<uint8_t>(r.Pick(0, 255));
          e.data.push_back(v);
          e.expected[offset + i] = v;
        }
        offset += n;
      } else {
        if (room == 0) break;
        const int n = std::max(1, r.Length(room));
        const auto v = static_cast<uint8_t>(r.Pick(0, 255));
        e.data.insert(e.data.end(), {static_cast<uint8_t>(skip), static_cast<uint8_t>(-n), v});
        for (int i = 0; i < n; ++i) e.expected[offset + i] = v;
        offset += n;
      }
      ++packets;
    }
    e.data[countAt] = static_cast<uint8_t>(packets);
  }
  return e;
}

Encoded RandomByteRun(Random& r, int width, int height) {
  Encoded e{{}, Bytes(static_cast<size_t>(width) * height)};
  const size_t end = e.expected.size();
  for (int y = 0; y < height; ++y) {
    e.data.push_back(static_cast<uint8_t>(r.Pick(0, 255)));  // the packet count nobody reads
    size_t offset = static_cast<size_t>(y) * width;
    for (int x = 0; x < width;) {
      const int room = static_cast<int>(std::min<size_t>(end - offset, 128));
      if (r.Pick(0, 1) == 0) {
        const int n = r.Length(std::min(room, 127));
        const auto v = static_cast<uint8_t>(r.Pick(0, 255));
        e.data.insert(e.data.end(), {static_cast<uint8_t>(n), v});
        for (int i = 0; i < n; ++i) e.expected[offset + i] = v;
        offset += n;
        x += n;
      } else {
        const int n = std::max(1, r.Length(room));
        e.data.push_back(static_cast<uint8_t>(-n));
        for (int i = 0; i < n; ++i) {
          const auto v = static_cast<uint8_t>(r.Pick(0, 255));
          e.data.push_back(v);
          e.expected[offset + i] = v;
        }
        offset += n;
        x += n;
      }
    }
  }
  return e;
}

void PutWord(Bytes& out, int w) {
  out.push_back(static_cast<uint8_t>(w));
  out.push_back(static_cast<uint8_t>(w >> 8));
}

Encoded RandomDeltaFlc(Random& r, const Bytes& before, int width, int height) {
  Encoded e{{0, 0}, before};
  const size_t end = before.size();
  int lines = 0;
  for (int y = 0; y < height; ++y) {
    if (r.Pick(0, 4) == 0 && y + 1 < height) {
      const int skip = r.Pick(1, height - 1 - y);
      PutWord(e.data, -skip);
      y += skip;
    }
    size_t offset = static_cast<size_t>(y) * width;
    const size_t countAt = e.data.size();
    PutWord(e.data, 0);
    int packets = 0;
    while (r.Pick(0, 11) != 0) {
      const size_t skip = std::min<size_t>(r.Pick(0, 255), end - offset);
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
    e.data[countAt] = static_cast<uint8_t>(packets);
    e.data[countAt + 1] = static_cast<uint8_t>(packets >> 8);
    ++lines;
  }
  e.data[0] = static_cast<uint8_t>(lines);
  e.data[1] = static_cast<uint8_t>(lines >> 8);
  return e;
}

Bytes Noise(Random& r, size_t n) {
  Bytes bytes(n);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(r.Pick(0, 255));
  return bytes;
}

TEST(PacketLoops, EveryChunkFamilyWritesWhatItsModelWrites) {
  Random r(1313);
  for (int round = 0; round < 120; ++round) {
    const int width = round % 3 == 0 ? 640 : 97 + round * 7;
    const int height = 1 + round % 23;
    const Bytes start = Noise(r, static_cast<size_t>(width) * height);
    const std::pair<uint16_t, Encoded> cases[] = {
        {DELTA_FLI, RandomDeltaFli(r, start, width, height)},
        {BYTE_RUN, RandomByteRun(r, width, height)},
        {DELTA_FLC, RandomDeltaFlc(r, start, width, height)},
    };
    for (const auto& [type, chunk] : cases) {
      for (bool optimize : {true, false}) {
        SCOPED_TRACE(testing::Message() << "round " << round << " type " << type << " optimize " << optimize);
        test::Canvas c(static_cast<uint16_t>(width), static_cast<uint16_t>(height));
        c.pixels = start;
        c.target.pixels = c.pixels.data();
        c.target.optimize = optimize;
        ASSERT_TRUE(test::Decode(type, chunk.data, c));
        ASSERT_EQ(c.pixels, chunk.expected);
      }
    }
  }
}

// The same chunks cut short at every few bytes: the loops must stop where
// the checked way stops, leaving the same picture, whichever way they went.
TEST(PacketLoops, ChunksCutShortStopWhereTheDataEnds) {
  Random r(77);
  for (int round = 0; round < 12; ++round) {
    const int width = 320;
    const int height = 6;
    const Bytes start = Noise(r, static_cast<size_t>(width) * height);
    const Encoded flc = RandomDeltaFlc(r, start, width, height);
    for (size_t cut = 2; cut < flc.data.size(); cut += 1 + flc.data.size() / 97) {
      const Bytes shortData(flc.data.begin(), flc.data.begin() + static_cast<std::ptrdiff_t>(cut));
      test::Canvas fast(width, height);
      test::Canvas plain(width, height);
      fast.pixels = plain.pixels = start;
      fast.target.pixels = fast.pixels.data();
      plain.target.pixels = plain.pixels.data();
      plain.target.optimize = false;
      EXPECT_EQ(test::Decode(DELTA_FLC, shortData, fast), test::Decode(DELTA_FLC, shortData, plain));
      ASSERT_EQ(fast.pixels, plain.pixels) << "cut at " << cut;
    }
  }
}

}  // namespace
}  // namespace kt
