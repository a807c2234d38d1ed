#include "convert/convert.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <memory>

#include "base/bytes.h"
#include "base/errors.h"
#include "convert/animation_writer.h"
#include "convert/frame_colours.h"
#include "convert/frame_jobs.h"
#include "convert/frame_source.h"
#include "convert/output_file.h"
#include "convert/output_formats.h"
#include "flic/flic_file.h"
#include "flic/flic_header.h"

namespace kt {
namespace {

using SourceOpener = std::function<std::unique_ptr<FrameSource>()>;

template <typename Pixel>
void ScalePixels(const Pixel* in, int width, int height, int scale, std::vector<Pixel>& out) {
  const size_t outWidth = static_cast<size_t>(width) * scale;
  out.resize(outWidth * height * scale);
  for (int y = 0; y < height; ++y) {
    Pixel* row = out.data() + static_cast<size_t>(y) * scale * outWidth;
    const Pixel* src = in + static_cast<size_t>(y) * width;
    for (int x = 0; x < width; ++x) std::fill_n(row + static_cast<size_t>(x) * scale, scale, src[x]);
    for (int r = 1; r < scale; ++r) std::copy_n(row, outWidth, row + r * outWidth);
  }
}

// The formats that keep more than 256 colours, to which true-colour flic
// frames go as they are, unless the user fixes a palette.
bool KeepsTrueColour(const FrameSource& source, const OutputFormat& format, const ConvertOptions& options) {
  const AnimationFormat f = format.format;
  const bool deep = f == AnimationFormat::Png || f == AnimationFormat::PngSeries || f == AnimationFormat::WebP ||
                    f == AnimationFormat::Mp4 || f == AnimationFormat::WebM;
  return deep && source.TrueColour() && !options.palette;
}

ColourOptions ColoursFor(const ConvertOptions& options, const OutputFormat& format) {
  ColourOptions colours;
  colours.colourBits = format.colourBits;
  colours.background = options.background;
  colours.key = options.key;
  colours.dither = options.dither;
  if (options.palette) colours.palette = FixedPalette{*options.palette, options.paletteCount};
  return colours;
}

// What a re-encoded flic keeps of its source: the header's last 40 bytes,
// the aspect and a prefix record. Nothing for an input that is no flic, or
// when they cannot be read.
FlicKeptBytes KeptFromSource(const std::string& input) {
  FlicKeptBytes kept;
  OrWhyNot<OpenedFlic> opened = OpenFlic(input);
  if (!opened) return kept;
  FlicFile& file = opened->file;
  const FlicHeader& header = opened->header;
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
    return {};
  }
  return kept;
}

// What the first pass learns of the frames that will be written.
struct Survey {
  int read = 0;  // frames read from the input, those before the first asked for included
  std::vector<uint32_t> durations;
  std::string damage;
  bool paletteChanges = false;
  std::array<bool, 256> used{};         // the colour indices any frame shows
  std::array<uint32_t, 256> drawnIn{};  // frames that draw each index anew
  std::array<uint64_t, 256> drawn{};    // pixels drawn with it, the first frame's all
  int exactFrames = 0;
};

// Counts the indices of the pixels a frame changes, looking at the rows
// that differ only, and keeps the frame as the one to compare with.
void CountDrawn(const std::vector<uint8_t>& indices, std::vector<uint8_t>& before, int width, Survey& survey) {
  // Without a branch on whether a pixel changed, which guesses wrong on
  // changing pictures; two tallies, so that a run of one index does not wait
  // on its own last count.
  uint64_t counts[2][256] = {};
  const bool first = before.size() != indices.size();
  before.resize(indices.size());
  for (size_t row = 0; row < indices.size(); row += static_cast<size_t>(width)) {
    const uint8_t* now = indices.data() + row;
    uint8_t* was = before.data() + row;
    if (!first && std::memcmp(now, was, static_cast<size_t>(width)) == 0) continue;
    // Eight pixels at a time, passed over where none changed.
    int x = 0;
    for (; x + 8 <= width; x += 8) {
      uint64_t a, b;
      std::memcpy(&a, now + x, sizeof a);
      std::memcpy(&b, was + x, sizeof b);
      if (a == b && !first) continue;
      for (int i = x; i < x + 8; i += 2) {
        counts[0][now[i]] += first || now[i] != was[i];
        counts[1][now[i + 1]] += first || now[i + 1] != was[i + 1];
      }
    }
    for (; x < width; ++x) counts[0][now[x]] += first || now[x] != was[x];
    std::memcpy(was, now, static_cast<size_t>(width));
  }
  for (int i = 0; i < 256; ++i) {
    const uint64_t count = counts[0][i] + counts[1][i];
    survey.drawn[i] += count;
    survey.drawnIn[i] += count > 0;
    survey.used[i] = survey.used[i] || count > 0;
  }
}

Survey SurveyFrames(FrameSource& source, FrameColours& colours, const std::string& name, const ConvertOptions& options,
                    bool trueColour, ConvertObserver& observer) {
  Survey survey;
  if (options.transparent) survey.used[*options.transparent] = true;
  if (options.key) survey.used[*options.key] = true;
  std::optional<BasePalette> first;
  std::vector<uint8_t> indices, before;
  BasePalette palette{};
  for (;;) {
    if (observer.Cancelled()) throw ConvertCancelled();
    if (options.lastFrame && survey.read > *options.lastFrame) break;
    SourceFrame frame;
    try {
      if (!source.Next(frame)) break;
    } catch (const ConvertError& error) {
      survey.damage = error.what();
      break;
    }
    const int f = survey.read++;
    if (!frame.damage.empty() && survey.damage.empty()) {
      survey.damage = name + " is damaged: " + frame.damage;
      if (!options.keepGoing) break;
    }
    if (f < options.firstFrame) continue;
    survey.durations.push_back(frame.durationMs);
    if (trueColour || !colours.Learn(frame, indices, palette)) continue;
    ++survey.exactFrames;
    if (!first) first = palette;
    if (palette != *first) survey.paletteChanges = true;
    CountDrawn(indices, before, source.Width(), survey);
  }
  return survey;
}

ConvertReport Convert(const SourceOpener& open, const std::string& name, const std::string& output,
                      const ConvertOptions& options, ConvertObserver& observer, const FlicKeptBytes& kept = {}) {
  const OutputFormat& format = OutputFormatOf(FormatForOutput(output));
  if (options.scale < 1 || options.scale > 64) throw ConvertError("the scale must be 1 to 64");
  std::unique_ptr<FrameSource> source = open();
  const int width = source->Width(), height = source->Height();
  AnimationLayout layout;
  layout.width = width * options.scale;
  layout.height = height * options.scale;
  if (layout.width > format.maxSide || layout.height > format.maxSide) {
    throw ConvertError(output + ": " + format.label + " takes at most " + std::to_string(format.maxSide) +
                       " pixels a side, and the " + (options.scale > 1 ? "scaled " : "") + "input is " +
                       std::to_string(layout.width) + "x" + std::to_string(layout.height));
  }

  // A first pass reads what will be written before anything is created:
  // damaged input fails without touching the disk, and the encoders learn
  // the frames' times, whether the colours ever change and how many are used.
  FrameColours colours(ColoursFor(options, format), width, height);
  const bool trueColour = KeepsTrueColour(*source, format, options);
  const Survey survey = SurveyFrames(*source, colours, name, options, trueColour, observer);
  source.reset();
  if (!survey.damage.empty() && !options.keepGoing) throw ConvertError(survey.damage);
  const int frames = static_cast<int>(survey.durations.size());
  if (frames == 0 || (options.lastFrame && survey.read <= *options.lastFrame && survey.damage.empty())) {
    if (!survey.damage.empty()) {
      throw ConvertError("no frame from " + std::to_string(options.firstFrame) + " on decodes: " + survey.damage);
    }
    if (survey.read == 0) throw ConvertError(name + ": no frame in it can be read");
    const std::string last = options.lastFrame ? std::to_string(*options.lastFrame) : "the end";
    throw ConvertError(name + ": the frames asked for, " + std::to_string(options.firstFrame) + " to " + last +
                       ", are not within its frames 0 to " + std::to_string(survey.read - 1));
  }
  if (format.maxFrames > 0 && frames > format.maxFrames) {
    throw ConvertError(output + ": " + format.label + " takes at most " + std::to_string(format.maxFrames) +
                       " frames, and " + name + " has " + std::to_string(frames));
  }
  colours.FinishLearning();
  layout.frames = frames;
  layout.delayMs = options.delayMs.value_or(survey.durations.front());
  if (!options.delayMs &&
      std::any_of(survey.durations.begin(), survey.durations.end(), [&](uint32_t d) { return d != layout.delayMs; })) {
    layout.durationsMs = survey.durations;
  }
  layout.transparent = options.transparent;
  layout.plays = options.plays;
  layout.paletteChanges =
      survey.paletteChanges || (colours.Reduces() && survey.exactFrames > 0) || colours.ScenePalettes();
  layout.used = survey.used;
  layout.drawnIn = survey.drawnIn;
  layout.drawn = survey.drawn;
  if (colours.Reduces()) layout.used.fill(true);
  layout.colourCount = std::max<int>(
      1, 256 - static_cast<int>(std::find(layout.used.rbegin(), layout.used.rend(), true) - layout.used.rbegin()));
  layout.threads = options.threads > 0 ? options.threads : DefaultConvertThreads();
  layout.quality = options.quality;
  layout.trueColour = trueColour;

  std::unique_ptr<OutputFile> file;
  std::vector<std::unique_ptr<OutputFile>> series;
  WriterTarget target{output, nullptr, &series, options.palette.has_value(), kept};
  if (!format.numbered) {
    file = std::make_unique<OutputFile>(output);
    target.file = file.get();
  }
  std::unique_ptr<AnimationWriter> writer = format.makeWriter(target, layout);

  source = open();
  std::vector<uint8_t> indices, scaled;
  std::vector<uint32_t> scaledArgb;
  BasePalette palette{};
  const int end = options.firstFrame + frames;
  for (int f = 0; f < end; ++f) {
    if (observer.Cancelled()) throw ConvertCancelled();
    SourceFrame frame;
    if (!source->Next(frame)) throw ConvertError(name + ": ended early on a second reading");
    if (f < options.firstFrame) continue;
    AnimationFrame shown;
    if (trueColour) {
      if (options.scale > 1) ScalePixels(frame.argb, width, height, options.scale, scaledArgb);
      shown.argb = options.scale == 1 ? frame.argb : scaledArgb.data();
    } else {
      colours.Map(frame, indices, palette);
      if (options.scale > 1) ScalePixels(indices.data(), width, height, options.scale, scaled);
      shown.indices = options.scale == 1 ? indices.data() : scaled.data();
    }
    shown.colours = &palette;
    shown.index = f - options.firstFrame;
    shown.flicFrame = f;
    writer->Add(shown);
    observer.Progress(shown.index + 1, layout.frames);
  }
  if (observer.Cancelled()) throw ConvertCancelled();
  writer->Finish();
  if (observer.Cancelled()) throw ConvertCancelled();

  ConvertReport report;
  report.frames = layout.frames;
  report.damage = survey.damage;
  report.reduced = colours.Reduces();
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

uint32_t FrameDurationInUnits(int index, uint32_t delayMs, uint32_t unitMs) {
  const auto endAt = [&](uint64_t frames) { return (frames * delayMs * 2 + unitMs) / (2 * uint64_t{unitMs}); };
  return static_cast<uint32_t>(endAt(static_cast<uint64_t>(index) + 1) - endAt(static_cast<uint64_t>(index)));
}

uint64_t FrameStartMs(const AnimationLayout& layout, int index) {
  if (layout.durationsMs.empty()) return static_cast<uint64_t>(index) * layout.delayMs;
  uint64_t start = 0;
  for (int i = 0; i < index && i < static_cast<int>(layout.durationsMs.size()); ++i) start += layout.durationsMs[i];
  return start;
}

uint32_t FrameUnits(const AnimationLayout& layout, int index, uint32_t unitMs) {
  if (layout.durationsMs.empty()) return FrameDurationInUnits(index, layout.delayMs, unitMs);
  const auto endAt = [&](uint64_t ms) { return (ms * 2 + unitMs) / (2 * uint64_t{unitMs}); };
  const uint64_t start = FrameStartMs(layout, index);
  const uint64_t end = start + (index < static_cast<int>(layout.durationsMs.size()) ? layout.durationsMs[index] : 0);
  return static_cast<uint32_t>(endAt(end) - endAt(start));
}

ConvertReport ConvertFile(const std::string& input, const std::string& output, const ConvertOptions& options,
                          ConvertObserver& observer) {
  FormatForOutput(output);  // a wrong name fails before the input is read
  SourceSettings settings{options.adjustment};
  int declared = 0;
  const auto open = [&] {
    std::unique_ptr<FrameSource> source = OpenFrameSource(input, settings);
    declared = source->DeclaredFrames();
    return source;
  };
  ConvertReport report = Convert(open, input, output, options, observer, KeptFromSource(input));
  report.flicFrames = declared;
  return report;
}

ConvertReport ConvertFlicInMemory(const FlicHeader& header, const FrameStore& store, const std::string& name,
                                  const std::string& output, const ConvertOptions& options, ConvertObserver& observer) {
  SourceSettings settings{options.adjustment};
  ConvertReport report =
      Convert([&] { return MakeStoredFlicSource(header, store, settings); }, name, output, options, observer);
  report.flicFrames = header.frames;
  return report;
}

}  // namespace kt
