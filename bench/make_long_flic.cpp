// Writes the long flic the seek, memory and load benchmarks use: by default
// 4000 frames of 640 x 480, frame 0 a full BYTE_RUN picture, every further
// frame a DELTA_FLC in which textured blocks move over the background; with
// --byte-run every frame is a full BYTE_RUN picture instead, the costliest
// kind of frame to replay. With --depth 15, 16 or 24 the same pictures go to
// a true-colour flic: DTA_BRUN for BYTE_RUN, DTA_LC for DELTA_FLC.
//
//   make_long_flic OUT.flc [--byte-run] [--frames N] [--size W H] [--depth D]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "chunk_encoding.h"
#include "flic/flic_writer.h"
#include "true_colour_encoding.h"

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

// The writer writes 256 colours only; a true-colour flic is put together here.
bool WriteTrueColourFlic(const std::string& out, const Bytes& background, const Bytes& texture, int frames, int width,
                         int height, int depth, bool byteRun) {
  const auto w = static_cast<uint16_t>(width);
  const auto h = static_cast<uint16_t>(height);
  const size_t unit = depth == 24 ? 3 : 2;
  Bytes file(128, 0);
  Bytes previous;
  Bytes picture;
  for (int f = 0; f <= frames; ++f) {
    DrawFrame(picture, background, texture, f == frames ? 0 : f, width, height);
    picture = encode::TrueColourPicture(picture, static_cast<unsigned>(depth));
    std::vector<kt::test::ChunkSpec> chunks;
    if (f == 0 || byteRun) {
      chunks.push_back({25, encode::EncodeUnitRuns(picture, w, h, unit), {}});
    } else {
      chunks.push_back({27, encode::EncodePixelDelta(previous, picture, w, h, unit), {}});
    }
    if (chunks.back().data.size() % 2 == 1) chunks.back().data.push_back(0);  // chunk sizes are even
    const Bytes record = kt::test::FrameRecord(kt::test::Frame(std::move(chunks)));
    file.insert(file.end(), record.begin(), record.end());
    previous = picture;
  }
  Bytes header;
  kt::AppendU32(header, static_cast<uint32_t>(file.size()));
  kt::AppendU16(header, 0xAF44);
  kt::AppendU16(header, static_cast<uint16_t>(frames));
  kt::AppendU16(header, w);
  kt::AppendU16(header, h);
  kt::AppendU16(header, static_cast<uint16_t>(depth));
  kt::AppendU16(header, 3);
  kt::AppendU32(header, 40);  // milliseconds a frame
  std::copy(header.begin(), header.end(), file.begin());
  file[80] = 128;  // oframe1
  std::ofstream stream(out, std::ios::binary);
  stream.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  if (!stream) return false;
  std::printf("%s: %d frames of %d x %d, %zu bytes\n", out.c_str(), frames, width, height, file.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  constexpr const char* kUsage = "usage: make_long_flic OUT.flc [--byte-run] [--frames N] [--size W H] [--depth D]\n";
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
  int depth = 8;
  for (int i = 2; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "--byte-run") {
      byteRun = true;
    } else if (word == "--frames" && i + 1 < argc) {
      frames = std::atoi(argv[++i]);
    } else if (word == "--depth" && i + 1 < argc) {
      depth = std::atoi(argv[++i]);
      if (depth != 8 && depth != 15 && depth != 16 && depth != 24) {
        std::fputs("make_long_flic: the depth is 8, 15, 16 or 24\n", stderr);
        return 2;
      }
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
  if (depth != 8) {
    if (WriteTrueColourFlic(out, background, texture, frames, width, height, depth, byteRun)) return 0;
    std::fprintf(stderr, "make_long_flic: cannot write %s\n", out.c_str());
    return 1;
  }
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
