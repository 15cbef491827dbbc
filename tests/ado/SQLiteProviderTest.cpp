#include "TestDatabase.h"

#include "ado/Connection.h"
#include "ado/Error.h"
#include "ado/sqlite/DeclaredType.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>

namespace ado {
namespace {

using ado_test::RunSql;
using ado_test::SQLiteConnectionString;
using ado_test::TempFolder;

std::string openFailure(const std::string& connectionString) {
  Connection connection;
  try {
    connection.Open(connectionString);
  } catch (const Error& e) {
    EXPECT_FALSE(connection.IsOpen());
    return e.description();
  }
  return "(opened)";
}

std::string executeFailure(Connection& connection, const std::string& sql) {
  try {
    connection.Execute(sql);
  } catch (const Error& e) {
    return e.description();
  }
  return "(succeeded)";
}

TEST(SQLiteOpen, MissingFilesFolderAndNonDatabasesFailNamingTheFileAndNothingIsCreated) {
  TempFolder folder;
  const std::string missing = folder.file("missing.db3");
  EXPECT_EQ(openFailure(SQLiteConnectionString(missing)),
            "The SQLite database file \"" + missing + "\" does not exist.");
  EXPECT_FALSE(std::filesystem::exists(missing));

  EXPECT_NE(openFailure(SQLiteConnectionString(folder.file(""))).find("is a folder"), std::string::npos);

  const std::string text = folder.file("notes.txt");
  std::ofstream(text) << "These are notes, long enough to fill a database header: 0123456789abcdefghijklmnopqrstuvwxyz"
                         "0123456789abcdefghijklmnopqrstuvwxyz";
  EXPECT_EQ(openFailure(SQLiteConnectionString(text)), "The file \"" + text + "\" is not an SQLite database.");

  EXPECT_NE(openFailure("DRIVER=SQLite3 ODBC Driver;Database=;LongNames=0;").find("names no database"), std::string::npos);
}

TEST(SQLiteOpen, OptionsAreValidatedAndAnEmptyFileIsAnEmptyDatabase) {
  TempFolder folder;
  const std::string path = folder.file("empty.db3");
  std::ofstream(path).close();
  Connection connection;
  connection.Open(SQLiteConnectionString(path));
  EXPECT_TRUE(connection.OpenSchema(adSchemaTables).Eof());
  connection.Close();
  EXPECT_FALSE(connection.IsOpen());

  EXPECT_NE(openFailure("DRIVER=SQLite3 ODBC Driver;Database=" + path + ";Timeout=soon;").find("\"soon\""),
            std::string::npos);
  EXPECT_NE(openFailure("DRIVER=SQLite3 ODBC Driver;Database=" + path + ";SyncPragma=NORMAL; DROP TABLE x;")
                .find("SyncPragma"),
            std::string::npos);
}

TEST(SQLiteSchema, ListsTablesAndViewsButNotSQLiteOwnTables) {
  TempFolder folder;
  const std::string path = folder.file("schema.db3");
  RunSql(path,
         "CREATE TABLE Orders(id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT);"
         "INSERT INTO Orders(name) VALUES('a');"  // creates sqlite_sequence
         "CREATE TABLE [abc$def](x); CREATE VIEW BigOrders AS SELECT * FROM Orders;"
         "CREATE INDEX OrdersByName ON Orders(name); ANALYZE;");  // creates sqlite_stat1
  Connection connection;
  connection.Open(SQLiteConnectionString(path));
  Recordset rs = connection.OpenSchema(adSchemaTables);
  EXPECT_EQ(rs.RecordCount(), 3);
  std::map<std::string, std::string> found;
  for (; !rs.Eof(); rs.MoveNext()) found[rs.Fields()["TABLE_NAME"].Value().asText()] = rs.Fields()["table_type"].Value().asText();
  EXPECT_EQ(found, (std::map<std::string, std::string>{{"Orders", "TABLE"}, {"abc$def", "TABLE"}, {"BigOrders", "VIEW"}}));
  EXPECT_THROW(connection.OpenSchema(adSchemaColumns + 1), Error);  // a schema no provider serves
}

TEST(SQLiteRecordset, DeclaredTypesBecomeAdoTypes) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"INTEGER", adInteger}, {"BIGINT", adBigInt}, {"bigint unsigned", adInteger}, {"TINYINT", adInteger},
      {"point", adInteger}, {"VARCHAR(20)", adVarWChar}, {"NCHAR", adVarWChar}, {"TEXT", adLongVarWChar},
      {"CLOB", adLongVarWChar}, {"REAL", adDouble}, {"FLOAT", adDouble}, {"DOUBLE PRECISION", adDouble},
      {"NUMERIC(10,2)", adDouble}, {"DECIMAL", adDouble}, {"DATETIME", adDBTimeStamp}, {"TIMESTAMP", adDBTimeStamp},
      {"DATE", adDBDate}, {"TIME", adDBTime}, {"BOOLEAN", adBoolean}, {"BIT", adBoolean}, {"BLOB", adLongVarBinary},
      {"VARBINARY", adLongVarBinary}, {"", adVarWChar}, {"MONEY", adVarWChar}, {"CHARINT", adInteger}};
  TempFolder folder;
  const std::string path = folder.file("types.db3");
  std::string create = "CREATE TABLE t(";
  for (std::size_t i = 0; i < cases.size(); ++i) create += (i ? ", c" : "c") + std::to_string(i) + " " + cases[i].first;
  RunSql(path, create + ");");
  Connection connection;
  connection.Open(SQLiteConnectionString(path));
  Recordset rs;
  rs.Open("SELECT * FROM [t]", connection);
  EXPECT_TRUE(rs.Eof());
  EXPECT_EQ(rs.RecordCount(), 0);
  ASSERT_EQ(rs.Fields().Count(), static_cast<int>(cases.size()));
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(rs.Fields()[static_cast<int>(i)].Type(), cases[i].second) << "declared \"" << cases[i].first << "\"";
    EXPECT_EQ(sqlite::AdoTypeOfDeclaredType(cases[i].first), cases[i].second);
  }
}

TEST(SQLiteRecordset, ValuesKeepTheirStorageClass) {
  TempFolder folder;
  const std::string path = folder.file("values.db3");
  RunSql(path,
         "CREATE TABLE v(a, b INTEGER, c REAL, d TEXT, e BLOB);"
         "INSERT INTO v VALUES(NULL, 9223372036854775807, 0.1, 'Zoë ''quoted''', x'00FF10');"
         "INSERT INTO v VALUES(-9223372036854775808, -1, 1e300, '', x'');");
  Connection connection;
  connection.Open(SQLiteConnectionString(path));
  Recordset rs;
  rs.Open("SELECT * FROM v ORDER BY rowid;", connection, adOpenStatic, adLockOptimistic);
  EXPECT_EQ(rs.RecordCount(), 2);
  auto f = rs.Fields();
  EXPECT_TRUE(f["a"].Value().isNull());
  EXPECT_EQ(f["b"].Value(), Variant::int64(9223372036854775807));
  EXPECT_EQ(f["c"].Value(), Variant::real(0.1));
  EXPECT_EQ(f["d"].Value(), Variant::text("Zoë 'quoted'"));
  EXPECT_EQ(f["E"].Value(), Variant::bytes({0x00, 0xFF, 0x10}));
  rs.MoveNext();
  EXPECT_EQ(f["a"].Value(), Variant::int64(std::numeric_limits<std::int64_t>::min()));
  EXPECT_EQ(f["c"].Value(), Variant::real(1e300));
  EXPECT_EQ(f["d"].Value(), Variant::text(""));  // empty text is not Null
  EXPECT_EQ(f["e"].Value(), Variant::bytes({}));
  rs.MoveNext();
  EXPECT_TRUE(rs.Eof());
  EXPECT_THROW(f["a"].Value(), Error);
  EXPECT_THROW(rs.MoveNext(), Error);
  try {
    f["nope"];
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), adErrItemNotFound);
  }
}

TEST(SQLiteExecute, RunsOneStatementAndReportsSQLiteMessageWithTheStatement) {
  TempFolder folder;
  const std::string path = folder.file("exec.db3");
  RunSql(path, "CREATE TABLE t(x);");
  Connection connection;
  connection.Open(SQLiteConnectionString(path));
  connection.Execute("INSERT INTO [t] VALUES('a;b')");
  connection.Execute("INSERT INTO t VALUES(2);  -- trailing comment\n");

  std::string error = executeFailure(connection, "INSERT INTO [Missing] VALUES(1)");
  EXPECT_NE(error.find("no such table: Missing"), std::string::npos) << error;
  EXPECT_NE(error.find("INSERT INTO [Missing]"), std::string::npos) << error;
  EXPECT_NE(error.find(path), std::string::npos) << error;

  error = executeFailure(connection, "INSERT INTO t VALUES(3); DROP TABLE t");
  EXPECT_NE(error.find("Only one statement"), std::string::npos) << error;
  error = executeFailure(connection, "SELECT * FROM t WHERE x = '" + std::string(500, 'y') + "' AND nope = 1");
  EXPECT_NE(error.find("no such column: nope"), std::string::npos);
  EXPECT_LT(error.size(), 300u);  // only the statement's beginning is quoted

  Recordset rs;
  rs.Open("SELECT count(*) AS n FROM t", connection);
  EXPECT_EQ(rs.Fields()["n"].Value(), Variant::int64(2));  // the refused statement ran nothing
}

TEST(SQLiteTransactions, RollbackUndoesAndCloseEndsRecordsets) {
  TempFolder folder;
  const std::string path = folder.file("txn.db3");
  RunSql(path, "CREATE TABLE t(x); INSERT INTO t VALUES(1);");
  Connection connection;
  connection.Open(SQLiteConnectionString(path));
  connection.BeginTrans();
  connection.Execute("DELETE FROM t");
  connection.RollbackTrans();
  Recordset rs;
  rs.Open("SELECT * FROM t", connection);
  EXPECT_EQ(rs.RecordCount(), 1);
  connection.Close();  // closes the record set first
  EXPECT_FALSE(rs.IsOpen());
  EXPECT_THROW(rs.Eof(), Error);
  EXPECT_THROW(connection.Execute("DELETE FROM t"), Error);

  Connection reader;
  reader.SetMode(adModeRead);
  reader.Open(SQLiteConnectionString(path));
  EXPECT_NE(executeFailure(reader, "DELETE FROM t").find("readonly"), std::string::npos);
  try {
    connection.Open(SQLiteConnectionString(path));
    connection.SetCursorLocation(adUseClient);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), adErrObjectOpen);
  }
}

// A COMMIT that fails leaves no transaction open: what it would have written is gone, and the
// next BeginTrans starts afresh instead of later statements running outside any transaction.
TEST(SQLiteTransactions, AFailedCommitIsRolledBackAndTheNextTransactionBegins) {
  TempFolder folder;
  const std::string path = folder.file("busy.db3");
  RunSql(path, "CREATE TABLE t(x); INSERT INTO t VALUES(1);");
  Connection connection;
  connection.Open("DRIVER=SQLite3 ODBC Driver;Database=" + path + ";Timeout=0;");
  connection.BeginTrans();
  connection.Execute("INSERT INTO t VALUES(2)");
  // A reader in the middle of a statement keeps the commit from writing.
  sqlite3* reader = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &reader), SQLITE_OK);
  sqlite3_stmt* reading = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(reader, "SELECT * FROM t", -1, &reading, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(reading), SQLITE_ROW);
  EXPECT_THROW(connection.CommitTrans(), Error);
  sqlite3_finalize(reading);
  sqlite3_close(reader);

  connection.BeginTrans();  // no "cannot start a transaction within a transaction"
  connection.Execute("INSERT INTO t VALUES(3)");
  connection.CommitTrans();
  Recordset rs;
  rs.Open("SELECT group_concat(x) AS xs FROM t", connection);
  EXPECT_EQ(rs.Fields()["xs"].Value(), Variant::text("1,3"));
}

// Under a file size limit (a child process with RLIMIT_FSIZE, SIGXFSZ ignored) the commit fails
// with the system's reason and a storage error number; the file keeps its committed rows and the
// next transaction begins.
TEST(SQLiteTransactions, AFileSizeLimitFailsTheCommitWithItsReasonAndUndoesIt) {
  TempFolder folder;
  const std::string path = folder.file("limited.db3");
  RunSql(path, "CREATE TABLE t(x); INSERT INTO t VALUES('kept');");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64 * 1024, 64 * 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    int result = 0;
    try {
      Connection connection;
      connection.Open(SQLiteConnectionString(path));
      connection.BeginTrans();
      for (int i = 0; i < 2000; ++i) connection.Execute("INSERT INTO t VALUES(zeroblob(1000))");
      connection.CommitTrans();
      result = 10;  // the commit should have failed
    } catch (const Error& e) {
      const std::string text = e.description();
      if (!IsStorageFailure(e.number())) result = 11;
      else if (text.find("File too large") == std::string::npos) result = 12;
      else if (text.find(path) == std::string::npos) result = 13;
    }
    if (result == 0) {
      try {
        Connection connection;
        connection.Open(SQLiteConnectionString(path));
        connection.BeginTrans();
        connection.Execute("INSERT INTO t VALUES('after')");
        connection.CommitTrans();
      } catch (const Error&) {
        result = 14;
      }
    }
    _exit(result);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  Connection connection;
  connection.Open(SQLiteConnectionString(path));
  Recordset rs;
  rs.Open("SELECT group_concat(x) AS xs FROM (SELECT x FROM t WHERE typeof(x) = 'text')", connection);
  EXPECT_EQ(rs.Fields()["xs"].Value(), Variant::text("kept,after"));
  rs.Close();
  rs.Open("SELECT count(*) AS n FROM t", connection);
  EXPECT_EQ(rs.Fields()["n"].Value(), Variant::int64(2));
}

TEST(SQLiteLocking, AFileLockedByAnotherWriterFailsClearlyAfterTheTimeout) {
  TempFolder folder;
  const std::string path = folder.file("locked.db3");
  RunSql(path, "CREATE TABLE t(x); INSERT INTO t VALUES(1);");
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE; INSERT INTO t VALUES(2);", nullptr, nullptr, nullptr), SQLITE_OK);

  using Clock = std::chrono::steady_clock;
  Connection connection;
  auto start = Clock::now();
  connection.Open("DRIVER=SQLite3 ODBC Driver;Database=" + path + ";LongNames=0;Timeout=300;NoTXN=0;SyncPragma=NORMAL;");
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(250));  // opening does not wait for the lock

  start = Clock::now();
  const std::string error = executeFailure(connection, "INSERT INTO t VALUES(3)");
  const auto waited = Clock::now() - start;
  EXPECT_NE(error.find("database is locked"), std::string::npos) << error;
  EXPECT_NE(error.find(path), std::string::npos) << error;
  EXPECT_GE(waited, std::chrono::milliseconds(250));

  Recordset rs;
  EXPECT_THROW(rs.Open("SELECT * FROM t", connection), Error);

  // Once the other writer commits, the same connection works.
  ASSERT_EQ(sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(other);
  connection.Execute("INSERT INTO t VALUES(3)");
  rs.Open("SELECT * FROM t", connection);
  EXPECT_EQ(rs.RecordCount(), 3);
}

}  // namespace
}  // namespace ado
