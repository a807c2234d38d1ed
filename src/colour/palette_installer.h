// The display side of the palette, shaped like the GDI and full-screen
// palette calls: whatever shows frames implements it, and the palette
// steps drive it in a fixed order.
#pragma once

#include <cstdint>

#include "colour/display_palette.h"

namespace kt {

// An installed palette as the implementation names it; kNoPalette is none.
using PaletteHandle = uint64_t;
inline constexpr PaletteHandle kNoPalette = 0;

// The device contexts a palette is selected into.
enum class PaletteContext { MemoryDC, ControlWindow, MovieWindow, DisplayImage };
inline constexpr int kPaletteContextCount = 4;

enum class SystemPaletteUse { Static = 1, NoStatic = 2 };

class PaletteInstaller {
 public:
  virtual ~PaletteInstaller() = default;
  // A new palette made from the logical palette; kNoPalette when none could be made.
  virtual PaletteHandle CreatePalette(const LogicalPalette& logical) = 0;
  // Returns the palette the context held before.
  virtual PaletteHandle SelectPalette(PaletteContext context, PaletteHandle palette) = 0;
  virtual void RealizePalette(PaletteContext context) = 0;
  // The colour table of the frame bitmap that stands in MemoryDC.
  virtual void SetDIBColorTable(const ColourTable& table) = 0;
  virtual void DeleteObject(PaletteHandle palette) = 0;
  // The full-screen palette's 256 entries; false when the display refused them.
  virtual bool SetEntries(const PaletteEntries& entries) = 0;
  // Whether full-screen output holds a palette now: from its set-up to its tear-down.
  virtual bool FullScreenPaletteExists() const = 0;
  // How many system colours a palettised display keeps, on the movie window's context.
  virtual void SetSystemPaletteUse(SystemPaletteUse use) = 0;
};

}  // namespace kt
