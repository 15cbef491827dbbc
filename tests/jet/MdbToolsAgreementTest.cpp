// A second, independent reader: mdbtools (mdb-tables, mdb-json) must agree with us
// on the user tables and their row counts for every corpus file it can open, and
// must have nothing to complain about on stderr while doing so.
#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

#include <set>

#include "CorpusFiles.h"
#include "jet/Database.h"

namespace {

std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

struct CommandResult {
  int status = -1;
  std::string out;
  std::string err;
};

CommandResult Command(const std::string& command) {
  const auto errFile = std::filesystem::temp_directory_path() / ("jet_tests_stderr_" + std::to_string(::getpid()));
  CommandResult run;
  FILE* pipe = ::popen((command + " 2>" + ShellQuote(errFile.string())).c_str(), "r");
  if (!pipe) return run;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  run.status = ::pclose(pipe);
  run.err = jettest::ReadText(errFile);
  std::filesystem::remove(errFile);
  return run;
}

bool HaveMdbTools() { return Command("command -v mdb-tables").status == 0; }

TEST(MdbToolsAgreement, TableNamesAndRowCounts) {
  if (!HaveMdbTools()) GTEST_SKIP() << "mdbtools is not installed (tools/setup installs it)";
  size_t compared = 0, skipped = 0;
  for (const auto& f : jettest::CorpusFiles()) {
    const std::string file = ShellQuote(f.database.string());
    const CommandResult tables = Command("mdb-tables -1 " + file);
    if (tables.status != 0) {
      ++skipped;  // mdbtools cannot open encrypted .accdb files
      std::printf("  mdbtools cannot open %s\n", f.relative().c_str());
      continue;
    }
    EXPECT_EQ(tables.err, "") << f.relative();
    std::set<std::string> theirs;
    std::istringstream lines(tables.out);
    for (std::string name; std::getline(lines, name);) {
      if (!name.empty()) theirs.insert(name);
    }

    jet::Database::Options options;
    options.password = f.password.value_or("");
    auto db = jet::Database::Open(f.database.string(), options);
    ASSERT_TRUE(db.ok()) << db.status().message();
    std::set<std::string> ours;
    for (const auto* t : (*db)->catalog().userTables()) ours.insert(t->name);
    EXPECT_EQ(ours, theirs) << f.relative();

    for (const auto& name : ours) {
      if (!theirs.count(name)) continue;
      const CommandResult json = Command("mdb-json " + file + " " + ShellQuote(name));
      size_t theirRows = 0;
      for (char c : json.out) theirRows += c == '\n';
      // mdbtools warns about column types it does not know; that table's values are ours to judge.
      const bool unknownTypes = json.err.find("unsupported data type") != std::string::npos;
      if (!unknownTypes) {
        EXPECT_EQ(json.err, "") << f.relative() << " " << name;
      }
      auto cursor = (*db)->scan(name);
      ASSERT_TRUE(cursor.ok()) << cursor.status().message();
      size_t ourRows = 0;
      while (true) {
        auto more = cursor->next();
        ASSERT_TRUE(more.ok()) << more.status().message();
        if (!*more) break;
        ++ourRows;
      }
      EXPECT_EQ(ourRows, theirRows) << f.relative() << " " << name;
      ++compared;
    }
  }
  std::printf("mdbtools agrees on %zu tables; %zu files it cannot open\n", compared, skipped);
  EXPECT_LE(skipped, 4u);
}

}  // namespace
