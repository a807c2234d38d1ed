// kinetrope-cli convert against outside decoders: ffmpeg, and ImageMagick for
// GIF and WebP, must see every frame with the colours the export writes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <webp/demux.h>

#include "base/bytes.h"
#include "flic_writer.h"

namespace kt {
namespace {

using test::Bytes;
using test::TempDir;
namespace fs = std::filesystem;
using Frames = std::vector<std::vector<uint32_t>>;  // 0xAARRGGBB per pixel

struct ShellRun {
  int status = -1;
  std::string out;
};

// Runs a shell command; its standard output (and error, when asked) comes back.
ShellRun Shell(const std::string& command, bool withErrors = true) {
  ShellRun run;
  FILE* pipe = ::popen((command + (withErrors ? " 2>&1" : " 2>/dev/null")).c_str(), "r");
  char buffer[65536];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, n);
  const int raw = ::pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

std::string Cli() { return std::string("'") + KINETROPE_CLI_PATH + "'"; }

bool HaveTools() { return Shell("command -v ffmpeg && command -v ffprobe && command -v convert").status == 0; }

// A picture with a block that moves, and the colours changed from frame 2 on.
Bytes FlicBytes(uint16_t width, uint16_t height, int frames, uint32_t speed = 40) {
  test::FlicSpec spec;
  spec.width = width;
  spec.height = height;
  spec.speed = speed;
  std::vector<std::array<uint8_t, 3>> first, second;
  for (int i = 0; i < 256; ++i) {
    first.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(i / 2), static_cast<uint8_t>(255 - i)});
    second.push_back({static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 3), static_cast<uint8_t>(i)});
  }
  for (int f = 0; f <= frames; ++f) {
    const int shown = f == frames ? 0 : f;
    Bytes pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const bool block = x >= shown * 3 && x < shown * 3 + 9 && y < 9;
        pixels[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(block ? 200 + shown : (x + y) / 8 % 64);
      }
    std::vector<test::ChunkSpec> chunks = {test::FliCopy(pixels)};
    if (shown == 0 || shown == 2) chunks.insert(chunks.begin(), test::Color256(shown == 0 ? first : second));
    spec.records.push_back(test::Frame(chunks));
  }
  return test::BuildFlic(spec);
}

// The frames `kinetrope-cli export` writes, as colours; `transparent` as 0.
Frames Exported(const fs::path& flic, const fs::path& dir, int transparent = -1) {
  EXPECT_EQ(Shell(Cli() + " export '" + flic.string() + "' '" + (dir / "bmp").string() + "'").status, 0);
  Frames frames;
  for (int n = 0;; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "bmp%04d.bmp", n);
    if (!fs::exists(dir / name)) return frames;
    const Bytes bmp = test::ReadFileBytes(dir / name);
    const uint32_t w = ReadU32(&bmp[18]), h = ReadU32(&bmp[22]), row = (w + 3) & ~3u;
    std::vector<uint32_t> pixels;
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) {
        const uint8_t index = bmp[1078 + (h - 1 - y) * row + x];
        const uint8_t* c = &bmp[54 + 4 * index];
        pixels.push_back(index == transparent ? 0 : 0xFF000000u | c[2] << 16 | c[1] << 8 | c[0]);
      }
    frames.push_back(pixels);
  }
}

// Frames of `pixels` RGBA pixels each, one after the other.
Frames ToFrames(const std::string& raw, size_t pixels) {
  Frames frames;
  for (size_t at = 0; at + pixels * 4 <= raw.size(); at += pixels * 4) {
    std::vector<uint32_t> frame;
    for (size_t i = 0; i < pixels; ++i) {
      const auto* p = reinterpret_cast<const uint8_t*>(raw.data() + at + i * 4);
      frame.push_back(p[3] == 0 ? 0 : uint32_t{p[3]} << 24 | p[0] << 16 | p[1] << 8 | p[2]);
    }
    frames.push_back(frame);
  }
  return frames;
}

// The frames a decoder writes to standard output as RGBA.
Frames Decoded(const std::string& command, size_t pixels) { return ToFrames(Shell(command, false).out, pixels); }

// For MP4, `crop` cuts off the column or row an odd side was given.
std::string ByFfmpeg(const fs::path& file, const std::string& crop = "") {
  return "ffmpeg -nostdin -v error -i '" + file.string() + "' " + crop +
         " -f rawvideo -pix_fmt rgba -fps_mode passthrough -";
}

// Canvases and timestamps (end of each frame, ms) from libwebp's own decoder.
Frames DecodedWebP(const fs::path& file, std::vector<int>* ends = nullptr) {
  const Bytes bytes = test::ReadFileBytes(file);
  const WebPData data{bytes.data(), bytes.size()};
  WebPAnimDecoderOptions options;
  WebPAnimDecoderOptionsInit(&options);
  options.color_mode = MODE_RGBA;
  WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
  WebPAnimInfo info{};
  Frames frames;
  if (decoder == nullptr || !WebPAnimDecoderGetInfo(decoder, &info)) return frames;
  std::string raw;
  for (uint8_t* canvas = nullptr; WebPAnimDecoderHasMoreFrames(decoder);) {
    int end = 0;
    WebPAnimDecoderGetNext(decoder, &canvas, &end);
    raw.append(reinterpret_cast<char*>(canvas), size_t{info.canvas_width} * info.canvas_height * 4);
    if (ends) ends->push_back(end);
  }
  WebPAnimDecoderDelete(decoder);
  return ToFrames(raw, size_t{info.canvas_width} * info.canvas_height);
}
std::string ByMagick(const fs::path& file) { return "convert '" + file.string() + "' -coalesce -depth 8 rgba:-"; }

// Mean difference of the colour channels, for lossy video.
double MeanChannelError(const Frames& a, const Frames& b) {
  double sum = 0, count = 1;
  for (size_t f = 0; f < std::min(a.size(), b.size()); ++f)
    for (size_t i = 0; i < a[f].size(); ++i)
      for (int shift : {0, 8, 16}) sum += std::abs(int(a[f][i] >> shift & 255) - int(b[f][i] >> shift & 255)), ++count;
  return sum / count;
}

TEST(CliConvertTest, EveryFormatKeepsEveryFrameAndColour) {
  if (!HaveTools()) GTEST_SKIP() << "ffmpeg or ImageMagick is not installed";
  for (const auto& [w, h, frames] :
       {std::tuple{321, 74, 6}, std::tuple{1, 1, 3}, std::tuple{640, 480, 3}, std::tuple{12, 10, 1}}) {
    TempDir dir;
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    const fs::path flic = dir / (frames == 1 ? "one.cel" : "movie.flc");
    test::WriteFile(flic, FlicBytes(w, h, frames));
    const Frames expected = Exported(flic, dir.Path());
    ASSERT_EQ(expected.size(), size_t(frames));
    const size_t pixels = size_t(w) * h;
    for (const std::string name : {"out.gif", "out.png", "out.webp", "f%03d.png", "out.mp4", "out.webm"}) {
      SCOPED_TRACE(name);
      const ShellRun run = Shell(Cli() + " convert '" + flic.string() + "' '" + (dir / name).string() + "'");
      ASSERT_EQ(run.status, 0) << run.out;
      if (name == "out.gif") {
        EXPECT_EQ(Decoded(ByMagick(dir / name), pixels), expected);
      }
      if (name == "out.webp") {
        EXPECT_EQ(DecodedWebP(dir / name), expected);
        continue;
      }
      const std::string crop = "-vf format=rgba,crop=" + std::to_string(w) + ":" + std::to_string(h) + ":0:0";
      const Frames byFfmpeg = Decoded(ByFfmpeg(dir / name, name == "out.mp4" ? crop : ""), pixels);
      EXPECT_EQ(byFfmpeg.size(), expected.size());
      if (name.ends_with(".mp4") || name.ends_with(".webm")) {
        // Pixel art through 4:2:0 video: edges blur, flat areas stay close.
        EXPECT_LT(w >= 16 ? MeanChannelError(byFfmpeg, expected) : 0.0, 6.0);
      } else {
        EXPECT_EQ(byFfmpeg, expected);
      }
    }
    EXPECT_EQ(Shell("ls -A '" + dir.Path().string() + "' | grep -c part").out, "0\n");
  }
}

TEST(CliConvertTest, DurationsAddUpToFramesTimesDelay) {
  if (!HaveTools()) GTEST_SKIP() << "ffmpeg or ImageMagick is not installed";
  TempDir dir;
  test::WriteFile(dir / "a.flc", FlicBytes(16, 16, 64, 57));
  for (const std::string name : {"a.gif", "a.png", "a.webp", "a.mp4", "a.webm"}) {
    ASSERT_EQ(Shell(Cli() + " convert '" + (dir / "a.flc").string() + "' '" + (dir / name).string() + "'").status, 0);
  }
  // GIF counts in hundredths: 64 x 57 ms = 364.8, so 365, the rounding carried.
  const ShellRun delays = Shell("identify -format '%T ' '" + (dir / "a.gif").string() + "'");
  int sum = 0, count = 0;
  for (size_t at = 0; at < delays.out.size(); at = delays.out.find(' ', at) + 1, ++count)
    sum += std::atoi(&delays.out[at]);
  // The block leaves the picture after frame 5: the frames after are one.
  EXPECT_EQ(count, 7) << "a frame that repeats the one before is joined to it";
  EXPECT_EQ(sum, 365) << delays.out;
  // libwebp's encoder joins a frame that repeats the one before to it, so
  // only the end time is certain.
  std::vector<int> ends;
  DecodedWebP(dir / "a.webp", &ends);
  ASSERT_FALSE(ends.empty());
  EXPECT_EQ(ends.back(), 64 * 57);
  for (const std::string name : {"a.png", "a.webm"}) {
    const ShellRun probe =
        Shell("ffprobe -v error -show_entries packet=pts_time,duration_time -of csv=p=0 '" + (dir / name).string() +
                  "' | sort -n | awk -F, '{n++; end = $1 + $2} END {print n, end}'",
              false);
    EXPECT_EQ(probe.out, "64 3.648\n") << name;
  }
  const ShellRun mp4 =
      Shell("ffprobe -v error -show_entries stream=nb_frames,duration -of csv=p=0 '" + (dir / "a.mp4").string() + "'");
  EXPECT_EQ(mp4.out, "3.648000,64\n");
  EXPECT_TRUE(Shell("identify -verbose '" + (dir / "a.gif").string() + "' | grep -q 'Iterations: 0'").status == 0);
  ASSERT_EQ(
      Shell(Cli() + " convert '" + (dir / "a.flc").string() + "' '" + (dir / "b.gif").string() + "' --loop 3").status,
      0);
  EXPECT_TRUE(Shell("identify -verbose '" + (dir / "b.gif").string() + "' | grep -q 'Iterations: 3'").status == 0);
}

TEST(CliConvertTest, TransparentScaleFramesAndDelayOptions) {
  if (!HaveTools()) GTEST_SKIP() << "ffmpeg or ImageMagick is not installed";
  TempDir dir;
  const fs::path flic = dir / "a.flc";
  test::WriteFile(flic, FlicBytes(20, 12, 5));
  // Index 0 transparent: the block moves off it in frame 1, so GIF must clear.
  const Frames see = Exported(flic, dir.Path(), 0);
  for (const std::string name : {"t.gif", "t.png", "t.webp"}) {
    ASSERT_EQ(Shell(Cli() + " convert '" + flic.string() + "' '" + (dir / name).string() + "' --transparent 0").status,
              0);
    // ImageMagick 6 does not clear a GIF frame disposed to the background; browsers and ffmpeg do.
    EXPECT_EQ(name == "t.webp" ? DecodedWebP(dir / name) : Decoded(ByFfmpeg(dir / name), 240), see) << name;
  }
  const Frames all = Exported(flic, dir.Path());
  ASSERT_EQ(Shell(Cli() + " convert '" + flic.string() + "' '" + (dir / "s.gif").string() + "' --scale 3 --frames 1-3")
                .status,
            0);
  const Frames scaled = Decoded(ByMagick(dir / "s.gif"), 240 * 9);
  ASSERT_EQ(scaled.size(), 3u);
  for (int f = 0; f < 3; ++f)
    for (int i = 0; i < 240 * 9; ++i)
      ASSERT_EQ(scaled[f][i], all[f + 1][(i / 60 / 3) * 20 + (i % 60) / 3]) << f << " " << i;
  ASSERT_EQ(
      Shell(Cli() + " convert '" + flic.string() + "' '" + (dir / "d.gif").string() + "' --delay 100 --brightness 10")
          .status,
      0);
  EXPECT_EQ(Shell("identify -format '%T ' '" + (dir / "d.gif").string() + "'").out, "10 10 10 10 10 ");
  const Frames bright = Decoded(ByMagick(dir / "d.gif"), 240);
  EXPECT_EQ(bright[0][0], all[0][0] + 0x0A0A0A) << "palette entry 0 (0,0,255) plus 10, capped";
  for (const std::string bad : {"--frames 3-9", "--scale 0", "--contrast 30", "--loop x"}) {
    EXPECT_NE(Shell(Cli() + " convert '" + flic.string() + "' '" + (dir / "x.gif").string() + "' " + bad).status, 0)
        << bad;
  }
  EXPECT_FALSE(fs::exists(dir / "x.gif"));
}

TEST(CliConvertTest, DamageFullDiskAndInterruptLeaveNothingBehind) {
  TempDir dir;
  Bytes bytes = FlicBytes(64, 40, 6);
  bytes.resize(bytes.size() - 4700);  // the ring frame and half of frame 5 cut off
  test::WriteFile(dir / "cut.flc", bytes);
  const std::string cut = Cli() + " convert '" + (dir / "cut.flc").string() + "' '" + (dir / "cut.gif").string() + "'";
  const ShellRun failed = Shell(cut);
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(failed.out.find("cut.flc is damaged: frame"), std::string::npos) << failed.out;
  EXPECT_EQ(Shell("ls -A '" + dir.Path().string() + "'").out, "cut.flc\n");
  const ShellRun kept = Shell(cut + " --keep-going");
  EXPECT_EQ(kept.status, 0) << kept.out;
  EXPECT_NE(kept.out.find("5 of its 6 frames converted"), std::string::npos) << kept.out;
  EXPECT_NE(kept.out.find(Shell(Cli() + " check '" + (dir / "cut.flc").string() + "' | head -n 1").out),
            std::string::npos)
      << "the damage as check reports it";

  test::WriteFile(dir / "big.flc", FlicBytes(320, 200, 40));
  for (const std::string name : {"big.gif", "big.webp", "f%d.png", "big.mp4", "big2.flc"}) {
    const ShellRun full = Shell("ulimit -f 1; " + Cli() + " convert '" + (dir / "big.flc").string() + "' '" +
                                (dir / name).string() + "'");
    EXPECT_EQ(full.status, 1) << name;
    EXPECT_NE(full.out.find("cannot write " + (dir / name).string().substr(0, (dir / name).string().find('%'))),
              std::string::npos)
        << full.out;
  }
  const ShellRun interrupted = Shell("(" + Cli() + " convert '" + (dir / "big.flc").string() + "' '" +
                                     (dir / "big.webm").string() + "' --scale 4 & sleep 0.5; kill -INT $!; wait $!)");
  EXPECT_EQ(interrupted.status, 130) << interrupted.out;
  EXPECT_NE(interrupted.out.find("interrupted"), std::string::npos);
  EXPECT_EQ(Shell("ls -A '" + dir.Path().string() + "' | sort | tr '\\n' ' '").out, "big.flc cut.flc cut.gif ");
}

TEST(CliConvertTest, FlicOutputKeepsTheSourcesOwnBytesAndRefusesAnFliOfAnotherSize) {
  TempDir dir;
  Bytes bytes = FlicBytes(64, 40, 6);
  for (int i = 88; i < 128; ++i) bytes[i] = static_cast<uint8_t>(i);
  WriteU16(bytes.data() + 38, 3);
  WriteU16(bytes.data() + 40, 2);
  // A prefix record before frame 0, where the first-frame offset points past it.
  const Bytes prefix = {20, 0, 0, 0, 0x00, 0xF1, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  bytes.insert(bytes.begin() + 128, prefix.begin(), prefix.end());
  WriteU32(bytes.data(), static_cast<uint32_t>(bytes.size()));
  WriteU32(bytes.data() + 80, 128 + 20);
  WriteU32(bytes.data() + 84, ReadU32(bytes.data() + 84) + 20);
  test::WriteFile(dir / "in.flc", bytes);
  const std::string in = "'" + (dir / "in.flc").string() + "'";
  const ShellRun flc = Shell(Cli() + " convert " + in + " '" + (dir / "out.flc").string() + "'");
  ASSERT_EQ(flc.status, 0) << flc.out;
  const Bytes out = test::ReadFileBytes(dir / "out.flc");
  EXPECT_TRUE(std::equal(out.begin() + 88, out.begin() + 128, bytes.begin() + 88));
  EXPECT_EQ(ReadU16(out.data() + 38), 3);
  EXPECT_EQ(ReadU16(out.data() + 40), 2);
  EXPECT_TRUE(std::equal(prefix.begin(), prefix.end(), out.begin() + 128));
  EXPECT_EQ(ReadU32(out.data() + 80), 148u);
  EXPECT_LT(out.size(), bytes.size());
  EXPECT_EQ(Shell(Cli() + " check '" + (dir / "out.flc").string() + "'").status, 0);

  const ShellRun fli = Shell(Cli() + " convert " + in + " '" + (dir / "out.fli").string() + "'");
  EXPECT_EQ(fli.status, 1);
  EXPECT_NE(fli.out.find("320x200"), std::string::npos) << fli.out;
  EXPECT_NE(fli.out.find("write a .flc"), std::string::npos) << fli.out;
  EXPECT_FALSE(fs::exists(dir / "out.fli"));
}

TEST(CliConvertTest, RealFlicsGiveWholeOpaqueFramesWhateverTheThreads) {
  if (!HaveTools()) GTEST_SKIP() << "ffmpeg or ImageMagick is not installed";
  // Delta frames that change a part of the picture: ffmpeg follows the
  // animated PNG rules where Pillow hid transparent holes.
  for (const std::string name : {"ap_ann2.fli", "pil_2422.flc"}) {
    SCOPED_TRACE(name);
    TempDir dir;
    const fs::path flic = fs::path(KINETROPE_TEST_FLICS) / name;
    const Frames expected = Exported(flic, dir.Path());
    const size_t pixels = expected.at(0).size();
    for (const std::string out : {"a.png", "a.gif", "a.webp"}) {
      std::vector<Bytes> made;
      for (const std::string threads : {"1", "3"}) {
        const fs::path file = dir / (threads + out);
        ASSERT_EQ(Shell(Cli() + " convert '" + flic.string() + "' '" + file.string() + "' --threads " + threads).status,
                  0);
        made.push_back(test::ReadFileBytes(file));
      }
      EXPECT_TRUE(made[0] == made[1]) << out << " differs between 1 and 3 threads";
      // ffmpeg reads no animated WebP; libwebp's own reading does.
      Frames decoded = out == "a.webp" ? DecodedWebP(dir / ("3" + out)) : Decoded(ByFfmpeg(dir / ("3" + out)), pixels);
      Frames want = expected;
      if (out != "a.png") {
        // GIF and WebP join a frame that repeats the one before to it.
        decoded.erase(std::unique(decoded.begin(), decoded.end()), decoded.end());
        want.erase(std::unique(want.begin(), want.end()), want.end());
      }
      EXPECT_EQ(decoded, want) << out;
      if (out == "a.gif") {
        Frames byMagick = Decoded(ByMagick(dir / ("3" + out)), pixels);
        byMagick.erase(std::unique(byMagick.begin(), byMagick.end()), byMagick.end());
        EXPECT_EQ(byMagick, want) << "ImageMagick";
      }
    }
  }
}

TEST(CliConvertTest, StandardOutputQualityAndWrongWords) {
  if (!HaveTools()) GTEST_SKIP() << "ffmpeg or ImageMagick is not installed";
  TempDir dir;
  const fs::path flic = dir / "a.flc";
  test::WriteFile(flic, FlicBytes(64, 40, 4));
  const std::string convert = Cli() + " convert '" + flic.string() + "' ";
  ASSERT_EQ(Shell(convert + "'" + (dir / "a.gif").string() + "'").status, 0);
  ASSERT_EQ(Shell(convert + "- --format gif > '" + (dir / "piped.gif").string() + "'", false).status, 0);
  EXPECT_TRUE(test::ReadFileBytes(dir / "a.gif") == test::ReadFileBytes(dir / "piped.gif"));
  const ShellRun mp4 =
      Shell(convert + "- --format mp4 | ffprobe -v error -show_entries stream=nb_frames -of csv=p=0 -");
  EXPECT_EQ(mp4.out, "4\n");
  // A lower rate factor keeps more of the picture, in more bytes.
  ASSERT_EQ(Shell(convert + "'" + (dir / "fine.mp4").string() + "' --quality 5").status, 0);
  ASSERT_EQ(Shell(convert + "'" + (dir / "rough.mp4").string() + "' --quality 45").status, 0);
  EXPECT_GT(fs::file_size(dir / "fine.mp4"), fs::file_size(dir / "rough.mp4"));
  const std::string x = "'" + (dir / "x.gif").string() + "' ";
  for (const auto& [words, says] : {std::pair<std::string, std::string>{x + "--bogus", "unknown option --bogus"},
                                    {x + "--bogus 3", "unknown option --bogus"},
                                    {x + "--quality 64", "--quality 64: give"},
                                    {"-", "needs --format"},
                                    {"- --format bmp", "--format bmp: give"}}) {
    const ShellRun run = Shell(convert + words);
    EXPECT_EQ(run.status, 2) << words;
    EXPECT_NE(run.out.find(says), std::string::npos) << words << ": " << run.out;
  }
}

}  // namespace
}  // namespace kt
