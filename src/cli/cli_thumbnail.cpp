// A small picture of a flic for file managers (the freedesktop thumbnailer
// runs `kinetrope-cli thumbnail --size %s %i %o`).
//
// Frame 0 often says little: many flics open on black or fade in, and game
// sprites start with a pose that shows little of the figure. So up to 16
// frames spread over the first 101 are looked at and the one that shows most
// is drawn: the most pixels of another colour than the commonest colour of
// its edge; of equals, the one nearest a third of the way through. Where one
// colour makes the whole edge (a sprite's key colour, a cel's background),
// only what it surrounds is drawn. File managers draw whole folders at a
// time, so frames are read from disk one at a time and only as far as
// needed, and the limit keeps a long flic as quick to draw as a short one.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/integer_text.h"
#include "cli/cli_flic.h"
#include "cli/commands.h"
#include "cli/thumbnail_framing.h"
#include "convert/convert.h"
#include "convert/png_picture.h"
#include "flic/flic_header.h"
#include "flic/frame_reader.h"
#include "flic/true_colour_decoder.h"

namespace kt::cli {
namespace {

constexpr const char* kUsage = "usage: kinetrope-cli thumbnail [--size N] FILE OUT.png\n";
constexpr long kDefaultSize = 256;
constexpr long kLargestSize = 4096;
constexpr int kLatestFrame = 100;
constexpr int kSamples = 16;

struct Options {
  std::string file;
  std::string out;
  long size = kDefaultSize;
};

std::optional<Options> ParseOptions(const Arguments& args) {
  Options options;
  std::vector<std::string> names;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--size" && i + 1 < args.size()) {
      const std::optional<int32_t> size = ParseInt32(args[++i]);
      if (!size || *size < 1 || *size > kLargestSize) return std::nullopt;
      options.size = *size;
    } else if (args[i].rfind("--", 0) == 0) {
      return std::nullopt;
    } else {
      names.push_back(args[i]);
    }
  }
  if (names.size() != 2) return std::nullopt;
  options.file = names[0];
  options.out = names[1];
  return options;
}

// Reads the flic's frames in order from the start, decoding each into the
// picture. A frame that cannot be read ends the walk: the picture keeps the
// frames before it.
class FrameWalk {
 public:
  explicit FrameWalk(const std::string& path) {
    file_ = OpenFlicForDecoding(path, header_);
    picture_.emplace(header_.width, header_.height, header_.pixelBits);
  }

  const FlicHeader& Header() const { return header_; }
  Picture& Current() { return *picture_; }
  int Decoded() const { return decoded_; }  // frames decoded since the start
  const std::string& Damage() const { return damage_; }

  // Decodes the next frame; false at the end of the pass or at a frame that cannot be read.
  bool Next() {
    if (decoded_ >= header_.frames || !damage_.empty()) return false;
    try {
      ReadFrame(*file_, header_, store_, decoded_, ReadMode::ChunkByChunk);
      picture_->Decode(store_.Slot(decoded_), quiet_);
    } catch (const PlayerError& error) {
      FreeFrameChunks(store_, decoded_);
      damage_ = "frame " + std::to_string(decoded_) + ": " + error.what();
      return false;
    }
    FreeFrameChunks(store_, decoded_);
    ++decoded_;
    return true;
  }

 private:
  FlicHeader header_;
  std::optional<FlicFile> file_;
  FrameStore store_;
  std::optional<Picture> picture_;
  DecodeEvents quiet_;  // unknown and clipped chunks are skipped as the player skips them
  int decoded_ = 0;
  std::string damage_;
};

// Each output pixel is the mean colour of the source pixels it covers, so a
// picture made smaller keeps its fine detail as shading; one made larger
// repeats its pixels.
template <typename ColourOf>
std::vector<uint8_t> ScaleToRgb(const FrameView& frame, const Box& box, uint32_t outWidth, uint32_t outHeight,
                                ColourOf colourOf) {
  const uint32_t width = box.width;
  const uint32_t height = box.height;
  std::vector<uint32_t> columnStart(outWidth + 1);
  for (uint32_t x = 0; x <= outWidth; ++x) columnStart[x] = static_cast<uint32_t>(uint64_t{x} * width / outWidth);
  std::vector<uint8_t> rgb(static_cast<size_t>(outWidth) * outHeight * 3);
  // 64 bits: one output pixel may cover all 16384 x 16384 of a picture.
  std::vector<uint64_t> sums(static_cast<size_t>(outWidth) * 3);
  for (uint32_t y = 0; y < outHeight; ++y) {
    const uint32_t top = static_cast<uint32_t>(uint64_t{y} * height / outHeight);
    const uint32_t bottom = std::max(top + 1, static_cast<uint32_t>(uint64_t{y + 1} * height / outHeight));
    std::fill(sums.begin(), sums.end(), 0);
    for (uint32_t sy = top; sy < bottom; ++sy) {
      const size_t row = (size_t{box.top} + sy) * frame.width + box.left;
      for (uint32_t x = 0; x < outWidth; ++x) {
        const uint32_t right = std::max(columnStart[x] + 1, columnStart[x + 1]);
        uint64_t* sum = &sums[static_cast<size_t>(x) * 3];
        for (uint32_t sx = columnStart[x]; sx < right; ++sx) {
          const RgbColour colour = colourOf(row + sx);
          sum[0] += colour.red;
          sum[1] += colour.green;
          sum[2] += colour.blue;
        }
      }
    }
    uint8_t* out = rgb.data() + static_cast<size_t>(y) * outWidth * 3;
    for (uint32_t x = 0; x < outWidth; ++x) {
      const uint64_t count =
          uint64_t{bottom - top} * (std::max(columnStart[x] + 1, columnStart[x + 1]) - columnStart[x]);
      for (int c = 0; c < 3; ++c) out[x * 3 + c] = static_cast<uint8_t>((sums[x * 3 + c] + count / 2) / count);
    }
  }
  return rgb;
}

// The frames looked at: every frame of a short flic, otherwise 16 spread
// evenly from frame 0 to the last one looked at, and the one a third of the
// way through.
bool IsSample(int frame, int last, int third) {
  if (frame == third || last < kSamples) return true;
  const int64_t step = int64_t{frame} * (kSamples - 1);
  return step % last < kSamples - 1;
}

// The frame that shows most, kept while the walk goes on.
struct Choice {
  int frame = -1;
  uint64_t shown = 0;
  std::vector<uint8_t> pixels;
  BasePalette palette{};
  std::vector<uint32_t> argb;  // a true-colour frame's pixels instead
};

// Thumbnail services such as XFCE's create the output file empty, hold it
// open and read the picture back through that very handle: a picture renamed
// over the name would go unseen. So an empty file already there is filled in
// place, from a complete picture written beside it first; anything else at
// the name is replaced whole by a rename.
bool IsEmptyFile(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && status.st_size == 0;
}

void FillInPlace(const std::string& path, const std::vector<uint8_t>& rgb, uint32_t width, uint32_t height) {
  std::string staging = path + ".XXXXXX";
  const int reserved = mkstemp(staging.data());
  if (reserved < 0) throw ConvertError("cannot write " + path + ": " + std::strerror(errno));
  close(reserved);
  struct Removal {
    const std::string& path;
    ~Removal() { unlink(path.c_str()); }
  } removal{staging};
  WriteRgbPngFile(staging, rgb, width, height, EndingSignalNoted);
  std::ifstream in(staging, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const int fd = open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  bool written = fd >= 0 && in.is_open();
  for (size_t done = 0; written && done < bytes.size();) {
    const ssize_t count = write(fd, bytes.data() + done, bytes.size() - done);
    written = count > 0 || (count < 0 && errno == EINTR);
    if (count > 0) done += static_cast<size_t>(count);
  }
  const int reason = errno;
  if (fd >= 0) {
    // No half a picture is left for the reader: an empty file is a failure it knows.
    const bool emptied = written || ftruncate(fd, 0) == 0;
    written = close(fd) == 0 && written && emptied;
  }
  if (!written) throw ConvertError("cannot write " + path + ": " + std::strerror(reason));
}

int MakeThumbnail(const Options& options) {
  FrameWalk walk(options.file);
  const int frames = walk.Header().frames;
  const uint32_t width = walk.Header().width;
  const uint32_t height = walk.Header().height;
  const int last = std::min(frames - 1, kLatestFrame);
  const int third = std::min(frames / 3, kLatestFrame);
  Choice choice;
  std::vector<uint32_t> argb;
  while (walk.Decoded() <= last && walk.Next()) {
    const int frame = walk.Decoded() - 1;
    if (!IsSample(frame, last, third)) continue;
    const Picture& picture = walk.Current();
    if (picture.IsTrueColour()) {
      argb.resize(size_t{width} * height);
      TrueColourToArgb32(picture.Pixels().data(), static_cast<uint32_t>(argb.size()), walk.Header().pixelBits,
                         argb.data());
    }
    const uint64_t shown =
        FrameFraming({picture.Pixels(), picture.Palette(), width, height, argb.empty() ? nullptr : argb.data()}).shown;
    const bool nearer = std::abs(frame - third) < std::abs(choice.frame - third);
    if (choice.frame < 0 || shown > choice.shown || (shown == choice.shown && nearer)) {
      choice.frame = frame;
      choice.shown = shown;
      if (argb.empty()) {
        choice.pixels = picture.Pixels();
        choice.palette = picture.Palette();
      } else {
        choice.argb.swap(argb);
      }
    }
  }
  if (choice.frame < 0) throw PlayerError(walk.Damage());
  if (!walk.Damage().empty()) {
    std::fprintf(stderr, "kinetrope-cli: %s: %s; the thumbnail shows frame %d\n", options.file.c_str(),
                 walk.Damage().c_str(), choice.frame);
  }

  const FrameView chosen{choice.pixels, choice.palette, width, height,
                         choice.argb.empty() ? nullptr : choice.argb.data()};
  const Box box = ThumbnailBox(chosen, FrameFraming(chosen));
  const uint32_t size = static_cast<uint32_t>(options.size);
  // The longer side takes the whole size; the other keeps the picture's shape.
  uint32_t outWidth = size;
  uint32_t outHeight = size;
  if (box.width >= box.height) {
    outHeight = std::max<uint32_t>(1, static_cast<uint32_t>((uint64_t{box.height} * size + box.width / 2) / box.width));
  } else {
    outWidth = std::max<uint32_t>(1, static_cast<uint32_t>((uint64_t{box.width} * size + box.height / 2) / box.height));
  }
  // A file manager that gives up on a slow thumbnail ends the tool with
  // SIGTERM; the half-written picture must not stay behind in its folder.
  NoteEndingSignals();
  try {
    const std::vector<uint8_t> rgb =
        chosen.argb != nullptr
            ? ScaleToRgb(chosen, box, outWidth, outHeight, [&](size_t i) { return ArgbColour(chosen.argb[i]); })
            : ScaleToRgb(chosen, box, outWidth, outHeight, [&](size_t i) { return choice.palette[choice.pixels[i]]; });
    if (IsEmptyFile(options.out)) {
      FillInPlace(options.out, rgb, outWidth, outHeight);
    } else {
      WriteRgbPngFile(options.out, rgb, outWidth, outHeight, EndingSignalNoted);
    }
  } catch (const ConvertCancelled&) {
    std::fprintf(stderr, "kinetrope-cli: %s: interrupted; nothing was written\n", options.out.c_str());
    return 130;
  }
  return 0;
}

}  // namespace

int RunThumbnail(const Arguments& args) {
  const std::optional<Options> options = ParseOptions(args);
  if (!options) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  return WithFlic(options->file, [&] { return MakeThumbnail(*options); });
}

}  // namespace kt::cli
