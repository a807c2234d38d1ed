// Encoders for the chunk types, the way flic authoring programs write them,
// and synthetic pictures with the run and change lengths of real animation.
// The benchmarks decode what these write; the fuzz seed writer starts from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <vector>

#include "base/bytes.h"
#include "flic_records.h"

namespace kt::encode {

using test::Bytes;

// Equal pixels from `from` on, at most `limit` of them and not past `end`.
inline size_t RunLength(const uint8_t* p, size_t from, size_t end, size_t limit) {
  size_t n = 1;
  while (from + n < end && n < limit && p[from + n] == p[from]) ++n;
  return n;
}

// BYTE_RUN: per line a packet-count byte, then repeats (positive count) of
// three or more equal bytes and literal stretches (negative count) between.
inline Bytes EncodeByteRun(const Bytes& image, uint16_t width, uint16_t height) {
  Bytes out;
  for (size_t y = 0; y < height; ++y) {
    const uint8_t* row = image.data() + y * width;
    const size_t countAt = out.size();
    out.push_back(0);
    unsigned packets = 0;
    size_t x = 0;
    while (x < width) {
      const size_t run = RunLength(row, x, width, 127);
      if (run >= 3) {
        out.push_back(static_cast<uint8_t>(run));
        out.push_back(row[x]);
        x += run;
      } else {
        size_t end = x;
        while (end < width && end - x < 128 && RunLength(row, end, width, 3) < 3) ++end;
        if (end == x) end = x + 1;  // cannot happen: a run below 3 was just seen at x
        out.push_back(static_cast<uint8_t>(-static_cast<int>(end - x)));
        out.insert(out.end(), row + x, row + end);
        x = end;
      }
      ++packets;
    }
    out[countAt] = static_cast<uint8_t>(packets > 255 ? 255 : packets);
  }
  return out;
}

// DELTA_FLI: the band of lines from the first changed to the last changed
// one; per line byte packets of a skip and a literal or repeat run.
// `written`, when given, receives the number of pixels the chunk writes.
inline Bytes EncodeDeltaFli(const Bytes& before, const Bytes& after, uint16_t width, uint16_t height,
                            size_t* written = nullptr) {
  size_t pixels = 0;
  auto changed = [&](size_t y) {
    for (size_t x = 0; x < width; ++x)
      if (before[y * width + x] != after[y * width + x]) return true;
    return false;
  };
  size_t first = 0;
  while (first < height && !changed(first)) ++first;
  size_t last = height;
  while (last > first && !changed(last - 1)) --last;
  Bytes out;
  AppendU16(out, static_cast<uint16_t>(first == height ? 0 : first));
  AppendU16(out, static_cast<uint16_t>(last - first));
  for (size_t y = first; y < last; ++y) {
    const uint8_t* was = before.data() + y * width;
    const uint8_t* now = after.data() + y * width;
    const size_t countAt = out.size();
    out.push_back(0);
    unsigned packets = 0;
    size_t x = 0;
    for (;;) {
      size_t next = x;
      while (next < width && was[next] == now[next]) ++next;
      if (next == width) break;
      size_t skip = next - x;
      while (skip > 255) {  // a longer skip takes empty literal packets
        out.push_back(255);
        out.push_back(0);
        skip -= 255;
        ++packets;
      }
      out.push_back(static_cast<uint8_t>(skip));
      x = next;
      const size_t run = RunLength(now, x, width, 128);
      if (run >= 4) {
        out.push_back(static_cast<uint8_t>(-static_cast<int>(run)));
        out.push_back(now[x]);
        x += run;
        pixels += run;
      } else {
        // Literal over changed pixels, bridging gaps of one unchanged pixel.
        size_t end = x;
        while (end < width && end - x < 127 &&
               (was[end] != now[end] || (end + 1 < width && was[end + 1] != now[end + 1])) &&
               (end == x || RunLength(now, end, width, 4) < 4)) {
          ++end;
        }
        out.push_back(static_cast<uint8_t>(end - x));
        out.insert(out.end(), now + x, now + end);
        pixels += end - x;
        x = end;
      }
      ++packets;
    }
    if (packets > 255) throw std::runtime_error("DELTA_FLI line needs more than 255 packets");
    out[countAt] = static_cast<uint8_t>(packets);
  }
  if (written) *written = pixels;
  return out;
}

// DELTA_FLC: unchanged lines skipped with a line-skip word, changed lines
// as word packets; an odd width's last pixel goes by its own opcode.
// `written`, when given, receives the number of pixels the chunk writes.
inline Bytes EncodeDeltaFlc(const Bytes& before, const Bytes& after, uint16_t width, uint16_t height,
                            size_t* written = nullptr) {
  size_t pixels = 0;
  Bytes out;
  AppendU16(out, 0);
  uint16_t lines = 0;
  size_t skipped = 0;
  const size_t pairs = width / 2;
  for (size_t y = 0; y < height; ++y) {
    const uint8_t* was = before.data() + y * width;
    const uint8_t* now = after.data() + y * width;
    auto wordChanged = [&](size_t i) { return was[2 * i] != now[2 * i] || was[2 * i + 1] != now[2 * i + 1]; };
    auto sameWord = [&](size_t i, size_t j) { return now[2 * i] == now[2 * j] && now[2 * i + 1] == now[2 * j + 1]; };
    const bool lastChanged = (width & 1) && was[width - 1] != now[width - 1];
    bool anyWord = false;
    for (size_t i = 0; i < pairs && !anyWord; ++i) anyWord = wordChanged(i);
    if (!anyWord && !lastChanged) {
      ++skipped;
      continue;
    }
    while (skipped > 0) {
      const size_t n = skipped > 16384 ? 16384 : skipped;
      AppendU16(out, static_cast<uint16_t>(-static_cast<int>(n)));
      skipped -= n;
    }
    if (lastChanged) {
      AppendU16(out, static_cast<uint16_t>(0x8000 | now[width - 1]));
      ++pixels;
    }
    const size_t countAt = out.size();
    AppendU16(out, 0);
    uint16_t packets = 0;
    size_t i = 0;
    for (;;) {
      size_t next = i;
      while (next < pairs && !wordChanged(next)) ++next;
      if (next == pairs) break;
      size_t skip = 2 * (next - i);
      while (skip > 254) {
        out.push_back(254);
        out.push_back(0);
        skip -= 254;
        ++packets;
      }
      out.push_back(static_cast<uint8_t>(skip));
      i = next;
      size_t run = 1;
      while (i + run < pairs && run < 128 && sameWord(i, i + run)) ++run;
      if (run >= 2) {
        out.push_back(static_cast<uint8_t>(-static_cast<int>(run)));
        out.push_back(now[2 * i]);
        out.push_back(now[2 * i + 1]);
        i += run;
        pixels += 2 * run;
      } else {
        size_t end = i;
        while (end < pairs && end - i < 127 && (wordChanged(end) || (end + 1 < pairs && wordChanged(end + 1))) &&
               (end == i || end + 1 >= pairs || !sameWord(end, end + 1))) {
          ++end;
        }
        out.push_back(static_cast<uint8_t>(end - i));
        out.insert(out.end(), now + 2 * i, now + 2 * end);
        pixels += 2 * (end - i);
        i = end;
      }
      ++packets;
    }
    WriteU16(&out[countAt], packets);
    ++lines;
  }
  WriteU16(&out[0], lines);
  if (written) *written = pixels;
  return out;
}

// COLOR_256 or COLOR_64 setting all 256 entries in one packet.
inline Bytes EncodeFullPalette(const std::vector<uint8_t>& rgb, bool sixBit) {
  Bytes out;
  AppendU16(out, 1);
  out.push_back(0);
  out.push_back(0);  // 0 means 256 colours
  for (uint8_t c : rgb) out.push_back(sixBit ? static_cast<uint8_t>(c >> 2) : c);
  return out;
}

// A picture of flat stretches (typical lengths 2 to 40 pixels) between
// dithered or textured ones (1 to 16 pixels of varying colour), as in
// painted animation frames.
inline Bytes SyntheticPicture(uint16_t width, uint16_t height, uint32_t seed) {
  std::mt19937 random(seed);
  Bytes image(static_cast<size_t>(width) * height);
  size_t i = 0;
  while (i < image.size()) {
    const bool flat = random() % 100 < 65;
    size_t n = flat ? 2 + random() % 39 : 1 + random() % 16;
    if (n > image.size() - i) n = image.size() - i;
    const uint8_t base = static_cast<uint8_t>(random());
    for (size_t k = 0; k < n; ++k) image[i + k] = flat ? base : static_cast<uint8_t>(base + random() % 6);
    i += n;
  }
  return image;
}

// The next frame of an animation: a number of sprites, patches cut from
// another picture, move over the frame; about a seventh of the pixels change.
inline Bytes NextFrame(const Bytes& before, uint16_t width, uint16_t height, uint32_t seed) {
  std::mt19937 random(seed);
  const Bytes texture = SyntheticPicture(width, height, seed * 7 + 1);
  Bytes after = before;
  const size_t spriteW = width / 8;
  const size_t spriteH = height / 7;
  for (int s = 0; s < 8; ++s) {
    const size_t x0 = random() % (width - spriteW);
    const size_t y0 = random() % (height - spriteH);
    for (size_t y = y0; y < y0 + spriteH; ++y)
      for (size_t x = x0; x < x0 + spriteW; ++x) after[y * width + x] = texture[y * width + x];
  }
  return after;
}

}  // namespace kt::encode
