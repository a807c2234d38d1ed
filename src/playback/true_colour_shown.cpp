#include "playback/true_colour_shown.h"

#include "flic/true_colour_decoder.h"

namespace kt {
namespace {

uint32_t Word(const ChannelLevels& levels, uint8_t red, uint8_t green, uint8_t blue) {
  return 0xFF000000u | (uint32_t{levels[red]} << 16) | (uint32_t{levels[green]} << 8) | levels[blue];
}

}  // namespace

void TrueColourShown::SetLevels(uint8_t pixelBits, const ChannelLevels& levels) {
  pixelBits_ = pixelBits;
  levels_ = levels;
  if (pixelBits == 24) {
    words_.clear();
    return;
  }
  // Every 16-bit value as the file stores it (little-endian), widened by the decoder's own rule.
  std::vector<uint8_t> values(size_t{65536} * 2);
  for (uint32_t v = 0; v < 65536; ++v) {
    values[2 * v] = static_cast<uint8_t>(v);
    values[2 * v + 1] = static_cast<uint8_t>(v >> 8);
  }
  words_.resize(65536);
  TrueColourToArgb32(values.data(), 65536, pixelBits, words_.data());
  for (uint32_t& word : words_) {
    word = Word(levels, static_cast<uint8_t>(word >> 16), static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word));
  }
}

void TrueColourShown::Convert(const uint8_t* pixels, uint32_t count, uint32_t* shown) const {
  if (pixelBits_ == 24) {
    for (uint32_t i = 0; i < count; ++i, pixels += 3) shown[i] = Word(levels_, pixels[2], pixels[1], pixels[0]);
    return;
  }
  if (words_.empty()) return;
  const uint32_t* table = words_.data();
  for (uint32_t i = 0; i < count; ++i, pixels += 2) shown[i] = table[pixels[0] | (pixels[1] << 8)];
}

}  // namespace kt
