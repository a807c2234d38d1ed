// Where the play command puts decoded frames: window output, and the seams
// of full-screen output and the sound that accompanies a playback.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "colour/display_palette.h"
#include "platform/screen.h"

namespace kt {

// The colours a screen shows for a colour table.
inline ScreenColours ToScreenColours(const ColourTable& table) {
  ScreenColours colours{};
  for (size_t i = 0; i < table.size(); ++i) {
    colours[i] = 0xFF000000u | (static_cast<uint32_t>(table[i].rgbRed) << 16) |
                 (static_cast<uint32_t>(table[i].rgbGreen) << 8) | table[i].rgbBlue;
  }
  return colours;
}

// Window output: the frame buffer the decoder writes into, shown in the
// movie window. Made at the start of each playback, released at its end.
class FrameOutput {
 public:
  virtual ~FrameOutput() = default;
  // Frames of `pixelBits` pixels: 8 (palette indices) or 15, 16, 24 (true
  // colour as the flic stores it).
  virtual void PrepareFrameBuffer(uint16_t width, uint16_t height, uint8_t pixelBits) = 0;
  // The buffer, zeroed; the movie window takes the playback's size and colours.
  virtual void CreateFrameBitmap() = 0;
  // width x height pixels, rows with no padding: the decoder's target.
  virtual uint8_t* FrameBuffer() = 0;
  // The decoder changed `lines` of the buffer; none: any line, as a rebuilt
  // frame may have.
  virtual void Changed(std::optional<ChangedLines> /*lines*/) {}
  // The buffer as a screen takes it, a true-colour one converted through the
  // levels now, with the lines changed since the last picture; no pixels
  // between playbacks.
  virtual ScreenFrame Picture() = 0;
  virtual void PaintFrame() = 0;
  // After the loop: the last frame stays as the movie window's own picture.
  virtual void PaintFinalFrame() = 0;
  virtual void TearDown() = 0;
  // The colours of the frames from now on.
  virtual void SetColours(const ScreenColours& colours) = 0;
  // A true-colour playback's brightness and contrast from now on, shown as
  // SetColours shows new colours.
  virtual void SetLevels(const ChannelLevels& /*levels*/) {}
};

// Full-screen output (playback/full_screen_output.h). This base is the
// stand-in while there is no movie window to show it in: a playback with
// "Play in Direct-X mode" checked then uses window output.
class FullScreenOutput {
 public:
  virtual ~FullScreenOutput() = default;
  virtual bool Available() const { return false; }
  // False when there was no display to take: the playback ends at once, without a message.
  virtual bool SetUp() { return true; }
  virtual void ShowFrame(const ScreenFrame& /*frame*/) {}
  // Between the set-up and the tear-down the colours reach the screen;
  // throws ScreenRefused when it refuses them.
  virtual void SetColours(const ScreenColours& /*colours*/) {}
  // Releases whatever exists, also after a set-up that failed half way.
  virtual void TearDown() {}
};

// The WAV file that accompanies a playback.
class SoundAccompaniment {
 public:
  virtual ~SoundAccompaniment() = default;
  virtual void Open(const std::string& /*wavFileName*/) {}
  virtual void RestartSound() {}
  virtual void Close() {}
};

}  // namespace kt
