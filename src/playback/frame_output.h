// Where the play command puts decoded frames: window output, and the seams
// of full-screen output and the sound that accompanies a playback.
#pragma once

#include <cstdint>
#include <string>

#include "colour/palette_installer.h"

namespace kt {

// Window output: the frame bitmap the decoder writes into and its copies to
// the movie window. Created at the start of each playback, released at its end.
class FrameOutput {
 public:
  virtual ~FrameOutput() = default;
  // The separate frame buffer for widths that are not a multiple of 4, and the bitmap header.
  virtual void PrepareFrameBuffer(uint16_t width, uint16_t height) = 0;
  // The frame bitmap and the context holding it.
  virtual void CreateFrameBitmap() = 0;
  // width x height bytes, rows of exactly width bytes: the decoder's target.
  virtual uint8_t* FrameBuffer() = 0;
  // After each decode: the rows into the bitmap, when they are not the same memory.
  virtual void CopyRows() = 0;
  virtual void PaintFrame() = 0;
  // After the loop: the last frame into the movie window's own picture, so it stays.
  virtual void PaintFinalFrame() = 0;
  // Gives back the palettes' prior selections and releases bitmap and buffers.
  virtual void TearDown() = 0;
  // Flushes drawing queued for the screen (the per-frame flush of the platform that needs it).
  virtual void Flush() {}
  virtual PaletteInstaller& Palettes() = 0;
};

// Full-screen output in an 8-bit mode (playback/full_screen_output.h). This
// base is the stand-in while there is no movie window to show it in: a
// playback with "Play in Direct-X mode" checked then uses window output.
class FullScreenOutput {
 public:
  virtual ~FullScreenOutput() = default;
  virtual bool Available() const { return false; }
  // False when the display gave no object: the playback ends at once, without a message.
  virtual bool SetUp() { return true; }
  virtual void ShowFrame() {}
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
