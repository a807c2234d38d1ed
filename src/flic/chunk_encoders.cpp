#include "flic/chunk_encoders.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "base/bytes.h"

namespace kt::encode {
namespace {

constexpr uint32_t kNever = std::numeric_limits<uint32_t>::max() / 2;
constexpr uint32_t kMaxUnits = 127;  // a signed count byte either way
enum From : uint8_t { kNone, kSkip, kLiteral, kRepeat, kStart, kExtend };

// Hands each packet, cut to what a count byte holds, to `emit` with the
// pixels skipped before it; `emit` returns the packets it wrote.
template <typename Emit>
size_t EmitPackets(const std::vector<LinePlanner::Packet>& packets, uint32_t unit, Emit emit) {
  size_t count = 0;
  uint32_t at = 0;
  for (const LinePlanner::Packet& p : packets) {
    uint32_t x = p.x;
    uint32_t left = p.units;
    uint32_t skip = x - at;
    while (left > 0) {
      const uint32_t units = std::min(left, kMaxUnits);
      count += emit(skip, x, units, p.repeat, at);
      skip = 0;
      x += units * unit;
      left -= units;
      at = x;
    }
  }
  return count;
}

}  // namespace

const std::vector<LinePlanner::Packet>& LinePlanner::Plan(const uint8_t* now, const uint8_t* was, uint32_t width,
                                                          uint32_t unit, uint32_t header) {
  const size_t n = width + 1;
  best_.assign(n, kNever);
  literal_.assign(n, kNever);
  repeat_.assign(n, kNever);
  bestFrom_.assign(n, kNone);
  literalFrom_.assign(n, kNone);
  repeatFrom_.assign(n, kNone);
  best_[0] = 0;
  const auto sameUnit = [&](uint32_t a, uint32_t b) { return std::memcmp(now + a, now + b, unit) == 0; };
  for (uint32_t x = 0; x <= width; ++x) {
    if (literal_[x] < best_[x]) {
      best_[x] = literal_[x];
      bestFrom_[x] = kLiteral;
    }
    if (repeat_[x] < best_[x]) {
      best_[x] = repeat_[x];
      bestFrom_[x] = kRepeat;
    }
    if (x == width || best_[x] >= kNever) continue;
    if (was != nullptr && now[x] == was[x] && best_[x] < best_[x + 1]) {
      best_[x + 1] = best_[x];
      bestFrom_[x + 1] = kSkip;
    }
    if (x + unit > width) continue;
    const uint32_t start = best_[x] + header + unit;
    uint32_t& lit = literal_[x + unit];
    if (literal_[x] < kNever && literal_[x] + unit < start) {
      lit = literal_[x] + unit;
      literalFrom_[x + unit] = kExtend;
    } else {
      lit = start;
      literalFrom_[x + unit] = kStart;
    }
    uint32_t& rep = repeat_[x + unit];
    if (repeat_[x] < kNever && x >= unit && sameUnit(x, x - unit) && repeat_[x] < start) {
      rep = repeat_[x];
      repeatFrom_[x + unit] = kExtend;
    } else {
      rep = start;
      repeatFrom_[x + unit] = kStart;
    }
  }
  packets_.clear();
  uint32_t x = width;
  while (x > 0) {
    const uint8_t from = bestFrom_[x];
    if (from == kSkip) {
      --x;
      continue;
    }
    const std::vector<uint8_t>& chain = from == kLiteral ? literalFrom_ : repeatFrom_;
    const uint32_t end = x;
    while (chain[x] == kExtend) x -= unit;
    x -= unit;
    packets_.push_back(Packet{x, (end - x) / unit, from == kRepeat});
  }
  std::reverse(packets_.begin(), packets_.end());
  return packets_;
}

void ByteRun(LinePlanner& planner, const uint8_t* pixels, uint32_t width, uint32_t height, Bytes& out) {
  out.clear();
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* row = pixels + static_cast<size_t>(y) * width;
    const size_t countAt = out.size();
    out.push_back(0);
    const size_t count = EmitPackets(planner.Plan(row, nullptr, width, 1, 1), 1,
                                     [&](uint32_t, uint32_t x, uint32_t units, bool repeat, uint32_t) {
                                       if (repeat) {
                                         out.push_back(static_cast<uint8_t>(units));
                                         out.push_back(row[x]);
                                       } else {
                                         out.push_back(static_cast<uint8_t>(-static_cast<int>(units)));
                                         out.insert(out.end(), row + x, row + x + units);
                                       }
                                       return 1u;
                                     });
    // Readers go by the width; old ones still look at the count.
    out[countAt] = count > 255 ? 0 : static_cast<uint8_t>(count);
  }
}

bool DeltaFli(LinePlanner& planner, const uint8_t* before, const uint8_t* after, uint32_t width, uint32_t height,
              Bytes& out) {
  const auto rowChanged = [&](uint32_t y) {
    const size_t at = static_cast<size_t>(y) * width;
    return std::memcmp(before + at, after + at, width) != 0;
  };
  uint32_t first = 0;
  while (first < height && !rowChanged(first)) ++first;
  uint32_t last = height;
  while (last > first && !rowChanged(last - 1)) --last;
  if (first == height || first > 0xFFFF || last - first > 0xFFFF) return false;
  out.clear();
  AppendU16(out, static_cast<uint16_t>(first));
  AppendU16(out, static_cast<uint16_t>(last - first));
  for (uint32_t y = first; y < last; ++y) {
    const size_t at = static_cast<size_t>(y) * width;
    const size_t countAt = out.size();
    out.push_back(0);
    if (std::memcmp(before + at, after + at, width) == 0) continue;
    const uint8_t* row = after + at;
    const size_t count = EmitPackets(planner.Plan(row, before + at, width, 1, 2), 1,
                                     [&](uint32_t skip, uint32_t x, uint32_t units, bool repeat, uint32_t) {
                                       // A skip over 255 takes packets that only skip.
                                       uint32_t packets = 1;
                                       for (; skip > 255; skip -= 255, ++packets) {
                                         out.push_back(255);
                                         out.push_back(0);
                                       }
                                       out.push_back(static_cast<uint8_t>(skip));
                                       if (repeat) {
                                         out.push_back(static_cast<uint8_t>(-static_cast<int>(units)));
                                         out.push_back(row[x]);
                                       } else {
                                         out.push_back(static_cast<uint8_t>(units));
                                         out.insert(out.end(), row + x, row + x + units);
                                       }
                                       return packets;
                                     });
    if (count > 255) return false;
    out[countAt] = static_cast<uint8_t>(count);
  }
  return true;
}

void DeltaFlc(LinePlanner& planner, const uint8_t* before, const uint8_t* after, uint32_t width, uint32_t height,
              Bytes& out) {
  out.assign(2, 0);
  uint32_t coded = 0;
  uint32_t skipped = 0;
  // The last pixel of an odd width has an opcode of its own; the words
  // cover the even part.
  const uint32_t even = width & ~1u;
  for (uint32_t y = 0; y < height; ++y) {
    const size_t at = static_cast<size_t>(y) * width;
    const uint8_t* row = after + at;
    const uint8_t* was = before + at;
    const bool lastChanged = (width & 1) != 0 && row[width - 1] != was[width - 1];
    if (!lastChanged && std::memcmp(was, row, even) == 0) {
      ++skipped;
      continue;
    }
    for (; skipped > 0; skipped -= std::min<uint32_t>(skipped, 0x4000)) {
      AppendU16(out, static_cast<uint16_t>(-static_cast<int32_t>(std::min<uint32_t>(skipped, 0x4000))));
    }
    if (lastChanged) AppendU16(out, static_cast<uint16_t>(0x8000 | row[width - 1]));
    const size_t countAt = out.size();
    AppendU16(out, 0);
    const size_t count = EmitPackets(planner.Plan(row, was, even, 2, 2), 2,
                                     [&](uint32_t skip, uint32_t x, uint32_t units, bool repeat, uint32_t at) {
                                       // A skip over 255 steps on by copying one word of the new
                                       // line: an empty packet is not read alike everywhere.
                                       uint32_t packets = 1;
                                       while (skip > 255) {
                                         out.push_back(254);
                                         out.push_back(1);
                                         out.push_back(row[at + 254]);
                                         out.push_back(row[at + 255]);
                                         at += 256;
                                         skip -= 256;
                                         ++packets;
                                       }
                                       out.push_back(static_cast<uint8_t>(skip));
                                       out.push_back(static_cast<uint8_t>(repeat ? -static_cast<int>(units) : units));
                                       if (repeat) {
                                         out.push_back(row[x]);
                                         out.push_back(row[x + 1]);
                                       } else {
                                         out.insert(out.end(), row + x, row + x + 2 * units);
                                       }
                                       return packets;
                                     });
    WriteU16(out.data() + countAt, static_cast<uint16_t>(count));
    ++coded;
  }
  WriteU16(out.data(), static_cast<uint16_t>(coded));
}

void Palette(const BasePalette& before, const BasePalette& after, bool whole, Bytes& out) {
  out.assign(2, 0);
  uint16_t packets = 0;
  int at = 0;
  for (int i = 0; i < 256;) {
    if (!whole && before[i] == after[i]) {
      ++i;
      continue;
    }
    int end = i + 1;
    while (end < 256 && (whole || before[end] != after[end])) ++end;
    out.push_back(static_cast<uint8_t>(i - at));
    out.push_back(static_cast<uint8_t>(end - i));  // 256 is stored as 0
    for (int k = i; k < end; ++k) {
      out.push_back(after[k].red);
      out.push_back(after[k].green);
      out.push_back(after[k].blue);
    }
    ++packets;
    at = i = end;
  }
  if (packets == 0) {
    out.clear();
    return;
  }
  WriteU16(out.data(), packets);
}

}  // namespace kt::encode
