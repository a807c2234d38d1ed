#include "convert/output_formats.h"

#include <algorithm>

#include "base/ascii.h"

namespace kt {
namespace {

std::unique_ptr<AnimationWriter> Gif(const WriterTarget& target, const AnimationLayout& layout) {
  return MakeGifWriter(*target.file, layout);
}
std::unique_ptr<AnimationWriter> Png(const WriterTarget& target, const AnimationLayout& layout) {
  return MakePngWriter(*target.file, layout);
}
std::unique_ptr<AnimationWriter> WebP(const WriterTarget& target, const AnimationLayout& layout) {
  return MakeWebPWriter(*target.file, layout);
}
std::unique_ptr<AnimationWriter> Mp4(const WriterTarget& target, const AnimationLayout& layout) {
  return MakeVideoWriter(*target.file, layout, AnimationFormat::Mp4);
}
std::unique_ptr<AnimationWriter> WebM(const WriterTarget& target, const AnimationLayout& layout) {
  return MakeVideoWriter(*target.file, layout, AnimationFormat::WebM);
}
std::unique_ptr<AnimationWriter> Flc(const WriterTarget& target, const AnimationLayout& layout) {
  return MakeFlicWriter(*target.file, layout, FlicOutput{FlicKind::Flc, target.fixedPalette, target.kept});
}
std::unique_ptr<AnimationWriter> Fli(const WriterTarget& target, const AnimationLayout& layout) {
  return MakeFlicWriter(*target.file, layout, FlicOutput{FlicKind::Fli, target.fixedPalette, target.kept});
}
std::unique_ptr<AnimationWriter> PngSeries(const WriterTarget& target, const AnimationLayout& layout) {
  return MakePngSeriesWriter(target.name, layout, *target.series);
}

}  // namespace

const std::vector<OutputFormat>& OutputFormats() {
  static const std::vector<OutputFormat> formats = {
      {AnimationFormat::Gif, "GIF", "GIF animation", {".gif"}, false, 65535, 0, Gif, 8},
      {AnimationFormat::Png, "animated PNG", "Animated PNG", {".png", ".apng"}, false, 65535, 0, Png, 8},
      {AnimationFormat::WebP, "WebP", "WebP animation", {".webp"}, false, 16383, 0, WebP, 8},
      {AnimationFormat::Mp4, "MP4", "MP4 video", {".mp4"}, false, 16384, 0, Mp4, 8},
      {AnimationFormat::WebM, "WebM", "WebM video", {".webm"}, false, 16384, 0, WebM, 8},
      {AnimationFormat::Flc, "FLC", "FLC animation", {".flc"}, false, 65535, 65535, Flc, 8},
      {AnimationFormat::Fli, "FLI", "FLI animation, 320x200", {".fli"}, false, 65535, 65535, Fli, 6},
      {AnimationFormat::PngSeries, "numbered PNG frames", "", {".png"}, true, 65535, 0, PngSeries, 8},
  };
  return formats;
}

const OutputFormat& OutputFormatOf(AnimationFormat format) {
  const auto& formats = OutputFormats();
  return *std::find_if(formats.begin(), formats.end(), [&](const OutputFormat& f) { return f.format == format; });
}

std::string SaveDialogFilter() {
  std::string filter;
  for (const OutputFormat& format : OutputFormats()) {
    if (format.numbered) continue;
    const std::string pattern = "*" + format.extensions.front();
    filter += (filter.empty() ? "" : "|") + std::string(format.dialogName) + " (" + pattern + ")|" + pattern;
  }
  return filter;
}

AnimationFormat FormatForOutput(const std::string& output) {
  const size_t slash = output.rfind('/');
  const std::string name = slash == std::string::npos ? output : output.substr(slash + 1);
  const size_t dot = name.rfind('.');
  const std::string extension = dot == std::string::npos ? "" : AsciiLowerCase(name.substr(dot));
  const bool numbered = name.find('%') != std::string::npos;
  std::string taken, series;
  for (const OutputFormat& format : OutputFormats()) {
    const auto& names = format.extensions;
    if (format.numbered == numbered && std::find(names.begin(), names.end(), extension) != names.end()) {
      if (numbered) PngSeriesName(output, 0);  // raises for a pattern that is not one number
      return format.format;
    }
    if (format.numbered) {
      series = "files; name them like frame%04d" + names.front();
    } else {
      for (const std::string& e : names) taken += e + ", ";
    }
  }
  if (numbered) throw ConvertError(output + ": numbered frames are written as " + series);
  throw ConvertError(output + ": the output's extension names no format taken: " + taken +
                     "or a numbered series such as frame%04d.png");
}

const char* FormatLabel(AnimationFormat format) { return OutputFormatOf(format).label; }

std::vector<std::string> OutputExtensions() {
  std::vector<std::string> extensions;
  for (const OutputFormat& format : OutputFormats()) {
    if (!format.numbered) extensions.push_back(format.extensions.front());
  }
  return extensions;
}

}  // namespace kt
