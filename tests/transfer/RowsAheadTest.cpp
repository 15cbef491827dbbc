// Rows read ahead on a second thread must come out exactly as rows read one by one: the
// same values and the same failures at the same rows and fields, across many chunks,
// rows larger than a chunk, and a copy loop that stops early.
#include "TransferFixture.h"
#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "db/Connections.h"
#include "ado/access/AccessLiteral.h"
#include "transfer/AccessColumns.h"
#include "transfer/RowsAhead.h"

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace transfer_test {
namespace {

using transfer::RowsAhead;

// What one row gave, failures by their messages.
struct Seen {
  bool more = false;
  std::string insert;
  std::vector<std::pair<int, std::string>> fieldFailures;
  bool moveFailed = false;
  bool operator==(const Seen&) const = default;
};

std::string Message(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& e) {
    return e.what();
  }
}

class RowsAheadTest : public TransferTest {
 protected:
  // 3,000 rows: small ones, Nulls, and every 500th row a text of 1.5 MB (larger than a chunk).
  void SetUp() override {
    TransferTest::SetUp();
    path_ = newSQLite(QStringLiteral("rows.db"),
                      {"CREATE TABLE t(n INTEGER, s TEXT, r REAL)",
                       "WITH RECURSIVE k(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM k WHERE n < 3000) "
                       "INSERT INTO t SELECT n, CASE WHEN n % 500 = 0 THEN printf('%.*c', 1500000, 'x') "
                       "WHEN n % 7 = 0 THEN NULL ELSE 'it''s ' || n END, n / 8.0 FROM k"});
  }

  // Reads up to `limit` rows; the value appender refuses field 1 of every 97th row.
  std::vector<Seen> read(RowsAhead::Reading reading, size_t limit = SIZE_MAX,
                         RowsAhead::RuleThread ruleThread = RowsAhead::RuleThread::kReading) {
    ado::Connection connection;
    db::ApplyProfile(connection, db::profiles::kSQLiteToAccessSQLiteSide);
    connection.Open(db::BuildSQLiteConnectionString(path_).toStdString());
    ado::Recordset source;
    source.Open("SELECT * FROM t", connection);
    int row = 0;
    auto rule = [&row](ado::Variant&& value, int field) {
      if (field == 0) ++row;  // the rule runs on one thread, field by field
      if (field == 1 && row % 97 == 0) throw std::runtime_error("refused at row " + std::to_string(row));
      return transfer::AccessValue(std::move(value));
    };
    std::vector<Seen> seen;
    RowsAhead rows(source, 3, rule, reading, ruleThread);
    while (seen.size() < limit) {
      const RowsAhead::Row& next = rows.next();
      // The row as the statement its values make.
      std::string insert = "INSERT INTO [t] VALUES(";
      for (size_t k = 0; k < next.values.size(); ++k) {
        if (k) insert += ", ";
        ado::access::AppendAccessLiteral(insert, next.values[k]);
      }
      insert += ')';
      Seen s{next.more, next.more ? insert : std::string(), {}, next.moveFailure != nullptr};
      for (const auto& [field, failure] : next.fieldFailures) s.fieldFailures.emplace_back(field, Message(failure));
      seen.push_back(std::move(s));
      if (!next.more || next.endFailure || next.moveFailure) break;
    }
    return seen;
  }

  QString path_;
};

TEST_F(RowsAheadTest, RowsReadAheadAreTheRowsReadOneByOne) {
  const std::vector<Seen> onDemand = read(RowsAhead::Reading::kOnDemand);
  ASSERT_EQ(onDemand.size(), 3001u);  // every row, then the end
  EXPECT_FALSE(onDemand.back().more);
  EXPECT_EQ(onDemand[0].insert, "INSERT INTO [t] VALUES('1', 'it''s 1', '0.125')");
  EXPECT_EQ(onDemand[96].fieldFailures, (std::vector<std::pair<int, std::string>>{{1, "refused at row 97"}}));
  EXPECT_EQ(onDemand[96].insert, "INSERT INTO [t] VALUES('97', '12.125')");  // the refused value left out
  EXPECT_GT(onDemand[499].insert.size(), 1500000u);
  EXPECT_TRUE(onDemand[499].insert.starts_with("INSERT INTO [t] VALUES('500', 'xxx"));
  EXPECT_TRUE(onDemand[499].insert.ends_with("x', '62.5')"));

  for (int attempt = 0; attempt < 3; ++attempt) EXPECT_EQ(read(RowsAhead::Reading::kAhead), onDemand);
  // The rule applied by the thread that takes the rows: the same values and failures.
  EXPECT_EQ(read(RowsAhead::Reading::kAhead, SIZE_MAX, RowsAhead::RuleThread::kTaking), onDemand);
  EXPECT_EQ(read(RowsAhead::Reading::kOnDemand, SIZE_MAX, RowsAhead::RuleThread::kTaking), onDemand);
}

TEST_F(RowsAheadTest, StoppingEarlyEndsTheReaderWhereverItIs) {
  const std::vector<Seen> all = read(RowsAhead::Reading::kOnDemand);
  // Before the first chunk is full, at a chunk's edge, and with the reader held back by
  // chunks nobody takes.
  for (size_t limit : {1u, 256u, 257u, 2000u}) {
    const std::vector<Seen> some = read(RowsAhead::Reading::kAhead, limit);
    ASSERT_EQ(some.size(), limit);
    EXPECT_TRUE(std::equal(some.begin(), some.end(), all.begin())) << limit;
  }
}

TEST_F(RowsAheadTest, RowsOfManyMegabytesAreReadOneAhead) {
  const QString big = newSQLite(QStringLiteral("big.db"),
                                {"CREATE TABLE t(s TEXT)",
                                 "WITH RECURSIVE k(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM k WHERE n < 12) "
                                 "INSERT INTO t SELECT printf('%.*c', 3000000, 'x') FROM k"});
  ado::Connection connection;
  db::ApplyProfile(connection, db::profiles::kSQLiteToAccessSQLiteSide);
  connection.Open(db::BuildSQLiteConnectionString(big).toStdString());
  ado::Recordset source;
  source.Open("SELECT * FROM t", connection);
  std::atomic<int> started{0};  // rows the reading thread began
  auto rule = [&started](ado::Variant&& value, int) {
    ++started;
    return transfer::AccessValue(std::move(value));
  };
  RowsAhead rows(source, 1, rule);
  for (int taken = 1;; ++taken) {
    const RowsAhead::Row& next = rows.next();
    if (!next.more) break;
    ASSERT_EQ(next.values.size(), 1u);
    EXPECT_EQ(next.values[0].asText().size(), 3000000u);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // a slow target: the reader could run ahead
    // The row in hand, the next one read, and none begun beyond: 3 MB each.
    EXPECT_LE(started.load(), taken + 1) << "row " << taken;
  }
  EXPECT_EQ(started.load(), 12);
}

}  // namespace
}  // namespace transfer_test
