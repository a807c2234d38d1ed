#include "convert/frame_colours.h"

#include <libimagequant.h>

#include <algorithm>
#include <unordered_set>

#include "convert/convert.h"

namespace kt {
namespace {

constexpr uint32_t kClear = 0;  // a pixel that takes the key index

uint32_t Rgb(const RgbColour& c) { return 0xFF000000u | (uint32_t{c.red} << 16) | (uint32_t{c.green} << 8) | c.blue; }
RgbColour Colour(uint32_t argb) {
  return {static_cast<uint8_t>(argb >> 16), static_cast<uint8_t>(argb >> 8), static_cast<uint8_t>(argb)};
}

}  // namespace

struct FrameColours::Quantiser {
  liq_attr* attr = liq_attr_create();
  liq_histogram* histogram = nullptr;
  liq_result* result = nullptr;
  BasePalette colours{};
  ~Quantiser() {
    if (result != nullptr) liq_result_destroy(result);
    if (histogram != nullptr) liq_histogram_destroy(histogram);
    liq_attr_destroy(attr);
  }
};

struct FrameColours::Scene {
  int first = 0;  // its first reduced frame
  int frames = 0;
  liq_histogram* histogram = nullptr;
  liq_result* result = nullptr;
  BasePalette colours{};
  ~Scene() {
    if (result != nullptr) liq_result_destroy(result);
    if (histogram != nullptr) liq_histogram_destroy(histogram);
  }
};

namespace {

// Scenes beyond this many share the last one's palette, so that a video of
// many cuts keeps a bounded number of palettes.
constexpr size_t kMaxScenes = 256;
// The share of a frame's pixels whose colours moved to other bins from the
// frame before, over which the frame starts a scene. A pan or a fade moves
// far fewer; a cut between unlike pictures moves most.
constexpr double kCutShare = 0.6;
// How much closer the scenes' own palettes must come than the shared one,
// in mean squared error, to be worth their palette changes.
constexpr double kSceneGain = 0.8;

}  // namespace

FrameColours::FrameColours(const ColourOptions& options, int width, int height)
    : options_(options), width_(width), height_(height), limit_(options.key ? 255 : 256) {
  quantiser_ = std::make_unique<Quantiser>();
  if (quantiser_->attr == nullptr) throw ConvertError("out of memory");
  liq_set_max_colors(quantiser_->attr, limit_);
  // Slower than the default by a little, for a visibly better palette.
  liq_set_speed(quantiser_->attr, 3);
  // A palette the output cannot keep in full is chosen in the colours it keeps.
  liq_set_min_posterization(quantiser_->attr, std::clamp(8 - options.colourBits, 0, 4));
  quantiser_->histogram = liq_histogram_create(quantiser_->attr);
}

FrameColours::~FrameColours() {
  scenes_.clear();  // before the attributes they were made with
}

uint32_t FrameColours::Shown(uint32_t argb) const {
  if ((argb >> 24) >= 128) return argb | 0xFF000000u;
  return options_.key ? kClear : Rgb(options_.background);
}

void FrameColours::Restart() {
  known_.clear();
  used_ = 0;
  running_ = BasePalette{};
}

bool FrameColours::Exact(const SourceFrame& frame, std::vector<uint8_t>& indices, BasePalette& colours) {
  const size_t pixels = static_cast<size_t>(width_) * height_;
  indices.resize(pixels);
  if (frame.indices != nullptr) {
    std::copy_n(frame.indices, pixels, indices.begin());
    colours = *frame.palette;
    return true;
  }
  const uint8_t key = options_.key.value_or(0);
  // A frame drawn from its own table keeps the table's indices.
  if (!frame.table.empty()) {
    std::unordered_map<uint32_t, uint8_t> place;
    for (size_t i = frame.table.size(); i-- > 0;) {
      if (!(options_.key && i == key)) place[frame.table[i] | 0xFF000000u] = static_cast<uint8_t>(i);
    }
    size_t p = 0;
    for (; p < pixels; ++p) {
      const uint32_t shown = Shown(frame.argb[p]);
      if (shown == kClear) {
        indices[p] = key;
        continue;
      }
      const auto found = place.find(shown);
      if (found == place.end() || (frame.table[found->second] >> 24) < 128) break;
      indices[p] = found->second;
    }
    if (p == pixels) {
      for (size_t i = 0; i < frame.table.size(); ++i) colours[i] = Colour(frame.table[i]);
      return true;
    }
  }
  // Otherwise colours keep the indices earlier frames gave them while they fit.
  std::unordered_set<uint32_t> fresh;
  for (size_t p = 0; p < pixels; ++p) {
    const uint32_t shown = Shown(frame.argb[p]);
    if (shown == kClear || known_.count(shown) != 0) continue;
    fresh.insert(shown);
    if (fresh.size() > static_cast<size_t>(limit_)) return false;
  }
  if (used_ + static_cast<int>(fresh.size()) > limit_) {
    // Too many for one palette with the earlier frames: this one starts a new one.
    Restart();
    fresh.clear();
    for (size_t p = 0; p < pixels; ++p) {
      const uint32_t shown = Shown(frame.argb[p]);
      if (shown != kClear) fresh.insert(shown);
      if (fresh.size() > static_cast<size_t>(limit_)) return false;
    }
  }
  // Sorted, so that both passes give the same indices.
  std::vector<uint32_t> added(fresh.begin(), fresh.end());
  std::sort(added.begin(), added.end());
  for (const uint32_t colour : added) {
    int index = used_++;
    if (options_.key && index >= key) ++index;
    known_[colour] = static_cast<uint8_t>(index);
    running_[static_cast<size_t>(index)] = Colour(colour);
  }
  for (size_t p = 0; p < pixels; ++p) {
    const uint32_t shown = Shown(frame.argb[p]);
    indices[p] = shown == kClear ? key : known_[shown];
  }
  colours = running_;
  return true;
}

uint8_t FrameColours::Nearest(uint32_t rgb) {
  const auto cached = nearest_.find(rgb);
  if (cached != nearest_.end()) return cached->second;
  const FixedPalette& fixed = *options_.palette;
  const RgbColour c = Colour(rgb);
  int best = -1;
  int bestDistance = 0;
  for (int i = 0; i < fixed.count; ++i) {
    if (options_.key && i == *options_.key) continue;
    const RgbColour& e = fixed.colours[static_cast<size_t>(i)];
    const int dr = c.red - e.red, dg = c.green - e.green, db = c.blue - e.blue;
    // Weighted as the eye weighs the three.
    const int distance = 3 * dr * dr + 6 * dg * dg + db * db;
    if (best < 0 || distance < bestDistance) {
      best = i;
      bestDistance = distance;
    }
  }
  const auto index = static_cast<uint8_t>(std::max(best, 0));
  if (nearest_.size() < (1u << 20)) nearest_.emplace(rgb, index);
  return index;
}

void FrameColours::ToFixed(const SourceFrame& frame, std::vector<uint8_t>& indices, BasePalette& colours) {
  const FixedPalette& fixed = *options_.palette;
  const size_t pixels = static_cast<size_t>(width_) * height_;
  indices.resize(pixels);
  colours = fixed.colours;
  if (frame.indices != nullptr) {
    // Indices whose colour is the fixed palette's at the same place stay.
    std::array<uint8_t, 256> map{};
    for (int i = 0; i < 256; ++i) {
      const RgbColour& c = (*frame.palette)[static_cast<size_t>(i)];
      const bool same = i < fixed.count && c == fixed.colours[static_cast<size_t>(i)];
      map[static_cast<size_t>(i)] = same ? static_cast<uint8_t>(i) : Nearest(Rgb(c));
    }
    for (size_t p = 0; p < pixels; ++p) indices[p] = map[frame.indices[p]];
    return;
  }
  std::unordered_map<uint32_t, uint8_t> place;
  for (size_t i = frame.table.size(); i-- > 0;) {
    const uint32_t c = frame.table[i] | 0xFF000000u;
    if (static_cast<int>(i) < fixed.count && Rgb(fixed.colours[i]) == c) place[c] = static_cast<uint8_t>(i);
  }
  for (size_t p = 0; p < pixels; ++p) {
    const uint32_t shown = Shown(frame.argb[p]);
    if (shown == kClear) {
      indices[p] = *options_.key;
      continue;
    }
    const auto found = place.find(shown);
    indices[p] = found != place.end() ? found->second : Nearest(shown);
  }
}

// The quantiser's picture of a frame, transparent pixels in the background
// colour (the key's are written over afterwards); rgba_ holds its pixels.
liq_image* FrameColours::Image(const SourceFrame& frame) {
  const size_t pixels = static_cast<size_t>(width_) * height_;
  rgba_.resize(pixels * 4);
  for (size_t p = 0; p < pixels; ++p) {
    uint32_t shown = Shown(frame.argb[p]);
    if (shown == kClear) shown = Rgb(options_.background);
    rgba_[p * 4] = static_cast<uint8_t>(shown >> 16);
    rgba_[p * 4 + 1] = static_cast<uint8_t>(shown >> 8);
    rgba_[p * 4 + 2] = static_cast<uint8_t>(shown);
    rgba_[p * 4 + 3] = 255;
  }
  liq_image* image = liq_image_create_rgba(quantiser_->attr, rgba_.data(), width_, height_, 0);
  if (image == nullptr) throw ConvertError("the colour quantiser cannot take the picture");
  return image;
}

bool FrameColours::Learn(const SourceFrame& frame, std::vector<uint8_t>& indices, BasePalette& colours) {
  if (options_.palette) {
    ToFixed(frame, indices, colours);
    return true;
  }
  if (Exact(frame, indices, colours)) return true;
  reduced_ = true;
  const bool cut = Cut(frame);
  if (scenes_.empty() || (cut && scenes_.size() < kMaxScenes)) {
    if (!scenes_.empty()) EndScene();
    scenes_.push_back(std::make_unique<Scene>());
    scenes_.back()->first = reducedFrames_;
    scenes_.back()->histogram = liq_histogram_create(quantiser_->attr);
    if (scenes_.back()->histogram == nullptr) throw ConvertError("out of memory");
  }
  ++scenes_.back()->frames;
  ++reducedFrames_;
  liq_image* image = Image(frame);
  liq_error added = liq_histogram_add_image(quantiser_->histogram, quantiser_->attr, image);
  if (added == LIQ_OK) added = liq_histogram_add_image(scenes_.back()->histogram, quantiser_->attr, image);
  liq_image_destroy(image);
  if (added != LIQ_OK) throw ConvertError("the colour quantiser failed");
  return false;
}

bool FrameColours::Cut(const SourceFrame& frame) {
  const size_t pixels = static_cast<size_t>(width_) * height_;
  coarse_.assign(512, 0);
  for (size_t p = 0; p < pixels; ++p) {
    const uint32_t c = frame.argb[p];
    ++coarse_[((c >> 15) & 0x1C0) | ((c >> 10) & 0x38) | ((c >> 5) & 0x7)];
  }
  uint64_t moved = 0;
  for (size_t i = 0; i < coarse_.size() && !lastCoarse_.empty(); ++i) {
    moved += coarse_[i] > lastCoarse_[i] ? coarse_[i] - lastCoarse_[i] : 0;
  }
  const bool cut = !lastCoarse_.empty() && static_cast<double>(moved) > kCutShare * static_cast<double>(pixels);
  coarse_.swap(lastCoarse_);
  return cut;
}

// A scene's palette is chosen when it ends, and its colours let go.
void FrameColours::EndScene() {
  Scene& scene = *scenes_.back();
  if (liq_histogram_quantize(scene.histogram, quantiser_->attr, &scene.result) != LIQ_OK) {
    throw ConvertError("the colour quantiser failed");
  }
  liq_histogram_destroy(scene.histogram);
  scene.histogram = nullptr;
}

void FrameColours::FinishLearning() {
  Restart();
  if (!reduced_) return;
  Quantiser& q = *quantiser_;
  if (liq_histogram_quantize(q.histogram, q.attr, &q.result) != LIQ_OK) {
    throw ConvertError("the colour quantiser failed");
  }
  const auto colours = [&](liq_result* result, BasePalette& into) {
    liq_set_dithering_level(result, options_.dither ? 1.0f : 0.0f);
    const liq_palette* palette = liq_get_palette(result);
    for (unsigned i = 0; i < palette->count; ++i) {
      unsigned index = i;
      if (options_.key && index >= *options_.key) ++index;
      into[index] = {palette->entries[i].r, palette->entries[i].g, palette->entries[i].b};
    }
  };
  colours(q.result, q.colours);
  EndScene();
  // The scenes' own palettes where they come closer to the pictures than the
  // shared one, by the quantiser's own measure over the same colours.
  double sceneError = 0;
  bool measured = scenes_.size() > 1;
  for (const auto& scene : scenes_) {
    const double error = liq_get_quantization_error(scene->result);
    measured = measured && error >= 0;
    sceneError += error * scene->frames;
  }
  const double sharedError = liq_get_quantization_error(q.result);
  scenePalettes_ = measured && sharedError > 0 && sceneError / reducedFrames_ < kSceneGain * sharedError;
  if (!scenePalettes_) scenes_.clear();
  for (const auto& scene : scenes_) colours(scene->result, scene->colours);
  reducedFrames_ = 0;
  scene_ = 0;
}

void FrameColours::Reduce(const SourceFrame& frame, std::vector<uint8_t>& indices, BasePalette& colours) {
  liq_image* image = Image(frame);
  const size_t pixels = static_cast<size_t>(width_) * height_;
  indices.resize(pixels);
  liq_result* result = quantiser_->result;
  const BasePalette* palette = &quantiser_->colours;
  if (scenePalettes_) {
    while (scene_ + 1 < scenes_.size() && scenes_[scene_ + 1]->first <= reducedFrames_) ++scene_;
    result = scenes_[scene_]->result;
    palette = &scenes_[scene_]->colours;
  }
  ++reducedFrames_;
  const liq_error written = liq_write_remapped_image(result, image, indices.data(), indices.size());
  liq_image_destroy(image);
  if (written != LIQ_OK) throw ConvertError("the colour quantiser failed");
  if (options_.key) {
    const uint8_t key = *options_.key;
    for (size_t p = 0; p < pixels; ++p) {
      if (Shown(frame.argb[p]) == kClear) {
        indices[p] = key;
      } else if (indices[p] >= key) {
        ++indices[p];
      }
    }
  }
  colours = *palette;
}

void FrameColours::Map(const SourceFrame& frame, std::vector<uint8_t>& indices, BasePalette& colours) {
  if (options_.palette) {
    ToFixed(frame, indices, colours);
  } else if (!Exact(frame, indices, colours)) {
    Reduce(frame, indices, colours);
  }
}

}  // namespace kt
