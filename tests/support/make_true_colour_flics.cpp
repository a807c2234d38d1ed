// Writes the 15, 16 and 24-bit flics kept in tests/data/true_colour: each
// depth and each chunk type such flics hold, the records real files carry
// among them. ffmpeg decodes them as the oracle of the decoder's tests.
//
//   make_true_colour_flics FOLDER
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "true_colour_encoding.h"

namespace {

namespace encode = kt::encode;
using encode::Bytes;
using kt::test::ChunkSpec;
using kt::test::FrameSpec;

enum class Way { DtaBrun, DtaLc, DtaCopy, ByteRun, DeltaFlc, FliCopy, Empty };

struct Made {
  uint16_t magic;
  uint16_t depth;
  unsigned pixelBits;
  uint16_t width;
  uint16_t height;
  std::vector<Way> ways;  // one per frame, the ring frame's DTA_LC or DELTA_FLC added
  bool prefix = false;    // a settings record before frame 0, and frame 1 as a modeller's record
  bool colourChunk = false;
  bool stamp = false;
};

// Palette indices of frame f: bands of runs with a textured block moving over them.
Bytes Indices(uint16_t width, uint16_t height, int f) {
  Bytes out(static_cast<size_t>(width) * height);
  const int bx = (f * 5) % (width - 8);
  const int by = (f * 3) % (height - 6);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t v = static_cast<uint8_t>(((x / 5 + y / 4) % 6) * 37);
      if (x >= bx && x < bx + 8 && y >= by && y < by + 6) v = static_cast<uint8_t>((x * 7 + y * 11 + f) % 251);
      out[static_cast<size_t>(y) * width + x] = v;
    }
  }
  return out;
}

Bytes Picture(const Made& made, int f) {
  Bytes pixels = encode::TrueColourPicture(Indices(made.width, made.height, f), made.pixelBits);
  // The unused top bit of 15-bit pixels set here and there: readers must ignore it.
  if (made.pixelBits == 15) {
    for (size_t i = 1; i < pixels.size(); i += 10) pixels[i] |= 0x80;
  }
  return pixels;
}

ChunkSpec Chunk(Way way, const Made& made, const Bytes& before, const Bytes& after) {
  const size_t unit = made.pixelBits == 24 ? 3 : 2;
  switch (way) {
    case Way::DtaBrun: return {25, encode::EncodeUnitRuns(after, made.width, made.height, unit), {}};
    case Way::DtaLc: return {27, encode::EncodePixelDelta(before, after, made.width, made.height, unit), {}};
    case Way::DtaCopy: {
      // Rows of an even number of pixels, as ffmpeg reads them.
      const size_t row = made.width * unit;
      const size_t stride = (made.width + 1u) / 2 * 2 * unit;
      Bytes padded(stride * made.height, 0);
      for (size_t y = 0; y < made.height; ++y) std::copy_n(after.begin() + y * row, row, padded.begin() + y * stride);
      return {26, padded, {}};
    }
    case Way::ByteRun: return {15, encode::EncodeUnitRuns(after, made.width * unit, made.height, 1), {}};
    case Way::DeltaFlc: return {7, encode::EncodePixelDelta(before, after, made.width, made.height, unit), {}};
    case Way::FliCopy: return {16, after, {}};
    case Way::Empty: break;
  }
  return {};
}

Bytes Build(const Made& made) {
  const auto frames = static_cast<uint16_t>(made.ways.size());
  Bytes records;
  if (made.prefix) {
    // A settings record as paint programs leave one: size, type, chunks, reserved.
    Bytes prefix;
    kt::AppendU32(prefix, 16 + 10);
    kt::AppendU16(prefix, 0xF100);
    kt::AppendU16(prefix, 0);
    prefix.insert(prefix.end(), 8 + 10, 0x5A);
    records = prefix;
  }
  const uint32_t oframe1 = 128 + static_cast<uint32_t>(records.size());
  Bytes before(static_cast<size_t>(made.width) * made.height * (made.pixelBits == 24 ? 3 : 2), 0);
  uint32_t oframe2 = 0;
  for (int f = 0; f <= frames; ++f) {
    const bool ring = f == frames;
    const Bytes after = Picture(made, ring ? 0 : f);
    const Way way = ring ? (made.magic == 0xAF12 ? Way::DeltaFlc : Way::DtaLc) : made.ways[static_cast<size_t>(f)];
    FrameSpec frame;
    if (f == 0 && made.colourChunk) {
      frame.chunks.push_back({4, {1, 0, 0, 2, 10, 20, 30, 40, 50, 60}, {}});  // skipped: no palette here
    }
    if (f == 0 && made.stamp) {
      // A postage stamp: height, width, translation, then its own BYTE_RUN of four lines of four.
      Bytes stamp;
      kt::AppendU16(stamp, 4);
      kt::AppendU16(stamp, 4);
      kt::AppendU16(stamp, 1);
      Bytes small = {1, 4, 7, 1, 4, 9, 1, 4, 9, 1, 4, 9};
      kt::AppendU32(stamp, 6 + static_cast<uint32_t>(small.size()));
      kt::AppendU16(stamp, 15);
      stamp.insert(stamp.end(), small.begin(), small.end());
      frame.chunks.push_back({18, stamp, {}});
    }
    if (way != Way::Empty) frame.chunks.push_back(Chunk(way, made, before, after));
    for (ChunkSpec& chunk : frame.chunks) {
      if (chunk.data.size() % 2 == 1) chunk.data.push_back(0);  // chunk sizes are even
    }
    Bytes record = kt::test::FrameRecord(frame);
    if (f == 1 && made.prefix) kt::WriteU16(&record[4], 0xF5FA);
    if (f == 1) oframe2 = 128 + static_cast<uint32_t>(records.size());
    records.insert(records.end(), record.begin(), record.end());
    before = after;
  }
  Bytes file = encode::FlicHeaderBytes(made.magic, frames, made.width, made.height, made.depth, 70, oframe1);
  kt::WriteU32(&file[84], oframe2);
  file.insert(file.end(), records.begin(), records.end());
  kt::WriteU32(file.data(), static_cast<uint32_t>(file.size()));
  return file;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: make_true_colour_flics FOLDER\n", stderr);
    return 2;
  }
  using W = Way;
  const std::vector<std::pair<std::string, Made>> set = {
      {"runs_24.flh", {0xAF44, 24, 24, 37, 23, {W::DtaBrun, W::DtaLc, W::DtaLc, W::DtaLc, W::DtaLc}, false, true}},
      {"chunks_16.flh",
       {0xAF44, 16, 16, 34, 20, {W::DtaCopy, W::DeltaFlc, W::ByteRun, W::FliCopy, W::Empty, W::DtaLc, W::DtaBrun}}},
      {"chunks_15.flh",
       {0xAF44,
        15,
        15,
        31,
        21,
        {W::DtaBrun, W::DtaLc, W::ByteRun, W::DtaCopy, W::DeltaFlc, W::Empty},
        true,
        false,
        true}},
      {"copy_24.flt", {0xAF44, 24, 24, 21, 16, {W::DtaCopy, W::ByteRun, W::DeltaFlc, W::DtaCopy}, true}},
      {"tempra_15.flx", {0xAF12, 16, 15, 35, 22, {W::ByteRun, W::DeltaFlc, W::DeltaFlc, W::Empty, W::DeltaFlc}}},
  };
  for (const auto& [name, made] : set) {
    const std::string path = std::string(argv[1]) + "/" + name;
    const Bytes bytes = Build(made);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::fprintf(stderr, "make_true_colour_flics: cannot write %s\n", path.c_str());
      return 1;
    }
    std::printf("%s: %zu bytes\n", path.c_str(), bytes.size());
  }
  return 0;
}
