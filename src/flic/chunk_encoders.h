// The chunk encoders behind the flic writer. Each line is planned for the
// fewest bytes its packets can take, so the writer only has to compare the
// whole chunks. Internal to the writer.
#pragma once

#include <cstdint>
#include <vector>

#include "colour/base_palette.h"

namespace kt::encode {

using Bytes = std::vector<uint8_t>;

// Plans one line as packets; keeps its scratch between lines.
class LinePlanner {
 public:
  struct Packet {
    uint32_t x = 0;      // first pixel
    uint32_t units = 0;  // pixels, or pixel pairs for words
    bool repeat = false;
  };
  // `was` null: every pixel is written; otherwise pixels equal in both may be
  // skipped. `unit` is 1 (bytes) or 2 (words); `header` the bytes a packet
  // costs before its data.
  const std::vector<Packet>& Plan(const uint8_t* now, const uint8_t* was, uint32_t width, uint32_t unit,
                                  uint32_t header);

 private:
  std::vector<uint32_t> best_, literal_, repeat_;
  std::vector<uint8_t> bestFrom_, literalFrom_, repeatFrom_;
  std::vector<Packet> packets_;
};

// BYTE_RUN of the whole picture.
void ByteRun(LinePlanner& planner, const uint8_t* pixels, uint32_t width, uint32_t height, Bytes& out);
// DELTA_FLI from `before` to `after`; false when a line needs more packets
// than its count byte holds. Only called when something changed.
bool DeltaFli(LinePlanner& planner, const uint8_t* before, const uint8_t* after, uint32_t width, uint32_t height,
              Bytes& out);
// DELTA_FLC from `before` to `after`. Only called when something changed.
void DeltaFlc(LinePlanner& planner, const uint8_t* before, const uint8_t* after, uint32_t width, uint32_t height,
              Bytes& out);
// COLOR_256 or COLOR_64 data (the values as stored) of the entries that
// differ, or of all with `whole`; empty when none differ.
void Palette(const BasePalette& before, const BasePalette& after, bool whole, Bytes& out);

}  // namespace kt::encode
