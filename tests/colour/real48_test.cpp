#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "colour/real48.h"

namespace kt {
namespace {

using Bytes = Real48::Bytes;

TEST(Real48, StoresTheSixByteLayout) {
  EXPECT_EQ(Real48::Round(1.0L).Raw(), (Bytes{0x81, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Real48::Round(0.1L).Raw(), (Bytes{0x7D, 0xCD, 0xCC, 0xCC, 0xCC, 0x4C}));
  EXPECT_EQ(Real48::Round(25.0L).Raw(), (Bytes{0x85, 0, 0, 0, 0, 0x48}));
  EXPECT_EQ(Real48::Round(-1.5L).Raw(), (Bytes{0x81, 0, 0, 0, 0, 0xC0}));
  EXPECT_EQ(Real48::Round(0.0L).Raw(), (Bytes{}));
  EXPECT_EQ(Real48::FromBytes(Bytes{0x7D, 0xCD, 0xCC, 0xCC, 0xCC, 0x4C}).Value(),
            std::ldexp(static_cast<long double>(0xCCCCCCCCCDull), -43));
}

TEST(Real48, RoundsToFortyBitsWithHalvesAwayFromZero) {
  const long double lsb = std::ldexp(1.0L, -39);  // the last stored bit of values in [1, 2)
  EXPECT_EQ(Real48::Round(1 + lsb / 2).Value(), 1 + lsb);
  EXPECT_EQ(Real48::Round(-(1 + lsb / 2)).Value(), -(1 + lsb));
  EXPECT_EQ(Real48::Round(1 + 5 * lsb / 2).Value(), 1 + 3 * lsb);  // not to even
  EXPECT_EQ(Real48::Round(1 + lsb / 2 - std::ldexp(1.0L, -63)).Value(), 1.0L);
  // Rounding up the largest significand carries into the exponent.
  EXPECT_EQ(Real48::Round(2 - lsb / 2).Raw(), (Bytes{0x82, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Real48::Round(1 + lsb).Value(), 1 + lsb);
}

TEST(Real48, RangeLimits) {
  EXPECT_EQ(Real48::Round(std::ldexp(1.0L, -128)).Raw()[0], 1);
  EXPECT_EQ(Real48::Round(std::ldexp(1.0L, -129)), Real48());
  EXPECT_EQ(Real48::Round(std::ldexp(1.0L, 126)).Raw()[0], 255);
  EXPECT_THROW(Real48::Round(std::ldexp(1.0L, 127)), std::range_error);
  EXPECT_THROW(Real48::Round(std::numeric_limits<long double>::quiet_NaN()), std::range_error);
  EXPECT_THROW(Real48::Round(-std::numeric_limits<long double>::infinity()), std::range_error);
}

}  // namespace
}  // namespace kt
