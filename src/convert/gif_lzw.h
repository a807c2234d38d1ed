// The image block of a GIF frame (descriptor, local colour table and LZW
// data), compressed without a library's per-pixel calls: a long animation
// spends most of its conversion here.
#pragma once

#include <cstdint>
#include <vector>

namespace kt {

struct GifImage {
  int left = 0, top = 0, width = 0, height = 0;
  int codeBits = 2;                     // the LZW minimum code size, 2 to 8
  const uint8_t* localTable = nullptr;  // 3 << localBits bytes of RGB, or none
  int localBits = 0;
  const uint8_t* pixels = nullptr;  // width x height indices below 1 << codeBits
  // Where not null, each pixel may be written as its index here instead of
  // the one in `pixels` (as both show the same), whichever makes the longer
  // string of a code; those not below 1 << codeBits are passed over.
  const uint8_t* alternatives = nullptr;
};

// Appends the block to `out`.
void AppendGifImage(const GifImage& image, std::vector<uint8_t>& out);

}  // namespace kt
