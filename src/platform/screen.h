// Where frames are shown. The movie window and full screen are two
// placements of one screen: colours for the indices, a mode size, frames,
// and leaving. Both end in the indexed presenter; a placement only decides
// where the picture sits. A full-screen display is also opened and offers
// its modes, and each of its steps can be refused with its own message.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/changed_lines.h"
#include "base/errors.h"

namespace kt {

// 0xFFRRGGBB for each of the 256 indices: the pixels the presenter writes.
using ScreenColours = std::array<uint32_t, 256>;

struct ModeSize {
  uint32_t width = 0;
  uint32_t height = 0;
  bool operator==(const ModeSize&) const = default;
};

// How a frame's pixels are laid out: palette indices shown through the
// screen's colours, or 32-bit words 0xFFRRGGBB already in their final
// colours (brightness and contrast applied), which the colours leave alone.
enum class ScreenPixels : uint8_t { Indexed8, Rgb32 };

// A frame handed to a screen: width x height pixels of `format`, rows stride
// bytes apart, valid until the next ShowFrame or Leave.
struct ScreenFrame {
  const uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;
  ScreenPixels format = ScreenPixels::Indexed8;
  std::string cornerText;  // white over the top left corner; empty: none
  // The lines outside which it equals the frame the screen showed before it,
  // which a screen then need not look at again; none: it may differ anywhere.
  std::optional<ChangedLines> changed;
};

class Screen {
 public:
  virtual ~Screen() = default;
  // The colours of the indices from now on, also of the picture already shown.
  virtual void SetColours(const ScreenColours& colours) = 0;
  // Frames from now on are `size`; until the first, the screen is black.
  virtual void EnterMode(ModeSize size) = 0;
  virtual void ShowFrame(const ScreenFrame& frame) = 0;
  // The screen shows the window's own picture again.
  virtual void Leave() = 0;
};

// The steps a full-screen display can refuse, in the order a start meets them.
enum class ScreenStep {
  Open,
  TakeOver,
  ListModes,
  NoModeFits,
  SetMode,
  FrontBuffer,
  BackBuffer,
  MakeColours,
  AttachColours,
  SetColours
};

// The message of each refused step, as the user reads it.
const char* ScreenFailureText(ScreenStep step);

class ScreenRefused : public PlayerError {
 public:
  explicit ScreenRefused(ScreenStep step) : PlayerError(ScreenFailureText(step)), step_(step) {}
  ScreenStep Step() const { return step_; }

 private:
  ScreenStep step_;
};

// A screen a program takes whole. EnterMode refuses a size it does not
// offer (SetMode); the first colours after it can be refused as MakeColours
// or AttachColours, later ones as SetColours.
class FullScreenDisplay : public Screen {
 public:
  // False when there is no display to take, which ends a playback without a word.
  virtual bool Open() = 0;
  // The sizes it offers, in its own order.
  virtual std::vector<ModeSize> Modes() = 0;
};

// The nine sizes a full screen offers, smallest first; "Force Mode" numbers them from 0.
const std::vector<ModeSize>& StandardModes();

}  // namespace kt
