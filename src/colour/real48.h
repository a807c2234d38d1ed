// The 6-byte real in which the contrast factor is kept. Its 40-bit
// significand decides how products with channel values round, so the
// factor must be stored exactly as this format holds it, not as a double.
#pragma once

#include <array>
#include <cstdint>

namespace kt {

class Real48 {
 public:
  // Byte 0: exponent biased by 129 (0 means the value 0). Bytes 1 to 5:
  // the 39 fraction bits under a hidden leading 1, lowest byte first,
  // with the sign in the top bit of byte 5.
  using Bytes = std::array<uint8_t, 6>;

  Real48() = default;  // 0
  static Real48 FromBytes(const Bytes& bytes) { return Real48(bytes); }

  // Rounds a value held with a 64-bit significand to 40 significant bits,
  // halves away from zero. Magnitudes below the smallest normal value
  // become 0; a magnitude too large for the exponent, an infinity or a NaN
  // throws std::range_error.
  static Real48 Round(long double value);

  // The exact value held; every Real48 fits a long double's significand.
  long double Value() const;

  const Bytes& Raw() const { return bytes_; }
  bool operator==(const Real48&) const = default;

 private:
  explicit Real48(const Bytes& bytes) : bytes_(bytes) {}
  Bytes bytes_{};
};

}  // namespace kt
