#include "colour/palette_adjustment.h"

#include <algorithm>
#include <charconv>

namespace kt {

ContrastFactor ContrastFactorAt(int position) {
  // The tenth and the product both carry 64-bit significands before the
  // result is cut to the stored 40 bits; doing this in double would move
  // some factors to the other side of their tenth.
  const long double tenth = 0.1L;
  const long double product = static_cast<long double>(position) * tenth;
  return ContrastFactor::Round(product);
}

std::string ContrastLabelText(ContrastFactor factor) {
  // to_chars, unlike printf, ignores the locale that the GUI toolkit installs.
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, factor.Value(), std::chars_format::fixed, 1);
  return std::string(text, result.ptr);
}

std::string SetContrast(PaletteAdjustment& adjustment, int position) {
  adjustment.ContrastFactor = ContrastFactorAt(std::clamp(position, kContrastBarMin, kContrastBarMax));
  return ContrastLabelText(adjustment.ContrastFactor);
}

std::string SetBrightness(PaletteAdjustment& adjustment, int position) {
  adjustment.BrightnessOffset = static_cast<uint16_t>(std::clamp(position, kBrightnessBarMin, kBrightnessBarMax));
  return std::to_string(adjustment.BrightnessOffset);
}

}  // namespace kt
