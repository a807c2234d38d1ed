// Brightness and contrast as the control panel's bars set them. The
// setters here only change the values and give the label texts; whoever
// owns the controls moves the bar, shows the text and, while a playback
// runs, applies the palette again.
#pragma once

#include <cstdint>
#include <string>

#include "colour/contrast_factor.h"

namespace kt {

struct PaletteAdjustment {
  uint16_t BrightnessOffset = 0;                                        // 0 to 255, added to every channel
  kt::ContrastFactor ContrastFactor = kt::ContrastFactor::Round(1.0L);  // 0.0 to 25.0 in tenths, scales every channel
};

inline constexpr int kBrightnessBarMin = 0;
inline constexpr int kBrightnessBarMax = 255;
inline constexpr int kBrightnessBarInitial = 0;
inline constexpr int kContrastBarMin = 0;
inline constexpr int kContrastBarMax = 250;
inline constexpr int kContrastBarInitial = 10;  // factor 1.0

// The factor a contrast bar position stands for, rounded to its 40 bits.
ContrastFactor ContrastFactorAt(int position);

// "0.0", "1.0", "2.5", "25.0": one digit after the point.
std::string ContrastLabelText(ContrastFactor factor);

// Set the value from a bar position (clamped into the bar's range) and
// return the text its label shows.
std::string SetContrast(PaletteAdjustment& adjustment, int position);
std::string SetBrightness(PaletteAdjustment& adjustment, int position);

}  // namespace kt
