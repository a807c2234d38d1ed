#include "flic/frame_store.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace kt {

FrameSlot& FrameStore::Slot(int index) {
  if (index < 0 || index >= kFrameStoreSlots) throw std::out_of_range("frame slot " + std::to_string(index));
  const auto at = static_cast<size_t>(index);
  if (at >= slots_.size()) slots_.resize(at + 1);
  if (!slots_[at]) slots_[at] = std::make_unique<FrameSlot>();
  return *slots_[at];
}

const FrameSlot& FrameStore::Slot(int index) const {
  if (index < 0 || index >= kFrameStoreSlots) throw std::out_of_range("frame slot " + std::to_string(index));
  static const FrameSlot empty;
  const auto at = static_cast<size_t>(index);
  return at < slots_.size() && slots_[at] ? *slots_[at] : empty;
}

FrameSlot* FrameStore::Find(int index) {
  const auto at = static_cast<size_t>(index);
  return index >= 0 && at < slots_.size() ? slots_[at].get() : nullptr;
}

void FrameStore::Reserve(int count) {
  const auto wanted = static_cast<size_t>(std::clamp(count, 0, kFrameStoreSlots));
  if (wanted > slots_.size()) slots_.reserve(wanted);
}

void FrameStore::AdoptBlock(std::unique_ptr<uint8_t[], void (*)(uint8_t*)> block, size_t size) {
  blocks_.push_back(std::move(block));
  blockBytes_ += size;
}

void FrameStore::Clear() {
  // The slots first: their chunk data may point into the blocks.
  std::vector<std::unique_ptr<FrameSlot>>().swap(slots_);
  std::vector<std::unique_ptr<uint8_t[], void (*)(uint8_t*)>>().swap(blocks_);
  blockBytes_ = 0;
}

size_t FrameStore::BytesHeld() const {
  size_t bytes = slots_.capacity() * sizeof(slots_[0]) + blocks_.capacity() * sizeof(blocks_[0]) + blockBytes_;
  for (const auto& slot : slots_) {
    if (!slot) continue;
    bytes += sizeof(FrameSlot) + slot->chunkTable.capacity() * sizeof(ChunkRef);
    if (slot->block) bytes += slot->size - 16;
    for (const ChunkRef& chunk : slot->chunkTable) {
      if (chunk.data && chunk.data.get_deleter().owned) bytes += chunk.DataSize();
    }
  }
  return bytes;
}

void FreeFrameChunks(FrameStore& store, int index) {
  // Every entry, not just the first `chunks`: a read that failed half-way may
  // have filled entries of a frame whose count was never accepted.
  FrameSlot* slot = store.Find(index);
  if (slot == nullptr) return;
  for (ChunkRef& chunk : slot->chunkTable) chunk.data = ChunkBytes();
  slot->block = ChunkBytes();
}

void FreeFrameRange(FrameStore& store, int lastIndex) {
  for (int f = 0; f <= std::min(lastIndex, kFrameStoreSlots - 1); ++f) FreeFrameChunks(store, f);
}

}  // namespace kt
