// A small picture of a flic for file managers (the freedesktop thumbnailer
// runs `kinetrope-cli thumbnail --size %s %i %o`).
//
// Many flics open on black, or fade in from a black palette, so frame 0
// says little about them. The thumbnail is the frame a third of the way
// through the first pass, but no later than frame 100; when that picture is
// all one colour, the first later frame that shows more than one; when none
// does, the first earlier one that does. Every frame up to the one shown
// has to be decoded, and file managers draw whole folders at a time, so
// frames are read from disk one at a time and only as far as needed, and
// the limit keeps a long flic as quick to draw as a short one.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/integer_text.h"
#include "cli/cli_flic.h"
#include "cli/commands.h"
#include "convert/convert.h"
#include "convert/png_picture.h"
#include "flic/flic_header.h"
#include "flic/frame_reader.h"

namespace kt::cli {
namespace {

constexpr const char* kUsage = "usage: kinetrope-cli thumbnail [--size N] FILE OUT.png\n";
constexpr long kDefaultSize = 256;
constexpr long kLargestSize = 4096;
constexpr int kLatestFrame = 100;

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

bool ShowsMoreThanOneColour(const Picture& picture) {
  if (picture.IsTrueColour()) {
    const std::vector<uint8_t> bgr = picture.Bgr();
    for (size_t i = 3; i < bgr.size(); ++i) {
      if (bgr[i] != bgr[i % 3]) return true;
    }
    return false;
  }
  const std::vector<uint8_t>& pixels = picture.Pixels();
  const BasePalette& palette = picture.Palette();
  const uint8_t first = pixels.front();
  for (uint8_t index : pixels) {
    if (index != first && !(palette[index] == palette[first])) return true;
  }
  return false;
}

// Reads the flic's frames in order from the start, decoding each into the
// picture. A frame that cannot be read ends the walk: the picture keeps the
// frames before it.
class FrameWalk {
 public:
  explicit FrameWalk(const std::string& path) {
    file_ = OpenFlic(path, header_);
    if (!file_) throw PlayerError(OpenFailureText(path));
    CheckFlicIsPlayable(header_, true);
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

  void Restart() {
    file_->Seek(header_.oframe1);
    picture_->Clear();
    decoded_ = 0;
    damage_.clear();
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
std::vector<uint8_t> ScaleToRgb(const Picture& picture, uint32_t width, uint32_t height, uint32_t outWidth,
                                uint32_t outHeight) {
  const std::vector<uint8_t>& pixels = picture.Pixels();
  const BasePalette& palette = picture.Palette();
  const std::vector<uint8_t> bgr = picture.IsTrueColour() ? picture.Bgr() : std::vector<uint8_t>();
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
      const uint8_t* row = pixels.data() + static_cast<size_t>(sy) * width;
      for (uint32_t x = 0; x < outWidth; ++x) {
        const uint32_t right = std::max(columnStart[x] + 1, columnStart[x + 1]);
        uint64_t* sum = &sums[static_cast<size_t>(x) * 3];
        for (uint32_t sx = columnStart[x]; sx < right; ++sx) {
          if (!bgr.empty()) {
            const uint8_t* colour = &bgr[(static_cast<size_t>(sy) * width + sx) * 3];
            sum[0] += colour[2];
            sum[1] += colour[1];
            sum[2] += colour[0];
            continue;
          }
          const RgbColour& colour = palette[row[sx]];
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

int MakeThumbnail(const Options& options) {
  FrameWalk walk(options.file);
  const int frames = walk.Header().frames;
  const int third = std::min(frames / 3, kLatestFrame);
  bool found = false;
  while (walk.Next()) {
    if (walk.Decoded() > third && ShowsMoreThanOneColour(walk.Current())) {
      found = true;
      break;
    }
  }
  if (walk.Decoded() == 0) throw PlayerError(walk.Damage());
  const std::string damage = walk.Damage();
  const int shown = walk.Decoded() - 1;
  int chosen = shown;
  if (!found && shown > 0 && !ShowsMoreThanOneColour(walk.Current())) {
    // Back to the start for the first frame with something to see, keeping
    // the last picture in case there is none.
    const std::vector<uint8_t> kept = walk.Current().Pixels();
    const BasePalette keptPalette = walk.Current().Palette();
    walk.Restart();
    bool earlier = false;
    while (!earlier && walk.Decoded() < shown && walk.Next()) earlier = ShowsMoreThanOneColour(walk.Current());
    if (earlier) {
      chosen = walk.Decoded() - 1;
    } else {
      std::copy(kept.begin(), kept.end(), walk.Current().Target().pixels);
      *walk.Current().Target().palette = keptPalette;
    }
  }
  if (!damage.empty()) {
    std::fprintf(stderr, "kinetrope-cli: %s: %s; the thumbnail shows frame %d\n", options.file.c_str(), damage.c_str(),
                 chosen);
  }

  const uint32_t width = walk.Header().width;
  const uint32_t height = walk.Header().height;
  const uint32_t size = static_cast<uint32_t>(options.size);
  // The longer side takes the whole size; the other keeps the picture's shape.
  uint32_t outWidth = size;
  uint32_t outHeight = size;
  if (width >= height) {
    outHeight = std::max<uint32_t>(1, static_cast<uint32_t>((uint64_t{height} * size + width / 2) / width));
  } else {
    outWidth = std::max<uint32_t>(1, static_cast<uint32_t>((uint64_t{width} * size + height / 2) / height));
  }
  // A file manager that gives up on a slow thumbnail ends the tool with
  // SIGTERM; the half-written picture must not stay behind in its folder.
  NoteEndingSignals();
  try {
    WriteRgbPngFile(options.out, ScaleToRgb(walk.Current(), width, height, outWidth, outHeight), outWidth, outHeight,
                    EndingSignalNoted);
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
