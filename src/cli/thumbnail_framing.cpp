#include "cli/thumbnail_framing.h"

#include <algorithm>
#include <array>
#include <unordered_map>

namespace kt::cli {
namespace {

// Colours are compared, not indexes: a flic may hold its key colour under
// several indexes.
RgbColour CommonestEdgeColour(const FrameView& frame, bool& oneColour) {
  std::array<uint64_t, 256> counts{};
  const uint8_t* pixels = frame.pixels.data();
  const size_t width = frame.width;
  const size_t height = frame.height;
  for (size_t x = 0; x < width; ++x) {
    ++counts[pixels[x]];
    if (height > 1) ++counts[pixels[(height - 1) * width + x]];
  }
  for (size_t y = 1; y + 1 < height; ++y) {
    ++counts[pixels[y * width]];
    if (width > 1) ++counts[pixels[y * width + width - 1]];
  }
  std::array<uint64_t, 256> byColour{};
  for (size_t i = 0; i < 256; ++i) {
    for (size_t j = 0; j < 256; ++j) {
      if (frame.palette[j] == frame.palette[i]) byColour[i] += counts[j];
    }
  }
  const size_t commonest = static_cast<size_t>(std::max_element(byColour.begin(), byColour.end()) - byColour.begin());
  uint64_t edgePixels = 0;
  for (uint64_t count : counts) edgePixels += count;
  oneColour = byColour[commonest] == edgePixels;
  return frame.palette[commonest];
}

// The same for a true-colour frame, the colours counted as they come.
RgbColour CommonestEdgeArgb(const FrameView& frame, bool& oneColour) {
  std::unordered_map<uint32_t, uint64_t> counts;
  const size_t width = frame.width;
  const size_t height = frame.height;
  for (size_t x = 0; x < width; ++x) {
    ++counts[frame.argb[x]];
    if (height > 1) ++counts[frame.argb[(height - 1) * width + x]];
  }
  for (size_t y = 1; y + 1 < height; ++y) {
    ++counts[frame.argb[y * width]];
    if (width > 1) ++counts[frame.argb[y * width + width - 1]];
  }
  uint32_t commonest = 0;
  uint64_t most = 0, edgePixels = 0;
  for (const auto& [colour, count] : counts) {
    edgePixels += count;
    // Ties go to the lower value, so the choice does not hang on the map's order.
    if (count > most || (count == most && colour < commonest)) {
      commonest = colour;
      most = count;
    }
  }
  oneColour = most == edgePixels;
  return ArgbColour(commonest);
}

// Counts the pixels for which differs(index) holds and boxes them.
template <typename Differs>
void FrameShown(const FrameView& frame, Framing& framing, Differs differs) {
  uint32_t left = frame.width;
  uint32_t right = 0;
  uint32_t top = frame.height;
  uint32_t bottom = 0;
  for (uint32_t y = 0; y < frame.height; ++y) {
    const size_t row = size_t{y} * frame.width;
    uint32_t first = frame.width;
    uint32_t last = 0;
    uint64_t count = 0;
    for (uint32_t x = 0; x < frame.width; ++x) {
      if (!differs(row + x)) continue;
      first = std::min(first, x);
      last = x;
      ++count;
    }
    if (count == 0) continue;
    framing.shown += count;
    left = std::min(left, first);
    right = std::max(right, last);
    top = std::min(top, y);
    bottom = y;
  }
  framing.inside =
      framing.shown == 0 ? Box{0, 0, frame.width, frame.height} : Box{left, top, right - left + 1, bottom - top + 1};
}

}  // namespace

Framing FrameFraming(const FrameView& frame) {
  Framing framing{};
  if (frame.argb != nullptr) {
    framing.edge = CommonestEdgeArgb(frame, framing.edgeIsOneColour);
    const uint32_t edge =
        0xFF000000u | (uint32_t{framing.edge.red} << 16) | (uint32_t{framing.edge.green} << 8) | framing.edge.blue;
    FrameShown(frame, framing, [&](size_t i) { return frame.argb[i] != edge; });
    return framing;
  }
  framing.edge = CommonestEdgeColour(frame, framing.edgeIsOneColour);
  std::array<bool, 256> differs{};
  for (size_t i = 0; i < 256; ++i) differs[i] = !(frame.palette[i] == framing.edge);
  const uint8_t* pixels = frame.pixels.data();
  FrameShown(frame, framing, [&](size_t i) { return differs[pixels[i]]; });
  return framing;
}

Box ThumbnailBox(const FrameView& frame, const Framing& framing) {
  if (!framing.edgeIsOneColour || framing.shown == 0) return Box{0, 0, frame.width, frame.height};
  return framing.inside;
}

}  // namespace kt::cli
