// The encoders behind the conversion: each takes the frames as palette
// indices with their colours and writes one format through an output file.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "colour/base_palette.h"
#include "convert/convert.h"
#include "convert/output_file.h"
#include "flic/flic_writer.h"

namespace kt {

// What every frame of one conversion shares.
struct AnimationLayout {
  int width = 0;
  int height = 0;
  int frames = 0;
  int threads = 1;               // encoding frames at once; the output is the same for any number
  std::optional<int> quality;    // video's constant rate factor
  std::array<bool, 256> used{};  // the indices some frame shows (and the transparent one); none known when all false
  // How often each index is drawn anew: in how many frames, and on how many
  // pixels (all of the first frame's). All 0 when not known.
  std::array<uint32_t, 256> drawnIn{};
  std::array<uint64_t, 256> drawn{};
  uint32_t delayMs = 0;
  std::optional<uint8_t> transparent;
  int plays = 0;                // 0 forever
  bool paletteChanges = false;  // not every frame has the first one's colours
  int colourCount = 256;        // 1 + the highest index any frame uses (or the transparent one)
  // Each frame's own time in ms, when the frames differ; empty: every frame lasts delayMs.
  std::vector<uint32_t> durationsMs;
  // Frames come as true colour (AnimationFrame::argb), every pixel to be
  // kept: only the formats of more than 256 colours are given them.
  bool trueColour = false;
};

struct AnimationFrame {
  const uint8_t* indices = nullptr;      // width x height, top row first, no padding
  const BasePalette* colours = nullptr;  // as shown: brightness and contrast applied
  int index = 0;                         // place in the output, from 0
  int flicFrame = 0;                     // number in the flic
  const uint32_t* argb = nullptr;        // 0xFFRRGGBB instead of indices and colours when layout.trueColour
};

// 0xAARRGGBB of the pixel as it is to be seen; 0 where it is transparent.
inline uint32_t ShownArgb(const AnimationFrame& frame, const AnimationLayout& layout, uint8_t index) {
  if (layout.transparent && *layout.transparent == index) return 0;
  const RgbColour& c = (*frame.colours)[index];
  return 0xFF000000u | (uint32_t{c.red} << 16) | (uint32_t{c.green} << 8) | c.blue;
}

// The frame's pixels as they are to be seen, 0xAARRGGBB, into `out`.
inline void ShownPixels(const AnimationFrame& frame, const AnimationLayout& layout, std::vector<uint32_t>& out) {
  const size_t pixels = static_cast<size_t>(layout.width) * layout.height;
  if (layout.trueColour) {
    out.assign(frame.argb, frame.argb + pixels);
    return;
  }
  uint32_t argb[256];
  for (int i = 0; i < 256; ++i) argb[i] = ShownArgb(frame, layout, static_cast<uint8_t>(i));
  out.resize(pixels);
  for (size_t i = 0; i < pixels; ++i) out[i] = argb[frame.indices[i]];
}

// Where frame `index` starts, in ms from the first; index == frames gives the
// animation's whole length. Sums the durations before it when they differ.
uint64_t FrameStartMs(const AnimationLayout& layout, int index);

// Frame `index`'s time in units of `unitMs`: each frame's end is rounded to
// the nearest unit, so rounding is carried on and the total stays exact.
uint32_t FrameUnits(const AnimationLayout& layout, int index, uint32_t unitMs);

// The smallest rectangle holding every pixel that differs between two
// pictures of 0xAARRGGBB; width 0 when none does.
struct PixelRect {
  int left = 0, top = 0, width = 0, height = 0;
};
inline PixelRect ChangedPixels(const uint32_t* now, const uint32_t* before, int width, int height) {
  int left = width, right = -1, top = height, bottom = -1;
  for (int y = 0; y < height; ++y) {
    const uint32_t* a = now + static_cast<size_t>(y) * width;
    const uint32_t* b = before + static_cast<size_t>(y) * width;
    if (std::memcmp(a, b, sizeof(uint32_t) * width) == 0) continue;
    int x = 0;
    while (a[x] == b[x]) ++x;
    int xr = width - 1;
    while (a[xr] == b[xr]) --xr;
    left = std::min(left, x);
    right = std::max(right, xr);
    top = std::min(top, y);
    bottom = y;
  }
  if (right < 0) return PixelRect{};
  return PixelRect{left, top, right - left + 1, bottom - top + 1};
}

class AnimationWriter {
 public:
  virtual ~AnimationWriter() = default;
  virtual void Add(const AnimationFrame& frame) = 0;
  // Writes what is still held; the output file is committed by the caller.
  virtual void Finish() = 0;
};

// `target` names the file in messages.
std::unique_ptr<AnimationWriter> MakeGifWriter(OutputFile& file, const AnimationLayout& layout);
std::unique_ptr<AnimationWriter> MakeWebPWriter(OutputFile& file, const AnimationLayout& layout);
// A one-frame PNG, or an animated one.
std::unique_ptr<AnimationWriter> MakePngWriter(OutputFile& file, const AnimationLayout& layout);
std::unique_ptr<AnimationWriter> MakeApngWriter(OutputFile& file, const AnimationLayout& layout);
std::unique_ptr<AnimationWriter> MakeVideoWriter(OutputFile& file, const AnimationLayout& layout,
                                                 AnimationFormat format);
// One PNG file per frame, named by `pattern` and the flic's frame number.
std::unique_ptr<AnimationWriter> MakePngSeriesWriter(const std::string& pattern, const AnimationLayout& layout,
                                                     std::vector<std::unique_ptr<OutputFile>>& files);

// How a flic is written: FLC or FLI, the frames' own indices kept as they
// are or chosen by the writer, and what a re-encoded flic keeps of its source.
struct FlicOutput {
  FlicKind kind = FlicKind::Flc;
  bool fixedPalette = false;
  FlicKeptBytes kept;
};
std::unique_ptr<AnimationWriter> MakeFlicWriter(OutputFile& file, const AnimationLayout& layout,
                                                const FlicOutput& output);

// Writes one frame as a palette PNG (tRNS for the transparent index).
void WritePalettePng(OutputFile& file, const AnimationFrame& frame, const AnimationLayout& layout);

}  // namespace kt
