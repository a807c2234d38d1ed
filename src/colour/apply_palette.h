// Installing the shown palette: at each colour chunk and each adjustment
// while playing, and the palette's part of the start and end of a playback.
#pragma once

#include "colour/colour_state.h"
#include "colour/palette_installer.h"

namespace kt {

inline constexpr const char* kSetEntriesFailedText = "DirectDraw.CreatePalette failed";

// Builds the shown palette and installs it: into the GDI contexts and
// the frame bitmap in window output, into the full-screen palette and the
// frame bitmap otherwise. Throws PlayerError with kSetEntriesFailedText
// when the full-screen palette refuses the entries; the frame bitmap then
// keeps its colours. With no full-screen palette (before the set-up made
// it, after the tear-down released it) only the frame bitmap takes them.
void ApplyPalette(ColourState& colour, PaletteInstaller& installer, bool windowOutput);

// "Use Max Palette" changed. The caller applies the palette again while playing.
void MaxPalCheckClick(PaletteInstaller& installer, bool checked);

// Before the first frame: empties the flic's palette and the logical
// palette, marks the entries reserved on displays deeper than 8 bits and
// forgets the previous playback's palettes. The colour table is left as
// it is; the frame bitmap starts with the colours it holds.
void ClearPaletteForPlayback(ColourState& colour, PaletteInstaller& installer, int screenBitsPerPixel,
                             bool maxPalChecked, bool windowOutput);

// After the last frame: gives every context back its prior palette and
// deletes the palettes of this playback.
void ReleasePlaybackPalettes(ColourState& colour, PaletteInstaller& installer, bool maxPalChecked, bool windowOutput);

}  // namespace kt
