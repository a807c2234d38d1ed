// Data that would reach outside the image, the palette or the chunk: what
// fits is decoded, the rest is dropped, and the chunk is reported.
#include <gtest/gtest.h>

#include <random>

#include "decode_harness.h"
#include "flic/flic_header.h"

namespace kt {
namespace {

using test::Canvas;
using test::Decode;
using test::RecordingEvents;
using Bytes = std::vector<uint8_t>;

TEST(DeltaFlcBounds, LineSkipsAndLineCountsPastTheHeightStop) {
  Canvas c(4, 3, 0x11);
  // Five skips of 16384 lines each: stops at the first.
  EXPECT_FALSE(Decode(DELTA_FLC, {0x05, 0x00, 0x00, 0xC0, 0x00, 0xC0, 0x00, 0xC0, 0x00, 0xC0, 0x00, 0xC0}, c));
  // Three lines decoded, a fourth claimed: its last-pixel word is not applied.
  EXPECT_FALSE(Decode(DELTA_FLC, {0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x22, 0x80, 0x00, 0x00}, c));
  // A skip to the last line is still fine.
  EXPECT_TRUE(Decode(DELTA_FLC, {0x01, 0x00, 0xFE, 0xFF, 0x33, 0x80, 0x00, 0x00}, c));
  EXPECT_EQ(c.pixels, (Bytes{0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x33}));
}

TEST(DeltaFlcBounds, CountsWithoutDataEndAtTheDataEnd) {
  Canvas c(4, 2, 0x11);
  EXPECT_FALSE(Decode(DELTA_FLC, {0xFF, 0xFF}, c));
  EXPECT_FALSE(Decode(DELTA_FLC, {0x01, 0x00, 0xFF, 0x3F}, c));
  EXPECT_FALSE(Decode(DELTA_FLC, {0x01, 0x00, 0xFF, 0x3F, 0x00, 0xFF, 0x05}, c));
  EXPECT_FALSE(Decode(DELTA_FLC, {0x01}, c));
  EXPECT_FALSE(Decode(DELTA_FLC, {}, c));
  EXPECT_EQ(c.pixels, Bytes(8, 0x11));
  // A literal cut short by the data's end keeps the bytes that are there.
  EXPECT_FALSE(Decode(DELTA_FLC, {0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x01, 0x02, 0x03}, c));
  EXPECT_EQ(c.Row(0), (Bytes{0x01, 0x02, 0x03, 0x11}));
}

TEST(DeltaFlcBounds, RunsStopAtTheImageEndTheSameBothWays) {
  for (bool optimize : {true, false}) {
    SCOPED_TRACE(optimize);
    Canvas c(3, 2, 0x11);
    c.target.optimize = optimize;
    // Line 1: a literal of 2 words from x 1 has 2 of its 4 bytes inside.
    const Bytes literal{0x01, 0x00, 0xFF, 0xFF, 0x01, 0x00, 0x01, 0x02, 0x0A, 0x0B, 0x0C, 0x0D};
    EXPECT_FALSE(Decode(DELTA_FLC, literal, c));
    EXPECT_EQ(c.Row(1), (Bytes{0x11, 0x0A, 0x0B}));
    // Line 0: a repeat of 128 words from x 0 fills the image with the pair;
    // the literal after it writes nothing.
    const Bytes repeat{0x01, 0x00, 0x02, 0x00, 0x00, 0x80, 0x01, 0x02, 0xFF, 0x01, 0x07, 0x08};
    EXPECT_FALSE(Decode(DELTA_FLC, repeat, c));
    EXPECT_EQ(c.pixels, (Bytes{1, 2, 1, 2, 1, 2}));
    // Zero-height target: no last pixel to set.
    Canvas empty(3, 0);
    EXPECT_FALSE(Decode(DELTA_FLC, {0x01, 0x00, 0x01, 0x80, 0x00, 0x00}, empty));
  }
}

TEST(DeltaFliBounds, BandsAndRunsPastTheImage) {
  Canvas c(3, 2, 0x11);
  EXPECT_FALSE(Decode(DELTA_FLI, {0x02, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x05}, c));
  EXPECT_EQ(c.pixels, Bytes(6, 0x11));
  // A band of three lines from line 1: line 1 decodes, then the chunk stops.
  EXPECT_FALSE(Decode(DELTA_FLI, {0x01, 0x00, 0x03, 0x00, 0x01, 0x00, 0x01, 0x05, 0x01, 0x00, 0x01, 0x06}, c));
  EXPECT_EQ(c.Row(1), (Bytes{0x05, 0x11, 0x11}));
  // A repeat of 100 from (2, 1), then a copy far past the end: only (2, 1).
  EXPECT_FALSE(Decode(DELTA_FLI, {0x01, 0x00, 0x01, 0x00, 0x02, 0x02, 0x9C, 0x07, 0xFF, 0x01, 0x08}, c));
  EXPECT_EQ(c.Row(1), (Bytes{0x05, 0x11, 0x07}));
  // A copy cut short by the data's end.
  EXPECT_FALSE(Decode(DELTA_FLI, {0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x03, 0x0A, 0x0B}, c));
  EXPECT_EQ(c.Row(0), (Bytes{0x0A, 0x0B, 0x11}));
  EXPECT_FALSE(Decode(DELTA_FLI, {0x00, 0x00, 0x01}, c));
}

TEST(ByteRunBounds, LastRowSpillAndShortData) {
  Canvas c(3, 2);
  // Line 1's repeat of 5 passes the image's end: the row is still written.
  EXPECT_FALSE(Decode(BYTE_RUN, {0x01, 0x03, 0x01, 0x01, 0x05, 0x02}, c));
  EXPECT_EQ(c.pixels, (Bytes{1, 1, 1, 2, 2, 2}));
  // Zero counts pass two bytes each and never end a line: the data's end does.
  EXPECT_FALSE(Decode(BYTE_RUN, Bytes(4001, 0x00), c));
  EXPECT_EQ(c.pixels, (Bytes{1, 1, 1, 2, 2, 2}));
  // A literal cut short keeps what is there; an empty chunk writes nothing.
  EXPECT_FALSE(Decode(BYTE_RUN, {0x01, 0xFE, 0x09}, c));
  EXPECT_EQ(c.pixels, (Bytes{9, 1, 1, 2, 2, 2}));
  EXPECT_FALSE(Decode(BYTE_RUN, {}, c));
  Canvas none(0, 5);
  EXPECT_TRUE(Decode(BYTE_RUN, {}, none));
}

TEST(ColourBounds, EntriesPastTheLastAreDroppedAndThePaletteStillInstalled) {
  Canvas c(1, 1);
  RecordingEvents events;
  const Bytes data{0x01, 0x00, 0xFF, 0x02, 1, 2, 3, 4, 5, 6};
  EXPECT_FALSE(DecodeChunk(COLOR_256, data.data(), static_cast<uint32_t>(data.size()), c.target, events));
  EXPECT_EQ(c.palette[255], (RgbColour{1, 2, 3}));
  EXPECT_EQ(c.palette[0], (RgbColour{}));
  EXPECT_EQ(events.palettesApplied, 1);
  // Only whole colours are taken from a short chunk.
  EXPECT_FALSE(Decode(COLOR_64, {0x01, 0x00, 0x00, 0x03, 1, 1, 1, 2, 2}, c));
  EXPECT_EQ(c.palette[0], (RgbColour{4, 4, 4}));
  EXPECT_EQ(c.palette[1], (RgbColour{}));
  EXPECT_FALSE(Decode(COLOR_256, {0xFF, 0xFF}, c));
  EXPECT_FALSE(Decode(COLOR_256, {0x01}, c));
}

TEST(FliCopyBounds, ShortDataCopiesWhatThereIs) {
  Canvas c(3, 2, 0x11);
  EXPECT_FALSE(Decode(FLI_COPY, {1, 2, 3, 4}, c));
  EXPECT_EQ(c.pixels, (Bytes{1, 2, 3, 4, 0x11, 0x11}));
}

TEST(DecodeFrameBounds, ReportsEachClippedChunkOnceAndGoesOn) {
  Canvas c(2, 1, 0x11);
  FrameSlot slot;
  slot.chunks = 4;
  slot.chunkTable.resize(4);
  auto put = [&slot](int j, uint16_t type, const Bytes& data, uint32_t size) {
    ChunkRef& ref = slot.chunkTable[j];
    ref.type = type;
    ref.size = size;
    if (!data.empty()) {
      ref.data = std::make_unique<uint8_t[]>(data.size());
      std::copy(data.begin(), data.end(), ref.data.get());
    }
  };
  put(0, DELTA_FLI, {0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0xFC, 0x05}, 14);  // a repeat past the end
  put(1, FLI_COPY, {}, 8);                                                  // data already released
  put(2, DELTA_FLC, {}, 3);                                                 // size below the header's
  put(3, DELTA_FLI, {0x00, 0x00, 0x01, 0x00, 0x01, 0x01, 0x01, 0x06}, 14);
  RecordingEvents events;
  DecodeFrame(slot, c.target, events);
  EXPECT_EQ(c.pixels, (Bytes{0x05, 0x06}));
  using Report = std::pair<int, uint16_t>;
  EXPECT_EQ(events.clipped, (std::vector<Report>{{0, DELTA_FLI}, {1, FLI_COPY}, {2, DELTA_FLC}}));
}

// Random bytes as every chunk type, on odd and even sizes: the sanitizer
// build turns any stray read or write into a failure.
TEST(DecoderBounds, RandomDataStaysInsideEverything) {
  std::mt19937 rng(7);
  const uint16_t types[] = {COLOR_256, COLOR_64, DELTA_FLC, DELTA_FLI, BYTE_RUN, FLI_COPY, BLACK};
  for (int round = 0; round < 3000; ++round) {
    const uint16_t width = static_cast<uint16_t>(rng() % 9);
    const uint16_t height = static_cast<uint16_t>(rng() % 7);
    Bytes data(rng() % 80);
    for (uint8_t& b : data) b = static_cast<uint8_t>(rng());
    if (data.size() >= 2 && rng() % 2) data[1] &= 0x00;  // small counts reach further into the data
    for (bool optimize : {true, false}) {
      Canvas c(width, height);
      c.target.optimize = optimize;
      Decode(types[round % 7], data, c);
    }
  }
}

}  // namespace
}  // namespace kt
