// The contrast bar's factor. It is kept with a 40-bit significand and the
// exponent range of the 6-byte real the options and the palette arithmetic
// were first written against: how its products with channel values round
// depends on those 40 bits, so it must not be held as a plain double.
#pragma once

namespace kt {

class ContrastFactor {
 public:
  ContrastFactor() = default;  // 0

  // Rounds a value held with a 64-bit significand to 40 significant bits,
  // halves away from zero. Magnitudes below 2^-128 become 0; a magnitude
  // of 2^127 or more, an infinity or a NaN throws std::range_error.
  static ContrastFactor Round(long double value);

  // The exact value held; every factor fits a long double's significand.
  long double Value() const { return value_; }

  bool operator==(const ContrastFactor&) const = default;

 private:
  explicit ContrastFactor(long double value) : value_(value) {}
  long double value_ = 0;
};

}  // namespace kt
