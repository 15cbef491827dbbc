// A write interrupted after any number of steps (journal writes, syncs, page writes) is
// rolled back from the journal when the file is next opened: the file is then byte for
// byte the one before, and the uninterrupted commit is complete. (tests/jetjournal
// interrupts every step of such commits in both formats and kills writing processes.)
#include <gtest/gtest.h>

#include <filesystem>

#include "WriteOracles.h"
#include "jet/Database.h"

namespace jetwrite_test {
namespace {

TEST(Interruption, EveryPrefixOfAFlushIsRolledBackExactly) {
  const auto original = CopyOfCorpusFile("mdb-reader/V2003/test.mdb");
  const std::string originalBytes = ReadFileBytes(original);
  int interruptedRuns = 0;
  bool completed = false;
  for (int steps = 0; steps < 200 && !completed; ++steps) {
    const auto file = CopyOfCorpusFile("mdb-reader/V2003/test.mdb");
    auto session = jet::WriteSession::Open(file.string());
    ASSERT_TRUE(session.ok());
    jet::WriteSession& s = **session;
    s.beginBatch();
    ASSERT_TRUE(s.createTable("Added", {{"N", jet::ColumnType::kLong}, {"M", jet::ColumnType::kMemo}}).ok());
    for (int32_t i = 0; i < 3; ++i) ASSERT_TRUE(s.insert("Added", {i, std::string(5000, 'z')}).ok());
    ASSERT_TRUE(s.dropTable("Table4").ok());
    (void)s.database().file().interruptWritesAfter(steps);
    const jet::Status committed = s.commitBatch();
    session->reset();
    if (committed.ok()) {
      completed = true;
      ExpectOraclesAgree(file);
      const std::string after = OurDump(file);
      EXPECT_NE(after.find("\"name\": \"Added\""), std::string::npos);
      EXPECT_NE(after.find("\"row_count\": 3"), std::string::npos);
      EXPECT_EQ(after.find("\"name\": \"Table4\""), std::string::npos);
      break;
    }
    ++interruptedRuns;
    // The next reader rolls the hot journal back before it reads anything.
    EXPECT_EQ(std::filesystem::exists(jet::JournalPathFor(file.string())), steps > 0) << steps << " steps";
    jet::Database::Options options;
    ASSERT_TRUE(jet::Database::Open(file.string(), options).ok());
    EXPECT_TRUE(ReadFileBytes(file) == originalBytes) << steps << " steps taken: the file is not as before";
  }
  EXPECT_TRUE(completed);
  EXPECT_GT(interruptedRuns, 20);
  ExpectOraclesAgree(original);  // what every interrupted run left, byte for byte
}

}  // namespace
}  // namespace jetwrite_test
