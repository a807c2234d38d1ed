// Both ways of moving DELTA_FLC words against a plain pixel-by-pixel model,
// on random well-formed chunks.
#include <gtest/gtest.h>

#include "decode_harness.h"
#include "flic/flic_header.h"
#include "random_chunks.h"

namespace kt {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(DeltaFlcWays, BothWaysWriteWhatTheModelWrites) {
  test::Random r(20240611);
  for (int round = 0; round < 400; ++round) {
    const uint16_t width = static_cast<uint16_t>(round % 4 == 0 ? 250 + round % 71 : 1 + round % 37);
    const uint16_t height = static_cast<uint16_t>(1 + round % 9);
    const Bytes start = r.Noise(static_cast<size_t>(width) * height);
    const test::Encoded chunk = test::RandomDeltaFlc(r, start, width, height, true);
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
