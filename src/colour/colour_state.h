// The palettes of the run: one instance, owned by the control panel.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "colour/base_palette.h"
#include "colour/display_palette.h"
#include "colour/palette_adjustment.h"
#include "colour/palette_installer.h"

namespace kt {

// What the palette steps installed during the running playback.
struct InstalledPalettes {
  PaletteHandle CurrentPalette = kNoPalette;
  // Replaced palettes that a failed full-screen apply could not delete;
  // none of them is selected anywhere, so the next apply that succeeds,
  // or the end of the playback, deletes them.
  std::vector<PaletteHandle> StrandedPalettes;
  // Per context, what it held before its first selection in this playback;
  // empty while the context has received nothing.
  std::array<std::optional<PaletteHandle>, kPaletteContextCount> PriorPalettes;
};

struct ColourState {
  BasePalette Base{};
  PaletteAdjustment Adjustment;
  DisplayPalette Display;
  InstalledPalettes Installed;
};

}  // namespace kt
