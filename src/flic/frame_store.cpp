#include "flic/frame_store.h"

#include <algorithm>

namespace kt {

void FreeFrameChunks(FrameStore& store, int index) {
  // Every entry, not just the first `chunks`: a read that failed half-way may
  // have filled entries of a frame whose count was never accepted.
  for (ChunkRef& chunk : store.Slot(index).chunkTable) chunk.data.reset();
}

void FreeFrameRange(FrameStore& store, int lastIndex) {
  for (int f = 0; f <= std::min(lastIndex, kFrameStoreSlots - 1); ++f) FreeFrameChunks(store, f);
}

}  // namespace kt
