#include <gtest/gtest.h>

#include "colour/palette_adjustment.h"

namespace kt {
namespace {

TEST(SetContrast, LabelShowsOneDigitAfterThePoint) {
  PaletteAdjustment adjustment;
  EXPECT_EQ(adjustment.ContrastFactor, ContrastFactorAt(kContrastBarInitial));
  EXPECT_EQ(adjustment.ContrastFactor.Value(), 1.0L);
  EXPECT_EQ(adjustment.BrightnessOffset, 0);
  // The stored tenths are a little off; the label must not show it.
  for (int position = kContrastBarMin; position <= kContrastBarMax; ++position) {
    const std::string expected = std::to_string(position / 10) + "." + std::to_string(position % 10);
    EXPECT_EQ(SetContrast(adjustment, position), expected);
    EXPECT_EQ(adjustment.ContrastFactor, ContrastFactorAt(position));
  }
  EXPECT_EQ(SetContrast(adjustment, 400), "25.0");
}

TEST(SetBrightness, SetsOffsetAndPlainDigits) {
  PaletteAdjustment adjustment;
  EXPECT_EQ(SetBrightness(adjustment, 7), "7");
  EXPECT_EQ(adjustment.BrightnessOffset, 7);
  EXPECT_EQ(SetBrightness(adjustment, 255), "255");
  EXPECT_EQ(SetBrightness(adjustment, 1000), "255");
  EXPECT_EQ(adjustment.BrightnessOffset, 255);
}

}  // namespace
}  // namespace kt
