#include <gtest/gtest.h>

#include "colour/palette_adjustment.h"

namespace kt {
namespace {

TEST(ContrastBarChange, LabelShowsOneDigitAfterThePoint) {
  PaletteAdjustment adjustment;
  EXPECT_EQ(adjustment.ContrastFactor, ContrastFactorAt(kContrastBarInitial));
  EXPECT_EQ(adjustment.ContrastFactor.Value(), 1.0L);
  EXPECT_EQ(adjustment.BrightnessOffset, 0);
  // The stored tenths are a little off; the label must not show it.
  for (int position = kContrastBarMin; position <= kContrastBarMax; ++position) {
    const std::string expected = std::to_string(position / 10) + "." + std::to_string(position % 10);
    EXPECT_EQ(ContrastBarChange(adjustment, position), expected);
    EXPECT_EQ(adjustment.ContrastFactor, ContrastFactorAt(position));
  }
  EXPECT_EQ(ContrastBarChange(adjustment, 400), "25.0");
}

TEST(BrightnessBarChange, SetsOffsetAndPlainDigits) {
  PaletteAdjustment adjustment;
  EXPECT_EQ(BrightnessBarChange(adjustment, 7), "7");
  EXPECT_EQ(adjustment.BrightnessOffset, 7);
  EXPECT_EQ(BrightnessBarChange(adjustment, 255), "255");
  EXPECT_EQ(BrightnessBarChange(adjustment, 1000), "255");
  EXPECT_EQ(adjustment.BrightnessOffset, 255);
}

TEST(AdjustButtons, StepWithinTheRangeAndAlwaysRunTheHandler) {
  PaletteAdjustment adjustment;
  EXPECT_EQ(ContrastRightAjustClick(adjustment, 10), (BarUpdate{11, "1.1"}));
  EXPECT_EQ(ContrastLeftAjustClick(adjustment, 10), (BarUpdate{9, "0.9"}));
  EXPECT_EQ(BrightnessRightAjustClick(adjustment, 10), (BarUpdate{11, "11"}));
  EXPECT_EQ(BrightnessLeftAjustClick(adjustment, 10), (BarUpdate{9, "9"}));
  EXPECT_EQ(adjustment.BrightnessOffset, 9);

  // At a limit the bar stays but the value is still taken from it.
  adjustment.ContrastFactor = ContrastFactorAt(3);
  EXPECT_EQ(ContrastRightAjustClick(adjustment, kContrastBarMax), (BarUpdate{250, "25.0"}));
  EXPECT_EQ(adjustment.ContrastFactor.Value(), 25.0L);
  adjustment.ContrastFactor = ContrastFactorAt(3);
  EXPECT_EQ(ContrastLeftAjustClick(adjustment, kContrastBarMin), (BarUpdate{0, "0.0"}));
  EXPECT_EQ(adjustment.ContrastFactor.Value(), 0.0L);
  adjustment.BrightnessOffset = 3;
  EXPECT_EQ(BrightnessRightAjustClick(adjustment, kBrightnessBarMax), (BarUpdate{255, "255"}));
  EXPECT_EQ(adjustment.BrightnessOffset, 255);
  EXPECT_EQ(BrightnessLeftAjustClick(adjustment, kBrightnessBarMin), (BarUpdate{0, "0"}));
  EXPECT_EQ(adjustment.BrightnessOffset, 0);
}

}  // namespace
}  // namespace kt
