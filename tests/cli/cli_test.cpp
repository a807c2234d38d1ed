// Runs the built kinetrope-cli on flics made here and on the real ones.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/errors.h"
#include "fifo_watchdog.h"
#include "flic/bitmap_series.h"
#include "flic/flic_header.h"
#include "flic_writer.h"
#include "tmpfs_mount.h"

namespace kt {
namespace {

using test::BuildFlic;
using test::Bytes;
using test::ChunkSpec;
using test::FlicSpec;
using test::Frame;
using test::ReadFileBytes;
using test::ReadFileText;
using test::TempDir;
using test::WriteFile;

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// `shell` runs first in the same shell, e.g. to set a limit for the tool.
CliResult RunCli(const std::vector<std::string>& args, const std::string& shell = "") {
  TempDir capture;
  std::string command = shell + Quoted(KINETROPE_CLI_PATH);
  for (const std::string& arg : args) command.append(" ").append(Quoted(arg));
  command.append(" >").append(Quoted((capture / "out").string()));
  command.append(" 2>").append(Quoted((capture / "err").string()));
  const int raw = std::system(command.c_str());
  CliResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = ReadFileText(capture / "out");
  result.err = ReadFileText(capture / "err");
  return result;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// 5 x 3, an odd width, so every written row carries padding. Frame 0 sets two
// colours and the whole picture; frame 1 blacks it out; frame 2 changes one
// line; the ring frame brings frame 0 back.
FlicSpec SmallFlic() {
  FlicSpec spec;
  spec.width = 5;
  spec.height = 3;
  const Bytes picture = {0, 1, 1, 0, 1, 1, 0, 0, 1, 0, 0, 1, 1, 1, 0};
  spec.records = {
      Frame({test::Color256({{10, 20, 30}, {200, 100, 50}}), test::FliCopy(picture)}),
      Frame({test::Black()}),
      Frame({ChunkSpec{12, {1, 0, 1, 0, 1, 1, 3, 1, 1, 1}, {}}}),  // DELTA_FLI: line 1, x 1..3 := 1
      Frame({test::FliCopy(picture)}),
  };
  return spec;
}

BasePalette SmallFlicPalette() {
  BasePalette palette{};
  palette[0] = {10, 20, 30};
  palette[1] = {200, 100, 50};
  return palette;
}

TEST(CliInfoTest, FiguresAgreeWithTheHeadersOfTheRealFlics) {
  for (const auto& path : test::TestFlics()) {
    SCOPED_TRACE(path.filename().string());
    const Bytes bytes = ReadFileBytes(path);
    ASSERT_GE(bytes.size(), 128u);
    const FlicHeader header = ParseFlicHeader(bytes.data());
    const CliResult result = RunCli({"info", path.string()});
    if (header.magic != kFliMagic && header.magic != kFlcMagic) {
      EXPECT_EQ(result.status, 1);
      EXPECT_TRUE(Contains(result.err, LoadErrorText("not a flic: the file starts with"))) << result.err;
      continue;
    }
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(Contains(result.out, "Frames    : " + std::to_string(header.frames) + "\n"));
    EXPECT_TRUE(Contains(result.out, "Width     : " + std::to_string(header.width) + "\n"));
    EXPECT_TRUE(Contains(result.out, "Height    : " + std::to_string(header.height) + "\n"));
    // Damaged headers among them set the size's top bit: never shown as negative.
    EXPECT_TRUE(Contains(result.out, "Size      : " + std::to_string(header.size) + "\n"));
    EXPECT_TRUE(Contains(result.out, header.IsFli() ? "Old FLI Format" : "New FLC Format"));
  }
}

TEST(CliInfoTest, FliDelayIsShownInMilliseconds) {
  TempDir dir;
  FlicSpec spec = SmallFlic();
  spec.magic = kFliMagic;
  spec.speed = 7;
  WriteFile(dir / "a.fli", BuildFlic(spec));
  const CliResult result = RunCli({"info", (dir / "a.fli").string()});
  EXPECT_EQ(result.status, 0);
  EXPECT_TRUE(Contains(result.out, "Delay     : 100ms\n")) << result.out;
  EXPECT_TRUE(Contains(result.out, "Speed     : 10fps\n")) << result.out;
}

TEST(CliTest, WrongMagicIsRejectedByEveryCommandWhateverTheName) {
  TempDir dir;
  Bytes bytes = BuildFlic(SmallFlic());
  WriteU16(&bytes[4], 0x1234);
  WriteFile(dir / "movie.flc", bytes);
  for (const std::string command : {"info", "export", "check", "bench"}) {
    SCOPED_TRACE(command);
    std::vector<std::string> args = {command, (dir / "movie.flc").string()};
    if (command == "export") args.push_back((dir / "out").string());
    const CliResult result = RunCli(args);
    EXPECT_EQ(result.status, 1);
    // The wrong number shows among the first bytes: 34 12 is "4" and \x12.
    const std::string said = result.out + result.err;
    EXPECT_TRUE(Contains(said, "not a flic: the file starts with \"") && Contains(said, "4\\x12")) << said;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "out0000.bmp"));
}

TEST(CliExportTest, WritesOnePassAsTheRecorderWould) {
  TempDir dir;
  WriteFile(dir / "small.flc", BuildFlic(SmallFlic()));
  const CliResult result = RunCli({"export", (dir / "small.flc").string(), (dir / "shot").string()});
  ASSERT_EQ(result.status, 0) << result.err;

  // The images a playback shows, recorded into a second folder for comparison.
  const std::vector<Bytes> images = {
      {0, 1, 1, 0, 1, 1, 0, 0, 1, 0, 0, 1, 1, 1, 0},
      Bytes(15, 0),
      {0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0},
  };
  TempDir expected;
  RecordingState recorder;
  recorder.RecordBaseName = (expected / "shot").string();
  for (const Bytes& image : images) SaveFrameBitmap(recorder, image.data(), 5, 3, SmallFlicPalette());
  for (const std::string name : {"shot0000.bmp", "shot0001.bmp", "shot0002.bmp"}) {
    EXPECT_EQ(ReadFileBytes(dir / name), ReadFileBytes(expected / name)) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "shot0003.bmp")) << "the ring frame is not part of the pass";
}

TEST(CliExportTest, FlicWithoutItsRingFrameStillExportsEveryFrame) {
  TempDir dir;
  FlicSpec spec = SmallFlic();
  spec.declaredFrames = 4;  // all four records are frames; the ring frame is missing
  WriteFile(dir / "noring.flc", BuildFlic(spec));
  const CliResult result = RunCli({"export", (dir / "noring.flc").string(), (dir / "f").string()});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(std::filesystem::exists(dir / "f0003.bmp"));
  EXPECT_FALSE(std::filesystem::exists(dir / "f0004.bmp"));
}

TEST(CliExportTest, FailuresExitWithStatusOne) {
  TempDir dir;
  WriteFile(dir / "small.flc", BuildFlic(SmallFlic()));
  const CliResult noFolder = RunCli({"export", (dir / "small.flc").string(), (dir / "absent" / "f").string()});
  EXPECT_EQ(noFolder.status, 1);
  EXPECT_TRUE(Contains(noFolder.err, "cannot create")) << noFolder.err;

  FlicSpec truncated = SmallFlic();
  truncated.records.resize(2);
  truncated.declaredFrames = 3;  // frame 2 and the ring frame are not there
  WriteFile(dir / "short.flc", BuildFlic(truncated));
  const CliResult shortFile = RunCli({"export", (dir / "short.flc").string(), (dir / "g").string()});
  EXPECT_EQ(shortFile.status, 1);
  EXPECT_TRUE(Contains(shortFile.err, kReadBeyondEndText)) << shortFile.err;
}

// A real flic whose frame 0 gains a third chunk after its colours and whole
// picture, of size 0 or running past the frame: without --keep-going export
// stops at it as before; with it, export and convert name it and give every
// frame as the sound flic does.
TEST(CliKeepGoingTest, ChunksBeforeADamagedChunkAreDecodedAndTheRestOfTheFrameSkipped) {
  TempDir dir;
  const std::string sound = (test::TestFlicsDir() / "ap_ann2.fli").string();
  ASSERT_EQ(RunCli({"export", sound, (dir / "s").string()}).status +
                RunCli({"convert", sound, (dir / "s%04d.png").string()}).status,
            0);
  for (const auto& [size, text] :
       {std::pair{0u, "chunk 2 has a size of 0 bytes"}, {1000u, "chunk 2 runs past the end"}}) {
    Bytes flic = ReadFileBytes(sound), chunk(6, 0);
    WriteU32(chunk.data(), size);
    WriteU16(chunk.data() + 4, 15);
    flic.insert(flic.begin() + 128 + ReadU32(&flic[128]), chunk.begin(), chunk.end());
    WriteU32(&flic[128], ReadU32(&flic[128]) + 6);
    WriteU16(&flic[128 + 6], 3);
    const std::string path = (dir / "damaged.fli").string(), message = path + ": Frame 0 is damaged: " + text;
    WriteFile(path, flic);
    const CliResult stops = RunCli({"export", path, (dir / "x").string()});
    EXPECT_TRUE(stops.status == 1 && Contains(stops.err, message) && Contains(stops.err, "no bitmap")) << stops.err;
    const CliResult exported = RunCli({"export", path, (dir / "k").string(), "--keep-going"});
    EXPECT_TRUE(exported.status == 0 && Contains(exported.err, "kinetrope-cli: " + message) &&
                Contains(exported.err, "skipped"))
        << exported.err;
    const CliResult converted = RunCli({"convert", path, (dir / "c%04d.png").string(), "--keep-going"});
    EXPECT_TRUE(converted.status == 0 && Contains(converted.err, message)) << converted.err;
    for (int f = 0; f < 19; ++f) {
      const std::string n = std::to_string(10000 + f).substr(1);
      EXPECT_EQ(ReadFileBytes(dir / ("k" + n + ".bmp")), ReadFileBytes(dir / ("s" + n + ".bmp"))) << f;
      EXPECT_EQ(ReadFileBytes(dir / ("c" + n + ".png")), ReadFileBytes(dir / ("s" + n + ".png"))) << f;
    }
  }
}

TEST(CliCheckTest, CleanFlicPassesAndDamagedOnesAreDescribed) {
  TempDir dir;
  WriteFile(dir / "clean.flc", BuildFlic(SmallFlic()));
  const CliResult clean = RunCli({"check", (dir / "clean.flc").string()});
  EXPECT_EQ(clean.status, 0);
  EXPECT_TRUE(Contains(clean.out, "OK")) << clean.out;

  struct Damage {
    std::string name;
    FlicSpec spec;
    std::string expected;
  };
  std::vector<Damage> cases;
  {
    FlicSpec spec = SmallFlic();
    spec.records.pop_back();
    spec.declaredFrames = 3;
    cases.push_back({"noring", spec, "the ring frame is missing"});
  }
  {
    FlicSpec spec = SmallFlic();
    spec.records[1].chunks.push_back(ChunkSpec{99, {1, 2}, {}});
    cases.push_back({"unknown", spec, "frame 1: chunk 1 has the unknown chunk type 99"});
  }
  {
    FlicSpec spec = SmallFlic();
    spec.records[2].padding = 2;
    cases.push_back({"padded", spec, "frame 2: its size of"});
  }
  {
    FlicSpec spec = SmallFlic();
    spec.records[2].chunks[0].declaredSize = 400;
    cases.push_back({"overrun", spec, "Frame 2 is damaged: chunk 0 runs past the end of the frame"});
  }
  {
    FlicSpec spec = SmallFlic();
    spec.records[2].chunks[0].data = {7, 0, 1, 0, 1, 0, 2, 1, 1};  // DELTA_FLI on line 7 of 3
    cases.push_back({"clipped", spec, "frame 2: chunk 0 (DELTA_FLI)"});
  }
  for (const Damage& damage : cases) {
    SCOPED_TRACE(damage.name);
    WriteFile(dir / (damage.name + ".flc"), BuildFlic(damage.spec));
    const CliResult result = RunCli({"check", (dir / (damage.name + ".flc")).string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(Contains(result.out, damage.expected)) << result.out;
    EXPECT_FALSE(Contains(result.out, "OK:")) << result.out;
  }
}

TEST(CliCheckTest, RealFlicsCleanAndDamaged) {
  const std::filesystem::path clean = test::TestFlicsDir() / "pil_a.fli";
  const std::filesystem::path truncated = test::TestFlicsDir() / "pil_hopper.fli";
  EXPECT_EQ(RunCli({"check", clean.string()}).status, 0);
  const CliResult damaged = RunCli({"check", truncated.string()});
  EXPECT_EQ(damaged.status, 1);
  EXPECT_TRUE(Contains(damaged.out, "the ring frame is missing")) << damaged.out;
}

TEST(CliBenchTest, ReportsRatesAndRefusesBadPassCounts) {
  TempDir dir;
  WriteFile(dir / "small.flc", BuildFlic(SmallFlic()));
  const CliResult result = RunCli({"bench", (dir / "small.flc").string(), "--passes", "3"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(Contains(result.out, "3 passes")) << result.out;
  EXPECT_TRUE(Contains(result.out, "frames per second: ")) << result.out;
  EXPECT_TRUE(Contains(result.out, "output MB per second: ")) << result.out;
  EXPECT_EQ(RunCli({"bench", (dir / "small.flc").string(), "--passes", "0"}).status, 2);
  EXPECT_EQ(RunCli({"bench", (dir / "small.flc").string(), "--passes", "x"}).status, 2);
}

TEST(CliTest, AFifoUnderTheFlicsNameIsRefusedWithItsKindNamed) {
  TempDir dir;
  test::FifoWatchdog fifo(dir / "fifo.flc");
  for (const std::string command : {"info", "check", "export"}) {
    SCOPED_TRACE(command);
    std::vector<std::string> args = {command, fifo.Path().string()};
    if (command == "export") args.push_back((dir / "out").string());
    const CliResult result = RunCli(args);
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(Contains(result.out + result.err, "fifo.flc is a FIFO (named pipe), not a flic file"))
        << result.out << result.err;
  }
  EXPECT_FALSE(fifo.TimedOut()) << "the tool waited for a writer";
}

// 240 KB whose header asks for a 65535 x 65535 picture: refused at the
// header, before any picture or bitmap exists.
TEST(CliTest, AHugePictureSizeIsRefusedBeforeAnythingIsAllocated) {
  TempDir dir;
  FlicSpec spec = SmallFlic();
  Bytes bytes = BuildFlic(spec);
  WriteU16(&bytes[8], 65535);
  WriteU16(&bytes[10], 65535);
  bytes.resize(240 * 1024, 0);
  WriteFile(dir / "huge.flc", bytes);
  const std::string expected =
      "The flic's frame size is 65535 x 65535 pixels; the player shows pictures up to 16384 x 16384.";
  const CliResult check = RunCli({"check", (dir / "huge.flc").string()});
  EXPECT_EQ(check.status, 1);
  EXPECT_TRUE(Contains(check.out, expected)) << check.out << check.err;
  const CliResult exported = RunCli({"export", (dir / "huge.flc").string(), (dir / "out").string()});
  EXPECT_EQ(exported.status, 1);
  EXPECT_TRUE(Contains(exported.err, expected)) << exported.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "out0000.bmp"));
}

// Eight 100 x 100 frames: bitmaps of 11078 bytes each.
FlicSpec EightSquareFrames() {
  FlicSpec spec;
  spec.width = 100;
  spec.height = 100;
  Bytes picture(100 * 100);
  for (size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<uint8_t>(i);
  spec.records = {Frame({test::Color256({{1, 2, 3}}), test::FliCopy(picture)})};
  for (int f = 1; f <= 8; ++f) spec.records.push_back(Frame({}));
  return spec;
}
constexpr uintmax_t kSquareBitmapSize = 1078 + 100 * 100;

// What an export that stopped part-way leaves: only whole bitmaps.
void ExpectOnlyWholeBitmaps(const std::filesystem::path& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    EXPECT_EQ(entry.file_size(), kSquareBitmapSize) << entry.path();
  }
}

TEST(CliExportTest, AFullDiskLeavesNoUnfinishedFileAndSaysWhy) {
  TempDir dir;
  WriteFile(dir / "square.flc", BuildFlic(EightSquareFrames()));
  test::TmpfsMount disk(dir / "disk", "64k");
  if (!disk.Mounted()) GTEST_SKIP() << "no tmpfs can be mounted here; the file-size limit test covers the clean-up";
  // 64 KiB of pages hold five of the bitmaps; the sixth runs out of room.
  const CliResult result = RunCli({"export", (dir / "square.flc").string(), (dir / "disk" / "out").string()});
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(Contains(result.err, "cannot write " + (dir / "disk" / "out0005.bmp").string() +
                                       ": No space left on device; the unfinished file was removed"))
      << result.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "disk" / "out0005.bmp"));
  EXPECT_TRUE(std::filesystem::exists(dir / "disk" / "out0004.bmp"));
  ExpectOnlyWholeBitmaps(dir / "disk");
}

TEST(CliExportTest, AFileSizeLimitLeavesNoUnfinishedFileAndSaysWhy) {
  TempDir dir;
  WriteFile(dir / "square.flc", BuildFlic(EightSquareFrames()));
  std::filesystem::create_directories(dir / "out");
  // 8 blocks are 4 or 8 KB, as the shell counts them: less than one bitmap.
  const CliResult result =
      RunCli({"export", (dir / "square.flc").string(), (dir / "out" / "f").string()}, "ulimit -f 8; exec ");
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(Contains(result.err, "cannot write " + (dir / "out" / "f0000.bmp").string() +
                                       ": File too large; the unfinished file was removed"))
      << result.err;
  EXPECT_TRUE(std::filesystem::is_empty(dir / "out"));
}

// `frames` frames of one PSTAMP chunk of chunkSize bytes each, the chunks in
// holes of the file: big flics that take no room on the disk.
void WriteSparseFlic(const std::filesystem::path& path, int frames, uint32_t chunkSize) {
  Bytes header(128, 0);
  WriteU16(&header[4], kFlcMagic);
  WriteU16(&header[6], static_cast<uint16_t>(frames));
  WriteU16(&header[8], 8);
  WriteU16(&header[10], 8);
  WriteU32(&header[80], 128);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(header.data()), 128);
  uint64_t at = 128;
  for (int f = 0; f <= frames; ++f) {
    const uint32_t chunk = f < frames ? chunkSize : 0;  // the ring frame has none
    Bytes head(chunk > 0 ? 22 : 16, 0);
    WriteU32(&head[0], 16 + chunk);
    WriteU16(&head[4], kFrameMagic);
    if (chunk > 0) {
      WriteU16(&head[6], 1);
      WriteU32(&head[16], chunk);
      WriteU16(&head[20], PSTAMP);
    }
    out.seekp(static_cast<std::streamoff>(at));
    out.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
    at += 16 + chunk;
  }
  ASSERT_TRUE(out.good());
}

// Runs the tool with no shell between, its output thrown away; its peak
// resident memory in bytes. Freed blocks that the sanitizer holds back to
// catch late uses would count as memory in use, so it holds none.
uint64_t PeakMemoryOf(const std::vector<std::string>& args) {
  const char* asan = std::getenv("ASAN_OPTIONS");
  setenv("ASAN_OPTIONS", (std::string(asan != nullptr ? asan : "") + ":quarantine_size_mb=0").c_str(), 1);
  std::vector<char*> argv = {const_cast<char*>(KINETROPE_CLI_PATH)};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  pid_t child = -1;
  int status = 0;
  rusage usage{};
  const bool ran = posix_spawn(&child, KINETROPE_CLI_PATH, &quiet, nullptr, argv.data(), environ) == 0 &&
                   wait4(child, &status, 0, &usage) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  posix_spawn_file_actions_destroy(&quiet);
  return ran ? static_cast<uint64_t>(usage.ru_maxrss) * 1024 : UINT64_MAX;
}

// Four frames of one 128 MiB chunk each: the whole flic, or one frame held
// twice or three times, passes the bound; one frame's chunk and the tool do not.
TEST(CliCheckTest, CheckAndExportHoldOneFramesChunksAndNameTheSizeWhenMemoryRunsOut) {
  TempDir dir;
  constexpr uint32_t kChunk = 128u << 20;
  WriteSparseFlic(dir / "long.flc", 4, kChunk);
  EXPECT_LT(PeakMemoryOf({"check", (dir / "long.flc").string()}), 2 * uint64_t{kChunk});
  EXPECT_LT(PeakMemoryOf({"export", (dir / "long.flc").string(), (dir / "f").string()}), 2 * uint64_t{kChunk});
  EXPECT_TRUE(std::filesystem::exists(dir / "f0003.bmp"));

  // A 1 GiB chunk where the tool may have less.
  WriteSparseFlic(dir / "huge.flc", 1, 1u << 30);
#if defined(__SANITIZE_ADDRESS__)
  const std::string limit = "ASAN_OPTIONS=$ASAN_OPTIONS:allocator_may_return_null=1:max_allocation_size_mb=256 ";
#else
  const std::string limit = "ulimit -v 524288; ";
#endif
  const std::string asked =
      (dir / "huge.flc").string() + ": frame 0: out of memory: 1073741818 bytes (1.0 GiB) asked for";
  const CliResult check = RunCli({"check", (dir / "huge.flc").string()}, limit);
  EXPECT_EQ(check.status, 1);
  EXPECT_TRUE(Contains(check.err, "kinetrope-cli: " + asked + "\n")) << check.err;
  EXPECT_EQ(check.out, "");
  const CliResult exported = RunCli({"export", (dir / "huge.flc").string(), (dir / "g").string()}, limit);
  EXPECT_EQ(exported.status, 1);
  EXPECT_TRUE(Contains(exported.err, "kinetrope-cli: " + asked + "; no bitmap was written\n")) << exported.err;
}

TEST(CliBenchTest, SeekEndsWithItsSummaryLineAndLoadReportsMemory) {
  TempDir dir;
  WriteFile(dir / "small.flc", BuildFlic(SmallFlic()));
  for (const std::vector<std::string>& extra : {std::vector<std::string>{}, std::vector<std::string>{"--disk"}}) {
    std::vector<std::string> args = {"bench", (dir / "small.flc").string(), "--seek", "7"};
    args.insert(args.end(), extra.begin(), extra.end());
    const CliResult seek = RunCli(args);
    EXPECT_EQ(seek.status, 0) << seek.err;
    const size_t last = seek.out.rfind("seek: 7 rebuilds, median ");
    ASSERT_NE(last, std::string::npos) << seek.out;
    EXPECT_TRUE(Contains(seek.out.substr(last), " ms, max ")) << seek.out;
    EXPECT_EQ(seek.out.back(), '\n');
    EXPECT_EQ(seek.out.find('\n', last), seek.out.size() - 1) << "the summary is the last line";
  }
  const CliResult load = RunCli({"bench", (dir / "small.flc").string(), "--load", "--runs", "2"});
  EXPECT_EQ(load.status, 0) << load.err;
  EXPECT_TRUE(Contains(load.out, "load: min ")) << load.out;
  EXPECT_TRUE(Contains(load.out, "chunk bytes")) << load.out;
  const CliResult withRead =
      RunCli({"bench", (dir / "small.flc").string(), "--passes", "2", "--runs", "3", "--with-read"});
  EXPECT_EQ(withRead.status, 0) << withRead.err;
  EXPECT_TRUE(Contains(withRead.out, "processor seconds a run: min ")) << withRead.out;
  EXPECT_EQ(RunCli({"bench", (dir / "small.flc").string(), "--disk"}).status, 2) << "--disk belongs to --seek";
  EXPECT_EQ(RunCli({"bench", (dir / "small.flc").string(), "--seek", "0"}).status, 2);
}

// Eight frames of 8 x 4: black until frame 3 paints the left half red, a
// picture that stays to the end. Frame 8 / 3 = 2 is still black, so the
// thumbnail shows frame 3.
TEST(CliThumbnailTest, ShowsThePictureAfterABlackOpeningScaledAndNeverHalfWritten) {
  TempDir dir;
  FlicSpec spec;
  spec.width = 8;
  spec.height = 4;
  Bytes half(32, 0);
  for (size_t i = 0; i < half.size(); ++i) half[i] = i % 8 < 4 ? 1 : 0;
  spec.records = {Frame({test::Color256({{0, 0, 0}, {255, 0, 0}}), test::Black()}), Frame({}), Frame({}),
                  Frame({test::FliCopy(half)})};
  for (int f = 4; f <= 8; ++f) spec.records.push_back(Frame({}));
  WriteFile(dir / "late.flc", BuildFlic(spec));
  const CliResult made = RunCli({"thumbnail", "--size", "16", (dir / "late.flc").string(), (dir / "t.png").string()});
  ASSERT_EQ(made.status, 0) << made.err;
  EXPECT_EQ(made.out, "");
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, (dir / "t.png").c_str())) << image.message;
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) << image.message;
  ASSERT_EQ(image.width, 16u);
  ASSERT_EQ(image.height, 8u);
  for (uint32_t x : {0u, 7u, 8u, 15u}) EXPECT_EQ(rgb[(7 * 16 + x) * 3], x < 8 ? 255 : 0) << "column " << x;

  // A thumbnail service that made the output file empty and holds it open reads the picture through its handle.
  WriteFile(dir / "held.png", {});
  const int held = open((dir / "held.png").c_str(), O_RDONLY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(RunCli({"thumbnail", (dir / "late.flc").string(), (dir / "held.png").string()}).status, 0);
  char signature[8] = {};
  EXPECT_EQ(read(held, signature, 8), 8);
  close(held);
  EXPECT_EQ(std::string(signature, 8), "\x89PNG\r\n\x1a\n");
  std::filesystem::remove(dir / "held.png");

  // A flic cut inside frame 0 has nothing to show: the old picture stays, and nothing else is left.
  Bytes cut = BuildFlic(spec);
  cut.resize(128 + 20);
  WriteFile(dir / "cut.flc", cut);
  WriteFile(dir / "old.png", {1, 2, 3});
  const CliResult failed = RunCli({"thumbnail", (dir / "cut.flc").string(), (dir / "old.png").string()});
  EXPECT_EQ(failed.status, 1);
  EXPECT_TRUE(Contains(failed.err, (dir / "cut.flc").string() + ": frame 0: ")) << failed.err;
  EXPECT_EQ(ReadFileBytes(dir / "old.png"), Bytes({1, 2, 3}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 4);
  EXPECT_EQ(RunCli({"thumbnail", "--size", "0", (dir / "late.flc").string(), (dir / "u.png").string()}).status, 2);
}

TEST(CliTest, VersionAndEveryCommandsMessageNamesItsFileOnTheStreamTheManualSays) {
  const CliResult version = RunCli({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("kinetrope-cli ", 0), 0u) << version.out;
  EXPECT_EQ(version.out.find_first_not_of("0123456789.", 14), version.out.size() - 1) << version.out;
  TempDir dir;
  const std::string absent = (dir / "absent.flc").string();
  for (const std::vector<std::string>& args : {std::vector<std::string>{"info", absent},
                                               {"export", absent, (dir / "f").string()},
                                               {"bench", absent},
                                               {"thumbnail", absent, (dir / "t.png").string()},
                                               {"check", absent}}) {
    SCOPED_TRACE(args[0]);
    const CliResult result = RunCli(args);
    EXPECT_EQ(result.status, 1);
    // check counts an unreadable file among its findings; the others call it an error.
    const bool check = args[0] == "check";
    EXPECT_TRUE(Contains(check ? result.out : result.err, absent + ": " + LoadErrorText("No such file or directory")))
        << result.out << result.err;
    EXPECT_EQ(check ? result.err : result.out, "");
  }
}

}  // namespace
}  // namespace kt

namespace kt {
namespace {

// The 15, 16 and 24-bit flics go through every command that reads pictures;
// the types nobody can play are named. Their pixels are checked against
// ffmpeg by the oracle script.
TEST(CliTrueColourTest, CommandsTakeEveryDepthAndNameWhatCannotBePlayed) {
  TempDir dir;
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(KINETROPE_TRUE_COLOUR_FLICS)) {
    const std::string path = entry.path().string();
    SCOPED_TRACE(path);
    ++files;
    const FlicHeader header = ParseFlicHeader(ReadFileBytes(path).data());
    const CliResult info = RunCli({"info", path});
    EXPECT_EQ(info.status, 0);
    const int bits = header.magic == 0xAF12 ? 15 : header.depth;
    EXPECT_TRUE(Contains(info.out, "Depth     : " + std::to_string(bits) + "-bit")) << info.out;
    EXPECT_EQ(Contains(info.out, "Stamp     : 4 x 4 in frame 0"), entry.path().filename() == "chunks_15.flh");
    const CliResult check = RunCli({"check", path});
    EXPECT_EQ(check.status, 0) << check.out;

    const std::string base = (dir / entry.path().stem().string()).string();
    EXPECT_EQ(RunCli({"export", path, base}).status, 0);
    for (int f = 0; f < header.frames; ++f) {
      const Bytes bitmap = ReadFileBytes(RecordFileName(base, f));
      ASSERT_GE(bitmap.size(), 54u);
      EXPECT_EQ(ReadU16(&bitmap[28]), 24);
      EXPECT_EQ(bitmap.size(), 54u + (header.width * 3u + 3u) / 4u * 4u * header.height);
    }
    EXPECT_FALSE(std::filesystem::exists(RecordFileName(base, header.frames)));
    // The thumbnail fits 16 pixels and is not one colour.
    ASSERT_EQ(RunCli({"thumbnail", "--size", "16", path, base + ".png"}).status, 0);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, (base + ".png").c_str())) << image.message;
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) << image.message;
    EXPECT_EQ(std::max(image.width, image.height), 16u);
    bool varied = false;
    for (size_t i = 3; i + 3 <= rgb.size(); i += 3) varied |= !std::equal(&rgb[i], &rgb[i] + 3, rgb.data());
    EXPECT_TRUE(varied);
  }
  EXPECT_GE(files, 5);

  FlicSpec huffman = SmallFlic();
  huffman.magic = 0xAF30;
  WriteFile(dir / "huffman.flc", BuildFlic(huffman));
  const CliResult info = RunCli({"info", (dir / "huffman.flc").string()});
  EXPECT_TRUE(Contains(info.out, "Type      : Huffman or BWT-compressed (0xAF30)")) << info.out;
  const CliResult refused = RunCli({"export", (dir / "huffman.flc").string(), (dir / "h").string()});
  EXPECT_EQ(refused.status, 1);
  EXPECT_TRUE(Contains(refused.err, "Huffman or BWT-compressed")) << refused.err;

  FlicSpec scrambled = SmallFlic();
  scrambled.magic = 0x9D2B;
  WriteFile(dir / "locked.flc", BuildFlic(scrambled));
  const CliResult locked = RunCli({"check", (dir / "locked.flc").string()});
  EXPECT_EQ(locked.status, 1);
  EXPECT_TRUE(Contains(locked.out, LoadErrorText("not a flic: the file starts with"))) << locked.out;
  EXPECT_TRUE(Contains(locked.out, "type word (0x9D2B) is scrambled")) << locked.out;
}

}  // namespace
}  // namespace kt
