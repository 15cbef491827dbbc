// The run of "Send Table/s To SQLite" on a real Access file: the walk, the overwrite question
// and the list updates, the failure policy, pointer and progress bar.
#include "TransferFixture.h"
#include "db/Access.h"
#include "jet/write/WriteSession.h"
#include "transfer/AccessToSQLite.h"

#include <algorithm>

namespace transfer_test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class AccessToSQLiteRunTest : public TransferTest {
 protected:
  void SetUp() override {
    TransferTest::SetUp();
    access_ = copyCorpus(QStringLiteral("mdb-reader/V2000/test.mdb"));
  }
  QString access_;
};

TEST_F(AccessToSQLiteRunTest, OverwriteYesAndNoAndTheListUpdates) {
  const QString sqlite = newSQLite(QStringLiteral("t.db"), {"CREATE TABLE table1(x)", "CREATE TABLE TABLE3(x)",
                                                            "CREATE TABLE table4(x)", "INSERT INTO table4 VALUES(9)"});
  useFiles(sqlite, access_);
  fillLists();
  for (const char* name : {"Table1", "Table3", "Table4"}) select(accessList, QString::fromLatin1(name));
  // Bottom-up: Table4 declined, Table3 and Table1 overwritten.
  dialogs.queueAnswer(app::MessageAnswer::No);
  dialogs.queueAnswer(app::MessageAnswer::Yes);
  dialogs.queueAnswer(app::MessageAnswer::Yes);
  auto e = env();
  transfer::SendTablesToSQLite(e);

  EXPECT_EQ(dialogs.messageTexts(),
            QStringList({"Would you like to overwrite Table4?", "Would you like to overwrite Table3?",
                         "Would you like to overwrite Table1?"}));
  for (const auto& box : dialogs.messages()) {
    EXPECT_EQ(box.title, QStringLiteral("Overwrite?"));
    EXPECT_EQ(box.buttons, app::MessageButtons::YesNo);
    EXPECT_EQ(box.icon, app::MessageIcon::None);
  }
  // "table1" was lower case and is replaced; "TABLE3" stays beside the new "table3".
  auto items = sqliteList.items();
  std::sort(items.begin(), items.end());
  EXPECT_EQ(items, (std::vector<QString>{"TABLE3", "table1", "table3", "table4"}));
  EXPECT_TRUE(failures.empty());

  RawSQLite db(sqlite);
  EXPECT_EQ(db.rows("SELECT * FROM table4"), (Rows{{"i:9"}}));
  EXPECT_EQ(db.declaredTypes("Table1"),
            (std::vector<std::string>{"TEXT", "TEXT", "INTEGER", "INTEGER", "INTEGER", "NUMERIC", "TEXT", "NUMERIC",
                                      "INTEGER"}));
  EXPECT_EQ(db.rows("SELECT * FROM Table1"),
            (Rows{{"t:abcdefg", "t:hijklmnop", "i:2", "i:222", "i:333333333", "r:444.55500000000001", "t:09/21/1974",
                   "r:3.5", "i:1"},
                  {"t:a", "t:b", "i:0", "i:0", "i:0", "i:0", "t:12/12/1981", "i:0", "i:0"}}));
  EXPECT_EQ(db.rows("SELECT count(*) FROM Table3"), (Rows{{"i:0"}}));

  // Hourglass from the start until the end of the first copied table; default at the end.
  ASSERT_FALSE(pointer.history.empty());
  EXPECT_EQ(pointer.history.front(), app::PointerState::Hourglass);
  EXPECT_EQ(pointer.state, app::PointerState::Default);
  // Two tables copied: two resets to "Progress Bar"; Table1's two rows at 50 and 100.
  EXPECT_EQ(progress.resets, 2);
  EXPECT_EQ(progress.caption, QStringLiteral("Progress Bar"));
  EXPECT_EQ(progress.values, (std::vector<double>{50.0, 100.0}));
  EXPECT_GT(yields, 0);
}

TEST_F(AccessToSQLiteRunTest, ATableTheTargetWillNotCreateIsGivenUpOnceAndTheRunGoesOn) {
  // A table the list does not show already exists: the create fails and the table is given
  // up with one box, its rows never reaching the old table; the next table arrives.
  const QString sqlite = newSQLite(
      QStringLiteral("t.db"), {"CREATE TABLE Table1(A, B, C CHECK (C <> 2), D, E, F, G, H, I)"});
  useFiles(sqlite, access_);
  fillLists();
  sqliteList.clear();
  select(accessList, QStringLiteral("Table1"));
  select(accessList, QStringLiteral("Table3"));
  auto e = env();
  transfer::SendTablesToSQLite(e);

  const QStringList boxes = errorBoxes();
  ASSERT_EQ(boxes.size(), 1) << boxes.join("\n").toStdString();
  EXPECT_TRUE(boxes[0].contains("in Quillmere2021/08/31.Form2.PushButton3_Click at line"));
  EXPECT_TRUE(boxes[0].contains("Table \"Table1\" was not copied; the target is as it was before this table: the "
                                "table could not be created"))
      << boxes[0].toStdString();
  EXPECT_TRUE(boxes[0].contains("already exists")) << boxes[0].toStdString();
  EXPECT_EQ(dialogs.messages().front().title, QStringLiteral("Application Error"));
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].table, QStringLiteral("Table1"));
  EXPECT_TRUE(failures[0].tableUndone);

  RawSQLite db(sqlite);
  EXPECT_EQ(db.rows("SELECT count(*) FROM Table1"), (Rows{{"i:0"}}));
  EXPECT_EQ(db.rows("SELECT count(*) FROM sqlite_master WHERE name = 'Table3'"), (Rows{{"i:1"}}));
  EXPECT_EQ(sqliteList.items(), (std::vector<QString>{"table3"}));
}

// Rows are read ahead of their statements: a value that cannot be read mid-table must
// still show its box at its own row, between the rows before and after it.
TEST_F(AccessToSQLiteRunTest, AnUnreadableValueMidTableIsReportedAtItsRowAndTheRowsAroundItArrive) {
  const QString access = newAccess(QStringLiteral("damaged.mdb"));
  constexpr int kRows = 2000;  // several chunks of rows read ahead
  constexpr int kDamaged = 1500;
  {
    auto session = jet::WriteSession::Open(access.toStdString());
    ASSERT_TRUE(session.ok());
    ASSERT_TRUE((*session)->createTable("Notes", {{"Id", jet::ColumnType::kLong}, {"Body", jet::ColumnType::kMemo}}).ok());
    (*session)->beginBatch();
    // Over 1,024 characters: each memo on a long-value page of its own.
    for (int32_t id = 1; id <= kRows; ++id) ASSERT_TRUE((*session)->insert("Notes", {id, std::string(1500, 'a' + id % 26)}).ok());
    ASSERT_TRUE((*session)->commitBatch().ok());
  }
  {
    // The long-value page of row kDamaged no longer looks like a data page.
    QFile file(access);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QByteArray bytes = file.readAll();
    const char tag[] = {'L', 'V', 'A', 'L'};
    int seen = 0;
    for (qsizetype page = 0; page * 4096 < bytes.size(); ++page) {
      if (bytes[page * 4096] == 1 && bytes.mid(page * 4096 + 4, 4) == QByteArray(tag, 4) && ++seen == kDamaged) {
        ASSERT_TRUE(file.seek(page * 4096));
        ASSERT_EQ(file.write(QByteArray(1, 7)), 1);
      }
    }
    ASSERT_EQ(seen, kRows);
  }
  const QString sqlite = newSQLite(QStringLiteral("t.db"));
  useFiles(sqlite, access);
  fillLists();
  select(accessList, QStringLiteral("Notes"));
  auto e = env();
  transfer::SendTablesToSQLite(e);

  // The memo's step, then the statement that lacks its value; nothing else.
  const QStringList boxes = errorBoxes();
  ASSERT_EQ(boxes.size(), 2) << boxes.join("\n").toStdString();
  EXPECT_TRUE(boxes[0].contains("at line 210")) << boxes[0].toStdString();
  EXPECT_TRUE(boxes[1].contains("at line 220")) << boxes[1].toStdString();
  // Both reach the observer with their table and row (the batch command prints each); a
  // single unreadable value loses its row only, never the table.
  ASSERT_EQ(failures.size(), 2u);
  for (const auto& failure : failures) {
    EXPECT_EQ(failure.table, QStringLiteral("Notes"));
    EXPECT_EQ(failure.row, kDamaged);
    EXPECT_FALSE(failure.tableUndone);
  }
  RawSQLite db(sqlite);
  EXPECT_EQ(db.rows("SELECT count(*), min(Id), max(Id) FROM Notes"), (Rows{{"i:1999", "i:1", "i:2000"}}));
  EXPECT_EQ(db.rows("SELECT count(*) FROM Notes WHERE Id = 1500"), (Rows{{"i:0"}}));
  EXPECT_EQ(db.rows("SELECT count(*) FROM Notes WHERE length(Body) = 1500"), (Rows{{"i:1999"}}));
}

TEST_F(AccessToSQLiteRunTest, WithoutACurrentEntryOrSelectionNothingIsSent) {
  const QString sqlite = newSQLite(QStringLiteral("t.db"));
  useFiles(sqlite, access_);
  fillLists();
  accessList.setSelected(0, true);  // selected, but no current entry
  auto e = env();
  transfer::SendTablesToSQLite(e);
  EXPECT_EQ(dialogs.messageTexts(), QStringList{"Please select a table"});
  EXPECT_TRUE(pointer.history.empty());

  dialogs.clearShown();
  accessList.setSelected(0, false);
  accessList.setCurrentIndex(0);  // a current entry, nothing selected
  transfer::SendTablesToSQLite(e);
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_EQ(pointer.history, (std::vector<app::PointerState>{app::PointerState::Hourglass, app::PointerState::Default}));
  RawSQLite db(sqlite);
  EXPECT_EQ(db.rows("SELECT count(*) FROM sqlite_master"), (Rows{{"i:0"}}));
}

TEST_F(AccessToSQLiteRunTest, AMissingTargetReportsEveryStatementAndNamesTheFile) {
  useFiles(tempPath(QStringLiteral("missing.db")), access_);
  app::ScriptedDialogs quiet;
  db::FillAccessTableList(*settings_, quiet, accessList, access_);
  select(accessList, QStringLiteral("Table3"));
  auto e = env();
  transfer::SendTablesToSQLite(e);
  const QStringList boxes = errorBoxes();
  ASSERT_GE(boxes.size(), 2);
  EXPECT_TRUE(boxes[0].contains("missing.db")) << boxes[0].toStdString();
  EXPECT_FALSE(QFile::exists(tempPath(QStringLiteral("missing.db"))));
  EXPECT_EQ(pointer.state, app::PointerState::Default);
}

}  // namespace
}  // namespace transfer_test
