// Decoding speed of each chunk type, in bytes written per second, beside a
// plain memcpy or memset of the same number of bytes (what the memory can do
// at best), and of whole real flics decoded from memory.
//
//   decode/<chunk>/<size>  one chunk decoded into a width x height image
//   limit/<chunk>/<size>   memcpy (memset for BLACK) of the bytes that chunk writes
//   file/<name>            every frame of a flic loaded into memory, from a fresh image;
//                          bytes/s counts whole pictures, data/s the chunks read
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "base/errors.h"
#include "chunk_encoding.h"
#include "flic/flic_file.h"
#include "flic/flic_header.h"
#include "flic/frame_decoder.h"
#include "flic/frame_reader.h"
#include "flic/frame_store.h"
#include "flic/true_colour_decoder.h"

namespace {

namespace encode = kt::encode;
using encode::Bytes;

struct NoEvents : kt::DecodeEvents {};

enum class Limit { Memcpy, Memset };

struct ChunkCase {
  std::string name;
  uint16_t type;
  bool optimize;
  uint16_t width;
  uint16_t height;
  Bytes data;
  Bytes start;     // the image the chunk is decoded onto
  Bytes expected;  // the image it must leave
  size_t written;  // bytes the chunk writes (pixels, or 768 palette bytes)
  Limit limit;
};

std::vector<uint8_t> RainbowPalette() {
  std::vector<uint8_t> rgb(768);
  for (size_t i = 0; i < 256; ++i) {
    rgb[3 * i] = static_cast<uint8_t>(i);
    rgb[3 * i + 1] = static_cast<uint8_t>(255 - i);
    rgb[3 * i + 2] = static_cast<uint8_t>(i * 5);
  }
  return rgb;
}

std::vector<ChunkCase> ChunkCases(uint16_t w, uint16_t h) {
  const std::string size = std::to_string(w) + "x" + std::to_string(h);
  const Bytes first = encode::SyntheticPicture(w, h, 11);
  const Bytes next = encode::NextFrame(first, w, h, 12);
  const size_t pixels = first.size();
  size_t flcWritten = 0;
  size_t fliWritten = 0;
  const Bytes flc = encode::EncodeDeltaFlc(first, next, w, h, &flcWritten);
  const Bytes fli = encode::EncodeDeltaFli(first, next, w, h, &fliWritten);
  const Bytes black(pixels, 0);
  const std::vector<uint8_t> palette = RainbowPalette();
  return {
      {"COLOR_256/" + size, kt::COLOR_256, true, w, h, encode::EncodeFullPalette(palette, false), first, first, 768,
       Limit::Memcpy},
      {"COLOR_64/" + size, kt::COLOR_64, true, w, h, encode::EncodeFullPalette(palette, true), first, first, 768,
       Limit::Memcpy},
      {"DELTA_FLC_optimized/" + size, kt::DELTA_FLC, true, w, h, flc, first, next, flcWritten, Limit::Memcpy},
      {"DELTA_FLC_plain/" + size, kt::DELTA_FLC, false, w, h, flc, first, next, flcWritten, Limit::Memcpy},
      {"DELTA_FLI/" + size, kt::DELTA_FLI, true, w, h, fli, first, next, fliWritten, Limit::Memcpy},
      {"BLACK/" + size, kt::BLACK, true, w, h, {}, first, black, pixels, Limit::Memset},
      {"BYTE_RUN/" + size, kt::BYTE_RUN, true, w, h, encode::EncodeByteRun(first, w, h), next, first, pixels,
       Limit::Memcpy},
      {"FLI_COPY/" + size, kt::FLI_COPY, true, w, h, first, next, first, pixels, Limit::Memcpy},
  };
}

void DecodeChunkBench(benchmark::State& state, const ChunkCase& c) {
  Bytes image = c.start;
  kt::BasePalette palette{};
  kt::FrameTarget target{image.data(), c.width, c.height, &palette, c.optimize};
  NoEvents events;
  // The data must decode to the picture it was made from, or the figure means nothing.
  kt::DecodeChunk(c.type, c.data.data(), static_cast<uint32_t>(c.data.size()), target, events);
  if (image != c.expected) {
    state.SkipWithError("the chunk does not decode to its picture");
    return;
  }
  // Decoding the same chunk again writes the same bytes to the same places.
  for (auto _ : state) {
    kt::DecodeChunk(c.type, c.data.data(), static_cast<uint32_t>(c.data.size()), target, events);
    benchmark::DoNotOptimize(image.data());
    benchmark::DoNotOptimize(palette.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.written));
  state.counters["bytes"] = static_cast<double>(c.written);
  state.counters["data"] = static_cast<double>(c.data.size());
}

void LimitBench(benchmark::State& state, size_t bytes, Limit limit) {
  const Bytes source(bytes, 0x5A);
  Bytes destination(bytes, 0);
  for (auto _ : state) {
    if (limit == Limit::Memset) {
      std::memset(destination.data(), 0, bytes);
    } else {
      std::memcpy(destination.data(), source.data(), bytes);
    }
    benchmark::DoNotOptimize(destination.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

std::filesystem::path TestFlicsDir() {
  if (const char* dir = std::getenv("KINETROPE_FLICS")) return dir;
  return KINETROPE_TEST_FLICS;
}

Bytes ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

kt::FrameStore& Store() {
  static kt::FrameStore store;
  return store;
}

// Loads a flic into the store; false when the player refuses it.
bool Load(const Bytes& bytes, kt::FlicHeader& header) {
  kt::FlicFile file = kt::FlicFile::FromBytes(bytes);
  const kt::OrWhyNot<kt::FlicHeader> read = kt::ReadFlicHeader(file);
  if (!read) return false;
  header = *read;
  try {
    kt::ReadWholeFlic(file, header, Store());
  } catch (const kt::PlayerError&) {
    return false;
  }
  return true;
}

// One pass over a loaded flic, as a playback from memory shows it: a fresh
// image and palette, then frames 0 to frames - 1.
void DecodeFileBench(benchmark::State& state, const std::filesystem::path& path) {
  const Bytes bytes = ReadBytes(path);
  kt::FlicHeader header;
  if (!Load(bytes, header)) {
    state.SkipWithError("the player refuses this flic");
    return;
  }
  Bytes image(header.PixelCount() * header.BytesPerPixel());
  kt::BasePalette palette{};
  kt::FrameTarget target{image.data(), header.width, header.height, &palette, true};
  const kt::TrueColourTarget trueColour{image.data(), header.width, header.height, header.pixelBits};
  NoEvents events;
  double dataBytes = 0;
  for (int f = 0; f < header.frames; ++f) {
    const kt::FrameSlot& slot = Store().Slot(f);
    for (int j = 0; j < slot.chunks; ++j) dataBytes += slot.chunkTable[static_cast<size_t>(j)].size;
  }
  for (auto _ : state) {
    std::fill(image.begin(), image.end(), 0);
    palette = {};
    if (header.IsTrueColour()) {
      for (int f = 0; f < header.frames; ++f) kt::DecodeTrueColourFrame(Store().Slot(f), trueColour, events);
    } else {
      for (int f = 0; f < header.frames; ++f) kt::DecodeFrame(Store().Slot(f), target, events);
    }
    benchmark::DoNotOptimize(image.data());
    benchmark::ClobberMemory();
  }
  kt::FreeFrameRange(Store(), header.frames);
  state.SetBytesProcessed(
      static_cast<int64_t>(state.iterations() * header.frames * header.PixelCount() * header.BytesPerPixel()));
  state.counters["frames/s"] =
      benchmark::Counter(static_cast<double>(header.frames), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["data/s"] = benchmark::Counter(dataBytes, benchmark::Counter::kIsIterationInvariantRate);
  state.SetLabel(std::to_string(header.width) + "x" + std::to_string(header.height) + ", " +
                 std::to_string(header.frames) + " frames");
}

// Registered at start-up: the chunk cases are built once, and the real flics
// are whatever the tests' flic folder holds that the player accepts.
const bool kRegistered = [] {
  static std::vector<ChunkCase> cases;
  for (auto [w, h] : {std::pair<uint16_t, uint16_t>{320, 200}, {640, 480}}) {
    for (ChunkCase& c : ChunkCases(w, h)) cases.push_back(std::move(c));
  }
  for (const ChunkCase& c : cases) {
    benchmark::RegisterBenchmark(("decode/" + c.name).c_str(), DecodeChunkBench, c);
    benchmark::RegisterBenchmark(("limit/" + c.name).c_str(), LimitBench, c.written, c.limit);
  }
  std::error_code error;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(TestFlicsDir(), error)) {
    const std::string ext = entry.path().extension().string();
    if (ext == ".fli" || ext == ".flc" || ext == ".cel" || ext == ".flh" || ext == ".flt" || ext == ".flx") {
      files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  for (const auto& path : files) {
    kt::FlicHeader header;
    if (!Load(ReadBytes(path), header)) continue;
    kt::FreeFrameRange(Store(), header.frames);
    benchmark::RegisterBenchmark(("file/" + path.filename().string()).c_str(), DecodeFileBench, path);
  }
  return true;
}();

}  // namespace
