// The writer's round trip: whatever pictures, palettes and frame lengths it
// is given, the flic it writes reads back through our reader as exactly
// those pictures, each for its records, and the ring frame as the first.
//
// Input: byte 0 the width and byte 1 the height (1 to 64, odd and even),
// byte 2 the kind, palette mode and chunk forms; then per frame a byte of records (1 to
// 3) and flags, 16 colours changed in the palette, and the picture's bytes
// (at most 4096; fewer than a picture are repeated).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "../tests/support/decoded_flic.h"
#include "flic/flic_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  kt::FlicWriterSettings settings;
  settings.width = static_cast<uint16_t>(1 + data[0] % 64);
  settings.height = static_cast<uint16_t>(1 + data[1] % 64);
  settings.fixedPalette = (data[2] & 1) != 0;
  if (data[2] >> 2 != 0) settings.forms = (data[2] >> 2) & kt::kAllChunkForms;
  // An FLI is always 320x200; small pictures are FLC, and the FLI path runs
  // on a picture that repeats the input.
  if (data[2] & 2) {
    settings.kind = kt::FlicKind::Fli;
    settings.width = 320;
    settings.height = 200;
  }
  const bool fli = settings.kind == kt::FlicKind::Fli;
  const size_t pixels = size_t{settings.width} * settings.height;
  size_t at = 3;
  kt::BasePalette palette{};
  std::vector<std::vector<uint8_t>> pictures;
  std::vector<kt::BasePalette> palettes;
  std::vector<uint32_t> records;
  while (at < size && pictures.size() < 8) {
    const uint8_t flags = data[at++];
    records.push_back(1 + flags % 3);
    for (int k = 0; k < 16 && at + 3 < size; ++k, at += 4) {
      palette[data[at]] = kt::RgbColour{data[at + 1], data[at + 2], data[at + 3]};
    }
    const size_t take = std::min({pixels, size - at, size_t{4096}});
    std::vector<uint8_t> picture(pixels);
    for (size_t i = 0; i < pixels; ++i) picture[i] = take == 0 ? flags : data[at + i % take];
    if (flags & 0x80) picture.assign(pixels, 0);
    at += take;
    pictures.push_back(std::move(picture));
    palettes.push_back(palette);
  }
  kt::MemoryFlicSink sink;
  kt::FlicWriter writer(sink, settings);
  for (size_t f = 0; f < pictures.size(); ++f) writer.Add(pictures[f].data(), palettes[f], records[f]);
  writer.Finish();
  const kt::test::DecodedFlic back = kt::test::DecodeFlicBytes(std::move(sink.bytes));
  if (!back.clean || back.frames.size() != writer.Records() + 1u) std::abort();
  size_t record = 0;
  for (size_t f = 0; f < pictures.size(); ++f) {
    for (uint32_t r = 0; r < records[f]; ++r, ++record) {
      for (size_t i = 0; i < pixels; ++i) {
        kt::RgbColour c = palettes[f][pictures[f][i]];
        if (fli) {
          const auto six = [](uint8_t v) { return static_cast<uint8_t>(std::min(63, (v + 2) >> 2) << 2); };
          c = kt::RgbColour{six(c.red), six(c.green), six(c.blue)};
        }
        const uint32_t want = (uint32_t{c.red} << 16) | (uint32_t{c.green} << 8) | c.blue;
        if (back.frames[record][i] != want) std::abort();
      }
    }
  }
  if (back.frames.back() != back.frames.front()) std::abort();
  return 0;
}
