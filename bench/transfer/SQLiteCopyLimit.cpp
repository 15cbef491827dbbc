// The limit beside each benchmark figure: SQLite itself copying a table between two files
// with INSERT INTO ... SELECT, timed in the same run.
//
//   sqlite_copy_limit SOURCE_FILE TABLE TARGET_FILE     prints rows and seconds
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: sqlite_copy_limit SOURCE_FILE TABLE TARGET_FILE\n");
    return 2;
  }
  std::remove(argv[3]);
  sqlite3* db = nullptr;
  if (sqlite3_open(argv[3], &db) != SQLITE_OK) return 1;
  const std::string table = argv[2];
  const std::string sql = "ATTACH DATABASE '" + std::string(argv[1]) + "' AS src;" +
                          "CREATE TABLE main.copy AS SELECT * FROM src.\"" + table + "\" WHERE 0;" +
                          "BEGIN; INSERT INTO main.copy SELECT * FROM src.\"" + table + "\"; COMMIT;";
  const auto start = std::chrono::steady_clock::now();
  char* error = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    std::fprintf(stderr, "%s\n", error);
    return 1;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%lld rows in %.3f s\n", static_cast<long long>(sqlite3_changes64(db)), seconds);
  sqlite3_close(db);
  return 0;
}
