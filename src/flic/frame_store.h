// The table of frame slots that holds a whole flic, or the one frame being
// shown when playing from disk. Chunk buffers belong to the store. Slots and
// chunk tables take memory only for the frames and chunks a flic has, so an
// empty store holds nothing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace kt {

inline constexpr int kMaxFlicFrames = 4000;
inline constexpr int kFrameStoreSlots = kMaxFlicFrames + 1;  // the ring frame needs one more
inline constexpr int kMaxChunksPerFrame = 100;

// Chunk data is either a buffer of its own (a frame read from disk) or a
// stretch of the one block that a loaded flic is kept in, which the store
// releases as a whole.
struct ChunkBytesRelease {
  ChunkBytesRelease() = default;
  explicit ChunkBytesRelease(bool ownsBytes) : owned(ownsBytes) {}
  // A buffer made with new[] is one of its own.
  ChunkBytesRelease(std::default_delete<uint8_t[]>) {}  // NOLINT: converts on purpose
  bool owned = true;
  void operator()(uint8_t* bytes) const {
    if (owned) delete[] bytes;
  }
};
using ChunkBytes = std::unique_ptr<uint8_t[], ChunkBytesRelease>;

struct ChunkRef {
  uint32_t size = 0;  // whole chunk, header included (FLI_COPY: the picture's bytes + 6)
  uint16_t type = 0;
  ChunkBytes data;  // size - 6 bytes; null when there are none

  uint32_t DataSize() const { return size - 6; }
};

struct FrameSlot {
  // The frame's 16-byte header as read.
  uint32_t size = 0;
  uint16_t magic = 0;
  uint16_t chunks = 0;
  std::array<uint8_t, 8> reserved{};
  // One entry for each chunk the frame has (at most kMaxChunksPerFrame).
  std::vector<ChunkRef> chunkTable;
  // A frame read in one block keeps the block, and its chunks' data points
  // into it, so the frame is held once rather than twice.
  ChunkBytes block;
};

class FrameStore {
 public:
  // Slot `index` (0 to 4000), made empty when it was never used.
  FrameSlot& Slot(int index);
  // An empty slot for an index that was never used.
  const FrameSlot& Slot(int index) const;
  // The slot when it was ever used, else null.
  FrameSlot* Find(int index);

  // Room for slots 0 to count - 1 in one step, before a whole flic is read.
  void Reserve(int count);
  // Keeps the block a loaded flic's chunk data was cut from.
  void AdoptBlock(std::unique_ptr<uint8_t[], void (*)(uint8_t*)> block, size_t size);
  // Releases every slot and block: the store holds nothing afterwards.
  void Clear();
  // Memory the store holds: slots, chunk tables, blocks and chunk buffers.
  size_t BytesHeld() const;

 private:
  std::vector<std::unique_ptr<FrameSlot>> slots_;
  std::vector<std::unique_ptr<uint8_t[], void (*)(uint8_t*)>> blocks_;
  size_t blockBytes_ = 0;
};

// Releases the chunk buffers (and block) of one slot; its header fields stay as they were.
void FreeFrameChunks(FrameStore& store, int index);

// Releases the chunk buffers of slots 0 to lastIndex.
void FreeFrameRange(FrameStore& store, int lastIndex);

}  // namespace kt
