// Gives every frame of a conversion its palette indices and colours. Frames
// of at most 256 colours keep them exactly (and their own indices where
// they came with a colour table); true-colour frames share one palette that
// libimagequant chooses from all of them (or one for each scene, where the
// scenes' own fit better); a palette the user fixes is taken
// as it is, each colour not in it replaced by the nearest one.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "colour/base_palette.h"
#include "convert/frame_source.h"

struct liq_image;

namespace kt {

// A palette the user gives: its first `count` entries are the colours.
struct FixedPalette {
  BasePalette colours{};
  int count = 256;
};

struct ColourOptions {
  RgbColour background{};               // what pixels less than half opaque show
  std::optional<uint8_t> key;           // or the index they are written as
  std::optional<FixedPalette> palette;  // every frame in these colours
  bool dither = false;                  // for true-colour frames only
  int colourBits = 8;                   // what the output keeps of each colour component
};

class FrameColours {
 public:
  FrameColours(const ColourOptions& options, int width, int height);
  ~FrameColours();
  FrameColours(const FrameColours&) = delete;
  FrameColours& operator=(const FrameColours&) = delete;

  // The first pass: learns what a shared palette needs from a frame that
  // has more colours than fit. False for such a frame (its indices come
  // only in the second pass); otherwise fills indices and colours.
  bool Learn(const SourceFrame& frame, std::vector<uint8_t>& indices, BasePalette& colours);
  // Between the passes: chooses the shared palette and starts over.
  void FinishLearning();
  // The second pass, frame by frame in the same order.
  void Map(const SourceFrame& frame, std::vector<uint8_t>& indices, BasePalette& colours);

  // Whether any frame was reduced to the shared palette.
  bool Reduces() const { return reduced_; }
  // Whether the reduced frames take a palette for each scene instead.
  bool ScenePalettes() const { return scenePalettes_; }

 private:
  bool Exact(const SourceFrame& frame, std::vector<uint8_t>& indices, BasePalette& colours);
  void ToFixed(const SourceFrame& frame, std::vector<uint8_t>& indices, BasePalette& colours);
  uint8_t Nearest(uint32_t rgb);
  uint32_t Shown(uint32_t argb) const;
  void Reduce(const SourceFrame& frame, std::vector<uint8_t>& indices, BasePalette& colours);
  void Restart();
  liq_image* Image(const SourceFrame& frame);
  bool Cut(const SourceFrame& frame);
  void EndScene();

  ColourOptions options_;
  int width_;
  int height_;
  int limit_;  // colours a frame may have: 255 when one index is the key
  // Colours given indices so far, kept from frame to frame while they fit,
  // so that frames of the same colours share one palette.
  std::unordered_map<uint32_t, uint8_t> known_;
  BasePalette running_{};
  int used_ = 0;
  std::unordered_map<uint32_t, uint8_t> nearest_;
  struct Quantiser;
  std::unique_ptr<Quantiser> quantiser_;
  bool reduced_ = false;
  std::vector<uint8_t> rgba_;
  // Scenes of the reduced frames: where the colours change at once, a
  // palette of the scene's own may fit it better than the shared one.
  struct Scene;
  std::vector<std::unique_ptr<Scene>> scenes_;  // each keeps its palette, not its frames' colours
  std::vector<uint32_t> coarse_, lastCoarse_;   // a reduced frame's colours in a few bins
  int reducedFrames_ = 0;                       // of this pass
  size_t scene_ = 0;                            // the second pass's
  bool scenePalettes_ = false;
};

}  // namespace kt
