// The flic writer's chunk encoders for single chunks, and synthetic
// pictures with the run and change lengths of real animation.
// The benchmarks decode what these write; the fuzz seed writer starts from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <vector>

#include "base/bytes.h"
#include "flic/chunk_encoders.h"
#include "flic_records.h"

namespace kt::encode {

// The pixels a DELTA_FLI (fli) or DELTA_FLC chunk writes, for the
// benchmarks' pixels-a-second figures.
inline size_t PixelsWritten(const Bytes& chunk, bool fli) {
  size_t pixels = 0, at = 0;
  const auto u8 = [&] { return chunk[at++]; };
  const auto u16 = [&] {
    at += 2;
    return ReadU16(chunk.data() + at - 2);
  };
  const auto packets = [&](unsigned count, unsigned unit) {
    for (unsigned p = 0; p < count; ++p) {
      u8();
      const auto c = static_cast<int8_t>(u8());
      const bool literal = fli ? c > 0 : c >= 0;
      const size_t n = static_cast<size_t>(c < 0 ? -c : c);
      pixels += n * unit;
      at += literal ? n * unit : unit;
    }
  };
  if (fli) {
    u16();
    for (unsigned lines = u16(); lines > 0; --lines) packets(u8(), 1);
    return pixels;
  }
  for (unsigned lines = u16(); lines > 0; --lines) {
    uint16_t op = u16();
    for (; op & 0x8000; op = u16()) pixels += (op & 0x4000) ? 0 : 1;
    packets(op, 2);
  }
  return pixels;
}

// BYTE_RUN, DELTA_FLI and DELTA_FLC as the flic writer makes them.
inline Bytes EncodeByteRun(const Bytes& image, uint16_t width, uint16_t height) {
  kt::encode::LinePlanner planner;
  Bytes out;
  kt::encode::ByteRun(planner, image.data(), width, height, out);
  return out;
}

// Nothing changed: an empty band.
inline Bytes EncodeDeltaFli(const Bytes& before, const Bytes& after, uint16_t width, uint16_t height,
                            size_t* written = nullptr) {
  kt::encode::LinePlanner planner;
  Bytes out;
  if (!kt::encode::DeltaFli(planner, before.data(), after.data(), width, height, out)) out.assign(4, 0);
  if (written) *written = PixelsWritten(out, true);
  return out;
}

inline Bytes EncodeDeltaFlc(const Bytes& before, const Bytes& after, uint16_t width, uint16_t height,
                            size_t* written = nullptr) {
  kt::encode::LinePlanner planner;
  Bytes out;
  kt::encode::DeltaFlc(planner, before.data(), after.data(), width, height, out);
  if (written) *written = PixelsWritten(out, false);
  return out;
}

// COLOR_256 or COLOR_64 setting all 256 entries in one packet.
inline Bytes EncodeFullPalette(const std::vector<uint8_t>& rgb, bool sixBit) {
  kt::BasePalette palette{};
  for (size_t i = 0; i < 256; ++i) {
    const auto v = [&](size_t k) { return sixBit ? static_cast<uint8_t>(rgb[3 * i + k] >> 2) : rgb[3 * i + k]; };
    palette[i] = kt::RgbColour{v(0), v(1), v(2)};
  }
  Bytes out;
  kt::encode::Palette(palette, palette, true, out);
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
