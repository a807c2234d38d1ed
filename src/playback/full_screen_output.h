// Full-screen output: each frame centred on a mode-size picture of colour
// 0 (black for true colour), optionally with the average frame rate in the top left corner, drawn
// behind and then flipped (or copied) to the screen, in a mode chosen to fit
// the flic or forced by the user. The set-up runs its steps in a fixed
// order; a step the display refuses ends the playback with its own message,
// after what was made so far is given back in the tear-down's order.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "colour/colour_state.h"
#include "flic/flic_header.h"
#include "platform/screen.h"
#include "playback/frame_output.h"
#include "playback/playback_state.h"

namespace kt {

inline constexpr size_t kDisplayModeListSize = 100;

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

// What full-screen output reads of the control panel and does to the windows.
class FullScreenHost {
 public:
  virtual ~FullScreenHost() = default;
  virtual bool AutoModeChecked() const = 0;  // "Select Mode Automatically"
  virtual int ForceModeIndex() const = 0;    // " Force Mode : "
  virtual bool ShowFpsChecked() const = 0;
  virtual bool OneSurfaceChecked() const = 0;
  // The movie window without cursor, in the window system's full-screen
  // state (no border, over every desktop bar), in front with the keyboard.
  virtual void HideCursorCoverScreen() = 0;
  virtual void SetControlPanelVisible(bool visible) = 0;
  // The movie window's cursor, normal state, border and place back.
  virtual void RestoreMovieWindow() = 0;
  // The control panel's client height, then width, as they were at its creation.
  virtual void RestorePanelClientSize() = 0;
};

class FullScreen : public FullScreenOutput {
 public:
  FullScreen(FullScreenDisplay& display, FullScreenHost& host, PlaybackState& playback, const ColourState& colour,
             const FlicHeader& header, std::function<uint32_t()> tick);
  ~FullScreen() override;

  bool Available() const override { return true; }
  bool SetUp() override;
  void ShowFrame(const ScreenFrame& frame) override;
  void SetColours(const ScreenColours& colours) override;
  void TearDown() override;

  // The mode of this playback and the list it was chosen from.
  ModeSize ScreenMode() const { return mode_; }
  const std::vector<ModeSize>& DisplayModeList() const { return displayModeList_; }

 private:
  bool RunSetUp();

  FullScreenDisplay& display_;
  FullScreenHost& host_;
  PlaybackState& playback_;
  const ColourState& colour_;
  const FlicHeader& header_;
  std::function<uint32_t()> tick_;

  ModeSize mode_;
  std::vector<ModeSize> displayModeList_;
  // The picture shown and the one drawn behind it, mode-size palette indices.
  std::vector<uint8_t> front_;
  std::vector<uint8_t> back_;
  // The frame's lines in which the picture behind lags the one in front;
  // none: the pictures are not drawn yet, the next frame is drawn whole.
  std::optional<ChangedLines> behind_;
  ScreenPixels drawnFormat_ = ScreenPixels::Indexed8;
  bool modeEntered_ = false;
  bool coloursConnected_ = false;
  bool windowsChanged_ = false;
};

}  // namespace kt
