#include "convert/convert.h"

#include <algorithm>
#include <memory>

#include "base/ascii.h"
#include "base/bytes.h"
#include "base/errors.h"
#include "colour/display_palette.h"
#include "convert/animation_writer.h"
#include "convert/frame_jobs.h"
#include "convert/output_file.h"
#include "flic/frame_decoder.h"
#include "flic/frame_reader.h"
#include "platform/path_lookup.h"
#include "platform/regular_file.h"

namespace kt {
namespace {

// The largest side each format takes.
int MaxSide(AnimationFormat format) {
  switch (format) {
    case AnimationFormat::WebP: return 16383;
    case AnimationFormat::Mp4:
    case AnimationFormat::WebM: return 16384;
    default: return 65535;
  }
}

// Decoder reports of a damaged frame, kept as the first one's text.
class DamageEvents : public DecodeEvents {
 public:
  int frame = 0;
  std::string first;
  void UnknownChunk(uint16_t type) override {
    Note("frame " + std::to_string(frame) + ": unknown chunk type " + std::to_string(type));
  }
  void DataClipped(int chunkIndex, uint16_t type) override {
    Note("frame " + std::to_string(frame) + ": chunk " + std::to_string(chunkIndex) + " (type " + std::to_string(type) +
         ") reaches outside the picture, the palette or its own data");
  }

 private:
  void Note(const std::string& text) {
    if (first.empty()) first = text;
  }
};

// The picture and palette frames decode into, as a playback starts them.
struct Canvas {
  std::vector<uint8_t> pixels;
  BasePalette palette{};
  FrameTarget target;
  Canvas(uint16_t width, uint16_t height) : pixels(static_cast<size_t>(width) * height, 0) {
    target.pixels = pixels.data();
    target.width = width;
    target.height = height;
    target.palette = &palette;
  }
};

// The colours as shown, made again only when the flic's palette changed:
// the exact rounding of brightness and contrast costs more than a frame.
class ShownColours {
 public:
  explicit ShownColours(const PaletteAdjustment& adjustment) : adjustment_(adjustment) {}
  const BasePalette& For(const BasePalette& base) {
    if (made_ && base == base_) return shown_;
    DisplayPalette display;
    BuildPalette(base, adjustment_, display);
    for (size_t i = 0; i < shown_.size(); ++i) {
      const RgbQuad& q = display.colourTable[i];
      shown_[i] = RgbColour{q.rgbRed, q.rgbGreen, q.rgbBlue};
    }
    base_ = base;
    made_ = true;
    return shown_;
  }

 private:
  PaletteAdjustment adjustment_;
  bool made_ = false;
  BasePalette base_{};
  BasePalette shown_{};
};

void ScalePixels(const std::vector<uint8_t>& in, int width, int height, int scale, std::vector<uint8_t>& out) {
  const size_t outWidth = static_cast<size_t>(width) * scale;
  out.resize(outWidth * height * scale);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = out.data() + static_cast<size_t>(y) * scale * outWidth;
    const uint8_t* src = in.data() + static_cast<size_t>(y) * width;
    for (int x = 0; x < width; ++x) std::fill_n(row + static_cast<size_t>(x) * scale, scale, src[x]);
    for (int r = 1; r < scale; ++r) std::copy_n(row, outWidth, row + r * outWidth);
  }
}

// What a re-encoded flic keeps of its source: the header's last 40 bytes,
// the aspect and a prefix record. Nothing when they cannot be read.
FlicKeptBytes KeptFromSource(FlicFile& file, const FlicHeader& header) {
  FlicKeptBytes kept;
  const uint64_t resume = file.Offset();
  try {
    uint8_t raw[kFlicHeaderSize];
    file.Seek(0);
    file.Read(raw, sizeof raw);
    std::copy_n(raw + 88, kept.tail.size(), kept.tail.begin());
    kept.aspectX = ReadU16(raw + 38);
    kept.aspectY = ReadU16(raw + 40);
    uint8_t record[6];
    if (!header.IsFli() && file.ReadUpTo(record, sizeof record) == sizeof record && ReadU16(record + 4) == 0xF100) {
      const uint32_t size = ReadU32(record);
      if (size >= kFrameHeaderSize && size <= (1u << 20) && size - sizeof record <= file.Remaining()) {
        kept.prefix.assign(record, record + sizeof record);
        kept.prefix.resize(size);
        file.Read(kept.prefix.data() + sizeof record, size - sizeof record);
      }
    }
  } catch (const PlayerError&) {
    kept.prefix.clear();
  }
  file.Seek(resume);
  return kept;
}

ConvertReport Convert(const FlicHeader& header, const FrameStore& store, int framesRead, std::string damage,
                      const std::string& name, const std::string& output, const ConvertOptions& options,
                      ConvertObserver& observer, const FlicKeptBytes& kept = {}) {
  const AnimationFormat format = FormatForOutput(output);
  const int frames = header.frames;
  const int last = options.lastFrame.value_or(frames - 1);
  if (options.firstFrame < 0 || last >= frames || options.firstFrame > last) {
    throw ConvertError(name + ": the frames asked for, " + std::to_string(options.firstFrame) + " to " +
                       std::to_string(last) + ", are not within the flic's frames 0 to " + std::to_string(frames - 1));
  }
  if (options.scale < 1 || options.scale > 64) throw ConvertError("the scale must be 1 to 64");
  AnimationLayout layout;
  layout.width = header.width * options.scale;
  layout.height = header.height * options.scale;
  if (layout.width > MaxSide(format) || layout.height > MaxSide(format)) {
    throw ConvertError(output + ": " + FormatLabel(format) + " takes at most " + std::to_string(MaxSide(format)) +
                       " pixels a side, and the scaled flic is " + std::to_string(layout.width) + "x" +
                       std::to_string(layout.height));
  }

  // A first pass decodes what will be written before anything is created: a
  // damaged flic fails without touching the disk, and the encoders learn
  // whether the colours ever change and how many of them are used.
  Canvas canvas(header.width, header.height);
  DamageEvents events;
  const int decodable = std::min(last + 1, framesRead);
  int end = decodable;
  std::optional<BasePalette> firstColours;
  ShownColours colours(options.adjustment);
  for (int f = 0; f < decodable; ++f) {
    events.frame = f;
    try {
      DecodeFrame(store.Slot(f), canvas.target, events);
    } catch (const PlayerError& error) {
      if (events.first.empty()) events.first = "frame " + std::to_string(f) + ": " + error.what();
      end = f;
      break;
    }
    if (!events.first.empty() && !options.keepGoing) break;
    if (f < options.firstFrame) continue;
    const BasePalette& shown = colours.For(canvas.palette);
    if (!firstColours) firstColours = shown;
    if (shown != *firstColours) layout.paletteChanges = true;
    for (const uint8_t index : canvas.pixels) layout.used[index] = true;
  }
  if (damage.empty()) damage = events.first;
  if (!damage.empty() && !options.keepGoing) throw ConvertError(name + " is damaged: " + damage);
  if (end <= options.firstFrame) {
    throw ConvertError(name + ": no frame from " + std::to_string(options.firstFrame) +
                       " on decodes; the flic is damaged: " + damage);
  }
  layout.frames = end - options.firstFrame;
  layout.delayMs = options.delayMs.value_or(header.DelayMs());
  layout.transparent = options.transparent;
  layout.plays = options.plays;
  if (options.transparent) layout.used[*options.transparent] = true;
  layout.colourCount = std::max<int>(
      1, 256 - static_cast<int>(std::find(layout.used.rbegin(), layout.used.rend(), true) - layout.used.rbegin()));
  layout.threads = options.threads > 0 ? options.threads : DefaultConvertThreads();
  layout.quality = options.quality;

  std::unique_ptr<OutputFile> file;
  std::vector<std::unique_ptr<OutputFile>> series;
  std::unique_ptr<AnimationWriter> writer;
  if (format == AnimationFormat::PngSeries) {
    writer = MakePngSeriesWriter(output, layout, series);
  } else {
    file = std::make_unique<OutputFile>(output);
    switch (format) {
      case AnimationFormat::Gif: writer = MakeGifWriter(*file, layout); break;
      case AnimationFormat::Png: writer = MakePngWriter(*file, layout); break;
      case AnimationFormat::WebP: writer = MakeWebPWriter(*file, layout); break;
      case AnimationFormat::Flc:
      case AnimationFormat::Fli:
        writer = MakeFlicWriter(
            *file, layout, FlicOutput{format == AnimationFormat::Fli ? FlicKind::Fli : FlicKind::Flc, false, kept});
        break;
      default: writer = MakeVideoWriter(*file, layout, format); break;
    }
  }

  canvas.pixels.assign(canvas.pixels.size(), 0);
  canvas.palette = BasePalette{};
  DecodeEvents quiet;
  std::vector<uint8_t> scaled;
  for (int f = 0; f < end; ++f) {
    if (observer.Cancelled()) throw ConvertCancelled();
    DecodeFrame(store.Slot(f), canvas.target, quiet);
    if (f < options.firstFrame) continue;
    const BasePalette& shown = colours.For(canvas.palette);
    AnimationFrame frame;
    if (options.scale == 1) {
      frame.indices = canvas.pixels.data();
    } else {
      ScalePixels(canvas.pixels, header.width, header.height, options.scale, scaled);
      frame.indices = scaled.data();
    }
    frame.colours = &shown;
    frame.index = f - options.firstFrame;
    frame.flicFrame = f;
    writer->Add(frame);
    observer.Progress(frame.index + 1, layout.frames);
  }
  if (observer.Cancelled()) throw ConvertCancelled();
  writer->Finish();
  if (observer.Cancelled()) throw ConvertCancelled();

  ConvertReport report;
  report.frames = layout.frames;
  report.flicFrames = frames;
  report.damage = damage;
  if (file) {
    file->Commit();
    report.bytes = file->Size();
  } else {
    for (auto& part : series) part->CloseForRename();
    for (auto& part : series) {
      part->Rename();
      report.bytes += part->Size();
    }
  }
  return report;
}

}  // namespace

AnimationFormat FormatForOutput(const std::string& output) {
  const size_t slash = output.rfind('/');
  const std::string name = slash == std::string::npos ? output : output.substr(slash + 1);
  const size_t dot = name.rfind('.');
  const std::string extension = dot == std::string::npos ? "" : AsciiLowerCase(name.substr(dot));
  if (name.find('%') != std::string::npos) {
    if (extension == ".png") {
      PngSeriesName(output, 0);  // raises for a pattern that is not one number
      return AnimationFormat::PngSeries;
    }
    throw ConvertError(output + ": numbered frames are written as PNG files; name them like frame%04d.png");
  }
  if (extension == ".gif") return AnimationFormat::Gif;
  if (extension == ".png" || extension == ".apng") return AnimationFormat::Png;
  if (extension == ".webp") return AnimationFormat::WebP;
  if (extension == ".mp4") return AnimationFormat::Mp4;
  if (extension == ".webm") return AnimationFormat::WebM;
  if (extension == ".flc") return AnimationFormat::Flc;
  if (extension == ".fli") return AnimationFormat::Fli;
  throw ConvertError(output + ": the output's extension names no format taken: .gif, .png, .webp, .mp4, .webm, " +
                     ".flc, .fli, " + "or a numbered series such as frame%04d.png");
}

std::string PngSeriesName(const std::string& pattern, int number) {
  // One conversion, %d with an optional 0 flag and width; %% stands for %.
  std::string out;
  int conversions = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%') {
      out += pattern[i];
      continue;
    }
    if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
      out += '%';
      ++i;
      continue;
    }
    size_t j = i + 1;
    const bool zeros = j < pattern.size() && pattern[j] == '0';
    if (zeros) ++j;
    int width = 0;
    while (j < pattern.size() && std::isdigit(static_cast<unsigned char>(pattern[j])) && width < 100) {
      width = width * 10 + (pattern[j] - '0');
      ++j;
    }
    if (j >= pattern.size() || pattern[j] != 'd' || ++conversions > 1) {
      throw ConvertError(pattern + ": a numbered series takes one number, written %d or %04d");
    }
    std::string digits = std::to_string(number);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), zeros ? '0' : ' ');
    out += digits;
    i = j;
  }
  if (conversions == 0) throw ConvertError(pattern + ": a numbered series takes one number, written %d or %04d");
  return out;
}

const char* FormatLabel(AnimationFormat format) {
  switch (format) {
    case AnimationFormat::Gif: return "GIF";
    case AnimationFormat::Png: return "animated PNG";
    case AnimationFormat::WebP: return "WebP";
    case AnimationFormat::Mp4: return "MP4";
    case AnimationFormat::WebM: return "WebM";
    case AnimationFormat::PngSeries: return "numbered PNG frames";
    case AnimationFormat::Flc: return "FLC";
    case AnimationFormat::Fli: return "FLI";
  }
  return "";
}

std::vector<std::string> OutputExtensions() { return {".gif", ".png", ".webp", ".mp4", ".webm", ".flc", ".fli"}; }

uint32_t FrameDurationInUnits(int index, uint32_t delayMs, uint32_t unitMs) {
  const auto endAt = [&](uint64_t frames) { return (frames * delayMs * 2 + unitMs) / (2 * uint64_t{unitMs}); };
  return static_cast<uint32_t>(endAt(static_cast<uint64_t>(index) + 1) - endAt(static_cast<uint64_t>(index)));
}

ConvertReport ConvertFlicFile(const std::string& input, const std::string& output, const ConvertOptions& options,
                              ConvertObserver& observer) {
  FormatForOutput(output);  // a wrong name fails before the flic is read
  FlicHeader header;
  std::string whyNot;
  std::optional<FlicFile> file = OpenFlic(input, header, &whyNot);
  if (!file) {
    const std::optional<std::string> kind = NotRegularFileKind(FindPathIgnoringCase(input));
    throw ConvertError(input + (kind ? " is " + *kind + ", not a flic file" : ": " + LoadErrorText(whyNot)));
  }
  try {
    CheckFlicIsPlayable(header);
  } catch (const PlayerError& error) {
    throw ConvertError(input + " is damaged: " + error.what());
  }
  // Frame by frame, so that what reads of a damaged flic is kept; the ring
  // frame is frame 0 again and not needed.
  const FlicKeptBytes kept = KeptFromSource(*file, header);
  FrameStore store;
  std::string damage;
  int read = 0;
  for (; read < header.frames; ++read) {
    try {
      ReadFrame(*file, header, store, read, ReadMode::ChunkByChunk);
    } catch (const OutOfMemoryError&) {
      FreeFrameRange(store, read - 1);
      throw ConvertError(input + ": out of memory");
    } catch (const PlayerError& error) {
      damage = "frame " + std::to_string(read) + ": " + error.what();
      break;
    }
  }
  try {
    ConvertReport report = Convert(header, store, read, damage, input, output, options, observer, kept);
    FreeFrameRange(store, read - 1);
    return report;
  } catch (...) {
    FreeFrameRange(store, read - 1);
    throw;
  }
}

ConvertReport ConvertFlicInMemory(const FlicHeader& header, const FrameStore& store, const std::string& name,
                                  const std::string& output, const ConvertOptions& options, ConvertObserver& observer) {
  return Convert(header, store, header.frames, "", name, output, options, observer);
}

}  // namespace kt
