// Reading speed: every row and every value of a table, scanned by the engine, beside
// mdbtools' mdb-json reading the same table in the same run. Without arguments a corpus
// table made by Access is scanned repeatedly, so the figure is about Access's own layout.
// Usage: jet_read_bench [FILE TABLE [REPEATS]]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "jet/Database.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

long PeakRssKb() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string file = argc > 2 ? argv[1] : std::string(TABLOREN_TEST_DATA_DIR) + "/jackcess/V2000/compIndexTestV2000.mdb";
  const std::string table = argc > 2 ? argv[2] : "Table1";
  const int repeats = argc > 3 ? std::stoi(argv[3]) : 2000;

  auto db = jet::Database::Open(file, {});
  if (!db.ok()) {
    std::fprintf(stderr, "%s\n", db.status().message().c_str());
    return 1;
  }
  size_t rows = 0, values = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int r = 0; r < repeats; ++r) {
    auto cursor = (*db)->scan(table);
    if (!cursor.ok()) {
      std::fprintf(stderr, "%s\n", cursor.status().message().c_str());
      return 1;
    }
    const size_t columns = cursor->def().columns.size();
    while (true) {
      auto more = cursor->next();
      if (!more.ok()) {
        std::fprintf(stderr, "%s\n", more.status().message().c_str());
        return 1;
      }
      if (!*more) break;
      for (size_t c = 0; c < columns; ++c) values += cursor->value(c).ok();
      ++rows;
    }
  }
  const double ours = Seconds(start);

  // mdb-json on the same table, as many runs as fit in about the same time (at least 3).
  const std::string command = "mdb-json '" + file + "' '" + table + "' > /dev/null 2>&1";
  size_t theirRows = 0;
  int runs = 0;
  const auto theirStart = std::chrono::steady_clock::now();
  const size_t rowsPerScan = rows / static_cast<size_t>(repeats);
  while (runs < 3 || (Seconds(theirStart) < ours && runs < 200)) {
    if (std::system(command.c_str()) != 0) {
      std::fprintf(stderr, "mdb-json failed (is mdbtools installed?)\n");
      break;
    }
    theirRows += rowsPerScan;
    ++runs;
  }
  const double theirs = Seconds(theirStart);

  const double ourRate = rows / ours;
  const double theirRate = theirRows / theirs;
  std::printf("table %s of %s: %zu rows x %d scans\n", table.c_str(), file.c_str(), rowsPerScan, repeats);
  std::printf("jet:      %zu rows, %zu values in %.3f s = %.0f rows/s, peak RSS %ld KB\n", rows, values, ours, ourRate,
              PeakRssKb());
  std::printf("mdb-json: %zu rows in %d runs, %.3f s = %.0f rows/s\n", theirRows, runs, theirs, theirRate);
  std::printf("ratio:    %.1fx\n", ourRate / theirRate);
  return 0;
}
