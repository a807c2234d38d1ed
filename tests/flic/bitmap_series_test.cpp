#include "flic/bitmap_series.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "base/bytes.h"
#include "base/errors.h"
#include "fifo_watchdog.h"
#include "flic_writer.h"

namespace kt {
namespace {

using test::Bytes;
using test::ReadFileBytes;
using test::TempDir;

BasePalette RampPalette() {
  BasePalette palette;
  for (int i = 0; i < 256; ++i) {
    palette[static_cast<size_t>(i)] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                                       static_cast<uint8_t>(i ^ 0x5A)};
  }
  return palette;
}

Bytes FramePixels(int width, int height) {
  Bytes pixels(static_cast<size_t>(width) * height);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 7 + 1);
  return pixels;
}

// Every field of the headers, the colour table, and each row bottom-up with its padding.
void ExpectBitmap(const Bytes& file, int width, int height, const Bytes& pixels, const BasePalette& palette) {
  const uint32_t rowSize = (static_cast<uint32_t>(width) + 3) / 4 * 4;
  ASSERT_EQ(file.size(), 1078 + rowSize * height);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(ReadU32(&file[2]), 1078 + rowSize * height);
  EXPECT_EQ(ReadU16(&file[6]), 0);
  EXPECT_EQ(ReadU16(&file[8]), 0);
  EXPECT_EQ(ReadU32(&file[10]), 1078u);
  EXPECT_EQ(ReadU32(&file[14]), 40u);
  EXPECT_EQ(ReadU32(&file[18]), static_cast<uint32_t>(width));
  EXPECT_EQ(ReadU32(&file[22]), static_cast<uint32_t>(height));
  EXPECT_EQ(ReadU16(&file[26]), 1);
  EXPECT_EQ(ReadU16(&file[28]), 8);
  EXPECT_EQ(ReadU32(&file[30]), 0u);
  EXPECT_EQ(ReadU32(&file[34]), rowSize * height);
  EXPECT_EQ(ReadU32(&file[38]), 3937u);
  EXPECT_EQ(ReadU32(&file[42]), 3937u);
  EXPECT_EQ(ReadU32(&file[46]), 0u);
  EXPECT_EQ(ReadU32(&file[50]), 0u);
  for (size_t i = 0; i < 256; ++i) {
    const uint8_t* entry = &file[54 + 4 * i];
    EXPECT_EQ(entry[0], palette[i].blue) << "entry " << i;
    EXPECT_EQ(entry[1], palette[i].green) << "entry " << i;
    EXPECT_EQ(entry[2], palette[i].red) << "entry " << i;
    EXPECT_EQ(entry[3], 0) << "entry " << i;
  }
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = &file[1078 + rowSize * static_cast<uint32_t>(height - 1 - y)];
    const Bytes expected(pixels.begin() + y * width, pixels.begin() + (y + 1) * width);
    ASSERT_EQ(Bytes(row, row + width), expected) << "row " << y;
    for (uint32_t x = static_cast<uint32_t>(width); x < rowSize; ++x) ASSERT_EQ(row[x], 0) << "row " << y;
  }
}

TEST(FrameRecordingTest, WritesUncompressedBitmapsBottomUpWithPaddedRows) {
  TempDir dir;
  const BasePalette palette = RampPalette();
  for (const auto& [width, height] : {std::pair{317, 3}, std::pair{320, 200}, std::pair{1, 2}}) {
    RecordingState state;
    state.RecordBaseName = (dir / ("f" + std::to_string(width) + "_")).string();
    const Bytes pixels = FramePixels(width, height);
    ASSERT_TRUE(SaveFrameBitmap(state, pixels.data(), width, height, palette));
    EXPECT_EQ(state.RecordFrameNumber, 1);
    SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
    ExpectBitmap(ReadFileBytes(state.RecordBaseName + "0000.bmp"), width, height, pixels, palette);
  }
}

TEST(FrameRecordingTest, NamesCarryAtLeastFourDigits) {
  EXPECT_EQ(RecordFileName("anim", 0), "anim0000.bmp");
  EXPECT_EQ(RecordFileName("anim", 42), "anim0042.bmp");
  EXPECT_EQ(RecordFileName("anim", 9999), "anim9999.bmp");
  EXPECT_EQ(RecordFileName("anim", 10000), "anim10000.bmp");
}

TEST(FrameRecordingTest, ChosenNameIsCutBeforeTheFirstBmpInAnyCase) {
  EXPECT_EQ(RecordBaseNameFrom("/tmp/anim"), "/tmp/anim");
  EXPECT_EQ(RecordBaseNameFrom("/tmp/Anim.BMP"), "/tmp/Anim");
  EXPECT_EQ(RecordBaseNameFrom("/tmp/anim.Bmp"), "/tmp/anim");
  EXPECT_EQ(RecordBaseNameFrom("/tmp/a.bmp.dir/x.bmp"), "/tmp/a");
  EXPECT_EQ(RecordBaseNameFrom("/tmp/clip.bmpx"), "/tmp/clip");
  EXPECT_EQ(RecordBaseNameFrom("/tmp/bmp"), "/tmp/bmp");
}

TEST(FrameRecordingTest, SeriesCountsUpAndOverwritesEarlierFiles) {
  TempDir dir;
  RecordingState state;
  ArmRecording(state, (dir / "anim.bmp").string());
  const Bytes first(4 * 2, 1);
  const Bytes second(4 * 2, 2);
  SaveFrameBitmap(state, first.data(), 4, 2, BasePalette{});
  SaveFrameBitmap(state, second.data(), 4, 2, BasePalette{});
  EXPECT_TRUE(std::filesystem::exists(dir / "anim0000.bmp"));
  EXPECT_TRUE(std::filesystem::exists(dir / "anim0001.bmp"));

  ArmRecording(state, (dir / "anim").string());
  SaveFrameBitmap(state, second.data(), 4, 2, BasePalette{});
  EXPECT_EQ(ReadFileBytes(dir / "anim0000.bmp"), ReadFileBytes(dir / "anim0001.bmp"));

  state.RecordFrameNumber = 10000;
  SaveFrameBitmap(state, first.data(), 4, 2, BasePalette{});
  EXPECT_TRUE(std::filesystem::exists(dir / "anim10000.bmp"));
}

TEST(FrameRecordingTest, FileThatCannotBeCreatedIsSkippedAndItsNumberUsedUp) {
  TempDir dir;
  RecordingState state;
  const Bytes pixels(16, 3);
  state.RecordBaseName = (dir / "missing-folder" / "x").string();
  EXPECT_FALSE(SaveFrameBitmap(state, pixels.data(), 4, 4, BasePalette{}));
  EXPECT_EQ(state.RecordFrameNumber, 1);

  state.RecordBaseName = (dir / "x").string();
  EXPECT_TRUE(SaveFrameBitmap(state, pixels.data(), 4, 4, BasePalette{}));
  EXPECT_FALSE(std::filesystem::exists(dir / "x0000.bmp"));
  EXPECT_TRUE(std::filesystem::exists(dir / "x0001.bmp"));
}

TEST(FrameRecordingTest, AFifoNobodyReadsIsSkippedInsteadOfWaitedOn) {
  TempDir dir;
  test::FifoWatchdog fifo(dir / "x0000.bmp");
  RecordingState state;
  state.RecordBaseName = (dir / "x").string();
  const Bytes pixels(16, 3);
  EXPECT_FALSE(SaveFrameBitmap(state, pixels.data(), 4, 4, BasePalette{}));
  EXPECT_FALSE(fifo.TimedOut()) << "the recorder waited for a reader";
  EXPECT_EQ(state.RecordFrameNumber, 1);
  EXPECT_TRUE(fifo.StillAFifo());
}

TEST(FrameRecordingTest, FullDeviceRaisesDiskFullAndKeepsTheNumber) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  TempDir dir;
  // The series' next name leads to a device that refuses every byte.
  std::filesystem::create_symlink("/dev/full", dir / "x0005.bmp");
  RecordingState state;
  state.RecordBaseName = (dir / "x").string();
  state.RecordFrameNumber = 5;
  const Bytes pixels(16, 3);
  try {
    SaveFrameBitmap(state, pixels.data(), 4, 4, BasePalette{});
    FAIL() << "the write to a full device was reported as success";
  } catch (const InOutError& error) {
    EXPECT_STREQ(error.what(), "Disk full");
  }
  EXPECT_EQ(state.RecordFrameNumber, 5);
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "x0005.bmp")) << "only a file the recorder made is removed";
}

TEST(FrameRecordingTest, FramesLargerThanOneWriteBlockAreWrittenWhole) {
  TempDir dir;
  RecordingState state;
  state.RecordBaseName = (dir / "big").string();
  const int width = 641, height = 480;  // several write blocks, odd width
  const Bytes pixels = FramePixels(width, height);
  const BasePalette palette = RampPalette();
  ASSERT_TRUE(SaveFrameBitmap(state, pixels.data(), width, height, palette));
  ExpectBitmap(ReadFileBytes(dir / "big0000.bmp"), width, height, pixels, palette);
}

}  // namespace
}  // namespace kt
