#include "ado/access/LiteralConversion.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

namespace ado::access {
namespace {

using jet::ColumnType;

const AccessColumnType kByte{ColumnType::kByte};
const AccessColumnType kInteger{ColumnType::kInteger};
const AccessColumnType kLong{ColumnType::kLong};
const AccessColumnType kBigInt{ColumnType::kBigInt};
const AccessColumnType kCurrency{ColumnType::kCurrency};
const AccessColumnType kDouble{ColumnType::kDouble};
const AccessColumnType kSingle{ColumnType::kFloat};
const AccessColumnType kDate{ColumnType::kDateTime};
const AccessColumnType kYesNo{ColumnType::kBoolean};
const AccessColumnType kMemo{ColumnType::kMemo};
const AccessColumnType kOle{ColumnType::kOle};
const AccessColumnType kGuid{ColumnType::kGuid};

jet::Value Converted(const SqlLiteral& literal, const AccessColumnType& column) {
  auto result = ConvertLiteral(literal, column, "Col");
  EXPECT_TRUE(result.ok()) << result.status().message();
  return result.ok() ? result.value() : jet::Value{jet::Unsupported{"failed"}};
}
jet::Value FromText(std::string text, const AccessColumnType& column) {
  return Converted(SqlLiteral::Text(std::move(text)), column);
}
bool Refused(const SqlLiteral& literal, const AccessColumnType& column) {
  auto result = ConvertLiteral(literal, column, "Col");
  return !result.ok() && result.status().code() == jet::ErrorCode::kInvalidArgument;
}
bool RefusedText(std::string text, const AccessColumnType& column) {
  return Refused(SqlLiteral::Text(std::move(text)), column);
}

TEST(LiteralConversionTest, WholeNumbersRoundHalfToEven) {
  EXPECT_EQ(FromText("0.5", kLong), jet::Value(int32_t{0}));
  EXPECT_EQ(FromText("1.5", kLong), jet::Value(int32_t{2}));
  EXPECT_EQ(FromText("2.5", kLong), jet::Value(int32_t{2}));
  EXPECT_EQ(FromText("-2.5", kLong), jet::Value(int32_t{-2}));
  EXPECT_EQ(FromText("2.5000000000000000001", kLong), jet::Value(int32_t{3}));  // exact, not via double
  EXPECT_EQ(FromText("-0.4", kByte), jet::Value(uint8_t{0}));
  EXPECT_EQ(FromText(" 1e3 ", kInteger), jet::Value(int16_t{1000}));
  EXPECT_EQ(Converted(SqlLiteral::Number("-32768.5"), kInteger), jet::Value(int16_t{-32768}));
  EXPECT_EQ(Converted(SqlLiteral::Boolean(true), kInteger), jet::Value(int16_t{-1}));
  EXPECT_EQ(FromText("9223372036854775807", kBigInt), jet::Value(jet::BigInt{INT64_MAX}));
  EXPECT_EQ(FromText("-9223372036854775808", kBigInt), jet::Value(jet::BigInt{INT64_MIN}));
  EXPECT_EQ(FromText("2147483647.4", kLong), jet::Value(int32_t{2147483647}));

  for (const char* overflow : {"32767.5", "32768", "-32769", "1e5", "1e999999999"})
    EXPECT_TRUE(RefusedText(overflow, kInteger)) << overflow;
  EXPECT_TRUE(RefusedText("255.5", kByte));
  EXPECT_TRUE(RefusedText("-1", kByte));
  EXPECT_TRUE(RefusedText("2147483648", kLong));
  EXPECT_TRUE(RefusedText("9223372036854775808", kBigInt));
  for (const char* junk : {"", " ", "abc", "1,000", "$5", "1e", "--1", "0x10", "1 2", "NaN", "Infinity"})
    EXPECT_TRUE(RefusedText(junk, kLong)) << junk;
  EXPECT_TRUE(Refused(SqlLiteral::Binary({1}), kLong));
}

TEST(LiteralConversionTest, CurrencyKeepsFourDecimals) {
  EXPECT_EQ(FromText("1.23455", kCurrency), jet::Value(jet::Currency{12346}));
  EXPECT_EQ(FromText("1.23445", kCurrency), jet::Value(jet::Currency{12344}));
  EXPECT_EQ(FromText("-0.00005", kCurrency), jet::Value(jet::Currency{0}));
  EXPECT_EQ(FromText("922337203685477.5807", kCurrency), jet::Value(jet::Currency{INT64_MAX}));
  EXPECT_EQ(FromText("-922337203685477.5808", kCurrency), jet::Value(jet::Currency{INT64_MIN}));
  EXPECT_TRUE(RefusedText("922337203685477.5808", kCurrency));
  EXPECT_EQ(FromText("-922337203685477.58085", kCurrency), jet::Value(jet::Currency{INT64_MIN}));  // ties to even
  EXPECT_TRUE(RefusedText("-922337203685477.58086", kCurrency));
}

TEST(LiteralConversionTest, DecimalPrecisionAndScale) {
  const AccessColumnType money{ColumnType::kNumeric, 0, 5, 2};
  EXPECT_EQ(FromText("999.994", money), jet::Value(jet::Decimal{false, 99999, 5, 2}));
  EXPECT_EQ(FromText("-1.005", money), jet::Value(jet::Decimal{true, 100, 5, 2}));
  EXPECT_EQ(FromText("-0.001", money), jet::Value(jet::Decimal{false, 0, 5, 2}));
  EXPECT_TRUE(RefusedText("999.995", money));  // rounds to 1000.00: six digits
  EXPECT_TRUE(RefusedText("1000", money));

  const AccessColumnType widest{ColumnType::kNumeric, 0, 28, 0};
  const std::string nines(28, '9');
  unsigned __int128 all = 0;
  for (int i = 0; i < 28; ++i) all = all * 10 + 9;
  EXPECT_EQ(FromText(nines, widest), jet::Value(jet::Decimal{false, all, 28, 0}));
  EXPECT_EQ(FromText("-" + nines + ".4", widest), jet::Value(jet::Decimal{true, all, 28, 0}));
  EXPECT_TRUE(RefusedText("1" + std::string(28, '0'), widest));
  EXPECT_TRUE(RefusedText(nines + ".5", widest));

  const AccessColumnType fraction{ColumnType::kNumeric, 0, 28, 28};
  EXPECT_EQ(FromText("0." + nines, fraction), jet::Value(jet::Decimal{false, all, 28, 28}));
  EXPECT_TRUE(RefusedText("1", fraction));
  EXPECT_EQ(FromText("1.5e-28", fraction), jet::Value(jet::Decimal{false, 2, 28, 28}));
}

TEST(LiteralConversionTest, FloatingPointTakesTheNearestValue) {
  EXPECT_EQ(FromText("0.1", kDouble), jet::Value(0.1));
  EXPECT_EQ(FromText("-1.7976931348623157e308", kDouble), jet::Value(-DBL_MAX));
  EXPECT_EQ(FromText("1e-400", kDouble), jet::Value(0.0));
  EXPECT_TRUE(RefusedText("1e309", kDouble));
  EXPECT_EQ(FromText("0.1", kSingle), jet::Value(0.1f));
  EXPECT_EQ(FromText("3.4028235e38", kSingle), jet::Value(FLT_MAX));
  // Straight from the digits to the nearest float, not through a double.
  EXPECT_EQ(FromText("1.00000005960464477539062500001", kSingle), jet::Value(std::nextafter(1.0f, 2.0f)));
  EXPECT_TRUE(RefusedText("3.5e38", kSingle));
  EXPECT_EQ(Converted(SqlLiteral::Number("-2.5e-3"), kDouble), jet::Value(-0.0025));
  // A negative zero is stored as zero.
  EXPECT_FALSE(std::signbit(std::get<double>(FromText("-0.0", kDouble))));
  EXPECT_FALSE(std::signbit(std::get<float>(FromText("-0", kSingle))));
}

double Days(const std::string& text) {
  const jet::Value value = FromText(text, kDate);
  return std::holds_alternative<jet::DateTime>(value) ? std::get<jet::DateTime>(value).days : NAN;
}

TEST(LiteralConversionTest, DatesInUsAndIsoForms) {
  constexpr double kMinute = 1.0 / 1440;
  EXPECT_DOUBLE_EQ(Days("1/2/2003"), 37623);
  EXPECT_DOUBLE_EQ(Days("01/02/2003 16:05:00"), 37623 + 965 * kMinute);
  EXPECT_DOUBLE_EQ(Days("1/2/2003 4:05 PM"), 37623 + 965 * kMinute);
  EXPECT_DOUBLE_EQ(Days("2003-01-02 16:05:00"), 37623 + 965 * kMinute);
  EXPECT_DOUBLE_EQ(Days("2003-01-02T16:05"), 37623 + 965 * kMinute);
  EXPECT_DOUBLE_EQ(Days("2003-01-02 16:05:30.5"), 37623 + (965 * 60 + 30.5) / 86400);
  EXPECT_DOUBLE_EQ(Days("12/30/1899"), 0);
  EXPECT_DOUBLE_EQ(Days("12:00 PM"), 0.5);
  EXPECT_DOUBLE_EQ(Days("12:30 am"), 30 * kMinute);
  EXPECT_DOUBLE_EQ(Days("18:00:00"), 0.75);
  EXPECT_DOUBLE_EQ(Days("1/1/29"), Days("1/1/2029"));
  EXPECT_DOUBLE_EQ(Days("1/1/30"), Days("1/1/1930"));
  EXPECT_DOUBLE_EQ(Days("2/29/2020"), 43890);
  EXPECT_DOUBLE_EQ(Days("9999-12-31 23:59:59"), 2958465 + 86399.0 / 86400);
  // Before 1899-12-30: whole days back, the time of day forward.
  EXPECT_DOUBLE_EQ(Days("1899-12-29 06:00:00"), -1.25);
  EXPECT_DOUBLE_EQ(Days("12/28/1899 6:00 PM"), -2.75);
  EXPECT_DOUBLE_EQ(Days("1899-12-29"), -1);
  EXPECT_DOUBLE_EQ(Days("0100-01-01"), -657434);
  // A number is the serial itself.
  EXPECT_EQ(Converted(SqlLiteral::Number("-1.25"), kDate), jet::Value(jet::DateTime{-1.25}));

  for (const char* bad : {"2/29/2021", "1900-02-29", "13/1/2020", "4/31/2020", "0/1/2020", "1/1/0099",
                          "10000-01-01", "2020-1-1x", "2020/01/01", "24:00", "12:60", "13:00 PM", "0:30 AM",
                          "1/2/2003 4:05 XM", "12.5", "2021", "", "yesterday", "1/2", "16:05:",
                          "2003-01-02 16:05:00 PM extra"})
    EXPECT_TRUE(RefusedText(bad, kDate)) << bad;
  EXPECT_TRUE(Refused(SqlLiteral::Number("2958466"), kDate));
  EXPECT_TRUE(Refused(SqlLiteral::Boolean(true), kDate));
}

TEST(LiteralConversionTest, YesNo) {
  for (const char* yes : {"True", "yes", "ON", "-1", "1", "2.5", " true "})
    EXPECT_EQ(FromText(yes, kYesNo), jet::Value(true)) << yes;
  for (const char* no : {"False", "NO", "off", "0", "0.0", "-0"})
    EXPECT_EQ(FromText(no, kYesNo), jet::Value(false)) << no;
  EXPECT_EQ(Converted(SqlLiteral::Null(), kYesNo), jet::Value(false));
  EXPECT_EQ(Converted(SqlLiteral::Boolean(true), kYesNo), jet::Value(true));
  EXPECT_EQ(Converted(SqlLiteral::Number("0"), kYesNo), jet::Value(false));
  EXPECT_TRUE(RefusedText("maybe", kYesNo));
  EXPECT_TRUE(RefusedText("", kYesNo));
}

TEST(LiteralConversionTest, TextLengthsAndBytes) {
  const AccessColumnType text255{ColumnType::kText, 255};
  EXPECT_EQ(FromText(std::string(255, 'x'), text255), jet::Value(std::string(255, 'x')));
  EXPECT_TRUE(RefusedText(std::string(256, 'x'), text255));
  std::string umlauts;
  for (int i = 0; i < 255; ++i) umlauts += "ä";
  EXPECT_EQ(FromText(umlauts, text255), jet::Value(umlauts));  // 510 bytes, 255 characters
  const AccessColumnType text2{ColumnType::kText, 2};
  EXPECT_TRUE(RefusedText("\xF0\x9F\x98\x80x", text2));  // a surrogate pair counts twice
  // Quoted text reaches the engine as it is: its UTF-8 is checked while it is encoded.
  EXPECT_EQ(FromText("bad \xC3", kMemo), jet::Value(std::string("bad \xC3")));
  EXPECT_TRUE(RefusedText("\xC3\xC3\xC3", text2));  // too long to skip the check: 3 bytes for 2 characters
  EXPECT_EQ(FromText(std::string(100000, 'm'), kMemo), jet::Value(std::string(100000, 'm')));
  EXPECT_EQ(FromText("", kMemo), jet::Value(std::string()));
  EXPECT_EQ(Converted(SqlLiteral::Null(), text2), jet::Value(jet::Null{}));
  EXPECT_EQ(Converted(SqlLiteral::Number("+12.50"), kMemo), jet::Value(std::string("12.50")));
  EXPECT_EQ(Converted(SqlLiteral::Boolean(true), kMemo), jet::Value(std::string("-1")));
  // Binary into text: valid UTF-8 only.
  EXPECT_EQ(Converted(SqlLiteral::Binary({'h', 0xC3, 0xA9}), kMemo), jet::Value(std::string("h\xC3\xA9")));
  EXPECT_TRUE(Refused(SqlLiteral::Binary({0xFF, 0x00}), kMemo));

  // Bytes for OLE and Binary(n); text into them as UTF-16LE.
  EXPECT_EQ(Converted(SqlLiteral::Binary({0, 1, 0xFF}), kOle), jet::Value(jet::Binary{{0, 1, 0xFF}}));
  EXPECT_EQ(Converted(SqlLiteral::Binary({}), kOle), jet::Value(jet::Binary{}));
  EXPECT_EQ(FromText("a\xC3\xA9\xF0\x9F\x98\x80", kOle),
            jet::Value(jet::Binary{{'a', 0, 0xE9, 0, 0x3D, 0xD8, 0x00, 0xDE}}));
  const AccessColumnType binary2{ColumnType::kBinary, 2};
  EXPECT_EQ(Converted(SqlLiteral::Binary({7, 8}), binary2), jet::Value(jet::Binary{{7, 8}}));
  EXPECT_TRUE(Refused(SqlLiteral::Binary({7, 8, 9}), binary2));
  EXPECT_TRUE(Refused(SqlLiteral::Number("5"), kOle));
}

TEST(LiteralConversionTest, Guids) {
  const jet::Guid expected{{0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE,
                            0xFF}};
  EXPECT_EQ(FromText("{00112233-4455-6677-8899-AABBCCDDEEFF}", kGuid), jet::Value(expected));
  EXPECT_EQ(FromText("00112233-4455-6677-8899-aabbccddeeff", kGuid), jet::Value(expected));
  for (const char* bad : {"{00112233-4455-6677-8899-AABBCCDDEEF}", "{00112233-4455-6677-8899-AABBCCDDEEFG}",
                          "{001122334-455-6677-8899-AABBCCDDEEFF}", "00112233-4455-6677-8899-AABBCCDDEEFF}", ""})
    EXPECT_TRUE(RefusedText(bad, kGuid)) << bad;
}

TEST(LiteralConversionTest, ErrorsNameTheColumnTypeAndValue) {
  auto result = ConvertLiteral(SqlLiteral::Text("12x"), {ColumnType::kInteger}, "Quantity");
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.status().message(), "The column \"Quantity\" (Integer) cannot take the value '12x': it is not a number.");
  auto date = ConvertLiteral(SqlLiteral::Text("2/29/2021"), kDate, "Born");
  ASSERT_FALSE(date.ok());
  EXPECT_NE(date.status().message().find("\"Born\""), std::string::npos);
  EXPECT_NE(date.status().message().find("has no day 29"), std::string::npos) << date.status().message();
  auto text = ConvertLiteral(SqlLiteral::Text(std::string(300, 'z')), {ColumnType::kText, 10}, "Code");
  ASSERT_FALSE(text.ok());
  EXPECT_NE(text.status().message().find("300 characters"), std::string::npos);
  EXPECT_NE(text.status().message().find("'zzzz"), std::string::npos) << text.status().message();
  // A literal the caller keeps converts the same way and stays as it was.
  const SqlLiteral kept = SqlLiteral::Text("keep");
  EXPECT_EQ(ConvertLiteral(kept, {ColumnType::kMemo}, "Notes").value(), jet::Value(std::string("keep")));
  EXPECT_EQ(kept.text, "keep");
  EXPECT_LT(text.status().message().size(), 200u);  // the value is shown shortened
  EXPECT_EQ(ConvertLiteral(SqlLiteral::Text("x"), {ColumnType::kComplex}, "c").status().code(),
            jet::ErrorCode::kUnsupported);
}

}  // namespace
}  // namespace ado::access
