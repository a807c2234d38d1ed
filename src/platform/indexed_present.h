// The one way a palette-index picture reaches a true-colour screen, for the
// movie window and full screen alike: indices become 32-bit pixels through
// the screen's 256 colours, and scaling takes the nearest pixel through column and row
// maps computed once per size, into any area of a target of a given size:
// the screen takes the areas that changed, a picture the whole. The words
// are 0xFFRRGGBB, Qt's RGB32 layout and a 24-bit X screen's own.
// A true-colour picture, already in those words, takes the same maps.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "base/changed_lines.h"
#include "platform/screen.h"

namespace kt {

inline constexpr uint32_t kOpaqueBlack = 0xFF000000u;

struct PresentRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const PresentRect&) const = default;
};

// The largest picture with the source's aspect that fits the target, centred
// (halves of the spare room truncated). Empty when either size is empty.
PresentRect AspectFit(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight);

class IndexedPresenter {
 public:
  // A source of sourceWidth x sourceHeight indices goes, scaled, into `place`
  // of a buffer of bufferWidth x bufferHeight pixels; what lies outside
  // `place` is black. Memory and maps are made again only when a size changes.
  void Configure(int sourceWidth, int sourceHeight, int bufferWidth, int bufferHeight, PresentRect place);
  // Rows of `sourceStride` bytes; the source must have the configured size.
  void Convert(const uint8_t* source, int sourceStride, const ScreenColours& colours);
  // One area of the buffer into someone else's pixels: `target` holds the
  // area, its top left pixel first and rows `targetStride` pixels apart,
  // black outside the place included; what lies outside the buffer is not
  // written. A target the size of the area stays in the cache.
  void ConvertArea(const uint8_t* source, int sourceStride, const ScreenColours& colours, PresentRect area,
                   uint32_t* target, int targetStride) const;
  // Convert and ConvertArea for a true-colour source: rows of 0xFFRRGGBB
  // words `sourceStride` bytes apart, taken as they are.
  void ConvertTrueColour(const uint8_t* source, int sourceStride);
  void ConvertTrueColourArea(const uint8_t* source, int sourceStride, PresentRect area, uint32_t* target,
                             int targetStride) const;

  // The source last shown, kept to find what the next frame changes: rows
  // of the configured width in pixels of `unit` bytes (1: indices, 4: words).
  void Hold(const uint8_t* source, int sourceStride, int unit);
  // The parts of the buffer that show a source pixel within `lines` that
  // differs from the held source, which takes the new pixels: tiles of
  // kTileWidth x kTileHeight source pixels joined along their rows and down
  // their columns, rounded out to the buffer pixels they cover. The whole
  // buffer when nothing of this size and unit is held.
  const std::vector<PresentRect>& Changes(const uint8_t* source, int sourceStride, int unit, ChangedLines lines);
  static constexpr int kTileWidth = 32;
  static constexpr int kTileHeight = 16;
  static constexpr size_t kMostParts = 64;  // more are joined into one rectangle holding them all

  // The buffer of the last whole conversion; none before it.
  const uint32_t* Pixels() const { return buffer_.data(); }
  int Width() const { return bufferWidth_; }
  int Height() const { return bufferHeight_; }
  PresentRect Place() const { return place_; }

 private:
  // Writes the place's part within `clip` into `target`, which holds the
  // buffer from `clip`'s top left on; `colour` gives the shown colour of a
  // source row's pixel x.
  template <typename Row, typename Colour>
  void ConvertPlace(const uint8_t* source, int sourceStride, Colour colour, uint32_t* target, int stride,
                    PresentRect clip) const;
  // ConvertArea for rows of `Row` pixels.
  template <typename Row, typename Colour>
  void ConvertIntoArea(const uint8_t* source, int sourceStride, Colour colour, PresentRect area, uint32_t* target,
                       int targetStride) const;
  // Black over the bars around the place within `clip`, into `target` as above.
  void FillBars(uint32_t* target, int targetStride, PresentRect clip) const;
  void MakeBuffer();
  // The buffer's pixels that show a source pixel of the rectangle, cut to the buffer.
  PresentRect Covering(int left, int top, int right, int bottom) const;
  // The part of `area` within the buffer.
  PresentRect Clip(PresentRect area) const;

  int sourceWidth_ = 0;
  int sourceHeight_ = 0;
  int bufferWidth_ = 0;
  int bufferHeight_ = 0;
  PresentRect place_;
  bool configured_ = false;
  bool oneToOneColumns_ = false;
  std::vector<uint32_t> buffer_;
  std::vector<int32_t> columns_;  // per target column of `place`, its source column
  std::vector<int32_t> rows_;     // per target row of `place`, its source row
  std::vector<uint8_t> held_;     // the source last shown, rows of sourceWidth_ x heldUnit_ bytes
  int heldUnit_ = 0;              // 0: nothing held
  std::vector<uint8_t> dirty_;    // per tile column, for the tile row being compared
  std::vector<PresentRect> changes_;
};

// The source pixel a target pixel of a picture `span` wide shows, for a
// source `size` wide: the nearest-pixel rule both the maps and tests use.
inline int SourceOf(int target, int size, int span) {
  return static_cast<int>(static_cast<int64_t>(target) * size / span);
}

}  // namespace kt
