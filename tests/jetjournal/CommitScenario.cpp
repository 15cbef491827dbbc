#include "CommitScenario.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <mutex>
#include <regex>
#include <stdexcept>
#include <vector>

#include "WriteOracles.h"
#include "jet/Database.h"
#include "jet/create/NewDatabase.h"
#include "jet/write/WriteSession.h"

namespace jetjournal_test {
namespace {

std::string Memo(const Scenario& scenario, int row) {
  if (scenario.memoCharacters > 0) return std::string(scenario.memoCharacters + row % 7, static_cast<char>('a' + row % 26));
  static const int kLengths[] = {5000, 300, 0};
  return std::string(kLengths[row % 3], static_cast<char>('k' + row % 10));
}

}  // namespace

fs::path NewFolder() {
  struct Folders {
    std::mutex mutex;
    std::vector<fs::path> made;
    ~Folders() {
      std::error_code ignored;
      for (const auto& dir : made) fs::remove_all(dir, ignored);
    }
  };
  static Folders folders;
  std::string name = (fs::temp_directory_path() / "jetjournal_XXXXXX").string();
  if (!::mkdtemp(name.data())) throw std::runtime_error("cannot make a temporary folder: " + name);
  std::lock_guard lock(folders.mutex);
  folders.made.emplace_back(name);
  return folders.made.back();
}

fs::path StartingFile(const Scenario& scenario) {
  if (!scenario.corpusFile.empty()) return jetwrite_test::CopyOfCorpusFile(scenario.corpusFile);
  const fs::path file = NewFolder() / ("start" + scenario.extension);
  auto format = jet::create::FormatForPath(file.string());
  if (!format.ok()) throw std::runtime_error(format.status().message());
  jet::Status made = jet::create::CreateDatabase(file.string(), *format, 45000.0);
  if (!made.ok()) throw std::runtime_error(made.message());
  auto session = jet::WriteSession::Open(file.string());
  if (!session.ok()) throw std::runtime_error(session.status().message());
  jet::WriteSession& s = **session;
  auto check = [](const jet::Status& status) {
    if (!status.ok()) throw std::runtime_error(status.message());
  };
  check(s.createTable("Prior", {{"Id", jet::ColumnType::kLong}, {"Name", jet::ColumnType::kText, 50},
                                {"Notes", jet::ColumnType::kMemo}}));
  for (int32_t i = 0; i < 5; ++i) check(s.insert("Prior", {i, "name " + std::to_string(i), std::string(700 * i, 'p')}));
  check(s.createTable("Gone", {{"Id", jet::ColumnType::kLong}, {"Notes", jet::ColumnType::kMemo}}));
  for (int32_t i = 0; i < 3; ++i) check(s.insert("Gone", {i, std::string(2000, 'g')}));
  return file;
}

void CopyOver(const fs::path& from, const fs::path& to) {
  fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

jet::Status StageCommit(const Scenario& scenario, jet::WriteSession& s) {
  s.beginBatch();
  if (scenario.dropFirst) JET_RETURN_IF_ERROR(s.dropTable(scenario.dropTable));
  JET_RETURN_IF_ERROR(s.createTable("Added", {{"N", jet::ColumnType::kLong}, {"T", jet::ColumnType::kText, 20},
                                              {"M", jet::ColumnType::kMemo}}));
  for (int32_t i = 0; i < scenario.rows; ++i) {
    JET_RETURN_IF_ERROR(s.insert("Added", {i, "row " + std::to_string(i), Memo(scenario, i)}));
  }
  if (scenario.addToPrior) {
    for (int32_t i = 5; i < 7; ++i) JET_RETURN_IF_ERROR(s.insert("Prior", {i, std::string("later"), Memo(scenario, i)}));
  }
  return scenario.dropFirst ? jet::Status::Ok() : s.dropTable(scenario.dropTable);
}

jet::Status RunCommit(const Scenario& scenario, const fs::path& file, const std::function<void(jet::PageFile&)>& arm,
                      uint64_t* stepsBeforeCommit, uint64_t* stepsTotal) {
  JET_ASSIGN_OR_RETURN(auto session, jet::WriteSession::Open(file.string(), scenario.password));
  jet::WriteSession& s = *session;
  jet::PageFile& pages = s.database().file();
  if (arm) arm(pages);
  JET_RETURN_IF_ERROR(StageCommit(scenario, s));
  if (stepsBeforeCommit) *stepsBeforeCommit = pages.writeSteps();
  JET_RETURN_IF_ERROR(s.commitBatch());
  if (stepsTotal) *stepsTotal = pages.writeSteps();
  return jet::Status::Ok();
}

StepCount CountSteps(const Scenario& scenario, const fs::path& start) {
  const fs::path copy = NewFolder() / start.filename();
  CopyOver(start, copy);
  StepCount count;
  const jet::Status s = RunCommit(
      scenario, copy, [](jet::PageFile& file) { (void)file.interruptWritesAfter(INT_MAX); }, &count.beforeCommit,
      &count.total);
  EXPECT_TRUE(s.ok()) << s.message();
  return count;
}

jet::Status Reopen(const fs::path& file, const std::string& password) {
  jet::Database::Options options;
  options.password = password;
  auto db = jet::Database::Open(file.string(), options);
  return db.ok() ? jet::Status::Ok() : db.status();
}

std::string TableSection(const std::string& dump, const std::string& name) {
  const std::string start = "\n    {\n      \"name\": \"" + name + "\",";
  const size_t from = dump.find(start);
  if (from == std::string::npos) return "";
  const size_t to = dump.find("\n    }", from + start.size());
  return dump.substr(from, to == std::string::npos ? std::string::npos : to - from);
}

void ExpectCommitted(const Scenario& scenario, const fs::path& file, const std::string& before) {
  const std::string after = jetwrite_test::OurDump(file, scenario.password);
  EXPECT_EQ(after.find("\"error\""), std::string::npos) << after;
  EXPECT_EQ(TableSection(after, scenario.dropTable), "") << scenario.dropTable << " should be dropped";
  const std::string added = TableSection(after, "Added");
  EXPECT_NE(added.find("\"row_count\": " + std::to_string(scenario.rows) + ","), std::string::npos) << added;
  static const std::regex kTableName("\n    \\{\n      \"name\": \"([^\"]*)\",");
  for (std::sregex_iterator it(before.begin(), before.end(), kTableName), end; it != end; ++it) {
    const std::string name = (*it)[1];
    if (name == scenario.dropTable) continue;
    if (scenario.addToPrior && name == "Prior") {
      EXPECT_NE(TableSection(after, name).find("\"row_count\": 7,"), std::string::npos);
      continue;
    }
    EXPECT_EQ(TableSection(after, name), TableSection(before, name)) << name << " changed";
  }
}

}  // namespace jetjournal_test
