// Reading a large table through a Recordset must not hold the table in memory.
// Every allocation of this program is counted (C++ through operator new, SQLite through its own
// counter), which gives a high-water mark that does not depend on what else the machine does.
#include "TestDatabase.h"

#include "ado/Connection.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

namespace {

std::atomic<long long> liveBytes{0};

struct alignas(std::max_align_t) Header {
  std::size_t size;
};

void* countedAllocate(std::size_t size) {
  auto* header = static_cast<Header*>(std::malloc(sizeof(Header) + size));
  if (!header) throw std::bad_alloc();
  header->size = size;
  liveBytes += static_cast<long long>(size);
  return header + 1;
}

void countedFree(void* p) noexcept {
  if (!p) return;
  Header* header = static_cast<Header*>(p) - 1;
  liveBytes -= static_cast<long long>(header->size);
  std::free(header);
}

}  // namespace

void* operator new(std::size_t size) { return countedAllocate(size); }
void* operator new[](std::size_t size) { return countedAllocate(size); }
void operator delete(void* p) noexcept { countedFree(p); }
void operator delete[](void* p) noexcept { countedFree(p); }
void operator delete(void* p, std::size_t) noexcept { countedFree(p); }
void operator delete[](void* p, std::size_t) noexcept { countedFree(p); }

namespace ado {
namespace {

long long memoryInUse() { return liveBytes.load() + sqlite3_memory_used(); }

TEST(SQLiteStreaming, AHundredThousandRowTableStreamsInBoundedMemory) {
  constexpr int kRows = 100000;
  constexpr int kTextLength = 300;  // about 30 MB of text in all
  ado_test::TempFolder folder;
  const std::string path = folder.file("big.db3");
  ado_test::RunSql(path,
                   "CREATE TABLE big(id INTEGER, label TEXT, amount REAL);"
                   "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                       std::to_string(kRows) + ") INSERT INTO big SELECT i, printf('%0" + std::to_string(kTextLength) +
                       "d', i), i / 7.0 FROM n;");

  Connection connection;
  connection.Open(ado_test::SQLiteConnectionString(path));
  Recordset rs;
  rs.Open("SELECT * FROM [big]", connection);
  ASSERT_EQ(rs.RecordCount(), kRows);  // known before the first row

  const long long baseline = memoryInUse();
  {  // the counter does see allocations
    std::vector<char> probe(1 << 20);
    EXPECT_GE(memoryInUse() - baseline, 1 << 20);
  }
  long long peak = baseline;
  long long rows = 0, idSum = 0;
  std::size_t textBytes = 0;
  for (; !rs.Eof(); rs.MoveNext()) {
    idSum += rs.Fields()["id"].Value().asInt64();
    textBytes += rs.Fields()["label"].Value().asText().size();
    ++rows;
    if (rows % 1000 == 0) peak = std::max(peak, memoryInUse());
  }
  rs.Close();
  EXPECT_EQ(rows, kRows);
  EXPECT_EQ(idSum, static_cast<long long>(kRows) * (kRows + 1) / 2);
  EXPECT_EQ(textBytes, static_cast<std::size_t>(kRows) * kTextLength);
  // SQLite's page cache is capped at about 2 MB; the table holds 30 MB.
  const long long growth = peak - baseline;
  RecordProperty("memory_growth_bytes", std::to_string(growth));
  std::printf("memory growth while streaming %d rows: %lld bytes\n", kRows, growth);
  EXPECT_LT(growth, 4LL * 1024 * 1024);
}

}  // namespace
}  // namespace ado
