#include <gtest/gtest.h>

#include <stdexcept>

#include "decode_harness.h"
#include "flic/flic_header.h"

namespace kt {
namespace {

using test::Canvas;
using test::Decode;
using test::RecordingEvents;
using Bytes = std::vector<uint8_t>;

TEST(WorkedChunks, ByteRunRepeatsThenCopies) {
  Canvas c(4, 1);
  EXPECT_TRUE(Decode(BYTE_RUN, {0x00, 0x02, 0x05, 0xFE, 0x01, 0x02}, c));
  EXPECT_EQ(c.Row(0), (Bytes{0x05, 0x05, 0x01, 0x02}));
}

TEST(WorkedChunks, DeltaFliChangesOnePixel) {
  Canvas c(4, 2);
  EXPECT_TRUE(Decode(DELTA_FLI, {0x01, 0x00, 0x01, 0x00, 0x01, 0x02, 0xFF, 0x07}, c));
  EXPECT_EQ(c.pixels, (Bytes{0, 0, 0, 0, 0, 0, 0x07, 0}));
}

TEST(WorkedChunks, DeltaFlcSkipsALineAndSetsALastPixel) {
  Canvas c(4, 3);
  const Bytes data{0x02, 0x00, 0xFF, 0xFF, 0x01, 0x00, 0x01, 0x01, 0xAA, 0xBB, 0x03, 0x80, 0x00, 0x00};
  EXPECT_TRUE(Decode(DELTA_FLC, data, c));
  EXPECT_EQ(c.Row(0), (Bytes{0, 0, 0, 0}));
  EXPECT_EQ(c.Row(1), (Bytes{0, 0xAA, 0xBB, 0}));
  EXPECT_EQ(c.Row(2), (Bytes{0, 0, 0, 0x03}));
}

TEST(WorkedChunks, Color64ScalesByFourAndWraps) {
  Canvas c(1, 1);
  EXPECT_TRUE(Decode(COLOR_64, {0x01, 0x00, 0x05, 0x02, 0x3F, 0x00, 0x10, 0x01, 0x02, 0x03}, c));
  EXPECT_EQ(c.palette[5], (RgbColour{252, 0, 64}));
  EXPECT_EQ(c.palette[6], (RgbColour{4, 8, 12}));
  EXPECT_TRUE(Decode(COLOR_64, {0x01, 0x00, 0x00, 0x01, 0x3F, 0x40, 0xFF}, c));
  EXPECT_EQ(c.palette[0], (RgbColour{252, 0, 252}));
}

TEST(ColourChunks, PacketsCarryTheIndexOnAndCountZeroMeansAll) {
  Canvas c(1, 1);
  // 256 colours from a zero count, stored unchanged.
  Bytes all{0x01, 0x00, 0x00, 0x00};
  for (int i = 0; i < 256; ++i) all.insert(all.end(), {uint8_t(i), uint8_t(255 - i), 0xFF});
  EXPECT_TRUE(Decode(COLOR_256, all, c));
  EXPECT_EQ(c.palette[0], (RgbColour{0, 255, 255}));
  EXPECT_EQ(c.palette[255], (RgbColour{255, 0, 255}));
  // The first packet sets 17..19, so the second's skip of 10 counts from 20.
  Bytes two{0x02, 0x00, 17, 3};
  for (int i = 0; i < 3; ++i) two.insert(two.end(), {1, 1, 1});
  two.insert(two.end(), {10, 1, 9, 9, 9});
  EXPECT_TRUE(Decode(COLOR_256, two, c));
  EXPECT_EQ(c.palette[19], (RgbColour{1, 1, 1}));
  EXPECT_EQ(c.palette[20], (RgbColour{20, 255 - 20, 255}));
  EXPECT_EQ(c.palette[29], (RgbColour{29, 255 - 29, 255}));
  EXPECT_EQ(c.palette[30], (RgbColour{9, 9, 9}));
}

TEST(DeltaFlcOpcodes, LastPixelSkipsAndIgnoredWords) {
  Canvas c(5, 4, 0x11);
  // Line 0: last pixel 0x12 and no packets. 0x4005 neither counts as a
  // line nor moves y. Skip two lines; line 3 gets one packet.
  EXPECT_TRUE(Decode(
      DELTA_FLC, {0x02, 0x00, 0x12, 0x80, 0x00, 0x00, 0x05, 0x40, 0xFE, 0xFF, 0x01, 0x00, 0x02, 0x01, 0x21, 0x22}, c));
  EXPECT_EQ(c.Row(0), (Bytes{0x11, 0x11, 0x11, 0x11, 0x12}));
  EXPECT_EQ(c.Row(1), (Bytes(5, 0x11)));
  EXPECT_EQ(c.Row(2), (Bytes(5, 0x11)));
  EXPECT_EQ(c.Row(3), (Bytes{0x11, 0x11, 0x21, 0x22, 0x11}));
}

TEST(DeltaFlcOpcodes, ZeroPacketLinesCountAndZeroLinesChangeNothing) {
  Canvas c(4, 3, 0x11);
  EXPECT_TRUE(Decode(DELTA_FLC, {0x00, 0x00, 0x01, 0x00, 0x00, 0x01, 0x07, 0x07}, c));
  EXPECT_EQ(c.pixels, Bytes(12, 0x11));
  // Two empty lines, then the third gets the packet.
  EXPECT_TRUE(Decode(DELTA_FLC, {0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x01, 0x07, 0x08}, c));
  EXPECT_EQ(c.Row(2), (Bytes{0x07, 0x08, 0x11, 0x11}));
  EXPECT_EQ(c.Row(1), Bytes(4, 0x11));
}

TEST(DeltaFlcPackets, RepeatCountsAndRunsIntoTheNextRow) {
  for (bool optimize : {true, false}) {
    SCOPED_TRACE(optimize);
    Canvas c(8, 40);
    c.target.optimize = optimize;
    // Line 0: 0xFD repeats the pair three times. Line 2: 0x80 repeats it 128
    // times from (2, 2) to (1, 34). Line 37: a literal of 3 words from x 6
    // goes on in the next row.
    EXPECT_TRUE(Decode(DELTA_FLC, {0x03, 0x00, 0x01, 0x00, 0x01, 0xFD, 0xAB, 0xCD, 0xFF, 0xFF, 0x01, 0x00, 0x02, 0x80,
                                   0x01, 0x02, 0xDE, 0xFF, 0x01, 0x00, 0x06, 0x03, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36},
                       c));
    EXPECT_EQ(c.Row(0), (Bytes{0, 0xAB, 0xCD, 0xAB, 0xCD, 0xAB, 0xCD, 0}));
    EXPECT_EQ(c.Row(1), Bytes(8, 0));
    EXPECT_EQ(c.Row(2), (Bytes{0, 0, 1, 2, 1, 2, 1, 2}));
    EXPECT_EQ(c.Row(33), (Bytes{1, 2, 1, 2, 1, 2, 1, 2}));
    EXPECT_EQ(c.Row(34), (Bytes{1, 2, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(c.Row(37), (Bytes{0, 0, 0, 0, 0, 0, 0x31, 0x32}));
    EXPECT_EQ(c.Row(38), (Bytes{0x33, 0x34, 0x35, 0x36, 0, 0, 0, 0}));
  }
}

TEST(DeltaFlcPackets, OddWidthWordRunsLeaveTheLastPixelToItsOpcode) {
  Canvas c(5, 2, 0x11);
  // Each line: two words from x 0 (pixels 0..3), then the last pixel opcode.
  EXPECT_TRUE(Decode(
      DELTA_FLC,
      {0x02, 0x00, 0x55, 0x80, 0x01, 0x00, 0x00, 0xFE, 0x01, 0x02, 0x01, 0x00, 0x00, 0x02, 0x03, 0x04, 0x05, 0x06}, c));
  EXPECT_EQ(c.Row(0), (Bytes{1, 2, 1, 2, 0x55}));
  EXPECT_EQ(c.Row(1), (Bytes{3, 4, 5, 6, 0x11}));
}

TEST(DeltaFli, BandsRepeatsAndZeroLines) {
  Canvas c(4, 3, 0x11);
  EXPECT_TRUE(Decode(DELTA_FLI, {0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x05}, c));
  EXPECT_EQ(c.pixels, Bytes(12, 0x11));
  // Lines 1 and 2 from y0 1: a copy of 2 after a skip of 1, then a repeat of
  // 3 (count 0xFD) that runs from x 3 into the next row; line 2 gets no packets.
  const Bytes band{0x01, 0x00, 0x02, 0x00, 0x02, 0x01, 0x02, 0x0A, 0x0B, 0x00, 0xFD, 0x0C, 0x00};
  EXPECT_TRUE(Decode(DELTA_FLI, band, c));
  EXPECT_EQ(c.Row(0), Bytes(4, 0x11));
  EXPECT_EQ(c.Row(1), (Bytes{0x11, 0x0A, 0x0B, 0x0C}));
  EXPECT_EQ(c.Row(2), (Bytes{0x0C, 0x0C, 0x11, 0x11}));
  // 0x80 repeats 128 bytes.
  Canvas wide(130, 1);
  EXPECT_TRUE(Decode(DELTA_FLI, {0x00, 0x00, 0x01, 0x00, 0x01, 0x01, 0x80, 0x09}, wide));
  EXPECT_EQ(wide.pixels[0], 0);
  EXPECT_EQ(wide.pixels[128], 9);
  EXPECT_EQ(wide.pixels[129], 0);
}

TEST(ByteRun, LinesEndAtTheWidthWhateverTheirCountByteSays) {
  Canvas c(3, 2);
  // Line 0: count byte 0 (wrong), a zero run that only passes two bytes, a
  // repeat of 5 that passes the row's end. Line 1 overwrites the spill.
  EXPECT_TRUE(Decode(BYTE_RUN, {0x00, 0x00, 0x77, 0x05, 0x0A, 0x09, 0xFD, 0x01, 0x02, 0x03}, c));
  EXPECT_EQ(c.Row(0), (Bytes{0x0A, 0x0A, 0x0A}));
  EXPECT_EQ(c.Row(1), (Bytes{0x01, 0x02, 0x03}));
  // 0x80 copies 128 literal bytes.
  Canvas wide(128, 1);
  Bytes data{0x01, 0x80};
  for (int i = 0; i < 128; ++i) data.push_back(uint8_t(i + 1));
  EXPECT_TRUE(Decode(BYTE_RUN, data, wide));
  EXPECT_EQ(wide.pixels[0], 1);
  EXPECT_EQ(wide.pixels[127], 128);
}

TEST(WholeImageChunks, BlackAndCopy) {
  Canvas c(3, 2, 0x11);
  c.palette[0] = {1, 2, 3};
  EXPECT_TRUE(Decode(FLI_COPY, {1, 2, 3, 4, 5, 6}, c));
  EXPECT_EQ(c.pixels, (Bytes{1, 2, 3, 4, 5, 6}));
  EXPECT_TRUE(Decode(BLACK, {}, c));
  EXPECT_EQ(c.pixels, Bytes(6, 0));
  EXPECT_EQ(c.palette[0], (RgbColour{1, 2, 3}));
}

void AddChunk(FrameSlot& slot, uint16_t type, const Bytes& data) {
  if (slot.chunkTable.size() <= slot.chunks) slot.chunkTable.resize(slot.chunks + 1u);
  ChunkRef& ref = slot.chunkTable[slot.chunks++];
  ref.type = type;
  ref.size = static_cast<uint32_t>(data.size() + 6);
  if (!data.empty()) {
    ref.data = std::make_unique<uint8_t[]>(data.size());
    std::copy(data.begin(), data.end(), ref.data.get());
  }
}

TEST(DecodeFrame, ChunksInOrderWithPaletteAfterEachColourChunk) {
  Canvas c(2, 1, 0x11);
  FrameSlot slot;
  AddChunk(slot, BLACK, {});
  AddChunk(slot, COLOR_256, {0x01, 0x00, 0x00, 0x01, 10, 20, 30});
  AddChunk(slot, PSTAMP, {1, 2, 3});
  AddChunk(slot, 25, {});
  AddChunk(slot, COLOR_64, {0x01, 0x00, 0x01, 0x01, 1, 1, 1});
  AddChunk(slot, DELTA_FLI, {0x00, 0x00, 0x01, 0x00, 0x01, 0x01, 0x01, 0x05});
  RecordingEvents events;
  DecodeFrame(slot, c.target, events);
  EXPECT_EQ(c.pixels, (Bytes{0, 5}));
  EXPECT_EQ(c.palette[0], (RgbColour{10, 20, 30}));
  EXPECT_EQ(c.palette[1], (RgbColour{4, 4, 4}));
  EXPECT_EQ(events.palettesApplied, 2);
  EXPECT_EQ(events.unknown, (std::vector<uint16_t>{25}));
  EXPECT_TRUE(events.clipped.empty());

  // A frame without chunks is a pause: nothing changes, nothing is installed.
  RecordingEvents quiet;
  DecodeFrame(FrameSlot{}, c.target, quiet);
  EXPECT_EQ(c.pixels, (Bytes{0, 5}));
  EXPECT_EQ(quiet.palettesApplied, 0);
}

TEST(DecodeFrame, AFailingPaletteInstallStopsTheFrame) {
  struct Failing : RecordingEvents {
    void ApplyPalette() override { throw std::runtime_error("DirectDraw.CreatePalette failed"); }
  } events;
  Canvas c(2, 1, 0x11);
  FrameSlot slot;
  AddChunk(slot, COLOR_256, {0x01, 0x00, 0x00, 0x01, 10, 20, 30});
  AddChunk(slot, BLACK, {});
  EXPECT_THROW(DecodeFrame(slot, c.target, events), std::runtime_error);
  EXPECT_EQ(c.palette[0], (RgbColour{10, 20, 30}));
  EXPECT_EQ(c.pixels, Bytes(2, 0x11));
}

}  // namespace
}  // namespace kt
