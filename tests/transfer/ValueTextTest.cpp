// The texts the copies write: column classes, value literals on both sides, date
// recognition and quoted names.
#include "ado/Constants.h"
#include "transfer/AccessColumns.h"
#include "transfer/DateText.h"
#include "transfer/SQLiteColumns.h"
#include "transfer/SqlNames.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <limits>

namespace {

using ado::Variant;

std::string SQLiteLiteral(const Variant& v, bool numeric) {
  std::string s;
  transfer::AppendSQLiteLiteral(s, v, numeric);
  return s;
}

std::string AccessLiteral(const Variant& v) {
  std::string s;
  transfer::AppendAccessLiteral(s, v);
  return s;
}

TEST(SQLiteColumnClassTest, FollowsTheTypeNameTestsInOrder) {
  struct Case {
    int type;
    const char* piece;
    bool numeric;
  };
  const Case cases[] = {
      {ado::adVarWChar, " TEXT,", false},       {ado::adLongVarWChar, " TEXT,", false},
      {ado::adLongVarBinary, " TEXT,", false},  {ado::adDouble, " NUMERIC,", true},
      {ado::adSmallInt, " INTEGER,", true},     {ado::adUnsignedTinyInt, " INTEGER,", true},
      {ado::adInteger, " INTEGER,", true},      {ado::adBigInt, " INTEGER,", true},
      {ado::adCurrency, " NUMERIC,", true},     {ado::adNumeric, " NUMERIC,", true},
      {ado::adDecimal, " NUMERIC,", true},      {ado::adDate, " TEXT,", false},
      {ado::adDBTimeStamp, " TEXT,", false},    {ado::adBoolean, " INTEGER,", true},
      {ado::adSingle, " TEXT,", false},         {ado::adGUID, " TEXT,", false},
      {ado::adBinary, " TEXT,", false},         {999, " TEXT,", false},
  };
  for (const Case& c : cases) {
    const auto kind = transfer::ClassifyForSQLite(static_cast<std::int16_t>(c.type));
    EXPECT_STREQ(kind.piece, c.piece) << c.type;
    EXPECT_EQ(kind.numeric, c.numeric) << c.type;
  }
}

TEST(AccessColumnClassTest, FollowsTheTypeNameTestsInOrder) {
  const std::pair<int, const char*> cases[] = {
      {ado::adVarWChar, "` TEXT,"},        {ado::adLongVarWChar, "` TEXT,"},  {ado::adDecimal, "` DECIMAL,"},
      {ado::adSingle, "` INT,"},           {ado::adInteger, "` INT,"},        {ado::adBigInt, "` INT,"},
      {ado::adLongVarBinary, "` OLEOBJECT,"}, {ado::adNumeric, "` INT,"},    {ado::adDate, "` DATETIME,"},
      {ado::adDBTimeStamp, "` DATETIME,"}, {ado::adDouble, "` FLOAT,"},      {ado::adBoolean, "` VARCHAR,"},
      {ado::adCurrency, "` VARCHAR,"},     {ado::adVarBinary, "` VARCHAR,"},  {999, "` VARCHAR,"},
  };
  for (const auto& [type, piece] : cases)
    EXPECT_STREQ(transfer::ClassifyForAccess(static_cast<std::int16_t>(type)), piece) << type;
}

TEST(SQLiteLiteralTest, NumericFieldsAreBareAndExact) {
  EXPECT_EQ(SQLiteLiteral(Variant::int32(7), true), "7");
  EXPECT_EQ(SQLiteLiteral(Variant::boolean(true), true), "1");
  EXPECT_EQ(SQLiteLiteral(Variant::boolean(false), true), "0");
  EXPECT_EQ(SQLiteLiteral(Variant::real(0.1), true), "0.1");
  EXPECT_EQ(SQLiteLiteral(Variant::real(1e20), true), "1e+20");
  EXPECT_EQ(SQLiteLiteral(Variant::real(1.0 / 3.0), true), "0.3333333333333333");
  EXPECT_EQ(SQLiteLiteral(Variant::currency({35000}), true), "3.5");
  EXPECT_EQ(SQLiteLiteral(Variant::null(), true), "NULL");
  EXPECT_EQ(SQLiteLiteral(Variant::real(std::numeric_limits<double>::infinity()), true), "9e999");
  EXPECT_EQ(SQLiteLiteral(Variant::real(std::nan("")), true), "NULL");
  // A numeric field holding text (never from Access) is still quoted, never read as SQL.
  EXPECT_EQ(SQLiteLiteral(Variant::text("1); DROP TABLE t; --"), true), "'1); DROP TABLE t; --'");
}

TEST(SQLiteLiteralTest, OtherFieldsAreQuotedDatedOrBlobs) {
  EXPECT_EQ(SQLiteLiteral(Variant::text("O'Brien"), false), "'O''Brien'");
  EXPECT_EQ(SQLiteLiteral(Variant::text(""), false), "NULL");
  EXPECT_EQ(SQLiteLiteral(Variant::null(), false), "NULL");
  // A Single keeps its own shortest text, quoted.
  EXPECT_EQ(SQLiteLiteral(Variant::single(0.1f), false), "'0.1'");
  EXPECT_EQ(SQLiteLiteral(Variant::single(12.5f), false), "'12.5'");
  EXPECT_EQ(SQLiteLiteral(Variant::text("12/25/2020"), false), "'12/25/2020'");
  EXPECT_EQ(SQLiteLiteral(Variant::text("1/2/2003 4:05 PM"), false), "'01/02/2003 16:05:00'");
  EXPECT_EQ(SQLiteLiteral(Variant::text("2021"), false), "'2021'");
  EXPECT_EQ(SQLiteLiteral(Variant::bytes({0x00, 0x27, 0xFF}), false), "X'0027FF'");
  EXPECT_EQ(SQLiteLiteral(Variant::bytes({}), false), "X''");
  // 2021-03-07 14:05:09, midnight, and a time alone on the zero date.
  const double day = 44262;  // 03/07/2021
  EXPECT_EQ(SQLiteLiteral(Variant::date({day + (14 * 3600 + 5 * 60 + 9) / 86400.0}), false),
            "'03/07/2021 14:05:09'");
  EXPECT_EQ(SQLiteLiteral(Variant::date({day}), false), "'03/07/2021'");
  EXPECT_EQ(SQLiteLiteral(Variant::date({10.5 / 24}), false), "'12/30/1899 10:30:00'");
}

// SQLite stops reading a statement at a zero byte: a text holding one is written as an
// expression, and SQLite stores exactly the text, zeros and apostrophes included.
TEST(SQLiteLiteralTest, TextWithZeroCharactersReachesSQLiteWhole) {
  using namespace std::string_literals;
  EXPECT_EQ(SQLiteLiteral(Variant::text("a\0b"s), false), "'a'||char(0)||'b'");
  EXPECT_EQ(SQLiteLiteral(Variant::text("\0\0'x\0"s), false), "char(0,0)||'''x'||char(0)");
  EXPECT_EQ(SQLiteLiteral(Variant::text("1\0/2/2003"s), false), "'1'||char(0)||'/2/2003'");  // not a date
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
  for (const std::string& text : {"a\0b"s, "\0"s, "\0\0'x\0"s, "'\0\0'"s, std::string(3000, '\0') + "end"}) {
    const std::string sql = "SELECT " + SQLiteLiteral(Variant::text(text), false);
    sqlite3_stmt* statement = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_type(statement, 0), SQLITE_TEXT);
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    EXPECT_EQ(std::string(bytes, static_cast<size_t>(sqlite3_column_bytes(statement, 0))), text);
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
}

TEST(DateTextTest, RecognisesOnlyRealDatesInTheListedForms) {
  const std::pair<const char*, const char*> dates[] = {
      {"12/25/2020", "12/25/2020"},           {"1/2/2003 4:05 PM", "01/02/2003 16:05:00"},
      {"1/2/03", "01/02/2003"},               {"1/2/30", "01/02/1930"},
      {"2021-03-07", "03/07/2021"},           {"2021-3-7 14:05:09", "03/07/2021 14:05:09"},
      {"2/29/2024", "02/29/2024"},            {"12/31/1999 12:00 am", "12/31/1999 00:00:00"},
      {"7/4/1776 0:00", "07/04/1776 00:00:00"},
  };
  for (const auto& [text, formatted] : dates) {
    const auto parts = transfer::RecogniseDateText(text);
    ASSERT_TRUE(parts) << text;
    EXPECT_EQ(transfer::FormatDateTime(*parts), formatted) << text;
  }
  for (const char* text : {"12.5", "2021", "10:30", "2/29/2023", "13/1/2020", "1/32/2020", "1/2/203",
                           "2021-03-07T10:00:00", " 1/2/2003", "1/2/2003 ", "1/2/2003 25:00", "1/2/2003 13:00 PM",
                           "1/2/2003 4:5", "1.2.2003", "1/2/2003; DROP", ""}) {
    EXPECT_FALSE(transfer::RecogniseDateText(text)) << text;
  }
}

TEST(AccessLiteralTest, EveryValueQuotedTextBinaryAsBytes) {
  EXPECT_EQ(AccessLiteral(Variant::int64(7)), "'7'");
  EXPECT_EQ(AccessLiteral(Variant::text("O'Brien")), "'O''Brien'");
  EXPECT_EQ(AccessLiteral(Variant::null()), "NULL");
  EXPECT_EQ(AccessLiteral(Variant::text("")), "NULL");
  EXPECT_EQ(AccessLiteral(Variant::real(0.1)), "'0.1'");
  EXPECT_EQ(AccessLiteral(Variant::bytes({0xDE, 0xAD, 0x00})), "0xDEAD00");
}

TEST(SqlNamesTest, DelimitersInsideNamesCannotEndTheName) {
  EXPECT_EQ(transfer::SQLiteQuoted(QStringLiteral("Customers")), "\"Customers\"");
  EXPECT_EQ(transfer::SQLiteQuoted(QStringLiteral("a\"b")), "\"a\"\"b\"");
  EXPECT_EQ(transfer::SQLiteBracketed(QStringLiteral("my table")), "[my table]");
  EXPECT_EQ(transfer::SQLiteBracketed(QStringLiteral("a]\"b")), "\"a]\"\"b\"");
  EXPECT_EQ(transfer::AccessQuoted(QStringLiteral("O'Brien")), "`O'Brien`");
  EXPECT_EQ(transfer::AccessQuoted(QStringLiteral("a`b")), "`a``b`");
}

}  // namespace
