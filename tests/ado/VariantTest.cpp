#include "ado/Error.h"
#include "ado/Variant.h"

#include <gtest/gtest.h>

#include <limits>

namespace ado {
namespace {

std::string dateText(double days) { return Variant::date(Date{days}).toText(); }

TEST(VariantText, NullBooleanAndNumbers) {
  EXPECT_EQ(Variant().toText(), "");
  EXPECT_EQ(Variant::null().toText(), "");
  EXPECT_EQ(Variant::boolean(true).toText(), "True");
  EXPECT_EQ(Variant::boolean(false).toText(), "False");
  EXPECT_EQ(Variant::byte(255).toText(), "255");
  EXPECT_EQ(Variant::int64(std::numeric_limits<std::int64_t>::min()).toText(), "-9223372036854775808");
  // Shortest text that reads back to the same value, for both widths.
  EXPECT_EQ(Variant::real(0.1).toText(), "0.1");
  EXPECT_EQ(Variant::single(0.1f).toText(), "0.1");
  EXPECT_EQ(Variant::real(1.0 / 3).toText(), "0.3333333333333333");
  EXPECT_EQ(Variant::real(-2.5).toText(), "-2.5");
  EXPECT_EQ(Variant::real(1e20).toText(), "1e+20");
}

TEST(VariantText, CurrencyAndDecimalAreExact) {
  EXPECT_EQ(Variant::currency({125000}).toText(), "12.5");
  EXPECT_EQ(Variant::currency({-1}).toText(), "-0.0001");
  EXPECT_EQ(Variant::currency({30000}).toText(), "3");
  EXPECT_EQ(Variant::currency({std::numeric_limits<std::int64_t>::min()}).toText(), "-922337203685477.5808");

  Decimal d;
  d.magnitude = 150;
  d.scale = 2;
  EXPECT_EQ(Variant::decimal(d).toText(), "1.5");
  d.negative = true;
  d.magnitude = 5;
  d.scale = 3;
  EXPECT_EQ(Variant::decimal(d).toText(), "-0.005");
  // 28 nines: beyond 64 bits, still exact.
  d = Decimal{};
  for (int i = 0; i < 28; ++i) d.magnitude = d.magnitude * 10 + 9;
  d.scale = 10;
  EXPECT_EQ(Variant::decimal(d).toText(), "999999999999999999.9999999999");
  d.magnitude = 0;
  d.negative = true;
  EXPECT_EQ(Variant::decimal(d).toText(), "0");
}

TEST(VariantText, DatesLeaveOutMidnightAndTheZeroDate) {
  EXPECT_EQ(dateText(44262 + (14 * 3600 + 5 * 60 + 9) / 86400.0), "03/07/2021 14:05:09");
  EXPECT_EQ(dateText(44262), "03/07/2021");
  EXPECT_EQ(dateText(10.5 / 24), "10:30:00");  // time only on 1899-12-30
  EXPECT_EQ(dateText(0), "00:00:00");
  EXPECT_EQ(dateText(1), "12/31/1899");
  EXPECT_EQ(dateText(60), "02/28/1900");
  EXPECT_EQ(dateText(61), "03/01/1900");
  EXPECT_EQ(dateText(-1.25), "12/29/1899 06:00:00");  // negative days: the time still counts forward
  EXPECT_EQ(dateText(-657434), "01/01/0100");
  EXPECT_EQ(dateText(2958465), "12/31/9999");
  EXPECT_EQ(dateText(36525.99999999), "01/01/2000");  // rounds up to the next midnight
}

TEST(VariantText, GuidAndBytes) {
  Guid g;
  for (int i = 0; i < 16; ++i) g.bytes[i] = static_cast<std::uint8_t>(i);
  EXPECT_EQ(Variant::guid(g).toText(), "{03020100-0504-0706-0809-0A0B0C0D0E0F}");
  // Bytes read as UTF-16LE; an unpaired surrogate becomes U+FFFD, an odd last byte a unit of its own.
  EXPECT_EQ(Variant::bytes({'H', 0, 'i', 0}).toText(), "Hi");
  EXPECT_EQ(Variant::bytes({0x3D, 0xD8, 0x00, 0xDE}).toText(), "\xF0\x9F\x98\x80");
  EXPECT_EQ(Variant::bytes({0x00, 0xD8, 'A'}).toText(), "\xEF\xBF\xBD" "A");
  EXPECT_EQ(Variant::bytes({}).toText(), "");
}

TEST(VariantAccess, KindsAndMismatches) {
  EXPECT_TRUE(Variant::null().isNull());
  EXPECT_FALSE(Variant::text("").isNull());
  EXPECT_EQ(Variant::int16(-7).asInt64(), -7);
  EXPECT_DOUBLE_EQ(Variant::currency({25}).asDouble(), 0.0025);
  EXPECT_EQ(Variant::int32(5), Variant::int32(5));
  EXPECT_NE(Variant::int32(5), Variant::int64(5));
  try {
    Variant::text("5").asInt64();
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), adErrInvalidArgument);
  }
}

}  // namespace
}  // namespace ado
