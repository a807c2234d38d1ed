// One chunk of a 15, 16 or 24-bit flic decoded into a small, exactly sized
// picture, so the address sanitizer sees any write past the picture and any
// read past the data.
//
// Input: byte 0 picks the chunk type (low 4 bits) and the depth (bits 4-5);
// bytes 1 and 2 the width and height, 1 to 64; byte 3 seeds the picture the
// chunk lands on; the rest is the chunk's data. Each chunk family must leave
// alone what it does not own, and the raw copies must copy exactly.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "flic/flic_header.h"
#include "flic/true_colour_decoder.h"

namespace {

constexpr uint16_t kUnknownType = 12;  // DELTA_FLI: no true-colour flic holds it
constexpr uint16_t kTypes[] = {kt::DTA_BRUN, kt::DTA_COPY, kt::DTA_LC,    kt::DELTA_FLC, kt::BYTE_RUN,
                               kt::FLI_COPY, kt::BLACK,    kt::COLOR_256, kt::PSTAMP,    kUnknownType};
constexpr size_t kTypeCount = sizeof kTypes / sizeof kTypes[0];
constexpr uint8_t kDepths[] = {15, 16, 24, 24};
constexpr size_t kPrefix = 4;

struct CountingEvents : kt::DecodeEvents {
  void UnknownChunk(uint16_t) override { ++unknown; }
  int unknown = 0;
};

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kPrefix) return 0;
  const uint16_t type = kTypes[(data[0] & 0x0F) % kTypeCount];
  kt::TrueColourTarget target;
  target.pixelBits = kDepths[(data[0] >> 4) & 3];
  target.width = static_cast<uint16_t>(1 + (data[1] & 63));
  target.height = static_cast<uint16_t>(1 + (data[2] & 63));
  const uint8_t* chunk = data + kPrefix;
  const auto chunkSize = static_cast<uint32_t>(size - kPrefix);

  const size_t bytes = size_t{target.width} * target.height * target.BytesPerPixel();
  std::unique_ptr<uint8_t[]> before(new uint8_t[bytes]);
  for (size_t i = 0; i < bytes; ++i) before[i] = static_cast<uint8_t>(i * 7 + data[3]);
  std::unique_ptr<uint8_t[]> pixels(new uint8_t[bytes]);
  std::memcpy(pixels.get(), before.get(), bytes);
  target.pixels = pixels.get();

  CountingEvents events;
  const bool whole = kt::DecodeTrueColourChunk(type, chunk, chunkSize, target, events);
  Require(events.unknown == (type == kUnknownType ? 1 : 0));
  switch (type) {
    case kt::BLACK: Require(std::all_of(pixels.get(), pixels.get() + bytes, [](uint8_t p) { return p == 0; })); break;
    case kt::FLI_COPY: {
      const size_t copied = std::min<size_t>(chunkSize, bytes);
      Require(copied == 0 || std::memcmp(pixels.get(), chunk, copied) == 0);
      Require(std::memcmp(pixels.get() + copied, before.get() + copied, bytes - copied) == 0);
      Require(whole == (chunkSize >= bytes));
      break;
    }
    case kt::COLOR_256:
    case kt::PSTAMP:
    case kUnknownType:
      Require(std::memcmp(pixels.get(), before.get(), bytes) == 0);
      Require(whole);
      break;
    default: break;
  }
  return 0;
}
