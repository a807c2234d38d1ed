// Animated PNG, its chunks put together here and each frame's pixels
// deflated by zlib. Every later frame is the rectangle that changed, drawn
// over the frame before and replacing it (no disposal, no blending), so any
// decoder that follows the format shows each frame whole: the shortcuts of
// disposing to the background and blending were what left transparent holes
// in browsers. The rectangles are deflated on several threads at once and
// written in order, so the file is the same whatever their number.
#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "convert/animation_writer.h"
#include "convert/frame_jobs.h"

namespace kt {
namespace {

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

class ApngWriter : public AnimationWriter {
 public:
  ApngWriter(OutputFile& file, const AnimationLayout& layout)
      : file_(file),
        layout_(layout),
        pixels_(static_cast<size_t>(layout.width) * layout.height),
        jobs_(layout.threads) {
    // One palette serves every frame, so a flic whose colours change is
    // written in full colour.
    bytesPerPixel_ = layout.trueColour ? 3 : !layout.paletteChanges ? 1 : layout.transparent ? 4 : 3;
    canvas_.assign(pixels_, 0);
  }

  void Add(const AnimationFrame& frame) override {
    if (frame.index == 0) Start(frame);
    ShownPixels(frame, layout_, shown_);
    const PixelRect r = frame.index == 0 ? PixelRect{0, 0, layout_.width, layout_.height} : ChangedRect();
    canvas_.swap(shown_);

    // Each row: the filter byte (none; flat flic colours gain nothing from
    // prediction), then the pixels.
    auto rows = std::make_shared<std::vector<uint8_t>>();
    rows->reserve(static_cast<size_t>(r.height) * (1 + static_cast<size_t>(r.width) * bytesPerPixel_));
    for (int y = r.top; y < r.top + r.height; ++y) {
      rows->push_back(0);
      const size_t at = static_cast<size_t>(y) * layout_.width + r.left;
      if (bytesPerPixel_ == 1) {
        rows->insert(rows->end(), frame.indices + at, frame.indices + at + r.width);
        continue;
      }
      for (int x = 0; x < r.width; ++x) {
        const uint32_t c = canvas_[at + x];
        rows->push_back(static_cast<uint8_t>(c >> 16));
        rows->push_back(static_cast<uint8_t>(c >> 8));
        rows->push_back(static_cast<uint8_t>(c));
        if (bytesPerPixel_ == 4) rows->push_back(static_cast<uint8_t>(c >> 24));
      }
    }
    auto packed = std::make_shared<std::vector<uint8_t>>();
    const int index = frame.index;
    jobs_.Submit([rows, packed] { Deflate(*rows, *packed); },
                 [this, r, index, packed] { WriteFrame(r, index, *packed); });
  }

  void Finish() override {
    jobs_.Drain();
    WriteChunk("IEND", {});
    file_.Check();
  }

 private:
  void Start(const AnimationFrame& frame) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Write(kSignature, sizeof kSignature);
    std::vector<uint8_t> header;
    PutU32(header, static_cast<uint32_t>(layout_.width));
    PutU32(header, static_cast<uint32_t>(layout_.height));
    const uint8_t colourType = bytesPerPixel_ == 1 ? 3 : bytesPerPixel_ == 3 ? 2 : 6;
    header.insert(header.end(), {8, colourType, 0, 0, 0});
    WriteChunk("IHDR", header);
    if (bytesPerPixel_ == 1) {
      std::vector<uint8_t> palette;
      for (int i = 0; i < layout_.colourCount; ++i) {
        const RgbColour& c = (*frame.colours)[static_cast<size_t>(i)];
        palette.insert(palette.end(), {c.red, c.green, c.blue});
      }
      WriteChunk("PLTE", palette);
      if (layout_.transparent) {
        std::vector<uint8_t> alpha(*layout_.transparent + size_t{1}, 255);
        alpha.back() = 0;
        WriteChunk("tRNS", alpha);
      }
    }
    std::vector<uint8_t> control;
    PutU32(control, static_cast<uint32_t>(layout_.frames));
    PutU32(control, static_cast<uint32_t>(layout_.plays));
    WriteChunk("acTL", control);
  }

  PixelRect ChangedRect() const {
    const PixelRect r = ChangedPixels(shown_.data(), canvas_.data(), layout_.width, layout_.height);
    return r.width == 0 ? PixelRect{0, 0, 1, 1} : r;  // nothing changed; a frame still needs a pixel
  }

  static void Deflate(const std::vector<uint8_t>& in, std::vector<uint8_t>& out) {
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, 15, 9, Z_DEFAULT_STRATEGY) != Z_OK) throw ConvertError("out of memory");
    out.resize(deflateBound(&z, in.size()));
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int status = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (status != Z_STREAM_END) throw ConvertError("PNG encoder: deflate failed");
  }

  void WriteFrame(const PixelRect& r, int index, const std::vector<uint8_t>& packed) {
    std::vector<uint8_t> control;
    PutU32(control, sequence_++);
    for (int value : {r.width, r.height, r.left, r.top}) PutU32(control, static_cast<uint32_t>(value));
    // The delay as a fraction of a second: milliseconds over 1000. "No
    // delay" becomes the shortest that still keeps the frames apart.
    const uint32_t delay = std::clamp<uint32_t>(FrameUnits(layout_, index, 1), 1, 65535);
    control.insert(control.end(), {static_cast<uint8_t>(delay >> 8), static_cast<uint8_t>(delay), 1000 >> 8,
                                   1000 & 0xFF, 0 /* no disposal */, 0 /* replace, no blending */});
    WriteChunk("fcTL", control);
    // Chunks stay well below the format's 2 GiB limit.
    constexpr size_t kPart = size_t{1} << 24;
    for (size_t at = 0; at < packed.size() || at == 0; at += kPart) {
      const size_t count = std::min(kPart, packed.size() - at);
      std::vector<uint8_t> data;
      if (index > 0) PutU32(data, sequence_++);
      data.insert(data.end(), packed.begin() + static_cast<ptrdiff_t>(at),
                  packed.begin() + static_cast<ptrdiff_t>(at + count));
      WriteChunk(index == 0 ? "IDAT" : "fdAT", data);
      if (packed.empty()) break;
    }
  }

  void WriteChunk(const char* type, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> head;
    PutU32(head, static_cast<uint32_t>(data.size()));
    head.insert(head.end(), type, type + 4);
    uLong crc = crc32(0, head.data() + 4, 4);
    crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
    std::vector<uint8_t> tail;
    PutU32(tail, static_cast<uint32_t>(crc));
    Write(head.data(), head.size());
    Write(data.data(), data.size());
    Write(tail.data(), tail.size());
  }

  void Write(const void* bytes, size_t count) {
    if (!file_.Write(bytes, count)) file_.Check();
  }

  OutputFile& file_;
  AnimationLayout layout_;
  size_t pixels_;
  int bytesPerPixel_ = 1;
  std::vector<uint32_t> canvas_;  // what a viewer shows after the frames given
  std::vector<uint32_t> shown_;
  uint32_t sequence_ = 0;
  FrameJobs jobs_;  // last: its threads stop before what they write to goes
};

}  // namespace

std::unique_ptr<AnimationWriter> MakeApngWriter(OutputFile& file, const AnimationLayout& layout) {
  return std::make_unique<ApngWriter>(file, layout);
}

}  // namespace kt
