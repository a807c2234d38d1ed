// How frames get their indices: colours kept from frame to frame while they
// fit, the key index left to the transparent pixels alone, a fixed palette's
// indices kept, and true colour reduced to one palette for every frame.
#include "convert/frame_colours.h"

#include <gtest/gtest.h>

#include <set>

#include "convert/convert.h"
#include "convert/palette_file.h"

namespace kt {
namespace {

SourceFrame Argb(const std::vector<uint32_t>& pixels) {
  SourceFrame frame;
  frame.argb = pixels.data();
  return frame;
}

uint32_t Shown(const BasePalette& palette, uint8_t index) {
  const RgbColour& c = palette[index];
  return 0xFF000000u | (uint32_t{c.red} << 16) | (uint32_t{c.green} << 8) | c.blue;
}

TEST(FrameColours, FewColoursKeepTheirIndicesAndTheKeyStaysFree) {
  ColourOptions options;
  options.key = 0;
  FrameColours colours(options, 4, 1);
  std::vector<uint8_t> indices;
  BasePalette palette{};
  const std::vector<uint32_t> first = {0xFF000000, 0xFFFF0000, 0x00123456, 0xFF00FF00};
  const std::vector<uint32_t> second = {0xFF00FF00, 0xFF0000FF, 0xFFFF0000, 0x7FFFFFFF};
  ASSERT_TRUE(colours.Learn(Argb(first), indices, palette));
  EXPECT_EQ(indices[2], 0) << "a transparent pixel takes the key";
  const uint8_t red = indices[1], green = indices[3];
  EXPECT_NE(indices[0], 0) << "black is a colour of its own, not the key";
  ASSERT_TRUE(colours.Learn(Argb(second), indices, palette));
  EXPECT_EQ(indices[0], green);
  EXPECT_EQ(indices[2], red);
  EXPECT_EQ(indices[3], 0);
  EXPECT_EQ(Shown(palette, indices[1]), 0xFF0000FFu);
}

TEST(FrameColours, TrueColourSharesOnePaletteAndAFixedOneKeepsIndices) {
  std::vector<uint32_t> ramp(64 * 64);
  for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = 0xFF000000u | static_cast<uint32_t>(i * 4099);
  FrameColours reduce(ColourOptions{}, 64, 64);
  std::vector<uint8_t> indices;
  BasePalette first{}, palette{};
  EXPECT_FALSE(reduce.Learn(Argb(ramp), indices, palette));
  reduce.FinishLearning();
  reduce.Map(Argb(ramp), indices, first);
  reduce.Map(Argb(ramp), indices, palette);
  EXPECT_TRUE(reduce.Reduces());
  EXPECT_EQ(first, palette);
  EXPECT_GT(std::set<uint8_t>(indices.begin(), indices.end()).size(), 200u);

  const FixedPalette fixed = ParsePaletteText("t.gpl", "GIMP Palette\n# two\n0 0 0 black\n255 0 0 red\n 0 0 250\n");
  ASSERT_EQ(fixed.count, 3);
  ColourOptions options;
  options.palette = fixed;
  FrameColours mapped(options, 3, 1);
  SourceFrame indexed;
  const std::vector<uint8_t> own = {2, 1, 0};
  BasePalette ownColours{};
  ownColours[1] = {255, 0, 0};
  ownColours[2] = {250, 10, 10};
  indexed.indices = own.data();
  indexed.palette = &ownColours;
  mapped.Map(indexed, indices, palette);
  EXPECT_EQ(indices, (std::vector<uint8_t>{1, 1, 0})) << "a colour not in the palette to the nearest, the others kept";
  EXPECT_THROW(ParsePaletteText("t.pal", "JASC-PAL\n0100\n3\n0 0 0\n"), ConvertError);
}

}  // namespace
}  // namespace kt
