// Real SQLite files for the tests, in a fresh temporary folder per test.
#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

namespace ado_test {

class TempFolder {
 public:
  TempFolder() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() / ("tabloren-ado-" + std::to_string(random()));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Runs SQL on a file with libsqlite3 itself, creating the file.
inline void RunSql(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) throw std::runtime_error("cannot create " + path);
  char* error = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  const std::string message = error ? error : "";
  sqlite3_free(error);
  sqlite3_close(db);
  if (rc != SQLITE_OK) throw std::runtime_error(message);
}

inline std::string SQLiteConnectionString(const std::string& path) {
  return "DRIVER=SQLite3 ODBC Driver;Database=" + path + ";LongNames=0;Timeout=1000;NoTXN=0;SyncPragma=NORMAL;StepAPI=0;";
}

}  // namespace ado_test
