// The pictures a conversion reads, one frame at a time, from a flic, a GIF,
// a PNG or animated PNG, an animated WebP, numbered PNG or BMP frames, or a
// video. Only the frame being handed over is held, so an animation of any
// length converts in the memory of a few frames. A conversion reads its
// input twice (once to learn the colours and times, once to write), so a
// source is opened anew for each pass.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "colour/base_palette.h"
#include "colour/palette_adjustment.h"
#include "flic/flic_header.h"
#include "flic/frame_store.h"

namespace kt {

// One whole picture as it is to be seen, in one of two forms.
struct SourceFrame {
  // Indexed: every pixel an index into `palette`, all opaque (a flic's frames).
  const uint8_t* indices = nullptr;
  const BasePalette* palette = nullptr;
  // Otherwise 0xAARRGGBB per pixel, top row first. `table`, when not empty,
  // is the colour table the frame was drawn from, in its order, so that a
  // frame whose colours are all in it keeps its indices.
  const uint32_t* argb = nullptr;
  std::vector<uint32_t> table;
  uint32_t durationMs = 0;
  // A fault that left the picture usable (part of a chunk cut off); empty
  // when the frame is sound.
  std::string damage;
};

class FrameSource {
 public:
  virtual ~FrameSource() = default;
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The frames a flic's header declares; 0 for inputs that declare none.
  int DeclaredFrames() const { return declaredFrames_; }
  // Whether every frame comes as true colour that a format of more than 256
  // colours is to keep exactly (a 15, 16 or 24-bit flic's).
  bool TrueColour() const { return trueColour_; }
  // The next frame, or false after the last. The frame's pointers stay valid
  // until the next call. Raises ConvertError naming the input for a frame
  // that cannot be read.
  virtual bool Next(SourceFrame& frame) = 0;

 protected:
  int width_ = 0;
  int height_ = 0;
  int declaredFrames_ = 0;
  bool trueColour_ = false;
};

// What a flic input is shown with: its colours as brightness and contrast make them.
struct SourceSettings {
  PaletteAdjustment adjustment;
};

// Opens `input`, its kind told by its first bytes (a flic, GIF or WebP) and
// otherwise by FFmpeg (PNG, animated PNG, BMP, any video; a name with a %d
// is a numbered series). Raises ConvertError "INPUT: reason".
std::unique_ptr<FrameSource> OpenFrameSource(const std::string& input, const SourceSettings& settings);

// A flic already read into memory: frames 0 to header.frames - 1 of the store.
std::unique_ptr<FrameSource> MakeStoredFlicSource(const FlicHeader& header, const FrameStore& store,
                                                  const SourceSettings& settings);

// The sources behind OpenFrameSource, each raising ConvertError for input it
// cannot read.
std::unique_ptr<FrameSource> OpenFlicSource(const std::string& input, const SourceSettings& settings);
std::unique_ptr<FrameSource> OpenGifSource(const std::string& input);
std::unique_ptr<FrameSource> OpenWebPSource(const std::string& input);
std::unique_ptr<FrameSource> OpenAvSource(const std::string& input);

}  // namespace kt
