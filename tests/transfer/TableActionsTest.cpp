// Deleting and renaming tables on both sides, with every message and odd names.
#include "TransferFixture.h"
#include "db/Access.h"
#include "db/SQLite.h"
#include "transfer/SQLiteToAccess.h"
#include "transfer/TableActions.h"

namespace transfer_test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class TableActionsTest : public TransferTest {
 protected:
  Rows sqliteTables(const QString& path) {
    RawSQLite db(path);
    return db.rows("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name");
  }
};

TEST_F(TableActionsTest, DeleteSQLiteTablesDropsTheSelectedOnesBottomUp) {
  const QString sqlite = newSQLite(QStringLiteral("t.db"), {"CREATE TABLE a(x)", "CREATE TABLE [b\"q](x)"});
  RawSQLite(sqlite).exec("CREATE TABLE \"c]d\"(x)");
  RawSQLite(sqlite).exec("CREATE TABLE [my table](x)");
  RawSQLite(sqlite).exec("CREATE TABLE z(x)");
  useFiles(sqlite, QString());
  db::FillSQLiteTableList(*settings_, sqliteList);
  ASSERT_EQ(sqliteList.items(), (std::vector<QString>{"a", "b\"q", "c]d", "my table", "z"}));
  for (int i : {1, 2, 3}) sqliteList.setSelected(i, true);
  auto e = env();
  transfer::DeleteSQLiteTables(e);
  EXPECT_TRUE(dialogs.messageTexts().contains("Please select a table"));  // no current item yet
  EXPECT_EQ(sqliteList.count(), 5);

  dialogs.clearShown();
  sqliteList.setCurrentIndex(0);
  transfer::DeleteSQLiteTables(e);
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_EQ(sqliteList.items(), (std::vector<QString>{"a", "z"}));
  EXPECT_EQ(sqliteTables(sqlite), (Rows{{"t:a"}, {"t:z"}}));
  EXPECT_EQ(pointer.state, app::PointerState::Default);
}

TEST_F(TableActionsTest, AFailedDropIsReportedAndTheEntryLeavesTheList) {
  const QString sqlite = newSQLite(QStringLiteral("t.db"), {"CREATE TABLE a(x)"});
  useFiles(sqlite, QString());
  sqliteList.addItem(QStringLiteral("gone"));
  sqliteList.addItem(QStringLiteral("a"));
  selectAll(sqliteList);
  auto e = env();
  transfer::DeleteSQLiteTables(e);
  const QStringList boxes = errorBoxes();
  ASSERT_EQ(boxes.size(), 1);
  EXPECT_TRUE(boxes[0].contains("no such table: gone")) << boxes[0].toStdString();
  EXPECT_TRUE(boxes[0].contains("Form2.PushButton5_Click"));
  EXPECT_EQ(sqliteList.count(), 0);
  EXPECT_EQ(failures.at(0).table, QStringLiteral("gone"));
}

TEST_F(TableActionsTest, RenameSQLiteTableMessagesBlanksAndQuotes) {
  const QString sqlite = newSQLite(QStringLiteral("t.db"), {"CREATE TABLE a(x)", "CREATE TABLE b(x)"});
  useFiles(sqlite, QString());
  db::FillSQLiteTableList(*settings_, sqliteList);
  auto e = env();

  transfer::RenameSQLiteTableAction(e);  // nothing selected
  sqliteList.setSelected(0, true);
  sqliteList.setSelected(1, true);
  transfer::RenameSQLiteTableAction(e);  // two selected
  sqliteList.setSelected(1, false);
  transfer::RenameSQLiteTableAction(e);  // one selected, no current item
  EXPECT_EQ(dialogs.messageTexts(),
            QStringList({"Please select just one table to rename.", "Please select just one table to rename.",
                         "Please select a table to rename."}));
  EXPECT_TRUE(pointer.history.empty());

  dialogs.clearShown();
  sqliteList.setCurrentIndex(0);
  dialogs.queueInput(std::nullopt);  // cancelled
  transfer::RenameSQLiteTableAction(e);
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].text, QStringLiteral("Enter new name of a:"));
  EXPECT_EQ(dialogs.shown()[0].defaultText, QStringLiteral("a"));
  EXPECT_EQ(sqliteList.items(), (std::vector<QString>{"a", "b"}));

  dialogs.queueInput(QStringLiteral("my new table"));
  transfer::RenameSQLiteTableAction(e);
  EXPECT_EQ(sqliteList.items(), (std::vector<QString>{"b", "my_new_table"}));

  // A name with a bracket and a double quote is renamed whole, and back again.
  sqliteList.setSelected(0, true);
  sqliteList.setCurrentIndex(0);
  dialogs.queueInput(QStringLiteral("x]\"; DROP TABLE b; --"));
  transfer::RenameSQLiteTableAction(e);
  EXPECT_TRUE(errorBoxes().isEmpty()) << errorBoxes().join("\n").toStdString();
  EXPECT_EQ(sqliteTables(sqlite), (Rows{{"t:my_new_table"}, {"t:x]\";_DROP_TABLE_b;_--"}}));
  EXPECT_EQ(pointer.state, app::PointerState::Default);
}

TEST_F(TableActionsTest, AccessRenameChecksAndTheDeclinedOverwrite) {
  const QString access = copyCorpus(QStringLiteral("mdb-reader/V2000/test.mdb"));
  useFiles(QString(), access);
  app::ScriptedDialogs quiet;
  db::FillAccessTableList(*settings_, quiet, accessList, access);
  ASSERT_EQ(accessList.items(), (std::vector<QString>{"Table1", "Table2", "Table3", "Table4"}));
  const QByteArray before = [&] {
    QFile f(access);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  }();
  auto e = env();
  accessList.setSelected(0, true);
  accessList.setSelected(1, true);
  accessList.setCurrentIndex(0);
  transfer::RenameAccessTableAction(e);
  accessList.setSelected(1, false);
  // The table's own name in other case: refused, nothing dropped.
  dialogs.queueInput(QStringLiteral("TABLE1"));
  transfer::RenameAccessTableAction(e);
  // Another existing table, overwrite declined.
  dialogs.queueInput(QStringLiteral("table2"));
  dialogs.queueAnswer(app::MessageAnswer::No);
  transfer::RenameAccessTableAction(e);
  EXPECT_EQ(dialogs.messageTexts(),
            QStringList({"Please select just one table to rename.", transfer::kRenameToOwnNameMessage,
                         "Would you like to overwrite table2?"}));
  EXPECT_TRUE(errorBoxes().isEmpty()) << errorBoxes().join("\n").toStdString();
  EXPECT_EQ(accessList.items(), (std::vector<QString>{"Table1", "Table2", "Table3", "Table4"}));
  QFile after(access);
  ASSERT_TRUE(after.open(QIODevice::ReadOnly));
  EXPECT_EQ(after.readAll(), before);
  EXPECT_EQ(pointer.state, app::PointerState::Default);
  EXPECT_THROW(db::RenameAccessTable(dialogs, "Table1", "table1", access, QString()), std::exception);
}

TEST_F(TableActionsTest, SendToAccessWithoutACurrentEntry) {
  const QString sqlite = newSQLite(QStringLiteral("t.db"), {"CREATE TABLE a(x)"});
  useFiles(sqlite, copyCorpus(QStringLiteral("mdb-reader/V2000/empty.mdb")));
  fillLists();
  sqliteList.setSelected(0, true);
  auto e = env();
  transfer::SendTablesToAccess(e);
  EXPECT_EQ(dialogs.messageTexts(), QStringList{"Please select a table to send."});
  EXPECT_TRUE(pointer.history.empty());
  EXPECT_EQ(accessList.count(), 0);
}

}  // namespace
}  // namespace transfer_test
