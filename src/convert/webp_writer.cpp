// Lossless animated WebP through libwebp's WebPAnimEncoder, which finds the
// changed rectangle and the blending of each frame itself. Timestamps are in
// milliseconds, the format's own unit, so the timing is exact.
#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>

#include "convert/animation_writer.h"

namespace kt {
namespace {

// Lossless effort 0 (fastest) to 9 (smallest): flic frames are flat
// colour, where the low levels already find nearly everything.
constexpr int kLosslessLevel = 2;

class WebPWriter : public AnimationWriter {
 public:
  WebPWriter(OutputFile& file, const AnimationLayout& layout) : file_(file), layout_(layout) {
    WebPAnimEncoderOptions options;
    if (!WebPAnimEncoderOptionsInit(&options)) file_.Fail("this libwebp does not match its headers");
    options.anim_params.loop_count = std::min(layout.plays, 65535);
    options.anim_params.bgcolor = 0;
    options.allow_mixed = 0;
    encoder_ = WebPAnimEncoderNew(layout.width, layout.height, &options);
    if (encoder_ == nullptr) file_.Fail("out of memory");
    if (!WebPConfigInit(&config_) || !WebPConfigLosslessPreset(&config_, kLosslessLevel)) {
      file_.Fail("this libwebp does not match its headers");
    }
    config_.thread_level = 1;
  }

  ~WebPWriter() override { WebPAnimEncoderDelete(encoder_); }

  void Add(const AnimationFrame& frame) override {
    WebPPicture picture;
    WebPPictureInit(&picture);
    picture.use_argb = 1;
    picture.width = layout_.width;
    picture.height = layout_.height;
    if (!WebPPictureAlloc(&picture)) file_.Fail("out of memory");
    uint32_t argb[256];
    for (int i = 0; i < 256 && !layout_.trueColour; ++i) argb[i] = ShownArgb(frame, layout_, static_cast<uint8_t>(i));
    for (int y = 0; y < layout_.height; ++y) {
      uint32_t* row = picture.argb + static_cast<ptrdiff_t>(y) * picture.argb_stride;
      const size_t at = static_cast<size_t>(y) * layout_.width;
      if (layout_.trueColour) {
        std::copy_n(frame.argb + at, layout_.width, row);
        continue;
      }
      const uint8_t* from = frame.indices + at;
      for (int x = 0; x < layout_.width; ++x) row[x] = argb[from[x]];
    }
    const bool added = WebPAnimEncoderAdd(encoder_, &picture, Timestamp(frame.index), &config_);
    WebPPictureFree(&picture);
    if (!added) file_.Fail(std::string("WebP encoder: ") + WebPAnimEncoderGetError(encoder_));
  }

  void Finish() override {
    // The end time gives the last frame its duration.
    if (!WebPAnimEncoderAdd(encoder_, nullptr, Timestamp(layout_.frames), nullptr)) {
      file_.Fail(std::string("WebP encoder: ") + WebPAnimEncoderGetError(encoder_));
    }
    WebPData data;
    WebPDataInit(&data);
    if (!WebPAnimEncoderAssemble(encoder_, &data)) {
      file_.Fail(std::string("WebP encoder: ") + WebPAnimEncoderGetError(encoder_));
    }
    const bool written = file_.Write(data.bytes, data.size);
    WebPDataClear(&data);
    if (!written) file_.Check();
  }

 private:
  int Timestamp(int frames) const { return static_cast<int>(FrameStartMs(layout_, frames)); }

  OutputFile& file_;
  AnimationLayout layout_;
  WebPAnimEncoder* encoder_ = nullptr;
  WebPConfig config_;
};

}  // namespace

std::unique_ptr<AnimationWriter> MakeWebPWriter(OutputFile& file, const AnimationLayout& layout) {
  return std::make_unique<WebPWriter>(file, layout);
}

}  // namespace kt
