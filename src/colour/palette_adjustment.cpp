#include "colour/palette_adjustment.h"

#include <algorithm>
#include <charconv>

namespace kt {

Real48 ContrastFactorAt(int position) {
  // The tenth and the product both carry 64-bit significands before the
  // result is cut to the stored 40 bits; doing this in double would move
  // some factors to the other side of their tenth.
  const long double tenth = 0.1L;
  const long double product = static_cast<long double>(position) * tenth;
  return Real48::Round(product);
}

std::string ContrastLabelText(Real48 factor) {
  // to_chars, unlike printf, ignores the locale that the GUI toolkit installs.
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, factor.Value(), std::chars_format::fixed, 1);
  return std::string(text, result.ptr);
}

std::string ContrastBarChange(PaletteAdjustment& adjustment, int position) {
  adjustment.ContrastFactor = ContrastFactorAt(std::clamp(position, kContrastBarMin, kContrastBarMax));
  return ContrastLabelText(adjustment.ContrastFactor);
}

std::string BrightnessBarChange(PaletteAdjustment& adjustment, int position) {
  adjustment.BrightnessOffset = static_cast<uint16_t>(std::clamp(position, kBrightnessBarMin, kBrightnessBarMax));
  return std::to_string(adjustment.BrightnessOffset);
}

namespace {

using BarHandler = std::string (*)(PaletteAdjustment&, int);

BarUpdate StepBar(PaletteAdjustment& adjustment, int position, int step, int min, int max, BarHandler handler) {
  if ((step < 0 && position > min) || (step > 0 && position < max)) position += step;
  position = std::clamp(position, min, max);  // the bar itself never stands outside its range
  return BarUpdate{position, handler(adjustment, position)};
}

}  // namespace

BarUpdate BrightnessLeftAjustClick(PaletteAdjustment& adjustment, int position) {
  return StepBar(adjustment, position, -1, kBrightnessBarMin, kBrightnessBarMax, BrightnessBarChange);
}

BarUpdate BrightnessRightAjustClick(PaletteAdjustment& adjustment, int position) {
  return StepBar(adjustment, position, +1, kBrightnessBarMin, kBrightnessBarMax, BrightnessBarChange);
}

BarUpdate ContrastLeftAjustClick(PaletteAdjustment& adjustment, int position) {
  return StepBar(adjustment, position, -1, kContrastBarMin, kContrastBarMax, ContrastBarChange);
}

BarUpdate ContrastRightAjustClick(PaletteAdjustment& adjustment, int position) {
  return StepBar(adjustment, position, +1, kContrastBarMin, kContrastBarMax, ContrastBarChange);
}

}  // namespace kt
