// Decoding speed of one flic, and the cost of rebuilding frames as a step
// back or a frame-bar jump does, without a display. Times are processor
// time of this process, so that other work on the machine changes them
// little; each figure is the minimum and the median of several runs.
#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "base/errors.h"
#include "cli/cli_flic.h"
#include "cli/commands.h"
#include "flic/flic_header.h"
#include "flic/frame_reader.h"
#include "flic/key_images.h"

namespace kt::cli {
namespace {

constexpr const char* kUsage =
    "usage: kinetrope-cli bench FILE [--passes N] [--runs R] [--with-read] [--seek N [--disk]] [--load]\n";

double ProcessorSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Options {
  std::string file;
  long passes = 0;  // 0: as many as fill about half a second of processor time
  long runs = 5;
  bool withRead = false;
  long seeks = 0;
  bool disk = false;
  bool load = false;
};

bool ParseCount(const std::string& text, long low, long& value) {
  char* end = nullptr;
  const long parsed = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || parsed < low || parsed > 100000000) return false;
  value = parsed;
  return true;
}

std::optional<Options> ParseOptions(const Arguments& args) {
  if (args.empty()) return std::nullopt;
  Options options;
  options.file = args[0];
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& word = args[i];
    const bool hasValue = i + 1 < args.size();
    if (word == "--passes" && hasValue) {
      if (!ParseCount(args[++i], 1, options.passes)) return std::nullopt;
    } else if (word == "--runs" && hasValue) {
      if (!ParseCount(args[++i], 1, options.runs)) return std::nullopt;
    } else if (word == "--seek" && hasValue) {
      if (!ParseCount(args[++i], 1, options.seeks)) return std::nullopt;
    } else if (word == "--with-read") {
      options.withRead = true;
    } else if (word == "--disk") {
      options.disk = true;
    } else if (word == "--load") {
      options.load = true;
    } else {
      return std::nullopt;
    }
  }
  if (options.disk && options.seeks == 0) return std::nullopt;
  return options;
}

// One pass as a playback makes it: from a cleared picture through frames 0
// to frames - 1, the lines each frame changed followed for the screen.
void DecodePasses(const LoadedFlic& flic, Picture& picture, long passes) {
  DecodeEvents quiet;
  ChangedLines changed;
  picture.FollowChanges(&changed);
  for (long p = 0; p < passes; ++p) {
    picture.Clear();
    for (int f = 0; f < flic.header.frames; ++f) picture.Decode(flic.store->Slot(f), quiet);
  }
  picture.FollowChanges(nullptr);
}

// The load into memory alone, and what the loaded flic costs.
int RunLoadBench(const Options& options) {
  std::vector<double> millis;
  std::optional<LoadedFlic> flic;
  size_t heapBefore = 0;
  size_t heapAfter = 0;
  for (long run = 0; run < options.runs; ++run) {
    flic.reset();
    const struct mallinfo2 before = mallinfo2();
    const double start = ProcessorSeconds();
    flic = LoadFlicForDecoding(options.file);
    millis.push_back((ProcessorSeconds() - start) * 1000);
    const struct mallinfo2 after = mallinfo2();
    heapBefore = before.uordblks + before.hblkhd;
    heapAfter = after.uordblks + after.hblkhd;
  }
  uint64_t chunkBytes = 0;
  const int lastFrame = flic->ringFrameRead ? flic->header.frames : flic->header.frames - 1;
  for (int f = 0; f <= lastFrame; ++f) {
    const FrameSlot& slot = flic->store->Slot(f);
    for (int j = 0; j < slot.chunks; ++j) chunkBytes += slot.chunkTable[static_cast<size_t>(j)].size;
  }
  const double held = static_cast<double>(flic->store->BytesHeld());
  const double heap = static_cast<double>(heapAfter - std::min(heapAfter, heapBefore));
  std::printf("%s: %d frames of %u x %u, %ld loads\n", options.file.c_str(), static_cast<int>(flic->header.frames),
              flic->header.width, flic->header.height, options.runs);
  std::printf("load: min %.3f ms, median %.3f ms processor\n", *std::min_element(millis.begin(), millis.end()),
              Median(millis));
  std::printf("memory: %.0f bytes held (%.0f on the heap) for %llu chunk bytes: x %.4f (heap x %.4f)\n", held, heap,
              static_cast<unsigned long long>(chunkBytes), held / static_cast<double>(chunkBytes),
              heap / static_cast<double>(chunkBytes));
  return 0;
}

int RunDecodeBench(const Options& options) {
  std::optional<LoadedFlic> flic = LoadFlicForDecoding(options.file);
  Picture picture(flic->header.width, flic->header.height, flic->header.pixelBits);
  long passes = options.passes;
  if (passes == 0) {
    // A first pass, untimed in the result, tells how many fill half a second.
    const double start = ProcessorSeconds();
    DecodePasses(*flic, picture, 1);
    const double one = ProcessorSeconds() - start;
    passes = one <= 0 ? 1000 : std::lround(std::ceil(0.5 / one));
    passes = std::max(1L, std::min(passes, 100000000L));
  }
  std::vector<double> seconds;
  for (long run = 0; run < options.runs; ++run) {
    const double start = ProcessorSeconds();
    if (options.withRead) flic = LoadFlicForDecoding(options.file);
    DecodePasses(*flic, picture, passes);
    seconds.push_back(ProcessorSeconds() - start);
  }
  const FlicHeader& header = flic->header;
  const double frames = static_cast<double>(passes) * header.frames;
  const double best = *std::min_element(seconds.begin(), seconds.end());
  const double median = Median(seconds);
  std::printf("%s: %d frames of %u x %u%s, %ld passes a run, %ld runs%s\n", options.file.c_str(),
              static_cast<int>(header.frames), header.width, header.height,
              header.IsTrueColour() ? (" at " + std::to_string(header.pixelBits) + " bits").c_str() : "", passes,
              options.runs, options.withRead ? ", the file read in every run" : "");
  std::printf("processor seconds a run: min %.6f, median %.6f\n", best, median);
  const double megabytes = frames * static_cast<double>(header.PixelCount() * header.BytesPerPixel()) / 1e6;
  std::printf("frames per second: %.0f (best run %.0f)\n", median > 0 ? frames / median : 0,
              best > 0 ? frames / best : 0);
  std::printf("output MB per second: %.1f (best run %.1f)\n", median > 0 ? megabytes / median : 0,
              best > 0 ? megabytes / best : 0);
  return 0;
}

// The frames a rebuild decodes, from the flic in memory or read from disk,
// each reported to the key images as the player reports its own.
class BenchSteps : public RebuildSteps {
 public:
  BenchSteps(const LoadedFlic* memory, FlicFile* file, FlicHeader header, Picture& picture, KeyImages& keys)
      : memory_(memory), file_(file), header_(header), picture_(picture), keys_(keys) {}

  uint8_t* Pixels() override { return picture_.Target().pixels; }
  BasePalette& Palette() override { return *picture_.Target().palette; }
  void PositionAt(uint64_t offset) override { file_->Seek(offset); }
  void DecodeFrames(int32_t first, int32_t last) override {
    for (int32_t f = first; f <= last; ++f) Decode(f);
  }
  void InstallPalette() override {}

  void Decode(int32_t frame) {
    if (memory_ != nullptr) {
      DecodeAndReport(frame, memory_->store->Slot(frame));
      return;
    }
    const uint64_t offset = file_->Offset();
    ReadFrame(*file_, header_, store_, frame, ReadMode::ChunkByChunk);
    keys_.FrameRead(frame, offset, file_->Offset());
    DecodeAndReport(frame, store_.Slot(frame));
    FreeFrameChunks(store_, frame);
  }

 private:
  const LoadedFlic* memory_;
  FlicFile* file_;
  FlicHeader header_;
  struct CountClipped : DecodeEvents {
    void DataClipped(int /*chunkIndex*/, uint16_t /*type*/) override { ++clipped; }
    int clipped = 0;
  };

  void DecodeAndReport(int32_t frame, const FrameSlot& slot) {
    const int before = events_.clipped;
    DecodeFrame(slot, picture_.Target(), events_);
    keys_.FrameDecoded(frame, slot, Pixels(), Palette(), events_.clipped == before);
  }

  FrameStore store_;
  Picture& picture_;
  KeyImages& keys_;
  CountClipped events_;
};

int RunSeekBench(const Options& options) {
  std::optional<LoadedFlic> memory;
  std::optional<FlicFile> file;
  FlicHeader header;
  if (options.disk) {
    OrWhyNot<OpenedFlic> opened = OpenFlic(options.file);
    if (!opened) throw PlayerError(OpenFailureText(options.file, opened.Reason()));
    file = std::move(opened->file);
    header = opened->header;
    CheckFlicIsPlayable(header);
  } else {
    memory = LoadFlicForDecoding(options.file);
    header = memory->header;
    // The key images hold palette pictures, as the player's rebuilds do.
    CheckFlicIsPlayable(header);
  }
  const int32_t frames = header.frames;
  Picture picture(header.width, header.height);
  KeyImages keys(header.width, header.height, frames);
  BenchSteps steps(memory ? &*memory : nullptr, file ? &*file : nullptr, header, picture, keys);

  // The first pass of a playback, which takes the key images as it goes.
  double start = ProcessorSeconds();
  for (int32_t f = 0; f < frames; ++f) steps.Decode(f);
  const double firstPass = ProcessorSeconds() - start;

  // Targets at random, the last frame first; each is rebuilt as the player
  // rebuilds a jump to it (frames 0 to target - 1) and then decoded as the
  // frame it shows.
  std::mt19937 random(13);
  std::uniform_int_distribution<int32_t> pick(0, frames - 1);
  std::vector<double> millis;
  for (long i = 0; i < options.seeks; ++i) {
    const int32_t target = i == 0 ? frames - 1 : pick(random);
    start = ProcessorSeconds();
    if (file) file->Seek(header.oframe1);
    if (target >= 1) RebuildThrough(keys, target - 1, options.disk, steps);
    steps.Decode(target);
    millis.push_back((ProcessorSeconds() - start) * 1000);
  }
  std::printf("%s: %d frames of %u x %u, %s\n", options.file.c_str(), static_cast<int>(frames), header.width,
              header.height, options.disk ? "read from disk" : "held in memory");
  std::printf("key images: one every %d frames, %.1f MB; first pass %.3f s processor\n", keys.Interval(),
              static_cast<double>(keys.BytesHeld()) / 1e6, firstPass);
  std::printf("seek: %ld rebuilds, median %.3f ms, max %.3f ms\n", options.seeks, Median(millis),
              *std::max_element(millis.begin(), millis.end()));
  return 0;
}

}  // namespace

int RunBench(const Arguments& args) {
  const std::optional<Options> options = ParseOptions(args);
  if (!options) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  return WithFlic(options->file, [&] {
    if (options->load) return RunLoadBench(*options);
    return options->seeks > 0 ? RunSeekBench(*options) : RunDecodeBench(*options);
  });
}

}  // namespace kt::cli
