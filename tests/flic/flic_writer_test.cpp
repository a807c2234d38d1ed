// The writer's round trip: random animations of many shapes, written and
// read back through our reader, picture for picture, with the timing and
// the header's fields; and the palette choice that keeps unchanged pixels
// unchanged in the file.
#include "flic/flic_writer.h"

#include <gtest/gtest.h>

#include <random>

#include "base/bytes.h"
#include "decoded_flic.h"

namespace kt {
namespace {

struct Animation {
  uint16_t width, height;
  std::vector<std::vector<uint8_t>> pictures;
  std::vector<BasePalette> palettes;
};

// Flat areas, moving blocks, noise and palette changes, as real animation has.
Animation MakeAnimation(uint16_t width, uint16_t height, int frames, uint32_t seed) {
  std::mt19937 rng(seed);
  Animation a{width, height, {}, {}};
  std::vector<uint8_t> picture(size_t{width} * height, static_cast<uint8_t>(rng() % 4));
  BasePalette palette{};
  for (auto& c : palette) c = RgbColour{uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
  palette[7] = palette[3];  // two indices of one colour
  for (int f = 0; f < frames; ++f) {
    const int kind = static_cast<int>(rng() % 6);
    const int x0 = static_cast<int>(rng() % width), y0 = static_cast<int>(rng() % height);
    const int bw = 1 + static_cast<int>(rng() % width), bh = 1 + static_cast<int>(rng() % height);
    const uint8_t fill = static_cast<uint8_t>(rng() % 12);
    for (int y = y0; y < std::min<int>(height, y0 + bh); ++y) {
      for (int x = x0; x < std::min<int>(width, x0 + bw); ++x) {
        uint8_t& p = picture[size_t(y) * width + x];
        p = kind == 0 ? static_cast<uint8_t>(rng()) : kind == 1 ? static_cast<uint8_t>(p ^ (rng() % 3 == 0)) : fill;
      }
    }
    if (kind == 3) palette[rng() % 256].green ^= 0x55;  // a colour changes
    if (kind == 4) {                                    // the same picture through reordered colours
      std::vector<uint8_t> order(256);
      std::iota(order.begin(), order.end(), 0);
      std::shuffle(order.begin(), order.end(), rng);
      BasePalette moved{};
      for (int i = 0; i < 256; ++i) moved[order[i]] = palette[i];
      for (uint8_t& p : picture) p = order[p];
      palette = moved;
    }
    if (kind == 5 && f % 5 == 4) std::fill(picture.begin(), picture.end(), 0);
    a.pictures.push_back(picture);
    a.palettes.push_back(palette);
  }
  return a;
}

uint32_t Shown(const BasePalette& palette, uint8_t index, bool fli) {
  RgbColour c = palette[index];
  if (fli) {
    const auto six = [](uint8_t v) { return static_cast<uint8_t>(std::min(63, (v + 2) >> 2) << 2); };
    c = RgbColour{six(c.red), six(c.green), six(c.blue)};
  }
  return (uint32_t{c.red} << 16) | (uint32_t{c.green} << 8) | c.blue;
}

TEST(FlicWriter, RoundTripsEveryPictureAndTimeThroughOurReader) {
  struct Case {
    FlicKind kind;
    uint16_t w, h;
    bool fixed;
  };
  const Case cases[] = {{FlicKind::Flc, 7, 5, false},    {FlicKind::Flc, 1, 1, false},
                        {FlicKind::Flc, 700, 3, false},  {FlicKind::Flc, 641, 4, true},
                        {FlicKind::Flc, 64, 48, true},   {FlicKind::Fli, 320, 200, false},
                        {FlicKind::Flc, 320, 200, false}};
  uint32_t seed = 1;
  for (const Case& c : cases) {
    for (int round = 0; round < 3; ++round, ++seed) {
      SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " seed " + std::to_string(seed));
      const Animation a = MakeAnimation(c.w, c.h, 12, seed);
      FlicWriterSettings settings;
      settings.kind = c.kind;
      settings.width = c.w;
      settings.height = c.h;
      settings.fixedPalette = c.fixed;
      settings.speed = 3;
      settings.kept.tail[5] = 0x5A;
      if (round == 1 && c.kind == FlicKind::Flc)
        settings.kept.prefix = {16, 0, 0, 0, 0x00, 0xF1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
      MemoryFlicSink sink;
      FlicWriter writer(sink, settings);
      std::vector<uint32_t> records;
      for (size_t f = 0; f < a.pictures.size(); ++f) {
        records.push_back(1 + (f * seed) % 3);
        writer.Add(a.pictures[f].data(), a.palettes[f], records.back());
      }
      writer.Finish();
      const uint8_t* header = sink.bytes.data();
      EXPECT_EQ(ReadU32(header), sink.bytes.size());
      EXPECT_EQ(header[88 + 5], 0x5A);
      EXPECT_EQ(ReadU16(header + 14), 3);
      EXPECT_EQ(ReadU32(header + 80), 128u + settings.kept.prefix.size());
      for (int zero : {20, 21, 42, 60, 79}) EXPECT_EQ(header[zero], 0) << zero;

      const test::DecodedFlic back = test::DecodeFlicBytes(sink.bytes);
      EXPECT_TRUE(back.clean);
      EXPECT_EQ(back.header.speed, c.kind == FlicKind::Fli ? 43u : 3u);
      ASSERT_EQ(back.frames.size(), writer.Records() + 1u);
      size_t at = 0;
      for (size_t f = 0; f < a.pictures.size(); ++f) {
        std::vector<uint32_t> expected(a.pictures[f].size());
        for (size_t i = 0; i < expected.size(); ++i)
          expected[i] = Shown(a.palettes[f], a.pictures[f][i], c.kind == FlicKind::Fli);
        for (uint32_t r = 0; r < records[f]; ++r, ++at) ASSERT_EQ(back.frames[at], expected) << "record " << at;
      }
      EXPECT_EQ(back.frames.back(), back.frames.front()) << "the ring frame";
    }
  }
}

TEST(FlicWriter, UnchangedScreenStaysUnchangedInTheFile) {
  // The same picture through a reordered palette is an empty frame; a fade
  // costs only its colours.
  const Animation a = MakeAnimation(64, 40, 1, 9);
  BasePalette reordered{}, faded = a.palettes[0];
  std::vector<uint8_t> moved(a.pictures[0].size());
  for (int i = 0; i < 256; ++i) reordered[255 - i] = a.palettes[0][i];
  for (size_t i = 0; i < moved.size(); ++i) moved[i] = static_cast<uint8_t>(255 - a.pictures[0][i]);
  for (auto& c : faded) c.red /= 2;
  for (const bool fade : {false, true}) {
    FlicWriterSettings settings;
    settings.width = 64;
    settings.height = 40;
    MemoryFlicSink sink;
    FlicWriter writer(sink, settings);
    writer.Add(a.pictures[0].data(), a.palettes[0]);
    const uint64_t before = writer.BytesWritten();
    if (fade) {
      writer.Add(a.pictures[0].data(), faded);
    } else {
      writer.Add(moved.data(), reordered);
    }
    const uint64_t second = writer.BytesWritten() - before;
    writer.Finish();
    if (fade) {
      EXPECT_LE(second, 16u + 6 + 2 + 2 * 2 + 256 * 3);
      EXPECT_EQ(ReadU16(sink.bytes.data() + before + 6), 1) << "one palette chunk";
    } else {
      EXPECT_EQ(second, 16u);
    }
  }
}

TEST(FlicWriter, TimingKeepsEachDurationAndRefusesWhatAHeaderCannotHold) {
  FlicTiming t = PlanFlicTiming({40, 120, 80}, FlicKind::Flc);
  EXPECT_EQ(t.speed, 40u);
  EXPECT_EQ(t.records, (std::vector<uint32_t>{1, 3, 2}));
  t = PlanFlicTiming({100, 50}, FlicKind::Fli);  // 7 and 3.5 -> 4 jiffies
  EXPECT_EQ(t.speed, 1u);
  EXPECT_EQ(t.records, (std::vector<uint32_t>{7, 4}));
  t = PlanFlicTiming({0, 0}, FlicKind::Flc);
  EXPECT_EQ(t.records, (std::vector<uint32_t>{1, 1}));
  // Durations of a 30 fps video share only 1 ms; 3000 of them would pass the frame count.
  std::vector<uint32_t> video;
  for (int i = 0; i < 3000; ++i) video.push_back(i % 3 == 2 ? 34 : 33);
  t = PlanFlicTiming(video, FlicKind::Flc);
  EXPECT_EQ(t.speed, 33u);
  EXPECT_EQ(std::accumulate(t.records.begin(), t.records.end(), 0u), 3030u);
  EXPECT_EQ(PlanFlicTiming({200000}, FlicKind::Flc).speed, 50000u);

  EXPECT_NE(FlicWriteProblem(FlicKind::Fli, 640, 480, 10).find(".flc"), std::string::npos);
  EXPECT_FALSE(FlicWriteProblem(FlicKind::Flc, 70000, 2, 1).empty());
  EXPECT_FALSE(FlicWriteProblem(FlicKind::Flc, 2, 2, 65536).empty());
  EXPECT_TRUE(FlicWriteProblem(FlicKind::Flc, 65535, 1, 65535).empty());
  FlicWriterSettings fli;
  fli.kind = FlicKind::Fli;
  fli.width = 640;
  fli.height = 480;
  MemoryFlicSink sink;
  EXPECT_THROW(FlicWriter(sink, fli), FlicWriteError);
}

}  // namespace
}  // namespace kt
