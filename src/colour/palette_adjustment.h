// Brightness and contrast as the control panel's bars set them, and the
// cores of the handlers of those bars and of their adjust buttons. The
// handlers here only change the values and give the label texts; whoever
// owns the controls moves the bar, shows the text and, while a playback
// runs, applies the palette again.
#pragma once

#include <cstdint>
#include <string>

#include "colour/real48.h"

namespace kt {

struct PaletteAdjustment {
  uint16_t BrightnessOffset = 0;                // 0 to 255, added to every channel
  Real48 ContrastFactor = Real48::Round(1.0L);  // 0.0 to 25.0 in tenths, scales every channel
};

inline constexpr int kBrightnessBarMin = 0;
inline constexpr int kBrightnessBarMax = 255;
inline constexpr int kBrightnessBarInitial = 0;
inline constexpr int kContrastBarMin = 0;
inline constexpr int kContrastBarMax = 250;
inline constexpr int kContrastBarInitial = 10;  // factor 1.0

// The factor a contrast bar position stands for, stored as the 6-byte real.
Real48 ContrastFactorAt(int position);

// "0.0", "1.0", "2.5", "25.0": one digit after the point.
std::string ContrastLabelText(Real48 factor);

// Set the value from the bar's position (clamped into the bar's range) and
// return the label's new text.
std::string ContrastBarChange(PaletteAdjustment& adjustment, int position);
std::string BrightnessBarChange(PaletteAdjustment& adjustment, int position);

// An adjust button's outcome: where its bar now stands and the label text.
struct BarUpdate {
  int position = 0;
  std::string label;
  bool operator==(const BarUpdate&) const = default;
};

// Each button steps its bar by one within the bar's range and then always
// runs the bar's handler, also at the limit: while playing, a click at the
// limit applies the unchanged palette again.
BarUpdate BrightnessLeftAjustClick(PaletteAdjustment& adjustment, int position);
BarUpdate BrightnessRightAjustClick(PaletteAdjustment& adjustment, int position);
BarUpdate ContrastLeftAjustClick(PaletteAdjustment& adjustment, int position);
BarUpdate ContrastRightAjustClick(PaletteAdjustment& adjustment, int position);

}  // namespace kt
