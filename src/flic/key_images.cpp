#include "flic/key_images.h"

#include <algorithm>
#include <cstring>

#include "flic/flic_header.h"
#include "flic/frame_decoder.h"
#include "flic/true_colour_decoder.h"

namespace kt {
namespace {

constexpr size_t kKeyOverhead = sizeof(BasePalette) + sizeof(std::bitset<768>);

size_t BytesPerPixel(uint8_t pixelBits) { return pixelBits == 24 ? 3 : (pixelBits == 8 ? 1 : 2); }

bool IsColourChunk(uint16_t type) { return type == COLOR_256 || type == COLOR_64; }

const uint8_t* Components(const BasePalette& palette) { return &palette[0].red; }
uint8_t* Components(BasePalette& palette) { return &palette[0].red; }
static_assert(sizeof(BasePalette) == 768, "the palette is read as 768 plain bytes");

}  // namespace

KeyImages::KeyImages(uint16_t width, uint16_t height, int32_t frames, size_t budgetBytes, uint8_t pixelBits)
    : width_(width),
      height_(height),
      pixelBits_(pixelBits),
      pictureBytes_(static_cast<size_t>(width) * height * BytesPerPixel(pixelBits)),
      frames_(std::max(frames, 0)),
      enabled_(budgetBytes > 0),
      offsets_(static_cast<size_t>(frames_) + 2, 0),
      wholePicture_(static_cast<size_t>(frames_) + 1, false),
      colours_(static_cast<size_t>(frames_) + 1) {
  const size_t perKey = pictureBytes_ + kKeyOverhead;
  const size_t fit = budgetBytes / perKey;
  if (fit > 0 && frames_ > 0) {
    const size_t interval = (static_cast<size_t>(frames_) + fit - 1) / fit;
    interval_ = static_cast<int32_t>(std::max<size_t>(interval, 1));
    keys_.resize((static_cast<size_t>(frames_) + interval_ - 1) / interval_);
  }
}

size_t KeyImages::BytesHeld() const {
  size_t bytes = 0;
  for (const Key& key : keys_) {
    if (key.pixels) bytes += pictureBytes_ + kKeyOverhead;
  }
  if (lowPicture_) bytes += pictureBytes_;
  if (highPicture_) bytes += pictureBytes_;
  for (const auto& colours : colours_) {
    if (colours) bytes += sizeof(Colours);
  }
  return bytes + offsets_.size() * sizeof(uint64_t) + colours_.size() * sizeof(colours_[0]) + wholePicture_.size() / 8;
}

void KeyImages::FrameRead(int32_t frame, uint64_t offset, uint64_t next) {
  if (frame < 0 || static_cast<size_t>(frame) + 1 >= offsets_.size()) return;
  offsets_[static_cast<size_t>(frame)] = offset + 1;
  offsets_[static_cast<size_t>(frame) + 1] = next + 1;
}

bool KeyImages::OffsetKnown(int32_t frame) const {
  return frame >= 0 && static_cast<size_t>(frame) < offsets_.size() && offsets_[static_cast<size_t>(frame)] != 0;
}

uint64_t KeyImages::Offset(int32_t frame) const { return offsets_.at(static_cast<size_t>(frame)) - 1; }

void KeyImages::StartChain() {
  lowPalette_.fill(RgbColour{0, 0, 0});
  highPalette_.fill(RgbColour{255, 255, 255});
  if (coveredFrame_ < 0 && pictureBytes_ > 0) {
    if (!lowPicture_) lowPicture_.reset(new uint8_t[pictureBytes_]);
    if (!highPicture_) highPicture_.reset(new uint8_t[pictureBytes_]);
    std::memset(lowPicture_.get(), 0x00, pictureBytes_);
    std::memset(highPicture_.get(), 0xFF, pictureBytes_);
  }
}

void KeyImages::TrackWrites(const FrameSlot& slot) {
  DecodeEvents quiet;
  if (pixelBits_ != 8) {
    // True colour has no palette to follow: once every pixel is written, nothing is left to learn.
    if (coveredFrame_ >= 0) return;
    DecodeTrueColourFrame(slot, {lowPicture_.get(), width_, height_, pixelBits_}, quiet);
    DecodeTrueColourFrame(slot, {highPicture_.get(), width_, height_, pixelBits_}, quiet);
    return;
  }
  FrameTarget low;
  FrameTarget high;
  low.width = high.width = width_;
  low.height = high.height = height_;
  low.palette = &lowPalette_;
  high.palette = &highPalette_;
  if (coveredFrame_ < 0) {
    low.pixels = lowPicture_.get();
    high.pixels = highPicture_.get();
    DecodeFrame(slot, low, quiet);
    DecodeFrame(slot, high, quiet);
    return;
  }
  // Every pixel is known to be written: only the colours are still followed.
  const int chunks = std::min<int>(slot.chunks, static_cast<int>(slot.chunkTable.size()));
  for (int j = 0; j < chunks; ++j) {
    const ChunkRef& chunk = slot.chunkTable[static_cast<size_t>(j)];
    if (!IsColourChunk(chunk.type)) continue;
    const uint32_t size = chunk.size >= kChunkHeaderSize ? chunk.DataSize() : 0;
    DecodeChunk(chunk.type, chunk.data.get(), size, low, quiet);
    DecodeChunk(chunk.type, chunk.data.get(), size, high, quiet);
  }
}

void KeyImages::FrameDecoded(int32_t frame, const FrameSlot& slot, const uint8_t* pixels, const BasePalette& palette,
                             bool whole) {
  const int chunks = std::min<int>(slot.chunks, static_cast<int>(slot.chunkTable.size()));
  const bool trueColour = pixelBits_ != 8;
  bool colour = false;
  bool paintsAll = false;
  for (int j = 0; j < chunks; ++j) {
    const uint16_t type = slot.chunkTable[static_cast<size_t>(j)].type;
    colour |= IsColourChunk(type) && !trueColour;
    paintsAll |= type == BLACK || type == BYTE_RUN || type == FLI_COPY;
    paintsAll |= trueColour && (type == DTA_BRUN || type == DTA_COPY);
  }
  // A BYTE_RUN (DTA_BRUN) ends each line only at the picture's width, and
  // FLI_COPY (DTA_COPY) always has a whole picture of data, so a frame with one
  // of them that lost no data has written every pixel; so has one with BLACK.
  if (frame >= 0 && frame < frames_) wholePicture_[static_cast<size_t>(frame)] = paintsAll && whole;

  if (frame == 0) {
    StartChain();
  } else if (!chainValid_ || frame != chainNext_) {
    chainValid_ = false;
    return;
  }
  chainValid_ = true;
  chainNext_ = frame + 1;
  maxChained_ = std::max(maxChained_, frame);

  for (int j = 0; j < chunks; ++j) {
    const uint16_t type = slot.chunkTable[static_cast<size_t>(j)].type;
    const bool known = trueColour ? IsKnownTrueColourChunkType(type) : IsKnownChunkType(type);
    if (!known && (firstUnknownFrame_ < 0 || frame < firstUnknownFrame_)) {
      firstUnknownFrame_ = frame;
    }
  }
  if (colour && (firstColourFrame_ < 0 || frame < firstColourFrame_)) firstColourFrame_ = frame;
  TrackWrites(slot);
  if (coveredFrame_ < 0 && pictureBytes_ > 0 &&
      std::memcmp(lowPicture_.get(), highPicture_.get(), pictureBytes_) == 0) {
    coveredFrame_ = frame;
    lowPicture_.reset();
    highPicture_.reset();
  }
  if (colour && frame < frames_ && !colours_[static_cast<size_t>(frame)]) {
    auto kept = std::make_unique<Colours>();
    kept->palette = palette;
    kept->set = SetComponents();
    colours_[static_cast<size_t>(frame)] = std::move(kept);
  }
  if (interval_ > 0 && frame < frames_ && frame % interval_ == 0 && Usable(frame)) TakeKey(frame, pixels, palette);
}

std::bitset<768> KeyImages::SetComponents() const {
  std::bitset<768> set;
  const uint8_t* low = Components(lowPalette_);
  const uint8_t* high = Components(highPalette_);
  for (size_t c = 0; c < 768; ++c) set[c] = low[c] == high[c];
  return set;
}

void KeyImages::TakeKey(int32_t frame, const uint8_t* pixels, const BasePalette& palette) {
  Key& key = keys_[static_cast<size_t>(frame / interval_)];
  // The frames before a key always leave the same state, so a key once taken stays.
  if (key.pixels) return;
  key.pixels.reset(new uint8_t[pictureBytes_]);
  std::memcpy(key.pixels.get(), pixels, pictureBytes_);
  key.palette = palette;
  key.set = SetComponents();
}

bool KeyImages::Usable(int32_t frame) const {
  return coveredFrame_ >= 0 && frame >= coveredFrame_ && (firstUnknownFrame_ < 0 || frame < firstUnknownFrame_);
}

KeyImages::Start KeyImages::PlanRebuild(int32_t last, bool fromDisk) const {
  Start best;
  if (!enabled_) return best;
  auto positioned = [&](int32_t frame) { return !fromDisk || OffsetKnown(frame + 1); };
  if (interval_ > 0 && last >= 0) {
    for (int32_t k = std::min(last, frames_ - 1) / interval_; k >= 0; --k) {
      const int32_t frame = k * interval_;
      if (keys_[static_cast<size_t>(k)].pixels && Usable(frame) && positioned(frame)) {
        best = {Start::Key, frame};
        break;
      }
    }
  }
  // A frame that paints the whole picture by itself needs no picture before it.
  if (maxChained_ >= 0) {
    for (int32_t frame = std::min(last, maxChained_); frame > best.frame + 1; --frame) {
      if (wholePicture_[static_cast<size_t>(frame)] && Usable(frame) && (!fromDisk || OffsetKnown(frame))) {
        best = {Start::WholePicture, frame - 1};
        break;
      }
    }
  }
  // Going on from the picture on screen decodes only toward the target.
  const int32_t current = chainNext_ - 1;
  if (chainValid_ && current <= last && current >= best.frame && Usable(current) && positioned(current)) {
    best = {Start::Current, current};
  }
  return best;
}

void KeyImages::RestoreColours(const BasePalette& kept, const std::bitset<768>& set, BasePalette& palette) {
  const uint8_t* from = Components(kept);
  uint8_t* shown = Components(palette);
  uint8_t* low = Components(lowPalette_);
  uint8_t* high = Components(highPalette_);
  for (size_t c = 0; c < 768; ++c) {
    if (set[c]) shown[c] = from[c];
    low[c] = set[c] ? from[c] : 0x00;
    high[c] = set[c] ? from[c] : 0xFF;
  }
}

void KeyImages::RestoreKey(int32_t frame, uint8_t* pixels, BasePalette& palette) {
  const Key& key = keys_.at(static_cast<size_t>(frame / interval_));
  std::memcpy(pixels, key.pixels.get(), pictureBytes_);
  RestoreColours(key.palette, key.set, palette);
  chainValid_ = true;
  chainNext_ = frame + 1;
}

void KeyImages::RestoreBefore(int32_t frame, BasePalette& palette) {
  // The colours stand as the last colour chunk before the frame left them.
  int32_t from = frame - 1;
  while (from >= 0 && !colours_[static_cast<size_t>(from)]) --from;
  if (from >= 0) {
    const Colours& kept = *colours_[static_cast<size_t>(from)];
    RestoreColours(kept.palette, kept.set, palette);
  } else {
    RestoreColours(palette, std::bitset<768>(), palette);
  }
  chainValid_ = true;
  chainNext_ = frame;
}

void RebuildThrough(KeyImages& keys, int32_t last, bool fromDisk, RebuildSteps& steps) {
  const KeyImages::Start start = keys.PlanRebuild(last, fromDisk);
  if (start.kind == KeyImages::Start::FrameZero) {
    steps.DecodeFrames(0, last);
    return;
  }
  if (start.kind == KeyImages::Start::Key) keys.RestoreKey(start.frame, steps.Pixels(), steps.Palette());
  if (start.kind == KeyImages::Start::WholePicture) keys.RestoreBefore(start.frame + 1, steps.Palette());
  if (fromDisk) steps.PositionAt(keys.Offset(start.frame + 1));
  steps.DecodeFrames(start.frame + 1, last);
  // The replay would have installed the palette at its last colour chunk;
  // the base palette is now what it was then.
  if (keys.ColourChunkBy(last)) steps.InstallPalette();
}

}  // namespace kt
