// An image, palette and event log to decode chunks into, sized exactly so
// that the address sanitizer sees any write past the picture.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "flic/frame_decoder.h"

namespace kt::test {

struct Canvas {
  Canvas(uint16_t width, uint16_t height, uint8_t fill = 0) : pixels(static_cast<size_t>(width) * height, fill) {
    target.pixels = pixels.data();
    target.width = width;
    target.height = height;
    target.palette = &palette;
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  std::vector<uint8_t> Row(int y) const {
    const auto from = pixels.begin() + static_cast<std::ptrdiff_t>(y) * target.width;
    return {from, from + target.width};
  }

  std::vector<uint8_t> pixels;
  BasePalette palette{};
  FrameTarget target;
};

struct RecordingEvents : DecodeEvents {
  void ApplyPalette() override { ++palettesApplied; }
  void UnknownChunk(uint16_t type) override { unknown.push_back(type); }
  void DataClipped(int chunkIndex, uint16_t type) override { clipped.emplace_back(chunkIndex, type); }

  int palettesApplied = 0;
  std::vector<uint16_t> unknown;
  std::vector<std::pair<int, uint16_t>> clipped;
};

// Decodes one chunk from an exactly sized copy of its bytes.
inline bool Decode(uint16_t type, const std::vector<uint8_t>& data, Canvas& canvas) {
  RecordingEvents events;
  const std::vector<uint8_t> exact(data);
  return DecodeChunk(type, exact.empty() ? nullptr : exact.data(), static_cast<uint32_t>(exact.size()), canvas.target,
                     events);
}

}  // namespace kt::test
