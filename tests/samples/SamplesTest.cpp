// The sample databases the build lays beside the program: both exist, the Access one passes
// our integrity check and reads the same in mdb-reader as in our reader (and in mdbtools), and the SQLite one
// opens with the tables and values the generator wrote.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "GoldenDump.h"

namespace {

namespace fs = std::filesystem;

const fs::path kSamples = SAMPLES_DIR;

struct CommandResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

CommandResult RunCommand(const std::string& command) {
  const fs::path errFile = fs::temp_directory_path() / ("samples_test_err_" + std::to_string(::getpid()));
  CommandResult r;
  FILE* pipe = ::popen((command + " 2>" + Quote(errFile.string())).c_str(), "r");
  if (!pipe) return r;
  char buffer[65536];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) r.out.append(buffer, n);
  const int status = ::pclose(pipe);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream in(errFile, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  r.err = s.str();
  fs::remove(errFile);
  return r;
}

TEST(AccessSample, PassesTheCheckAndReadsTheSameInMdbReader) {
  const fs::path file = kSamples / "sample.mdb";
  ASSERT_TRUE(fs::exists(file)) << file;

  const auto check = RunCommand(Quote(JETTOOL_PATH) + " check " + Quote(file.string()));
  EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
  EXPECT_EQ(check.err, "");

  const auto dumped = RunCommand(Quote(std::string(TABLOREN_ACCESS_DUMP)) + " " + Quote(file.string()));
  ASSERT_EQ(dumped.exitCode, 0) << dumped.err;
  EXPECT_EQ(dumped.err, "");
  std::string ours;
  ASSERT_EQ(jettool::DumpDatabase(file.string(), std::nullopt, ours), 0) << ours;
  // The dumps differ only in the line that names the reader.
  std::string theirs = dumped.out;
  const std::string oracleLine = "\"oracle\": \"mdb-reader@3.2.0\"";
  if (auto at = theirs.find(oracleLine); at != std::string::npos) {
    theirs.replace(at, oracleLine.size(), "\"oracle\": \"jettool\"");
  }
  EXPECT_EQ(ours, theirs);

  // The values that take the unusual paths arrive intact: quotes, letters outside Latin-1
  // (no Unicode compression), a memo long enough for a page chain, money and dates.
  for (const char* expected : {"Siobhán O'Brien", "Łódź Textile Works", "東京", "Crème Brûlée Kit",
                               "Espresso Machine \\\"Café Pro\\\"", "2023: Annual review held in Łódź",
                               "2023-07-11T23:59:59", "12500.5"}) {
    EXPECT_NE(theirs.find(expected), std::string::npos) << expected;
  }
  // mdbtools, a third reader, takes every table without a complaint.
  for (const char* table : {"Customers", "Products", "Orders"}) {
    EXPECT_NE(theirs.find("\"" + std::string(table) + "\""), std::string::npos) << table;
    const auto rows = RunCommand("mdb-json " + Quote(file.string()) + " " + table + " >/dev/null");
    EXPECT_EQ(rows.exitCode, 0) << table;
    EXPECT_EQ(rows.err, "") << "mdb-json on " << table;
  }
}

TEST(SQLiteSample, OpensWithItsTablesAndValues) {
  const fs::path file = kSamples / "sample1.db3";
  ASSERT_TRUE(fs::exists(file)) << file;
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  auto single = [db](const char* sql) {
    sqlite3_stmt* statement = nullptr;
    std::string result = "<error>";
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW) {
      const auto* text = sqlite3_column_text(statement, 0);
      result = text ? reinterpret_cast<const char*>(text) : "<null>";
    }
    sqlite3_finalize(statement);
    return result;
  };
  EXPECT_EQ(single("PRAGMA integrity_check"), "ok");
  EXPECT_EQ(single("SELECT group_concat(name, ',') FROM (SELECT name FROM sqlite_master WHERE type = 'table' "
                   "ORDER BY name)"),
            "Employees,Invoices,Suppliers");
  EXPECT_EQ(single("SELECT count(*) FROM Suppliers"), "6");
  EXPECT_EQ(single("SELECT count(*) FROM Employees"), "5");
  EXPECT_EQ(single("SELECT count(*) FROM Invoices"), "7");
  EXPECT_EQ(single("SELECT LastName FROM Employees WHERE EmployeeID = 2"), "O'Connor");
  EXPECT_EQ(single("SELECT FirstName || ' ' || LastName FROM Employees WHERE EmployeeID = 3"), "Zoë Ångström");
  EXPECT_EQ(single("SELECT hex(BadgeCode) FROM Employees WHERE EmployeeID = 2"), "534F30303200FF");
  EXPECT_EQ(single("SELECT Amount FROM Invoices WHERE InvoiceNo = 9007"), "-50");
  sqlite3_close(db);
}

}  // namespace
