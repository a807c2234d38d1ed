// kinetrope-cli convert: a flic, GIF, PNG, WebP, numbered frames or a video
// to GIF, animated PNG, WebP, MP4, WebM or numbered PNG frames, with a
// progress line on a terminal and nothing left behind when it fails or is
// interrupted.
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>

#include "base/integer_text.h"
#include "cli/cli_flic.h"
#include "cli/commands.h"
#include "convert/convert.h"
#include "convert/palette_file.h"

namespace kt::cli {
namespace {

constexpr const char* kUsage =
    "usage: kinetrope-cli convert INPUT OUTPUT [--scale N] [--brightness B] [--contrast C] [--delay MS]\n"
    "                              [--frames A-B] [--transparent INDEX] [--loop N] [--keep-going]\n"
    "                              [--background RRGGBB] [--key INDEX] [--palette FILE] [--dither]\n";

class TerminalProgress : public ConvertObserver {
 public:
  explicit TerminalProgress(std::string name) : name_(std::move(name)), shown_(::isatty(STDERR_FILENO) == 1) {}
  ~TerminalProgress() override {
    if (drawn_) std::fputs("\r\033[K", stderr);
  }
  void Progress(int done, int total) override {
    if (!shown_) return;
    const auto now = std::chrono::steady_clock::now();
    if (drawn_ && done != total && now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    drawn_ = true;
    std::fprintf(stderr, "\r\033[Kconverting %s: frame %d of %d%s", name_.c_str(), done, total,
                 done == total ? ", finishing" : "");
    std::fflush(stderr);
  }
  bool Cancelled() override { return EndingSignalNoted(); }

 private:
  std::string name_;
  bool shown_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point last_{};
};

std::optional<int> Whole(const std::string& text, int low, int high) {
  const std::optional<int32_t> value = ParseInt32(text);
  if (!value || *value < low || *value > high) return std::nullopt;
  return *value;
}

// "#rrggbb" or "rrggbb".
std::optional<RgbColour> ParseColour(std::string text) {
  if (!text.empty() && text[0] == '#') text.erase(0, 1);
  if (text.size() != 6 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return std::nullopt;
  const unsigned long rgb = std::stoul(text, nullptr, 16);
  return RgbColour{static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8), static_cast<uint8_t>(rgb)};
}

// Fills the options; an error text for the first word that does not fit.
std::string ParseOptions(const Arguments& args, ConvertOptions& options) {
  for (size_t i = 2; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (word == "--keep-going" || word == "--dither") {
      (word == "--dither" ? options.dither : options.keepGoing) = true;
      continue;
    }
    if (i + 1 >= args.size()) return word + " needs a value";
    const std::string& value = args[++i];
    const auto bad = [&](const std::string& range) { return word + " " + value + ": give " + range; };
    if (word == "--scale") {
      const auto n = Whole(value, 1, 64);
      if (!n) return bad("a whole number from 1 to 64");
      options.scale = *n;
    } else if (word == "--brightness") {
      const auto n = Whole(value, kBrightnessBarMin, kBrightnessBarMax);
      if (!n) return bad("a whole number from 0 to 255");
      BrightnessBarChange(options.adjustment, *n);
    } else if (word == "--contrast") {
      char* end = nullptr;
      const double factor = std::strtod(value.c_str(), &end);
      if (value.empty() || *end != '\0' || !(factor >= 0.0 && factor <= 25.0)) return bad("a factor from 0.0 to 25.0");
      // The bar stands in tenths.
      ContrastBarChange(options.adjustment, static_cast<int>(std::lround(factor * 10)));
    } else if (word == "--delay") {
      const auto n = Whole(value, 0, 65535);
      if (!n) return bad("milliseconds from 0 to 65535");
      options.delayMs = static_cast<uint32_t>(*n);
    } else if (word == "--frames") {
      const size_t dash = value.find('-');
      const auto first = Whole(value.substr(0, dash), 0, 65535);
      std::optional<int> last = first;
      if (dash != std::string::npos) {
        last = dash + 1 == value.size() ? std::optional<int>(-1) : Whole(value.substr(dash + 1), 0, 65535);
      }
      if (!first || !last) return bad("frames as A-B, A- or A, counted from 0");
      options.firstFrame = *first;
      options.lastFrame = *last < 0 ? std::nullopt : last;
    } else if (word == "--transparent") {
      const auto n = Whole(value, 0, 255);
      if (!n) return bad("a colour index from 0 to 255");
      options.transparent = static_cast<uint8_t>(*n);
    } else if (word == "--key") {
      const auto n = Whole(value, 0, 255);
      if (!n) return bad("a colour index from 0 to 255");
      options.key = static_cast<uint8_t>(*n);
    } else if (word == "--background") {
      const std::optional<RgbColour> colour = ParseColour(value);
      if (!colour) return bad("a colour as RRGGBB in hexadecimal, such as ff00ff or #ff00ff");
      options.background = *colour;
    } else if (word == "--palette") {
      try {
        const FixedPalette palette = ReadPaletteFile(value);
        options.palette = palette.colours;
        options.paletteCount = palette.count;
      } catch (const ConvertError& error) {
        return error.what();
      }
    } else if (word == "--loop") {
      const auto n = Whole(value, 0, 65535);
      if (!n) return bad("how often it plays, 1 to 65535, or 0 for ever");
      options.plays = *n;
    } else {
      return "unknown option " + word;
    }
  }
  return "";
}

}  // namespace

int RunConvert(const Arguments& args) {
  if (args.size() < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  ConvertOptions options;
  const std::string wrong = ParseOptions(args, options);
  if (!wrong.empty()) {
    std::fprintf(stderr, "kinetrope-cli: %s\n%s", wrong.c_str(), kUsage);
    return 2;
  }
  // The conversion ends between frames, and the unfinished file is removed.
  NoteEndingSignals();

  const std::string& input = args[0];
  const std::string& output = args[1];
  ConvertReport report;
  const auto start = std::chrono::steady_clock::now();
  try {
    TerminalProgress progress(input);
    report = ConvertFile(input, output, options, progress);
  } catch (const ConvertCancelled&) {
    std::fprintf(stderr, "kinetrope-cli: %s: interrupted; nothing was written\n", output.c_str());
    return 130;
  } catch (const ConvertError& error) {
    std::fprintf(stderr, "kinetrope-cli: %s\n", error.what());
    return 1;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "kinetrope-cli: %s: %s\n", input.c_str(), OutOfMemoryText(0).c_str());
    return 1;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!report.damage.empty() && report.flicFrames > 0) {
    std::fprintf(stderr, "kinetrope-cli: %s is damaged; %d of its %d frames converted. check finds:\n", input.c_str(),
                 report.frames, report.flicFrames);
    for (const std::string& line : CheckProblems(input)) {
      std::fprintf(stderr, "  %s\n", AboutFile(input, line).c_str());
    }
  } else if (!report.damage.empty()) {
    std::fprintf(stderr, "kinetrope-cli: %s is damaged; the %d frames before the damage converted, the rest not: %s\n",
                 input.c_str(), report.frames, AboutFile(input, report.damage).c_str());
  }
  std::printf("%s: %d frame%s, %llu bytes, %.2f s\n", output.c_str(), report.frames, report.frames == 1 ? "" : "s",
              static_cast<unsigned long long>(report.bytes), seconds);
  return 0;
}

}  // namespace kt::cli
