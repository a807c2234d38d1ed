// Every frame of a flic held in memory as our reader shows it, the ring
// frame last: what the writer's round trips compare against.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "flic/flic_header.h"
#include "flic/frame_decoder.h"
#include "flic/frame_reader.h"

namespace kt::test {

struct DecodedFlic {
  FlicHeader header;
  std::vector<std::vector<uint32_t>> frames;  // 0xRRGGBB per pixel
  bool clean = true;                          // no chunk clipped or unknown
};

inline DecodedFlic DecodeFlicBytes(std::vector<uint8_t> bytes) {
  struct Events : DecodeEvents {
    bool clean = true;
    void UnknownChunk(uint16_t) override { clean = false; }
    void DataClipped(int, uint16_t) override { clean = false; }
  } events;
  DecodedFlic out;
  FlicFile file = FlicFile::FromBytes(std::move(bytes));
  const OrWhyNot<FlicHeader> header = ReadFlicHeader(file);
  if (!header) throw std::runtime_error("not a flic");
  out.header = *header;
  CheckFlicIsPlayable(out.header);
  auto store = std::make_unique<FrameStore>();
  ReadWholeFlic(file, out.header, *store);
  std::vector<uint8_t> pixels(out.header.PixelCount(), 0);
  BasePalette palette{};
  FrameTarget target;
  target.pixels = pixels.data();
  target.width = out.header.width;
  target.height = out.header.height;
  target.palette = &palette;
  for (int f = 0; f <= out.header.frames; ++f) {
    DecodeFrame(store->Slot(f), target, events);
    std::vector<uint32_t>& rgb = out.frames.emplace_back(pixels.size());
    for (size_t i = 0; i < pixels.size(); ++i) {
      const RgbColour& c = palette[pixels[i]];
      rgb[i] = (uint32_t{c.red} << 16) | (uint32_t{c.green} << 8) | c.blue;
    }
  }
  FreeFrameRange(*store, out.header.frames);
  out.clean = events.clean;
  return out;
}

}  // namespace kt::test
