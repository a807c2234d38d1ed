#include "base/integer_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

namespace kt {
namespace {

TEST(ParseInt32, TakesOneSignAndDigitsThatFitThirtyTwoBitsAndNothingElse) {
  EXPECT_EQ(ParseInt32("2147483647"), INT32_MAX);
  EXPECT_EQ(ParseInt32("-2147483648"), INT32_MIN);
  EXPECT_EQ(ParseInt32("+007"), 7);
  EXPECT_EQ(ParseInt32("-0"), 0);
  for (const char* text : {"2147483648", "-2147483649", "99999999999999999999999", "", "+", "-", "+-1", "--1", " 1",
                           "1 ", "0x10", "1.0", "1e3"}) {
    EXPECT_EQ(ParseInt32(text), std::nullopt) << text;
  }
}

}  // namespace
}  // namespace kt
