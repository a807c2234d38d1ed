// The full-screen display of a desktop without 8-bit modes: an emulation of
// the DirectDraw calls the player makes. The display mode is never really
// changed; the mode, the surfaces and the palette live in memory, and the
// primary surface is handed to an EmulatedScreen whenever what it shows
// changes (a flip, a copy onto it, new palette entries). The list of modes
// and failing steps can be chosen, so every path of a set-up can be run.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/direct_draw.h"

namespace kt {

// Text drawn on a surface, kept beside its pixels: the screen draws it in
// true colour, since an 8-bit surface has no sure white.
struct SurfaceText {
  int x = 0;
  int y = 0;
  std::string text;
  uint32_t colour = 0;  // 0x00BBGGRR
};

// The primary surface as the screen is to show it; valid until the next Show or ModeRestored.
struct ShownSurface {
  const uint8_t* pixels = nullptr;  // width x height palette indices, rows of width bytes
  int width = 0;
  int height = 0;
  const PaletteEntries* palette = nullptr;  // null: no palette attached (all black)
  const std::vector<SurfaceText>* texts = nullptr;
};

class EmulatedScreen {
 public:
  virtual ~EmulatedScreen() = default;
  virtual void ModeSet(uint32_t width, uint32_t height) = 0;
  virtual void Show(const ShownSurface& surface) = 0;
  virtual void ModeRestored() = 0;
};

enum class EmulatedStep {
  Create,
  CooperativeLevel,
  EnumDisplayModes,
  SetDisplayMode,
  CreateSurface,
  GetAttachedSurface,
  CreatePalette,
  SetPalette,
  SetEntries,
};

// The 8-bit modes the emulation offers, in the order it lists them.
std::vector<dd::DisplayModeDesc> StandardEightBitModes();

struct EmulatedDisplayConfig {
  std::vector<dd::DisplayModeDesc> modes = StandardEightBitModes();
  std::set<EmulatedStep> failing;    // these calls answer DDERR_GENERIC
  bool createWithoutObject = false;  // DirectDrawCreate succeeds and gives nothing
};

// DirectDrawCreate of the emulation; `screen` must outlive every object it makes.
dd::DirectDrawCreate EmulatedDirectDrawCreate(EmulatedDisplayConfig config, EmulatedScreen& screen);

}  // namespace kt
