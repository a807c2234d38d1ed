// The load into memory reads the file in large pieces and keeps the chunk
// data in one block: it must hold exactly what the frame-by-frame reader
// reads, cost little more than the chunk data, and hold nothing once released.
#include <gtest/gtest.h>

#include <cstring>

#include "base/errors.h"
#include "flic/frame_reader.h"
#include "flic_writer.h"

namespace kt {
namespace {

using test::Bytes;

uint64_t ChunkBytes(const FrameStore& store, int frames) {
  uint64_t bytes = 0;
  for (int f = 0; f <= frames; ++f) {
    for (const ChunkRef& chunk : store.Slot(f).chunkTable) bytes += chunk.size;
  }
  return bytes;
}

// Frames of a few kilobytes each; `padding` bytes after the chunks of every
// frame, and `tail` bytes of something else after the ring frame.
Bytes LongFlic(int frames, uint32_t padding, size_t tail) {
  test::FlicSpec spec;
  spec.width = 64;
  spec.height = 40;
  for (int f = 0; f <= frames; ++f) {
    Bytes pixels(64 * 40);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 7 + f);
    auto frame = test::Frame({test::Color256({{static_cast<uint8_t>(f), 2, 3}}), test::FliCopy(pixels)});
    frame.padding = padding;
    spec.records.push_back(frame);
  }
  Bytes bytes = test::BuildFlic(spec);
  bytes.insert(bytes.end(), tail, 0x5A);
  return bytes;
}

void ExpectSameAsFrameByFrame(const Bytes& bytes) {
  FlicFile whole = FlicFile::FromBytes(bytes);
  OrWhyNot<FlicHeader> got = ReadFlicHeader(whole);
  ASSERT_TRUE(got);
  FlicHeader header = *got;
  FrameStore loaded;
  ReadWholeFlic(whole, header, loaded);

  FlicFile each = FlicFile::FromBytes(bytes);
  got = ReadFlicHeader(each);
  ASSERT_TRUE(got);
  header = *got;
  FrameStore read;
  for (int f = 0; f <= header.frames; ++f) ReadFrame(each, header, read, f, ReadMode::ChunkByChunk);
  for (int f = 0; f <= header.frames; ++f) {
    const FrameSlot& x = loaded.Slot(f);
    const FrameSlot& y = read.Slot(f);
    ASSERT_EQ(x.size, y.size);
    ASSERT_EQ(x.chunks, y.chunks);
    ASSERT_EQ(x.chunkTable.size(), y.chunkTable.size());
    for (size_t j = 0; j < x.chunkTable.size(); ++j) {
      ASSERT_EQ(x.chunkTable[j].size, y.chunkTable[j].size);
      ASSERT_EQ(std::memcmp(x.chunkTable[j].data.get(), y.chunkTable[j].data.get(), x.chunkTable[j].DataSize()), 0)
          << "frame " << f << " chunk " << j;
    }
  }
  // Slots, chunk tables and the block: within a tenth over the chunk bytes.
  const uint64_t chunkBytes = ChunkBytes(loaded, header.frames);
  EXPECT_LE(loaded.BytesHeld(), chunkBytes + chunkBytes / 10);
  loaded.Clear();
  EXPECT_EQ(loaded.BytesHeld(), 0u);
}

TEST(WholeFlicLoad, HoldsWhatTheFrameReaderReadsAndCostsItsChunkData) {
  EXPECT_EQ(FrameStore().BytesHeld(), 0u) << "an empty store holds nothing";
  ExpectSameAsFrameByFrame(LongFlic(300, 0, 0));
  // Padding and a long tail are left behind: the data is moved together.
  ExpectSameAsFrameByFrame(LongFlic(300, 900, 0));
  ExpectSameAsFrameByFrame(LongFlic(40, 0, 3u << 20));
  // Small flics too.
  ExpectSameAsFrameByFrame(LongFlic(1, 0, 0));
}

TEST(WholeFlicLoad, AFileEndingInsideTheLastFrameFailsAndLeavesNothing) {
  const Bytes bytes = LongFlic(300, 0, 0);
  for (size_t cut : {bytes.size() - 1, bytes.size() - 2000, size_t{200}}) {
    const Bytes shortFile(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
    FlicFile file = FlicFile::FromBytes(shortFile);
    const OrWhyNot<FlicHeader> header = ReadFlicHeader(file);
    ASSERT_TRUE(header);
    FrameStore store;
    try {
      ReadWholeFlic(file, *header, store);
      FAIL() << "a short file loaded";
    } catch (const InOutError& error) {
      EXPECT_STREQ(error.what(), "Read beyond end of file");
    }
    EXPECT_EQ(store.BytesHeld(), 0u);
  }
}

}  // namespace
}  // namespace kt
