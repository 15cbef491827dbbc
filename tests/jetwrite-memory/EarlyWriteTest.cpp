// Batches large enough that appended pages reach the file before the commit: a rollback
// must still give back the file byte for byte, a failed statement must still vanish alone,
// and the committed file must pass the integrity check with every row.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "jet/Database.h"
#include "jet/check/DatabaseCheck.h"
#include "jet/create/NewDatabase.h"
#include "jet/write/WriteSession.h"

namespace {

namespace fs = std::filesystem;

// Enough rows of one-page memos to pass the writer's dirty-page limit a few times.
constexpr int kRows = static_cast<int>(jet::PageWriter::kDirtyPagesLimit) * 5 / 2;

std::vector<char> FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class EarlyWriteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = fs::temp_directory_path() / ("early_write_" + std::to_string(::getpid()) + ".mdb");
    fs::remove(path_);
    ASSERT_TRUE(jet::create::CreateDatabase(path_.string(), jet::create::NewDatabaseFormat::kJet4, 45000.0).ok());
    auto session = jet::WriteSession::Open(path_.string());
    ASSERT_TRUE(session.ok()) << session.status().message();
    session_ = std::move(session.value());
    ASSERT_TRUE(session_->createTable("Notes", {{"Id", jet::ColumnType::kLong}, {"Body", jet::ColumnType::kMemo}}).ok());
  }
  void TearDown() override {
    session_.reset();
    fs::remove(path_);
  }
  jet::Status insert(int id) {
    // Over 1,024 characters: stored as UTF-16, one long-value page per row.
    return session_->insert("Notes", {int32_t{id}, std::string(1500 + id % 7, static_cast<char>('a' + id % 26))});
  }
  // Rows as the session reads them after its last commit or rollback (another reader
  // would wait for the session's lock).
  long rowCount() {
    auto cursor = session_->database().scan("Notes");
    if (!cursor.ok()) return -1;
    long n = 0;
    for (auto more = cursor->next(); more.ok() && *more; more = cursor->next()) ++n;
    return n;
  }

  fs::path path_;
  std::unique_ptr<jet::WriteSession> session_;
};

TEST_F(EarlyWriteTest, RollbackOfALargeBatchRestoresTheFileExactly) {
  const auto before = FileBytes(path_);
  session_->beginBatch();
  for (int i = 0; i < kRows; ++i) ASSERT_TRUE(insert(i).ok());
  EXPECT_GT(fs::file_size(path_), before.size()) << "the batch should have written pages early";
  session_->rollbackBatch();
  EXPECT_EQ(FileBytes(path_), before);
  // The session goes on working after the rollback.
  ASSERT_TRUE(insert(1).ok());
  EXPECT_EQ(rowCount(), 1);
}

TEST_F(EarlyWriteTest, FailedStatementInALargeBatchVanishesAloneAndTheCommitIsComplete) {
  session_->beginBatch();
  for (int i = 0; i < kRows; ++i) {
    ASSERT_TRUE(insert(i).ok());
    if (i == kRows / 2) {
      // Refused in the middle of early writes: the batch goes on without it.
      EXPECT_FALSE(session_->insert("Notes", {std::string("not a number"), std::string(3000, 'x')}).ok());
    }
  }
  ASSERT_TRUE(session_->commitBatch().ok());
  EXPECT_EQ(rowCount(), kRows);
  session_.reset();  // the check reads the file as another program would, after the writer
  auto report = jet::check::CheckDatabase(path_.string());
  ASSERT_TRUE(report.ok()) << report.status().message();
  EXPECT_TRUE(report->clean()) << (report->problems.empty() ? "" : report->problems.front());
}

// Overwriting a large table (drop, create, the rows again, in one batch as a copy does)
// holds no more than the writer's limit of pages in memory, takes the dropped table's pages
// again in the same batch, and undoes exactly.
TEST_F(EarlyWriteTest, OverwritingALargeTableStaysInBoundedMemoryAndSize) {
  const size_t bound = jet::PageWriter::kDirtyPagesLimit + 64;
  auto fill = [&] {
    for (int i = 0; i < kRows; ++i) {
      ASSERT_TRUE(insert(i).ok());
      ASSERT_LE(session_->database().file().changedPageCount(), bound) << "row " << i;
    }
  };
  auto overwrite = [&] {
    ASSERT_TRUE(session_->dropTable("Notes").ok());
    EXPECT_LE(session_->database().file().changedPageCount(), size_t{64}) << "a drop holds the table's pages";
    ASSERT_TRUE(session_->createTable("Notes", {{"Id", jet::ColumnType::kLong}, {"Body", jet::ColumnType::kMemo}}).ok());
    fill();
  };
  session_->beginBatch();
  fill();
  ASSERT_TRUE(session_->commitBatch().ok());
  const auto firstSize = fs::file_size(path_);
  for (int run = 0; run < 3; ++run) {
    session_->beginBatch();
    overwrite();
    ASSERT_TRUE(session_->commitBatch().ok());
  }
  // Each overwrite takes the pages its own drop freed, in the same batch.
  const auto settledSize = fs::file_size(path_);
  EXPECT_LE(settledSize, firstSize + firstSize / 20);
  const auto before = FileBytes(path_);
  session_->beginBatch();
  overwrite();
  EXPECT_EQ(fs::file_size(path_), settledSize) << "reused pages only: the file did not grow";
  session_->rollbackBatch();
  EXPECT_EQ(FileBytes(path_), before);
  EXPECT_EQ(rowCount(), kRows);
}

// A statement whose early write fails is undone with everything it counted: the table's
// stored row count, kept in memory until the commit, must still match its rows.
TEST_F(EarlyWriteTest, StatementWhoseEarlyWriteFailsIsUndoneWithItsRowCount) {
  session_->beginBatch();
  ASSERT_TRUE(session_->database().file().interruptWritesAfter(0).ok());
  int kept = 0;
  bool refused = false;
  for (int i = 0; i < kRows && !refused; ++i) {
    if (insert(i).ok()) ++kept;
    else refused = true;
  }
  ASSERT_TRUE(refused) << "no early write was attempted";
  // After the interruption this rolls the journal back, as the next process would.
  ASSERT_TRUE(session_->database().file().interruptWritesAfter(-1).ok());
  for (int i = 0; i < 10; ++i, ++kept) ASSERT_TRUE(insert(i).ok());
  ASSERT_TRUE(session_->commitBatch().ok());
  EXPECT_EQ(rowCount(), kept);
  session_.reset();  // the check reads the file as another program would, after the writer
  auto report = jet::check::CheckDatabase(path_.string());
  ASSERT_TRUE(report.ok()) << report.status().message();
  EXPECT_TRUE(report->clean()) << (report->problems.empty() ? "" : report->problems.front());
}

}  // namespace
