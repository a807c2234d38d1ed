// An animated (or still) WebP as a frame source through libwebp's animation
// decoder, which draws each frame onto the canvas with its blending and
// disposal. The file is mapped rather than read, so only the decoder's
// canvas takes memory.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <webp/demux.h>

#include <cstring>

#include "convert/convert.h"
#include "convert/frame_source.h"

namespace kt {
namespace {

class WebPSource : public FrameSource {
 public:
  explicit WebPSource(const std::string& input) : name_(input) {
    const int fd = ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0) {
      const std::string why = std::strerror(errno);
      if (fd >= 0) ::close(fd);
      throw ConvertError(input + ": " + why);
    }
    size_ = static_cast<size_t>(info.st_size);
    void* map = size_ > 0 ? ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0) : MAP_FAILED;
    ::close(fd);
    if (map == MAP_FAILED) throw ConvertError(input + ": cannot be read");
    bytes_ = static_cast<const uint8_t*>(map);
    WebPAnimDecoderOptions options;
    WebPAnimDecoderOptionsInit(&options);
    options.color_mode = MODE_BGRA;  // 0xAARRGGBB words on a little-endian machine
    options.use_threads = 0;
    const WebPData data{bytes_, size_};
    decoder_ = WebPAnimDecoderNew(&data, &options);
    if (decoder_ == nullptr) {
      ::munmap(const_cast<uint8_t*>(bytes_), size_);
      throw ConvertError(input + ": not a readable WebP file");
    }
    WebPAnimInfo info2{};
    WebPAnimDecoderGetInfo(decoder_, &info2);
    width_ = static_cast<int>(info2.canvas_width);
    height_ = static_cast<int>(info2.canvas_height);
    frames_ = static_cast<int>(info2.frame_count);
  }
  ~WebPSource() override {
    WebPAnimDecoderDelete(decoder_);
    ::munmap(const_cast<uint8_t*>(bytes_), size_);
  }
  WebPSource(const WebPSource&) = delete;
  WebPSource& operator=(const WebPSource&) = delete;

  bool Next(SourceFrame& frame) override {
    if (!WebPAnimDecoderHasMoreFrames(decoder_)) return false;
    uint8_t* pixels = nullptr;
    int end = 0;
    if (!WebPAnimDecoderGetNext(decoder_, &pixels, &end)) {
      throw ConvertError(name_ + ": frame " + std::to_string(read_) + " of " + std::to_string(frames_) +
                         " does not decode; the WebP file is damaged");
    }
    ++read_;
    frame = SourceFrame{};
    frame.argb = reinterpret_cast<const uint32_t*>(pixels);
    // A still picture has no time of its own.
    frame.durationMs = end > last_ ? static_cast<uint32_t>(end - last_) : 100;
    last_ = end;
    return true;
  }

 private:
  std::string name_;
  const uint8_t* bytes_ = nullptr;
  size_t size_ = 0;
  WebPAnimDecoder* decoder_ = nullptr;
  int frames_ = 0;
  int read_ = 0;
  int last_ = 0;
};

}  // namespace

std::unique_ptr<FrameSource> OpenWebPSource(const std::string& input) { return std::make_unique<WebPSource>(input); }

}  // namespace kt
