#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "colour/contrast_factor.h"

namespace kt {
namespace {

TEST(ContrastFactor, HoldsFortyBitsInTheSixByteRealsRange) {
  EXPECT_EQ(ContrastFactor::Round(0.1L).Value(), std::ldexp(static_cast<long double>(0xCCCCCCCCCDull), -43));
  EXPECT_EQ(ContrastFactor::Round(25.0L).Value(), 25.0L);
  EXPECT_EQ(ContrastFactor::Round(-1.5L).Value(), -1.5L);
  EXPECT_EQ(ContrastFactor::Round(0.0L), ContrastFactor());
  EXPECT_EQ(ContrastFactor::Round(std::ldexp(1.0L, -128)).Value(), std::ldexp(1.0L, -128));
  EXPECT_EQ(ContrastFactor::Round(std::ldexp(1.0L, -129)), ContrastFactor());
  EXPECT_EQ(ContrastFactor::Round(std::ldexp(1.0L, 126)).Value(), std::ldexp(1.0L, 126));
  EXPECT_THROW(ContrastFactor::Round(std::ldexp(1.0L, 127)), std::range_error);
  EXPECT_THROW(ContrastFactor::Round(std::numeric_limits<long double>::quiet_NaN()), std::range_error);
  EXPECT_THROW(ContrastFactor::Round(-std::numeric_limits<long double>::infinity()), std::range_error);
}

TEST(ContrastFactor, RoundsToFortyBitsWithHalvesAwayFromZero) {
  const long double lsb = std::ldexp(1.0L, -39);  // the last stored bit of values in [1, 2)
  EXPECT_EQ(ContrastFactor::Round(1 + lsb / 2).Value(), 1 + lsb);
  EXPECT_EQ(ContrastFactor::Round(-(1 + lsb / 2)).Value(), -(1 + lsb));
  EXPECT_EQ(ContrastFactor::Round(1 + 5 * lsb / 2).Value(), 1 + 3 * lsb);  // not to even
  EXPECT_EQ(ContrastFactor::Round(1 + lsb / 2 - std::ldexp(1.0L, -63)).Value(), 1.0L);
  // Rounding up the largest significand carries into the exponent.
  EXPECT_EQ(ContrastFactor::Round(2 - lsb / 2).Value(), 2.0L);
  EXPECT_EQ(ContrastFactor::Round(1 + lsb).Value(), 1 + lsb);
}

}  // namespace
}  // namespace kt
