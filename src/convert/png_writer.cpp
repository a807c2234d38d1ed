// Plain PNG through libpng: a one-frame flic, and each file of a numbered
// series. Palette images keep the flic's indices, so every pixel has
// exactly its colour; the transparent index gets alpha 0 in tRNS.
#include <png.h>

#include <csetjmp>

#include <algorithm>

#include "convert/animation_writer.h"

namespace kt {
namespace {

void WriteToFile(png_structp png, png_bytep bytes, png_size_t count) {
  if (!static_cast<OutputFile*>(png_get_io_ptr(png))->Write(bytes, count)) png_error(png, "write failed");
}

void FlushNothing(png_structp) {}

// Kept apart from anything with a destructor: libpng leaves by longjmp.
bool EncodePng(OutputFile& file, const AnimationLayout& layout, png_colorp palette, int entries, png_bytep alpha,
               int alphas, png_bytepp rows, std::string& message) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    message = "out of memory";
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    message = "PNG encoder failed";
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &file, WriteToFile, FlushNothing);
  // Filters do not help palette indices; deflate does the work.
  png_set_filter(png, 0, PNG_FILTER_NONE);
  png_set_IHDR(png, info, static_cast<png_uint_32>(layout.width), static_cast<png_uint_32>(layout.height), 8,
               PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_PLTE(png, info, palette, entries);
  if (alphas > 0) png_set_tRNS(png, info, alpha, alphas, nullptr);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

class SinglePngWriter : public AnimationWriter {
 public:
  SinglePngWriter(OutputFile& file, const AnimationLayout& layout) : file_(file), layout_(layout) {}
  void Add(const AnimationFrame& frame) override { WritePalettePng(file_, frame, layout_); }
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
    WritePalettePng(*files_.back(), frame, layout_);
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
  std::vector<png_bytep> rows(static_cast<size_t>(layout.height));
  for (int y = 0; y < layout.height; ++y) {
    rows[static_cast<size_t>(y)] = const_cast<png_bytep>(frame.indices + static_cast<size_t>(y) * layout.width);
  }
  std::string message;
  const bool done = EncodePng(file, layout, palette, entries, alpha, alphas, rows.data(), message);
  file.Check();
  if (!done) file.Fail(message);
}

std::unique_ptr<AnimationWriter> MakePngSeriesWriter(const std::string& pattern, const AnimationLayout& layout,
                                                     std::vector<std::unique_ptr<OutputFile>>& files) {
  return std::make_unique<PngSeriesWriter>(pattern, layout, files);
}

std::unique_ptr<AnimationWriter> MakeSinglePngWriter(OutputFile& file, const AnimationLayout& layout) {
  return std::make_unique<SinglePngWriter>(file, layout);
}

}  // namespace kt
