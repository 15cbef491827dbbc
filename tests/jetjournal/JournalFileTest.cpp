// The journal on its own: what a hot journal makes recovery do when it is whole, torn,
// garbage or of another file; that records hold pages exactly as stored (masked, encoded,
// encrypted); and commits that fail in this process (a disk error at any step, a full
// disk) leave the file as it was, with the session still usable.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <zlib.h>

#include <csignal>
#include <fstream>
#include <functional>

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

// A journal without the magic never had its header reach the disk, and nothing is written
// before it has.
TEST(HotJournal, GarbageOrEmptyJournalIsRemovedAndTheFileLeftAlone) {
  for (const std::string& contents : {std::string(), std::string(3000, '\x5a'), std::string(40, '\0')}) {
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

uint32_t Crc(uint32_t crc, const std::string& bytes, size_t from, size_t length) {
  return static_cast<uint32_t>(::crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()) + from, static_cast<uInt>(length)));
}

// Records are synced before the count that covers them, and the header before anything:
// once the header is whole, a header, count or record that fails its checksum, missing
// records or an impossible size before the change are damage, not a write cut short.
// The journal is refused and kept, the file is left as it is, and the message names the
// journal, what is wrong and what follows. Among them a torn page number that still names
// a page of the file (the checksum covers the page number too).
TEST(HotJournal, DamagedJournalIsRefusedAndKeptAndTheFileLeftAsItIs) {
  const uint64_t recordSize = jf::kRecordPrefix + kPage;
  const auto flip = [](uint64_t offset, uint8_t bits) {
    return [=](std::string& j) { j[offset] = static_cast<char>(j[offset] ^ bits); };
  };
  // The original size set to `size`, the header's checksum made to match.
  const auto forgeSize = [](uint64_t size) {
    return [=](std::string& j) {
      for (int k = 0; k < 8; ++k) j[jf::kOriginalSizeOffset + k] = static_cast<char>(size >> (8 * k));
      const uint32_t sum = Crc(Crc(0, j, 0, jf::kHeaderSumOffset), j, jf::kFirstPageSumOffset,
                               jf::kIdentityEnd - jf::kFirstPageSumOffset);
      for (int k = 0; k < 4; ++k) j[jf::kHeaderSumOffset + k] = static_cast<char>(sum >> (8 * k));
    };
  };
  struct Damage {
    std::string reason;
    std::function<void(std::string&)> apply;
  };
  const std::vector<Damage> damages = {
      {"record 2 of 2 fails its checksum", flip(jf::kHeaderBlock + recordSize + 2000, 0x40)},
      {"record 1 of 2 fails its checksum", flip(jf::kHeaderBlock, 0x01)},  // page 3 read as page 2
      {"record count fails its checksum", flip(jf::kCountOffset, 0x40)},
      {"header fails its checksum", flip(jf::kOriginalSizeOffset + 1, 0x10)},
      {"header fails its checksum", flip(jf::kInodeOffset, 0x01)},
      {"shorter than the 2 records", [](std::string& j) { j.resize(j.size() - 1); }},
      {"is larger than the file", forgeSize(uint64_t{1} << 40)},
      {"is smaller than any database", forgeSize(kPage)},
  };
  for (const Damage& damage : damages) {
    HandMadeCommit commit(/*overwrite=*/true);
    std::string journal = ReadFileBytes(commit.journal);
    damage.apply(journal);
    WriteFile(commit.journal, journal);
    const std::string torn = ReadFileBytes(commit.file);
    auto recovered = Recover(commit.file);
    ASSERT_FALSE(recovered.ok()) << damage.reason;
    const std::string& message = recovered.status().message();
    EXPECT_EQ(recovered.status().code(), jet::ErrorCode::kCorrupt) << message;
    EXPECT_NE(message.find(commit.journal.string()), std::string::npos) << message;
    EXPECT_NE(message.find(damage.reason), std::string::npos) << message;
    EXPECT_NE(message.find("the database stays as it is until the journal is dealt with"), std::string::npos)
        << message;
    EXPECT_TRUE(ReadFileBytes(commit.journal) == journal) << damage.reason;
    EXPECT_TRUE(ReadFileBytes(commit.file) == torn) << damage.reason;
    // Neither a reader nor a writer opens it.
    EXPECT_FALSE(Reopen(commit.file).ok()) << damage.reason;
    EXPECT_FALSE(jet::WriteSession::Open(commit.file.string()).ok()) << damage.reason;
  }
}

// A journal the previous version left (version 1: no identity) is rolled back when whole.
TEST(HotJournal, WholeJournalOfThePreviousVersionIsRolledBack) {
  HandMadeCommit commit(/*overwrite=*/true);
  std::string journal = ReadFileBytes(commit.journal);
  journal[8] = 1;
  std::fill(journal.begin() + jf::kFirstPageSumOffset, journal.begin() + jf::kIdentityEnd, '\0');
  const uint32_t sum = Crc(0, journal, 0, jf::kHeaderSumOffset);
  for (int k = 0; k < 4; ++k) journal[jf::kHeaderSumOffset + k] = static_cast<char>(sum >> (8 * k));
  WriteFile(commit.journal, journal);
  auto recovered = Recover(commit.file);
  ASSERT_TRUE(recovered.ok()) << recovered.status().message();
  EXPECT_EQ(recovered->outcome, Outcome::kRolledBack);
  EXPECT_TRUE(ReadFileBytes(commit.file) == commit.before);
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

// A hot journal as a writer killed in the middle of its overwrites leaves it, in a child
// process, on a file named A beside which the tests then move, copy or link files.
struct KilledCommit {
  fs::path file;
  fs::path journal;
  std::string torn;  // the file as the writer left it
  explicit KilledCommit(const Scenario& scenario) {
    const fs::path start = StartingFile(scenario);
    const StepCount steps = CountSteps(scenario, start);
    file = NewFolder() / ("a" + start.extension().string());
    journal = jet::JournalPathFor(file.string());
    CopyOver(start, file);
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
      // Stopped at the last overwrite: the others are done, the sync and removal not.
      (void)RunCommit(scenario, file, [&](jet::PageFile& f) {
        (void)f.interruptWritesAfter(static_cast<int>(steps.total - 3), [] { ::raise(SIGKILL); });
      });
      ::_exit(3);
    }
    int status = 0;
    EXPECT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_TRUE(fs::exists(journal));
    torn = ReadFileBytes(file);
  }
};

jetwrite_test::CommandResult Check(const fs::path& file) {
  return jetwrite_test::RunCommand(std::string(JETTOOL_PATH) + " check '" + file.string() + "'");
}

const Scenario kHazardScenario{"new_mdb", "", ".mdb", "Gone", true};

// The journal names the database it was made for (device, inode, first page): moved away
// from it, or left beside another database copied to its name, moved over it in a new file
// or written into it in place, it is refused and kept, the other database untouched. Put
// back beside its own file, it rolls that back.
TEST(HotJournalHazards, JournalOfAnotherDatabaseIsNeverApplied) {
  const fs::path other = CopyOfCorpusFile("mdb-reader/V2003/test.mdb");
  const std::string otherBytes = ReadFileBytes(other);
  for (const bool inPlace : {false, true}) {
    SCOPED_TRACE(inPlace ? "copied over in place" : "moved away, another copied to its name");
    KilledCommit commit(kHazardScenario);
    const fs::path moved = commit.file.parent_path() / "b.mdb";
    if (!inPlace) fs::rename(commit.file, moved);
    fs::copy_file(other, commit.file, fs::copy_options::overwrite_existing);
    const std::string journal = ReadFileBytes(commit.journal);
    const auto checked = Check(commit.file);
    EXPECT_EQ(checked.exitCode, 1) << checked.out << checked.err;
    EXPECT_NE(checked.out.find("belongs to another database"), std::string::npos) << checked.out << checked.err;
    EXPECT_NE(checked.out.find(commit.journal.string()), std::string::npos) << checked.out;
    EXPECT_TRUE(ReadFileBytes(commit.file) == otherBytes);
    EXPECT_TRUE(ReadFileBytes(commit.journal) == journal);
    if (!inPlace) {
      fs::rename(commit.journal, jet::JournalPathFor(moved.string()));
      const auto own = Check(moved);
      EXPECT_EQ(own.exitCode, 0) << own.out << own.err;
      EXPECT_FALSE(fs::exists(jet::JournalPathFor(moved.string())));
    }
  }
}

// Only a regular file is a journal: a link at the journal's name (to another database's
// hot journal, or to nowhere) or a folder is refused with its own message, never followed
// or written through; the database and the link's target stay as they are.
TEST(HotJournalHazards, LinkOrFolderAtTheJournalsNameIsRefused) {
  KilledCommit hot(kHazardScenario);
  const std::string hotJournal = ReadFileBytes(hot.journal);
  const fs::path file = CopyOfCorpusFile("mdb-reader/V2003/test.mdb");
  const std::string before = ReadFileBytes(file);
  const fs::path journal = jet::JournalPathFor(file.string());

  fs::create_symlink(hot.journal, journal);
  const auto checked = Check(file);
  EXPECT_EQ(checked.exitCode, 1) << checked.out << checked.err;
  EXPECT_NE(checked.out.find("the journal " + journal.string() + " is a symbolic link"), std::string::npos)
      << checked.out << checked.err;
  EXPECT_TRUE(ReadFileBytes(file) == before);
  EXPECT_TRUE(ReadFileBytes(hot.journal) == hotJournal);
  EXPECT_TRUE(ReadFileBytes(hot.file) == hot.torn);
  fs::remove(journal);

  // Planted while a writer has the file open: its commit refuses to write through it.
  const fs::path target = file.parent_path() / "elsewhere";
  {
    auto session = jet::WriteSession::Open(file.string());
    ASSERT_TRUE(session.ok()) << session.status().message();
    fs::create_symlink(target, journal);
    const jet::Status refused = (*session)->createTable("T", {{"Id", jet::ColumnType::kLong}});
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.message().find("the journal " + journal.string() + " is a symbolic link, not a journal"),
              std::string::npos)
        << refused.message();
  }
  EXPECT_FALSE(fs::exists(target));
  EXPECT_TRUE(ReadFileBytes(file) == before);
  fs::remove(journal);

  fs::create_directory(journal);
  const jet::Status folder = Reopen(file);
  ASSERT_FALSE(folder.ok());
  EXPECT_NE(folder.message().find("the journal " + journal.string() + " is not a regular file"), std::string::npos)
      << folder.message();
  EXPECT_TRUE(fs::is_directory(journal));
}

// A damaged hot journal (here a record's byte changed after the kill): `jettool check`
// reports it as the file's problem, and nothing, neither the check nor a writer, applies
// it in part or throws it away.
TEST(HotJournalHazards, DamagedHotJournalIsReportedByCheckAndKept) {
  KilledCommit commit(kHazardScenario);
  std::string journal = ReadFileBytes(commit.journal);
  const size_t recordSize = jf::kRecordPrefix + kPage;
  ASSERT_GT(journal.size(), jf::kHeaderBlock + recordSize);
  journal[jf::kHeaderBlock + recordSize + 100] ^= 0x01;  // inside record 2
  WriteFile(commit.journal, journal);
  const auto checked = Check(commit.file);
  EXPECT_EQ(checked.exitCode, 1) << checked.out << checked.err;
  EXPECT_NE(checked.out.find("is damaged: record 2 of"), std::string::npos) << checked.out << checked.err;
  EXPECT_NE(checked.out.find("1 problem(s)"), std::string::npos) << checked.out;
  EXPECT_FALSE(jet::WriteSession::Open(commit.file.string()).ok());
  EXPECT_TRUE(ReadFileBytes(commit.journal) == journal);
  EXPECT_TRUE(ReadFileBytes(commit.file) == commit.torn);
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
      // Journal header, the record, its sync, the count, its sync; stopped before the
      // folder's sync.
      ASSERT_TRUE((*pages)->interruptWritesAfter(5).ok());
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
