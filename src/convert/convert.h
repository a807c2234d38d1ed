// Turning an animation (a flic, GIF, PNG, WebP, numbered frames or a video)
// into another: GIF, animated PNG, WebP, MP4, WebM or numbered PNG frames.
// Every frame of the first pass, each pixel in the colour the export writes,
// and each frame's own time, rounded so that they add up in the format's unit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/errors.h"
#include "colour/base_palette.h"
#include "colour/palette_adjustment.h"
#include "flic/flic_header.h"
#include "flic/frame_store.h"

namespace kt {

enum class AnimationFormat { Gif, Png, WebP, Mp4, WebM, PngSeries, Flc, Fli };

// The format an output name asks for by its extension (any letter case); a
// name holding a printf-style number such as frame%04d.png is a series of
// PNG files. Raises ConvertError for any other name.
AnimationFormat FormatForOutput(const std::string& output);

// The file name of frame `number` of a series: the pattern's one %d, %5d or
// %05d replaced, %% taken as %. Raises ConvertError for any other pattern.
std::string PngSeriesName(const std::string& pattern, int number);

// "GIF", "animated PNG", ... for messages.
const char* FormatLabel(AnimationFormat format);

// The extensions taken, for help texts and save dialogs: ".gif .png .webp .mp4 .webm".
std::vector<std::string> OutputExtensions();

struct ConvertOptions {
  int scale = 1;  // each pixel becomes scale x scale pixels
  PaletteAdjustment adjustment;
  std::optional<uint32_t> delayMs;  // instead of the flic's own
  int firstFrame = 0;
  std::optional<int> lastFrame;        // inclusive; the flic's last frame when empty
  std::optional<uint8_t> transparent;  // this colour index shows as transparent
  int plays = 0;                       // how often the animation plays; 0 forever
  bool keepGoing = false;              // convert what decodes of a damaged input
  int threads = 0;                     // frames encoded at once; 0 one for each core
  std::optional<int> quality;          // video's constant rate factor, 0 best to 63; each codec's own when empty
  RgbColour background{};              // for pixels less than half opaque
  std::optional<uint8_t> key;          // write such pixels as this index instead
  // Every frame in these colours (the first `paletteCount`).
  std::optional<BasePalette> palette;
  int paletteCount = 256;
  bool dither = false;  // when true colour is reduced to 256
};

// A conversion that failed; the text names the file and the reason.
class ConvertError : public PlayerError {
 public:
  using PlayerError::PlayerError;
};

class ConvertCancelled : public ConvertError {
 public:
  ConvertCancelled() : ConvertError("cancelled") {}
};

// What a conversion tells whoever started it, and asks of it.
class ConvertObserver {
 public:
  virtual ~ConvertObserver() = default;
  // After each frame is handed to the encoder, and once more before the file
  // is finished (done == total).
  virtual void Progress(int /*done*/, int /*total*/) {}
  // Asked between frames; true ends the conversion with ConvertCancelled and
  // removes what was written.
  virtual bool Cancelled() { return false; }
};

struct ConvertReport {
  int frames = 0;      // frames written
  int flicFrames = 0;  // frames a flic input declares; 0 for other inputs
  // The first thing found wrong with a damaged input, for --keep-going's
  // note; empty for a sound one.
  std::string damage;
  bool reduced = false;  // true colour was reduced to a palette
  uint64_t bytes = 0;    // size of what was written
};

// Converts the animation at `input` into `output`, the format taken from its
// name. The input is read twice a frame at a time (to learn its colours and
// times, then to write), so it is never held whole. The file is written under
// a temporary name beside the target and renamed at the end, so a failure
// or a cancel leaves nothing behind. Damaged input raises ConvertError before
// anything is written, unless options.keepGoing, when the frames up to the
// damage are converted.
ConvertReport ConvertFile(const std::string& input, const std::string& output, const ConvertOptions& options,
                          ConvertObserver& observer);

// The same for a flic already held in memory: frames 0 to header.frames - 1
// of the store. `name` stands for the flic in messages.
ConvertReport ConvertFlicInMemory(const FlicHeader& header, const FrameStore& store, const std::string& name,
                                  const std::string& output, const ConvertOptions& options, ConvertObserver& observer);

// Frame i's share of a run of frames `delayMs` apart, in units of `unitMs`:
// each frame's end is rounded to the nearest unit (halves up), so the
// rounding is carried on and the first n frames last n x delay to a unit.
uint32_t FrameDurationInUnits(int index, uint32_t delayMs, uint32_t unitMs);

}  // namespace kt
