// The decoders and encoders below the table level: text, the dump's number and date
// forms, the row codec's encoder against its decoder, usage maps.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>

#include "CorpusFiles.h"
#include "GoldenDump.h"
#include "JsonText.h"
#include "jet/Database.h"
#include "jet/RowCodec.h"
#include "jet/Text.h"
#include "jet/UsageMap.h"
#include "jet/ValueCodec.h"

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<uint8_t> out;
  for (int v : values) out.push_back(static_cast<uint8_t>(v));
  return out;
}

TEST(Text, CompressedUnicodeCodePagesAndSurrogates) {
  // FF FE, then one-byte run "ab", 00 switches to two-byte run U+20AC, 00 back to one byte "c".
  EXPECT_EQ(jet::DecodeJet4Text(Bytes({0xFF, 0xFE, 'a', 'b', 0x00, 0xAC, 0x20, 0x00, 'c'})), "ab\u20AC" "c");
  EXPECT_EQ(jet::DecodeJet4Text(Bytes({'h', 0, 'i', 0})), "hi");
  // Windows-1252: 0x80 is the euro sign, 0x81 is undefined.
  EXPECT_EQ(jet::DecodeCodePageText(Bytes({0x80, 0x81, 0xE9}), 1252), "\u20AC\uFFFD\u00E9");
  // A surrogate pair becomes one code point; a lone one survives and is escaped in JSON.
  EXPECT_EQ(jet::DecodeUtf16Le(Bytes({0x3D, 0xD8, 0x00, 0xDE})), "\U0001F600");
  std::string json;
  jettool::AppendJsonString(json, jet::DecodeUtf16Le(Bytes({0x3D, 0xD8, 'x', 0})));
  EXPECT_EQ(json, "\"\\ud83dx\"");
  json.clear();
  jettool::AppendJsonString(json, "q\"\\\n\x01/");
  EXPECT_EQ(json, "\"q\\\"\\\\\\n\\u0001/\"");
  // Uncompressed text with a character outside the basic plane (the writer's encoding of it is
  // pinned in the writer's tests).
  EXPECT_EQ(jet::DecodeJet4Text(Bytes({0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE})), "\u20AC\U0001F600");
}

TEST(DumpForms, NumbersAsJavaScriptPrintsThem) {
  auto number = [](double d) {
    std::string s;
    jettool::AppendJsonNumber(s, d);
    return s;
  };
  EXPECT_EQ(number(444.555), "444.555");
  EXPECT_EQ(number(static_cast<double>(0.1f)), "0.10000000149011612");
  EXPECT_EQ(number(1e-7), "1e-7");
  EXPECT_EQ(number(0.000001), "0.000001");
  EXPECT_EQ(number(1.5e21), "1.5e+21");
  EXPECT_EQ(number(1e21), "1e+21");
  EXPECT_EQ(number(123456789012345680000.0), "123456789012345680000");
  EXPECT_EQ(number(-0.0), "0");
  EXPECT_EQ(number(-2.5), "-2.5");
  EXPECT_EQ(number(std::nan("")), "\"NaN\"");
  EXPECT_EQ(number(-std::numeric_limits<double>::infinity()), "\"-Infinity\"");
}

TEST(DumpForms, DatesFoldNegativeDaysAsAccessDoes) {
  EXPECT_EQ(jettool::FormatDateTime(0), "1899-12-30T00:00:00");
  EXPECT_EQ(jettool::FormatDateTime(-1.25), "1899-12-29T06:00:00");
  EXPECT_EQ(jettool::FormatDateTime(-1.0), "1899-12-29T00:00:00");
  EXPECT_EQ(jettool::FormatDateTime(25569.5), "1970-01-01T12:00:00");
  EXPECT_EQ(jettool::FormatDateTime(1.0 + 1.0 / 86400000.0), "1899-12-31T00:00:00.001");
  EXPECT_EQ(jettool::FormatDateTime(-693593.0), "0001-01-01T00:00:00");
  EXPECT_EQ(jettool::FormatDateTime(1e300), "invalid-date");
}

TEST(DumpForms, MoneyDecimalGuidAndExtendedDates) {
  auto json = [](const jet::Value& v) {
    std::string s;
    jettool::AppendValueJson(s, v);
    return s;
  };
  EXPECT_EQ(json(jet::Currency{-10000}), "\"-1.0000\"");
  EXPECT_EQ(json(jet::Currency{35000}), "\"3.5000\"");
  EXPECT_EQ(json(jet::Currency{std::numeric_limits<int64_t>::min()}), "\"-922337203685477.5808\"");
  EXPECT_EQ(json(jet::Decimal{false, 12300, 18, 6}), "\"0.012300\"");
  EXPECT_EQ(json(jet::Decimal{true, 4, 18, 0}), "\"-4\"");
  jet::Guid g;
  const auto raw = Bytes({0x6a, 0x27, 0x39, 0x8e, 0xa8, 0xbc, 0xc4, 0x4a, 0x89, 0x1e, 0x49, 0x91, 0x1d, 0x84, 0x38, 0xdd});
  std::copy(raw.begin(), raw.end(), g.bytes.begin());
  EXPECT_EQ(json(g), "\"8e39276a-bca8-4ac4-891e-49911d8438dd\"");
}

// A Date/Time Extended value as Access 2019 stores it: 19 digits of days since 0001-01-01, ':',
// 12 digits of seconds since midnight run together with 7 digits of 100 ns, ":7", a zero byte.
std::string StoredExtended(int y, unsigned m, unsigned d, long long seconds, long long ticks) {
  using namespace std::chrono;
  const long long days = (sys_days{year{y} / month{m} / day{d}} - sys_days{year{1} / January / 1}).count();
  char text[64];
  std::snprintf(text, sizeof text, "%019lld:%012lld%07lld:7", days, seconds, ticks);
  std::string stored(text);
  stored.push_back('\0');
  return stored;
}

jet::Result<jet::DateTimeExtended> ParseExtended(const std::string& stored) {
  return jet::ParseDateTimeExtended(
      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(stored.data()), stored.size()));
}

TEST(DateTimeExtended, AccessLayoutAcrossTheCenturies) {
  struct Case {
    int year;
    unsigned month, day;
    long long seconds, ticks;
    const char* shown;
  };
  const Case cases[] = {
      {1, 1, 1, 0, 1, "0001-01-01T00:00:00.0000001"},
      {100, 2, 28, 23 * 3600 + 59 * 60 + 59, 9999999, "0100-02-28T23:59:59.9999999"},
      {1265, 3, 14, 12 * 3600 + 30 * 60 + 15, 1234567, "1265-03-14T12:30:15.1234567"},
      {1765, 12, 31, 60, 5000000, "1765-12-31T00:01:00.5000000"},
      {1899, 12, 30, 6 * 3600, 10, "1899-12-30T06:00:00.0000010"},
      {2021, 7, 4, 12 * 3600 + 34 * 60 + 56, 7654321, "2021-07-04T12:34:56.7654321"},
      {9999, 12, 31, 86399, 9999999, "9999-12-31T23:59:59.9999999"},
  };
  for (const Case& c : cases) {
    const std::string stored = StoredExtended(c.year, c.month, c.day, c.seconds, c.ticks);
    ASSERT_EQ(stored.size(), 42u);
    auto parsed = ParseExtended(stored);
    ASSERT_TRUE(parsed.ok()) << c.shown << ": " << parsed.status().message();
    EXPECT_EQ(parsed->seconds, c.seconds);
    EXPECT_EQ(parsed->ticks, c.ticks);
    std::string json;
    jettool::AppendValueJson(json, jet::Value(*parsed));
    EXPECT_EQ(json, "\"" + std::string(c.shown) + "\"");
  }
}

TEST(DateTimeExtended, MisshapenOrOutOfRangeValuesAreRefused) {
  const std::string good = StoredExtended(2021, 7, 4, 45296, 7654321);
  ASSERT_TRUE(ParseExtended(good).ok());
  std::string oldGuess = good.substr(0, 32) + ":" + good.substr(32);  // a ':' before the fraction
  EXPECT_FALSE(ParseExtended(oldGuess).ok());
  std::string letter = good;
  letter[25] = 'x';
  EXPECT_FALSE(ParseExtended(letter).ok());
  std::string otherDigits = good;
  otherDigits[40] = '3';  // a fraction of another length would be misread
  EXPECT_FALSE(ParseExtended(otherDigits).ok());
  EXPECT_FALSE(ParseExtended(good.substr(0, 30)).ok());
  EXPECT_FALSE(ParseExtended(StoredExtended(2021, 7, 4, 86400, 0)).ok());
  EXPECT_FALSE(ParseExtended(StoredExtended(9999, 12, 31, 0, 0).replace(0, 19, "0000000000003652059")).ok());
}

// Re-encoding every row of Access-made tables gives rows that decode to the same values.
TEST(RowCodec, EncoderRoundTripsAccessRows) {
  for (const char* relative : {"mdb-reader/V2000/test.mdb", "jackcess/V2007/test2V2007.accdb",
                               "mdb-reader/V2007/numeric.accdb"}) {
    auto db = jet::Database::Open((jettest::CorpusDir() / relative).string(), {});
    ASSERT_TRUE(db.ok()) << db.status().message();
    size_t rows = 0;
    for (const auto* table : (*db)->catalog().userTables()) {
      auto def = (*db)->tableDef(table->name);
      ASSERT_TRUE(def.ok());
      auto cursor = (*db)->scan(table->name);
      ASSERT_TRUE(cursor.ok());
      jet::RowDecoder decoder(**def, (*db)->file().format());
      while (true) {
        auto more = cursor->next();
        ASSERT_TRUE(more.ok()) << more.status().message();
        if (!*more) break;
        auto encoded = jet::EncodeRow(**def, (*db)->file().format(), cursor->fields(), table->name);
        ASSERT_TRUE(encoded.ok()) << encoded.status().message();
        std::vector<jet::FieldSlice> again;
        ASSERT_TRUE(decoder.split(*encoded, again, table->name).ok());
        for (size_t i = 0; i < again.size(); ++i) {
          auto original = cursor->value(i);
          auto copy = jet::DecodeValue((*db)->file(), (*def)->columns[i], again[i], "copy");
          ASSERT_TRUE(original.ok() && copy.ok());
          EXPECT_TRUE(*original == *copy) << relative << " " << table->name << " column " << (*def)->columns[i].name;
        }
        ++rows;
      }
    }
    EXPECT_GT(rows, 0u) << relative;
  }
}

TEST(UsageMap, InlineMapWalksAddsRemovesAndEncodes) {
  auto db = jet::Database::Open((jettest::CorpusDir() / "mdb-reader/V2000/test.mdb").string(), {});
  ASSERT_TRUE(db.ok());
  // Inline map starting at page 8: bits 0 and 9 set = pages 8 and 17.
  auto row = Bytes({0x00, 8, 0, 0, 0, 0x01, 0x02, 0x00, 0x00});
  auto map = jet::UsageMap::Parse(row, (*db)->file().format(), "test map");
  ASSERT_TRUE(map.ok());
  auto pages = [&](const jet::UsageMap& m) {
    std::vector<uint32_t> out;
    uint32_t cursor = 0;
    while (true) {
      auto next = m.next((*db)->file(), cursor);
      EXPECT_TRUE(next.ok());
      if (!next.ok() || !next->has_value()) return out;
      out.push_back(**next);
    }
  };
  EXPECT_EQ(pages(*map), (std::vector<uint32_t>{8, 17}));
  ASSERT_TRUE(map->add((*db)->file(), 39).ok());
  ASSERT_TRUE(map->remove((*db)->file(), 8).ok());
  EXPECT_EQ(pages(*map), (std::vector<uint32_t>{17, 39}));
  EXPECT_EQ(map->add((*db)->file(), 40).code(), jet::ErrorCode::kUnsupported);  // beyond the inline bitmap
  EXPECT_EQ(map->add((*db)->file(), 7).code(), jet::ErrorCode::kUnsupported);
  auto again = jet::UsageMap::Parse(map->encodeInlineRow(), (*db)->file().format(), "test map");
  ASSERT_TRUE(again.ok());
  EXPECT_EQ(pages(*again), (std::vector<uint32_t>{17, 39}));
}

}  // namespace
