// Writing speed of the Access engine through SQL text, as the program writes a table it
// receives from SQLite: a new .mdb, one CREATE TABLE, then one INSERT statement per row with
// every value a quoted text literal (each statement written when it succeeds, no transaction),
// then the whole table read back through a record set and checked value by value.
//
// Usage: jet_write_bench [--batch N] [ROWS [FILE]]   (200000 rows into a scratch file by default)
// --batch N wraps every N inserts in BeginTrans/CommitTrans, so the file is synced once per N
// rows instead of once per row: the engine's own cost without the per-statement syncs.
// The file is kept when FILE is given, removed otherwise.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "BenchRows.h"
#include "ado/Connection.h"
#include "ado/ConnectionString.h"
#include "ado/Error.h"
#include "ado/Recordset.h"
#include "ado/access/AccessProvider.h"
#include "jet/create/NewDatabase.h"

namespace {

// The peer: the Java library Jackcess writing such a table through its own API took about
// 4.3 s on this kind of machine (figure from the project's issue, not measured here).
constexpr double kPeerSeconds = 4.3;
constexpr double kMemoryGoalMiB = 64;

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double PeakRssMiB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

std::string Quote(const std::string& path) {
  std::string out = "'";
  for (char c : path) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

int main(int argc, char** argv) {
  long batch = 0;
  if (argc > 2 && std::string(argv[1]) == "--batch") {
    batch = std::atol(argv[2]);
    argc -= 2;
    argv += 2;
  }
  const long rows = argc > 1 ? std::atol(argv[1]) : 200000;
  const bool keep = argc > 2;
  const std::filesystem::path file =
      keep ? std::filesystem::path(argv[2])
           : std::filesystem::temp_directory_path() / ("jet_write_bench_" + std::to_string(::getpid()) + ".mdb");
  if (rows <= 0 || batch < 0) {
    std::fprintf(stderr, "usage: jet_write_bench [--batch N] [ROWS [FILE]]\n");
    return 2;
  }
  std::filesystem::remove(file);
  if (auto created = jet::create::CreateDatabase(file.string(), jet::create::NewDatabaseFormat::kJet4, 45352.0);
      !created.ok()) {
    std::fprintf(stderr, "jet_write_bench: %s\n", created.message().c_str());
    return 1;
  }
  ado::access::RegisterAccessProvider();

  double insertSeconds = 0, buildSeconds = 0, readSeconds = 0, rssAfterInsert = 0;
  long mismatches = 0, rowsRead = 0;
  std::uint64_t textBytes = 0;
  try {
    ado::Connection db;
    db.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + ado::QuoteConnectionValue(file.string()));
    db.Execute(bench::kCreateTable);

    // Making the rows and their INSERT text is the caller's work, not the writer's: a first
    // pass only builds them, and its time is taken off the pass that also runs them.
    std::string statement;
    const auto buildStart = std::chrono::steady_clock::now();
    for (long i = 0; i < rows; ++i) {
      bench::InsertStatement(bench::MakeRow(i), statement);
      textBytes += statement.size();
    }
    buildSeconds = Seconds(buildStart);
    const auto insertStart = std::chrono::steady_clock::now();
    for (long i = 0; i < rows; ++i) {
      const bench::Row row = bench::MakeRow(i);
      bench::InsertStatement(row, statement);
      if (batch && i % batch == 0) db.BeginTrans();
      db.Execute(statement);
      if (batch && (i % batch == batch - 1 || i == rows - 1)) db.CommitTrans();
    }
    insertSeconds = Seconds(insertStart) - buildSeconds;
    rssAfterInsert = PeakRssMiB();

    const auto readStart = std::chrono::steady_clock::now();
    ado::Recordset rs;
    rs.Open("SELECT * FROM `Bench`", db);
    for (; !rs.Eof(); rs.MoveNext(), ++rowsRead) {
      if (!bench::RowMatches(bench::MakeRow(rowsRead), rs.Fields())) {
        if (++mismatches <= 3) std::fprintf(stderr, "row %ld reads back differently\n", rowsRead);
      }
    }
    rs.Close();
    readSeconds = Seconds(readStart);
    db.Close();
  } catch (const ado::Error& e) {
    std::fprintf(stderr, "jet_write_bench: %s\n", e.description().c_str());
    return 1;
  }

  const auto fileBytes = std::filesystem::file_size(file);
  const std::string check = Quote(JETTOOL_PATH) + " check " + Quote(file.string()) + " > /dev/null";
  const int checkStatus = std::system(check.c_str());

  std::printf("rows:       %ld (%.1f MB of INSERT text), file %.1f MB, %s\n", rows, textBytes / 1e6, fileBytes / 1e6,
              batch ? ("committed every " + std::to_string(batch) + " rows").c_str() : "one statement at a time");
  std::printf("insert:     %.2f s = %.0f rows/s, peak RSS %.1f MiB (building the statements took %.2f s more)\n",
              insertSeconds, rows / insertSeconds, rssAfterInsert, buildSeconds);
  std::printf("read back:  %ld rows in %.2f s = %.0f rows/s, %ld rows differ\n", rowsRead, readSeconds,
              rowsRead / readSeconds, mismatches);
  std::printf("peer:       Jackcess about %.1f s for 200000 rows (figure from the issue) = %.0f rows/s\n",
              kPeerSeconds, 200000 / kPeerSeconds);
  std::printf("goal:       insert at least 2x the peer (%.0f rows/s): %s; memory under %.0f MiB: %s (%.1f MiB)\n",
              2 * 200000 / kPeerSeconds, rows / insertSeconds >= 2 * 200000 / kPeerSeconds ? "met" : "NOT met",
              kMemoryGoalMiB, PeakRssMiB() < kMemoryGoalMiB ? "met" : "NOT met", PeakRssMiB());
  std::printf("jettool check: %s\n", checkStatus == 0 ? "passed" : "FAILED");
  if (!keep) std::filesystem::remove(file);
  return checkStatus == 0 && mismatches == 0 && rowsRead == rows ? 0 : 1;
}
