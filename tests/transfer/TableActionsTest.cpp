// Deleting and renaming tables on both sides, with every message and odd names.
#include "TransferFixture.h"
#include "db/Access.h"
#include "db/SQLite.h"
#include "jet/check/DatabaseCheck.h"
#include "transfer/SQLiteToAccess.h"
#include "transfer/TableActions.h"

namespace transfer_test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class TableActionsTest : public TransferTest {
 protected:
  // The Access file's tables, sorted, joined with "|".
  std::string accessTables(const QString& path) {
    QStringList names = db::GetAccessTables(*settings_, path).value_or(QStringList{"(unreadable)"});
    names.sort(Qt::CaseInsensitive);
    return names.join('|').toStdString();
  }
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

TEST_F(TableActionsTest, DeleteAccessTablesBottomUpAndTheRefusedDrops) {
  const QString access = copyCorpus(QStringLiteral("mdb-reader/V2000/test.mdb"));
  useFiles(QString(), access);
  fillLists();
  accessList.addItem(QStringLiteral("MSysObjects"));  // a system table, as if listed
  accessList.addItem(QStringLiteral("NoSuchTable"));
  ASSERT_EQ(accessList.items(),
            (std::vector<QString>{"MSysObjects", "NoSuchTable", "Table1", "Table2", "Table3", "Table4"}));
  for (int i : {0, 1, 3, 5}) accessList.setSelected(i, true);
  auto e = env();
  transfer::DeleteAccessTables(e);  // no current item
  EXPECT_EQ(dialogs.messageTexts(), QStringList{"Please select a table"});
  EXPECT_EQ(accessList.count(), 6);

  dialogs.clearShown();
  accessList.setCurrentIndex(2);
  transfer::DeleteAccessTables(e);
  // Walked from the bottom: the missing table's box comes before the system table's.
  const QStringList boxes = errorBoxes();
  ASSERT_EQ(boxes.size(), 2) << boxes.join("\n").toStdString();
  EXPECT_TRUE(boxes[0].contains("NoSuchTable")) << boxes[0].toStdString();
  EXPECT_TRUE(boxes[1].contains("MSysObjects is a system table and cannot be dropped")) << boxes[1].toStdString();
  for (const QString& box : boxes) EXPECT_TRUE(box.contains("Form2.PushButton1_Click")) << box.toStdString();
  EXPECT_EQ(accessList.items(), (std::vector<QString>{"Table1", "Table3"}));
  EXPECT_EQ(accessTables(access), "Table1|Table3");
  EXPECT_EQ(pointer.state, app::PointerState::Default);

  // A table in a relationship stays in the file; its entry leaves the list all the same.
  const QString related = copyCorpus(QStringLiteral("jackcess/V2000/indexTestV2000.mdb"));
  useFiles(QString(), related);
  fillLists();
  dialogs.clearShown();
  select(accessList, QStringLiteral("Table2"));
  auto relatedEnv = env();  // the environment holds the settings of its moment
  transfer::DeleteAccessTables(relatedEnv);
  ASSERT_EQ(errorBoxes().size(), 1);
  EXPECT_TRUE(errorBoxes()[0].contains("takes part in a relationship")) << errorBoxes()[0].toStdString();
  EXPECT_EQ(accessList.items(), (std::vector<QString>{"Table1", "Table3"}));
  EXPECT_EQ(accessTables(related), "Table1|Table2|Table3");
  for (const QString& file : {access, related}) {
    const auto check = jet::check::CheckDatabase(file.toStdString());
    ASSERT_TRUE(check.ok());
    EXPECT_TRUE(check.value().clean()) << check.value().problems.front();
  }
}

TEST_F(TableActionsTest, AccessRenameCopiesTheTableAndOverwritesAfterYes) {
  const QString access = copyCorpus(QStringLiteral("mdb-reader/V2000/test.mdb"));
  useFiles(QString(), access);
  fillLists();
  const Rows table1 = accessRows(access, QStringLiteral("Table1"));
  const std::vector<std::string> table2Fields = accessFieldNames(access, QStringLiteral("Table2"));
  auto e = env();

  select(accessList, QStringLiteral("Table1"));
  dialogs.queueInput(QStringLiteral("Renamed 'one'"));
  transfer::RenameAccessTableAction(e);
  EXPECT_EQ(accessList.items(), (std::vector<QString>{"Renamed 'one'", "Table2", "Table3", "Table4"}));
  EXPECT_EQ(accessRows(access, QStringLiteral("Renamed 'one'")), table1);

  // Over an existing table (another case), after Yes: its entry goes too, the new name is listed once.
  accessList.setSelected(0, false);
  select(accessList, QStringLiteral("Table2"));
  dialogs.queueInput(QStringLiteral("table3"));
  dialogs.queueAnswer(app::MessageAnswer::Yes);
  transfer::RenameAccessTableAction(e);
  EXPECT_TRUE(dialogs.messageTexts().contains("Would you like to overwrite table3?"));
  EXPECT_TRUE(errorBoxes().isEmpty()) << errorBoxes().join("\n").toStdString();
  EXPECT_EQ(accessList.items(), (std::vector<QString>{"Renamed 'one'", "table3", "Table4"}));
  EXPECT_EQ(accessTables(access), "Renamed 'one'|table3|Table4");
  EXPECT_EQ(accessFieldNames(access, QStringLiteral("table3")), table2Fields);
  EXPECT_EQ(pointer.state, app::PointerState::Default);
  const auto check = jet::check::CheckDatabase(access.toStdString());
  ASSERT_TRUE(check.ok());
  EXPECT_TRUE(check.value().clean()) << check.value().problems.front();
}

// The tables window's Send, Rename and Delete on an encrypted .accdb, as on a plain file:
// no box, the list as the file, the file clean.
TEST_F(TableActionsTest, SendRenameAndDeleteOnAnEncryptedAccdb) {
  const QString sqlite = newSQLite(QStringLiteral("s.db"), {"CREATE TABLE Sent(id INTEGER, memo TEXT)",
                                                            "INSERT INTO Sent VALUES(1, 'Zo\u00eb'), (2, NULL)"});
  const QString access = copyCorpus(QStringLiteral("mdb-reader/encryption/office-agile-4.4.accdb"));
  useFiles(sqlite, access, QStringLiteral("password"));
  fillLists();
  auto e = env();
  select(sqliteList, QStringLiteral("Sent"));
  transfer::SendTablesToAccess(e);
  EXPECT_TRUE(errorBoxes().isEmpty()) << errorBoxes().join("\n").toStdString();
  EXPECT_EQ(accessRows(access, QStringLiteral("Sent")), (Rows{{"1", "Zo\u00eb"}, {"2", "NULL"}}));

  const Rows table1 = accessRows(access, QStringLiteral("Table1"));
  select(accessList, QStringLiteral("Table1"));
  dialogs.queueInput(QStringLiteral("Renamed"));
  transfer::RenameAccessTableAction(e);
  EXPECT_EQ(accessRows(access, QStringLiteral("Renamed")), table1);
  EXPECT_EQ(accessTables(access), "Renamed|Sent");

  for (int i = 0; i < accessList.count(); ++i) accessList.setSelected(i, false);
  select(accessList, QStringLiteral("Sent"));
  transfer::DeleteAccessTables(e);
  EXPECT_TRUE(errorBoxes().isEmpty()) << errorBoxes().join("\n").toStdString();
  EXPECT_EQ(accessList.items(), (std::vector<QString>{"Renamed"}));
  EXPECT_EQ(accessTables(access), "Renamed");
  const auto check = jet::check::CheckDatabase(access.toStdString(), "password");
  ASSERT_TRUE(check.ok()) << check.status().message();
  for (const auto& problem : check.value().problems) ADD_FAILURE() << problem;
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
