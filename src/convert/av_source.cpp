// Everything else FFmpeg opens as a frame source: PNG and animated PNG,
// BMP, numbered frames (frame%04d.png through the image2 reader), and any
// video. Each frame is handed on as FFmpeg decodes it; a palette picture's
// colour table comes with it so that its indices can be kept. One frame is
// read ahead, as a frame's time is where the next one starts.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <cstring>
#include <exception>

#include "convert/convert.h"
#include "convert/frame_source.h"

namespace kt {
namespace {

std::string AvReason(int error) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(error, text, sizeof text);
  return text;
}

class AvSource : public FrameSource {
 public:
  explicit AvSource(const std::string& input) : name_(input) {
    av_log_set_level(AV_LOG_QUIET);
    const AVInputFormat* format = input.find('%') != std::string::npos ? av_find_input_format("image2") : nullptr;
    int status = avformat_open_input(&demux_, input.c_str(), format, nullptr);
    if (status < 0) throw ConvertError(input + ": " + AvReason(status));
    status = avformat_find_stream_info(demux_, nullptr);
    if (status < 0) Fail(AvReason(status));
    const AVCodec* codec = nullptr;
    stream_ = av_find_best_stream(demux_, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (stream_ < 0 || codec == nullptr) Fail("no picture or video that can be read");
    decoder_ = avcodec_alloc_context3(codec);
    const AVStream* stream = demux_->streams[stream_];
    if (decoder_ == nullptr || avcodec_parameters_to_context(decoder_, stream->codecpar) < 0) Fail("out of memory");
    decoder_->thread_count = 0;
    status = avcodec_open2(decoder_, codec, nullptr);
    if (status < 0) Fail(AvReason(status));
    width_ = decoder_->width;
    height_ = decoder_->height;
    if (width_ <= 0 || height_ <= 0) Fail("the picture has no size");
    timeBase_ = stream->time_base;
    const AVRational rate = av_guess_frame_rate(demux_, demux_->streams[stream_], nullptr);
    fallbackMs_ = rate.num > 0 && rate.den > 0 ? std::max(1.0, std::round(1000.0 * rate.den / rate.num)) : 40;
    packet_ = av_packet_alloc();
    current_ = av_frame_alloc();
    ahead_ = av_frame_alloc();
    if (packet_ == nullptr || current_ == nullptr || ahead_ == nullptr) Fail("out of memory");
  }
  ~AvSource() override {
    sws_freeContext(sws_);
    av_frame_free(&current_);
    av_frame_free(&ahead_);
    av_packet_free(&packet_);
    avcodec_free_context(&decoder_);
    avformat_close_input(&demux_);
  }
  AvSource(const AvSource&) = delete;
  AvSource& operator=(const AvSource&) = delete;

  bool Next(SourceFrame& frame) override {
    if (!started_) {
      started_ = true;
      haveAhead_ = Decode(ahead_);
    }
    if (aheadFailed_) std::rethrow_exception(aheadFailed_);
    if (!haveAhead_) return false;
    std::swap(current_, ahead_);
    // Damage in the frame after this one is this one's end, not its loss:
    // it is raised when that frame is asked for.
    try {
      haveAhead_ = Decode(ahead_);
    } catch (const ConvertError&) {
      haveAhead_ = false;
      aheadFailed_ = std::current_exception();
    }
    if (current_->width != width_ || current_->height != height_) {
      Fail("frame " + std::to_string(frames_) + " is " + std::to_string(current_->width) + "x" +
           std::to_string(current_->height) + ", not " + std::to_string(width_) + "x" + std::to_string(height_) +
           " as the first");
    }
    frame = SourceFrame{};
    ToArgb(*current_, frame);
    frame.argb = argb_.data();
    frame.durationMs = Duration();
    ++frames_;
    return true;
  }

 private:
  [[noreturn]] void Fail(const std::string& why) const { throw ConvertError(name_ + ": " + why); }

  // The next decoded frame; false at the end of the input.
  bool Decode(AVFrame* into) {
    const std::string frame = "frame " + std::to_string(decoded_);
    for (;;) {
      const int received = avcodec_receive_frame(decoder_, into);
      if (received == 0) {
        ++decoded_;
        return true;
      }
      if (received == AVERROR_EOF) return false;
      if (received != AVERROR(EAGAIN)) Fail(frame + ": " + AvReason(received));
      if (flushed_) return false;
      const int read = av_read_frame(demux_, packet_);
      if (read == AVERROR_EOF) {
        flushed_ = true;
        avcodec_send_packet(decoder_, nullptr);
        continue;
      }
      if (read < 0) Fail(frame + ": " + AvReason(read));
      if (packet_->stream_index == stream_) {
        const int sent = avcodec_send_packet(decoder_, packet_);
        if (sent < 0 && sent != AVERROR(EAGAIN)) {
          av_packet_unref(packet_);
          Fail(frame + " does not decode: " + AvReason(sent));
        }
      }
      av_packet_unref(packet_);
    }
  }

  // Ends are rounded to whole ms, so the rounding does not add up.
  uint32_t Duration() {
    const int64_t start = current_->best_effort_timestamp;
    const int64_t next = haveAhead_ ? ahead_->best_effort_timestamp : AV_NOPTS_VALUE;
    const auto ms = [&](int64_t t) { return av_rescale_q(t, timeBase_, AVRational{1, 1000}); };
    if (start != AV_NOPTS_VALUE && next != AV_NOPTS_VALUE && next > start)
      return static_cast<uint32_t>(ms(next) - ms(start));
    if (current_->pkt_duration > 0) return static_cast<uint32_t>(std::max<int64_t>(1, ms(current_->pkt_duration)));
    return static_cast<uint32_t>(fallbackMs_);
  }

  void ToArgb(const AVFrame& from, SourceFrame& frame) {
    argb_.resize(static_cast<size_t>(width_) * height_);
    if (from.format == AV_PIX_FMT_PAL8) {
      // The table is 0xAARRGGBB words already.
      const auto* table = reinterpret_cast<const uint32_t*>(from.data[1]);
      frame.table.assign(table, table + 256);
      for (int y = 0; y < height_; ++y) {
        const uint8_t* row = from.data[0] + static_cast<ptrdiff_t>(y) * from.linesize[0];
        uint32_t* to = argb_.data() + static_cast<size_t>(y) * width_;
        for (int x = 0; x < width_; ++x) to[x] = table[row[x]];
      }
      return;
    }
    sws_ = sws_getCachedContext(sws_, width_, height_, static_cast<AVPixelFormat>(from.format), width_, height_,
                                AV_PIX_FMT_BGRA, SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr,
                                nullptr);
    if (sws_ == nullptr) Fail("its pixel format cannot be converted");
    uint8_t* planes[4] = {reinterpret_cast<uint8_t*>(argb_.data()), nullptr, nullptr, nullptr};
    const int strides[4] = {width_ * 4, 0, 0, 0};
    sws_scale(sws_, from.data, from.linesize, 0, height_, planes, strides);
  }

  std::string name_;
  AVFormatContext* demux_ = nullptr;
  AVCodecContext* decoder_ = nullptr;
  int stream_ = -1;
  AVRational timeBase_{1, 1000};
  double fallbackMs_ = 40;
  AVPacket* packet_ = nullptr;
  AVFrame* current_ = nullptr;
  AVFrame* ahead_ = nullptr;
  bool started_ = false;
  bool haveAhead_ = false;
  bool flushed_ = false;
  int frames_ = 0;   // handed on
  int decoded_ = 0;  // decoded, the one read ahead included
  std::exception_ptr aheadFailed_;
  SwsContext* sws_ = nullptr;
  std::vector<uint32_t> argb_;
};

}  // namespace

std::unique_ptr<FrameSource> OpenAvSource(const std::string& input) { return std::make_unique<AvSource>(input); }

}  // namespace kt
