// The lines a frame's chunks name as changed hold every byte they wrote:
// a delta's own lines and what its packets ran on into, every line for new
// colours, a whole picture or a chunk cut short.
#include <gtest/gtest.h>

#include "decode_harness.h"
#include "flic/flic_header.h"

namespace kt {
namespace {

TEST(ChangedLines, ChunksNameTheLinesTheyMayHaveWritten) {
  using Bytes = std::vector<uint8_t>;
  auto lines = [](uint16_t type, const Bytes& data) {
    test::Canvas canvas(8, 6);
    ChangedLines changed;
    canvas.target.changed = &changed;
    const std::vector<uint8_t> before = canvas.pixels;
    test::Decode(type, data, canvas);
    for (int y = 0; y < 6; ++y) {
      if (y < changed.top || y >= changed.bottom) EXPECT_EQ(canvas.Row(y), Bytes(8, 0)) << "line " << y;
    }
    return changed;
  };
  // Two lines skipped, line 2 written, and line 3's packet skipping on into line 4.
  EXPECT_EQ(lines(DELTA_FLC, {2, 0, 0xFE, 0xFF, 1, 0, 0, 2, 1, 2, 3, 4, 1, 0, 10, 1, 5, 6}), (ChangedLines{2, 5}));
  // The last pixel of line 1 alone, after an undefined word.
  EXPECT_EQ(lines(DELTA_FLC, {1, 0, 0xFF, 0xFF, 0x00, 0x40, 0x07, 0x80, 0, 0}), (ChangedLines{1, 2}));
  EXPECT_EQ(lines(DELTA_FLI, {1, 0, 1, 0, 1, 0, 3, 7, 8, 9}), (ChangedLines{1, 2}));
  EXPECT_EQ(lines(DELTA_FLI, {3, 0, 1, 0, 1, 12, 1, 7}), (ChangedLines{3, 5}));
  EXPECT_EQ(lines(DELTA_FLI, {3, 0, 0, 0}), ChangedLines{}) << "no lines";
  EXPECT_EQ(lines(DELTA_FLC, {1, 0, 1, 0, 0, 4, 1, 2}), ChangedLines::All(6)) << "cut short";
  EXPECT_EQ(lines(BLACK, {}), ChangedLines::All(6));
  EXPECT_EQ(lines(COLOR_256, {1, 0, 0, 1, 1, 2, 3}), ChangedLines::All(6)) << "new colours";
  EXPECT_EQ(lines(PSTAMP, {}), ChangedLines{});
}

}  // namespace
}  // namespace kt
