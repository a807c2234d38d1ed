// The fixed table of frame slots that holds a whole flic, or the one frame
// being shown when playing from disk. Chunk buffers belong to the store.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace kt {

inline constexpr int kMaxFlicFrames = 4000;
inline constexpr int kFrameStoreSlots = kMaxFlicFrames + 1;  // the ring frame needs one more
inline constexpr int kMaxChunksPerFrame = 100;

struct ChunkRef {
  uint32_t size = 0;  // whole chunk, header included (FLI_COPY: width x height + 6)
  uint16_t type = 0;
  std::unique_ptr<uint8_t[]> data;  // size - 6 bytes; null when there are none

  uint32_t DataSize() const { return size - 6; }
};

struct FrameSlot {
  // The frame's 16-byte header as read.
  uint32_t size = 0;
  uint16_t magic = 0;
  uint16_t chunks = 0;
  std::array<uint8_t, 8> reserved{};
  std::array<ChunkRef, kMaxChunksPerFrame> chunkTable;
};

class FrameStore {
 public:
  FrameStore() : slots_(kFrameStoreSlots) {}

  FrameSlot& Slot(int index) { return slots_.at(static_cast<size_t>(index)); }
  const FrameSlot& Slot(int index) const { return slots_.at(static_cast<size_t>(index)); }

 private:
  std::vector<FrameSlot> slots_;
};

// Releases the chunk buffers of one slot; its header fields stay as they were.
void FreeFrameChunks(FrameStore& store, int index);

// Releases the chunk buffers of slots 0 to lastIndex.
void FreeFrameRange(FrameStore& store, int lastIndex);

}  // namespace kt
