// The journal on its own: what a hot journal makes recovery do when it is whole, torn,
// garbage or of another file; that records hold pages exactly as stored (masked, encoded,
// encrypted); and commits that fail in this process (a disk error at any step, a full
// disk) leave the file as it was, with the session still usable.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <fstream>

#include "CommitScenario.h"
#include "WriteOracles.h"
#include "jet/Bytes.h"
#include "jet/RollbackJournal.h"
#include "jet/check/DatabaseCheck.h"
#include "jet/write/WriteSession.h"

namespace jetjournal_test {
namespace {

using jetwrite_test::CopyOfCorpusFile;
using jetwrite_test::ReadFileBytes;
namespace jf = jet::journal_format;
using Outcome = jet::JournalRecovery::Outcome;

constexpr uint32_t kPage = 4096;

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

void Overwrite(const fs::path& path, uint64_t offset, const std::string& bytes) {
  std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
  f.seekp(static_cast<std::streamoff>(offset));
  f << bytes;
}

jet::WriteStepGate NoFaults() {
  return [] { return jet::Status::Ok(); };
}

jet::Result<jet::JournalRecovery> Recover(const fs::path& file) {
  const int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
  auto result = jet::RollBackHotJournal(file.string(), fd, true);
  ::close(fd);
  return result;
}

TEST(HotJournal, GarbageOrEmptyJournalIsRemovedAndTheFileLeftAlone) {
  std::string headerOnlyMagic(jf::kHeaderBlock, '\0');
  headerOnlyMagic.replace(0, sizeof jf::kMagic, jf::kMagic, sizeof jf::kMagic);  // checksum wrong
  for (const std::string& contents : {std::string(), std::string(3000, '\x5a'), headerOnlyMagic}) {
    const fs::path file = CopyOfCorpusFile("mdb-reader/V2003/test.mdb");
    const std::string before = ReadFileBytes(file);
    const fs::path journal = jet::JournalPathFor(file.string());
    WriteFile(journal, contents);
    auto recovered = Recover(file);
    ASSERT_TRUE(recovered.ok()) << recovered.status().message();
    EXPECT_EQ(recovered->outcome, Outcome::kDiscarded);
    EXPECT_FALSE(fs::exists(journal));
    EXPECT_TRUE(ReadFileBytes(file) == before);
    // The same through an ordinary open.
    WriteFile(journal, contents);
    EXPECT_TRUE(Reopen(file).ok());
    EXPECT_FALSE(fs::exists(journal));
    EXPECT_TRUE(ReadFileBytes(file) == before);
  }
}

// A commit in progress made by hand: pages 3 and 5 journalled, two pages appended, and
// (when the journal was whole) pages 3 and 5 overwritten.
struct HandMadeCommit {
  fs::path file;
  std::string before;
  fs::path journal;
  explicit HandMadeCommit(bool overwrite) {
    file = CopyOfCorpusFile("mdb-reader/V2003/test.mdb");
    before = ReadFileBytes(file);
    journal = jet::JournalPathFor(file.string());
    const int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
    jet::RollbackJournal j(file.string(), kPage, NoFaults());
    EXPECT_TRUE(j.begin(fd, before.size(), {}).ok());  // the size first, as early writes do
    EXPECT_TRUE(j.add(fd, {3, 5}).ok());
    ::close(fd);
    j.abandon();  // left hot
    Overwrite(file, before.size(), std::string(2 * kPage, '\xab'));
    if (overwrite) {
      Overwrite(file, 3 * kPage, std::string(kPage, '\xcd'));
      Overwrite(file, 5 * kPage + 100, std::string(50, '\xcd'));
    }
  }
};

TEST(HotJournal, WholeJournalPutsPagesBackAndCutsTheFile) {
  HandMadeCommit commit(/*overwrite=*/true);
  auto recovered = Recover(commit.file);
  ASSERT_TRUE(recovered.ok()) << recovered.status().message();
  EXPECT_EQ(recovered->outcome, Outcome::kRolledBack);
  EXPECT_EQ(recovered->pagesRestored, 2u);
  EXPECT_TRUE(ReadFileBytes(commit.file) == commit.before);
  EXPECT_FALSE(fs::exists(commit.journal));
}

// Sets or clears what keeps this process from opening `file` for writing: read-only
// permissions, and for root, whom they do not stop, the immutable attribute. False when
// the file stays writable (a file system without the attribute).
bool SetUnwritable(const fs::path& file, bool unwritable) {
  // Permissions change only while the file is not immutable.
  if (unwritable) fs::permissions(file, fs::perms::owner_read);
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  int flags = 0;
  if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
    flags = unwritable ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    (void)::ioctl(fd, FS_IOC_SETFLAGS, &flags);
  }
  if (fd >= 0) ::close(fd);
  if (!unwritable) fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
  const int probe = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
  if (probe >= 0) ::close(probe);
  return (probe < 0) == unwritable;
}

// A reader rolls a hot journal back through a second descriptor opened for writing; when
// the file cannot be written, opening fails, naming both files, and nothing is lost.
TEST(HotJournal, ReaderThatCannotWriteTheFileFailsClearlyAndKeepsTheJournal) {
  HandMadeCommit commit(/*overwrite=*/true);
  if (!SetUnwritable(commit.file, true)) {
    SetUnwritable(commit.file, false);
    GTEST_SKIP() << "cannot make a file unwritable for this process here";
  }
  const jet::Status refused = Reopen(commit.file);
  SetUnwritable(commit.file, false);
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.code(), jet::ErrorCode::kReadOnly);
  EXPECT_NE(refused.message().find(commit.file.string() + ": an interrupted change left " + commit.journal.string()),
            std::string::npos)
      << refused.message();
  EXPECT_NE(refused.message().find("cannot be opened for writing"), std::string::npos) << refused.message();
  EXPECT_TRUE(fs::exists(commit.journal));
  // Once it can be written, the next reader rolls back.
  ASSERT_TRUE(Reopen(commit.file).ok());
  EXPECT_TRUE(ReadFileBytes(commit.file) == commit.before);
  EXPECT_FALSE(fs::exists(commit.journal));
}

// A record or count that did not reach the disk whole means the journal's sync never
// completed, so nothing was overwritten: only the appended pages are cut off.
TEST(HotJournal, TornRecordOrCountOnlyCutsTheAppendedPages) {
  const uint64_t recordSize = jf::kRecordPrefix + kPage;
  const std::vector<std::pair<uint64_t, std::string>> tears = {
      {jf::kHeaderBlock + recordSize + 2000, "record 2 of 2"},   // inside the second page's bytes
      {jf::kHeaderBlock + 1, "record 1 of 2"},                   // the first record's page number
      {jf::kCountOffset, "record count"},                         // the count
  };
  for (const auto& [offset, reason] : tears) {
    HandMadeCommit commit(/*overwrite=*/false);
    std::string journal = ReadFileBytes(commit.journal);
    journal[offset] = static_cast<char>(journal[offset] ^ 0x40);
    WriteFile(commit.journal, journal);
    auto recovered = Recover(commit.file);
    ASSERT_TRUE(recovered.ok()) << recovered.status().message();
    EXPECT_EQ(recovered->outcome, Outcome::kTruncated) << reason;
    EXPECT_NE(recovered->reason.find(reason), std::string::npos) << recovered->reason;
    EXPECT_TRUE(ReadFileBytes(commit.file) == commit.before) << reason;
    EXPECT_FALSE(fs::exists(commit.journal));
  }
}

// A journal of 2,048-byte pages beside a file of 4,096-byte pages cannot be this file's:
// it is refused, kept for the user to look at, and the file is neither opened nor touched.
TEST(HotJournal, JournalOfAnotherPageSizeIsRefusedAndKept) {
  const fs::path file = CopyOfCorpusFile("mdb-reader/V2003/test.mdb");
  const int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
  jet::RollbackJournal j(file.string(), 2048, NoFaults());
  ASSERT_TRUE(j.begin(fd, fs::file_size(file), {1}).ok());
  ::close(fd);
  j.abandon();
  Overwrite(file, 2048 + 10, "changed since");
  const std::string before = ReadFileBytes(file);
  const jet::Status reopened = Reopen(file);
  ASSERT_FALSE(reopened.ok());
  EXPECT_NE(reopened.message().find("2048-byte pages but the database has 4096-byte pages"), std::string::npos)
      << reopened.message();
  EXPECT_NE(reopened.message().find(j.path()), std::string::npos);
  EXPECT_FALSE(jet::WriteSession::Open(file.string()).ok());
  EXPECT_TRUE(fs::exists(j.path()));
  EXPECT_TRUE(ReadFileBytes(file) == before);
}

// Records hold the bytes the file holds: the masked header page, RC4- or AES-encrypted
// pages, never the decoded ones.
TEST(JournalRecords, HoldPagesAsStoredOnDisk) {
  struct Case {
    const char* file;
    uint32_t page;
  };
  for (const Case& c : {Case{"mdb-reader/encryption/office-agile-4.4.accdb", 3},
                        Case{"mdb-reader/encryption/office-agile-4.2.accdb", 3},
                        Case{"mdb-reader/password/V2003_with-password.mdb", 0}}) {
    SCOPED_TRACE(c.file);
    const fs::path file = CopyOfCorpusFile(c.file);
    const std::string before = ReadFileBytes(file);
    const std::string stored = before.substr(static_cast<size_t>(c.page) * kPage, kPage);
    {
      jet::PageFile::Options options;
      options.password = "password";
      options.writable = true;
      auto pages = jet::PageFile::Open(file.string(), options);
      ASSERT_TRUE(pages.ok()) << pages.status().message();
      auto decoded = (*pages)->read(c.page);
      ASSERT_TRUE(decoded.ok());
      EXPECT_NE(std::string((*decoded)->begin(), (*decoded)->end()), stored) << "the page should be encoded on disk";
      auto dirty = (*pages)->modify(c.page);
      ASSERT_TRUE(dirty.ok());
      (**dirty)[kPage - 1] ^= 0xFF;
      // Journal header, the record, its sync; stopped before the folder's sync.
      ASSERT_TRUE((*pages)->interruptWritesAfter(3).ok());
      EXPECT_FALSE((*pages)->flush().ok());
    }
    const std::string journal = ReadFileBytes(jet::JournalPathFor(file.string()));
    ASSERT_EQ(journal.size(), jf::kHeaderBlock + jf::kRecordPrefix + kPage);
    EXPECT_EQ(jet::LoadU32(reinterpret_cast<const uint8_t*>(journal.data()) + jf::kCountOffset), 1u);
    EXPECT_EQ(jet::LoadU32(reinterpret_cast<const uint8_t*>(journal.data()) + jf::kHeaderBlock), c.page);
    EXPECT_TRUE(journal.substr(jf::kHeaderBlock + jf::kRecordPrefix) == stored);
    // Recovery by a reader (a second descriptor opened for writing) puts the same bytes back.
    Overwrite(file, static_cast<uint64_t>(c.page) * kPage + 64, std::string(64, '\0'));
    jet::PageFile::Options reading;
    reading.password = "password";
    EXPECT_TRUE(jet::PageFile::Open(file.string(), reading).ok());
    EXPECT_TRUE(ReadFileBytes(file) == before);
  }
}

// A disk error at any step of a commit: rolled back at once from the journal, the error
// says so, the file is as before without reopening, and the session goes on writing.
TEST(FailedCommit, DiskErrorAtAnyStepLeavesTheFileAsBeforeAndTheSessionUsable) {
  const Scenario scenario{"new_mdb", "", ".mdb", "Gone", true};
  const fs::path start = StartingFile(scenario);
  const std::string startBytes = ReadFileBytes(start);
  const std::string startDump = jetwrite_test::OurDump(start);
  const StepCount steps = CountSteps(scenario, start);
  const fs::path file = NewFolder() / start.filename();
  for (uint64_t n = 0; n < steps.total; ++n) {
    CopyOver(start, file);
    {
      auto session = jet::WriteSession::Open(file.string());
      ASSERT_TRUE(session.ok());
      jet::WriteSession& s = **session;
      ASSERT_TRUE(StageCommit(scenario, s).ok());
      s.database().file().failWriteAfter(static_cast<int>(n));
      const jet::Status committed = s.commitBatch();
      ASSERT_FALSE(committed.ok()) << n;
      EXPECT_NE(committed.message().find("disk error"), std::string::npos) << committed.message();
      EXPECT_NE(committed.message().find("nothing of the change was kept"), std::string::npos) << committed.message();
      EXPECT_FALSE(fs::exists(jet::JournalPathFor(file.string()))) << n;
      EXPECT_TRUE(ReadFileBytes(file) == startBytes) << "not as before after a failure at step " << n;
      // The session's view is the file's: it goes on.
      ASSERT_TRUE(s.createTable("Later", {{"Id", jet::ColumnType::kLong}}).ok()) << n;
      ASSERT_TRUE(s.insert("Later", {int32_t{1}}).ok()) << n;
    }
    const std::string dump = jetwrite_test::OurDump(file);
    EXPECT_EQ(TableSection(dump, "Added"), "") << n;
    EXPECT_NE(TableSection(dump, "Later").find("\"row_count\": 1,"), std::string::npos) << n;
    EXPECT_EQ(TableSection(dump, "Prior"), TableSection(startDump, "Prior")) << n;
    EXPECT_EQ(TableSection(dump, "Gone"), TableSection(startDump, "Gone")) << n;
    auto report = jet::check::CheckDatabase(file.string());
    ASSERT_TRUE(report.ok());
    EXPECT_TRUE(report->clean()) << n << ": " << report->problems.front();
  }
}

// A full disk, made by a file size limit: appended pages cannot be written. The commit
// fails with the system's reason, the file is as before, and once there is room the same
// session commits the same batch.
TEST(FailedCommit, FileSizeLimitStopsTheCommitAndTheFileStaysAsBefore) {
  const Scenario scenario{"corpus_mdb", "mdb-reader/V2003/test.mdb", "", "Table4"};
  const fs::path file = StartingFile(scenario);
  const std::string before = ReadFileBytes(file);
  auto session = jet::WriteSession::Open(file.string());
  ASSERT_TRUE(session.ok());
  jet::WriteSession& s = **session;
  ASSERT_TRUE(StageCommit(scenario, s).ok());

  rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit = old;
  limit.rlim_cur = before.size();
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
  const jet::Status committed = s.commitBatch();
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);

  ASSERT_FALSE(committed.ok());
  EXPECT_NE(committed.message().find("File too large"), std::string::npos) << committed.message();
  EXPECT_NE(committed.message().find(file.string()), std::string::npos) << committed.message();
  EXPECT_TRUE(ReadFileBytes(file) == before);
  EXPECT_FALSE(fs::exists(jet::JournalPathFor(file.string())));

  ASSERT_TRUE(StageCommit(scenario, s).ok());
  ASSERT_TRUE(s.commitBatch().ok());
  session->reset();
  ExpectCommitted(scenario, file, jetwrite_test::OurDump(CopyOfCorpusFile(scenario.corpusFile)));
}

// A session closed in the middle of a batch whose pages were partly written early (the
// program ended without commit or rollback): the pages are cut off again and the journal
// removed, as a rollback would.
TEST(FailedCommit, SessionClosedInTheMiddleOfALargeBatchLeavesTheFileAsBefore) {
  Scenario scenario{"new_accdb", "", ".accdb", "Gone", false};
  scenario.rows = static_cast<int>(jet::PageWriter::kDirtyPagesLimit) * 3 / 2;
  scenario.memoCharacters = 1500;
  const fs::path file = StartingFile(scenario);
  const std::string before = ReadFileBytes(file);
  const fs::path journal = jet::JournalPathFor(file.string());
  {
    auto session = jet::WriteSession::Open(file.string());
    ASSERT_TRUE(session.ok());
    ASSERT_TRUE(StageCommit(scenario, **session).ok());
    EXPECT_GT(fs::file_size(file), before.size()) << "the batch should have written pages early";
    EXPECT_TRUE(fs::exists(journal)) << "early writes come after the journal";
  }
  EXPECT_FALSE(fs::exists(journal));
  EXPECT_TRUE(ReadFileBytes(file) == before);
}

}  // namespace
}  // namespace jetjournal_test
