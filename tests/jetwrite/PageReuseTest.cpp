// Pages a dropped table gives back are used again before the file grows, and no
// statement grows a file past the largest size Access opens.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "WriteOracles.h"
#include "jet/check/DatabaseCheck.h"
#include "jet/create/NewDatabase.h"
#include "jet/write/UsageMapWriter.h"
#include "jet/write/WriteSession.h"

namespace jetwrite_test {
namespace {

namespace fs = std::filesystem;
using jet::ColumnType;

constexpr int32_t kRows = 2500;

// A new database in a folder of its own (beside a copied corpus file, which makes and
// later removes the folder).
fs::path NewDatabase(const std::string& name) {
  const fs::path file = CopyOfCorpusFile("mdb-reader/V2016/empty.accdb").parent_path() / name;
  auto format = jet::create::FormatForPath(file.string());
  EXPECT_TRUE(format.ok());
  const jet::Status s = jet::create::CreateDatabase(file.string(), *format, 45000.0);
  EXPECT_TRUE(s.ok()) << s.message();
  return file;
}

// Memo values from a few bytes (inline) over one long-value row to chains of several.
std::string Body(int32_t row, int round) {
  static constexpr size_t kLengths[] = {30, 700, 2500, 9000};
  return std::string(kLengths[row % 4] + static_cast<size_t>(row % 13), static_cast<char>('a' + (row + round) % 26));
}

// One run of `--overwrite yes`: DROP, CREATE and the rows in one batch, in a session of
// its own (each run of the program opens the file anew).
void OverwriteTable(const fs::path& file, int round) {
  auto session = jet::WriteSession::Open(file.string());
  ASSERT_TRUE(session.ok()) << session.status().message();
  jet::WriteSession& s = **session;
  s.beginBatch();
  if (s.database().catalog().findTable("Notes")) {
    const jet::Status dropped = s.dropTable("Notes");
    ASSERT_TRUE(dropped.ok()) << dropped.message();
  }
  const jet::Status created = s.createTable(
      "Notes", {{"N", ColumnType::kLong}, {"Body", ColumnType::kMemo}, {"Title", ColumnType::kText, 40}});
  ASSERT_TRUE(created.ok()) << created.message();
  for (int32_t row = 0; row < kRows; ++row) {
    const jet::Status inserted = s.insert("Notes", {row, Body(row, round), "title " + std::to_string(row)});
    ASSERT_TRUE(inserted.ok()) << inserted.message();
  }
  const jet::Status committed = s.commitBatch();
  ASSERT_TRUE(committed.ok()) << committed.message();
}

// The number in the checker's note on pages in use that belong to nothing (0 without it).
size_t PagesBelongingToNothing(const jet::check::CheckReport& report) {
  for (const auto& note : report.notes) {
    if (note.find("belong to nothing") != std::string::npos) return std::stoul(note);
  }
  return 0;
}

TEST(PageReuse, RepeatedOverwritesKeepTheFileSize) {
  for (const char* source : {"new.mdb", "new.accdb", "mdb-reader/V2003/test.mdb", "jackcess/V2007/testV2007.accdb"}) {
    SCOPED_TRACE(source);
    const bool made = std::string(source).find('/') == std::string::npos;
    const fs::path file = made ? NewDatabase(source) : CopyOfCorpusFile(source);
    auto before = jet::check::CheckDatabase(file.string());
    ASSERT_TRUE(before.ok());
    std::vector<uintmax_t> sizes;
    for (int round = 0; round <= 10; ++round) {
      OverwriteTable(file, round);
      if (HasFatalFailure()) return;
      sizes.push_back(fs::file_size(file));
    }
    std::string figures;
    for (uintmax_t size : sizes) figures += " " + std::to_string(size);
    std::cout << source << ": sizes after the creation and 10 overwrites:" << figures << "\n";
    // Within 5% of the size after the first overwrite.
    EXPECT_LE(sizes[10], sizes[1] + sizes[1] / 20) << figures;
    auto after = jet::check::CheckDatabase(file.string());
    ASSERT_TRUE(after.ok());
    EXPECT_TRUE(after->clean()) << after->problems.front();
    // Nothing is left in use that belongs to nothing, beyond what the file had before.
    EXPECT_LE(PagesBelongingToNothing(*after), PagesBelongingToNothing(*before));
    ExpectOraclesAgree(file);
    auto db = jet::Database::Open(file.string(), {});
    ASSERT_TRUE(db.ok());
    auto def = (*db)->tableDef("Notes");
    ASSERT_TRUE(def.ok());
    EXPECT_EQ((*def)->rowCount, static_cast<uint32_t>(kRows));
  }
}

}  // namespace
}  // namespace jetwrite_test
