// Writes the starting inputs for the fuzzers: small flics of every chunk
// type and reading quirk for flic_file_fuzzer, and single chunks (with the
// chunk fuzzer's 4-byte prefix) for chunk_fuzzer.
//   fuzz_seeds <flic seed folder> <chunk seed folder>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "../bench/chunk_encoding.h"
#include "flic_writer.h"

namespace {

namespace fs = std::filesystem;
using kt::test::Bytes;
using kt::test::ChunkSpec;
using kt::test::FlicSpec;
using kt::test::FrameSpec;
namespace encode = kt::encode;

std::vector<uint8_t> Palette(uint32_t seed) {
  std::vector<uint8_t> rgb(768);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * seed + i / 3);
  return rgb;
}

// Four pictures of an animation and the ring back to the first.
struct Animation {
  Animation(uint16_t w, uint16_t h) : width(w), height(h) {
    pictures.push_back(encode::SyntheticPicture(w, h, 1));
    for (uint32_t f = 1; f < 4; ++f) pictures.push_back(encode::NextFrame(pictures.back(), w, h, f));
  }
  Bytes Delta(size_t from, size_t to, bool flc) const {
    return flc ? encode::EncodeDeltaFlc(pictures[from], pictures[to], width, height)
               : encode::EncodeDeltaFli(pictures[from], pictures[to], width, height);
  }
  uint16_t width;
  uint16_t height;
  std::vector<Bytes> pictures;
};

FlicSpec PlainFlic(bool flc, uint16_t width, uint16_t height) {
  const Animation a(width, height);
  const uint16_t delta = flc ? 7 : 12;
  FlicSpec spec;
  spec.magic = flc ? 0xAF12 : 0xAF11;
  spec.width = width;
  spec.height = height;
  spec.speed = flc ? 66 : 5;
  spec.records.push_back(
      kt::test::Frame({{static_cast<uint16_t>(flc ? 4 : 11), encode::EncodeFullPalette(Palette(3), !flc), {}},
                       {15, encode::EncodeByteRun(a.pictures[0], width, height), {}}}));
  for (size_t f = 1; f < 4; ++f) spec.records.push_back(kt::test::Frame({{delta, a.Delta(f - 1, f, flc), {}}}));
  spec.records.push_back(kt::test::Frame({{delta, a.Delta(3, 0, flc), {}}}));
  return spec;
}

// Every other chunk type and the reader's quirks: a gap before frame 0,
// padding, a frame without chunks, FLI_COPY with a size of 0, a postage
// stamp and an unknown chunk.
FlicSpec QuirkyFlic(bool flc) {
  const uint16_t width = 17;
  const uint16_t height = 9;
  const Animation a(width, height);
  FlicSpec spec;
  spec.magic = flc ? 0xAF12 : 0xAF11;
  spec.width = width;
  spec.height = height;
  spec.gapAfterHeader = flc ? 72 : 0;
  FrameSpec first = kt::test::Frame({kt::test::Black(), kt::test::Color256({{1, 2, 3}, {250, 128, 7}}, 10)});
  first.padding = 2;
  spec.records.push_back(first);
  ChunkSpec copy = kt::test::FliCopy(a.pictures[1]);
  copy.declaredSize = 0;
  spec.records.push_back(kt::test::Frame({copy, {18, Bytes(20, 0x55), {}}}));
  spec.records.push_back(FrameSpec{});
  spec.records.push_back(
      kt::test::Frame({{25, Bytes{1, 2, 3}, {}}, {7, a.Delta(1, 2, true), {}}, {12, a.Delta(2, 3, false), {}}}));
  spec.records.push_back(kt::test::Frame({{15, encode::EncodeByteRun(a.pictures[0], width, height), {}}}));
  return spec;
}

void Write(const fs::path& folder, const std::string& name, const Bytes& bytes) {
  kt::test::WriteFile(folder / name, bytes);
}

// A chunk_fuzzer input: type selector, width and height less one, fill seed, data.
Bytes ChunkInput(unsigned selector, unsigned width, unsigned height, const Bytes& data, bool optimize = true) {
  Bytes out(4 + data.size());
  out[0] = static_cast<uint8_t>(selector | (optimize ? 0x80 : 0));
  out[1] = static_cast<uint8_t>(width - 1);
  out[2] = static_cast<uint8_t>(height - 1);
  out[3] = 0x3C;
  std::copy(data.begin(), data.end(), out.begin() + 4);
  return out;
}

// Selector values of chunk_fuzzer's type table.
enum Selector : unsigned { kColor256, kColor64, kDeltaFlc, kDeltaFli, kBlack, kByteRun, kFliCopy, kPstamp, kUnknown };

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: fuzz_seeds <flic seed folder> <chunk seed folder>\n");
    return 2;
  }
  const fs::path flics = argv[1];
  const fs::path chunks = argv[2];
  fs::create_directories(flics);
  fs::create_directories(chunks);

  Write(flics, "flc_animation.flc", kt::test::BuildFlic(PlainFlic(true, 32, 20)));
  Write(flics, "fli_animation.fli", kt::test::BuildFlic(PlainFlic(false, 31, 14)));
  Write(flics, "flc_quirks.flc", kt::test::BuildFlic(QuirkyFlic(true)));
  Write(flics, "fli_quirks.fli", kt::test::BuildFlic(QuirkyFlic(false)));
  FlicSpec noRing = PlainFlic(true, 24, 16);
  noRing.declaredFrames = static_cast<uint16_t>(noRing.records.size());
  Write(flics, "flc_without_ring.flc", kt::test::BuildFlic(noRing));

  // The worked examples of the format description.
  Write(chunks, "byte_run_worked", ChunkInput(kByteRun, 4, 1, {0x00, 0x02, 0x05, 0xFE, 0x01, 0x02}));
  Write(chunks, "delta_fli_worked", ChunkInput(kDeltaFli, 4, 2, {0x01, 0x00, 0x01, 0x00, 0x01, 0x02, 0xFF, 0x07}));
  Write(chunks, "delta_flc_worked",
        ChunkInput(kDeltaFlc, 4, 3,
                   {0x02, 0x00, 0xFF, 0xFF, 0x01, 0x00, 0x01, 0x01, 0xAA, 0xBB, 0x03, 0x80, 0x00, 0x00}));
  Write(chunks, "color64_worked",
        ChunkInput(kColor64, 1, 1, {0x01, 0x00, 0x05, 0x02, 0x3F, 0x00, 0x10, 0x01, 0x02, 0x03}));
  // Encoded chunks of a small animation, even and odd widths.
  for (const auto& [w, h] : {std::pair<uint16_t, uint16_t>{16, 12}, {15, 9}}) {
    const Animation a(w, h);
    const std::string size = std::to_string(w) + "x" + std::to_string(h);
    Write(chunks, "byte_run_" + size, ChunkInput(kByteRun, w, h, encode::EncodeByteRun(a.pictures[0], w, h)));
    Write(chunks, "delta_fli_" + size, ChunkInput(kDeltaFli, w, h, a.Delta(0, 1, false)));
    Write(chunks, "delta_flc_" + size, ChunkInput(kDeltaFlc, w, h, a.Delta(0, 1, true)));
    Write(chunks, "delta_flc_plain_" + size, ChunkInput(kDeltaFlc, w, h, a.Delta(1, 2, true), false));
    Write(chunks, "fli_copy_" + size, ChunkInput(kFliCopy, w, h, a.pictures[2]));
  }
  Write(chunks, "color256_all", ChunkInput(kColor256, 2, 2, encode::EncodeFullPalette(Palette(5), false)));
  Write(chunks, "color64_all", ChunkInput(kColor64, 2, 2, encode::EncodeFullPalette(Palette(7), true)));
  Write(chunks, "black", ChunkInput(kBlack, 9, 7, {}));
  Write(chunks, "pstamp", ChunkInput(kPstamp, 9, 7, Bytes(12, 0x11)));
  Write(chunks, "unknown", ChunkInput(kUnknown, 9, 7, Bytes(3, 0x22)));
  return 0;
}
