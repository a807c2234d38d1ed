#include "flic/frame_reader.h"

#include <cstring>
#include <new>
#include <string>

#include "flic/bytes.h"
#include "flic/errors.h"

namespace kt {
namespace {

std::string FrameName(int index) { return "Frame " + std::to_string(index); }

void ReadFrameHeader(FlicFile& file, FrameSlot& slot, int index) {
  uint8_t raw[kFrameHeaderSize];
  file.Read(raw, sizeof raw);
  slot.size = ReadU32(raw);
  slot.magic = ReadU16(raw + 4);
  slot.chunks = ReadU16(raw + 6);
  std::memcpy(slot.reserved.data(), raw + 8, slot.reserved.size());
  if (slot.size < kFrameHeaderSize) {
    throw DamagedFlicError(FrameName(index) + " is damaged: its size of " + std::to_string(slot.size) +
                           " bytes is less than its 16-byte header.");
  }
  if (slot.chunks > kMaxChunksPerFrame) {
    throw DamagedFlicError(FrameName(index) + " has " + std::to_string(slot.chunks) +
                           " chunks; the player holds at most " + std::to_string(kMaxChunksPerFrame) +
                           " in a frame.");
  }
}

// Takes a chunk's 6 header bytes into its ChunkRef, with the FLI_COPY size
// rule, and refuses a size that cannot hold the header or that would run past
// the bytes left in the frame.
void AcceptChunkHeader(const uint8_t* raw, const FlicHeader& header, uint64_t leftInFrame, int frame,
                       int chunk, ChunkRef& ref) {
  ref.size = ReadU32(raw);
  ref.type = ReadU16(raw + 4);
  if (ref.type == FLI_COPY) ref.size = static_cast<uint32_t>(header.PixelCount() + kChunkHeaderSize);
  if (ref.size < kChunkHeaderSize) {
    throw DamagedFlicError(FrameName(frame) + " is damaged: chunk " + std::to_string(chunk) + " has a size of " +
                           std::to_string(ref.size) + " bytes, less than its 6-byte header.");
  }
  if (ref.size > leftInFrame) {
    throw DamagedFlicError(FrameName(frame) + " is damaged: chunk " + std::to_string(chunk) +
                           " runs past the end of the frame.");
  }
}

std::unique_ptr<uint8_t[]> AllocateBytes(uint64_t count) {
  if (count == 0) return nullptr;
  uint8_t* block = new (std::nothrow) uint8_t[count];
  if (block == nullptr) throw OutOfMemoryError();
  return std::unique_ptr<uint8_t[]>(block);
}

void ReadChunksOneByOne(FlicFile& file, const FlicHeader& header, FrameSlot& slot, int index,
                        uint64_t frameEnd) {
  for (int j = 0; j < slot.chunks; ++j) {
    ChunkRef& ref = slot.chunkTable[static_cast<size_t>(j)];
    const uint64_t chunkStart = file.Offset();
    const uint64_t leftInFrame = frameEnd > chunkStart ? frameEnd - chunkStart : 0;
    uint8_t raw[kChunkHeaderSize];
    file.Read(raw, sizeof raw);
    AcceptChunkHeader(raw, header, leftInFrame, index, j, ref);
    const uint64_t dataSize = ref.DataSize();
    // Refuse a size the file cannot hold before allocating for it.
    if (dataSize > file.Remaining()) throw InOutError(kReadBeyondEndText);
    ref.data = AllocateBytes(dataSize);
    if (dataSize > 0) file.Read(ref.data.get(), dataSize);
  }
}

void ReadChunksFromOneBlock(FlicFile& file, const FlicHeader& header, FrameSlot& slot, int index,
                            uint64_t frameStart) {
  const uint64_t blockSize = slot.size - kFrameHeaderSize;
  if (blockSize > file.Remaining()) throw InOutError(kReadBeyondEndText);
  std::unique_ptr<uint8_t[]> block = AllocateBytes(blockSize);
  if (blockSize > 0) file.Read(block.get(), blockSize);
  // The running offset counts chunk by chunk, as in the other mode, so the
  // frame-end check below treats both modes alike.
  uint64_t at = 0;
  for (int j = 0; j < slot.chunks; ++j) {
    ChunkRef& ref = slot.chunkTable[static_cast<size_t>(j)];
    const uint64_t left = blockSize - at;
    if (left < kChunkHeaderSize) {
      throw DamagedFlicError(FrameName(index) + " is damaged: chunk " + std::to_string(j) +
                             " runs past the end of the frame.");
    }
    AcceptChunkHeader(block.get() + at, header, left, index, j, ref);
    const uint64_t dataSize = ref.DataSize();
    ref.data = AllocateBytes(dataSize);
    if (dataSize > 0) std::memcpy(ref.data.get(), block.get() + at + kChunkHeaderSize, dataSize);
    at += ref.size;
  }
  file.Seek(frameStart + kFrameHeaderSize + at);
}

}  // namespace

void ReadFrame(FlicFile& file, FlicHeader& header, FrameStore& store, int index, ReadMode mode) {
  FrameSlot& slot = store.Slot(index);
  try {
    if (index == 1) header.oframe2 = static_cast<uint32_t>(file.Offset());
    const uint64_t frameStart = file.Offset();
    ReadFrameHeader(file, slot, index);
    const uint64_t frameEnd = frameStart + slot.size;
    if (mode == ReadMode::ChunkByChunk) {
      ReadChunksOneByOne(file, header, slot, index, frameEnd);
    } else if (slot.chunks > 0) {
      ReadChunksFromOneBlock(file, header, slot, index, frameStart);
    }
    // Padding after the chunks is skipped; the seek is made only when needed.
    if (file.Offset() != frameEnd) file.Seek(frameEnd);
  } catch (...) {
    FreeFrameChunks(store, index);
    throw;
  }
}

void ReadWholeFlic(FlicFile& file, const FlicHeader& header, FrameStore& store) {
  // The load never records oframe2: it works on a copy of the header's offsets.
  CheckFlicIsPlayable(header);
  FlicHeader scratch = header;
  int f = 0;
  try {
    for (f = 0; f <= header.frames; ++f) ReadFrame(file, scratch, store, f, ReadMode::ChunkByChunk);
  } catch (...) {
    FreeFrameRange(store, f);
    throw;
  }
}

}  // namespace kt
