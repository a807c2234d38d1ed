// 15, 16 and 24-bit flics and the records real files carry: what the header
// reader makes of them, the bounds of the true-colour chunks, and their
// colours. Whole files are checked against ffmpeg by the oracle script.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/errors.h"
#include "flic/flic_header.h"
#include "flic/frame_reader.h"
#include "flic/true_colour_decoder.h"
#include "flic_writer.h"
#include "true_colour_encoding.h"

namespace kt {
namespace {

using test::Bytes;
using test::ChunkSpec;
using test::FlicSpec;
using test::Frame;

FlicHeader HeaderOf(const Bytes& bytes, bool* ok = nullptr) {
  FlicFile file = FlicFile::FromBytes(bytes);
  const OrWhyNot<FlicHeader> header = ReadFlicHeader(file);
  if (ok) *ok = header.has_value();
  return header ? *header : FlicHeader{};
}

std::string RefusalOf(const FlicHeader& header, bool trueColourTaken) {
  try {
    CheckFlicIsPlayable(header, trueColourTaken);
  } catch (const DamagedFlicError& error) {
    return error.what();
  }
  return {};
}

TEST(TrueColourHeader, DepthComesFromTypeAndDepthFieldAndOnlyTakersPass) {
  struct Case {
    uint16_t magic, depth;
    uint8_t bits;
  };
  // An FLC keeps 8 bits whatever its depth field says, except the 16 of FLX files.
  for (const Case c : {Case{0xAF44, 15, 15}, Case{0xAF44, 16, 16}, Case{0xAF44, 24, 24}, Case{0xAF12, 16, 15},
                       Case{0xAF12, 8, 8}, Case{0xAF12, 24, 8}, Case{0xAF11, 16, 8}, Case{0xAF44, 32, 0}}) {
    SCOPED_TRACE(std::to_string(c.magic) + "/" + std::to_string(c.depth));
    FlicSpec spec;
    spec.magic = c.magic;
    spec.depth = c.depth;
    spec.records = {Frame({}), Frame({})};
    bool ok = false;
    const FlicHeader header = HeaderOf(test::BuildFlic(spec), &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(header.pixelBits, c.bits);
    if (c.bits == 8) {
      EXPECT_EQ(RefusalOf(header, false), "");
    } else if (c.bits == 0) {
      EXPECT_NE(RefusalOf(header, true).find("says 32 bits"), std::string::npos);
    } else {
      // The player refuses by naming the depth; the tools that take true colour pass it.
      EXPECT_NE(RefusalOf(header, false).find(std::to_string(c.bits) + "-bit"), std::string::npos);
      EXPECT_EQ(RefusalOf(header, true), "");
    }
  }
  // The undescribed types are read, so that they can be named, and never pass.
  for (const uint16_t magic : {uint16_t{0xAF30}, uint16_t{0xAF31}}) {
    FlicSpec spec;
    spec.magic = magic;
    spec.records = {Frame({}), Frame({})};
    bool ok = false;
    const FlicHeader header = HeaderOf(test::BuildFlic(spec), &ok);
    EXPECT_TRUE(ok);
    const std::string refusal = RefusalOf(header, true);
    EXPECT_NE(refusal.find(magic == 0xAF30 ? "Huffman" : "frame shift"), std::string::npos) << refusal;
  }
}

// A settings record and a segment table before frame 0 are stepped over in
// an FLI (whose frame 0 is always at 128) and an FLC alike; a frame record of
// the modeller's type is an ordinary frame.
TEST(LeadingRecords, AreSteppedOverAndModellerFramesRead) {
  Bytes records;
  AppendU32(records, 16 + 4);
  AppendU16(records, 0xF100);
  records.insert(records.end(), 14, 0x77);
  AppendU32(records, 8 + 32);
  AppendU16(records, 0xF1FB);
  AppendU16(records, 1);
  records.insert(records.end(), 32, 0x66);
  for (const uint16_t magic : {uint16_t{0xAF11}, uint16_t{0xAF12}}) {
    SCOPED_TRACE(magic);
    FlicSpec spec;
    spec.magic = magic;
    spec.width = 2;
    spec.height = 1;
    spec.leadingRecords = records;
    auto modeller = Frame({test::FliCopy({5, 6})});
    modeller.magic = 0xF5FA;
    spec.records = {Frame({test::FliCopy({1, 2})}), modeller, Frame({})};
    const Bytes bytes = test::BuildFlic(spec);
    FlicFile file = FlicFile::FromBytes(bytes);
    const OrWhyNot<FlicHeader> read = ReadFlicHeader(file);
    ASSERT_TRUE(read);
    const FlicHeader& header = *read;
    EXPECT_EQ(header.oframe1, 128u + records.size());
    FrameStore store;
    ReadWholeFlic(file, header, store);
    EXPECT_EQ(store.Slot(0).chunkTable.at(0).data.get()[0], 1);
    EXPECT_EQ(store.Slot(1).chunkTable.at(0).data.get()[0], 5);
    FreeFrameRange(store, header.frames);
  }
  // A record that claims more than the file holds is left for the frame reader to refuse.
  FlicSpec broken;
  Bytes huge;
  AppendU32(huge, 1u << 30);
  AppendU16(huge, 0xF100);
  broken.leadingRecords = huge;
  broken.records = {Frame({}), Frame({})};
  EXPECT_EQ(HeaderOf(test::BuildFlic(broken)).oframe1, 128u);
}

TEST(ScrambledType, IsNamedOnlyWhenFlicRecordsFollowTheHeader) {
  FlicSpec spec;
  spec.magic = 0x3C5A;
  spec.records = {Frame({}), Frame({})};
  Bytes bytes = test::BuildFlic(spec);
  FlicFile file = FlicFile::FromBytes(bytes);
  bool ok = true;
  HeaderOf(bytes, &ok);
  EXPECT_FALSE(ok);  // still no flic to the player
  const FlicHeader header = ParseFlicHeader(bytes.data());
  EXPECT_NE(ScrambledFlicText(file, header).find("0x3C5A"), std::string::npos);
  std::memset(bytes.data() + 128, 0x41, bytes.size() - 128);
  FlicFile text = FlicFile::FromBytes(bytes);
  EXPECT_EQ(ScrambledFlicText(text, header), "");
}

// A picture with a guard zone on each side, so that a write outside it is seen
// even without the sanitizer.
struct Guarded {
  Guarded(uint16_t width, uint16_t height, uint8_t bits)
      : bytes(64 + width * height * (bits == 24 ? 3 : 2) + 64, 0xEE) {
    target.pixels = bytes.data() + 64;
    target.width = width;
    target.height = height;
    target.pixelBits = bits;
  }
  bool GuardsIntact() const {
    for (size_t i = 0; i < 64; ++i) {
      if (bytes[i] != 0xEE || bytes[bytes.size() - 1 - i] != 0xEE) return false;
    }
    return true;
  }
  Bytes Picture() const { return Bytes(bytes.begin() + 64, bytes.end() - 64); }
  Bytes bytes;
  TrueColourTarget target;
};

bool Decode(uint16_t type, const Bytes& data, Guarded& picture) {
  DecodeEvents quiet;
  const Bytes exact(data);
  return DecodeTrueColourChunk(type, exact.empty() ? nullptr : exact.data(), static_cast<uint32_t>(exact.size()),
                               picture.target, quiet);
}

// The encoders' output decodes back to the picture at each depth, and
// hostile counts are cut at the picture's and the data's end.
TEST(TrueColourChunks, RoundTripAndStayInsideThePicture) {
  for (const uint8_t bits : {uint8_t{15}, uint8_t{16}, uint8_t{24}}) {
    SCOPED_TRACE(int{bits});
    const size_t unit = bits == 24 ? 3 : 2;
    Bytes indices(7 * 5);
    for (size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<uint8_t>(i % 9 < 4 ? 3 : i);
    const Bytes first = encode::TrueColourPicture(indices, bits);
    indices[12] = 200;
    indices[30] = 100;
    const Bytes second = encode::TrueColourPicture(indices, bits);

    Guarded picture(7, 5, bits);
    EXPECT_TRUE(Decode(DTA_BRUN, encode::EncodeUnitRuns(first, 7, 5, unit), picture));
    EXPECT_EQ(picture.Picture(), first);
    EXPECT_TRUE(Decode(DTA_LC, encode::EncodePixelDelta(first, second, 7, 5, unit), picture));
    EXPECT_EQ(picture.Picture(), second);
    EXPECT_TRUE(Decode(BYTE_RUN, encode::EncodeUnitRuns(first, 7 * unit, 5, 1), picture));
    EXPECT_EQ(picture.Picture(), first);
    EXPECT_TRUE(Decode(DELTA_FLC, encode::EncodePixelDelta(first, second, 7, 5, unit), picture));
    EXPECT_EQ(picture.Picture(), second);
    // DTA_COPY takes packed rows, or rows of an even number of pixels when the data is that long.
    EXPECT_TRUE(Decode(DTA_COPY, first, picture));
    EXPECT_EQ(picture.Picture(), first);
    const size_t row = 7 * unit;
    const size_t stride = 8 * unit;
    Bytes padded(stride * 5, 0x99);
    for (size_t y = 0; y < 5; ++y) std::memcpy(&padded[y * stride], &second[y * row], row);
    EXPECT_TRUE(Decode(DTA_COPY, padded, picture));
    EXPECT_EQ(picture.Picture(), second);
    EXPECT_TRUE(Decode(BLACK, {}, picture));
    EXPECT_EQ(picture.Picture(), Bytes(first.size(), 0));

    // Runs past the last line, literals longer than the data, skips past the end.
    Bytes longRuns;
    for (int line = 0; line < 6; ++line) longRuns.insert(longRuns.end(), {1, 127, 1, 2, 3});
    EXPECT_FALSE(Decode(DTA_BRUN, longRuns, picture));
    EXPECT_FALSE(Decode(DTA_BRUN, {0, 0x80, 1, 2}, picture));
    EXPECT_FALSE(Decode(DTA_LC, {1, 0, 1, 0, 250, 100, 1, 2, 3}, picture));
    EXPECT_FALSE(Decode(DTA_LC, {2, 0, 0xFB, 0xFF, 1, 0, 0, 0x81, 1, 2, 3}, picture));
    EXPECT_FALSE(Decode(DTA_LC, {3, 0, 0x00, 0x80, 1, 0}, picture));
    EXPECT_FALSE(Decode(DTA_COPY, Bytes(5, 1), picture));
    EXPECT_TRUE(picture.GuardsIntact());
  }
}

TEST(TrueColourPixels, WidenToFullIntensityAndIgnoreTheUnusedBit) {
  const uint8_t sixteen[] = {0xFF, 0xFF, 0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0x10, 0x84};
  uint8_t bgr[15];
  TrueColourToBgr(sixteen, 5, 16, bgr);
  const uint8_t want16[] = {255, 255, 255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 132, 130, 132};
  EXPECT_EQ(0, std::memcmp(bgr, want16, sizeof want16));
  // 15 bits: the same colour with the top bit clear or set.
  const uint8_t fifteen[] = {0xFF, 0x7F, 0xFF, 0xFF, 0x00, 0x80};
  uint32_t argb[3];
  TrueColourToArgb32(fifteen, 3, 15, argb);
  EXPECT_EQ(argb[0], 0xFFFFFFFFu);
  EXPECT_EQ(argb[1], 0xFFFFFFFFu);
  EXPECT_EQ(argb[2], 0xFF000000u);
  const uint8_t twentyFour[] = {1, 2, 3};
  TrueColourToArgb32(twentyFour, 1, 24, argb);
  EXPECT_EQ(argb[0], 0xFF030201u);
}

}  // namespace
}  // namespace kt
