// Generates the benchmark table "Mixed" with N rows (default 200,000): Long, Text(50), Memo of
// 0-2,000 characters, Double, Currency, Integer, Yes/No, Date/Time, Single, Decimal; about 10%
// Nulls; apostrophes and non-ASCII text. The same rows go to an SQLite file and, written by our
// engine, to a new Access file.
//
//   transfer_bench_data SQLITE_FILE ACCESS_FILE [ROWS]
#include "jet/create/NewDatabase.h"
#include "jet/write/WriteSession.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

struct Row {
  std::vector<jet::Value> access;
};

std::string Words(std::mt19937& random, std::size_t length) {
  static const char* pieces[] = {"O'Brien ", "café ", "straße ", "data ", "Ελλάδα ", "it's ", "日本 ", "value "};
  std::string text;
  while (text.size() < length) text += pieces[random() % 8];
  // Cut on a character boundary.
  std::size_t cut = std::min(length, text.size());
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return text.substr(0, cut);
}

void Check(int rc, sqlite3* db, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: transfer_bench_data SQLITE_FILE ACCESS_FILE [ROWS]\n");
    return 2;
  }
  const int rows = argc > 3 ? std::atoi(argv[3]) : 200000;
  std::remove(argv[1]);
  std::remove(argv[2]);

  sqlite3* db = nullptr;
  Check(sqlite3_open(argv[1], &db), db, "open");
  Check(sqlite3_exec(db,
                     "CREATE TABLE Mixed(ID INTEGER, Name VARCHAR(50), Notes TEXT, Amount DOUBLE, Price NUMERIC, "
                     "Qty SMALLINT, Active BOOLEAN, Stamp DATETIME, Ratio REAL, Exact DECIMAL);BEGIN",
                     nullptr, nullptr, nullptr),
        db, "create");
  sqlite3_stmt* insert = nullptr;
  Check(sqlite3_prepare_v2(db, "INSERT INTO Mixed VALUES(?,?,?,?,?,?,?,?,?,?)", -1, &insert, nullptr), db, "prepare");

  if (auto status = jet::create::CreateDatabase(argv[2], jet::create::NewDatabaseFormat::kJet4, 45000.5);
      !status.ok()) {
    std::fprintf(stderr, "%s\n", status.message().c_str());
    return 1;
  }
  auto session = jet::WriteSession::Open(argv[2]);
  if (!session.ok()) {
    std::fprintf(stderr, "%s\n", session.status().message().c_str());
    return 1;
  }
  jet::WriteSession& access = **session;
  using jet::ColumnType;
  const std::vector<jet::NewColumn> columns = {
      {"ID", ColumnType::kLong},      {"Name", ColumnType::kText, 50}, {"Notes", ColumnType::kMemo},
      {"Amount", ColumnType::kDouble}, {"Price", ColumnType::kCurrency}, {"Qty", ColumnType::kInteger},
      {"Active", ColumnType::kBoolean}, {"Stamp", ColumnType::kDateTime}, {"Ratio", ColumnType::kFloat},
      {"Exact", ColumnType::kNumeric, 0, 18, 4}};
  if (auto status = access.createTable("Mixed", columns); !status.ok()) {
    std::fprintf(stderr, "%s\n", status.message().c_str());
    return 1;
  }
  access.beginBatch();

  std::mt19937 random(20240601);
  for (int i = 0; i < rows; ++i) {
    auto isNull = [&] { return random() % 10 == 0; };
    std::vector<jet::Value> values(10, jet::Null{});
    sqlite3_reset(insert);
    sqlite3_clear_bindings(insert);
    sqlite3_bind_int(insert, 1, i);
    values[0] = static_cast<int32_t>(i);
    if (!isNull()) {
      const std::string name = Words(random, 5 + random() % 40);
      sqlite3_bind_text(insert, 2, name.c_str(), -1, SQLITE_TRANSIENT);
      values[1] = name;
    }
    if (!isNull()) {
      const std::string notes = Words(random, random() % 2001);
      if (!notes.empty()) {
        sqlite3_bind_text(insert, 3, notes.c_str(), -1, SQLITE_TRANSIENT);
        values[2] = notes;
      }
    }
    if (!isNull()) {
      const double amount = (static_cast<double>(random()) - 2e9) / 997.0;
      sqlite3_bind_double(insert, 4, amount);
      values[3] = amount;
    }
    if (!isNull()) {
      const int64_t cents = static_cast<int64_t>(random() % 100000000) - 50000000;
      sqlite3_bind_double(insert, 5, static_cast<double>(cents) / 100.0);
      values[4] = jet::Currency{cents * 100};
    }
    if (!isNull()) {
      const int16_t qty = static_cast<int16_t>(random() % 20000 - 10000);
      sqlite3_bind_int(insert, 6, qty);
      values[5] = qty;
    }
    const bool active = random() % 2 == 0;  // Yes/No holds no Null
    sqlite3_bind_int(insert, 7, active ? 1 : 0);
    values[6] = active;
    if (!isNull()) {
      const int day = 20000 + static_cast<int>(random() % 30000);
      const int second = static_cast<int>(random() % 86400);
      char text[32];
      const int y = 1954 + day / 366, m = 1 + day % 12, d = 1 + day % 28;
      std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d, second / 3600, second / 60 % 60,
                    second % 60);
      sqlite3_bind_text(insert, 8, text, -1, SQLITE_TRANSIENT);
      values[7] = jet::DateTime{static_cast<double>(day) + second / 86400.0};
    }
    if (!isNull()) {
      const float ratio = static_cast<float>(random() % 1000000) / 1024.0f;
      sqlite3_bind_double(insert, 9, ratio);
      values[8] = ratio;
    }
    if (!isNull()) {
      const int64_t units = static_cast<int64_t>(random() % 1000000000);
      sqlite3_bind_double(insert, 10, static_cast<double>(units) / 10000.0);
      values[9] = jet::Decimal{false, static_cast<unsigned __int128>(units), 18, 4};
    }
    Check(sqlite3_step(insert), db, "insert");
    if (auto status = access.insert("Mixed", values); !status.ok()) {
      std::fprintf(stderr, "row %d: %s\n", i, status.message().c_str());
      return 1;
    }
  }
  sqlite3_finalize(insert);
  Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
  sqlite3_close(db);
  if (auto status = access.commitBatch(); !status.ok()) {
    std::fprintf(stderr, "%s\n", status.message().c_str());
    return 1;
  }
  std::printf("%d rows in %s and %s\n", rows, argv[1], argv[2]);
  return 0;
}
