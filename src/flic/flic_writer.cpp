#include "flic/flic_writer.h"

#include <cstring>
#include <future>
#include <numeric>

#include "base/bytes.h"
#include "flic/chunk_encoders.h"
#include "flic/flic_format.h"

namespace kt {
namespace {

constexpr uint32_t kMaxRecords = 0xFFFF;     // the header's frame count is a word
constexpr uint32_t kMaxSpeed = 0xFFFF;       // readers take the low word of the speed
constexpr uint32_t kCreatorId = 0x5052544B;  // "KTRP"

// The value a 6-bit palette stores for an 8-bit one, nearest to what a
// reader's times 4 gives back.
uint8_t SixBit(uint8_t v) { return static_cast<uint8_t>(std::min(63, (v + 2) >> 2)); }

uint32_t DosDateTime(std::time_t when) {
  std::tm t{};
  gmtime_r(&when, &t);
  const uint32_t date =
      static_cast<uint32_t>(((std::max(t.tm_year, 80) - 80) << 9) | ((t.tm_mon + 1) << 5) | t.tm_mday);
  const uint32_t time = static_cast<uint32_t>((t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec / 2));
  return (date << 16) | time;
}

// How a picture's colours map onto the file's palette slots when the writer
// chooses them: a pixel keeps its slot wherever that slot can take its
// colour, so what stays on screen stays in the file and a palette that only
// changes its colours costs no pixels.
class SlotChooser {
 public:
  void Choose(const uint8_t* indices, size_t pixels, const BasePalette& colours, const uint8_t* screen,
              const BasePalette& screenPalette, BasePalette& palette, uint8_t* out) {
    // One id per distinct colour the picture uses.
    std::array<int, 256> idOfIndex;
    idOfIndex.fill(-1);
    std::vector<RgbColour> colourOfId;
    bool used[256] = {};
    for (size_t p = 0; p < pixels; ++p) used[indices[p]] = true;
    for (int i = 0; i < 256; ++i) {
      if (!used[i]) continue;
      for (size_t id = 0; id < colourOfId.size() && idOfIndex[i] < 0; ++id) {
        if (colourOfId[id] == colours[i]) idOfIndex[i] = static_cast<int>(id);
      }
      if (idOfIndex[i] < 0) {
        idOfIndex[i] = static_cast<int>(colourOfId.size());
        colourOfId.push_back(colours[i]);
      }
    }
    const size_t ids = colourOfId.size();
    votes_.assign(ids * 256, 0);
    for (size_t p = 0; p < pixels; ++p) ++votes_[static_cast<size_t>(idOfIndex[indices[p]]) * 256 + screen[p]];
    struct Pair {
      uint32_t votes;
      uint16_t id;
      uint16_t slot;
    };
    std::vector<Pair> pairs;
    for (size_t id = 0; id < ids; ++id) {
      for (int slot = 0; slot < 256; ++slot) {
        const uint32_t v = votes_[id * 256 + slot];
        if (v > 0) pairs.push_back(Pair{v, static_cast<uint16_t>(id), static_cast<uint16_t>(slot)});
      }
    }
    // Most pixels kept first.
    std::sort(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) {
      if (a.votes != b.votes) return a.votes > b.votes;
      return a.id != b.id ? a.id < b.id : a.slot < b.slot;
    });
    std::array<int, 256> owner;
    owner.fill(-1);
    std::vector<int> primary(ids, -1);
    size_t withoutSlot = ids;
    size_t freeSlots = 256;
    const auto take = [&](int id, int slot) {
      owner[slot] = id;
      --freeSlots;
      if (primary[id] < 0) {
        primary[id] = slot;
        --withoutSlot;
      }
    };
    // Slots that hold their colour already come first: a palette that does
    // not change stays out of the file, and some readers take only the
    // first frame's colours. A colour takes a second slot only while every
    // colour can still get one.
    for (const Pair& pair : pairs) {
      if (owner[pair.slot] >= 0 || !(screenPalette[pair.slot] == colourOfId[pair.id])) continue;
      if (primary[pair.id] >= 0 && freeSlots - 1 < withoutSlot) continue;
      take(pair.id, pair.slot);
    }
    for (size_t id = 0; id < ids; ++id) {
      for (int slot = 0; slot < 256 && primary[id] < 0; ++slot) {
        if (owner[slot] < 0 && screenPalette[slot] == colourOfId[id]) take(static_cast<int>(id), slot);
      }
    }
    // New colours go where their pixels are, so a palette that only changes
    // its colours costs no pixels.
    for (const Pair& pair : pairs) {
      if (owner[pair.slot] < 0 && primary[pair.id] < 0) take(pair.id, pair.slot);
    }
    // The rest take the first free slot.
    for (size_t id = 0; id < ids; ++id) {
      for (int slot = 0; slot < 256 && primary[id] < 0; ++slot) {
        if (owner[slot] < 0) take(static_cast<int>(id), slot);
      }
    }
    palette = screenPalette;
    for (int slot = 0; slot < 256; ++slot) {
      if (owner[slot] >= 0) palette[slot] = colourOfId[owner[slot]];
    }
    for (size_t p = 0; p < pixels; ++p) {
      const int id = idOfIndex[indices[p]];
      out[p] = owner[screen[p]] == id ? screen[p] : static_cast<uint8_t>(primary[id]);
    }
  }

 private:
  std::vector<uint32_t> votes_;
};

}  // namespace

struct FlicWriter::State {
  FlicSink& sink;
  FlicWriterSettings settings;
  size_t pixels;
  bool started = false;
  bool finished = false;
  uint32_t records = 0;
  uint64_t bytes = 0;
  uint32_t oframe1 = 0;
  uint32_t oframe2 = 0;
  std::vector<uint8_t> screen;  // the file's indices as a reader has them now
  BasePalette screenPalette{};  // in the file's values (0-63 for FLI)
  std::vector<uint8_t> first;
  BasePalette firstPalette{};
  std::vector<uint8_t> next;
  BasePalette nextPalette{};
  SlotChooser chooser;
  encode::LinePlanner runPlanner, fliPlanner, flcPlanner;  // one for each candidate, as they may run at once
  encode::Bytes runs, fliDelta, flcDelta, copy, colourData, record;

  State(FlicSink& s, const FlicWriterSettings& set) : sink(s), settings(set), pixels(size_t{set.width} * set.height) {}

  void Append(const encode::Bytes& data) {
    sink.Append(data.data(), data.size());
    bytes += data.size();
  }

  static void AddChunk(encode::Bytes& to, uint16_t type, const encode::Bytes& data) {
    const uint32_t size = static_cast<uint32_t>(kChunkHeaderSize + data.size() + (data.size() & 1));
    AppendU32(to, size);
    AppendU16(to, type);
    to.insert(to.end(), data.begin(), data.end());
    if (data.size() & 1) to.push_back(0);
  }

  // The smallest chunk that turns `from` into `to`, left in `chunk`; false
  // when they are equal. The candidates are made apart and compared in one
  // order, so the choice is the same whichever threads made them.
  bool PixelChunk(const uint8_t* from, const uint8_t* to, bool firstFrame, uint16_t& type,
                  const encode::Bytes*& chunk) {
    const bool fli = settings.kind == FlicKind::Fli;
    if (!firstFrame && std::memcmp(from, to, pixels) == 0) return false;
    const uint32_t forms = settings.forms;
    if ((forms & kFormBlack) && std::all_of(to, to + pixels, [](uint8_t v) { return v == 0; })) {
      type = BLACK;
      runs.clear();
      chunk = &runs;
      return true;
    }
    const uint32_t w = settings.width, h = settings.height;
    const bool tryFli = !firstFrame && (forms & kFormDeltaFli);
    const bool tryFlc = !firstFrame && !fli && (forms & kFormDeltaFlc);
    bool fliFits = false;
    const auto byteRun = [&] { encode::ByteRun(runPlanner, to, w, h, runs); };
    const auto deltaFli = [&] { fliFits = tryFli && encode::DeltaFli(fliPlanner, from, to, w, h, fliDelta); };
    const auto deltaFlc = [&] {
      if (tryFlc) encode::DeltaFlc(flcPlanner, from, to, w, h, flcDelta);
    };
    // The whole-picture run takes the longest (about a third more than either
    // delta): with two threads it goes to the helper, with three each
    // candidate has a thread of its own.
    const int helpers = std::min(settings.threads, 3) - 1;
    if (helpers <= 0 || (!tryFli && !tryFlc)) {
      byteRun();
      deltaFli();
      deltaFlc();
    } else {
      std::future<void> runsDone = std::async(std::launch::async, byteRun);
      std::future<void> fliDone;
      if (helpers >= 2 && tryFlc)
        fliDone = std::async(std::launch::async, deltaFli);
      else
        deltaFli();
      deltaFlc();
      if (fliDone.valid()) fliDone.get();
      runsDone.get();
    }
    chunk = &runs;
    type = BYTE_RUN;
    bool fallback = !(forms & kFormByteRun);
    const auto consider = [&](uint16_t candidate, const encode::Bytes& data) {
      if (fallback || data.size() < chunk->size()) {
        fallback = false;
        chunk = &data;
        type = candidate;
      }
    };
    if (fliFits) consider(DELTA_FLI, fliDelta);
    if (tryFlc) consider(DELTA_FLC, flcDelta);
    // Some readers skip a raw chunk whose lines are not a multiple of 4 wide.
    if ((forms & kFormCopy) && w % 4 == 0 && (fallback || pixels < chunk->size())) {
      copy.assign(to, to + pixels);
      chunk = &copy;
      type = FLI_COPY;
    }
    return true;
  }

  void WriteRecord(const uint8_t* from, const BasePalette& fromPalette, const uint8_t* to, const BasePalette& toPalette,
                   bool firstFrame) {
    record.assign(kFrameHeaderSize, 0);
    uint16_t chunks = 0;
    encode::Palette(fromPalette, toPalette, firstFrame, colourData);
    if (!colourData.empty()) {
      AddChunk(record, settings.kind == FlicKind::Fli ? COLOR_64 : COLOR_256, colourData);
      ++chunks;
    }
    uint16_t type = 0;
    const encode::Bytes* chunk = nullptr;
    if (PixelChunk(from, to, firstFrame, type, chunk)) {
      AddChunk(record, type, *chunk);
      ++chunks;
    }
    WriteU32(record.data(), static_cast<uint32_t>(record.size()));
    WriteU16(record.data() + 4, kFrameMagic);
    WriteU16(record.data() + 6, chunks);
    Append(record);
  }

  void EmptyRecord() {
    record.assign(kFrameHeaderSize, 0);
    WriteU32(record.data(), kFrameHeaderSize);
    WriteU16(record.data() + 4, kFrameMagic);
    Append(record);
  }

  void NoteRecord() {
    if (records == 1) oframe2 = static_cast<uint32_t>(bytes);
    if (++records > kMaxRecords) {
      throw FlicWriteError("a flic holds at most 65535 frames");
    }
  }

  void Header() {
    uint8_t h[kFlicHeaderSize] = {};
    const bool fli = settings.kind == FlicKind::Fli;
    WriteU32(h, static_cast<uint32_t>(bytes));
    WriteU16(h + 4, fli ? kFliMagic : kFlcMagic);
    WriteU16(h + 6, static_cast<uint16_t>(records));
    WriteU16(h + 8, settings.width);
    WriteU16(h + 10, settings.height);
    WriteU16(h + 12, 8);
    WriteU16(h + 14, 3);  // written to the end and closed
    if (fli) {
      WriteU16(h + 16, static_cast<uint16_t>(settings.speed));
    } else {
      WriteU32(h + 16, settings.speed);
    }
    const uint32_t when = DosDateTime(settings.time != 0 ? settings.time : std::time(nullptr));
    WriteU32(h + 22, when);
    WriteU32(h + 26, kCreatorId);
    WriteU32(h + 30, when);
    WriteU32(h + 34, kCreatorId);
    uint16_t ax = settings.kept.aspectX, ay = settings.kept.aspectY;
    if (ax == 0 || ay == 0) {
      const bool vga = settings.width == 320 && settings.height == 200;
      ax = vga ? 6 : 1;
      ay = vga ? 5 : 1;
    }
    WriteU16(h + 38, ax);
    WriteU16(h + 40, ay);
    WriteU32(h + 80, oframe1);
    WriteU32(h + 84, oframe2);
    std::memcpy(h + 88, settings.kept.tail.data(), settings.kept.tail.size());
    sink.Overwrite(0, h, sizeof h);
  }
};

FlicTiming PlanFlicTiming(const std::vector<uint32_t>& durationsMs, FlicKind kind) {
  FlicTiming timing;
  std::vector<uint64_t> units;
  uint64_t divisor = 0;
  uint64_t shortest = 0;
  for (uint32_t ms : durationsMs) {
    const uint64_t u = kind == FlicKind::Fli ? (uint64_t{ms} * 70 + 500) / 1000 : ms;
    units.push_back(u);
    divisor = std::gcd(divisor, u);
    if (u > 0 && (shortest == 0 || u < shortest)) shortest = u;
  }
  if (divisor == 0) {
    timing.records.assign(units.size(), 1);
    return timing;
  }
  // A divisor above the speed's range gives way to its largest divisor within it.
  if (divisor > kMaxSpeed) {
    uint64_t k = (divisor + kMaxSpeed - 1) / kMaxSpeed;
    while (divisor % k != 0) ++k;
    divisor /= k;
  }
  uint64_t total = 0;
  for (uint64_t u : units) total += std::max<uint64_t>(1, u / divisor);
  if (total <= kMaxRecords) {
    timing.speed = static_cast<uint32_t>(divisor);
    for (uint64_t u : units) timing.records.push_back(static_cast<uint32_t>(std::max<uint64_t>(1, u / divisor)));
    return timing;
  }
  // Too fine a unit: the shortest frame sets it and each end is rounded.
  const uint64_t unit = std::min<uint64_t>(shortest, kMaxSpeed);
  timing.speed = static_cast<uint32_t>(unit);
  uint64_t sum = 0, endBefore = 0;
  for (uint64_t u : units) {
    sum += u;
    const uint64_t end = std::max(endBefore + 1, (2 * sum + unit) / (2 * unit));
    timing.records.push_back(static_cast<uint32_t>(end - endBefore));
    endBefore = end;
  }
  return timing;
}

std::string FlicWriteProblem(FlicKind kind, uint64_t width, uint64_t height, uint64_t records) {
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  if (kind == FlicKind::Fli && (width != 320 || height != 200)) {
    return "an FLI is always 320x200 and this animation is " + size + "; write a .flc instead";
  }
  if (width < 1 || height < 1 || width > 0xFFFF || height > 0xFFFF) {
    return "a flic's sides are 1 to 65535 pixels and this animation is " + size;
  }
  if (records < 1 || records > kMaxRecords) {
    return "a flic holds 1 to 65535 frames and this animation needs " + std::to_string(records);
  }
  return "";
}

FlicWriter::FlicWriter(FlicSink& sink, const FlicWriterSettings& settings) : state_(new State(sink, settings)) {
  const std::string problem = FlicWriteProblem(settings.kind, settings.width, settings.height, 1);
  if (!problem.empty()) {
    delete state_;
    throw FlicWriteError(problem);
  }
  state_->screen.assign(state_->pixels, 0);
  state_->next.resize(state_->pixels);
  // The header is written again once the sizes are known.
  state_->Append(encode::Bytes(kFlicHeaderSize, 0));
  const std::vector<uint8_t>& prefix = settings.kept.prefix;
  if (settings.kind == FlicKind::Flc && prefix.size() >= kFrameHeaderSize) state_->Append(prefix);
  state_->oframe1 = static_cast<uint32_t>(state_->bytes);
}

FlicWriter::~FlicWriter() { delete state_; }

void FlicWriter::Add(const uint8_t* indices, const BasePalette& colours, uint32_t records) {
  State& s = *state_;
  if (records == 0) return;
  BasePalette fileColours = colours;
  if (s.settings.kind == FlicKind::Fli) {
    for (RgbColour& c : fileColours) c = RgbColour{SixBit(c.red), SixBit(c.green), SixBit(c.blue)};
  }
  const bool firstFrame = !s.started;
  if (firstFrame || s.settings.fixedPalette) {
    std::memcpy(s.next.data(), indices, s.pixels);
    s.nextPalette = fileColours;
  } else {
    s.chooser.Choose(indices, s.pixels, fileColours, s.screen.data(), s.screenPalette, s.nextPalette, s.next.data());
  }
  s.NoteRecord();
  s.WriteRecord(s.screen.data(), s.screenPalette, s.next.data(), s.nextPalette, firstFrame);
  s.screen.swap(s.next);
  s.screenPalette = s.nextPalette;
  if (firstFrame) {
    s.first = s.screen;
    s.firstPalette = s.screenPalette;
    s.started = true;
  }
  for (uint32_t r = 1; r < records; ++r) {
    s.NoteRecord();
    s.EmptyRecord();
  }
}

void FlicWriter::Finish() {
  State& s = *state_;
  if (s.finished) return;
  if (!s.started) throw FlicWriteError("a flic needs at least one frame");
  // The ring frame: from the last picture back to the first.
  if (s.records == 1) s.oframe2 = static_cast<uint32_t>(s.bytes);
  s.WriteRecord(s.screen.data(), s.screenPalette, s.first.data(), s.firstPalette, false);
  s.Header();
  s.finished = true;
}

uint32_t FlicWriter::Records() const { return state_->records; }
uint64_t FlicWriter::BytesWritten() const { return state_->bytes; }

std::vector<uint8_t> WriteFlicToMemory(const FlicWriterSettings& settings,
                                       const std::vector<std::vector<uint8_t>>& pictures,
                                       const std::vector<BasePalette>& palettes) {
  MemoryFlicSink sink;
  FlicWriter writer(sink, settings);
  for (size_t i = 0; i < pictures.size(); ++i)
    writer.Add(pictures[i].data(), palettes[std::min(i, palettes.size() - 1)]);
  writer.Finish();
  return std::move(sink.bytes);
}

}  // namespace kt
