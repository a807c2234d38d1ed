#include "playback/window_output.h"

#include <algorithm>
#include <new>

#include "base/errors.h"

namespace kt {

WindowOutput::WindowOutput(Screen& movie, const ColourState& colour) : movie_(movie), colour_(colour) {}

WindowOutput::~WindowOutput() { TearDown(); }

void WindowOutput::PrepareFrameBuffer(uint16_t width, uint16_t height, uint8_t pixelBits) {
  width_ = width;
  height_ = height;
  pixelBits_ = pixelBits;
}

void WindowOutput::CreateFrameBitmap() {
  // What a set-up that never reached its tear-down left goes first, so the
  // window keeps pointing at nothing of it.
  LeaveScreen();
  buffer_.reset();
  shown_.clear();
  const size_t pixels = static_cast<size_t>(width_) * height_;
  const size_t bytes = pixelBits_ == 8 ? pixels : pixels * (pixelBits_ == 24 ? 3 : 2);
  // Zeroed, so a flic that starts with a delta shows colour 0, not leftover memory.
  buffer_.reset(new (std::nothrow) uint8_t[bytes]());
  if (!buffer_) throw OutOfMemoryError();
  colours_ = ToScreenColours(colour_.Display.colourTable);
  coloursPending_ = true;
  unshown_.reset();
  if (pixelBits_ != 8) {
    try {
      shown_.resize(pixels);
    } catch (const std::bad_alloc&) {
      buffer_.reset();
      throw OutOfMemoryError(pixels * 4);
    }
    trueColour_.SetLevels(pixelBits_, MakeChannelLevels(colour_.Adjustment));
  }
}

uint8_t* WindowOutput::FrameBuffer() {
  // The decoder asks for its target: a frame is on its way to the screen.
  framePending_ = true;
  return buffer_.get();
}

void WindowOutput::Changed(std::optional<ChangedLines> lines) {
  if (!lines) {
    unshown_.reset();
  } else if (unshown_) {
    unshown_->Add(*lines);
  }
}

ScreenFrame WindowOutput::Picture() {
  if (!buffer_) return {};
  const std::optional<ChangedLines> changed = unshown_;
  unshown_.emplace();
  if (pixelBits_ == 8) return {buffer_.get(), width_, height_, width_, ScreenPixels::Indexed8, {}, changed};
  // Only the lines that changed need their colours again.
  const ChangedLines all = ChangedLines::All(height_);
  const int top = std::clamp(changed.value_or(all).top, 0, static_cast<int>(height_));
  const int bottom = std::clamp(changed.value_or(all).bottom, top, static_cast<int>(height_));
  const size_t first = static_cast<size_t>(top) * width_;
  trueColour_.Convert(buffer_.get() + first * (pixelBits_ == 24 ? 3 : 2),
                      static_cast<uint32_t>(static_cast<size_t>(bottom - top) * width_), shown_.data() + first);
  return {
      reinterpret_cast<const uint8_t*>(shown_.data()), width_, height_, width_ * 4, ScreenPixels::Rgb32, {}, changed};
}

void WindowOutput::SetLevels(const ChannelLevels& levels) {
  if (pixelBits_ == 8) return;
  trueColour_.SetLevels(pixelBits_, levels);
  unshown_.reset();  // every pixel takes the new levels
  // As with colours: a paused frame shows its new levels at once.
  if (entered_ && !framePending_ && buffer_) movie_.ShowFrame(Picture());
}

void WindowOutput::SetColours(const ScreenColours& colours) {
  colours_ = colours;
  coloursPending_ = true;
  // Colours that change while a frame is being made show with that frame's
  // paint; any other change (a bar moved while paused) shows at once.
  if (entered_ && !framePending_) Enter();
}

void WindowOutput::Enter() {
  if (!entered_) {
    movie_.EnterMode({width_, height_});
    entered_ = true;
  }
  if (coloursPending_) {
    coloursPending_ = false;
    movie_.SetColours(colours_);
  }
}

void WindowOutput::PaintFrame() {
  framePending_ = false;
  if (!buffer_) return;
  Enter();
  movie_.ShowFrame(Picture());
}

void WindowOutput::PaintFinalFrame() {
  PaintFrame();
  LeaveScreen();
}

void WindowOutput::TearDown() {
  framePending_ = false;
  LeaveScreen();
  buffer_.reset();
  shown_.clear();
}

void WindowOutput::LeaveScreen() {
  if (!entered_) return;
  entered_ = false;
  movie_.Leave();
}

}  // namespace kt
