#include <gtest/gtest.h>

#include <cmath>

#include "colour/display_palette.h"
#include "colour/palette_adjustment.h"

namespace kt {
namespace {

// An oracle that works only with integers: the stored factor as m / 2^shift
// derived from the decimal position / 10, then the product and its rounding.
using U128 = unsigned __int128;

struct Dyadic {
  U128 m = 0;
  int shift = 0;  // value = m / 2^shift
};

int BitLength(U128 v) {
  int bits = 0;
  while (v) v >>= 1, ++bits;
  return bits;
}

// Keeps the top `bits` significant bits; halves to even, or away from zero.
Dyadic Narrow(Dyadic x, int bits, bool halvesToEven) {
  const int drop = BitLength(x.m) - bits;
  if (drop <= 0) return x;
  U128 kept = x.m >> drop;
  const U128 dropped = x.m & ((U128{1} << drop) - 1);
  const U128 half = U128{1} << (drop - 1);
  if (dropped > half || (dropped == half && (!halvesToEven || (kept & 1)))) ++kept;
  Dyadic out{kept, x.shift - drop};
  if (BitLength(kept) > bits) out = Dyadic{kept >> 1, out.shift - 1};
  return out;
}

Dyadic OracleFactor(int position) {
  // One tenth to 64 significant bits: the integer nearest 2^67 / 10.
  const U128 two67 = U128{1} << 67;
  U128 tenth = two67 / 10;
  if (2 * (two67 % 10) > 10) ++tenth;
  const Dyadic product = Narrow(Dyadic{tenth * static_cast<unsigned>(position), 67}, 64, true);
  return Narrow(product, 40, false);
}

uint8_t OracleChannel(const Dyadic& factor, int channel, int offset) {
  const U128 n = factor.m * static_cast<unsigned>(channel);
  U128 r = n >> factor.shift;
  const U128 rest = n & ((U128{1} << factor.shift) - 1);
  const U128 half = U128{1} << (factor.shift - 1);
  if (rest > half || (rest == half && (r & 1))) ++r;
  const U128 v = r + static_cast<unsigned>(offset);
  return static_cast<uint8_t>(v > 255 ? 255 : v);
}

// Every channel value once in each channel, in a different order per channel.
BasePalette AllValues() {
  BasePalette base;
  for (int i = 0; i < 256; ++i) base[i] = RgbColour{uint8_t(i), uint8_t(255 - i), uint8_t((i * 97 + 13) & 255)};
  return base;
}

TEST(ContrastFactor, StoredFactorsMatchTheExactFortyBitValues) {
  for (int position = 1; position <= kContrastBarMax; ++position) {
    const Dyadic expected = OracleFactor(position);
    ASSERT_GT(expected.shift, 0);
    EXPECT_EQ(ContrastFactorAt(position).Value(),
              std::ldexp(static_cast<long double>(static_cast<uint64_t>(expected.m)), -expected.shift))
        << position;
    // Only the multiples of 0.5 are held exactly.
    EXPECT_EQ(expected.m * 10 == U128(unsigned(position)) << expected.shift, position % 5 == 0) << position;
  }
  EXPECT_EQ(ContrastFactorAt(0).Value(), 0.0L);
}

TEST(BuildPalette, EveryPositionChannelAndOffsetAgreesWithExactArithmetic) {
  const BasePalette base = AllValues();
  DisplayPalette display;
  for (int offset : {0, 1, 77, 128, 254, 255}) {
    for (int position = kContrastBarMin; position <= kContrastBarMax; ++position) {
      PaletteAdjustment adjustment;
      SetContrast(adjustment, position);
      SetBrightness(adjustment, offset);
      BuildPalette(base, adjustment, display);
      const Dyadic factor = OracleFactor(position);
      for (int i = 0; i < 256; ++i) {
        const RgbColour expected{OracleChannel(factor, base[i].red, offset),
                                 OracleChannel(factor, base[i].green, offset),
                                 OracleChannel(factor, base[i].blue, offset)};
        const RgbQuad& quad = display.colourTable[i];
        ASSERT_EQ((RgbQuad{expected.blue, expected.green, expected.red, 0}), quad)
            << "position " << position << " offset " << offset << " entry " << i;
      }
    }
  }
}

TEST(BuildPalette, HalfwayProductsFollowTheStoredFactor) {
  const struct {
    int position, channel, result;
  } worked[] = {{5, 1, 0}, {15, 1, 2}, {25, 1, 2}, {1, 5, 1}, {3, 5, 2}, {7, 5, 3}, {11, 5, 6}, {13, 5, 6}};
  for (auto w : worked)
    EXPECT_EQ(AdjustedChannel(uint8_t(w.channel), ContrastFactorAt(w.position), 0), w.result)
        << w.position << " x " << w.channel;
}

TEST(BuildPalette, IdentityWhiteGreyAndSaturation) {
  const BasePalette base = AllValues();
  DisplayPalette display;
  PaletteAdjustment adjustment;  // factor 1.0, offset 0
  BuildPalette(base, adjustment, display);
  for (int i = 0; i < 256; ++i)
    EXPECT_EQ((RgbQuad{base[i].blue, base[i].green, base[i].red, 0}), display.colourTable[i]);

  SetBrightness(adjustment, 255);
  BuildPalette(base, adjustment, display);
  for (const RgbQuad& quad : display.colourTable) EXPECT_EQ((RgbQuad{255, 255, 255, 0}), quad);

  SetContrast(adjustment, 0);
  SetBrightness(adjustment, 40);
  BuildPalette(base, adjustment, display);
  for (const RgbQuad& quad : display.colourTable) EXPECT_EQ((RgbQuad{40, 40, 40, 0}), quad);

  const ContrastFactor most = ContrastFactorAt(kContrastBarMax);
  for (int channel = 11; channel < 256; ++channel) EXPECT_EQ(AdjustedChannel(uint8_t(channel), most, 0), 255);
  EXPECT_EQ(AdjustedChannel(10, most, 0), 250);
  EXPECT_EQ(AdjustedChannel(10, most, 3), 253);
  EXPECT_EQ(AdjustedChannel(10, most, 6), 255);
}

}  // namespace
}  // namespace kt
