// A true-colour frame's pixels, as the file stores them, turned into the
// colours a screen shows: 0xFFRRGGBB words with brightness and contrast
// applied to each channel through the same levels a palette gets.
#pragma once

#include <cstdint>
#include <vector>

#include "colour/display_palette.h"

namespace kt {

class TrueColourShown {
 public:
  // Pixels of `pixelBits` (15, 16 or 24) from now on, shown through `levels`.
  void SetLevels(uint8_t pixelBits, const ChannelLevels& levels);
  // `count` pixels into as many words.
  void Convert(const uint8_t* pixels, uint32_t count, uint32_t* shown) const;

 private:
  uint8_t pixelBits_ = 24;
  ChannelLevels levels_{};
  // 15 and 16 bits: the shown colour of every pixel value, so a pixel costs one lookup.
  std::vector<uint32_t> words_;
};

}  // namespace kt
