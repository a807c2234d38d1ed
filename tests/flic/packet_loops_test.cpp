// The packet loops against plain byte-by-byte models, on random well-formed
// chunks for pictures wide enough that most lines take the loops' fast way
// and the last lines and the chunk's end take the checked way. Runs pass row
// ends freely (a run continues on the next row) but never the picture's end.
#include <gtest/gtest.h>

#include "decode_harness.h"
#include "flic/flic_header.h"
#include "random_chunks.h"

namespace kt {
namespace {

using Bytes = std::vector<uint8_t>;

using test::Encoded;
using test::Random;

Encoded RandomDeltaFli(Random& r, const Bytes& before, int width, int height) {
  Encoded e{{}, before};
  const int y0 = r.Pick(0, height - 1);
  const int lines = r.Pick(0, height - y0);
  AppendU16(e.data, static_cast<uint16_t>(y0));
  AppendU16(e.data, static_cast<uint16_t>(lines));
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

TEST(PacketLoops, EveryChunkFamilyWritesWhatItsModelWrites) {
  Random r(1313);
  for (int round = 0; round < 120; ++round) {
    const int width = round % 3 == 0 ? 640 : 97 + round * 7;
    const int height = 1 + round % 23;
    const Bytes start = r.Noise(static_cast<size_t>(width) * height);
    const std::pair<uint16_t, Encoded> cases[] = {
        {DELTA_FLI, RandomDeltaFli(r, start, width, height)},
        {BYTE_RUN, RandomByteRun(r, width, height)},
        {DELTA_FLC, test::RandomDeltaFlc(r, start, width, height, false)},
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
    const Bytes start = r.Noise(static_cast<size_t>(width) * height);
    const Encoded flc = test::RandomDeltaFlc(r, start, width, height, false);
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
