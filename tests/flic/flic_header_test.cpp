#include <gtest/gtest.h>

#include "base/errors.h"
#include "fifo_watchdog.h"
#include "flic/flic_header.h"
#include "flic_writer.h"

namespace kt {
namespace {

using test::BuildFlic;
using test::FlicSpec;
using test::Frame;

TEST(FliSpeed, ConvertsSeventiethsToRoundedMilliseconds) {
  const std::pair<uint32_t, uint32_t> worked[] = {{0, 0}, {1, 14}, {5, 71}, {7, 100}, {14, 200}, {70, 1000}};
  for (auto [fileValue, ms] : worked) EXPECT_EQ(FliSpeedToMilliseconds(fileValue), ms) << fileValue;
  // The whole 32-bit field is converted, not just its low word.
  EXPECT_EQ(FliSpeedToMilliseconds(70000), 1000000u);
  // Past 32 bits of milliseconds the low 32 bits are kept, as the field does.
  EXPECT_EQ(FliSpeedToMilliseconds(300647710), 4294967286u);
  EXPECT_EQ(FliSpeedToMilliseconds(0xFFFFFFFFu), 1227133499u);
}

FlicHeader ReadFrom(const test::Bytes& bytes, bool* ok, uint64_t* offset = nullptr) {
  FlicFile file = FlicFile::FromBytes(bytes);
  const OrWhyNot<FlicHeader> header = ReadFlicHeader(file);
  *ok = header.has_value();
  if (offset) *offset = file.Offset();
  return header ? *header : FlicHeader{};
}

TEST(FlicHeaderRead, FliTakes128AsFirstFrameAndConvertsSpeedOnce) {
  FlicSpec spec;
  spec.magic = kFliMagic;
  spec.speed = 5;
  spec.fileOframe1 = 9999;  // never used for FLI
  spec.records = {Frame({}), Frame({})};
  bool ok = false;
  uint64_t offset = 0;
  const FlicHeader header = ReadFrom(BuildFlic(spec), &ok, &offset);
  ASSERT_TRUE(ok);
  EXPECT_EQ(header.oframe1, 128u);
  EXPECT_EQ(offset, 128u);
  EXPECT_EQ(header.speed, 71u);
  // Reading the same header again gives the same delay, not a twice-converted one.
  EXPECT_EQ(ReadFrom(BuildFlic(spec), &ok).speed, 71u);
}

TEST(FlicHeaderRead, FlcKeepsSpeedAndStartsAtOframe1) {
  FlicSpec spec;
  spec.speed = 66;
  spec.gapAfterHeader = 72;
  spec.records = {Frame({}), Frame({})};
  bool ok = false;
  uint64_t offset = 0;
  const FlicHeader header = ReadFrom(BuildFlic(spec), &ok, &offset);
  ASSERT_TRUE(ok);
  EXPECT_EQ(header.speed, 66u);
  EXPECT_EQ(header.oframe1, 200u);
  EXPECT_EQ(offset, 200u);
  EXPECT_EQ(header.frames, 1);
  EXPECT_EQ(header.width, 4);
}

TEST(FlicHeaderRead, RejectsShortFilesAndForeignMagic) {
  bool ok = true;
  ReadFrom(test::Bytes(127, 0), &ok);
  EXPECT_FALSE(ok);

  test::Bytes exactly(128, 0);
  exactly[4] = 0x12;
  exactly[5] = 0xAF;
  ReadFrom(exactly, &ok);
  EXPECT_TRUE(ok) << "a 128-byte file with a valid magic passes the header check";

  exactly[4] = 0x13;
  ReadFrom(exactly, &ok);
  EXPECT_FALSE(ok);
}

TEST(FlicHeaderRead, OpenFlicFailsForMissingFiles) {
  const OrWhyNot<OpenedFlic> opened = OpenFlic("/nonexistent/flic.flc");
  EXPECT_FALSE(opened);
  EXPECT_EQ(opened.Reason(), "No such file or directory");
}

TEST(FlicHeaderCheck, RefusesWhatTheStoreCannotHold) {
  FlicHeader header;
  header.magic = kFlcMagic;
  header.width = 320;
  header.height = 200;
  header.frames = 4000;
  EXPECT_NO_THROW(CheckFlicIsPlayable(header));

  header.frames = 4001;
  EXPECT_THROW(CheckFlicIsPlayable(header), DamagedFlicError);
  header.frames = 0;
  EXPECT_THROW(CheckFlicIsPlayable(header), DamagedFlicError);
  header.frames = 1;
  header.width = 0;
  try {
    CheckFlicIsPlayable(header);
    FAIL();
  } catch (const DamagedFlicError& error) {
    EXPECT_STREQ(error.what(), "The flic's frame size is 0 x 200 pixels: it holds no picture.");
  }
}

// A few hundred bytes of header must not make the player or the export ask
// for gigabytes: the largest pictures are refused before anything is allocated.
TEST(FlicHeaderCheck, RefusesPicturesLargerThan16384PixelsEachWay) {
  FlicHeader header;
  header.frames = 1;
  header.width = 16384;
  header.height = 16384;
  EXPECT_NO_THROW(CheckFlicIsPlayable(header));
  header.height = 16385;
  EXPECT_THROW(CheckFlicIsPlayable(header), DamagedFlicError);
  header.width = 65535;
  header.height = 65535;
  try {
    CheckFlicIsPlayable(header);
    FAIL();
  } catch (const DamagedFlicError& error) {
    EXPECT_STREQ(error.what(),
                 "The flic's frame size is 65535 x 65535 pixels; the player shows pictures up to 16384 x 16384.");
  }
}

TEST(FlicHeaderRead, AFifoOrFolderUnderAFlicsNameIsRefusedWithoutWaiting) {
  test::TempDir dir;
  {
    test::FifoWatchdog fifo(dir / "fifo.flc");
    EXPECT_FALSE(OpenFlic(fifo.Path().string()).has_value());
    EXPECT_FALSE(fifo.TimedOut()) << "the open waited for a writer";
  }
  EXPECT_FALSE(OpenFlic(dir.Path().string()).has_value());
}

}  // namespace
}  // namespace kt
