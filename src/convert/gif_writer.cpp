// GIF through giflib. The first frame is whole; each later one stores only
// the rectangle that changed, and within it the unchanged pixels as a spare
// transparent index when that compresses smaller. A frame whose palette is
// not the first one's carries a local colour table.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "convert/animation_writer.h"

namespace kt {
namespace {

constexpr int kGifUnitMs = 10;

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
};

int TableBits(int colours) {
  int bits = 1;
  while ((1 << bits) < colours) ++bits;
  return bits;
}

struct ColourMap {
  ColorMapObject* map = nullptr;
  ColourMap(const BasePalette& colours, int count) {
    const int entries = 1 << TableBits(count);
    GifColorType table[256] = {};
    for (int i = 0; i < entries; ++i) table[i] = GifColorType{colours[i].red, colours[i].green, colours[i].blue};
    map = GifMakeMapObject(entries, table);
  }
  ~ColourMap() { GifFreeMapObject(map); }
  ColourMap(const ColourMap&) = delete;
  ColourMap& operator=(const ColourMap&) = delete;
};

int KeepBytes(GifFileType* gif, const GifByteType* bytes, int count) {
  auto* kept = static_cast<std::vector<GifByteType>*>(gif->UserData);
  kept->insert(kept->end(), bytes, bytes + count);
  return count;
}

int WriteBytes(GifFileType* gif, const GifByteType* bytes, int count) {
  return static_cast<OutputFile*>(gif->UserData)->Write(bytes, static_cast<size_t>(count)) ? count : 0;
}

class GifWriter : public AnimationWriter {
 public:
  GifWriter(OutputFile& file, const AnimationLayout& layout)
      : file_(file), layout_(layout), pixels_(static_cast<size_t>(layout.width) * layout.height) {
    int error = 0;
    gif_ = EGifOpen(&file_, WriteBytes, &error);
    if (gif_ == nullptr) file_.Fail(std::string("GIF encoder: ") + GifErrorString(error));
    EGifSetGifVersion(gif_, true);
    canvas_.assign(pixels_, 0);
  }

  ~GifWriter() override {
    if (gif_ != nullptr) EGifCloseFile(gif_, nullptr);
  }

  void Add(const AnimationFrame& frame) override {
    uint32_t argb[256];
    for (int i = 0; i < 256; ++i) argb[i] = ShownArgb(frame, layout_, static_cast<uint8_t>(i));
    std::vector<uint32_t>& shown = next_;
    shown.resize(pixels_);
    for (size_t i = 0; i < pixels_; ++i) shown[i] = argb[frame.indices[i]];
    if (pending_) {
      // A pixel that turns transparent cannot be drawn over what is there:
      // the frame before is then cleared once shown.
      bool clear = false;
      for (size_t i = 0; i < pixels_ && !clear && layout_.transparent; ++i)
        clear = shown[i] == 0 && pendingShown_[i] != 0;
      Emit(clear);
    }
    pending_ = true;
    pendingIndices_.assign(frame.indices, frame.indices + pixels_);
    pendingColours_ = *frame.colours;
    pendingShown_.swap(shown);
    pendingIndex_ = frame.index;
  }

  void Finish() override {
    if (pending_) Emit(false);
    pending_ = false;
    int error = 0;
    const int status = EGifCloseFile(gif_, &error);
    gif_ = nullptr;
    file_.Check();
    if (status != GIF_OK) file_.Fail(std::string("GIF encoder: ") + GifErrorString(error));
  }

 private:
  void Check(int status) {
    if (status == GIF_OK) return;
    file_.Check();
    file_.Fail(std::string("GIF encoder: ") + GifErrorString(gif_->Error));
  }

  void Start() {
    global_ = pendingColours_;
    globalMap_.emplace(global_, layout_.colourCount);
    Check(EGifPutScreenDesc(gif_, layout_.width, layout_.height, 8, 0, globalMap_->map));
    if (layout_.plays != 1) {
      // NETSCAPE2.0 counts the repeats after the first play; 0 is for ever.
      const int repeats = layout_.plays == 0 ? 0 : std::min(layout_.plays - 1, 65535);
      const GifByteType loop[3] = {1, static_cast<GifByteType>(repeats & 0xFF), static_cast<GifByteType>(repeats >> 8)};
      Check(EGifPutExtensionLeader(gif_, APPLICATION_EXT_FUNC_CODE));
      Check(EGifPutExtensionBlock(gif_, 11, "NETSCAPE2.0"));
      Check(EGifPutExtensionBlock(gif_, 3, loop));
      Check(EGifPutExtensionTrailer(gif_));
    }
  }

  Rect ChangedRect() const {
    const int w = layout_.width;
    int left = w, right = -1, top = layout_.height, bottom = -1;
    for (int y = 0; y < layout_.height; ++y) {
      const uint32_t* now = pendingShown_.data() + static_cast<size_t>(y) * w;
      const uint32_t* before = canvas_.data() + static_cast<size_t>(y) * w;
      int x = 0;
      while (x < w && now[x] == before[x]) ++x;
      if (x == w) continue;
      int xr = w - 1;
      while (now[xr] == before[xr]) --xr;
      left = std::min(left, x);
      right = std::max(right, xr);
      top = std::min(top, y);
      bottom = y;
    }
    if (right < 0) return Rect{0, 0, 1, 1};  // nothing changed; GIF still wants a picture
    return Rect{left, top, right - left + 1, bottom - top + 1};
  }

  // The rectangle's indices, unchanged pixels as `spare` when given.
  void RectPixels(const Rect& r, int spare, std::vector<GifByteType>& out) const {
    out.resize(static_cast<size_t>(r.width) * r.height);
    GifByteType* to = out.data();
    for (int y = r.top; y < r.top + r.height; ++y) {
      const size_t at = static_cast<size_t>(y) * layout_.width + r.left;
      if (spare < 0) {
        std::memcpy(to, pendingIndices_.data() + at, r.width);
      } else {
        for (int x = 0; x < r.width; ++x) {
          to[x] = pendingShown_[at + x] == canvas_[at + x] ? static_cast<GifByteType>(spare) : pendingIndices_[at + x];
        }
      }
      to += r.width;
    }
  }

  // The image block (descriptor, local colour table, compressed data) as
  // giflib writes it, taken from a stream of its own so that two ways of
  // storing a frame can be compared and the smaller one copied out.
  std::vector<GifByteType> ImageBlock(const Rect& r, const ColorMapObject* local, std::vector<GifByteType>& pixels) {
    std::vector<GifByteType> bytes;
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, KeepBytes, &error);
    if (gif == nullptr) file_.Fail(std::string("GIF encoder: ") + GifErrorString(error));
    // The global table only gives the trial stream its code size; it goes with the header.
    bool done = EGifPutScreenDesc(gif, layout_.width, layout_.height, 8, 0, globalMap_->map) == GIF_OK;
    const size_t header = bytes.size();
    done = done && EGifPutImageDesc(gif, r.left, r.top, r.width, r.height, false, local) == GIF_OK;
    for (int y = 0; y < r.height && done; ++y) {
      done = EGifPutLine(gif, pixels.data() + static_cast<size_t>(y) * r.width, r.width) == GIF_OK;
    }
    const int gifError = gif->Error;
    EGifCloseFile(gif, &error);
    if (!done) file_.Fail(std::string("GIF encoder: ") + GifErrorString(gifError));
    bytes.pop_back();  // the stream's trailer
    bytes.erase(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(header));
    return bytes;
  }

  // 1 when the unchanged pixels are better stored as `spare`, -1 when as
  // they are, 0 when only compressing both tells.
  int Likelier(const Rect& r, int spare) const {
    size_t plainBreaks = 0, spareBreaks = 0;
    int lastPlain = -1, lastSpare = -1;
    for (int y = r.top; y < r.top + r.height; ++y) {
      const size_t at = static_cast<size_t>(y) * layout_.width;
      for (size_t i = at + r.left; i < at + r.left + r.width; ++i) {
        const int plain = pendingIndices_[i];
        const int sparse = pendingShown_[i] == canvas_[i] ? spare : plain;
        plainBreaks += plain != lastPlain;
        spareBreaks += sparse != lastSpare;
        lastPlain = plain;
        lastSpare = sparse;
      }
    }
    if (spareBreaks * 5 < plainBreaks * 4) return 1;
    if (plainBreaks * 5 < spareBreaks * 4) return -1;
    return 0;
  }

  void Emit(bool clear) {
    const bool first = pendingIndex_ == 0;
    if (first) Start();
    const Rect r = first || clear ? Rect{0, 0, layout_.width, layout_.height} : ChangedRect();

    // A spare index: the one made transparent anyway, else one that no
    // changed pixel of the rectangle uses.
    int spare = layout_.transparent ? *layout_.transparent : -1;
    if (spare < 0 && !first) {
      bool used[256] = {};
      for (int y = r.top; y < r.top + r.height; ++y) {
        const size_t at = static_cast<size_t>(y) * layout_.width;
        for (int x = r.left; x < r.left + r.width; ++x) {
          if (pendingShown_[at + x] != canvas_[at + x]) used[pendingIndices_[at + x]] = true;
        }
      }
      const int limit = 1 << TableBits(layout_.colourCount);
      for (int i = 0; i < limit && spare < 0; ++i) {
        if (!used[i]) spare = i;
      }
    }
    const size_t entries = size_t{1} << TableBits(layout_.colourCount);
    std::optional<ColourMap> local;
    if (!std::equal(global_.begin(), global_.begin() + entries, pendingColours_.begin())) {
      local.emplace(pendingColours_, layout_.colourCount);
    }
    const ColorMapObject* map = local ? local->map : nullptr;
    // LZW codes grow with the breaks between runs of one index; where one
    // way has clearly fewer, it wins without both being compressed.
    int choice = spare >= 0 && !first ? Likelier(r, spare) : -1;
    std::vector<GifByteType> block;
    if (choice <= 0) {
      RectPixels(r, -1, rectPixels_);
      block = ImageBlock(r, map, rectPixels_);
    }
    if (choice >= 0) {
      RectPixels(r, spare, rectPixels_);
      std::vector<GifByteType> sparse = ImageBlock(r, map, rectPixels_);
      if (choice == 1 || sparse.size() < block.size()) {
        block.swap(sparse);
        choice = 1;
      }
    }
    const bool useSpare = choice == 1;
    GraphicsControlBlock control{};
    control.DisposalMode = clear ? DISPOSE_BACKGROUND : DISPOSE_DO_NOT;
    control.UserInputFlag = false;
    control.DelayTime = static_cast<int>(FrameUnits(layout_, pendingIndex_, kGifUnitMs));
    control.TransparentColor = useSpare ? spare : (layout_.transparent ? *layout_.transparent : NO_TRANSPARENT_COLOR);
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);
    Check(EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, 4, extension));
    if (!file_.Write(block.data(), block.size())) file_.Check();
    if (clear) {
      std::fill(canvas_.begin(), canvas_.end(), 0);
    } else {
      canvas_.swap(pendingShown_);
    }
  }

  OutputFile& file_;
  AnimationLayout layout_;
  size_t pixels_;
  GifFileType* gif_ = nullptr;
  BasePalette global_{};
  std::optional<ColourMap> globalMap_;
  std::vector<uint32_t> canvas_;  // what a viewer shows after the frames written
  bool pending_ = false;          // a frame waits until the next shows whether it must be cleared
  std::vector<uint8_t> pendingIndices_;
  BasePalette pendingColours_{};
  std::vector<uint32_t> pendingShown_;
  int pendingIndex_ = 0;
  std::vector<uint32_t> next_;
  std::vector<GifByteType> rectPixels_;
};

}  // namespace

std::unique_ptr<AnimationWriter> MakeGifWriter(OutputFile& file, const AnimationLayout& layout) {
  return std::make_unique<GifWriter>(file, layout);
}

}  // namespace kt
