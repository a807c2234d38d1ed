// One chunk decoded into a small, exactly sized image, so the address
// sanitizer sees any write past the picture and any read past the data.
//
// Input: byte 0 picks the chunk type (low 7 bits) and the "Optimize
// Decoding" way to try first (bit 7); bytes 1 and 2 the width and height,
// 1 to 64; byte 3 seeds the image and palette the chunk lands on; the rest is
// the chunk's data. The chunk is decoded both ways, which must agree to the
// byte, and each chunk family must leave alone what it does not own.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "colour/base_palette.h"
#include "flic/flic_header.h"
#include "flic/frame_decoder.h"

namespace {

constexpr uint16_t kUnknownType = 25;
constexpr uint16_t kTypes[] = {kt::COLOR_256, kt::COLOR_64, kt::DELTA_FLC, kt::DELTA_FLI, kt::BLACK,
                               kt::BYTE_RUN,  kt::FLI_COPY, kt::PSTAMP,    kUnknownType};
constexpr size_t kTypeCount = sizeof kTypes / sizeof kTypes[0];
constexpr size_t kPrefix = 4;

struct CountingEvents : kt::DecodeEvents {
  void ApplyPalette() override { ++palettesApplied; }
  void UnknownChunk(uint16_t) override { ++unknown; }
  int palettesApplied = 0;
  int unknown = 0;
};

struct Canvas {
  Canvas(uint16_t width, uint16_t height, uint8_t seed, bool optimize)
      : size(static_cast<size_t>(width) * height), pixels(new uint8_t[size]) {
    // A pattern rather than one value, so a chunk that moves or skips
    // pixels it should not shows up in the comparisons.
    for (size_t i = 0; i < size; ++i) pixels[i] = static_cast<uint8_t>(i * 7 + seed);
    for (size_t i = 0; i < palette.size(); ++i) {
      palette[i] = {static_cast<uint8_t>(i + seed), static_cast<uint8_t>(i ^ seed), static_cast<uint8_t>(i * 3)};
    }
    target.pixels = pixels.get();
    target.width = width;
    target.height = height;
    target.palette = &palette;
    target.optimize = optimize;
  }

  bool SamePixels(const Canvas& other) const { return std::memcmp(pixels.get(), other.pixels.get(), size) == 0; }

  size_t size;
  std::unique_ptr<uint8_t[]> pixels;  // exactly width x height
  kt::BasePalette palette{};
  kt::FrameTarget target;
};

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kPrefix) return 0;
  const uint16_t type = kTypes[(data[0] & 0x7F) % kTypeCount];
  const bool optimize = (data[0] & 0x80) != 0;
  const uint16_t width = static_cast<uint16_t>(1 + (data[1] & 63));
  const uint16_t height = static_cast<uint16_t>(1 + (data[2] & 63));
  const uint8_t seed = data[3];
  const uint8_t* chunk = data + kPrefix;
  const uint32_t chunkSize = static_cast<uint32_t>(size - kPrefix);

  const Canvas before(width, height, seed, optimize);
  Canvas first(width, height, seed, optimize);
  Canvas second(width, height, seed, !optimize);
  CountingEvents firstEvents;
  CountingEvents secondEvents;
  const bool firstWhole = kt::DecodeChunk(type, chunk, chunkSize, first.target, firstEvents);
  const bool secondWhole = kt::DecodeChunk(type, chunk, chunkSize, second.target, secondEvents);

  // The two DELTA_FLC ways differ in how they move words, never in what they write.
  Require(first.SamePixels(second));
  Require(first.palette == second.palette);
  Require(firstWhole == secondWhole);

  const bool colour = type == kt::COLOR_256 || type == kt::COLOR_64;
  Require(firstEvents.palettesApplied == (colour ? 1 : 0));
  Require(firstEvents.unknown == (type == kUnknownType ? 1 : 0));
  if (colour) {
    Require(first.SamePixels(before));
  } else {
    Require(first.palette == before.palette);
  }
  switch (type) {
    case kt::BLACK:
      Require(std::all_of(first.pixels.get(), first.pixels.get() + first.size, [](uint8_t p) { return p == 0; }));
      break;
    case kt::FLI_COPY: {
      const size_t copied = std::min<size_t>(chunkSize, first.size);
      Require(copied == 0 || std::memcmp(first.pixels.get(), chunk, copied) == 0);
      Require(std::memcmp(first.pixels.get() + copied, before.pixels.get() + copied, first.size - copied) == 0);
      Require(firstWhole == (chunkSize >= first.size));
      break;
    }
    case kt::PSTAMP:
    case kUnknownType:
      Require(first.SamePixels(before));
      Require(firstWhole);
      break;
    default: break;
  }
  return 0;
}
