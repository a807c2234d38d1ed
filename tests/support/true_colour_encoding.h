// Encoders for the chunks of 15, 16 and 24-bit flics, and their pictures:
// pixels of B bytes, as the file stores them. Header-only, for the tests, the
// test-data writer and the benchmark flic writer alike.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/bytes.h"
#include "flic_records.h"

namespace kt::encode {

using test::Bytes;

// Equal units of `unit` bytes from unit index `from` on, at most `limit`, not past `end`.
inline size_t UnitRun(const uint8_t* p, size_t from, size_t end, size_t limit, size_t unit) {
  size_t n = 1;
  while (from + n < end && n < limit && std::memcmp(p + (from + n) * unit, p + from * unit, unit) == 0) ++n;
  return n;
}

// BYTE_RUN's layout over units of `unit` bytes: DTA_BRUN with the pixel's
// size, the byte-oriented BYTE_RUN with 1 (and lines of width x B units).
inline Bytes EncodeUnitRuns(const Bytes& image, size_t lineUnits, size_t height, size_t unit) {
  Bytes out;
  for (size_t y = 0; y < height; ++y) {
    const uint8_t* row = image.data() + y * lineUnits * unit;
    const size_t countAt = out.size();
    out.push_back(0);
    unsigned packets = 0;
    size_t x = 0;
    while (x < lineUnits) {
      const size_t run = UnitRun(row, x, lineUnits, 127, unit);
      if (run >= 2) {
        out.push_back(static_cast<uint8_t>(run));
        out.insert(out.end(), row + x * unit, row + (x + 1) * unit);
        x += run;
      } else {
        size_t end = x + 1;
        while (end < lineUnits && end - x < 128 && UnitRun(row, end, lineUnits, 2, unit) < 2) ++end;
        out.push_back(static_cast<uint8_t>(-static_cast<int>(end - x)));
        out.insert(out.end(), row + x * unit, row + end * unit);
        x = end;
      }
      ++packets;
    }
    out[countAt] = static_cast<uint8_t>(packets > 255 ? 255 : packets);
  }
  return out;
}

// DTA_LC (and DELTA_FLC as these flics use it): changed lines only, unchanged
// lines as skip words, packets of a pixel skip and a literal or repeat run.
inline Bytes EncodePixelDelta(const Bytes& before, const Bytes& after, size_t width, size_t height, size_t unit) {
  Bytes body;
  uint16_t lines = 0;
  size_t skipped = 0;
  const size_t rowBytes = width * unit;
  for (size_t y = 0; y < height; ++y) {
    const uint8_t* was = before.data() + y * rowBytes;
    const uint8_t* now = after.data() + y * rowBytes;
    if (std::memcmp(was, now, rowBytes) == 0) {
      ++skipped;
      continue;
    }
    if (skipped > 0) AppendU16(body, static_cast<uint16_t>(-static_cast<int>(skipped)));
    skipped = 0;
    const size_t countAt = body.size();
    AppendU16(body, 0);
    uint16_t packets = 0;
    size_t x = 0;
    auto same = [&](size_t i) { return std::memcmp(was + i * unit, now + i * unit, unit) == 0; };
    while (true) {
      size_t skip = 0;
      while (x < width && same(x) && skip < 255) {
        ++x;
        ++skip;
      }
      if (x >= width) break;
      if (same(x)) {  // a skip of more than 255: an empty literal carries it on
        body.push_back(static_cast<uint8_t>(skip));
        body.push_back(0);
        ++packets;
        continue;
      }
      body.push_back(static_cast<uint8_t>(skip));
      const size_t run = UnitRun(now, x, width, 128, unit);
      if (run >= 2) {
        body.push_back(static_cast<uint8_t>(-static_cast<int>(run)));
        body.insert(body.end(), now + x * unit, now + (x + 1) * unit);
        x += run;
      } else {
        size_t end = x + 1;
        while (end < width && end - x < 127 && !same(end) && UnitRun(now, end, width, 2, unit) < 2) ++end;
        body.push_back(static_cast<uint8_t>(end - x));
        body.insert(body.end(), now + x * unit, now + end * unit);
        x = end;
      }
      ++packets;
    }
    WriteU16(&body[countAt], packets);
    ++lines;
  }
  Bytes out;
  AppendU16(out, lines);
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

// A picture of palette indices in true colour: index i becomes a colour that
// differs from its neighbours in every component, so runs and changes stay
// where they were.
inline Bytes TrueColourPicture(const Bytes& indices, unsigned pixelBits) {
  Bytes out;
  out.reserve(indices.size() * (pixelBits == 24 ? 3 : 2));
  for (const uint8_t i : indices) {
    const unsigned r = (i * 7u) & 255u;
    const unsigned g = (i * 13u + 40u) & 255u;
    const unsigned b = (255u - i * 3u) & 255u;
    if (pixelBits == 24) {
      out.insert(out.end(), {static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(r)});
    } else if (pixelBits == 16) {
      AppendU16(out, static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)));
    } else {
      AppendU16(out, static_cast<uint16_t>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3)));
    }
  }
  return out;
}

// A flic's 128-byte header with the figures given and the rest zero.
inline Bytes FlicHeaderBytes(uint16_t magic, uint16_t frames, uint16_t width, uint16_t height, uint16_t depth,
                             uint32_t speed, uint32_t oframe1) {
  Bytes header(128, 0);
  WriteU16(&header[4], magic);
  WriteU16(&header[6], frames);
  WriteU16(&header[8], width);
  WriteU16(&header[10], height);
  WriteU16(&header[12], depth);
  WriteU16(&header[14], 3);
  WriteU32(&header[16], speed);
  WriteU32(&header[80], oframe1);
  return header;
}

}  // namespace kt::encode
