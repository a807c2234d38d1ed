// MP4 and WebM through FFmpeg's libraries: libavcodec's H.264 (libx264) and
// VP9 (libvpx) encoders, libavformat's muxers. Time is counted in
// milliseconds, so every frame starts where frames x delay says.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>

#include "convert/animation_writer.h"

namespace kt {
namespace {

std::string AvErrorText(int error) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(error, text, sizeof text);
  return text;
}

class AvWriter : public AnimationWriter {
 public:
  AvWriter(OutputFile& file, const AnimationLayout& layout, AnimationFormat format) : file_(file), layout_(layout) {
    // Frames must follow one another in time; "no delay" becomes the
    // shortest the millisecond clock can say.
    delay_ = std::max<uint32_t>(layout.delayMs, 1);
    // The encoders' statistics would bury the tool's own lines; their errors still show.
    av_log_set_level(AV_LOG_ERROR);
    const char* muxer = format == AnimationFormat::Mp4 ? "mp4" : "webm";
    Check(avformat_alloc_output_context2(&mux_, nullptr, muxer, nullptr), "cannot set up the container");

    const AVCodec* codec = nullptr;
    if (format == AnimationFormat::Mp4) codec = avcodec_find_encoder_by_name("libx264");
    if (format == AnimationFormat::WebM) codec = avcodec_find_encoder_by_name("libvpx-vp9");
    if (codec == nullptr) file_.Fail(std::string("this FFmpeg has no encoder for ") + FormatLabel(format));
    encoder_ = avcodec_alloc_context3(codec);
    stream_ = avformat_new_stream(mux_, nullptr);
    frame_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (encoder_ == nullptr || stream_ == nullptr || frame_ == nullptr || packet_ == nullptr)
      file_.Fail("out of memory");

    // H.264 in 4:2:0 wants even sides, and its cropping works in steps of
    // two: an odd side gets one more row or column, a copy of the last.
    codedWidth_ = layout.width;
    codedHeight_ = layout.height;
    if (format == AnimationFormat::Mp4) {
      codedWidth_ += layout.width % 2;
      codedHeight_ += layout.height % 2;
    }
    encoder_->width = codedWidth_;
    encoder_->height = codedHeight_;
    encoder_->time_base = AVRational{1, 1000};
    encoder_->framerate = AVRational{1000, static_cast<int>(delay_)};
    encoder_->sample_aspect_ratio = AVRational{1, 1};
    AVDictionary* options = nullptr;
    encoder_->pix_fmt = AV_PIX_FMT_YUV420P;
    encoder_->colorspace = AVCOL_SPC_BT709;
    encoder_->color_primaries = AVCOL_PRI_BT709;
    encoder_->color_trc = AVCOL_TRC_BT709;
    encoder_->color_range = AVCOL_RANGE_MPEG;
    encoder_->gop_size = 250;
    // Lower is better and larger; H.264 goes to 51, VP9 to 63.
    const int crf = std::min(layout.quality.value_or(format == AnimationFormat::Mp4 ? 18 : 24),
                             format == AnimationFormat::Mp4 ? 51 : 63);
    if (format == AnimationFormat::Mp4) {
      av_dict_set(&options, "preset", "medium", 0);
      av_dict_set_int(&options, "crf", crf, 0);
    } else {
      av_dict_set_int(&options, "crf", crf, 0);
      av_dict_set(&options, "b", "0", 0);
      av_dict_set(&options, "deadline", "good", 0);
      av_dict_set(&options, "cpu-used", "4", 0);
      av_dict_set(&options, "row-mt", "1", 0);
    }
    if (mux_->oformat->flags & AVFMT_GLOBALHEADER) encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    const int opened = avcodec_open2(encoder_, codec, &options);
    av_dict_free(&options);
    Check(opened, "cannot start the encoder");
    Check(avcodec_parameters_from_context(stream_->codecpar, encoder_), "cannot set up the stream");
    stream_->time_base = encoder_->time_base;

    frame_->format = encoder_->pix_fmt;
    frame_->width = codedWidth_;
    frame_->height = codedHeight_;
    Check(av_frame_get_buffer(frame_, 0), "out of memory");
    rgb_.resize(static_cast<size_t>(codedWidth_) * codedHeight_ * 3);
    sws_ = sws_getContext(codedWidth_, codedHeight_, AV_PIX_FMT_RGB24, codedWidth_, codedHeight_, AV_PIX_FMT_YUV420P,
                          SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP, nullptr, nullptr, nullptr);
    if (sws_ == nullptr) file_.Fail("cannot set up the colour conversion");
    sws_setColorspaceDetails(sws_, sws_getCoefficients(SWS_CS_ITU709), 1, sws_getCoefficients(SWS_CS_ITU709), 0, 0,
                             1 << 16, 1 << 16);

    AVDictionary* muxOptions = nullptr;
    if (format == AnimationFormat::Mp4) av_dict_set(&muxOptions, "movflags", "+faststart", 0);
    // Through libavformat's own file, so the MP4 muxer can read back what it
    // wrote when it moves the index to the front.
    mux_->url = av_strdup(file_.TemporaryPath().c_str());
    Check(avio_open(&mux_->pb, file_.TemporaryPath().c_str(), AVIO_FLAG_WRITE), "cannot open");
    const int header = avformat_write_header(mux_, &muxOptions);
    av_dict_free(&muxOptions);
    Check(header, "cannot write the header");
  }

  ~AvWriter() override {
    sws_freeContext(sws_);
    av_packet_free(&packet_);
    av_frame_free(&frame_);
    avcodec_free_context(&encoder_);
    if (mux_ != nullptr) {
      if (mux_->pb != nullptr) avio_closep(&mux_->pb);
      avformat_free_context(mux_);
    }
  }

  void Add(const AnimationFrame& frame) override {
    Check(av_frame_make_writable(frame_), "out of memory");
    FillRgb(frame);
    const uint8_t* planes[1] = {rgb_.data()};
    const int strides[1] = {codedWidth_ * 3};
    sws_scale(sws_, planes, strides, 0, codedHeight_, frame_->data, frame_->linesize);
    // Frames follow one another by at least a millisecond.
    frame_->pts = std::max(static_cast<int64_t>(FrameStartMs(layout_, frame.index)), lastPts_ + 1);
    lastPts_ = frame_->pts;
    Send(frame_);
  }

  void Finish() override {
    Send(nullptr);
    const int trailer = av_write_trailer(mux_);
    const int closed = avio_closep(&mux_->pb);
    Check(trailer, "cannot finish the file");
    Check(closed, "cannot finish the file");
  }

 private:
  void Check(int status, const char* what) {
    if (status >= 0) return;
    file_.Check();
    file_.Fail(std::string(what) + ": " + AvErrorText(status));
  }

  // The frame in RGB, an odd side made even by repeating the last row or column.
  void FillRgb(const AnimationFrame& frame) {
    uint8_t* to = rgb_.data();
    for (int y = 0; y < codedHeight_; ++y) {
      const size_t at = static_cast<size_t>(std::min(y, layout_.height - 1)) * layout_.width;
      if (layout_.trueColour) {
        const uint32_t* row = frame.argb + at;
        for (int x = 0; x < codedWidth_; ++x) {
          const uint32_t c = row[std::min(x, layout_.width - 1)];
          *to++ = static_cast<uint8_t>(c >> 16);
          *to++ = static_cast<uint8_t>(c >> 8);
          *to++ = static_cast<uint8_t>(c);
        }
        continue;
      }
      const uint8_t* row = frame.indices + at;
      for (int x = 0; x < codedWidth_; ++x) {
        const RgbColour& c = (*frame.colours)[row[std::min(x, layout_.width - 1)]];
        *to++ = c.red;
        *to++ = c.green;
        *to++ = c.blue;
      }
    }
  }

  void Send(AVFrame* frame) {
    Check(avcodec_send_frame(encoder_, frame), "the encoder failed");
    for (;;) {
      const int received = avcodec_receive_packet(encoder_, packet_);
      if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return;
      Check(received, "the encoder failed");
      packet_->duration = delay_;
      av_packet_rescale_ts(packet_, encoder_->time_base, stream_->time_base);
      packet_->stream_index = stream_->index;
      Check(av_interleaved_write_frame(mux_, packet_), "cannot write");
    }
  }

  OutputFile& file_;
  AnimationLayout layout_;
  uint32_t delay_ = 1;
  int64_t lastPts_ = -1;
  int codedWidth_ = 0;
  int codedHeight_ = 0;
  AVFormatContext* mux_ = nullptr;
  AVCodecContext* encoder_ = nullptr;
  AVStream* stream_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVPacket* packet_ = nullptr;
  SwsContext* sws_ = nullptr;
  std::vector<uint8_t> rgb_;
};

}  // namespace

std::unique_ptr<AnimationWriter> MakeSinglePngWriter(OutputFile& file, const AnimationLayout& layout);

std::unique_ptr<AnimationWriter> MakePngWriter(OutputFile& file, const AnimationLayout& layout) {
  if (layout.frames == 1) return MakeSinglePngWriter(file, layout);
  return MakeApngWriter(file, layout);
}

std::unique_ptr<AnimationWriter> MakeVideoWriter(OutputFile& file, const AnimationLayout& layout,
                                                 AnimationFormat format) {
  return std::make_unique<AvWriter>(file, layout, format);
}

}  // namespace kt
