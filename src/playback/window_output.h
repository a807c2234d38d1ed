// Frames in the movie window. A playback decodes into a buffer of its own;
// each frame goes to the window's placement of the screen, which shows it
// one to one or stretched. After the loop the last frame stays as the
// window's own picture.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "colour/colour_state.h"
#include "platform/screen.h"
#include "playback/frame_output.h"
#include "playback/true_colour_shown.h"

namespace kt {

class WindowOutput : public FrameOutput {
 public:
  // The movie window and the colours outlive this.
  WindowOutput(Screen& movie, const ColourState& colour);
  ~WindowOutput() override;

  void PrepareFrameBuffer(uint16_t width, uint16_t height, uint8_t pixelBits) override;
  // Throws OutOfMemoryError when the buffer cannot be made.
  void CreateFrameBitmap() override;
  uint8_t* FrameBuffer() override;
  void Changed(std::optional<ChangedLines> lines) override;
  ScreenFrame Picture() override;
  void PaintFrame() override;
  void PaintFinalFrame() override;
  void TearDown() override;
  void SetColours(const ScreenColours& colours) override;
  void SetLevels(const ChannelLevels& levels) override;

 private:
  // The window takes the playback's size and the colours not yet sent.
  void Enter();
  void LeaveScreen();

  Screen& movie_;
  const ColourState& colour_;
  uint16_t width_ = 0;
  uint16_t height_ = 0;
  uint8_t pixelBits_ = 8;
  std::unique_ptr<uint8_t[]> buffer_;
  // True colour: the buffer as shown, and how it is turned into that.
  std::vector<uint32_t> shown_;
  TrueColourShown trueColour_;
  ScreenColours colours_{};
  bool coloursPending_ = false;
  bool entered_ = false;
  bool framePending_ = false;  // decoded or being decoded, not yet painted
  // The lines changed since the last picture; none: all of them.
  std::optional<ChangedLines> unshown_;
};

}  // namespace kt
