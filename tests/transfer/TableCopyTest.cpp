// A copy direction of its own plugged into the one copy skeleton, as another copy mode does:
// extra create statements, statements after the rows, statements after every table, and a
// table whose statements cannot be begun.
#include "TransferFixture.h"
#include "transfer/AccessToSQLite.h"

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace transfer_test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// The SQLite statements of the default copy, with an index made with the table and a
// statement after its rows.
class IndexedStatements : public transfer::TableStatements {
 public:
  IndexedStatements(std::unique_ptr<transfer::TableStatements> inner, QString table, std::string afterRows)
      : inner_(std::move(inner)), table_(std::move(table)), afterRows_(std::move(afterRows)) {}
  void addColumn(const ado::Field& field, int position) override {
    inner_->addColumn(field, position);
    names_.push_back(field.Name());
  }
  std::vector<std::string> createStatements() override {
    auto statements = inner_->createStatements();
    statements.push_back("CREATE INDEX \"ix_" + table_.toStdString() + "\" ON \"" + table_.toStdString() + "\"(1)");
    return statements;
  }
  // With an unbound field, the INSERT names the others.
  std::string insertStart() const override {
    if (unbound < 0) return inner_->insertStart();
    std::string start = "INSERT INTO \"" + table_.toStdString() + "\" (";
    for (std::size_t i = 0, n = 0; i < names_.size(); ++i)
      if (static_cast<int>(i) != unbound) start += (n++ ? ", \"" : "\"") + names_[i] + "\"";
    return start + ") VALUES(";
  }
  bool bindsField(int position) const override { return position != unbound; }
  transfer::RowsAhead::ValueRule valueRule() const override { return inner_->valueRule(); }
  std::vector<std::string> statementsAfterRows() override { return {afterRows_}; }
  int unbound = -1;

 private:
  std::vector<std::string> names_;
  std::unique_ptr<transfer::TableStatements> inner_;
  QString table_;
  std::string afterRows_;
};

class IndexingDirection : public transfer::AccessToSQLiteDirection {
 public:
  std::unique_ptr<transfer::TableStatements> beginTable(const QString& name, ado::Connection& source) override {
    if (name == refused) throw std::runtime_error("its schema could not be read");
    auto statements = std::make_unique<IndexedStatements>(AccessToSQLiteDirection::beginTable(name, source), name,
                                                          afterRows);
    if (name == QStringLiteral("Table1")) statements->unbound = unboundInTable1;
    return statements;
  }
  void afterAllTables(ado::Connection&, ado::Connection& target, transfer::StatementRunner& runner) override {
    runner.run(300, [&] { target.Execute("CREATE VIEW everything AS SELECT 1"); });
    ++afterAllCalls;
  }

  QString refused;
  int unboundInTable1 = -1;  // a field the INSERT leaves out (as a generated column's)
  std::string afterRows = "SELECT 1";
  int afterAllCalls = 0;
};

class TableCopyTest : public TransferTest {
 protected:
  void SetUp() override {
    TransferTest::SetUp();
    sqlite_ = newSQLite(QStringLiteral("t.db"));
    useFiles(sqlite_, copyCorpus(QStringLiteral("mdb-reader/V2000/test.mdb")));
    fillLists();
  }
  QString sqlite_;
};

TEST_F(TableCopyTest, TheDirectionsStatementsRunWithEachTableAndAfterAll) {
  select(accessList, QStringLiteral("Table1"));
  select(accessList, QStringLiteral("Table2"));
  IndexingDirection direction;
  direction.afterRows = "UPDATE \"Table1\" SET \"A\" = 'changed' WHERE \"C\" = 2";
  direction.unboundInTable1 = 1;
  auto e = env();
  transfer::RunTableCopy(e, direction);

  // Table2 comes first (bottom-up), when the statement after its rows names a table not there
  // yet: its box shows line 240 and Table2 is kept, as for any refused statement that is no
  // storage failure. After Table1's rows the same statement changes one of them.
  const QStringList boxes = errorBoxes();
  ASSERT_EQ(boxes.size(), 1) << boxes.join("\n").toStdString();
  EXPECT_TRUE(boxes[0].contains("Form2.PushButton3_Click at line 240")) << boxes[0].toStdString();
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].table, QStringLiteral("Table2"));
  EXPECT_EQ(direction.afterAllCalls, 1);

  RawSQLite db(sqlite_);
  EXPECT_EQ(db.rows("SELECT name FROM sqlite_master WHERE type IN ('index', 'view') ORDER BY name"),
            (Rows{{"t:everything"}, {"t:ix_Table1"}, {"t:ix_Table2"}}));
  EXPECT_EQ(db.rows("SELECT A FROM Table1 ORDER BY C"), (Rows{{"t:a"}, {"t:changed"}}));
  // The field the INSERT left out is Null; the ones after it are where they belong.
  EXPECT_EQ(db.rows("SELECT count(*) FROM Table1 WHERE B IS NULL AND C IS NOT NULL"), (Rows{{"i:2"}}));
  auto items = sqliteList.items();
  std::sort(items.begin(), items.end());
  EXPECT_EQ(items, (std::vector<QString>{"table1", "table2"}));
}

TEST_F(TableCopyTest, ATableWhoseStatementsCannotBeBegunIsGivenUpAndTheNextIsCopied) {
  select(accessList, QStringLiteral("Table1"));
  select(accessList, QStringLiteral("Table2"));
  IndexingDirection direction;
  direction.refused = QStringLiteral("Table2");  // bottom-up: Table2 first
  auto e = env();
  transfer::RunTableCopy(e, direction);

  const QStringList boxes = errorBoxes();
  ASSERT_EQ(boxes.size(), 1) << boxes.join("\n").toStdString();
  EXPECT_TRUE(boxes[0].startsWith(
      "Table \"Table2\" was not copied; the target is as it was before this table: the columns of its source "
      "could not be read: its schema could not be read\r\n"))
      << boxes[0].toStdString();
  EXPECT_TRUE(boxes[0].contains("at line 150"));
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_TRUE(failures[0].tableUndone);

  RawSQLite db(sqlite_);
  EXPECT_EQ(db.rows("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"), (Rows{{"t:Table1"}}));
  EXPECT_EQ(sqliteList.items(), (std::vector<QString>{"table1"}));
  EXPECT_EQ(pointer.state, app::PointerState::Default);
}

TEST_F(TableCopyTest, NothingRunsAfterAllTablesWhenTheProgramIsEnding) {
  select(accessList, QStringLiteral("Table1"));
  IndexingDirection direction;
  auto e = env();
  e.stopRequested = [this] { return yields > 0; };
  transfer::RunTableCopy(e, direction);
  EXPECT_EQ(direction.afterAllCalls, 0);
  EXPECT_TRUE(dialogs.shown().empty());
  RawSQLite db(sqlite_);
  EXPECT_EQ(db.rows("SELECT count(*) FROM sqlite_master"), (Rows{{"i:0"}}));
}

}  // namespace
}  // namespace transfer_test
