// Plain INSERT statements run with bound values must leave exactly what SQLite's own parser
// leaves: every statement goes through the provider into one file and through sqlite3_exec
// into a twin, and the two tables must hold the same values of the same storage classes.
#include <gtest/gtest.h>

#include <random>

#include "TestDatabase.h"
#include "ado/Connection.h"
#include "ado/Error.h"
#include "ado/sqlite/InsertValues.h"

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

TEST(PlainInsertTest, BoundValuesMatchWhatSQLiteParses) {
  TempFolder folder;
  const std::string ours = folder.file("ours.db"), theirs = folder.file("theirs.db");
  // Every affinity, so that each literal meets each conversion rule.
  const std::string create =
      "CREATE TABLE t (i INTEGER, r REAL, n NUMERIC, x TEXT, b BLOB, v VARCHAR(10), d DECIMAL(18,4))";
  RunSql(ours, create);
  RunSql(theirs, create);
  const std::vector<std::string> literals = {
      "NULL", "0", "-0", "+7", "007", "-42", "9223372036854775807", "-9223372036854775808",
      "9223372036854775808", "1.0", "-0.0", "2.5", "1e3", "1.5E-3", "0.1", "123456789012345678901234567890",
      "3.0e+5", "''", "'abc'", "'O''Brien'", "''''", "'12'", "' 12 '", "'1.50'", "'1e3'", "'0x10'",
      "'caf\xC3\xA9 \xE6\x97\xA5'", "X''", "x'00FF'", "X'414243'", "'a;b'"};
  ado::Connection connection;
  connection.Open(SQLiteConnectionString(ours));
  for (const auto& literal : literals) {
    const std::string row = "(" + literal + ", " + literal + ", " + literal + ", " + literal + ", " + literal +
                            ", " + literal + ", " + literal + ")";
    connection.Execute("INSERT INTO [t] VALUES" + row);
    RunSql(theirs, "INSERT INTO [t] VALUES" + row);
  }
  // Spacing, case and an ending semicolon do not change the statement.
  connection.Execute("  insert   into \"t\"values( 1 ,'a',NULL,2.5,X'01',3,4 ) ;  ");
  RunSql(theirs, "  insert   into \"t\"values( 1 ,'a',NULL,2.5,X'01',3,4 ) ;  ");
  connection.Close();
  EXPECT_EQ(Cells(ours), Cells(theirs));
}

TEST(PlainInsertTest, RandomRowsMatchWhatSQLiteParses) {
  TempFolder folder;
  const std::string ours = folder.file("ours.db"), theirs = folder.file("theirs.db");
  const std::string create = "CREATE TABLE t (i INTEGER, r REAL, n NUMERIC, x TEXT, b BLOB)";
  RunSql(ours, create);
  RunSql(theirs, create);
  std::mt19937 random(20261207);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  // Literals of every kind the fast path takes, and some it leaves to SQLite.
  auto literal = [&]() -> std::string {
    static const char* const kDigits = "0123456789";
    std::string out;
    switch (pick(6)) {
      case 0: return "NULL";
      case 1: {  // whole numbers, some past 64 bits, with signs and leading zeros
        if (pick(3) == 0) out += pick(2) ? "-" : "+";
        for (int k = 1 + pick(22); k > 0; --k) out += kDigits[pick(10)];
        return out;
      }
      case 2: {  // decimals and exponents
        if (pick(2)) out += "-";
        for (int k = 1 + pick(18); k > 0; --k) out += kDigits[pick(10)];
        if (pick(3)) {
          out += '.';
          for (int k = pick(18); k > 0; --k) out += kDigits[pick(10)];
        }
        if (pick(3) == 0) out += (pick(2) ? "e-" : "E") + std::to_string(pick(320));
        return out;
      }
      case 3: {  // text, with quotes, digits and non-ASCII characters
        static const char* const kPieces[] = {"a", "''", " ", "7", ".5", "e3", "\xC3\xA9", "\xE6\x97\xA5", ";", ")"};
        out = "'";
        for (int k = pick(8); k > 0; --k) out += kPieces[pick(10)];
        return out + "'";
      }
      case 4: {
        out = pick(2) ? "X'" : "x'";
        for (int k = 2 * pick(6); k > 0; --k) out += "0123456789abcdefABCDEF"[pick(22)];
        return out + "'";
      }
      default: return std::to_string(pick(1000)) + " + 1";  // an expression: SQLite's own parser
    }
  };
  ado::Connection connection;
  connection.Open(SQLiteConnectionString(ours));
  for (int row = 0; row < 400; ++row) {
    std::string values;
    for (int c = 0; c < 5; ++c) values += (c ? ", " : "") + literal();
    const std::string sql = "INSERT INTO t VALUES(" + values + ")";
    connection.Execute(sql);
    RunSql(theirs, sql);
  }
  connection.Close();
  EXPECT_EQ(Cells(ours), Cells(theirs));
}

TEST(PlainInsertTest, FaultsAreReportedAsSQLiteReportsThem) {
  TempFolder folder;
  const std::string path = folder.file("f.db");
  RunSql(path, "CREATE TABLE t (a INTEGER NOT NULL, b TEXT UNIQUE)");
  ado::Connection connection;
  connection.Open(SQLiteConnectionString(path));
  connection.Execute("INSERT INTO t VALUES(1, 'x')");
  auto messageOf = [&](const std::string& sql) {
    try {
      connection.Execute(sql);
    } catch (const ado::Error& e) {
      return e.description();
    }
    return std::string("no error");
  };
  EXPECT_NE(messageOf("INSERT INTO t VALUES(2, 'x')").find("UNIQUE constraint failed: t.b"), std::string::npos);
  EXPECT_NE(messageOf("INSERT INTO t VALUES(NULL, 'y')").find("NOT NULL constraint failed: t.a"), std::string::npos);
  EXPECT_NE(messageOf("INSERT INTO t VALUES(1, 'y', 3)").find("2 columns but 3 values"), std::string::npos);
  EXPECT_NE(messageOf("INSERT INTO missing VALUES(1)").find("no such table: missing"), std::string::npos);
  EXPECT_NE(messageOf("INSERT INTO t VALUES(3, 'z'); DROP TABLE t").find("Only one statement"), std::string::npos);
  // The table changes under a kept statement: the new one is used.
  connection.Execute("DROP TABLE t");
  connection.Execute("CREATE TABLE t (a, b, c)");
  connection.Execute("INSERT INTO t VALUES(1, 2, 3)");
  EXPECT_NE(messageOf("INSERT INTO t VALUES(1, 'x')").find("3 columns but 2 values"), std::string::npos);
  connection.Close();
  EXPECT_EQ(Cells(path), (std::vector<std::string>{"integer:1", "integer:2", "integer:3"}));
}

TEST(PlainInsertTest, OnlyThePlainFormIsTakenApart) {
  ado::sqlite::PlainInsert insert;
  EXPECT_TRUE(ado::sqlite::ParsePlainInsert("INSERT INTO [a b] VALUES('x''y', -1.5, X'0a')", insert));
  EXPECT_EQ(insert.head, "INSERT INTO [a b] VALUES(");
  ASSERT_EQ(insert.values.size(), 3u);
  EXPECT_EQ(insert.values[0].textValue(), "x'y");
  EXPECT_EQ(insert.values[1].real, -1.5);
  EXPECT_EQ(insert.values[2].owned, std::string("\n"));
  for (const char* other : {"INSERT INTO t VALUES(1 + 1)", "INSERT INTO t VALUES(1) -- note",
                            "INSERT INTO t(a) VALUES(1)", "INSERT INTO t VALUES(1), (2)", "INSERT INTO t VALUES('a)",
                            "INSERT INTO t VALUES(X'0)", "INSERT INTO t VALUES(.5)", "INSERT INTO t VALUES(1e)",
                            "INSERT INTO t VALUES(TRUE)", "INSERT OR REPLACE INTO t VALUES(1)", "SELECT 1"}) {
    EXPECT_FALSE(ado::sqlite::ParsePlainInsert(other, insert)) << other;
  }
  EXPECT_FALSE(ado::sqlite::ParsePlainInsert(std::string_view("INSERT INTO t VALUES('a\0b')", 27), insert));
}

}  // namespace
}  // namespace ado_test
