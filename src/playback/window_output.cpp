#include "playback/window_output.h"

#include <cstring>
#include <new>

#include "base/errors.h"

namespace kt {

WindowOutput::WindowOutput(FrameCanvas& movie, const ColourState& colour) : movie_(movie), colour_(colour) {
  // Colours that change while a frame is being made show with that frame's
  // paint; any other change (a bar moved while paused) shows at once.
  palettes_.SetColourTableListener([this](const ColourTable& table) { movie_.SetFrameColours(table, !framePending_); });
}

WindowOutput::~WindowOutput() {
  if (frameDib_) TearDown();
}

void WindowOutput::PrepareFrameBuffer(uint16_t width, uint16_t height) {
  width_ = width;
  height_ = height;
  separateBuffer_.reset();
  if (width % 4 != 0) {
    // Zeroed, so a flic that starts with a delta shows colour 0, not leftover memory.
    const size_t size = static_cast<size_t>(width) * height;
    separateBuffer_.reset(new (std::nothrow) uint8_t[size]());
    if (!separateBuffer_) throw OutOfMemoryError();
  }
}

void WindowOutput::CreateFrameBitmap() {
  // A bitmap left from a set-up that never reached its tear-down goes first,
  // so nothing keeps pointing at it.
  ReleaseBitmap();
  auto dib = std::make_unique<QImage>(width_, height_, QImage::Format_Indexed8);
  if (dib->isNull()) throw OutOfMemoryError();
  // The colours are those the table holds from before; the pixels start at
  // index 0, as a fresh bitmap section's do. The row padding too: fill()
  // would leave it as the allocator gave it.
  dib->setColorTable(ToQtColourTable(colour_.Display.colourTable));
  movie_.SetFrameColours(colour_.Display.colourTable);
  std::memset(dib->bits(), 0, static_cast<size_t>(dib->sizeInBytes()));
  Q_ASSERT(dib->bytesPerLine() == DibStride(width_));
  dibBits_ = dib->bits();
  frameDib_ = std::move(dib);
  priorBitmap_ = palettes_.SelectFrameBitmap(frameDib_.get());
}

uint8_t* WindowOutput::FrameBuffer() {
  // The decoder asks for its target: a frame is on its way to the screen.
  framePending_ = true;
  return separateBuffer_ ? separateBuffer_.get() : dibBits_;
}

void WindowOutput::CopyRows() {
  if (!separateBuffer_ || dibBits_ == nullptr) return;
  const int stride = DibStride(width_);
  for (int row = 0; row < height_; ++row) {
    std::memcpy(dibBits_ + static_cast<size_t>(row) * stride, separateBuffer_.get() + static_cast<size_t>(row) * width_,
                width_);
  }
}

bool WindowOutput::ClientHasFlicSize() const { return movie_.CanvasSize() == QSize(width_, height_); }

void WindowOutput::PaintFrame() {
  framePending_ = false;
  if (!frameDib_) return;
  palettes_.SelectPalette(PaletteContext::MovieWindow, colour_.Installed.CurrentPalette);
  movie_.PaintFrameNow(*frameDib_, ClientHasFlicSize());
}

void WindowOutput::PaintFinalFrame() {
  framePending_ = false;
  if (!frameDib_) return;
  palettes_.SelectPalette(PaletteContext::DisplayImage, colour_.Installed.CurrentPalette);
  movie_.PaintIntoPicture(*frameDib_, ClientHasFlicSize());
}

void WindowOutput::TearDown() {
  framePending_ = false;
  separateBuffer_.reset();
  ReleaseBitmap();
}

void WindowOutput::ReleaseBitmap() {
  if (!frameDib_) return;
  palettes_.SelectFrameBitmap(priorBitmap_);
  priorBitmap_ = nullptr;
  movie_.ReleaseFrame();
  frameDib_.reset();
  dibBits_ = nullptr;
}

}  // namespace kt
