// Pages a dropped table gives back are used again before the file grows, and no
// statement grows a file past the largest size Access opens.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "WriteOracles.h"
#include "jet/check/DatabaseCheck.h"
#include "jet/create/NewDatabase.h"
#include "jet/format/JetFormat.h"
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
  // New files (whose global map, inline, reaches 512 pages until a drop needs more), two
  // Access-made ones, and one whose global map is in the reference form already.
  for (const char* source : {"new.mdb", "new.accdb", "mdb-reader/V2003/test.mdb", "jackcess/V2007/testV2007.accdb",
                             "jackcess/V2000/testRefGlobalV2000.mdb", "mdb-reader/V1997/test.mdb"}) {
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
    // The last run's rows and nothing of the runs before (each wrote other letters).
    auto cursor = (*db)->scan("Notes");
    ASSERT_TRUE(cursor.ok());
    int32_t rows = 0;
    for (auto more = cursor->next(); more.ok() && *more; more = cursor->next(), ++rows) {
      const auto n = std::get<int32_t>(*cursor->value(0));
      EXPECT_EQ(std::get<std::string>(*cursor->value(1)), Body(n, 10)) << "row " << n;
    }
    EXPECT_EQ(rows, kRows);
  }
}

// A table dropped in a statement of its own leaves free pages; the next tables take
// them (wiped: none of the dropped rows shows through), and a statement that fails after
// taking some gives them back exactly.
TEST(PageReuse, FreedPagesAreTakenWipedAndGivenBackOnUndo) {
  for (const char* name : {"new.mdb", "new.accdb"}) {
    SCOPED_TRACE(name);
    const fs::path file = NewDatabase(name);
    auto session = jet::WriteSession::Open(file.string());
    ASSERT_TRUE(session.ok());
    jet::WriteSession& s = **session;
    ASSERT_TRUE(s.createTable("Old", {{"N", ColumnType::kLong}, {"Body", ColumnType::kMemo}}).ok());
    for (int32_t row = 0; row < 300; ++row) ASSERT_TRUE(s.insert("Old", {row, Body(row, 0)}).ok());
    ASSERT_TRUE(s.dropTable("Old").ok());
    const uint32_t pages = s.database().file().pageCount();

    ASSERT_TRUE(s.createTable("New", {{"N", ColumnType::kLong}, {"Body", ColumnType::kMemo}}).ok());
    EXPECT_LT(s.database().catalog().findTable("New")->tableDefPage(), pages);
    for (int32_t row = 0; row < 40; ++row) ASSERT_TRUE(s.insert("New", {row, Body(row, 1)}).ok());
    EXPECT_EQ(s.database().file().pageCount(), pages);  // all from the freed pages

    // Longer than the free pages hold, and the file may not grow: the insert takes every
    // free page, fails, and leaves the file byte for byte as it was.
    const std::string before = ReadFileBytes(file);
    s.limitFileSizeForTests(fs::file_size(file));
    const jet::Status refused = s.insert("New", {int32_t{99}, std::string(3'000'000, 'x')});
    EXPECT_EQ(refused.code(), jet::ErrorCode::kTooLarge) << refused.message();
    EXPECT_EQ(ReadFileBytes(file), before);
    // The pages given back are taken again.
    ASSERT_TRUE(s.insert("New", {int32_t{40}, Body(40, 1)}).ok());
    session->reset();

    auto report = jet::check::CheckDatabase(file.string());
    ASSERT_TRUE(report.ok());
    EXPECT_TRUE(report->clean()) << report->problems.front();
    EXPECT_EQ(PagesBelongingToNothing(*report), 0u);
    ExpectOraclesAgree(file);
    auto db = jet::Database::Open(file.string(), {});
    ASSERT_TRUE(db.ok());
    EXPECT_EQ((*(*db)->tableDef("New"))->rowCount, 41u);
  }
}

// In a batch, statements refused after taking free pages (a CREATE TABLE whose catalogue
// index page is damaged, as in an Access 97 file whose pages were misread; an INSERT that
// would grow the file) give those pages back as they were: once the batch is committed
// the file is byte for byte what it was, on Jet4 and on Access 97.
TEST(PageReuse, RefusedStatementsInABatchLeaveFreePagesAsTheyWere) {
  for (const char* source : {"new.mdb", "mdb-reader/V1997/test.mdb"}) {
    SCOPED_TRACE(source);
    const bool made = std::string(source).find('/') == std::string::npos;
    const fs::path file = made ? NewDatabase(source) : CopyOfCorpusFile(source);
    uint32_t catalogueIndexRoot = 0;
    {
      auto session = jet::WriteSession::Open(file.string());
      ASSERT_TRUE(session.ok());
      jet::WriteSession& s = **session;
      ASSERT_TRUE(s.createTable("Kept", {{"N", ColumnType::kLong}, {"Body", ColumnType::kMemo}}).ok());
      ASSERT_TRUE(s.createTable("Old", {{"N", ColumnType::kLong}, {"Body", ColumnType::kMemo}}).ok());
      for (int32_t row = 0; row < 60; ++row) ASSERT_TRUE(s.insert("Old", {row, Body(row, 5)}).ok());
      ASSERT_TRUE(s.dropTable("Old").ok());
      auto catalogue = s.database().tableDef("MSysObjects");
      ASSERT_TRUE(catalogue.ok());
      catalogueIndexRoot = (*catalogue)->realIndexes.at(0).rootPage;
    }
    // The catalogue index's root claims a shared prefix longer than its first entry.
    std::string bytes = ReadFileBytes(file);
    const bool jet3 = !made;
    const size_t pageSize = jet3 ? 2048 : 4096;
    bytes[catalogueIndexRoot * pageSize + (jet3 ? 20 : 24)] = static_cast<char>(0xFF);  // Jet4: 0x0FFF
    if (!jet3) bytes[catalogueIndexRoot * pageSize + 25] = 0x0F;
    {
      std::ofstream out(file, std::ios::binary | std::ios::trunc);
      out << bytes;
    }
    {
      auto session = jet::WriteSession::Open(file.string());
      ASSERT_TRUE(session.ok());
      jet::WriteSession& s = **session;
      s.beginBatch();
      const jet::Status created = s.createTable("New", {{"N", ColumnType::kLong}, {"Body", ColumnType::kMemo}});
      EXPECT_EQ(created.code(), jet::ErrorCode::kCorrupt) << created.message();
      EXPECT_NE(created.message().find("shared prefix longer than the first entry"), std::string::npos)
          << created.message();
      s.limitFileSizeForTests(fs::file_size(file));
      const jet::Status inserted = s.insert("Kept", {int32_t{1}, std::string(3'000'000, 'x')});
      EXPECT_EQ(inserted.code(), jet::ErrorCode::kTooLarge) << inserted.message();
      ASSERT_TRUE(s.commitBatch().ok());
    }
    EXPECT_TRUE(ReadFileBytes(file) == bytes);
  }
}

// A statement that would grow the file past the largest size Access opens is refused
// with that size in its message and undone; the file stays valid and keeps what the
// statements before it wrote. The real limits: 2 GiB for Jet4/ACE, 1 GiB for Jet3.
TEST(FileSizeLimit, TheStatementThatWouldPassItIsUndone) {
  EXPECT_EQ(jet::kJet4Format.maxFileBytes, 2'147'483'648u);
  EXPECT_EQ(jet::kJet3Format.maxFileBytes, 1'073'741'824u);
  for (const char* source : {"new.accdb", "mdb-reader/V2003/test.mdb", "mdb-reader/V1997/test.mdb"}) {
    SCOPED_TRACE(source);
    const bool made = std::string(source).find('/') == std::string::npos;
    const fs::path file = made ? NewDatabase(source) : CopyOfCorpusFile(source);
    const uint64_t limit = 6'000'000;  // 2.9 MB to 5.9 MB more than the files have
    int32_t written = 0;
    {
      auto session = jet::WriteSession::Open(file.string());
      ASSERT_TRUE(session.ok());
      jet::WriteSession& s = **session;
      s.limitFileSizeForTests(limit);
      s.beginBatch();
      ASSERT_TRUE(s.createTable("Big", {{"N", ColumnType::kLong}, {"Body", ColumnType::kMemo}}).ok());
      jet::Status status;
      for (; written < 10'000; ++written) {
        status = s.insert("Big", {written, Body(written, 2)});
        if (!status.ok()) break;
      }
      ASSERT_EQ(status.code(), jet::ErrorCode::kTooLarge) << status.message();
      EXPECT_NE(status.message().find(file.string() + ": the database would grow past 6,000,000 bytes"),
                std::string::npos)
          << status.message();
      EXPECT_NE(status.message().find("the statement was undone"), std::string::npos);
      // The rows before it are kept and reach the file.
      ASSERT_TRUE(s.commitBatch().ok());
    }
    EXPECT_LE(fs::file_size(file), limit);
    auto report = jet::check::CheckDatabase(file.string());
    ASSERT_TRUE(report.ok());
    EXPECT_TRUE(report->clean()) << report->problems.front();
    ExpectOraclesAgree(file);
    auto db = jet::Database::Open(file.string(), {});
    ASSERT_TRUE(db.ok());
    EXPECT_EQ((*(*db)->tableDef("Big"))->rowCount, static_cast<uint32_t>(written));
  }
}

// Rows added to a table that lives on take freed pages; an interrupted commit writes
// those pages before the table's map and definition name them, so the file reads as
// before or after, never with a page of the dropped table in the living one.
TEST(PageReuse, AnInterruptedCommitNeverShowsAFreedPageInATable) {
  const auto prepared = NewDatabase("reuse.mdb");
  {
    auto session = jet::WriteSession::Open(prepared.string());
    ASSERT_TRUE(session.ok());
    jet::WriteSession& s = **session;
    ASSERT_TRUE(s.createTable("Keep", {{"N", ColumnType::kLong}, {"Body", ColumnType::kMemo}}).ok());
    ASSERT_TRUE(s.insert("Keep", {int32_t{-1}, std::string("first")}).ok());
    ASSERT_TRUE(s.createTable("Old", {{"N", ColumnType::kLong}, {"Body", ColumnType::kMemo}}).ok());
    for (int32_t row = 0; row < 60; ++row) ASSERT_TRUE(s.insert("Old", {row, Body(row, 3)}).ok());
    ASSERT_TRUE(s.dropTable("Old").ok());
  }
  const std::string original = ReadFileBytes(prepared);
  const std::string before = OurDump(prepared);
  int interruptedRuns = 0;
  for (int pages = 0; pages < 200; pages += 3) {
    const fs::path file = prepared.parent_path() / "run.mdb";
    {
      std::ofstream out(file, std::ios::binary | std::ios::trunc);
      out << original;
    }
    auto session = jet::WriteSession::Open(file.string());
    ASSERT_TRUE(session.ok());
    jet::WriteSession& s = **session;
    const uint32_t filePages = s.database().file().pageCount();
    s.beginBatch();
    for (int32_t row = 0; row < 30; ++row) ASSERT_TRUE(s.insert("Keep", {row, Body(row, 4)}).ok());
    EXPECT_EQ(s.database().file().pageCount(), filePages);  // every page a freed one
    ASSERT_TRUE(s.database().file().interruptWritesAfter(pages).ok());
    const jet::Status committed = s.commitBatch();
    session->reset();
    if (committed.ok()) break;
    ++interruptedRuns;
    ExpectOraclesAgree(file, /*exactIndexCounts=*/false);
    const std::string after = OurDump(file);
    EXPECT_EQ(after.find("\"error\""), std::string::npos) << pages << " pages written:\n" << after;
    if (after.find("\"row_count\": 31") == std::string::npos) {
      EXPECT_EQ(after, before) << pages << " pages written";
    }
  }
  EXPECT_GT(interruptedRuns, 3);
}

}  // namespace
}  // namespace jetwrite_test
