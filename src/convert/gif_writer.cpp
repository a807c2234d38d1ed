// GIF: giflib writes the screen and the extensions, gif_lzw the frames'
// image blocks. The colour table holds only the colours the frames show,
// each once, the ones drawn in the most frames first, so the codes stay as
// short as they can be. A frame that
// repeats the one before is joined to it, its time added. The first
// frame is whole; each later one stores only the rectangle that changed, and
// within it the unchanged pixels as a spare transparent index when that
// compresses smaller. A frame whose palette is not the first one's carries a
// local colour table. The rectangles are compressed on several threads at
// once and written in order, so the file is the same whatever their number.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>

#include "convert/animation_writer.h"
#include "convert/frame_jobs.h"
#include "convert/gif_lzw.h"
#include "convert/gif_lzw_wildcard.h"

namespace kt {
namespace {

constexpr int kGifUnitMs = 10;

// Pixels [from, to) of a row.
struct Span {
  int from = 0, to = 0;
};

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
  bool Empty() const { return width <= 0; }
  Rect Join(const Rect& o) const {
    if (Empty()) return o;
    if (o.Empty()) return *this;
    const int l = std::min(left, o.left), t = std::min(top, o.top);
    return Rect{l, t, std::max(left + width, o.left + o.width) - l, std::max(top + height, o.top + o.height) - t};
  }
};

uint64_t Word(const uint8_t* at) {
  uint64_t word;
  std::memcpy(&word, at, sizeof word);
  return word;
}

// Where two rows of indices differ, from the first byte that does to the
// last; eight bytes at a time, as most of a row mostly stays.
Span IndexDifference(const uint8_t* a, const uint8_t* b, int width) {
  int from = 0;
  while (from + 8 <= width && Word(a + from) == Word(b + from)) from += 8;
  while (from < width && a[from] == b[from]) ++from;
  if (from == width) return Span{};
  int to = width;
  while (to - 8 >= from && Word(a + to - 8) == Word(b + to - 8)) to -= 8;
  while (a[to - 1] == b[to - 1]) --to;
  return Span{from, to};
}

int TableBits(int colours) {
  int bits = 1;
  while ((1 << bits) < colours) ++bits;
  return bits;
}

using Table = std::array<GifColorType, 256>;

struct ColourMap {
  ColorMapObject* map = nullptr;
  ColourMap(const Table& table, int bits) : map(GifMakeMapObject(1 << bits, table.data())) {}
  ~ColourMap() { GifFreeMapObject(map); }
  ColourMap(const ColourMap&) = delete;
  ColourMap& operator=(const ColourMap&) = delete;
};

int WriteBytes(GifFileType* gif, const GifByteType* bytes, int count) {
  return static_cast<OutputFile*>(gif->UserData)->Write(bytes, static_cast<size_t>(count)) ? count : 0;
}

// What is known of one frame before it is compressed.
struct FrameWork {
  Rect rect;
  uint32_t units = 0;  // how long it shows, in hundredths
  bool clear = false;  // disposed to the background once shown
  int spare = -1;      // the index standing for unchanged pixels in `sparse`
  int choice = -1;     // 1 sparse, -1 plain, 0 the smaller once compressed
  bool first = false;  // the first frame, always the plain form
  std::optional<Table> local;
  std::vector<GifByteType> plain, sparse;  // the rectangle's pixels
  std::vector<uint8_t> changed;            // which of them the viewer does not show yet
  std::vector<GifByteType> block;          // compressed, the smaller kind
  bool failed = false;
};

class GifWriter : public AnimationWriter {
 public:
  GifWriter(OutputFile& file, const AnimationLayout& layout)
      : file_(file),
        layout_(layout),
        pixels_(static_cast<size_t>(layout.width) * layout.height),
        jobs_(layout.threads) {
    int error = 0;
    gif_ = EGifOpen(&file_, WriteBytes, &error);
    if (gif_ == nullptr) file_.Fail(std::string("GIF encoder: ") + GifErrorString(error));
    EGifSetGifVersion(gif_, true);
    canvas_.assign(pixels_, 0);
    if (std::find(layout_.used.begin(), layout_.used.end(), true) == layout_.used.end())
      std::fill_n(layout_.used.begin(), layout_.colourCount, true);
  }

  ~GifWriter() override {
    if (gif_ != nullptr) EGifCloseFile(gif_, nullptr);
  }

  void Add(const AnimationFrame& frame) override {
    std::array<uint32_t, 256> argb;
    for (int i = 0; i < 256; ++i) argb[i] = ShownArgb(frame, layout_, static_cast<uint8_t>(i));
    const uint32_t units = FrameUnits(layout_, frame.index, kGifUnitMs);
    if (!pending_) {
      MakeIndexMap(frame);
      Take(frame, argb, units);
      pendingIndices_.assign(frame.indices, frame.indices + pixels_);
      pendingRect_ = Rect{0, 0, layout_.width, layout_.height};
      return;
    }
    const Rect changed = Changed(frame.indices, argb, nextSpans_);
    if (changed.Empty() && pendingUnits_ + units <= 65535) {
      // A frame that shows nothing new lengthens the one before: every
      // viewer shows the same for the same time, for the bytes of none.
      pendingUnits_ += units;
      return;
    }
    const Rect emitted = Emit(Vanishing(frame.indices, argb, changed));
    // The next frame differs from what the viewer shows only where it
    // changed, and where the frame before was cleared.
    pendingRect_ = emitted.Empty() ? changed : changed.Join(emitted);
    pendingCleared_ = emitted;
    pendingSpans_.swap(nextSpans_);
    Take(frame, argb, units);
    for (size_t row = 0; row < pixels_; row += static_cast<size_t>(layout_.width)) {
      if (std::memcmp(pendingIndices_.data() + row, frame.indices + row, static_cast<size_t>(layout_.width)) != 0) {
        std::memcpy(pendingIndices_.data() + row, frame.indices + row, static_cast<size_t>(layout_.width));
      }
    }
  }

  void Finish() override {
    if (pending_) Emit(Rect{});
    pending_ = false;
    jobs_.Drain();
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

  // Each colour shown gets one entry: indices of one colour share it while
  // the colours stay, and the transparent index keeps one of its own.
  //
  // The indices drawn in the most frames come first: a frame's codes are as
  // short as the highest index it draws allows, so frames that draw only
  // the common colours get short codes.
  void MakeIndexMap(const AnimationFrame& frame) {
    std::array<int, 256> order;
    for (int i = 0; i < 256; ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
      if (layout_.drawnIn[a] != layout_.drawnIn[b]) return layout_.drawnIn[a] > layout_.drawnIn[b];
      return layout_.drawn[a] > layout_.drawn[b];
    });
    std::map<uint32_t, int> byColour;
    int count = 0;
    for (const int i : order) {
      if (!layout_.used[i]) continue;
      const bool own = layout_.paletteChanges || (layout_.transparent && *layout_.transparent == i);
      const uint32_t argb = ShownArgb(frame, layout_, static_cast<uint8_t>(i));
      const auto found = own ? byColour.end() : byColour.find(argb);
      if (found != byColour.end()) {
        map_[i] = static_cast<uint8_t>(found->second);
        continue;
      }
      if (!own) byColour[argb] = count;
      source_[count] = static_cast<uint8_t>(i);
      map_[i] = static_cast<uint8_t>(count++);
    }
    entries_ = count;
    bits_ = TableBits(count);
  }

  Table TableOf(const BasePalette& colours) const {
    Table table{};
    for (int g = 0; g < entries_; ++g) {
      const RgbColour& c = colours[source_[g]];
      table[g] = GifColorType{c.red, c.green, c.blue};
    }
    return table;
  }

  void Start() {
    global_ = pendingTable_;
    ColourMap map(global_, bits_);
    Check(EGifPutScreenDesc(gif_, layout_.width, layout_.height, 8, 0, map.map));
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

  void Take(const AnimationFrame& frame, const std::array<uint32_t, 256>& argb, uint32_t units) {
    pending_ = true;
    pendingUnits_ = units;
    pendingTable_ = TableOf(*frame.colours);
    pendingArgb_ = argb;
    pendingIndex_ = frame.index;
  }

  uint32_t PendingShown(size_t i) const { return pendingArgb_[pendingIndices_[i]]; }

  // Where `indices` shown as `argb` differ from the pending frame; where the
  // colours are the same, only pixels of other indices are looked at.
  // `spans` gets each row's changed pixels, from its first to its last.
  Rect Changed(const uint8_t* indices, const std::array<uint32_t, 256>& argb, std::vector<Span>& spans) const {
    const bool sameColours = argb == pendingArgb_;
    spans.assign(static_cast<size_t>(layout_.height), Span{});
    return Bounds(
        Rect{0, 0, layout_.width, layout_.height},
        [&](size_t row) {
          return sameColours ? IndexDifference(indices + row, &pendingIndices_[row], layout_.width)
                             : Span{0, layout_.width};
        },
        [&](size_t i) { return argb[indices[i]] != PendingShown(i); }, &spans);
  }

  // Where a pixel of the pending frame turns transparent in the next: a
  // pixel cannot be drawn over with nothing, so that part is cleared once
  // the pending frame was shown.
  Rect Vanishing(const uint8_t* indices, const std::array<uint32_t, 256>& argb, const Rect& changed) const {
    if (!layout_.transparent || changed.Empty()) return Rect{};
    return Bounds(
        changed,
        [&](size_t) {
          return Span{0, layout_.width};
        },
        [&](size_t i) { return argb[indices[i]] == 0 && PendingShown(i) != 0; });
  }

  // The smallest rectangle within `within` holding every pixel that
  // `differs`; `rowMay` gives the part of a row (by its first pixel) that may hold any.
  template <typename RowMay, typename Differs>
  Rect Bounds(const Rect& within, RowMay rowMay, Differs differs, std::vector<Span>* spans = nullptr) const {
    const size_t w = static_cast<size_t>(layout_.width);
    const int end = within.left + within.width;
    int left = end, right = -1, top = 0, bottom = -1;
    for (int y = within.top; y < within.top + within.height; ++y) {
      const size_t row = static_cast<size_t>(y) * w;
      const Span may = rowMay(row);
      const int mayEnd = std::min(end, may.to);
      int x = std::max(within.left, may.from);
      while (x < mayEnd && !differs(row + x)) ++x;
      if (x >= mayEnd) continue;
      int xr = mayEnd - 1;
      while (!differs(row + xr)) --xr;
      if (spans != nullptr) (*spans)[static_cast<size_t>(y)] = Span{x, xr + 1};
      left = std::min(left, x);
      right = std::max(right, xr);
      if (bottom < 0) top = y;
      bottom = y;
    }
    if (right < 0) return Rect{};
    return Rect{left, top, right - left + 1, bottom - top + 1};
  }

  // `clear`: the part of the picture the next frame needs transparent again.
  // Gives the rectangle cleared once the frame was shown, if any.
  Rect Emit(const Rect& clear) {
    const bool first = pendingIndex_ == 0;
    if (first) Start();
    auto work = std::make_shared<FrameWork>();
    work->units = pendingUnits_;
    work->clear = !clear.Empty();
    work->first = first;
    const size_t w = static_cast<size_t>(layout_.width);

    // One pass over the part that may differ finds the changed pixels and
    // their bounds and brings the viewer's picture up to date; what only
    // the frame's own pixels decide is left to the job, off this thread.
    const Rect& may = pendingRect_;
    std::vector<uint8_t>& differs = changed_;
    differs.resize(static_cast<size_t>(may.width) * may.height);
    int left = may.left + may.width, right = -1, top = 0, bottom = -1;
    for (int y = may.top; y < may.top + may.height; ++y) {
      const size_t at = static_cast<size_t>(y) * w + may.left;
      const uint8_t* from = pendingIndices_.data() + at;
      uint32_t* shown = canvas_.data() + at;
      uint8_t* mark = differs.data() + static_cast<size_t>(y - may.top) * may.width;
      // Elsewhere in the row the viewer shows the frame before, which
      // this one matches.
      Span span{0, may.width};
      if (!first) {
        const Span& c = pendingSpans_[static_cast<size_t>(y)];
        span = Span{c.from - may.left, c.to - may.left};
        const Rect& cl = pendingCleared_;
        if (!cl.Empty() && y >= cl.top && y < cl.top + cl.height) {
          const Span clearedSpan{cl.left - may.left, cl.left + cl.width - may.left};
          span = span.from >= span.to ? clearedSpan
                                      : Span{std::min(span.from, clearedSpan.from), std::max(span.to, clearedSpan.to)};
        }
        span = Span{std::max(span.from, 0), std::min(span.to, may.width)};
        if (span.from >= span.to) span = Span{};
      }
      std::fill(mark, mark + span.from, uint8_t{0});
      std::fill(mark + span.to, mark + may.width, uint8_t{0});
      for (int x = span.from; x < span.to; ++x) {
        const uint32_t argb = pendingArgb_[from[x]];
        mark[x] = argb != shown[x];
        shown[x] = argb;
      }
      const auto* hit = static_cast<const uint8_t*>(std::memchr(mark, 1, static_cast<size_t>(may.width)));
      if (hit == nullptr) continue;
      int last = may.width - 1;
      while (mark[last] == 0) --last;
      left = std::min(left, may.left + static_cast<int>(hit - mark));
      right = std::max(right, may.left + last);
      if (bottom < 0) top = y;
      bottom = y;
    }
    Rect r = first ? may : right < 0 ? clear : Rect{left, top, right - left + 1, bottom - top + 1}.Join(clear);
    if (r.Empty()) r = Rect{0, 0, 1, 1};  // nothing changed; GIF still wants a picture
    work->rect = r;

    // The job gets the rectangle's indices and which of them changed; a
    // pixel beyond the part that may differ shows what it showed.
    const size_t area = static_cast<size_t>(r.width) * r.height;
    work->plain.resize(area);
    work->changed.resize(area);
    for (int y = r.top; y < r.top + r.height; ++y) {
      const size_t row = static_cast<size_t>(y - r.top) * r.width;
      const size_t at = static_cast<size_t>(y) * w + r.left;
      std::memcpy(work->plain.data() + row, pendingIndices_.data() + at, static_cast<size_t>(r.width));
      uint8_t* mark = work->changed.data() + row;
      uint32_t* shown = canvas_.data() + at;
      const bool rowIn = y >= may.top && y < may.top + may.height;
      const int inFrom = rowIn ? std::clamp(may.left - r.left, 0, r.width) : r.width;
      const int inTo = rowIn ? std::clamp(may.left + may.width - r.left, inFrom, r.width) : r.width;
      for (int x = 0; x < r.width; ++x) {
        if (x == inFrom && inTo > inFrom) {
          std::memcpy(mark + x, differs.data() + static_cast<size_t>(y - may.top) * may.width + (r.left + x - may.left),
                      static_cast<size_t>(inTo - inFrom));
          x = inTo - 1;
          continue;
        }
        const uint32_t argb = pendingArgb_[work->plain[row + x]];
        mark[x] = argb != shown[x];
        shown[x] = argb;
      }
      if (work->clear) std::fill_n(shown, r.width, 0u);
    }

    work->spare = layout_.transparent ? map_[*layout_.transparent] : -1;
    if (!std::equal(global_.begin(), global_.begin() + entries_, pendingTable_.begin(),
                    [](const GifColorType& a, const GifColorType& b) {
                      return a.Red == b.Red && a.Green == b.Green && a.Blue == b.Blue;
                    })) {
      work->local = pendingTable_;
    }
    jobs_.Submit([work, map = map_, bits = bits_] { Compress(*work, map, bits); }, [this, work] { Write(*work); });
    return work->clear ? r : Rect{};
  }

  // A spare index: the one made transparent anyway, else the lowest that no
  // changed pixel of the rectangle uses, so the codes stay short. The breaks
  // between runs either way of storing the unchanged pixels are counted only
  // where there is a spare to store them as.
  static void Prepare(FrameWork& work, const std::array<uint8_t, 256>& map, int bits) {
    const size_t area = work.plain.size();
    GifByteType* plain = work.plain.data();
    const uint8_t* changed = work.changed.data();
    if (work.spare < 0) {
      bool drawn[512] = {};  // from 256 on: unchanged pixels, without a branch to guess wrong
      for (size_t i = 0; i < area; ++i) drawn[plain[i] | (changed[i] ^ 1u) << 8] = true;
      bool used[256] = {};
      for (int i = 0; i < 256; ++i) used[map[i]] |= drawn[i];
      for (int i = 0; i < (1 << bits) && work.spare < 0; ++i) {
        if (!used[i]) work.spare = i;
      }
    }
    for (size_t i = 0; i < area; ++i) plain[i] = map[plain[i]];
    work.choice = -1;
    if (work.first || work.spare < 0) return;
    // The first pixel counts as a break in both forms; it is taken off after.
    size_t plainBreaks = 0, spareBreaks = 0;
    int lastPlain = -1, lastSparse = -1;
    for (size_t i = 0; i < area; ++i) {
      const int index = plain[i];
      const int sparse = changed[i] != 0 ? index : work.spare;
      plainBreaks += index != lastPlain;
      spareBreaks += sparse != lastSparse;
      lastPlain = index;
      lastSparse = sparse;
    }
    --plainBreaks;
    --spareBreaks;
    // LZW codes grow with the breaks between runs of one index: the sparse
    // form with clearly fewer is taken alone, else both are compressed to
    // tell. The plain form is never taken alone, since the sparse form's
    // encoder may still give each unchanged pixel its own index.
    work.choice = spareBreaks * 5 < plainBreaks * 4 ? 1 : 0;
    if (work.choice >= 0) {
      work.sparse = work.plain;
      for (size_t i = 0; i < area; ++i) {
        if (changed[i] == 0) work.sparse[i] = static_cast<GifByteType>(work.spare);
      }
    }
  }

  static void Compress(FrameWork& work, const std::array<uint8_t, 256>& map, int bits) {
    Prepare(work, map, bits);
    work.changed = {};
    std::vector<uint8_t> local;
    for (int i = 0; work.local && i < (1 << bits); ++i) {
      const GifColorType& c = (*work.local)[static_cast<size_t>(i)];
      local.insert(local.end(), {c.Red, c.Green, c.Blue});
    }
    // Without a table of its own, a frame's codes start as short as its
    // highest index allows, whatever the size of the screen's table.
    const auto block = [&](const std::vector<GifByteType>& pixels, const GifByteType* alternatives = nullptr) {
      GifImage image{work.rect.left, work.rect.top, work.rect.width, work.rect.height, bits,
                     nullptr,        bits,          pixels.data(),   alternatives};
      if (work.local) {
        image.localTable = local.data();
      } else {
        image.codeBits = std::max(2, TableBits(*std::max_element(pixels.begin(), pixels.end()) + 1));
      }
      std::vector<GifByteType> bytes;
      if (alternatives != nullptr) {
        AppendGifImageChoosing(image, bytes);
      } else {
        AppendGifImage(image, bytes);
      }
      return bytes;
    };
    int choice = work.choice;
    if (choice <= 0) work.block = block(work.plain);
    if (choice >= 0) {
      // An unchanged pixel may also keep its own index where that makes a
      // longer string.
      std::vector<GifByteType> sparse = block(work.sparse, work.plain.data());
      if (sparse.empty() || choice == 1 || sparse.size() < work.block.size()) {
        work.block.swap(sparse);
        choice = 1;
      }
    }
    work.failed = work.block.empty();
    work.choice = choice;
    work.plain = {};
    work.sparse = {};
  }

  void Write(const FrameWork& work) {
    if (work.failed) file_.Fail("GIF encoder: out of memory");
    GraphicsControlBlock control{};
    control.DisposalMode = work.clear ? DISPOSE_BACKGROUND : DISPOSE_DO_NOT;
    control.UserInputFlag = false;
    control.DelayTime = static_cast<int>(work.units);
    control.TransparentColor = work.choice == 1      ? work.spare
                               : layout_.transparent ? map_[*layout_.transparent]
                                                     : NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);
    Check(EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, 4, extension));
    if (!file_.Write(work.block.data(), work.block.size())) file_.Check();
  }

  OutputFile& file_;
  AnimationLayout layout_;
  size_t pixels_;
  GifFileType* gif_ = nullptr;
  std::array<uint8_t, 256> map_{};     // flic index to GIF index
  std::array<uint8_t, 256> source_{};  // GIF index to the first flic index it stands for
  int entries_ = 1;
  int bits_ = 1;
  Table global_{};
  std::vector<uint32_t> canvas_;  // what a viewer shows after the frames given
  bool pending_ = false;          // a frame waits until the next shows whether it must be cleared
  std::vector<uint8_t> pendingIndices_;
  std::array<uint32_t, 256> pendingArgb_{};  // its colours as shown
  Rect pendingRect_;                         // holds every pixel where it differs from canvas_
  Rect pendingCleared_;                      // cleared after the frame before
  std::vector<Span> pendingSpans_;           // where each row differs from the frame before
  std::vector<Span> nextSpans_;              // the same for the frame after
  Table pendingTable_{};
  int pendingIndex_ = 0;
  uint32_t pendingUnits_ = 0;     // its time in hundredths, the repeats after it joined
  std::vector<uint8_t> changed_;  // which pixels of the part that may differ do
  FrameJobs jobs_;                // last: its threads stop before what they use goes
};

}  // namespace

std::unique_ptr<AnimationWriter> MakeGifWriter(OutputFile& file, const AnimationLayout& layout) {
  return std::make_unique<GifWriter>(file, layout);
}

}  // namespace kt
