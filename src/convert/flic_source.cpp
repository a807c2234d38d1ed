// A flic as a frame source: each frame read from the file (or taken from a
// store already in memory), decoded onto the picture as playback does, and
// released before the next, so nothing but one frame's chunks is held.
#include <algorithm>
#include <array>
#include <optional>

#include "base/errors.h"
#include "colour/display_palette.h"
#include "convert/convert.h"
#include "convert/frame_source.h"
#include "flic/frame_decoder.h"
#include "flic/frame_reader.h"
#include "flic/true_colour_decoder.h"
#include "platform/path_lookup.h"
#include "platform/regular_file.h"

namespace kt {
namespace {

// Decoder reports of a damaged frame, kept as the first one's text.
class DamageEvents : public DecodeEvents {
 public:
  int frame = 0;
  std::string first;
  void UnknownChunk(uint16_t type) override {
    Note("frame " + std::to_string(frame) + ": unknown chunk type " + std::to_string(type));
  }
  void DataClipped(int chunkIndex, uint16_t type) override {
    Note("frame " + std::to_string(frame) + ": chunk " + std::to_string(chunkIndex) + " (type " + std::to_string(type) +
         ") reaches outside the picture, the palette or its own data");
  }

 private:
  void Note(const std::string& text) {
    if (first.empty()) first = text;
  }
};

// The colours as shown, made again only when the flic's palette changed:
// the exact rounding of brightness and contrast costs more than a frame.
class ShownColours {
 public:
  explicit ShownColours(const PaletteAdjustment& adjustment) : adjustment_(adjustment) {}
  const BasePalette& For(const BasePalette& base) {
    if (made_ && base == base_) return shown_;
    DisplayPalette display;
    BuildPalette(base, adjustment_, display);
    for (size_t i = 0; i < shown_.size(); ++i) {
      const RgbQuad& q = display.colourTable[i];
      shown_[i] = RgbColour{q.rgbRed, q.rgbGreen, q.rgbBlue};
    }
    base_ = base;
    made_ = true;
    return shown_;
  }

 private:
  PaletteAdjustment adjustment_;
  bool made_ = false;
  BasePalette base_{};
  BasePalette shown_{};
};

// Brightness and contrast on each channel of a true-colour picture, by the
// palette's own rounding; nothing is done when they leave every value alone.
class ShownChannels {
 public:
  explicit ShownChannels(const PaletteAdjustment& adjustment) {
    for (int v = 0; v < 256; ++v) {
      table_[v] = AdjustedChannel(static_cast<uint8_t>(v), adjustment.ContrastFactor, adjustment.BrightnessOffset);
      identity_ = identity_ && table_[v] == v;
    }
  }
  void Apply(std::vector<uint32_t>& argb) const {
    if (identity_) return;
    for (uint32_t& c : argb) {
      c = 0xFF000000u | (uint32_t{table_[(c >> 16) & 0xFF]} << 16) | (uint32_t{table_[(c >> 8) & 0xFF]} << 8) |
          table_[c & 0xFF];
    }
  }

 private:
  std::array<uint8_t, 256> table_{};
  bool identity_ = true;
};

class FlicSource : public FrameSource {
 public:
  FlicSource(const FlicHeader& header, std::string name, const SourceSettings& settings)
      : header_(header), name_(std::move(name)), colours_(settings.adjustment), channels_(settings.adjustment) {
    width_ = header.width;
    height_ = header.height;
    declaredFrames_ = header.frames;
    trueColour_ = header.IsTrueColour();
    const size_t count = static_cast<size_t>(width_) * height_;
    pixels_.assign(count * header.BytesPerPixel(), 0);
    target_.pixels = pixels_.data();
    target_.width = header.width;
    target_.height = header.height;
    target_.palette = &palette_;
    if (trueColour_) {
      deep_ = TrueColourTarget{pixels_.data(), header.width, header.height, header.pixelBits};
      argb_.assign(count, 0);
    }
  }

  bool Next(SourceFrame& frame) override {
    // The ring frame is frame 0 again and not needed.
    if (next_ >= header_.frames) return false;
    const int f = next_++;
    events_.frame = f;
    events_.first.clear();
    try {
      const FrameSlot& slot = Slot(f);
      events_.first = skippedChunks_;
      if (trueColour_) {
        DecodeTrueColourFrame(slot, deep_, events_);
      } else {
        DecodeFrame(slot, target_, events_);
      }
    } catch (const OutOfMemoryError&) {
      Release(f);
      throw ConvertError(name_ + ": out of memory");
    } catch (const PlayerError& error) {
      Release(f);
      throw ConvertError(name_ + " is damaged: frame " + std::to_string(f) + ": " + error.what());
    }
    Release(f);
    frame = SourceFrame{};
    if (trueColour_) {
      TrueColourToArgb32(pixels_.data(), static_cast<uint32_t>(argb_.size()), deep_.pixelBits, argb_.data());
      channels_.Apply(argb_);
      frame.argb = argb_.data();
    } else {
      frame.indices = pixels_.data();
      frame.palette = &colours_.For(palette_);
    }
    frame.durationMs = header_.DelayMs();
    frame.damage = events_.first;
    return true;
  }

 protected:
  // Frame f's chunks, read when needed; raises the player's errors.
  virtual const FrameSlot& Slot(int f) = 0;
  virtual void Release(int /*f*/) {}

  FlicHeader header_;
  std::string name_;
  // Set by Slot for a frame whose damaged chunk ended it: what came before
  // still decodes, and the damage is the frame's to report.
  std::string skippedChunks_;

 private:
  int next_ = 0;
  std::vector<uint8_t> pixels_;
  BasePalette palette_{};
  FrameTarget target_;
  DamageEvents events_;
  ShownColours colours_;
  // A 15, 16 or 24-bit flic's picture as stored, and as colours.
  TrueColourTarget deep_;
  std::vector<uint32_t> argb_;
  ShownChannels channels_;
};

class FileFlicSource : public FlicSource {
 public:
  FileFlicSource(FlicFile file, const FlicHeader& header, const std::string& name, const SourceSettings& settings)
      : FlicSource(header, name, settings), file_(std::move(file)) {}
  ~FileFlicSource() override { store_.Clear(); }

 private:
  const FrameSlot& Slot(int f) override {
    ReadFrame(file_, header_, store_, f, ReadMode::ChunkByChunk, &skippedChunks_);
    return store_.Slot(f);
  }
  void Release(int f) override { FreeFrameChunks(store_, f); }

  FlicFile file_;
  FrameStore store_;
};

class StoredFlicSource : public FlicSource {
 public:
  StoredFlicSource(const FlicHeader& header, const FrameStore& store, const SourceSettings& settings)
      : FlicSource(header, "", settings), store_(store) {}

 private:
  const FrameSlot& Slot(int f) override { return store_.Slot(f); }
  const FrameStore& store_;
};

}  // namespace

std::unique_ptr<FrameSource> OpenFlicSource(const std::string& input, const SourceSettings& settings) {
  OrWhyNot<OpenedFlic> opened = OpenFlic(input);
  if (!opened) {
    const std::optional<std::string> kind = NotRegularFileKind(FindPathIgnoringCase(input));
    throw ConvertError(input + (kind ? " is " + *kind + ", not a flic file" : ": " + std::string(kLoadErrorText)));
  }
  try {
    CheckFlicIsPlayable(opened->header, true);
  } catch (const PlayerError& error) {
    throw ConvertError(input + " is damaged: " + error.what());
  }
  return std::make_unique<FileFlicSource>(std::move(opened->file), opened->header, input, settings);
}

std::unique_ptr<FrameSource> MakeStoredFlicSource(const FlicHeader& header, const FrameStore& store,
                                                  const SourceSettings& settings) {
  return std::make_unique<StoredFlicSource>(header, store, settings);
}

}  // namespace kt
