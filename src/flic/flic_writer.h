// Writing 8-bit flics: each picture stored as the smallest chunk the format
// offers, palettes as only the entries that change, the ring frame back to
// the first picture, and a whole header. Holds two pictures (the one on
// screen and the first), never the animation.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "base/errors.h"
#include "colour/base_palette.h"

namespace kt {

enum class FlicKind { Flc, Fli };

// A flic that cannot be written as asked; the text says why.
class FlicWriteError : public PlayerError {
 public:
  using PlayerError::PlayerError;
};

// Where the bytes go: appended in order, and the header written over the
// first 128 bytes once the file is complete.
class FlicSink {
 public:
  virtual ~FlicSink() = default;
  virtual void Append(const uint8_t* bytes, size_t count) = 0;
  virtual void Overwrite(uint64_t offset, const uint8_t* bytes, size_t count) = 0;
};

class MemoryFlicSink : public FlicSink {
 public:
  std::vector<uint8_t> bytes;
  void Append(const uint8_t* data, size_t count) override { bytes.insert(bytes.end(), data, data + count); }
  void Overwrite(uint64_t offset, const uint8_t* data, size_t count) override {
    std::copy(data, data + count, bytes.begin() + static_cast<ptrdiff_t>(offset));
  }
};

// What a re-encoded flic keeps of its source.
struct FlicKeptBytes {
  std::array<uint8_t, 40> tail{};  // header bytes 88-127 (some games keep their own data there)
  uint16_t aspectX = 0;            // 0: the usual aspect for the size
  uint16_t aspectY = 0;
  std::vector<uint8_t> prefix;  // a whole prefix record (0xF100) to write before frame 1; FLC only
};

inline constexpr uint32_t kFormBlack = 1, kFormByteRun = 2, kFormDeltaFli = 4, kFormDeltaFlc = 8, kFormCopy = 16;
inline constexpr uint32_t kAllChunkForms = 31;

struct FlicWriterSettings {
  FlicKind kind = FlicKind::Flc;
  uint16_t width = 0;
  uint16_t height = 0;
  uint32_t speed = 0;  // the header's, in the format's unit: ms for FLC, 1/70 s for FLI
  // The indices are written as given and each frame's colours are its
  // palette. Otherwise the writer picks indices itself so that what stays on
  // screen stays in the file.
  bool fixedPalette = false;
  FlicKeptBytes kept;
  // The pixel chunks a frame may take (kChunkForms...); BYTE_RUN stands in
  // where none of them can. Benchmarks use it to write one kind of chunk.
  uint32_t forms = kAllChunkForms;
  // Threads a frame's candidate chunks are made on (at most three are
  // used); the file is the same for any number.
  int threads = 1;
  std::time_t time = 0;  // for the creation and update dates; 0 is now
};

// The header speed for frames of these durations and each frame's length in
// records (itself and the empty frames after it). The speed is the greatest
// common divisor of the durations in the format's unit, so every picture
// shows for its own time; where that would take more records than a flic
// holds, the shortest duration is the unit and the rounding is carried on.
struct FlicTiming {
  uint32_t speed = 0;
  std::vector<uint32_t> records;
};
FlicTiming PlanFlicTiming(const std::vector<uint32_t>& durationsMs, FlicKind kind);

// Why a flic of this size and number of records cannot be written; empty
// when it can. Asked before anything is encoded.
std::string FlicWriteProblem(FlicKind kind, uint64_t width, uint64_t height, uint64_t records);

class FlicWriter {
 public:
  // Raises FlicWriteError for a size the kind does not take.
  FlicWriter(FlicSink& sink, const FlicWriterSettings& settings);
  ~FlicWriter();
  FlicWriter(const FlicWriter&) = delete;
  FlicWriter& operator=(const FlicWriter&) = delete;

  // One picture (width x height indices, top row first) in its colours,
  // shown for `records` records: itself and records - 1 empty frames.
  void Add(const uint8_t* indices, const BasePalette& colours, uint32_t records = 1);
  // Writes the ring frame and the header.
  void Finish();

  uint32_t Records() const;  // frames written so far, the ring frame not counted
  uint64_t BytesWritten() const;

 private:
  struct State;
  State* state_;
};

// The whole flic in memory, for tools and tests: every picture once.
std::vector<uint8_t> WriteFlicToMemory(const FlicWriterSettings& settings,
                                       const std::vector<std::vector<uint8_t>>& pictures,
                                       const std::vector<BasePalette>& palettes);

}  // namespace kt
