#include "colour/real48.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace kt {

// The rounding below reads the whole significand of a long double; that is
// only the 64-bit extended format's on x86.
static_assert(std::numeric_limits<long double>::digits == 64, "long double must carry a 64-bit significand");

namespace {

constexpr int kExponentBias = 129;
constexpr int kFractionBits = 39;
constexpr uint64_t kHiddenBit = uint64_t{1} << kFractionBits;
constexpr int kDroppedBits = 64 - (kFractionBits + 1);

}  // namespace

Real48 Real48::Round(long double value) {
  if (!std::isfinite(value)) throw std::range_error("Real48: value is not finite");
  if (value == 0) return Real48();
  const bool negative = std::signbit(value);
  int exponent = 0;
  const long double half = std::frexp(std::fabs(value), &exponent);          // in [0.5, 1)
  const uint64_t significand = static_cast<uint64_t>(std::ldexp(half, 64));  // exact
  uint64_t kept = significand >> kDroppedBits;
  const uint64_t dropped = significand & ((uint64_t{1} << kDroppedBits) - 1);
  // Magnitude rounding, so halves go away from zero on either sign.
  if (dropped >= (uint64_t{1} << (kDroppedBits - 1))) ++kept;
  if (kept == (kHiddenBit << 1)) {
    kept >>= 1;
    ++exponent;
  }
  // value = kept x 2^(exponent - 40) = 1.fraction x 2^(exponent - 1)
  const int biased = exponent - 1 + kExponentBias;
  if (biased < 1) return Real48();
  if (biased > 255) throw std::range_error("Real48: value too large");

  Bytes bytes{};
  bytes[0] = static_cast<uint8_t>(biased);
  const uint64_t fraction = kept & (kHiddenBit - 1);
  for (int i = 0; i < 5; ++i) bytes[static_cast<size_t>(1 + i)] = static_cast<uint8_t>(fraction >> (8 * i));
  if (negative) bytes[5] |= 0x80;
  return Real48(bytes);
}

long double Real48::Value() const {
  if (bytes_[0] == 0) return 0;
  uint64_t fraction = 0;
  for (int i = 4; i >= 0; --i) fraction = (fraction << 8) | bytes_[static_cast<size_t>(1 + i)];
  fraction &= kHiddenBit - 1;
  const long double magnitude =
      std::ldexp(static_cast<long double>(fraction | kHiddenBit), bytes_[0] - kExponentBias - kFractionBits);
  return (bytes_[5] & 0x80) ? -magnitude : magnitude;
}

}  // namespace kt
