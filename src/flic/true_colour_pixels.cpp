// True-colour pixels as the colours writers and screens take.
#include <cstring>

#include "flic/true_colour_decoder.h"

namespace kt {
namespace {

// 5 and 6-bit components to 8 bits, the top bits repeated below.
constexpr uint8_t Widen5(uint32_t v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); }
constexpr uint8_t Widen6(uint32_t v) { return static_cast<uint8_t>((v << 2) | (v >> 4)); }

struct Rgb {
  uint8_t r, g, b;
};

// Calls put(i, colour) for each pixel, one branch on the layout for the whole run.
template <typename Put>
void ForEachColour(const uint8_t* pixels, uint32_t count, uint8_t pixelBits, Put put) {
  if (pixelBits == 24) {
    for (uint32_t i = 0; i < count; ++i, pixels += 3) put(i, Rgb{pixels[2], pixels[1], pixels[0]});
  } else if (pixelBits == 16) {
    for (uint32_t i = 0; i < count; ++i, pixels += 2) {
      const uint32_t v = pixels[0] | (pixels[1] << 8);
      put(i, Rgb{Widen5(v >> 11), Widen6((v >> 5) & 63), Widen5(v & 31)});
    }
  } else {
    for (uint32_t i = 0; i < count; ++i, pixels += 2) {
      const uint32_t v = pixels[0] | (pixels[1] << 8);
      put(i, Rgb{Widen5((v >> 10) & 31), Widen5((v >> 5) & 31), Widen5(v & 31)});
    }
  }
}

}  // namespace

void TrueColourToBgr(const uint8_t* pixels, uint32_t count, uint8_t pixelBits, uint8_t* bgr) {
  if (pixelBits == 24) {
    std::memcpy(bgr, pixels, static_cast<size_t>(count) * 3);
    return;
  }
  ForEachColour(pixels, count, pixelBits, [bgr](uint32_t i, Rgb c) {
    bgr[3 * i] = c.b;
    bgr[3 * i + 1] = c.g;
    bgr[3 * i + 2] = c.r;
  });
}

void TrueColourToArgb32(const uint8_t* pixels, uint32_t count, uint8_t pixelBits, uint32_t* argb) {
  ForEachColour(pixels, count, pixelBits, [argb](uint32_t i, Rgb c) {
    argb[i] = 0xFF000000u | (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b;
  });
}

}  // namespace kt
