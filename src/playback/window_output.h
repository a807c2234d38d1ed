// Frames in the movie window. A playback decodes into an 8-bit bitmap whose
// rows are padded to 4 bytes and whose colour table holds the shown
// colours; each frame is copied to the window one to one when the window's
// client area has the flic's size, stretched over it otherwise. After the
// loop the last frame goes into the window's own picture, where it stays.
#pragma once

#include <QImage>
#include <cstdint>
#include <memory>

#include "colour/colour_state.h"
#include "platform/qt/qt_palette_installer.h"
#include "playback/frame_canvas.h"
#include "playback/frame_output.h"

namespace kt {

// The rows of an 8-bit bitmap start at multiples of 4 bytes.
inline constexpr int DibStride(int width) { return width % 4 == 0 ? width : width + 4 - width % 4; }

class WindowOutput : public FrameOutput {
 public:
  // The movie window and the palettes outlive this. The palette installer
  // lives here for the whole run, also between playbacks.
  WindowOutput(FrameCanvas& movie, const ColourState& colour);
  ~WindowOutput() override;

  void PrepareFrameBuffer(uint16_t width, uint16_t height) override;
  // Throws OutOfMemoryError when the bitmap cannot be made.
  void CreateFrameBitmap() override;
  uint8_t* FrameBuffer() override;
  void CopyRows() override;
  void PaintFrame() override;
  void PaintFinalFrame() override;
  void TearDown() override;
  // Frames are painted synchronously; the window system shows them at its next turn.
  void Flush() override {}
  PaletteInstaller& Palettes() override { return palettes_; }

  QtPaletteInstaller& QtPalettes() { return palettes_; }
  // The bitmap of the running playback; null between playbacks.
  const QImage* FrameDib() const { return frameDib_.get(); }

 private:
  bool ClientHasFlicSize() const;
  void ReleaseBitmap();

  FrameCanvas& movie_;
  const ColourState& colour_;
  QtPaletteInstaller palettes_;
  uint16_t width_ = 0;
  uint16_t height_ = 0;
  std::unique_ptr<QImage> frameDib_;
  uint8_t* dibBits_ = nullptr;
  QImage* priorBitmap_ = nullptr;
  // The decoder's own block when the rows need padding; the bitmap's bits otherwise.
  std::unique_ptr<uint8_t[]> separateBuffer_;
  bool framePending_ = false;  // decoded or being decoded, not yet painted
};

}  // namespace kt
