// Writing speed of the Access engine through SQL text, as the program writes a table it
// receives from SQLite: a new .mdb, one CREATE TABLE, then one INSERT statement per row with
// every value a quoted text literal (each statement written when it succeeds, no transaction),
// then the whole table read back through a record set and checked value by value.
// The peer runs in the same process right after: SQLite taking the very same statements
// through the same ADO layer into a new file, with the same batching and a full sync per
// commit (PRAGMA synchronous=FULL), so both sides promise the same durability.
//
// Usage: jet_write_bench [--batch N] [ROWS [FILE]]   (200000 rows into a scratch file by default)
// --batch N wraps every N inserts in BeginTrans/CommitTrans (1000 by default), so the file is
// synced once per N rows; --batch 0 makes every statement its own commit with its own syncs,
// which measures the disk's sync time more than either engine (use few rows).
// The file is kept when FILE is given, removed otherwise.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "BenchRows.h"
#include "ado/Connection.h"
#include "ado/ConnectionString.h"
#include "ado/Error.h"
#include "ado/Recordset.h"
#include "ado/access/AccessProvider.h"
#include "jet/create/NewDatabase.h"

namespace {

// Memory must not grow with the table: the writer keeps only the pages of one commit.
constexpr double kMemoryLimitMiB = 64;

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

// Runs every row's INSERT on `db`, BeginTrans/CommitTrans around each `batch` rows when
// batch > 0. Returns the seconds spent, less the time that building the statements alone
// takes (`buildSeconds`, measured by the caller).
double RunInserts(ado::Connection& db, long rows, long batch, double buildSeconds) {
  std::string statement;
  const auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < rows; ++i) {
    bench::InsertStatement(bench::MakeRow(i), statement);
    if (batch && i % batch == 0) db.BeginTrans();
    db.Execute(statement);
    if (batch && (i % batch == batch - 1 || i == rows - 1)) db.CommitTrans();
  }
  return Seconds(start) - buildSeconds;
}

}  // namespace

int main(int argc, char** argv) {
  long batch = 1000;
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

  const std::filesystem::path peerFile = std::filesystem::path(file.string() + ".peer.db");
  double peerSeconds = 0;
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
    insertSeconds = RunInserts(db, rows, batch, buildSeconds);
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

    std::filesystem::remove(peerFile);
    std::ofstream{peerFile};  // SQLite takes an empty file as a new database
    ado::Connection peer;
    peer.Open("DRIVER=SQLite3 ODBC Driver;Database=" + ado::QuoteConnectionValue(peerFile.string()) +
              ";LongNames=0;Timeout=1000;NoTXN=0;SyncPragma=FULL;StepAPI=0;");
    peer.Execute(bench::kCreateTable);
    peerSeconds = RunInserts(peer, rows, batch, buildSeconds);
    peer.Close();
    std::filesystem::remove(peerFile);
  } catch (const ado::Error& e) {
    std::fprintf(stderr, "jet_write_bench: %s\n", e.description().c_str());
    std::filesystem::remove(peerFile);
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
  std::printf("peer:       SQLite, the same statements and commits: %.2f s = %.0f rows/s; ours takes %.2fx its time\n",
              peerSeconds, rows / peerSeconds, insertSeconds / peerSeconds);
  std::printf("memory:     peak RSS after the inserts %.1f MiB, limit %.0f MiB: %s\n", rssAfterInsert, kMemoryLimitMiB,
              rssAfterInsert < kMemoryLimitMiB ? "within" : "OVER");
  std::printf("jettool check: %s\n", checkStatus == 0 ? "passed" : "FAILED");
  if (!keep) std::filesystem::remove(file);
  return checkStatus == 0 && mismatches == 0 && rowsRead == rows ? 0 : 1;
}
