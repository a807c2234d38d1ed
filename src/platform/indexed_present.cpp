#include "platform/indexed_present.h"

#include <algorithm>
#include <cstring>

namespace kt {

PresentRect AspectFit(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight) {
  if (sourceWidth <= 0 || sourceHeight <= 0 || targetWidth <= 0 || targetHeight <= 0) return {};
  int width = targetWidth;
  int height = static_cast<int>(static_cast<int64_t>(targetWidth) * sourceHeight / sourceWidth);
  if (height > targetHeight) {
    height = targetHeight;
    width = static_cast<int>(static_cast<int64_t>(targetHeight) * sourceWidth / sourceHeight);
  }
  width = std::max(width, 1);
  height = std::max(height, 1);
  return {(targetWidth - width) / 2, (targetHeight - height) / 2, width, height};
}

namespace {

// A palette index shows the screen's colour for it; a true-colour pixel itself.
struct IndexColour {
  const uint32_t* table;
  uint32_t operator()(uint8_t index) const { return table[index]; }
};
struct OwnColour {
  uint32_t operator()(uint32_t pixel) const { return pixel; }
};

}  // namespace

void IndexedPresenter::Configure(int sourceWidth, int sourceHeight, int bufferWidth, int bufferHeight,
                                 PresentRect place) {
  sourceWidth = std::max(sourceWidth, 0);
  sourceHeight = std::max(sourceHeight, 0);
  bufferWidth = std::max(bufferWidth, 0);
  bufferHeight = std::max(bufferHeight, 0);
  // A place reaching outside the buffer is cut to it; the maps keep the
  // scale of the whole place, so the cut part is simply not drawn.
  if (sourceWidth == sourceWidth_ && sourceHeight == sourceHeight_ && bufferWidth == bufferWidth_ &&
      bufferHeight == bufferHeight_ && place == place_ && !buffer_.empty()) {
    return;
  }
  sourceWidth_ = sourceWidth;
  sourceHeight_ = sourceHeight;
  bufferWidth_ = bufferWidth;
  bufferHeight_ = bufferHeight;
  place_ = place;
  buffer_.assign(static_cast<size_t>(bufferWidth) * bufferHeight, kOpaqueBlack);
  columns_.clear();
  rows_.clear();
  if (sourceWidth == 0 || sourceHeight == 0 || place.width <= 0 || place.height <= 0) return;
  columns_.reserve(static_cast<size_t>(place.width));
  for (int x = 0; x < place.width; ++x) columns_.push_back(SourceOf(x, sourceWidth, place.width));
  rows_.reserve(static_cast<size_t>(place.height));
  for (int y = 0; y < place.height; ++y) rows_.push_back(SourceOf(y, sourceHeight, place.height));
  oneToOneColumns_ = place.width == sourceWidth;
}

void IndexedPresenter::Convert(const uint8_t* source, int sourceStride, const ScreenColours& colours) {
  ConvertPlace<uint8_t>(source, sourceStride, IndexColour{colours.data()}, buffer_.data(), bufferWidth_, bufferWidth_,
                        bufferHeight_);
}

void IndexedPresenter::ConvertInto(const uint8_t* source, int sourceStride, const ScreenColours& colours,
                                   uint32_t* target, int targetStride, int targetWidth, int targetHeight) const {
  const int width = std::min(targetWidth, bufferWidth_);
  const int height = std::min(targetHeight, bufferHeight_);
  if (!FillBars(target, targetStride, width, height)) return;
  ConvertPlace<uint8_t>(source, sourceStride, IndexColour{colours.data()}, target, targetStride, width, height);
}

void IndexedPresenter::ConvertTrueColour(const uint8_t* source, int sourceStride) {
  ConvertPlace<uint32_t>(source, sourceStride, OwnColour{}, buffer_.data(), bufferWidth_, bufferWidth_, bufferHeight_);
}

void IndexedPresenter::ConvertTrueColourInto(const uint8_t* source, int sourceStride, uint32_t* target,
                                             int targetStride, int targetWidth, int targetHeight) const {
  const int width = std::min(targetWidth, bufferWidth_);
  const int height = std::min(targetHeight, bufferHeight_);
  if (!FillBars(target, targetStride, width, height)) return;
  ConvertPlace<uint32_t>(source, sourceStride, OwnColour{}, target, targetStride, width, height);
}

bool IndexedPresenter::FillBars(uint32_t* target, int targetStride, int width, int height) const {
  if (target == nullptr || width <= 0 || height <= 0) return false;
  // The bars: rows above and below the place, and the columns beside it.
  const int top = std::clamp(place_.y, 0, height);
  const int bottom = std::clamp(place_.y + place_.height, top, height);
  const int left = std::clamp(place_.x, 0, width);
  const int right = std::clamp(place_.x + place_.width, left, width);
  for (int y = 0; y < height; ++y) {
    uint32_t* row = target + static_cast<size_t>(y) * targetStride;
    if (y < top || y >= bottom || columns_.empty()) {
      std::fill(row, row + width, kOpaqueBlack);
    } else {
      std::fill(row, row + left, kOpaqueBlack);
      std::fill(row + right, row + width, kOpaqueBlack);
    }
  }
  return true;
}

template <typename Row, typename Colour>
void IndexedPresenter::ConvertPlace(const uint8_t* source, int sourceStride, Colour colour, uint32_t* target,
                                    int stride, int width, int height) const {
  if (source == nullptr || target == nullptr || columns_.empty() || rows_.empty()) return;
  // The visible part of the place.
  const int left = std::max(0, -place_.x);
  const int right = std::min(place_.width, width - place_.x);
  const int top = std::max(0, -place_.y);
  const int bottom = std::min(place_.height, height - place_.y);
  if (left >= right || top >= bottom) return;
  const size_t rowBytes = static_cast<size_t>(right - left) * sizeof(uint32_t);
  const uint32_t* previous = nullptr;
  int previousSource = -1;
  for (int y = top; y < bottom; ++y) {
    uint32_t* const start = target + static_cast<size_t>(place_.y + y) * stride + place_.x + left;
    const int sourceRow = rows_[static_cast<size_t>(y)];
    // Rows that a vertical stretch repeats are copies of the row above.
    if (sourceRow == previousSource) {
      std::memcpy(start, previous, rowBytes);
      continue;
    }
    const auto* in = reinterpret_cast<const Row*>(source + static_cast<size_t>(sourceRow) * sourceStride);
    uint32_t* out = start;
    if (oneToOneColumns_) {
      for (int x = left; x < right; ++x) *out++ = colour(in[x]);
    } else {
      const int32_t* map = columns_.data();
      for (int x = left; x < right; ++x) *out++ = colour(in[map[x]]);
    }
    previous = start;
    previousSource = sourceRow;
  }
}

}  // namespace kt
