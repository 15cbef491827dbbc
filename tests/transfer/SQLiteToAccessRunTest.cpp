// The run of "Send Table/s To Access" on real files: the overwrite question and the list updates,
// the failure policy, odd names, and binary values through Access and back.
#include "TransferFixture.h"
#include "transfer/AccessToSQLite.h"
#include "transfer/SQLiteToAccess.h"

#include <QRandomGenerator>

#include <algorithm>

namespace transfer_test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class SQLiteToAccessRunTest : public TransferTest {};

TEST_F(SQLiteToAccessRunTest, OverwriteYesAndNoAndTheListUpdates) {
  const QString access = copyCorpus(QStringLiteral("mdb-reader/V2000/test.mdb"));  // Table1 .. Table4
  const QString sqlite = newSQLite(
      QStringLiteral("t.db"),
      {"CREATE TABLE fresh(n REAL, t TEXT, d DATE, w DATETIME)",
       "INSERT INTO fresh VALUES(2.5, 'O''Brien', '2021-03-07', '03/07/2021 14:05:09'), (-1e300, '', NULL, NULL)",
       "CREATE TABLE table2(a INTEGER, b TEXT)", "INSERT INTO table2 VALUES(1, 'one'), (2, 'two')",
       "CREATE TABLE table4(z INTEGER)", "INSERT INTO table4 VALUES(9)"});
  useFiles(sqlite, access);
  fillLists();
  ASSERT_EQ(sqliteList.items(), (std::vector<QString>{"fresh", "table2", "table4"}));
  selectAll(sqliteList);
  // Bottom-up: table4 declined, table2 overwritten, fresh asks nothing.
  dialogs.queueAnswer(app::MessageAnswer::No);
  dialogs.queueAnswer(app::MessageAnswer::Yes);
  auto e = env();
  transfer::SendTablesToAccess(e);

  EXPECT_EQ(dialogs.messageTexts(),
            QStringList({"Would you like to overwrite table4?", "Would you like to overwrite table2?"}));
  for (const auto& box : dialogs.messages()) {
    EXPECT_EQ(box.title, QStringLiteral("Overwrite?"));
    EXPECT_EQ(box.buttons, app::MessageButtons::YesNo);
  }
  EXPECT_TRUE(failures.empty()) << failures.at(0).description.toStdString();
  // The entry is removed only when it matches exactly: "Table2" stays beside the new "table2".
  auto items = accessList.items();
  std::sort(items.begin(), items.end());
  EXPECT_EQ(items, (std::vector<QString>{"Table1", "Table2", "Table3", "Table4", "fresh", "table2"}));

  EXPECT_EQ(accessFieldNames(access, QStringLiteral("Table4")), (std::vector<std::string>{"name", "data"}));
  EXPECT_EQ(accessRows(access, QStringLiteral("Table2")), (Rows{{"1", "one"}, {"2", "two"}}));
  EXPECT_EQ(accessRows(access, QStringLiteral("fresh")),
            (Rows{{"2.5", "O'Brien", "03/07/2021", "03/07/2021 14:05:09"}, {"-1e+300", "NULL", "NULL", "NULL"}}));
  EXPECT_EQ(accessRows(access, QStringLiteral("Table1")).size(), 2u);  // not selected, not touched

  EXPECT_EQ(pointer.history.front(), app::PointerState::Hourglass);
  EXPECT_EQ(pointer.state, app::PointerState::Default);
  EXPECT_EQ(progress.resets, 2);
  EXPECT_EQ(progress.caption, QStringLiteral("Progress Bar"));
  EXPECT_EQ(progress.values, (std::vector<double>{50.0, 100.0, 50.0, 100.0}));
}

TEST_F(SQLiteToAccessRunTest, ARefusedStatementShowsItsBoxAndTheRunGoesOn) {
  const QString access = newAccess(QStringLiteral("t.accdb"));
  const QString sqlite = newSQLite(QStringLiteral("t.db"), {"CREATE TABLE nums(n INTEGER, label TEXT)",
                                                            "INSERT INTO nums VALUES(1, 'a'), ('abc', 'b'), (3, 'c')",
                                                            "CREATE TABLE later(x TEXT)",
                                                            "INSERT INTO later VALUES('ok')"});
  useFiles(sqlite, access);
  fillLists();
  selectAll(sqliteList);
  auto e = env();
  transfer::SendTablesToAccess(e);

  const QStringList boxes = errorBoxes();
  ASSERT_EQ(boxes.size(), 1) << boxes.join("\n").toStdString();
  EXPECT_TRUE(boxes[0].contains("in Quillmere2021/08/31.Form2.PushButton4_Click at line")) << boxes[0].toStdString();
  EXPECT_TRUE(boxes[0].contains("abc")) << boxes[0].toStdString();
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].table, QStringLiteral("nums"));
  EXPECT_EQ(failures[0].row, 2);
  EXPECT_EQ(accessRows(access, QStringLiteral("nums")), (Rows{{"1", "a"}, {"3", "c"}}));
  EXPECT_EQ(accessRows(access, QStringLiteral("later")), (Rows{{"ok"}}));
  EXPECT_EQ(accessList.items(), (std::vector<QString>{"later", "nums"}));
  EXPECT_EQ(pointer.state, app::PointerState::Default);
}

TEST_F(SQLiteToAccessRunTest, NamesWithQuotesBracketsAndSpaces) {
  const QString access = newAccess(QStringLiteral("t.mdb"));
  const QString sqlite = newSQLite(
      QStringLiteral("t.db"),
      {"CREATE TABLE keep(x)",
       "CREATE TABLE [O'Brien \"q\" tab](\"it's \"\"x\"\"\" TEXT, [with space] INTEGER)",
       "INSERT INTO [O'Brien \"q\" tab] VALUES('a''b\"c', 5)",
       // A name that would end the statement early if it were pasted in as it is.
       "CREATE TABLE [t'); DROP TABLE keep; --](v TEXT)", "INSERT INTO [t'); DROP TABLE keep; --] VALUES('v')",
       // Names Access forbids: refused with a message that says why.
       "CREATE TABLE \"a]b\"(x)", "INSERT INTO \"a]b\" VALUES(1)", "CREATE TABLE c(\"x[1]\" TEXT)",
       "INSERT INTO c VALUES('v')"});
  useFiles(sqlite, access);
  fillLists();
  selectAll(sqliteList);
  auto e = env();
  transfer::SendTablesToAccess(e);

  EXPECT_EQ(accessFieldNames(access, QStringLiteral("O'Brien \"q\" tab")),
            (std::vector<std::string>{"it's \"x\"", "with space"}));
  EXPECT_EQ(accessRows(access, QStringLiteral("O'Brien \"q\" tab")), (Rows{{"a'b\"c", "5"}}));
  EXPECT_EQ(accessRows(access, QStringLiteral("t'); DROP TABLE keep; --")), (Rows{{"v"}}));
  EXPECT_EQ(accessRows(access, QStringLiteral("keep")), Rows{});

  // Each forbidden name: the table is given up once, its create refused naming the character;
  // its rows add nothing more.
  const QStringList boxes = errorBoxes();
  ASSERT_EQ(boxes.size(), 2) << boxes.join("\n").toStdString();
  EXPECT_TRUE(boxes[0].contains("Table \"c\" was not copied"));
  EXPECT_TRUE(boxes[0].contains("The column name \"x[1]\" is not allowed in Access: it contains \"[\""))
      << boxes[0].toStdString();
  EXPECT_TRUE(boxes[1].contains("The table name \"a]b\" is not allowed in Access: it contains \"]\""))
      << boxes[1].toStdString();
  ASSERT_EQ(failures.size(), 2u);
  EXPECT_EQ(failures[0].table, QStringLiteral("c"));
  EXPECT_TRUE(failures[0].tableUndone);
}

TEST_F(SQLiteToAccessRunTest, BinaryValuesComeBackByteForByte) {
  QByteArray every(256, '\0');
  for (int b = 0; b < 256; ++b) every[b] = static_cast<char>(b);
  QByteArray large(300 * 1024, '\0');  // spans many long-value pages
  QRandomGenerator random(7);
  for (char& c : large) c = static_cast<char>(random.bounded(256));
  const std::vector<std::string> blobs = {every.toHex().toStdString(), "00", large.toHex().toStdString()};

  const QString sqlite = newSQLite(QStringLiteral("from.db"), {"CREATE TABLE blobs(id INTEGER, data BLOB)"});
  {
    RawSQLite db(sqlite);
    for (std::size_t i = 0; i < blobs.size(); ++i)
      db.exec("INSERT INTO blobs VALUES(" + std::to_string(i) + ", X'" + blobs[i] + "')");
    db.exec("INSERT INTO blobs VALUES(3, NULL)");
  }
  const QString access = newAccess(QStringLiteral("t.accdb"));
  useFiles(sqlite, access);
  fillLists();
  selectAll(sqliteList);
  auto toAccess = env();
  transfer::SendTablesToAccess(toAccess);
  EXPECT_TRUE(errorBoxes().isEmpty()) << errorBoxes().join("\n").toStdString();
  const Rows inAccess = accessRows(access, QStringLiteral("blobs"));
  ASSERT_EQ(inAccess.size(), 4u);
  for (std::size_t i = 0; i < blobs.size(); ++i) EXPECT_EQ(inAccess[i][1], "b:" + blobs[i]) << "row " << i;
  EXPECT_EQ(inAccess[3][1], "NULL");

  const QString back = newSQLite(QStringLiteral("back.db"));
  useFiles(back, access);
  fillLists();
  selectAll(accessList);
  auto toSQLite = env();
  transfer::SendTablesToSQLite(toSQLite);
  EXPECT_TRUE(errorBoxes().isEmpty()) << errorBoxes().join("\n").toStdString();
  RawSQLite db(back);
  EXPECT_EQ(db.rows("SELECT id, data FROM blobs"),
            (Rows{{"i:0", "b:" + blobs[0]}, {"i:1", "b:" + blobs[1]}, {"i:2", "b:" + blobs[2]}, {"i:3", "NULL"}}));
}

}  // namespace
}  // namespace transfer_test
