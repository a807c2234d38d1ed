// Pictures kept along a playback, so that a step back or a jump rebuilds a
// frame from a nearby kept picture instead of replaying the flic from frame 0.
//
// A replay of frames 0 to t over the current picture and palette leaves
// exactly what the kept state of a frame k <= t followed by frames k+1 to t
// leaves, provided that
//  - frames 0 to k write every pixel (no chunk reads a pixel, so which pixels
//    a frame writes, and with what, does not depend on the picture before);
//  - the colours that frames 0 to k never set are taken from the current
//    palette, not from the kept one;
//  - none of frames 0 to k holds a chunk of an unknown type, whose question
//    the replay would have asked.
// The kept state is only taken while frames are decoded one after the other
// from frame 0, so it is the state those frames leave; a pass that came
// round through the ring frame keeps nothing until it starts again at 0.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "colour/base_palette.h"
#include "flic/frame_store.h"

namespace kt {

inline constexpr size_t kDefaultKeyImageBudget = size_t{64} << 20;

class KeyImages {
 public:
  // Keys are spread evenly over frames 0 to frames - 1, as many as fit the
  // budget. A budget of 0 turns every shortcut off: each rebuild is the
  // replay from frame 0.
  // Pictures are of `pixelBits` pixels: 8 (palette indices), or 15, 16 or
  // 24 as a true-colour flic stores them, whose frames set no colours.
  KeyImages(uint16_t width, uint16_t height, int32_t frames, size_t budgetBytes = kDefaultKeyImageBudget,
            uint8_t pixelBits = 8);

  // Frames between two keys; 0 when not even one key fits the budget.
  int32_t Interval() const { return interval_; }
  // Memory held now: the keys taken so far and the working pictures.
  size_t BytesHeld() const;

  // From disk: frame `frame` began at `offset`, the next one begins at `next`.
  void FrameRead(int32_t frame, uint64_t offset, uint64_t next);
  bool OffsetKnown(int32_t frame) const;
  uint64_t Offset(int32_t frame) const;

  // Every decode of a frame, shown or rebuilt, in the order they happen,
  // while the slot still holds the frame's chunks. `whole`: no chunk of the
  // frame had its data cut (the decoder reported nothing clipped).
  void FrameDecoded(int32_t frame, const FrameSlot& slot, const uint8_t* pixels, const BasePalette& palette,
                    bool whole = true);

  // Where a rebuild of frames 0 to `last` starts: from frame 0, after a
  // restored key, after the picture on screen, or at a frame that paints
  // the whole picture by itself (BLACK, FLI_COPY, a complete BYTE_RUN) with
  // the colours of the frame before it restored. `frame` is the last frame
  // whose effect is already in place (-1 from frame 0; for a whole-picture
  // frame, the frame before it).
  struct Start {
    enum Kind { FrameZero, Key, Current, WholePicture } kind = FrameZero;
    int32_t frame = -1;
  };
  Start PlanRebuild(int32_t last, bool fromDisk) const;

  // Puts key `frame` in place. Colours the flic had not set by then keep
  // their current values, as a replay would leave them.
  void RestoreKey(int32_t frame, uint8_t* pixels, BasePalette& palette);

  // Before decoding from whole-picture frame `frame` on: the colours as
  // frames 0 to frame - 1 leave them (those never set keep their values).
  void RestoreBefore(int32_t frame, BasePalette& palette);

  // Whether any of frames 0 to last holds a colour chunk, so that a replay
  // through them installs the palette. Known for frames decoded at least once.
  bool ColourChunkBy(int32_t last) const { return firstColourFrame_ >= 0 && firstColourFrame_ <= last; }

 private:
  struct Key {
    std::unique_ptr<uint8_t[]> pixels;
    BasePalette palette{};
    std::bitset<768> set;  // colour components that frames 0 to the key's frame set
  };
  // The colours after a frame with a colour chunk.
  struct Colours {
    BasePalette palette{};
    std::bitset<768> set;
  };

  bool Usable(int32_t frame) const;
  void StartChain();
  void TrackWrites(const FrameSlot& slot);
  void TakeKey(int32_t frame, const uint8_t* pixels, const BasePalette& palette);
  std::bitset<768> SetComponents() const;
  void RestoreColours(const BasePalette& kept, const std::bitset<768>& set, BasePalette& palette);

  uint16_t width_;
  uint16_t height_;
  uint8_t pixelBits_;
  size_t pictureBytes_;  // one picture: width x height x bytes per pixel
  int32_t frames_;
  bool enabled_;
  int32_t interval_ = 0;
  std::vector<Key> keys_;
  std::vector<uint64_t> offsets_;                  // frame start + 1; 0 while unknown
  std::vector<bool> wholePicture_;                 // the frame paints every pixel by itself
  std::vector<std::unique_ptr<Colours>> colours_;  // for frames with a colour chunk
  int32_t maxChained_ = -1;                        // frames 0 to this have been decoded in order at least once

  // The frames decoded one after the other from frame 0 up to chainNext_ - 1.
  bool chainValid_ = false;
  int32_t chainNext_ = 0;
  // The first frame by which every pixel has been written; -1 not yet seen.
  int32_t coveredFrame_ = -1;
  int32_t firstUnknownFrame_ = -1;
  int32_t firstColourFrame_ = -1;
  // The same frames decoded onto two different starts: a pixel or colour
  // component that ends equal in both was written. The pictures are needed
  // only until every pixel has been.
  std::unique_ptr<uint8_t[]> lowPicture_;
  std::unique_ptr<uint8_t[]> highPicture_;
  BasePalette lowPalette_{};
  BasePalette highPalette_{};
};

// What a rebuild asks of the code that reads and decodes frames.
class RebuildSteps {
 public:
  virtual ~RebuildSteps() = default;
  virtual uint8_t* Pixels() = 0;
  virtual BasePalette& Palette() = 0;
  // From disk: the file is to be read next from this offset.
  virtual void PositionAt(uint64_t /*offset*/) {}
  // Applies frames first to last in order (none when first > last), each read
  // and released as the player does, each reported to FrameDecoded.
  virtual void DecodeFrames(int32_t first, int32_t last) = 0;
  // Builds and installs the shown palette from the base palette.
  virtual void InstallPalette() = 0;
};

// Leaves picture and palette as a replay of frames 0 to `last` over them
// would; from frame 0, the caller has positioned a disk file at frame 0.
void RebuildThrough(KeyImages& keys, int32_t last, bool fromDisk, RebuildSteps& steps);

}  // namespace kt
