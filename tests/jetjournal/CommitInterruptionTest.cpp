// A commit stopped after every single step that changes the disk (journal writes and
// syncs, page writes, the truncation, the journal's removal), in every format, on
// Access-made and engine-made files: as this process stopping its writes there, and as a
// child process killed there. Whoever opens the file next rolls the hot journal back: the
// file is then byte for byte the one before the commit. The uninterrupted commit is
// complete. Both states check clean with our checker and both independent readers.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <random>

#include "CommitScenario.h"
#include "PowerCut.h"
#include "WriteOracles.h"
#include "jet/check/DatabaseCheck.h"

namespace jetjournal_test {
namespace {

using jetwrite_test::ExpectOraclesAgree;
using jetwrite_test::OurDump;
using jetwrite_test::ReadFileBytes;

void ExpectCheckClean(const fs::path& file, const std::string& password = "") {
  auto report = jet::check::CheckDatabase(file.string(), password);
  ASSERT_TRUE(report.ok()) << report.status().message();
  EXPECT_TRUE(report->clean()) << file << ": " << report->problems.front();
}

const Scenario kCorpusMdb{"corpus_mdb", "mdb-reader/V2003/test.mdb", "", "Table4"};
const Scenario kCorpusAccdb{"corpus_accdb", "mdb-reader/V2007/test.accdb", "", "Table4"};
const Scenario kNewMdb{"new_mdb", "", ".mdb", "Gone", true};
const Scenario kNewAccdb{"new_accdb", "", ".accdb", "Gone", true};
// The drop first, so that the new table's pages are the dropped table's, taken again in
// the same batch and overwritten in place: the journal must give them back too.
const Scenario kOverwriteMdb{"overwrite_corpus_mdb", "mdb-reader/V2003/test.mdb", "", "Table4", false, 3, 0, true};
const Scenario kOverwriteAccdb{"overwrite_new_accdb", "", ".accdb", "Gone", true, 3, 0, true};
// Encrypted files: the journal holds the pages as stored, encrypted, and gives them back so.
const Scenario kAgileAccdb{"agile_aes_accdb", "mdb-reader/encryption/office-agile-4.4.accdb", "", "Table1",
                           false, 3, 0, false, "password"};
const Scenario kRc4CryptoApiAccdb{"rc4_cryptoapi_accdb", "mdb-reader/encryption/office-agile-4.2.accdb", "", "Table1",
                                  false, 3, 0, true, "password"};
// Access 97 files: 2 KB pages in the journal; the overwrite takes the dropped table's pages.
const Scenario kAccess97{"access97_mdb", "mdb-reader/V1997/test.mdb", "", "Table4"};
const Scenario kOverwriteAccess97{"overwrite_access97_mdb", "mdb-reader/V1997/test.mdb", "", "Table2", false, 3, 0, true};

// Interrupts the commit after each of `points` steps; every reopened file must be the
// starting file again. Returns the number of interruptions tried.
void InterruptAt(const Scenario& scenario, const fs::path& start, const std::vector<uint64_t>& points) {
  const std::string startBytes = ReadFileBytes(start);
  const fs::path file = NewFolder() / start.filename();
  const fs::path journal = jet::JournalPathFor(file.string());
  for (uint64_t n : points) {
    CopyOver(start, file);
    const jet::Status s =
        RunCommit(scenario, file, [n](jet::PageFile& f) { (void)f.interruptWritesAfter(static_cast<int>(n)); });
    ASSERT_FALSE(s.ok()) << scenario.label << ": the commit ended after " << n << " steps";
    EXPECT_EQ(fs::exists(journal), n > 0) << n << " steps";
    const jet::Status reopened = Reopen(file, scenario.password);
    ASSERT_TRUE(reopened.ok()) << n << " steps: " << reopened.message();
    EXPECT_FALSE(fs::exists(journal)) << n << " steps";
    EXPECT_TRUE(ReadFileBytes(file) == startBytes) << scenario.label << ": not as before after " << n << " steps";
  }
}

void ExpectCompleteCommit(const Scenario& scenario, const fs::path& start) {
  const fs::path file = NewFolder() / start.filename();
  CopyOver(start, file);
  const jet::Status s = RunCommit(scenario, file, {});
  ASSERT_TRUE(s.ok()) << s.message();
  EXPECT_FALSE(fs::exists(jet::JournalPathFor(file.string())));
  ExpectCommitted(scenario, file, OurDump(start, scenario.password));
  ExpectCheckClean(file, scenario.password);
  ExpectOraclesAgree(file, true, scenario.password, scenario.password.empty());
}

class EveryStep : public ::testing::TestWithParam<Scenario> {};

TEST_P(EveryStep, InterruptedCommitIsRolledBackExactlyOnReopen) {
  const Scenario& scenario = GetParam();
  const fs::path start = StartingFile(scenario);
  const StepCount steps = CountSteps(scenario, start);
  // Journal header, records, sync, folder sync, new pages, sync, overwrites, sync, removal.
  ASSERT_GT(steps.total, 20u);
  std::vector<uint64_t> points;
  for (uint64_t n = 0; n < steps.total; ++n) points.push_back(n);
  InterruptAt(scenario, start, points);
  // Every interrupted file is the starting file, so this checks them all.
  ExpectCheckClean(start, scenario.password);
  ExpectOraclesAgree(start, true, scenario.password, scenario.password.empty());
  ExpectCompleteCommit(scenario, start);
  std::printf("%s: %llu steps, each interrupted and rolled back\n", scenario.label.c_str(),
              static_cast<unsigned long long>(steps.total));
}

INSTANTIATE_TEST_SUITE_P(Files, EveryStep, ::testing::Values(kCorpusMdb, kCorpusAccdb, kNewMdb, kNewAccdb, kOverwriteMdb, kOverwriteAccdb,
                                                           kAgileAccdb, kRc4CryptoApiAccdb, kAccess97,
                                                           kOverwriteAccess97),
                         [](const auto& info) { return info.param.label; });

// Batches big enough to write appended pages long before the commit; the second drops a
// table first and takes its pages again, so the journal grows in the middle of the batch.
Scenario EarlyWrites(bool dropFirst) {
  Scenario scenario{dropFirst ? "early_writes_overwrite" : "early_writes", "", ".accdb", "Gone", false};
  scenario.rows = static_cast<int>(jet::PageWriter::kDirtyPagesLimit) * 5 / 2;
  scenario.memoCharacters = 1500;  // one long-value page a row
  scenario.dropFirst = dropFirst;
  return scenario;
}

// A power cut during the commit, simulated at the file layer (PowerCut.h): every crash
// state, unsynced writes dropped, reordered or torn, reopens as exactly the file before
// the commit or exactly the file after it, and leaves no journal behind.
class PowerCutDuring : public ::testing::TestWithParam<Scenario> {};

TEST_P(PowerCutDuring, EveryCrashStateReopensAsTheOldOrTheNewFile) {
  constexpr size_t kRandomStates = 24;
  const Scenario& scenario = GetParam();
  const fs::path start = StartingFile(scenario);
  const std::string startBytes = ReadFileBytes(start);
  const fs::path file = NewFolder() / start.filename();
  const fs::path journal = jet::JournalPathFor(file.string());
  CopyOver(start, file);
  PowerCut cut(file, startBytes);
  const jet::Status committed = RunCommit(scenario, file, {});
  cut.stop();
  ASSERT_TRUE(committed.ok()) << committed.message();
  const std::string endBytes = ReadFileBytes(file);
  // The states just before each sync hold the most undecided writes: each is tried with
  // few, half and most of them surviving. Then points at random, with none, all or half.
  std::mt19937 random(20261208);
  std::vector<std::pair<size_t, double>> states;
  for (size_t k = 0; k < cut.changes(); ++k) {
    if (!cut.isSync(k)) continue;
    for (double survival : {0.2, 0.5, 0.8}) states.emplace_back(k, survival);
  }
  states.emplace_back(cut.changes(), 1.0);
  std::uniform_int_distribution<size_t> anyPoint(0, cut.changes());
  for (size_t n = 0; n < kRandomStates; ++n) states.emplace_back(anyPoint(random), n % 3 * 0.5);
  size_t asBefore = 0;
  for (const auto& [k, survival] : states) {
    cut.restore(cut.crash(k, survival, random));
    const jet::Status reopened = Reopen(file, scenario.password);
    ASSERT_TRUE(reopened.ok()) << "power cut after " << k << " of " << cut.changes() << " changes: "
                               << reopened.message();
    const std::string bytes = ReadFileBytes(file);
    EXPECT_TRUE(bytes == startBytes || bytes == endBytes)
        << scenario.label << ": neither the old nor the new file after a power cut after " << k << " of "
        << cut.changes() << " changes";
    EXPECT_FALSE(fs::exists(journal)) << k;
    asBefore += bytes == startBytes;
  }
  EXPECT_GT(asBefore, 0u);
  std::printf("%s: %zu crash states of %zu changes, %zu as before, %zu as after\n", scenario.label.c_str(),
              states.size(), cut.changes(), asBefore, states.size() - asBefore);
}

INSTANTIATE_TEST_SUITE_P(Files, PowerCutDuring,
                         ::testing::Values(kCorpusMdb, kCorpusAccdb, kNewMdb, kNewAccdb, kOverwriteMdb, kOverwriteAccdb,
                                           kAgileAccdb, kRc4CryptoApiAccdb, kAccess97, kOverwriteAccess97,
                                           EarlyWrites(false), EarlyWrites(true)),
                         [](const auto& info) { return info.param.label; });

// A batch big enough to write appended pages long before the commit: the journal (its
// header with the file's size) comes first, and an interruption anywhere cuts them off.
TEST(EveryStep, InterruptedBatchWithEarlyWritesIsCutBackOnReopen) {
  const Scenario scenario = EarlyWrites(false);
  const fs::path start = StartingFile(scenario);
  const StepCount steps = CountSteps(scenario, start);
  ASSERT_GT(steps.beforeCommit, jet::PageWriter::kDirtyPagesLimit);
  // The journal's making, early writes, and every step of the commit from its start and
  // towards its end (the commit's new pages in between are alike).
  std::vector<uint64_t> points = {0, 1, 2, 3, 4, steps.beforeCommit / 2};
  for (uint64_t n = steps.beforeCommit; n < steps.beforeCommit + 12; ++n) points.push_back(n);
  for (uint64_t n = steps.total - 40; n < steps.total; ++n) points.push_back(n);
  InterruptAt(scenario, start, points);
  ExpectCompleteCommit(scenario, start);
}

// A file that ends in part of a page: the first new page overwrites that part, so the
// journal saves it, and every interruption gives the file back with its odd size.
TEST(EveryStep, FileEndingInAPartialPageGetsItBack) {
  const Scenario scenario{"partial_page", "", ".mdb", "Gone", true};
  const fs::path start = StartingFile(scenario);
  std::ofstream(start, std::ios::binary | std::ios::app) << std::string(1000, '\x77');
  const StepCount steps = CountSteps(scenario, start);
  std::vector<uint64_t> points;
  for (uint64_t n = 0; n < steps.total; ++n) points.push_back(n);
  InterruptAt(scenario, start, points);
}

// The same commit in a child process killed (SIGKILL) at each step; another process,
// jettool check, finds the hot journal, rolls it back and finds the file clean.
TEST(KilledWriter, EveryStepOfACommitInBothFormats) {
  for (const Scenario& scenario : {kCorpusAccdb, kNewMdb}) {
    const fs::path start = StartingFile(scenario);
    const std::string startBytes = ReadFileBytes(start);
    const StepCount steps = CountSteps(scenario, start);
    const fs::path file = NewFolder() / start.filename();
    const fs::path journal = jet::JournalPathFor(file.string());
    for (uint64_t n = 0; n <= steps.total; ++n) {
      CopyOver(start, file);
      std::fflush(nullptr);
      const pid_t child = ::fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        const jet::Status s = RunCommit(scenario, file, [n](jet::PageFile& f) {
          (void)f.interruptWritesAfter(static_cast<int>(n), [] { ::raise(SIGKILL); });
        });
        ::_exit(s.ok() ? 0 : 3);
      }
      int status = 0;
      ASSERT_EQ(::waitpid(child, &status, 0), child);
      if (n < steps.total) {
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << scenario.label << ", step " << n;
      } else {
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << scenario.label << ": the whole commit";
      }
      EXPECT_EQ(fs::exists(journal), n > 0 && n < steps.total) << n << " steps";
      const auto checked = jetwrite_test::RunCommand(std::string(JETTOOL_PATH) + " check '" + file.string() + "'");
      EXPECT_EQ(checked.exitCode, 0) << scenario.label << ", step " << n << ": " << checked.out << checked.err;
      EXPECT_FALSE(fs::exists(journal)) << n << " steps";
      if (n < steps.total) {
        EXPECT_TRUE(ReadFileBytes(file) == startBytes) << scenario.label << ": not as before after " << n << " steps";
      } else {
        ExpectCommitted(scenario, file, OurDump(start));
        ExpectOraclesAgree(file);
      }
    }
    std::printf("%s: killed at each of %llu steps\n", scenario.label.c_str(),
                static_cast<unsigned long long>(steps.total));
  }
}

}  // namespace
}  // namespace jetjournal_test
