#include "colour/contrast_factor.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace kt {

// The rounding below reads the whole significand of a long double; that is
// only the 64-bit extended format's on x86.
static_assert(std::numeric_limits<long double>::digits == 64, "long double must carry a 64-bit significand");

namespace {

constexpr int kKeptBits = 40;
constexpr int kDroppedBits = 64 - kKeptBits;
// The exponent a value 1.f x 2^e may have: e from -128 to 126.
constexpr int kLowestExponent = -128;
constexpr int kHighestExponent = 126;

}  // namespace

ContrastFactor ContrastFactor::Round(long double value) {
  if (!std::isfinite(value)) throw std::range_error("contrast factor: value is not finite");
  if (value == 0) return ContrastFactor();
  int exponent = 0;
  const long double half = std::frexp(std::fabs(value), &exponent);          // in [0.5, 1)
  const uint64_t significand = static_cast<uint64_t>(std::ldexp(half, 64));  // exact
  uint64_t kept = significand >> kDroppedBits;
  const uint64_t dropped = significand & ((uint64_t{1} << kDroppedBits) - 1);
  // Magnitude rounding, so halves go away from zero on either sign.
  if (dropped >= (uint64_t{1} << (kDroppedBits - 1))) ++kept;
  if (kept == (uint64_t{1} << kKeptBits)) {
    kept >>= 1;
    ++exponent;
  }
  // value = kept x 2^(exponent - 40) = 1.fraction x 2^(exponent - 1)
  if (exponent - 1 < kLowestExponent) return ContrastFactor();
  if (exponent - 1 > kHighestExponent) throw std::range_error("contrast factor: value too large");
  const long double magnitude = std::ldexp(static_cast<long double>(kept), exponent - kKeptBits);
  return ContrastFactor(std::signbit(value) ? -magnitude : magnitude);
}

}  // namespace kt
