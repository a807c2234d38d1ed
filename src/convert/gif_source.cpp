// A GIF as a frame source, read a frame at a time through giflib and drawn
// onto the logical screen as browsers draw it: a frame's transparent pixels
// leave what was there, and each frame's disposal clears its rectangle to
// transparent or restores what was under it before the next one is drawn.
#include <gif_lib.h>

#include <algorithm>
#include <optional>

#include "convert/convert.h"
#include "convert/frame_source.h"

namespace kt {
namespace {

// Frames shorter than this play at 100 ms in browsers and in FFmpeg: the
// files that have them were made for those players.
constexpr int kShortestDelayCs = 2;
constexpr uint32_t kShortDelayMs = 100;

class GifSource : public FrameSource {
 public:
  explicit GifSource(const std::string& input) : name_(input) {
    int error = 0;
    gif_ = DGifOpenFileName(input.c_str(), &error);
    if (gif_ == nullptr) throw ConvertError(input + ": " + Reason(error));
    width_ = gif_->SWidth;
    height_ = gif_->SHeight;
    if (width_ <= 0 || height_ <= 0) Fail("the screen is " + std::to_string(width_) + "x" + std::to_string(height_));
    canvas_.assign(static_cast<size_t>(width_) * height_, 0);
  }
  ~GifSource() override {
    int error = 0;
    DGifCloseFile(gif_, &error);
  }
  GifSource(const GifSource&) = delete;
  GifSource& operator=(const GifSource&) = delete;

  bool Next(SourceFrame& frame) override {
    GraphicsControlBlock control{};
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    for (;;) {
      GifRecordType type = UNDEFINED_RECORD_TYPE;
      Check(DGifGetRecordType(gif_, &type));
      if (type == TERMINATE_RECORD_TYPE) return false;
      if (type == EXTENSION_RECORD_TYPE) {
        int code = 0;
        GifByteType* block = nullptr;
        Check(DGifGetExtension(gif_, &code, &block));
        if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] == 4) {
          Check(DGifExtensionToGCB(4, block + 1, &control));
        }
        while (block != nullptr) Check(DGifGetExtensionNext(gif_, &block));
        continue;
      }
      if (type != IMAGE_DESC_RECORD_TYPE) Fail("a record of unknown type");
      Check(DGifGetImageDesc(gif_));
      Draw(control);
      frame = SourceFrame{};
      frame.argb = canvas_.data();
      frame.table = table_;
      frame.durationMs = control.DelayTime < kShortestDelayCs ? kShortDelayMs : control.DelayTime * 10u;
      return true;
    }
  }

 private:
  static std::string Reason(int error) {
    const char* text = GifErrorString(error);
    return std::string("not a readable GIF: ") + (text != nullptr ? text : "unknown error");
  }
  [[noreturn]] void Fail(const std::string& why) const {
    throw ConvertError(name_ + ": frame " + std::to_string(frames_) + ": " + why);
  }
  void Check(int status) const {
    if (status != GIF_OK) Fail(Reason(gif_->Error));
  }

  void Draw(const GraphicsControlBlock& control) {
    // What the previous frame asked to be done with its rectangle.
    if (disposal_ == DISPOSE_BACKGROUND) {
      Fill(previous_, 0);
    } else if (disposal_ == DISPOSE_PREVIOUS && !saved_.empty()) {
      canvas_ = saved_;
    }
    const GifImageDesc& desc = gif_->Image;
    const ColorMapObject* map = desc.ColorMap != nullptr ? desc.ColorMap : gif_->SColorMap;
    if (map == nullptr) Fail("no colour table");
    table_.clear();
    for (int i = 0; i < map->ColorCount; ++i) {
      const GifColorType& c = map->Colors[i];
      table_.push_back(0xFF000000u | (uint32_t{c.Red} << 16) | (uint32_t{c.Green} << 8) | c.Blue);
    }
    if (desc.Width <= 0 || desc.Height <= 0 || desc.Width > 65535) Fail("an empty or oversized image");
    if (control.DisposalMode == DISPOSE_PREVIOUS) saved_ = canvas_;
    std::vector<GifPixelType> line(static_cast<size_t>(desc.Width));
    // Interlaced rows come in four passes.
    static constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
    std::vector<int> rows;
    for (int pass = 0; pass < (desc.Interlace ? 4 : 1); ++pass) {
      for (int y = desc.Interlace ? kStart[pass] : 0; y < desc.Height; y += desc.Interlace ? kStep[pass] : 1) {
        rows.push_back(y);
      }
    }
    for (const int y : rows) {
      Check(DGifGetLine(gif_, line.data(), desc.Width));
      const int top = desc.Top + y;
      if (top >= height_) continue;
      uint32_t* row = canvas_.data() + static_cast<size_t>(top) * width_;
      for (int x = 0; x < desc.Width && desc.Left + x < width_; ++x) {
        const int index = line[static_cast<size_t>(x)];
        if (index == control.TransparentColor) continue;
        // An index past the table shows black, as browsers show it.
        row[desc.Left + x] = index < map->ColorCount ? table_[static_cast<size_t>(index)] : 0xFF000000u;
      }
    }
    disposal_ = control.DisposalMode;
    previous_ = {desc.Left, desc.Top, desc.Width, desc.Height};
    ++frames_;
  }

  struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
  };
  void Fill(const Rect& r, uint32_t colour) {
    for (int y = r.top; y < std::min(r.top + r.height, height_); ++y) {
      uint32_t* row = canvas_.data() + static_cast<size_t>(y) * width_;
      std::fill(row + std::min(r.left, width_), row + std::min(r.left + r.width, width_), colour);
    }
  }

  std::string name_;
  GifFileType* gif_ = nullptr;
  std::vector<uint32_t> canvas_;  // as the screen stands after the last frame
  std::vector<uint32_t> saved_;   // under a frame that restores it
  std::vector<uint32_t> table_;
  int disposal_ = DISPOSAL_UNSPECIFIED;
  Rect previous_;
  int frames_ = 0;
};

}  // namespace

std::unique_ptr<FrameSource> OpenGifSource(const std::string& input) { return std::make_unique<GifSource>(input); }

}  // namespace kt
