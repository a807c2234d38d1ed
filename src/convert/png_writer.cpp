// Plain PNG through libpng: a one-frame flic, and each file of a numbered
// series. Palette images keep the flic's indices, so every pixel has
// exactly its colour; the transparent index gets alpha 0 in tRNS.
#include <png.h>

#include <csetjmp>

#include <algorithm>

#include "convert/animation_writer.h"
#include "convert/png_picture.h"

namespace kt {
namespace {

void WriteToFile(png_structp png, png_bytep bytes, png_size_t count) {
  if (!static_cast<OutputFile*>(png_get_io_ptr(png))->Write(bytes, count)) png_error(png, "write failed");
}

void FlushNothing(png_structp) {}

// What one PNG holds: palette indices with their colours (and alpha where a
// colour is transparent), or three bytes a pixel.
struct PngContent {
  uint32_t width = 0;
  uint32_t height = 0;
  const uint8_t* pixels = nullptr;  // top row first, no padding
  png_colorp palette = nullptr;     // null: RGB
  int entries = 0;
  png_bytep alpha = nullptr;
  int alphas = 0;
};

// Kept apart from anything with a destructor: libpng leaves by longjmp. So
// the reason it failed is a fixed text; none when the picture was written.
const char* EncodePng(OutputFile& file, const PngContent& content, png_bytepp rows) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return "out of memory";
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return "PNG encoder failed";
  }
  png_set_write_fn(png, &file, WriteToFile, FlushNothing);
  // Filters do not help palette indices, nor the few colours of a flic's
  // picture scaled down; deflate does the work.
  png_set_filter(png, 0, PNG_FILTER_NONE);
  const bool indexed = content.palette != nullptr;
  png_set_IHDR(png, info, content.width, content.height, 8, indexed ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (indexed) png_set_PLTE(png, info, content.palette, content.entries);
  if (content.alphas > 0) png_set_tRNS(png, info, content.alpha, content.alphas, nullptr);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return nullptr;
}

// The file's own failure (a full disk) is told before the encoder's, which follows from it.
void WritePng(OutputFile& file, const PngContent& content) {
  const size_t rowBytes = static_cast<size_t>(content.width) * (content.palette != nullptr ? 1 : 3);
  std::vector<png_bytep> rows(content.height);
  for (size_t y = 0; y < rows.size(); ++y) rows[y] = const_cast<png_bytep>(content.pixels + y * rowBytes);
  const char* failed = EncodePng(file, content, rows.data());
  file.Check();
  if (failed != nullptr) file.Fail(failed);
}

// A true-colour frame as three bytes a pixel, rows held only while written.
void WriteRgbPng(OutputFile& file, const AnimationFrame& frame, const AnimationLayout& layout) {
  const size_t width = static_cast<size_t>(layout.width);
  std::vector<png_byte> rgb(width * layout.height * 3);
  for (size_t i = 0; i < width * layout.height; ++i) {
    const uint32_t c = frame.argb[i];
    rgb[3 * i] = static_cast<png_byte>(c >> 16);
    rgb[3 * i + 1] = static_cast<png_byte>(c >> 8);
    rgb[3 * i + 2] = static_cast<png_byte>(c);
  }
  WritePng(file, PngContent{static_cast<uint32_t>(layout.width), static_cast<uint32_t>(layout.height), rgb.data()});
}

void WriteFramePng(OutputFile& file, const AnimationFrame& frame, const AnimationLayout& layout) {
  if (layout.trueColour) {
    WriteRgbPng(file, frame, layout);
  } else {
    WritePalettePng(file, frame, layout);
  }
}

class SinglePngWriter : public AnimationWriter {
 public:
  SinglePngWriter(OutputFile& file, const AnimationLayout& layout) : file_(file), layout_(layout) {}
  void Add(const AnimationFrame& frame) override { WriteFramePng(file_, frame, layout_); }
  void Finish() override {}

 private:
  OutputFile& file_;
  AnimationLayout layout_;
};

class PngSeriesWriter : public AnimationWriter {
 public:
  PngSeriesWriter(std::string pattern, const AnimationLayout& layout, std::vector<std::unique_ptr<OutputFile>>& files)
      : pattern_(std::move(pattern)), layout_(layout), files_(files) {}
  void Add(const AnimationFrame& frame) override {
    files_.push_back(std::make_unique<OutputFile>(PngSeriesName(pattern_, frame.flicFrame)));
    WriteFramePng(*files_.back(), frame, layout_);
    // Closed now, renamed with the others once all are written.
    files_.back()->CloseForRename();
  }
  void Finish() override {}

 private:
  std::string pattern_;
  AnimationLayout layout_;
  std::vector<std::unique_ptr<OutputFile>>& files_;
};

}  // namespace

void WritePalettePng(OutputFile& file, const AnimationFrame& frame, const AnimationLayout& layout) {
  const int entries = layout.colourCount;
  png_color palette[256];
  for (int i = 0; i < entries; ++i) {
    const RgbColour& c = (*frame.colours)[static_cast<size_t>(i)];
    palette[i] = png_color{c.red, c.green, c.blue};
  }
  png_byte alpha[256];
  int alphas = 0;
  if (layout.transparent) {
    alphas = *layout.transparent + 1;
    std::fill_n(alpha, alphas, png_byte{255});
    alpha[*layout.transparent] = 0;
  }
  WritePng(file, PngContent{static_cast<uint32_t>(layout.width), static_cast<uint32_t>(layout.height), frame.indices,
                            palette, entries, alpha, alphas});
}

void WriteRgbPngFile(const std::string& path, const std::vector<uint8_t>& rgb, uint32_t width, uint32_t height,
                     bool (*cancelled)()) {
  if (width == 0 || height == 0 || rgb.size() != static_cast<size_t>(width) * height * 3 ||
      width > PNG_UINT_31_MAX / 3) {
    throw ConvertError("cannot write " + path + ": no picture to write");
  }
  OutputFile file(path);
  WritePng(file, PngContent{width, height, rgb.data()});
  if (cancelled != nullptr && cancelled()) throw ConvertCancelled();
  file.Commit();
}

std::unique_ptr<AnimationWriter> MakePngSeriesWriter(const std::string& pattern, const AnimationLayout& layout,
                                                     std::vector<std::unique_ptr<OutputFile>>& files) {
  return std::make_unique<PngSeriesWriter>(pattern, layout, files);
}

std::unique_ptr<AnimationWriter> MakeSinglePngWriter(OutputFile& file, const AnimationLayout& layout) {
  return std::make_unique<SinglePngWriter>(file, layout);
}

}  // namespace kt
