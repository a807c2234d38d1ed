// Full-screen output: each frame centred on a back buffer cleared to colour
// 0, optionally with the average frame rate in the top left corner, then
// flipped (or copied) to the screen, in an 8-bit display mode chosen to fit
// the flic or forced by the user. The set-up, frame step and tear-down run
// their display calls in a fixed order; each set-up call that fails ends the
// playback with its own message, after what was made so far is released.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "colour/colour_state.h"
#include "flic/flic_header.h"
#include "platform/direct_draw.h"
#include "playback/frame_output.h"
#include "playback/playback_state.h"

namespace kt {

inline constexpr const char* kCreateFailedText = "Failed to create IDirectDraw object";
inline constexpr const char* kCooperativeLevelFailedText = "Unable to acquire exclusive full-screen access";
inline constexpr const char* kEnumModesFailedText = "Unable to get modes";
inline constexpr const char* kFlicDoesNotFitText = "Flic doesn't fit in screen.";
inline constexpr const char* kSetDisplayModeFailedText = "Unable to set new display mode";
inline constexpr const char* kCreateSurfaceFailedText = "CreateSurface failed";
inline constexpr const char* kBackSurfaceFailedText = "Failed to get background surface";
inline constexpr const char* kCreatePaletteFailedText = "DirectDraw.CreatePalette failed";
inline constexpr const char* kSetPaletteFailedText = "Unable to assign DirectDraw palette";

inline constexpr size_t kDisplayModeListSize = 100;

struct ModeSize {
  uint32_t width = 0;
  uint32_t height = 0;
  bool operator==(const ModeSize&) const = default;
};

// The "Force Mode" item's mode; any other index gives 0 x 0, which no display takes.
ModeSize ForcedModeSize(int itemIndex);

// The first listed mode at least as wide and as high as the flic; none when nothing fits.
std::optional<ModeSize> ChooseDisplayMode(const std::vector<ModeSize>& modes, uint16_t width, uint16_t height);

// Where a w x h frame goes on a W x H mode: half the spare room, truncated
// towards zero, so a mode smaller than the frame shows the frame's middle.
struct Offset {
  int x = 0;
  int y = 0;
  bool operator==(const Offset&) const = default;
};
Offset CentringOffset(uint32_t modeWidth, uint32_t modeHeight, uint16_t width, uint16_t height);

// The frame-rate figure: frames per second since the start, rounded halves
// to even; none before the first frame is counted or while no time has passed.
std::optional<std::string> FullScreenFpsText(uint32_t elapsedMs, int32_t framesPlayed);

// The frame bitmap that stands in the memory context: the copy's source.
struct IndexedFrame {
  const uint8_t* bits = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;
};

// What full-screen output reads of the control panel and does to the windows.
class FullScreenHost {
 public:
  virtual ~FullScreenHost() = default;
  virtual bool AutoModeChecked() const = 0;  // "Select Mode Automatically"
  virtual int ForceModeIndex() const = 0;    // " Force Mode : "
  virtual bool ShowFpsChecked() const = 0;
  virtual bool OneSurfaceChecked() const = 0;
  virtual const void* ControlPanelHandle() const = 0;
  virtual IndexedFrame FrameBitmap() const = 0;
  // Where the palette steps send the full-screen entries; null: nowhere.
  virtual void ConnectPaletteEntries(std::function<bool(const PaletteEntries&)> setEntries) = 0;
  // The movie window without cursor, in the window system's full-screen
  // state (no border, over every desktop bar), in front with the keyboard.
  virtual void HideCursorCoverScreen() = 0;
  virtual void SetControlPanelVisible(bool visible) = 0;
  // The movie window's cursor, normal state, border and place back.
  virtual void RestoreMovieWindow() = 0;
  // The control panel's client height, then width, as they were at its creation.
  virtual void RestorePanelClientSize() = 0;
};

class DirectDrawFullScreen : public FullScreenOutput {
 public:
  DirectDrawFullScreen(dd::DirectDrawCreate create, FullScreenHost& host, PlaybackState& playback, ColourState& colour,
                       const FlicHeader& header, std::function<uint32_t()> tick);
  ~DirectDrawFullScreen() override;

  bool Available() const override { return true; }
  bool SetUp() override;
  void ShowFrame() override;
  void TearDown() override;

  // The mode of this playback and the list it was chosen from.
  ModeSize ScreenMode() const { return {screenModeWidth_, screenModeHeight_}; }
  const std::vector<ModeSize>& DisplayModeList() const { return displayModeList_; }

 private:
  bool RunSetUp();

  dd::DirectDrawCreate create_;
  FullScreenHost& host_;
  PlaybackState& playback_;
  ColourState& colour_;
  const FlicHeader& header_;
  std::function<uint32_t()> tick_;

  std::unique_ptr<dd::DirectDraw> directDraw_;
  dd::DirectDrawSurface* primary_ = nullptr;
  dd::DirectDrawSurface* back_ = nullptr;
  dd::DirectDrawPalette* palette_ = nullptr;
  uint32_t screenModeWidth_ = 0;
  uint32_t screenModeHeight_ = 0;
  std::vector<ModeSize> displayModeList_;
  bool paletteConnected_ = false;
  bool windowsChanged_ = false;
};

}  // namespace kt
