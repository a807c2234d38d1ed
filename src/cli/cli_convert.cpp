// kinetrope-cli convert: a flic, GIF, PNG, WebP, numbered frames or a video
// to GIF, animated PNG, WebP, MP4, WebM, numbered PNG frames or a smaller
// FLC or FLI, with a progress line on a terminal and nothing left behind
// when it fails or is interrupted.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
    "                              [--background RRGGBB] [--key INDEX] [--palette FILE] [--dither]\n"
    "                              [--threads N] [--quality CRF] [--format FORMAT]\n"
    "OUTPUT - with --format FORMAT writes to standard output\n";

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
std::string ParseOptions(const Arguments& args, ConvertOptions& options, std::string& format) {
  for (size_t i = 2; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (word == "--keep-going" || word == "--dither") {
      (word == "--dither" ? options.dither : options.keepGoing) = true;
      continue;
    }
    static const char* const kValued[] = {"--scale",       "--brightness", "--contrast", "--delay",   "--frames",
                                          "--transparent", "--loop",       "--threads",  "--quality", "--format",
                                          "--key",         "--background", "--palette"};
    if (std::find(std::begin(kValued), std::end(kValued), word) == std::end(kValued)) return "unknown option " + word;
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
      options.adjustment.BrightnessOffset = static_cast<uint16_t>(*n);
    } else if (word == "--contrast") {
      char* end = nullptr;
      const double factor = std::strtod(value.c_str(), &end);
      if (value.empty() || *end != '\0' || !(factor >= 0.0 && factor <= 25.0)) return bad("a factor from 0.0 to 25.0");
      // Kept in tenths, as the player keeps it.
      options.adjustment.ContrastFactor = ContrastFactorAt(static_cast<int>(std::lround(factor * 10)));
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
    } else if (word == "--threads") {
      const auto n = Whole(value, 1, 64);
      if (!n) return bad("a whole number from 1 to 64");
      options.threads = *n;
    } else if (word == "--quality") {
      const auto n = Whole(value, 0, 63);
      if (!n) return bad("a constant rate factor from 0 (best) to 63; MP4 stops at 51");
      options.quality = *n;
    } else if (word == "--format") {
      static const char* const kFormats[] = {"gif", "png", "apng", "webp", "mp4", "webm"};
      if (std::find(std::begin(kFormats), std::end(kFormats), value) == std::end(kFormats))
        return bad("gif, png, webp, mp4 or webm");
      format = value;
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

// Copies the finished file to standard output; false when that fails.
bool CopyToStandardOutput(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buffer[1 << 16];
  bool done = true;
  for (ssize_t n; done && (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
    if (n < 0) {
      done = errno == EINTR;
      continue;
    }
    for (ssize_t at = 0; done && at < n;) {
      const ssize_t put = ::write(STDOUT_FILENO, buffer + at, static_cast<size_t>(n - at));
      if (put > 0) at += put;
      done = put > 0 || errno == EINTR;
    }
  }
  ::close(fd);
  return done;
}

int RunConvert(const Arguments& args) {
  if (args.size() < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  ConvertOptions options;
  std::string format;
  std::string wrong = ParseOptions(args, options, format);
  const bool toStandardOutput = args[1] == "-";
  if (wrong.empty() && toStandardOutput && format.empty()) wrong = "OUTPUT - (standard output) needs --format FORMAT";
  if (wrong.empty() && !toStandardOutput && !format.empty()) {
    wrong = "--format is for OUTPUT - (standard output); a file's extension names its format";
  }
  if (!wrong.empty()) {
    std::fprintf(stderr, "kinetrope-cli: %s\n%s", wrong.c_str(), kUsage);
    return 2;
  }
  // The conversion ends between frames, and the unfinished file is removed.
  NoteEndingSignals();

  const std::string& input = args[0];
  std::string output = args[1];
  // Standard output gets the file once it is whole: MP4 moves its index to
  // the front, which needs a file to seek in.
  std::string scratch;
  if (toStandardOutput) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/kinetrope-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
      std::fprintf(stderr, "kinetrope-cli: cannot make a temporary folder in %s: %s\n",
                   pattern.substr(0, pattern.rfind('/')).c_str(), std::strerror(errno));
      return 1;
    }
    scratch = pattern;
    output = scratch + "/out." + format;
  }
  struct RemoveScratch {
    const std::string& path;
    ~RemoveScratch() {
      if (path.empty()) return;
      ::unlink(path.c_str());
      ::rmdir(path.substr(0, path.rfind('/')).c_str());
    }
  } remove{toStandardOutput ? output : scratch};
  ConvertReport report;
  const auto start = std::chrono::steady_clock::now();
  try {
    TerminalProgress progress(input);
    report = ConvertFile(input, output, options, progress);
  } catch (const ConvertCancelled&) {
    std::fprintf(stderr, "kinetrope-cli: %s: interrupted; nothing was written\n", args[1].c_str());
    return 130;
  } catch (const ConvertError& error) {
    std::fprintf(stderr, "kinetrope-cli: %s\n", error.what());
    return 1;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "kinetrope-cli: %s: %s\n", input.c_str(), OutOfMemoryText(0).c_str());
    return 1;
  }
  if (toStandardOutput && !CopyToStandardOutput(output)) {
    std::fprintf(stderr, "kinetrope-cli: cannot write to standard output: %s\n", std::strerror(errno));
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
  // Standard output holds the file itself, so the summary goes to standard error.
  std::fprintf(toStandardOutput ? stderr : stdout, "%s: %d frame%s, %llu bytes, %.2f s\n", args[1].c_str(),
               report.frames, report.frames == 1 ? "" : "s", static_cast<unsigned long long>(report.bytes), seconds);
  return 0;
}

}  // namespace kt::cli
