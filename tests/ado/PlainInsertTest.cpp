// A prepared INSERT run with bound values must leave exactly what the statement with the
// values' literals leaves when SQLite parses it: every row goes through an ado::Command into
// one file and as literal text through sqlite3_exec into a twin, and the two tables must hold
// the same values of the same storage classes.
#include <gtest/gtest.h>

#include <random>

#include "TestDatabase.h"
#include "ado/Connection.h"
#include "ado/Error.h"
#include "ado/Command.h"
#include "ado/SqlText.h"
#include "ado/sqlite/SQLiteLiteral.h"

#include <cmath>
#include <limits>

namespace ado_test {
namespace {

// Every row of table t as "typeof:quote" cells, read with libsqlite3 itself.
std::vector<std::string> Cells(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_stmt* stmt = nullptr;
  std::vector<std::string> out;
  if (sqlite3_prepare_v2(db, "SELECT * FROM t ORDER BY rowid", -1, &stmt, nullptr) == SQLITE_OK) {
    sqlite3_stmt* quote = nullptr;
    sqlite3_prepare_v2(db, "SELECT typeof(?1) || ':' || quote(?1)", -1, &quote, nullptr);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
        sqlite3_bind_value(quote, 1, sqlite3_column_value(stmt, i));
        sqlite3_step(quote);
        out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(quote, 0)));
        sqlite3_reset(quote);
      }
    }
    sqlite3_finalize(quote);
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return out;
}

// Runs each row through a prepared command into `ours` and as SQLite's text into `theirs`.
// A row is pairs of the literal as written and the value bound for it.
using ado::Variant;
using Row = std::vector<std::pair<std::string, Variant>>;
void InsertBoth(const std::string& ours, const std::string& theirs, const std::vector<Row>& rows) {
  ado::Connection connection;
  connection.Open(SQLiteConnectionString(ours));
  std::string markers;
  for (size_t c = 0; c < rows.front().size(); ++c) markers += c ? ", ?" : "?";
  ado::Command insert(connection, "INSERT INTO [t] VALUES(" + markers + ")");
  for (const Row& row : rows) {
    std::string literals;
    std::vector<Variant> values;
    for (const auto& [literal, value] : row) {
      literals += (literals.empty() ? "" : ", ") + literal;
      values.push_back(value);
    }
    insert.Execute(values);
    RunSql(theirs, "INSERT INTO [t] VALUES(" + literals + ")");
  }
}

TEST(PlainInsertTest, BoundValuesMatchWhatSQLiteParses) {
  TempFolder folder;
  const std::string ours = folder.file("ours.db"), theirs = folder.file("theirs.db");
  // Every affinity, so that each value meets each conversion rule.
  const std::string create =
      "CREATE TABLE t (i INTEGER, r REAL, n NUMERIC, x TEXT, b BLOB, v VARCHAR(10), d DECIMAL(18,4))";
  RunSql(ours, create);
  RunSql(theirs, create);
  std::vector<std::pair<std::string, Variant>> cells;
  // Number literals as SQLite's parser reads them.
  for (const char* number : {"0", "-0", "+7", "007", "-42", "9223372036854775807", "-9223372036854775808",
                             "9223372036854775808", "18446744073709552000", "1.0", "-0.0", "2.5", "1e3", "1.5E-3",
                             "0.1", "123456789012345678901234567890", "3.0e+5", "5e-324", "1e-400"})
    cells.emplace_back(number, ado::sqlite::SQLiteNumberLiteral(number));
  // Other values as their literals write them.
  const double inf = std::numeric_limits<double>::infinity();
  for (const Variant& value :
       {Variant::null(), Variant::real(inf), Variant::real(-inf), Variant::real(0.1), Variant::int64(-3),
        Variant::text(""), Variant::text("abc"), Variant::text("O'Brien"), Variant::text("'"), Variant::text("12"),
        Variant::text(" 12 "), Variant::text("1.50"), Variant::text("1e3"), Variant::text("0x10"),
        Variant::text("caf\xC3\xA9 \xE6\x97\xA5"), Variant::text(std::string("a\0b\0\0", 5)),
        Variant::text(std::string("\0", 1)), Variant::bytes({}), Variant::bytes({0x00, 0xFF}),
        Variant::bytes({'A', 'B', 'C'}), Variant::text("a;b")}) {
    std::string literal;
    ado::sqlite::AppendSQLiteLiteral(literal, value);
    cells.emplace_back(literal, value);
  }
  std::vector<Row> rows;
  for (const auto& cell : cells) rows.push_back(Row(7, cell));
  InsertBoth(ours, theirs, rows);
  const auto mine = Cells(ours), sqlites = Cells(theirs);
  ASSERT_EQ(mine.size(), sqlites.size());
  for (size_t k = 0; k < mine.size(); ++k) EXPECT_EQ(mine[k], sqlites[k]) << cells[k / 7].first << " column " << k % 7;
}

TEST(PlainInsertTest, RandomRowsMatchWhatSQLiteParses) {
  TempFolder folder;
  const std::string ours = folder.file("ours.db"), theirs = folder.file("theirs.db");
  const std::string create = "CREATE TABLE t (i INTEGER, r REAL, n NUMERIC, x TEXT, b BLOB)";
  RunSql(ours, create);
  RunSql(theirs, create);
  std::mt19937 random(20261207);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  auto cell = [&]() -> std::pair<std::string, Variant> {
    static const char* const kDigits = "0123456789";
    std::string out;
    switch (pick(5)) {
      case 0: return {"NULL", Variant::null()};
      case 1: {  // whole numbers, some past 64 bits, with signs and leading zeros
        if (pick(3) == 0) out += pick(2) ? "-" : "+";
        for (int k = 1 + pick(22); k > 0; --k) out += kDigits[pick(10)];
        return {out, ado::sqlite::SQLiteNumberLiteral(out)};
      }
      case 2: {  // decimals and exponents, up to 15 digits (SQLite's parser rounds longer ones its own way)
        if (pick(2)) out += "-";
        for (int k = 1 + pick(8); k > 0; --k) out += kDigits[pick(10)];
        if (pick(3)) {
          out += '.';
          for (int k = pick(7); k > 0; --k) out += kDigits[pick(10)];
        }
        if (pick(3) == 0) out += (pick(2) ? "e-" : "E") + std::to_string(pick(320));
        return {out, ado::sqlite::SQLiteNumberLiteral(out)};
      }
      case 3: {  // text, with quotes, digits and non-ASCII characters
        static const char* const kPieces[] = {"a", "'", " ", "7", ".5", "e3", "\xC3\xA9", "\xE6\x97\xA5", ";", ")"};
        for (int k = pick(8); k > 0; --k) out += kPieces[pick(10)];
        std::string literal;
        ado::AppendQuotedText(literal, out);
        return {literal, Variant::text(out)};
      }
      default: {
        ado::Bytes bytes;
        for (int k = pick(6); k > 0; --k) bytes.push_back(static_cast<std::uint8_t>(random()));
        std::string literal;
        ado::sqlite::AppendSQLiteBlob(literal, bytes);
        return {literal, Variant::bytes(bytes)};
      }
    }
  };
  std::vector<Row> rows;
  for (int row = 0; row < 400; ++row) {
    rows.emplace_back();
    for (int c = 0; c < 5; ++c) rows.back().push_back(cell());
  }
  InsertBoth(ours, theirs, rows);
  const auto mine = Cells(ours), sqlites = Cells(theirs);
  ASSERT_EQ(mine.size(), sqlites.size());
  for (size_t k = 0; k < mine.size(); ++k) EXPECT_EQ(mine[k], sqlites[k]) << rows[k / 5][k % 5].first;
}

TEST(PlainInsertTest, FaultsAreReportedAsSQLiteReportsThemWithTheValuesInPlace) {
  TempFolder folder;
  const std::string path = folder.file("f.db");
  RunSql(path, "CREATE TABLE t (a INTEGER NOT NULL, b TEXT UNIQUE)");
  ado::Connection connection;
  connection.Open(SQLiteConnectionString(path));
  ado::Command insert(connection, "INSERT INTO \"t?\" VALUES(?, ?)");
  ado::Command plain(connection, "INSERT INTO t VALUES(?, ?)");
  ado::Command missing(connection, "INSERT INTO missing VALUES(?)");
  plain.Execute({Variant::int64(1), Variant::text("x")});
  auto messageOf = [&](ado::Command& command, const std::vector<Variant>& values) {
    try {
      command.Execute(values);
    } catch (const ado::Error& e) {
      return e.description();
    }
    return std::string("no error");
  };
  EXPECT_NE(messageOf(plain, {Variant::int64(2), Variant::text("x")})
                .find("UNIQUE constraint failed: t.b (statement: INSERT INTO t VALUES(2, 'x');"),
            std::string::npos);
  EXPECT_NE(messageOf(plain, {Variant::null(), Variant::text("it's")})
                .find("NOT NULL constraint failed: t.a (statement: INSERT INTO t VALUES(NULL, 'it''s');"),
            std::string::npos);
  EXPECT_NE(messageOf(insert, {Variant::int64(1)}).find("no such table: t?"), std::string::npos);
  EXPECT_NE(messageOf(missing, {Variant::int64(1)}).find("no such table: missing"), std::string::npos);
  // Values that do not fill the markers: the statement as written with the values given.
  EXPECT_EQ(plain.TextWithValues({Variant::int64(5)}), "INSERT INTO t VALUES(5)");
  EXPECT_EQ(plain.TextWithValues({}), "INSERT INTO t VALUES()");
  EXPECT_NE(messageOf(plain, {Variant::int64(5)}).find("2 columns but 1 values"), std::string::npos);
  // The table changes under a prepared statement: the new one is used.
  connection.Execute("DROP TABLE t");
  connection.Execute("CREATE TABLE t (a, b, c)");
  EXPECT_NE(messageOf(plain, {Variant::int64(1), Variant::text("x")}).find("3 columns but 2 values"),
            std::string::npos);
  connection.Execute("DROP TABLE t");
  connection.Execute("CREATE TABLE t (a, b)");
  plain.Execute({Variant::int64(1), Variant::int64(2)});
  connection.Close();
  EXPECT_NE(messageOf(plain, {Variant::int64(1), Variant::int64(2)}).find("closed"), std::string::npos);
  EXPECT_EQ(Cells(path), (std::vector<std::string>{"integer:1", "integer:2"}));
}

}  // namespace
}  // namespace ado_test
