// The palettes of the run: one instance, owned by the control panel.
#pragma once

#include "colour/base_palette.h"
#include "colour/display_palette.h"
#include "colour/palette_adjustment.h"

namespace kt {

struct ColourState {
  BasePalette Base{};
  PaletteAdjustment Adjustment;
  DisplayPalette Display;
};

}  // namespace kt
