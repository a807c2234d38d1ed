#include <gtest/gtest.h>

#include <sstream>

#include "base/errors.h"
#include "flic/frame_reader.h"
#include "flic_writer.h"

namespace kt {
namespace {

using test::Bytes;
using test::ChunkSpec;

// Every frame read in order, then frames 1 to N again as a loop reads them,
// written down as offsets, chunk tables and data, or the error that ended it.
std::string ReadTranscript(FlicFile file, ReadMode mode) {
  std::ostringstream out;
  const OrWhyNot<FlicHeader> read = ReadFlicHeader(file);
  if (!read) return "refused: " + read.Reason();
  FlicHeader header = *read;
  FrameStore store;
  auto readFrame = [&](int f) {
    ReadFrame(file, header, store, f, mode);
    const FrameSlot& slot = store.Slot(f);
    out << f << '@' << file.Offset() << ':';
    for (int j = 0; j < slot.chunks; ++j) {
      const ChunkRef& chunk = slot.chunkTable[static_cast<size_t>(j)];
      out << ' ' << chunk.type << '/' << chunk.size << '=';
      for (uint64_t i = 0; i < chunk.DataSize(); ++i) out << static_cast<char>(chunk.data[i]);
    }
    out << '\n';
    FreeFrameChunks(store, f);
  };
  try {
    for (int f = 0; f <= header.frames; ++f) readFrame(f);
    file.Seek(header.oframe2);
    for (int f = 1; f <= header.frames; ++f) readFrame(f);
  } catch (const PlayerError& error) {
    out << "error: " << error.what();
  }
  return out.str();
}

TEST(FrameReaderFromDisk, ReadsWhatTheSameBytesInMemoryGive) {
  // Chunks from 3 bytes to more than the read-ahead holds, with padding, so
  // that frame and chunk headers and data start and end on every side of
  // the window's edges.
  test::FlicSpec spec;
  spec.width = 320;
  spec.height = 200;
  for (size_t size : {7000, 20000, 41000, 3, 33000, 15000, 70000, 600, 29000}) {
    Bytes data(size);
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(i * 7 + size);
    auto frame = test::Frame({ChunkSpec{15, data, {}}, ChunkSpec{12, {1, 2, 3, 4}, {}}});
    frame.padding = size % 3;
    spec.records.push_back(frame);
  }
  test::TempDir dir;
  std::vector<std::string> paths = {test::SaveFlic(dir / "mixed.flc", spec)};
  // Cut inside the 70000-byte chunk, and inside a frame header.
  const Bytes whole = test::ReadFileBytes(paths[0]);
  for (size_t cut : {size_t{150000}, size_t{128 + 7033 + 8}}) {
    paths.push_back((dir / ("cut" + std::to_string(cut) + ".flc")).string());
    test::WriteFile(paths.back(), Bytes(whole.begin(), whole.begin() + static_cast<long>(cut)));
  }
  for (const auto& path : test::TestFlics()) paths.push_back(path.string());

  for (const std::string& path : paths) {
    for (ReadMode mode : {ReadMode::ChunkByChunk, ReadMode::BigFrames}) {
      SCOPED_TRACE(path + (mode == ReadMode::BigFrames ? " in one block" : " chunk by chunk"));
      OrWhyNot<FlicFile> onDisk = FlicFile::Open(path);
      ASSERT_TRUE(onDisk);
      const std::string expected = ReadTranscript(FlicFile::FromBytes(test::ReadFileBytes(path)), mode);
      EXPECT_EQ(ReadTranscript(std::move(*onDisk), mode), expected);
      if (path == paths[1]) {
        EXPECT_NE(expected.find(kReadBeyondEndText), std::string::npos);
      }
    }
  }
}

}  // namespace
}  // namespace kt
