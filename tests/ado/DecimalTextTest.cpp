// Decimal values are written digit by digit from a 128-bit magnitude; values on both sides of
// 2^64 (where the walk changes from 128-bit to 64-bit division) must read as the same number.
#include "ado/Variant.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

ado::Decimal MakeDecimal(bool negative, unsigned __int128 magnitude, int scale) {
  ado::Decimal d;
  d.negative = negative;
  d.magnitude = magnitude;
  d.scale = static_cast<std::uint8_t>(scale);
  return d;
}

// Long division of the magnitude as decimal digits, then the point and the sign placed by hand.
std::string ReferenceText(const ado::Decimal& d) {
  std::string digits;
  unsigned __int128 m = d.magnitude;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(m % 10)));
    m /= 10;
  } while (m != 0);
  if (d.scale > 0) {
    while (digits.size() <= d.scale) digits.insert(digits.begin(), '0');
    digits.insert(digits.size() - d.scale, ".");
    while (digits.back() == '0') digits.pop_back();
    if (digits.back() == '.') digits.pop_back();
  }
  if (d.negative && digits != "0") digits.insert(digits.begin(), '-');
  return digits;
}

TEST(DecimalText, DigitsAcrossTheSixtyFourBitBoundary) {
  const unsigned __int128 two64 = static_cast<unsigned __int128>(1) << 64;
  EXPECT_EQ(ado::DecimalToText(MakeDecimal(false, two64 - 1, 0)), "18446744073709551615");
  EXPECT_EQ(ado::DecimalToText(MakeDecimal(false, two64, 0)), "18446744073709551616");
  EXPECT_EQ(ado::DecimalToText(MakeDecimal(true, two64 * 10, 4)), "-18446744073709551.616");
  EXPECT_EQ(ado::DecimalToText(MakeDecimal(true, 0, 3)), "0");
  EXPECT_EQ(ado::DecimalToText(MakeDecimal(false, 1200, 3)), "1.2");
  EXPECT_EQ(ado::DecimalToText(MakeDecimal(false, 5, 28)), "0.0000000000000000000000000005");
  std::mt19937_64 random(13);
  for (int round = 0; round < 20000; ++round) {
    // Magnitudes of every length up to 96 bits (the stored maximum), often near a power of two.
    const int bits = static_cast<int>(random() % 97);
    unsigned __int128 m = (static_cast<unsigned __int128>(random()) << 64 | random());
    m = bits == 0 ? 0 : m >> (128 - bits);
    if (round % 3 == 0 && bits > 0) m = (static_cast<unsigned __int128>(1) << (bits - 1)) - (random() % 3);
    const ado::Decimal d = MakeDecimal(random() % 2, m, static_cast<int>(random() % 29));
    ASSERT_EQ(ado::DecimalToText(d), ReferenceText(d)) << "round " << round;
  }
}

}  // namespace
