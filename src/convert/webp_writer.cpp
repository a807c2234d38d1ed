// Lossless animated WebP. The first frame is whole; each later one is the
// rectangle that changed (its corner on even pixels, as the format wants),
// stored either as it is or with the unchanged pixels transparent and
// blended, whichever libwebp makes smaller. The rectangles are encoded on
// several threads and put together in order by libwebpmux, so the file is
// the same whatever their number. A frame that repeats the one before is
// joined to it, its time added. Times are in milliseconds, the format's own
// unit, so the timing is exact.
#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <utility>

#include "base/or_why_not.h"
#include "convert/animation_writer.h"
#include "convert/frame_jobs.h"

namespace kt {
namespace {

// Lossless effort 0 (fastest) to 9 (smallest): flic frames are flat
// colour, where the low levels already find nearly everything.
constexpr int kLosslessLevel = 2;

struct WebPWork {
  PixelRect rect;
  bool blendable = false;          // the sparse form may be tried
  int forms = 1;                   // to encode: 1 plain, 2 sparse, 3 both
  std::vector<uint32_t> plain;     // the rectangle's pixels
  std::vector<uint32_t> sparse;    // the same, unchanged pixels transparent
  std::vector<uint8_t> bitstream;  // the smaller once encoded
  bool blend = false;
  std::string error;
};

// One rectangle as a lossless WebP still.
OrWhyNot<std::vector<uint8_t>> EncodeRect(const std::vector<uint32_t>& pixels, int width, int height,
                                          const WebPConfig& config) {
  WebPPicture picture;
  WebPPictureInit(&picture);
  picture.use_argb = 1;
  picture.width = width;
  picture.height = height;
  if (!WebPPictureAlloc(&picture)) return WhyNot{"out of memory"};
  for (int y = 0; y < height; ++y) {
    std::copy_n(pixels.data() + static_cast<size_t>(y) * width, width,
                picture.argb + static_cast<ptrdiff_t>(y) * picture.argb_stride);
  }
  WebPMemoryWriter writer;
  WebPMemoryWriterInit(&writer);
  picture.writer = WebPMemoryWrite;
  picture.custom_ptr = &writer;
  OrWhyNot<std::vector<uint8_t>> bytes = WhyNot{};
  if (WebPEncode(&config, &picture)) {
    bytes = std::vector<uint8_t>(writer.mem, writer.mem + writer.size);
  } else {
    bytes = WhyNot{"cannot encode a frame (error " + std::to_string(picture.error_code) + ")"};
  }
  WebPMemoryWriterClear(&writer);
  WebPPictureFree(&picture);
  return bytes;
}

class WebPWriter : public AnimationWriter {
 public:
  WebPWriter(OutputFile& file, const AnimationLayout& layout)
      : file_(file),
        layout_(layout),
        pixels_(static_cast<size_t>(layout.width) * layout.height),
        mux_(WebPMuxNew()),
        jobs_(layout.threads) {
    if (mux_ == nullptr) file_.Fail("out of memory");
    if (!WebPConfigInit(&config_) || !WebPConfigLosslessPreset(&config_, kLosslessLevel)) {
      file_.Fail("this libwebp does not match its headers");
    }
    // Pixels that are transparent in the sparse form may take any colour.
    config_.exact = 0;
    canvas_.assign(pixels_, 0);
  }

  ~WebPWriter() override { WebPMuxDelete(mux_); }

  void Add(const AnimationFrame& frame) override {
    ShownPixels(frame, layout_, shown_);
    const uint32_t ms = layout_.durationsMs.empty() ? layout_.delayMs : layout_.durationsMs[frame.index];
    PixelRect r{0, 0, layout_.width, layout_.height};
    if (frame.index > 0) {
      r = ChangedPixels(shown_.data(), canvas_.data(), layout_.width, layout_.height);
      if (r.width == 0 && durations_.back() + ms < (1u << 24)) {
        durations_.back() += ms;
        return;
      }
      if (r.width == 0) r = PixelRect{0, 0, 1, 1};
      // The format places a frame on even pixels only.
      r.width += r.left & 1;
      r.height += r.top & 1;
      r.left &= ~1;
      r.top &= ~1;
    }
    auto work = std::make_shared<WebPWork>();
    work->rect = r;
    work->blendable = frame.index > 0;
    work->plain.resize(static_cast<size_t>(r.width) * r.height);
    if (work->blendable) work->sparse.resize(work->plain.size());
    size_t plainBreaks = 0, sparseBreaks = 0;
    for (int y = 0; y < r.height; ++y) {
      const size_t at = static_cast<size_t>(r.top + y) * layout_.width + r.left;
      const size_t to = static_cast<size_t>(y) * r.width;
      std::copy_n(shown_.data() + at, r.width, work->plain.data() + to);
      for (int x = 0; x < r.width && work->blendable; ++x) {
        const bool same = shown_[at + x] == canvas_[at + x];
        // Blending cannot make a pixel transparent again.
        if (!same && shown_[at + x] == 0) work->blendable = false;
        work->sparse[to + x] = same ? 0u : shown_[at + x];
        if (x > 0) {
          plainBreaks += work->plain[to + x] != work->plain[to + x - 1];
          sparseBreaks += work->sparse[to + x] != work->sparse[to + x - 1];
        }
      }
    }
    // Both forms are encoded only when neither has clearly fewer breaks
    // between runs of one colour, which is where the bytes go.
    work->forms = !work->blendable                     ? 1
                  : sparseBreaks * 5 < plainBreaks * 4 ? 2
                  : plainBreaks * 5 < sparseBreaks * 4 ? 1
                                                       : 3;
    canvas_.swap(shown_);
    durations_.push_back(ms);
    const size_t number = durations_.size() - 1;
    jobs_.Submit([work, config = config_] { Encode(*work, config); }, [this, work, number] { Deliver(*work, number); });
  }

  void Finish() override {
    jobs_.Drain();
    if (held_) Push(durations_.size() - 1);
    WebPMuxAnimParams params{0, std::min(layout_.plays, 65535)};
    if (WebPMuxSetCanvasSize(mux_, layout_.width, layout_.height) != WEBP_MUX_OK ||
        WebPMuxSetAnimationParams(mux_, &params) != WEBP_MUX_OK) {
      file_.Fail("WebP encoder: cannot set the canvas");
    }
    WebPData data;
    WebPDataInit(&data);
    if (WebPMuxAssemble(mux_, &data) != WEBP_MUX_OK) file_.Fail("WebP encoder: cannot put the frames together");
    const bool written = file_.Write(data.bytes, data.size);
    WebPDataClear(&data);
    if (!written) file_.Check();
  }

 private:
  static void Encode(WebPWork& work, const WebPConfig& config) {
    const PixelRect& r = work.rect;
    if (work.forms & 1) {
      OrWhyNot<std::vector<uint8_t>> plain = EncodeRect(work.plain, r.width, r.height, config);
      if (plain) work.bitstream = std::move(*plain);
      work.error = plain.Reason();
    }
    if ((work.forms & 2) && work.error.empty()) {
      OrWhyNot<std::vector<uint8_t>> sparse = EncodeRect(work.sparse, r.width, r.height, config);
      work.error = sparse.Reason();
      if (sparse && (work.forms == 2 || sparse->size() < work.bitstream.size())) {
        work.bitstream.swap(*sparse);
        work.blend = true;
      }
    }
    work.plain = {};
    work.sparse = {};
  }

  // Frame `number` is put in once the next has come: only then is its time,
  // with the repeats joined to it, known.
  void Deliver(WebPWork& work, size_t number) {
    if (!work.error.empty()) file_.Fail("WebP encoder: " + work.error);
    if (held_) Push(number - 1);
    held_ = std::make_unique<WebPWork>(std::move(work));
  }

  void Push(size_t number) {
    WebPMuxFrameInfo info{};
    info.bitstream.bytes = held_->bitstream.data();
    info.bitstream.size = held_->bitstream.size();
    info.x_offset = held_->rect.left;
    info.y_offset = held_->rect.top;
    info.duration = static_cast<int>(durations_[number]);
    info.id = WEBP_CHUNK_ANMF;
    info.dispose_method = WEBP_MUX_DISPOSE_NONE;
    info.blend_method = held_->blend ? WEBP_MUX_BLEND : WEBP_MUX_NO_BLEND;
    if (WebPMuxPushFrame(mux_, &info, 1) != WEBP_MUX_OK) file_.Fail("WebP encoder: out of memory");
    held_.reset();
  }

  OutputFile& file_;
  AnimationLayout layout_;
  size_t pixels_;
  WebPMux* mux_ = nullptr;
  WebPConfig config_;
  std::vector<uint32_t> canvas_;  // what a viewer shows after the frames given
  std::vector<uint32_t> shown_;
  std::vector<uint32_t> durations_;  // of each frame written, in ms
  std::unique_ptr<WebPWork> held_;   // delivered, its time not yet known
  FrameJobs jobs_;                   // last: its threads stop before what they use goes
};

}  // namespace

std::unique_ptr<AnimationWriter> MakeWebPWriter(OutputFile& file, const AnimationLayout& layout) {
  return std::make_unique<WebPWriter>(file, layout);
}

}  // namespace kt
