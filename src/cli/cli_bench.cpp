// Decoding speed of one flic held in memory, without a display.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/cli_flic.h"
#include "cli/commands.h"

namespace kt::cli {
namespace {

using Clock = std::chrono::steady_clock;

// One pass as a playback makes it: from a cleared picture through frames 0 to frames - 1.
double DecodePasses(const LoadedFlic& flic, Picture& picture, long passes) {
  DecodeEvents quiet;
  const auto start = Clock::now();
  for (long p = 0; p < passes; ++p) {
    picture.Clear();
    for (int f = 0; f < flic.header.frames; ++f) DecodeFrame(flic.store->Slot(f), picture.Target(), quiet);
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
}

bool ParsePasses(const std::string& text, long& passes) {
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < 1 || value > 100000000) return false;
  passes = value;
  return true;
}

}  // namespace

int RunBench(const Arguments& args) {
  long passes = 0;  // 0: as many as fill about one second
  const bool fixed = args.size() == 3 && args[1] == "--passes" && ParsePasses(args[2], passes);
  if (args.size() != 1 && !fixed) {
    std::fputs("usage: kinetrope-cli bench FILE [--passes N]\n", stderr);
    return 2;
  }
  const LoadedFlic flic = LoadFlicForDecoding(args[0]);
  Picture picture(flic.header.width, flic.header.height);
  if (passes == 0) {
    // A first pass, untimed in the result, tells how many fill a second.
    const double one = DecodePasses(flic, picture, 1);
    passes = one <= 0 ? 1000 : std::lround(std::ceil(1.0 / one));
    passes = std::max(1L, std::min(passes, 100000000L));
  }
  const double seconds = DecodePasses(flic, picture, passes);
  const double frames = static_cast<double>(passes) * flic.header.frames;
  const double megabytes = frames * static_cast<double>(flic.header.PixelCount()) / 1e6;
  const double perSecond = seconds > 0 ? 1.0 / seconds : 0;
  std::printf("%s: %d frames of %u x %u, %ld passes in %.3f s\n", args[0].c_str(),
              static_cast<int>(flic.header.frames), flic.header.width, flic.header.height, passes, seconds);
  std::printf("frames per second: %.0f\n", frames * perSecond);
  std::printf("output MB per second: %.1f\n", megabytes * perSecond);
  return 0;
}

}  // namespace kt::cli
