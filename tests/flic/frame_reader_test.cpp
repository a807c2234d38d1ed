#include <gtest/gtest.h>

#include <cstring>
#include <numeric>

#include "base/errors.h"
#include "flic/frame_reader.h"
#include "flic_writer.h"

namespace kt {
namespace {

using test::BuildFlic;
using test::Bytes;
using test::ChunkSpec;
using test::FlicSpec;
using test::Frame;

// A small flic with every kind of record the reader meets: padding, an empty
// frame, an FLI_COPY whose declared size is wrong, several chunks.
FlicSpec MixedFlic() {
  FlicSpec spec;
  spec.width = 3;
  spec.height = 2;
  spec.gapAfterHeader = 72;
  auto first = Frame({test::Color256({{1, 2, 3}, {4, 5, 6}}), test::FliCopy({1, 2, 3, 4, 5, 6})});
  first.chunks[1].declaredSize = 0;  // read as width x height + 6 whatever it says
  auto padded = Frame({ChunkSpec{12, {0, 0, 0, 0}, {}}});
  padded.padding = 2;
  auto empty = Frame({});
  auto ring = Frame({test::Black(), ChunkSpec{18, {9, 9, 9}, {}}});
  spec.records = {first, padded, empty, ring};
  return spec;
}

struct ReadResult {
  FlicHeader header;
  std::vector<uint64_t> offsetsAfter;
};

ReadResult ReadAll(FlicFile file, FrameStore& store, ReadMode mode) {
  ReadResult result;
  const OrWhyNot<FlicHeader> header = ReadFlicHeader(file);
  EXPECT_TRUE(header);
  if (header) result.header = *header;
  for (int f = 0; f <= result.header.frames; ++f) {
    ReadFrame(file, result.header, store, f, mode);
    result.offsetsAfter.push_back(file.Offset());
  }
  return result;
}

ReadResult ReadAll(const Bytes& bytes, FrameStore& store, ReadMode mode) {
  return ReadAll(FlicFile::FromBytes(bytes), store, mode);
}

void ExpectSameSlots(const FrameStore& a, const FrameStore& b, int frames) {
  for (int f = 0; f <= frames; ++f) {
    const FrameSlot& x = a.Slot(f);
    const FrameSlot& y = b.Slot(f);
    ASSERT_EQ(x.size, y.size);
    ASSERT_EQ(x.chunks, y.chunks);
    for (int j = 0; j < x.chunks; ++j) {
      const ChunkRef& cx = x.chunkTable[j];
      const ChunkRef& cy = y.chunkTable[j];
      ASSERT_EQ(cx.size, cy.size);
      ASSERT_EQ(cx.type, cy.type);
      ASSERT_EQ(cx.data == nullptr, cy.data == nullptr);
      if (cx.data) {
        EXPECT_EQ(std::memcmp(cx.data.get(), cy.data.get(), cx.DataSize()), 0);
      }
    }
  }
}

TEST(FrameReader, BothModesFillIdenticalSlotsAndLandOnEveryFrame) {
  const Bytes bytes = BuildFlic(MixedFlic());
  FrameStore byChunk, byBlock;
  const ReadResult a = ReadAll(bytes, byChunk, ReadMode::ChunkByChunk);
  const ReadResult b = ReadAll(bytes, byBlock, ReadMode::BigFrames);
  ExpectSameSlots(byChunk, byBlock, 3);
  EXPECT_EQ(a.offsetsAfter, b.offsetsAfter);
  EXPECT_EQ(a.offsetsAfter.back(), bytes.size());

  const FrameSlot& first = byChunk.Slot(0);
  EXPECT_EQ(first.chunks, 2);
  EXPECT_EQ(first.chunkTable[1].type, FLI_COPY);
  EXPECT_EQ(first.chunkTable[1].size, 3u * 2 + 6) << "FLI_COPY size rule";
  EXPECT_EQ(first.chunkTable[1].data[5], 6);
  EXPECT_EQ(byChunk.Slot(2).chunks, 0);
  EXPECT_EQ(byChunk.Slot(3).chunkTable[1].type, PSTAMP);
}

TEST(FrameReader, ReadsFromDiskWhatItReadsFromMemory) {
  // Chunks of 3 bytes to more than the read-ahead holds, some padded, so
  // that headers and data lie on every side of its edges.
  FlicSpec spec;
  for (size_t size : {7000, 20000, 41000, 3, 33000, 70000, 600, 29000}) {
    Bytes data(size);
    std::iota(data.begin(), data.end(), static_cast<uint8_t>(size));
    spec.records.push_back(Frame({ChunkSpec{15, data, {}}, test::Black()}));
    spec.records.back().padding = size % 3;
  }
  test::TempDir dir;
  const std::string path = test::SaveFlic(dir / "mixed.flc", spec);
  for (ReadMode mode : {ReadMode::ChunkByChunk, ReadMode::BigFrames}) {
    FrameStore fromMemory, fromDisk;
    const ReadResult expected = ReadAll(BuildFlic(spec), fromMemory, mode);
    EXPECT_EQ(ReadAll(std::move(*FlicFile::Open(path)), fromDisk, mode).offsetsAfter, expected.offsetsAfter);
    ExpectSameSlots(fromMemory, fromDisk, expected.header.frames);
  }
}

TEST(FrameReader, RecordsFrameOneOffsetEvenForFli) {
  FlicSpec spec = MixedFlic();
  spec.magic = kFliMagic;
  spec.gapAfterHeader = 0;
  spec.fileOframe2 = 12345;
  const Bytes bytes = BuildFlic(spec);
  FrameStore store;
  const ReadResult result = ReadAll(bytes, store, ReadMode::ChunkByChunk);
  EXPECT_EQ(result.header.oframe2, result.offsetsAfter[0]);
  EXPECT_EQ(result.header.oframe2, 128 + test::FrameRecord(spec.records[0]).size());
}

TEST(FrameReader, ReleasesChunksButKeepsTheSlotHeader) {
  FrameStore store;
  ReadAll(BuildFlic(MixedFlic()), store, ReadMode::ChunkByChunk);
  FreeFrameChunks(store, 0);
  EXPECT_EQ(store.Slot(0).chunks, 2);
  EXPECT_EQ(store.Slot(0).chunkTable[0].data, nullptr);
  EXPECT_EQ(store.Slot(0).chunkTable[1].data, nullptr);
}

std::string ReadErrorText(const FlicSpec& spec, ReadMode mode) {
  const Bytes bytes = BuildFlic(spec);
  FlicFile file = FlicFile::FromBytes(bytes);
  const OrWhyNot<FlicHeader> read = ReadFlicHeader(file);
  EXPECT_TRUE(read);
  FlicHeader header = read ? *read : FlicHeader{};
  FrameStore store;
  try {
    // As playback from disk does: each frame is released once it has been used.
    for (int f = 0; f <= header.frames; ++f) {
      ReadFrame(file, header, store, f, mode);
      FreeFrameChunks(store, f);
    }
  } catch (const PlayerError& error) {
    for (int f = 0; f <= header.frames; ++f) {
      for (const ChunkRef& c : store.Slot(f).chunkTable) {
        EXPECT_EQ(c.data, nullptr) << "frame " << f << " keeps a buffer after the error";
      }
    }
    return error.what();
  }
  return "";
}

std::string SameErrorInBothModes(const FlicSpec& spec) {
  const std::string byChunk = ReadErrorText(spec, ReadMode::ChunkByChunk);
  EXPECT_EQ(byChunk, ReadErrorText(spec, ReadMode::BigFrames));
  return byChunk;
}

TEST(FrameReaderDamage, EachDamageGetsItsOwnMessageInBothModes) {
  FlicSpec spec = MixedFlic();
  spec.records[1].declaredSize = 12;
  EXPECT_EQ(SameErrorInBothModes(spec), "Frame 1 is damaged: its size of 12 bytes is less than its 16-byte header.");

  spec = MixedFlic();
  spec.records[1].declaredChunks = 101;
  EXPECT_EQ(SameErrorInBothModes(spec), "Frame 1 has 101 chunks; the player holds at most 100 in a frame.");

  spec = MixedFlic();
  spec.records[1].chunks[0].declaredSize = 5;
  EXPECT_EQ(SameErrorInBothModes(spec),
            "Frame 1 is damaged: chunk 0 has a size of 5 bytes, less than its 6-byte header.");

  spec = MixedFlic();
  spec.records[1].chunks[0].declaredSize = 200;
  EXPECT_EQ(SameErrorInBothModes(spec), "Frame 1 is damaged: chunk 0 runs past the end of the frame.");

  // Two chunks declared, one present: the second header would lie in the padding's place.
  spec = MixedFlic();
  spec.records[1].declaredChunks = 2;
  EXPECT_EQ(SameErrorInBothModes(spec), "Frame 1 is damaged: chunk 1 runs past the end of the frame.");
}

TEST(FrameReaderDamage, TruncatedFilesReadBeyondEnd) {
  FlicSpec spec = MixedFlic();
  Bytes bytes = BuildFlic(spec);
  // Cut inside frame 0's FLI_COPY data.
  for (size_t cut : {size_t{200 + 16 + 3}, bytes.size() - 1, size_t{210}}) {
    Bytes shorter(bytes.begin(), bytes.begin() + static_cast<long>(cut));
    for (ReadMode mode : {ReadMode::ChunkByChunk, ReadMode::BigFrames}) {
      FlicFile file = FlicFile::FromBytes(shorter);
      const OrWhyNot<FlicHeader> read = ReadFlicHeader(file);
      ASSERT_TRUE(read);
      FlicHeader header = *read;
      FrameStore store;
      EXPECT_THROW(
          {
            for (int f = 0; f <= header.frames; ++f) ReadFrame(file, header, store, f, mode);
          },
          InOutError)
          << "cut at " << cut;
    }
  }
}

TEST(FrameReaderDamage, HugeDeclaredSizesFailWithoutAllocatingThem) {
  // A chunk claiming 4 GB in a frame claiming as much: the file's length decides.
  FlicSpec spec = MixedFlic();
  spec.records[1].declaredSize = 0xFFFFFFF0u;
  spec.records[1].chunks[0].declaredSize = 0xFFFFFF00u;
  EXPECT_EQ(SameErrorInBothModes(spec), kReadBeyondEndText);
}

TEST(WholeFlicRead, LoadsRingFrameAndReleasesEverythingOnFailure) {
  FlicSpec spec = MixedFlic();
  FrameStore store;
  FlicFile file = FlicFile::FromBytes(BuildFlic(spec));
  const OrWhyNot<FlicHeader> read = ReadFlicHeader(file);
  ASSERT_TRUE(read);
  FlicHeader header = *read;
  ReadWholeFlic(file, header, store);
  EXPECT_EQ(store.Slot(3).chunks, 2) << "slot N holds the ring frame";
  EXPECT_EQ(header.oframe2, 0u) << "the load does not record frame 1's offset";
  FreeFrameRange(store, header.frames);

  // Without the ring frame the load fails and keeps nothing.
  spec.declaredFrames = 4;
  FlicFile noRing = FlicFile::FromBytes(BuildFlic(spec));
  const OrWhyNot<FlicHeader> noRingRead = ReadFlicHeader(noRing);
  ASSERT_TRUE(noRingRead);
  header = *noRingRead;
  try {
    ReadWholeFlic(noRing, header, store);
    FAIL();
  } catch (const InOutError& error) {
    EXPECT_STREQ(error.what(), kReadBeyondEndText);
  }
  for (int f = 0; f <= 4; ++f) {
    for (const ChunkRef& c : store.Slot(f).chunkTable) EXPECT_EQ(c.data, nullptr);
  }
}

TEST(WholeFlicRead, RealFilesLoadAndFreeCleanly) {
  // Under the sanitizer build this proves no read or write outside a buffer and no leak.
  int loaded = 0;
  for (const auto& path : test::TestFlics()) {
    OrWhyNot<OpenedFlic> opened = OpenFlic(path.string());
    if (!opened) continue;
    const FlicHeader& header = opened->header;
    FrameStore store;
    try {
      ReadWholeFlic(opened->file, header, store);
      ++loaded;
      FreeFrameRange(store, header.frames);
    } catch (const PlayerError& error) {
      SCOPED_TRACE(path.string() + ": " + error.what());
      for (int f = 0; f <= std::min<int>(header.frames, kMaxFlicFrames); ++f) {
        for (const ChunkRef& c : store.Slot(f).chunkTable) ASSERT_EQ(c.data, nullptr);
      }
    }
  }
  EXPECT_GT(loaded, 5);  // every clean one of tests/data/flics
}

}  // namespace
}  // namespace kt
