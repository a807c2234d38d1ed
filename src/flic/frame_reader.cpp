#include "flic/frame_reader.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "base/bytes.h"
#include "base/errors.h"

namespace kt {
namespace {

std::string FrameName(int index) { return "Frame " + std::to_string(index); }

// Takes the 16 header bytes into the slot and refuses a frame that cannot be
// read: a size below its own header, or more chunks than a slot holds.
void AcceptFrameHeader(const uint8_t* raw, FrameSlot& slot, int index) {
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
                           " chunks; the player holds at most " + std::to_string(kMaxChunksPerFrame) + " in a frame.");
  }
  // The table holds the frame's chunks and no more.
  slot.chunkTable.resize(slot.chunks);
}

void ReadFrameHeader(FlicFile& file, FrameSlot& slot, int index) {
  uint8_t raw[kFrameHeaderSize];
  file.Read(raw, sizeof raw);
  AcceptFrameHeader(raw, slot, index);
}

// Takes a chunk's 6 header bytes into its ChunkRef, with the FLI_COPY size
// rule, and refuses a size that cannot hold the header or that would run past
// the bytes left in the frame.
void AcceptChunkHeader(const uint8_t* raw, const FlicHeader& header, uint64_t leftInFrame, int frame, int chunk,
                       ChunkRef& ref) {
  ref.size = ReadU32(raw);
  ref.type = ReadU16(raw + 4);
  if (ref.type == FLI_COPY) {
    ref.size = static_cast<uint32_t>(header.PixelCount() * header.BytesPerPixel() + kChunkHeaderSize);
  }
  if (ref.size < kChunkHeaderSize) {
    throw DamagedFlicError(FrameName(frame) + " is damaged: chunk " + std::to_string(chunk) + " has a size of " +
                           std::to_string(ref.size) + " bytes, less than its 6-byte header.");
  }
  if (ref.size > leftInFrame) {
    throw DamagedFlicError(FrameName(frame) + " is damaged: chunk " + std::to_string(chunk) +
                           " runs past the end of the frame.");
  }
}

// Called from the handler of a damaged chunk header: the error passes on,
// or for a caller that keeps going the chunk table ends before the chunk.
void KeepChunksBefore(const DamagedFlicError& error, FrameSlot& slot, int chunk, std::string* damagedChunk) {
  if (damagedChunk == nullptr) throw;
  *damagedChunk = error.what();
  slot.chunkTable.resize(static_cast<size_t>(chunk));
}

ChunkBytes AllocateBytes(uint64_t count) {
  if (count == 0) return ChunkBytes();
  uint8_t* block = new (std::nothrow) uint8_t[count];
  if (block == nullptr) throw OutOfMemoryError(count);
  return ChunkBytes(block);
}

void ReadChunksOneByOne(FlicFile& file, const FlicHeader& header, FrameSlot& slot, int index, uint64_t frameEnd,
                        std::string* damagedChunk) {
  for (int j = 0; j < slot.chunks; ++j) {
    ChunkRef& ref = slot.chunkTable[static_cast<size_t>(j)];
    const uint64_t chunkStart = file.Offset();
    const uint64_t leftInFrame = frameEnd > chunkStart ? frameEnd - chunkStart : 0;
    uint8_t raw[kChunkHeaderSize];
    file.Read(raw, sizeof raw);
    try {
      AcceptChunkHeader(raw, header, leftInFrame, index, j, ref);
    } catch (const DamagedFlicError& error) {
      KeepChunksBefore(error, slot, j, damagedChunk);
      return;
    }
    const uint64_t dataSize = ref.DataSize();
    // Refuse a size the file cannot hold before allocating for it.
    if (dataSize > file.Remaining()) throw InOutError(kReadBeyondEndText);
    ref.data = AllocateBytes(dataSize);
    if (dataSize > 0) file.Read(ref.data.get(), dataSize);
  }
}

void ReadChunksFromOneBlock(FlicFile& file, const FlicHeader& header, FrameSlot& slot, int index, uint64_t frameStart,
                            std::string* damagedChunk) {
  const uint64_t blockSize = slot.size - kFrameHeaderSize;
  if (blockSize > file.Remaining()) throw InOutError(kReadBeyondEndText);
  slot.block = AllocateBytes(blockSize);
  uint8_t* const block = slot.block.get();
  if (blockSize > 0) file.Read(block, blockSize);
  // The running offset counts chunk by chunk, as in the other mode, so the
  // frame-end check below treats both modes alike.
  uint64_t at = 0;
  for (int j = 0; j < slot.chunks; ++j) {
    ChunkRef& ref = slot.chunkTable[static_cast<size_t>(j)];
    const uint64_t left = blockSize - at;
    try {
      if (left < kChunkHeaderSize) {
        throw DamagedFlicError(FrameName(index) + " is damaged: chunk " + std::to_string(j) +
                               " runs past the end of the frame.");
      }
      AcceptChunkHeader(block + at, header, left, index, j, ref);
    } catch (const DamagedFlicError& error) {
      KeepChunksBefore(error, slot, j, damagedChunk);
      break;
    }
    // The chunk's data stays where it lies in the block, which the slot keeps.
    if (ref.DataSize() > 0) ref.data = ChunkBytes(block + at + kChunkHeaderSize, ChunkBytesRelease{false});
    at += ref.size;
  }
  file.Seek(frameStart + kFrameHeaderSize + at);
}

void FreeBlock(uint8_t* block) { std::free(block); }

// A block for a whole file. A large one is asked for in 2 MB pages where the
// system offers them: the page faults and clearing of 4 KB pages would cost
// the load more than reading the file does.
uint8_t* AllocateBlock(uint64_t size) {
#if defined(MADV_HUGEPAGE)
  constexpr size_t kHugePage = size_t{2} << 20;
  if (size >= 4 * kHugePage) {
    void* block = nullptr;
    if (posix_memalign(&block, kHugePage, size) != 0) return nullptr;
    madvise(block, size & ~(kHugePage - 1), MADV_HUGEPAGE);
    return static_cast<uint8_t*>(block);
  }
#endif
  return static_cast<uint8_t*>(std::malloc(std::max<uint64_t>(size, 1)));
}

// The load: the rest of the file read into one block in large pieces, and
// every frame walked with the checks and messages of ReadFrame, each chunk's
// data left where it lies in the block. When the bytes that are no chunk data
// (frame and chunk headers, padding, whatever follows the ring frame) come to
// more than a 64th of the block, the data is moved together and the block
// cut to it, so a loaded flic costs little more than its chunk data, in one
// block, with no read or allocation per chunk.
void LoadFromOneBlock(FlicFile& file, const FlicHeader& header, FrameStore& store, const ReadProgress& progress) {
  const uint64_t start = file.Offset();
  const uint64_t length = std::max(file.Length(), start);
  const uint64_t blockSize = length - start;
  if (blockSize > SIZE_MAX / 2) throw OutOfMemoryError(blockSize);
  std::unique_ptr<uint8_t[], void (*)(uint8_t*)> block(AllocateBlock(blockSize), FreeBlock);
  if (!block) throw OutOfMemoryError(blockSize);
  uint8_t* bytes = block.get();

  uint64_t at = start;  // the running file offset
  uint64_t kept = 0;    // chunk data bytes moved to the front so far
  // Where each chunk's data went, for its pointer once the block has its final place.
  std::vector<std::pair<ChunkRef*, uint64_t>> placed;
  // The file is read a few megabytes ahead of the walk, so the headers it
  // reads are still in the cache, and nothing after the ring frame is read.
  uint64_t readTo = start;
  auto need = [&](uint64_t n) {
    if (at > length || n > length - at) throw InOutError(kReadBeyondEndText);
    if (at + n <= readTo) return;
    const uint64_t upTo = std::min(length, std::max(at + n, readTo + (uint64_t{4} << 20)));
    file.Seek(readTo);
    file.Read(bytes + (readTo - start), upTo - readTo);
    readTo = upTo;
    if (progress) progress(readTo - start, blockSize);
  };
  for (int f = 0; f <= header.frames; ++f) {
    FrameSlot& slot = store.Slot(f);
    const uint64_t frameStart = at;
    need(kFrameHeaderSize);
    AcceptFrameHeader(bytes + (at - start), slot, f);
    at += kFrameHeaderSize;
    const uint64_t frameEnd = frameStart + slot.size;
    for (int j = 0; j < slot.chunks; ++j) {
      ChunkRef& ref = slot.chunkTable[static_cast<size_t>(j)];
      const uint64_t leftInFrame = frameEnd > at ? frameEnd - at : 0;
      need(kChunkHeaderSize);
      AcceptChunkHeader(bytes + (at - start), header, leftInFrame, f, j, ref);
      at += kChunkHeaderSize;
      const uint64_t dataSize = ref.DataSize();
      need(dataSize);
      if (dataSize > 0) {
        placed.emplace_back(&ref, at - start);
        kept += dataSize;
      }
      at += dataSize;
    }
    at = frameEnd;
  }
  uint64_t held = readTo - start;
  if (held - kept > held / 64 || readTo < length) {
    // Chunk data never overlaps and comes in file order, so each piece moves
    // down over bytes already passed.
    uint64_t to = 0;
    for (auto& [ref, offset] : placed) {
      const uint64_t n = ref->DataSize();
      std::memmove(bytes + to, bytes + offset, n);
      offset = to;
      to += n;
    }
    if (uint8_t* smaller = static_cast<uint8_t*>(std::realloc(block.get(), std::max<uint64_t>(kept, 1)))) {
      (void)block.release();
      block.reset(smaller);
    }
    held = kept;
  }
  bytes = block.get();
  for (const auto& [ref, offset] : placed) ref->data = ChunkBytes(bytes + offset, ChunkBytesRelease{false});
  store.AdoptBlock(std::move(block), held);
}

}  // namespace

void ReadFrame(FlicFile& file, FlicHeader& header, FrameStore& store, int index, ReadMode mode,
               std::string* damagedChunk) {
  FrameSlot& slot = store.Slot(index);
  if (damagedChunk != nullptr) damagedChunk->clear();
  // Whatever the slot still holds goes first, so a frame is never held beside its predecessor.
  FreeFrameChunks(store, index);
  try {
    if (index == 1) header.oframe2 = static_cast<uint32_t>(file.Offset());
    const uint64_t frameStart = file.Offset();
    ReadFrameHeader(file, slot, index);
    const uint64_t frameEnd = frameStart + slot.size;
    if (mode == ReadMode::ChunkByChunk) {
      ReadChunksOneByOne(file, header, slot, index, frameEnd, damagedChunk);
    } else if (slot.chunks > 0) {
      ReadChunksFromOneBlock(file, header, slot, index, frameStart, damagedChunk);
    }
    // Padding after the chunks is skipped; the seek is made only when needed.
    if (file.Offset() != frameEnd) file.Seek(frameEnd);
  } catch (...) {
    FreeFrameChunks(store, index);
    throw;
  }
}

void ReadWholeFlic(FlicFile& file, const FlicHeader& header, FrameStore& store, const ReadProgress& progress) {
  // Frames of any depth are read alike; whether a caller shows true colour
  // is its own check's to say.
  CheckFlicIsPlayable(header, true);
  store.Reserve(header.frames + 1);
  try {
    LoadFromOneBlock(file, header, store, progress);
  } catch (...) {
    store.Clear();
    throw;
  }
}

}  // namespace kt
