#include <gtest/gtest.h>

#include "decode_harness.h"
#include "flic/flic_header.h"

namespace kt {
namespace {

// The lines a chunk names hold every byte it wrote, a packet that skips on
// into the next line included; new colours, whole pictures and a chunk cut
// short name every line.
TEST(ChangedLines, ChunksNameTheLinesTheyMayHaveWritten) {
  auto lines = [](uint16_t type, const std::vector<uint8_t>& data) {
    test::Canvas canvas(8, 6);
    ChangedLines changed;
    canvas.target.changed = &changed;
    test::Decode(type, data, canvas);
    for (int y = 0; y < 6; ++y) {
      const bool inside = y >= changed.top && y < changed.bottom;
      EXPECT_TRUE(inside || canvas.Row(y) == std::vector<uint8_t>(8, 0)) << y;
    }
    return changed;
  };
  EXPECT_EQ(lines(DELTA_FLC, {2, 0, 0xFE, 0xFF, 1, 0, 0, 2, 1, 2, 3, 4, 1, 0, 10, 1, 5, 6}), (ChangedLines{2, 5}));
  EXPECT_EQ(lines(DELTA_FLC, {1, 0, 0xFF, 0xFF, 0x00, 0x40, 0x07, 0x80, 0, 0}), (ChangedLines{1, 2}));
  EXPECT_EQ(lines(DELTA_FLI, {3, 0, 1, 0, 1, 12, 1, 7}), (ChangedLines{3, 5}));
  EXPECT_EQ(lines(DELTA_FLI, {3, 0, 0, 0}), ChangedLines{});
  EXPECT_EQ(lines(DELTA_FLC, {1, 0, 1, 0, 0, 4, 1, 2}), ChangedLines::All(6));
  EXPECT_EQ(lines(BLACK, {}), ChangedLines::All(6));
  EXPECT_EQ(lines(COLOR_256, {1, 0, 0, 1, 1, 2, 3}), ChangedLines::All(6));
}

}  // namespace
}  // namespace kt
