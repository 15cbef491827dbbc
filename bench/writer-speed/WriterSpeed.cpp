// How fast the Access writer takes rows through SQL text, and how much memory it keeps:
// a new .mdb, one table of mixed columns (Long, Text(50), Memo of 0-2,000 characters,
// Double, Currency, Integer, Yes/No, Date/Time, Single, Decimal; about 10% NULLs),
// then N INSERT statements inside BeginTrans .. CommitTrans, committed every BATCH rows.
//
// Usage: jet_writer_speed [ROWS [BATCH [FILE]]]   (20000 rows, one commit at the end)
// The file is kept when FILE is given, removed otherwise.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "ado/Connection.h"
#include "ado/ConnectionString.h"
#include "ado/Error.h"
#include "ado/access/AccessProvider.h"
#include "jet/create/NewDatabase.h"

namespace {

constexpr const char* kCreate =
    "CREATE TABLE [Speed] ([Id] LONG, [Name] TEXT(50), [Notes] MEMO, [Ratio] DOUBLE, [Price] CURRENCY, "
    "[Qty] SMALLINT, [Active] BIT, [Stamp] DATETIME, [Weight] SINGLE, [Amount] DECIMAL(18,4))";

// Deterministic pseudo-random numbers, so that every run writes the same rows.
uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// The INSERT text of row `i`, built into `out` (reused between rows).
void RowStatement(long i, std::string& out) {
  uint64_t r = Mix(static_cast<uint64_t>(i));
  auto next = [&]() { return r = Mix(r); };
  auto isNull = [&]() { return next() % 10 == 0; };
  char buf[128];
  out.assign("INSERT INTO [Speed] VALUES (");
  out += std::to_string(i);
  out += ", ";
  if (isNull()) out += "NULL";
  else {
    out += "'Cust\xC3\xB8mer O''Neil ";
    out += std::to_string(next() % 100000);
    out += "'";
  }
  out += ", ";
  if (isNull()) out += "NULL";
  else {
    const size_t length = next() % 2001;
    out += "'";
    static const char kWords[] = "lorem ipsum dolor sit amet, consectetur adipiscing elit sed do eiusmod ";
    for (size_t k = 0; k < length; ++k) out += kWords[(k + i) % (sizeof kWords - 1)];
    out += "'";
  }
  std::snprintf(buf, sizeof buf, ", %.6f, %lld.%02d, %d, %s, '%d/%d/20%02d %d:%02d:%02d', %.3f, %lld.%04d)",
                static_cast<double>(next() % 1000000) / 997.0, static_cast<long long>(next() % 100000),
                static_cast<int>(next() % 100), static_cast<int>(next() % 30000), next() % 2 ? "True" : "False",
                static_cast<int>(next() % 12 + 1), static_cast<int>(next() % 28 + 1), static_cast<int>(next() % 30),
                static_cast<int>(next() % 24), static_cast<int>(next() % 60), static_cast<int>(next() % 60),
                static_cast<double>(next() % 100000) / 8.0, static_cast<long long>(next() % 100000000),
                static_cast<int>(next() % 10000));
  out += buf;
}

double CpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double PeakRssMiB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
  const long rows = argc > 1 ? std::atol(argv[1]) : 20000;
  const long batch = argc > 2 ? std::atol(argv[2]) : 0;
  const bool keep = argc > 3;
  const std::filesystem::path file =
      keep ? std::filesystem::path(argv[3])
           : std::filesystem::temp_directory_path() / ("jet_writer_speed_" + std::to_string(::getpid()) + ".mdb");
  if (rows <= 0 || batch < 0) {
    std::fprintf(stderr, "usage: jet_writer_speed [ROWS [BATCH [FILE]]]\n");
    return 2;
  }
  std::filesystem::remove(file);
  if (auto created = jet::create::CreateDatabase(file.string(), jet::create::NewDatabaseFormat::kJet4, 45352.0);
      !created.ok()) {
    std::fprintf(stderr, "jet_writer_speed: %s\n", created.message().c_str());
    return 1;
  }
  ado::access::RegisterAccessProvider();
  const double rssBefore = PeakRssMiB();
  using Clock = std::chrono::steady_clock;
  // Building the statement text is the caller's cost: a first pass only builds it, and its
  // time is taken off the time of the pass that also runs it. (Timing each statement on its
  // own would add two clock reads and a system call per row.)
  std::string statement;
  size_t checksum = 0;
  const auto buildStart = Clock::now();
  const double buildCpuStart = CpuSeconds();
  for (long i = 0; i < rows; ++i) {
    RowStatement(i, statement);
    checksum += statement.size();
  }
  const double buildSeconds = std::chrono::duration<double>(Clock::now() - buildStart).count();
  const double buildCpuSeconds = CpuSeconds() - buildCpuStart;
  double seconds = 0, cpuSeconds = 0;
  try {
    ado::Connection db;
    db.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + ado::QuoteConnectionValue(file.string()));
    db.Execute(kCreate);
    const auto start = Clock::now();
    const double cpuStart = CpuSeconds();
    db.BeginTrans();
    for (long i = 0; i < rows; ++i) {
      RowStatement(i, statement);
      checksum -= statement.size();
      db.Execute(statement);
      if (batch > 0 && (i + 1) % batch == 0 && i + 1 < rows) {
        db.CommitTrans();
        db.BeginTrans();
      }
    }
    db.CommitTrans();
    seconds = std::chrono::duration<double>(Clock::now() - start).count() - buildSeconds;
    cpuSeconds = CpuSeconds() - cpuStart - buildCpuSeconds;
    db.Close();
  } catch (const ado::Error& e) {
    std::fprintf(stderr, "jet_writer_speed: %s\n", e.description().c_str());
    return 1;
  }
  if (checksum != 0) std::fprintf(stderr, "jet_writer_speed: the two passes built different statements\n");
  // CPU time as well: on a shared machine the wall clock also counts other processes.
  std::printf("%ld rows: %.2f s = %.0f rows/s (CPU %.2f s = %.0f rows/s); peak RSS %.1f MiB (%.1f before); "
              "file %.1f MB\n",
              rows, seconds, rows / seconds, cpuSeconds, rows / cpuSeconds, PeakRssMiB(), rssBefore,
              std::filesystem::file_size(file) / 1e6);
  if (!keep) std::filesystem::remove(file);
  return 0;
}
