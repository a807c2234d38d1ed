// Writes the long flic the seek, memory and load benchmarks use: by default
// 4000 frames of 640 x 480, frame 0 a full BYTE_RUN picture, every further
// frame a DELTA_FLC in which textured blocks move over the background; with
// --byte-run every frame is a full BYTE_RUN picture instead, the costliest
// kind of frame to replay.
//
//   make_long_flic OUT.flc [--byte-run] [--frames N] [--size W H]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "chunk_encoding.h"
#include "flic/flic_writer.h"

namespace {

namespace encode = kt::encode;
using encode::Bytes;

// The flic goes to the file as it is written; a 4000-frame one is large.
class FileSink : public kt::FlicSink {
 public:
  explicit FileSink(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {}
  ~FileSink() override { Close(); }
  void Append(const uint8_t* bytes, size_t count) override {
    ok_ = ok_ && file_ != nullptr && std::fwrite(bytes, 1, count, file_) == count;
  }
  void Overwrite(uint64_t offset, const uint8_t* bytes, size_t count) override {
    ok_ = ok_ && file_ != nullptr && std::fseek(file_, static_cast<long>(offset), SEEK_SET) == 0;
    Append(bytes, count);
    ok_ = ok_ && std::fseek(file_, 0, SEEK_END) == 0;
  }
  bool Close() {
    if (file_ != nullptr) ok_ = std::fclose(file_) == 0 && ok_;
    file_ = nullptr;
    return ok_;
  }

 private:
  std::FILE* file_;
  bool ok_ = true;
};

// The picture of frame f: a fixed background with eight textured blocks
// whose places move a few pixels a frame along their own paths.
void DrawFrame(Bytes& picture, const Bytes& background, const Bytes& texture, int f, int width, int height) {
  picture = background;
  const int bw = width / 12;
  const int bh = height / 10;
  for (int b = 0; b < 8; ++b) {
    const int spanX = width - bw;
    const int spanY = height - bh;
    int x = (b * 97 + f * (3 + b)) % (2 * spanX);
    int y = (b * 61 + f * (2 + b % 3)) % (2 * spanY);
    if (x >= spanX) x = 2 * spanX - x - 1;
    if (y >= spanY) y = 2 * spanY - y - 1;
    for (int r = 0; r < bh; ++r) {
      const size_t to = static_cast<size_t>(y + r) * width + x;
      const size_t from = static_cast<size_t>(r + b * bh % (height - bh)) * width + b * 7;
      std::copy(texture.begin() + from, texture.begin() + from + bw, picture.begin() + to);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  constexpr const char* kUsage = "usage: make_long_flic OUT.flc [--byte-run] [--frames N] [--size W H]\n";
  if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  // An option where the name belongs would otherwise become a file of that name.
  if (argc < 2 || argv[1][0] == '-') {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string out = argv[1];
  bool byteRun = false;
  int frames = 4000;
  int width = 640;
  int height = 480;
  for (int i = 2; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "--byte-run") {
      byteRun = true;
    } else if (word == "--frames" && i + 1 < argc) {
      frames = std::atoi(argv[++i]);
    } else if (word == "--size" && i + 2 < argc) {
      width = std::atoi(argv[++i]);
      height = std::atoi(argv[++i]);
    } else {
      std::fprintf(stderr, "make_long_flic: unknown option %s\n", word.c_str());
      return 2;
    }
  }
  if (frames < 1 || frames > 4000 || width < 24 || height < 20 || width > 4096 || height > 4096) {
    std::fputs("make_long_flic: 1 to 4000 frames of 24 x 20 to 4096 x 4096 pixels\n", stderr);
    return 2;
  }
  const auto w = static_cast<uint16_t>(width);
  const auto h = static_cast<uint16_t>(height);
  const Bytes background = encode::SyntheticPicture(w, h, 1);
  const Bytes texture = encode::SyntheticPicture(w, h, 2);
  std::vector<uint8_t> rgb(768);
  for (size_t i = 0; i < 256; ++i) {
    rgb[3 * i] = static_cast<uint8_t>(i);
    rgb[3 * i + 1] = static_cast<uint8_t>(i * 3);
    rgb[3 * i + 2] = static_cast<uint8_t>(255 - i);
  }

  kt::BasePalette palette{};
  for (size_t i = 0; i < 256; ++i) palette[i] = kt::RgbColour{rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]};
  kt::FlicWriterSettings settings;
  settings.width = w;
  settings.height = h;
  settings.speed = 40;  // milliseconds a frame
  settings.forms = byteRun ? kt::kFormByteRun : kt::kFormDeltaFlc;
  FileSink sink(out);
  Bytes picture;
  size_t bytes = 0;
  try {
    kt::FlicWriter writer(sink, settings);
    for (int f = 0; f < frames; ++f) {
      DrawFrame(picture, background, texture, f, width, height);
      writer.Add(picture.data(), palette);
    }
    writer.Finish();
    bytes = writer.BytesWritten();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "make_long_flic: %s\n", error.what());
    return 1;
  }
  if (!sink.Close()) {
    std::fprintf(stderr, "make_long_flic: cannot write %s\n", out.c_str());
    return 1;
  }
  std::printf("%s: %d frames of %d x %d, %zu bytes\n", out.c_str(), frames, width, height, bytes);
  return 0;
}
