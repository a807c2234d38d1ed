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
  if (configured_ && sourceWidth == sourceWidth_ && sourceHeight == sourceHeight_ && bufferWidth == bufferWidth_ &&
      bufferHeight == bufferHeight_ && place == place_) {
    return;
  }
  configured_ = true;
  sourceWidth_ = sourceWidth;
  sourceHeight_ = sourceHeight;
  bufferWidth_ = bufferWidth;
  bufferHeight_ = bufferHeight;
  place_ = place;
  // The buffer is made at the first whole conversion: the screen takes areas straight from the maps.
  buffer_.clear();
  buffer_.shrink_to_fit();
  columns_.clear();
  rows_.clear();
  if (sourceWidth == 0 || sourceHeight == 0 || place.width <= 0 || place.height <= 0) return;
  columns_.reserve(static_cast<size_t>(place.width));
  for (int x = 0; x < place.width; ++x) columns_.push_back(SourceOf(x, sourceWidth, place.width));
  rows_.reserve(static_cast<size_t>(place.height));
  for (int y = 0; y < place.height; ++y) rows_.push_back(SourceOf(y, sourceHeight, place.height));
  oneToOneColumns_ = place.width == sourceWidth;
}

void IndexedPresenter::MakeBuffer() {
  if (buffer_.empty()) buffer_.assign(static_cast<size_t>(bufferWidth_) * bufferHeight_, kOpaqueBlack);
}

void IndexedPresenter::Convert(const uint8_t* source, int sourceStride, const ScreenColours& colours) {
  MakeBuffer();
  ConvertPlace<uint8_t>(source, sourceStride, IndexColour{colours.data()}, buffer_.data(), bufferWidth_,
                        {0, 0, bufferWidth_, bufferHeight_});
}

void IndexedPresenter::ConvertArea(const uint8_t* source, int sourceStride, const ScreenColours& colours,
                                   PresentRect area, uint32_t* target, int targetStride) const {
  ConvertIntoArea<uint8_t>(source, sourceStride, IndexColour{colours.data()}, area, target, targetStride);
}

void IndexedPresenter::ConvertTrueColour(const uint8_t* source, int sourceStride) {
  MakeBuffer();
  ConvertPlace<uint32_t>(source, sourceStride, OwnColour{}, buffer_.data(), bufferWidth_,
                         {0, 0, bufferWidth_, bufferHeight_});
}

void IndexedPresenter::ConvertTrueColourArea(const uint8_t* source, int sourceStride, PresentRect area,
                                             uint32_t* target, int targetStride) const {
  ConvertIntoArea<uint32_t>(source, sourceStride, OwnColour{}, area, target, targetStride);
}

template <typename Row, typename Colour>
void IndexedPresenter::ConvertIntoArea(const uint8_t* source, int sourceStride, Colour colour, PresentRect area,
                                       uint32_t* target, int targetStride) const {
  const PresentRect clip = Clip(area);
  if (target == nullptr || clip.width <= 0 || clip.height <= 0) return;
  // The part of the area within the buffer starts that far into the target.
  uint32_t* const from = target + static_cast<size_t>(clip.y - area.y) * targetStride + (clip.x - area.x);
  FillBars(from, targetStride, clip);
  ConvertPlace<Row>(source, sourceStride, colour, from, targetStride, clip);
}

PresentRect IndexedPresenter::Clip(PresentRect area) const {
  const int left = std::clamp(area.x, 0, bufferWidth_);
  const int right = std::clamp(area.x + area.width, left, bufferWidth_);
  const int top = std::clamp(area.y, 0, bufferHeight_);
  const int bottom = std::clamp(area.y + area.height, top, bufferHeight_);
  return {left, top, right - left, bottom - top};
}

void IndexedPresenter::FillBars(uint32_t* target, int targetStride, PresentRect clip) const {
  const int clipRight = clip.x + clip.width;
  // The bars: rows above and below the place, and the columns beside it.
  const int top = std::clamp(place_.y, clip.y, clip.y + clip.height);
  const int bottom = std::clamp(place_.y + place_.height, top, clip.y + clip.height);
  const int left = std::clamp(place_.x, clip.x, clipRight);
  const int right = std::clamp(place_.x + place_.width, left, clipRight);
  for (int y = clip.y; y < clip.y + clip.height; ++y) {
    uint32_t* row = target + static_cast<size_t>(y - clip.y) * targetStride;
    if (y < top || y >= bottom || columns_.empty()) {
      std::fill(row, row + clip.width, kOpaqueBlack);
    } else {
      std::fill(row, row + (left - clip.x), kOpaqueBlack);
      std::fill(row + (right - clip.x), row + clip.width, kOpaqueBlack);
    }
  }
}

template <typename Row, typename Colour>
void IndexedPresenter::ConvertPlace(const uint8_t* source, int sourceStride, Colour colour, uint32_t* target,
                                    int stride, PresentRect clip) const {
  if (source == nullptr || target == nullptr || columns_.empty() || rows_.empty()) return;
  // The visible part of the place.
  const int left = std::max(clip.x - place_.x, 0);
  const int right = std::min(place_.width, clip.x + clip.width - place_.x);
  const int top = std::max(clip.y - place_.y, 0);
  const int bottom = std::min(place_.height, clip.y + clip.height - place_.y);
  if (left >= right || top >= bottom) return;
  const size_t rowBytes = static_cast<size_t>(right - left) * sizeof(uint32_t);
  const uint32_t* previous = nullptr;
  int previousSource = -1;
  for (int y = top; y < bottom; ++y) {
    uint32_t* const start = target + static_cast<size_t>(place_.y + y - clip.y) * stride + (place_.x + left - clip.x);
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

void IndexedPresenter::Hold(const uint8_t* source, int sourceStride, int unit) {
  heldUnit_ = 0;
  if (source == nullptr || unit <= 0) return;
  const size_t rowBytes = static_cast<size_t>(sourceWidth_) * unit;
  held_.resize(rowBytes * sourceHeight_);
  for (int y = 0; y < sourceHeight_; ++y) {
    std::memcpy(held_.data() + y * rowBytes, source + static_cast<size_t>(y) * sourceStride, rowBytes);
  }
  heldUnit_ = unit;
}

PresentRect IndexedPresenter::Covering(int left, int top, int right, int bottom) const {
  // The maps never fall, so the buffer pixels showing a span of source
  // pixels are one run of each.
  auto span = [](const std::vector<int32_t>& map, int from, int to) {
    const auto first = std::lower_bound(map.begin(), map.end(), from);
    const auto last = std::lower_bound(first, map.end(), to);
    return std::pair<int, int>(static_cast<int>(first - map.begin()), static_cast<int>(last - map.begin()));
  };
  const auto [x0, x1] = span(columns_, left, right);
  const auto [y0, y1] = span(rows_, top, bottom);
  // Cut to the buffer: a place larger than it is partly off.
  const int bx0 = std::clamp(place_.x + x0, 0, bufferWidth_);
  const int bx1 = std::clamp(place_.x + x1, bx0, bufferWidth_);
  const int by0 = std::clamp(place_.y + y0, 0, bufferHeight_);
  const int by1 = std::clamp(place_.y + y1, by0, bufferHeight_);
  return {bx0, by0, bx1 - bx0, by1 - by0};
}

const std::vector<PresentRect>& IndexedPresenter::Changes(const uint8_t* source, int sourceStride, int unit,
                                                          ChangedLines lines) {
  changes_.clear();
  const size_t rowBytes = static_cast<size_t>(sourceWidth_) * unit;
  if (source == nullptr || unit != heldUnit_ || held_.size() != rowBytes * sourceHeight_) {
    Hold(source, sourceStride, unit);
    changes_.push_back({0, 0, bufferWidth_, bufferHeight_});
    return changes_;
  }
  if (columns_.empty() || rows_.empty()) return changes_;
  const int top = std::clamp(lines.top, 0, sourceHeight_);
  const int bottom = std::clamp(lines.bottom, top, sourceHeight_);
  const int tiles = (sourceWidth_ + kTileWidth - 1) / kTileWidth;
  const size_t tileBytes = static_cast<size_t>(kTileWidth) * unit;
  // Source rectangles first; a run of tiles below one of the same columns
  // that ends where it starts makes it longer instead.
  struct Run {
    int left, top, right, bottom;
  };
  std::vector<Run> runs;
  for (int rowTop = top / kTileHeight * kTileHeight; rowTop < bottom; rowTop += kTileHeight) {
    dirty_.assign(static_cast<size_t>(tiles), 0);
    bool any = false;
    const int rowBottom = std::min(rowTop + kTileHeight, sourceHeight_);
    for (int y = std::max(rowTop, top); y < std::min(rowBottom, bottom); ++y) {
      const uint8_t* now = source + static_cast<size_t>(y) * sourceStride;
      uint8_t* was = held_.data() + y * rowBytes;
      if (std::memcmp(now, was, rowBytes) == 0) continue;
      for (int t = 0; t < tiles; ++t) {
        const size_t at = t * tileBytes;
        uint8_t& tile = dirty_[static_cast<size_t>(t)];
        if (!tile && std::memcmp(now + at, was + at, std::min(tileBytes, rowBytes - at)) != 0) tile = 1;
      }
      std::memcpy(was, now, rowBytes);
      any = true;
    }
    if (!any) continue;
    for (int t = 0; t < tiles;) {
      if (!dirty_[static_cast<size_t>(t)]) {
        ++t;
        continue;
      }
      int end = t;
      while (end < tiles && dirty_[static_cast<size_t>(end)]) ++end;
      const Run run{t * kTileWidth, rowTop, std::min(end * kTileWidth, sourceWidth_), rowBottom};
      auto above = std::find_if(runs.begin(), runs.end(), [&](const Run& r) {
        return r.bottom == rowTop && r.left == run.left && r.right == run.right;
      });
      if (above != runs.end()) {
        above->bottom = rowBottom;
      } else {
        runs.push_back(run);
      }
      t = end;
    }
  }
  // So many parts cost the window system more than the pixels between them.
  if (runs.size() > kMostParts) {
    Run hull = runs.front();
    for (const Run& run : runs) {
      hull = {std::min(hull.left, run.left), std::min(hull.top, run.top), std::max(hull.right, run.right),
              std::max(hull.bottom, run.bottom)};
    }
    runs.assign(1, hull);
  }
  for (const Run& run : runs) {
    const PresentRect part = Covering(run.left, run.top, run.right, run.bottom);
    if (part.width > 0 && part.height > 0) changes_.push_back(part);
  }
  return changes_;
}

}  // namespace kt
