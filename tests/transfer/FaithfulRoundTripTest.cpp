// An SQLite database with keys, indexes, foreign keys, booleans, dates, exact decimals, texts
// and blobs goes to new Access files (.mdb and .accdb) with the faithful copy and comes back
// the same: the same columns, keys, indexes, foreign keys and values. The Access files pass
// the engine's integrity check and the independent reader reads the same rows.
#include "TransferFixture.h"
#include "jet/check/DatabaseCheck.h"
#include "transfer/AccessToSQLite.h"
#include "transfer/FaithfulCopy.h"
#include "transfer/SQLiteToAccess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

namespace transfer_test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

const std::vector<std::string> kSource = {
    "CREATE TABLE customer (id INTEGER PRIMARY KEY, name VARCHAR(40) NOT NULL, "
    "vip BOOLEAN NOT NULL DEFAULT 0 CHECK (\"vip\" IN (0,1)), balance DECIMAL_TEXT(19,4) DEFAULT '0', "
    "joined DATETIME, photo BLOB, ratio REAL, note TEXT, code VARBINARY(8))",
    "CREATE UNIQUE INDEX customer_name ON customer (name DESC)",
    "CREATE TABLE orders (customer_id INTEGER NOT NULL, line INTEGER NOT NULL, total DECIMAL_TEXT(28,6), "
    "shipped DATETIME, PRIMARY KEY (customer_id, line), "
    "FOREIGN KEY (customer_id) REFERENCES customer (id) ON UPDATE CASCADE ON DELETE CASCADE)",
    "CREATE INDEX orders_shipped ON orders (shipped, line DESC) WHERE shipped IS NOT NULL AND line IS NOT NULL",
    "INSERT INTO customer VALUES (17, 'Zoë O''Brien', 1, '922337203685477.5807', '2024-02-29 12:34:56', "
    "x'00FF10', 0.1, '', x'0102')",
    "INSERT INTO customer VALUES (3, 'café 日本', 0, '-922337203685477.5808', '1899-12-30 00:00:00', "
    "randomblob(3000), 1e-300, 'it''s ' || printf('%.5000c', 'x'), NULL)",
    "INSERT INTO customer VALUES (40000, 'plain', 0, NULL, NULL, NULL, NULL, NULL, NULL)",
    "INSERT INTO orders VALUES (17, 1, '1234567890123456789012.345678', '2024-03-01 00:00:00')",
    "INSERT INTO orders VALUES (17, 2, '-0.000001', NULL)",
    "INSERT INTO orders VALUES (3, 1, NULL, '0100-01-01 23:59:59')"};

// A table's design as SQLite reports it, one line per column, index and foreign key.
std::vector<std::string> Design(RawSQLite& db, const std::string& table) {
  std::vector<std::string> out;
  for (const auto& r : db.rows("SELECT name, type, \"notnull\", dflt_value, pk FROM pragma_table_xinfo('" + table + "')"))
    out.push_back("column " + r[0] + " " + r[1] + " " + r[2] + " " + r[3] + " " + r[4]);
  for (const auto& index : db.rows("SELECT name, \"unique\", origin, partial FROM pragma_index_list('" + table +
                                   "') WHERE origin <> 'pk' ORDER BY name")) {
    std::string line = "index " + index[0] + " " + index[1] + " " + index[3];
    for (const auto& part :
         db.rows("SELECT name, \"desc\" FROM pragma_index_xinfo('" + index[0].substr(2) + "') WHERE key ORDER BY seqno"))
      line += " " + part[0] + (part[1] == "i:1" ? " desc" : "");
    out.push_back(line);
  }
  for (const auto& r : db.rows("SELECT \"table\", \"from\", \"to\", on_update, on_delete FROM pragma_foreign_key_list('" +
                               table + "') ORDER BY id, seq"))
    out.push_back("foreign key " + r[0] + " " + r[1] + " " + r[2] + " " + r[3] + " " + r[4]);
  return out;
}

class FaithfulRoundTripTest : public TransferTest {
 protected:
  void copy(bool toAccess) {
    fillLists();
    selectAll(toAccess ? sqliteList : accessList);
    transfer::FaithfulMode mode;
    mode.note = [this](const QString& note) { notes.push_back(note.toStdString()); };
    auto e = env();
    e.faithful = &mode;
    if (toAccess) transfer::SendTablesToAccess(e);
    else transfer::SendTablesToSQLite(e);
  }
  std::vector<std::string> notes;
};

TEST_F(FaithfulRoundTripTest, AnSQLiteDatabaseComesBackFromAccessUnchanged) {
  for (const char* format : {".mdb", ".accdb"}) {
    SCOPED_TRACE(format);
    accessList.clear();
    sqliteList.clear();
    notes.clear();
    failures.clear();
    const QString source = newSQLite(QStringLiteral("source%1.db").arg(format), kSource);
    const QString access = newAccess(QStringLiteral("middle") + format);
    useFiles(source, access);
    copy(true);
    for (const auto& f : failures) ADD_FAILURE() << f.description.toStdString();
    for (const auto& n : notes) ADD_FAILURE() << "note: " << n;

    const auto check = jet::check::CheckDatabase(access.toStdString());
    ASSERT_TRUE(check.ok()) << check.status().message();
    for (const auto& problem : check.value().problems) ADD_FAILURE() << problem;
    // The independent reader reads every row, the exact numbers as written.
    QProcess reader;
    reader.start(QStringLiteral(TABLOREN_ACCESS_DUMP), {access});
    ASSERT_TRUE(reader.waitForFinished(120000));
    EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
    const QJsonObject dumped = QJsonDocument::fromJson(reader.readAllStandardOutput()).object();
    std::map<std::string, int> rowsRead;
    std::string cells;
    for (const auto& t : dumped.value("tables").toArray()) {
      rowsRead[t.toObject().value("name").toString().toStdString()] = t.toObject().value("rows").toArray().size();
      cells += QJsonDocument(t.toObject().value("rows").toArray()).toJson(QJsonDocument::Compact).toStdString();
    }
    EXPECT_EQ(rowsRead, (std::map<std::string, int>{{"customer", 3}, {"orders", 3}}));
    for (const char* exact : {"922337203685477.5807", "1234567890123456789012.345678", "2024-02-29T12:34:56"})
      EXPECT_NE(cells.find(exact), std::string::npos) << exact;

    // mdbtools reads both tables too, where it is installed.
    const QString mdbExport = QStandardPaths::findExecutable(QStringLiteral("mdb-export"));
    if (!mdbExport.isEmpty()) {
      QProcess exporter;
      exporter.start(mdbExport, {access, QStringLiteral("orders")});
      ASSERT_TRUE(exporter.waitForFinished(60000));
      EXPECT_EQ(exporter.exitCode(), 0);
      const QList<QByteArray> lines = exporter.readAllStandardOutput().trimmed().split('\n');
      EXPECT_EQ(lines.size(), 4);  // the header and three rows
      EXPECT_TRUE(lines.size() > 1 && lines[1].startsWith("17,1,")) << lines.value(1).toStdString();
    }

    // And back into a new SQLite file.
    const QString back = newSQLite(QStringLiteral("back%1.db").arg(format));
    accessList.clear();
    sqliteList.clear();
    useFiles(back, access);
    copy(false);
    for (const auto& f : failures) ADD_FAILURE() << f.description.toStdString();
    for (const auto& n : notes) ADD_FAILURE() << "note: " << n;

    RawSQLite before(source), after(back);
    for (const std::string table : {"customer", "orders"}) {
      SCOPED_TRACE(table);
      auto designBefore = Design(before, table), designAfter = Design(after, table);
      // Partial index conditions come back with quoted names: compare the index's columns and kind.
      EXPECT_EQ(designAfter, designBefore);
      const std::string order = table == "customer" ? " ORDER BY id" : " ORDER BY customer_id, line";
      EXPECT_EQ(after.rows("SELECT * FROM " + table + order), before.rows("SELECT * FROM " + table + order));
    }
    EXPECT_EQ(after.rows("SELECT count(*) FROM sqlite_master WHERE sql LIKE '%CHECK (\"vip\" IN (0,1))%'"),
              (Rows{{"i:1"}}));
    EXPECT_TRUE(after.rows("PRAGMA foreign_key_check").empty());
  }
}

// A foreign key the data breaks is not made: a note says so, the tables and rows are there.
TEST_F(FaithfulRoundTripTest, AForeignKeyTheDataBreaksIsANoteAndTheRowsStay) {
  const QString source = newSQLite(QStringLiteral("orphans.db"),
                                   {"CREATE TABLE p (id INTEGER PRIMARY KEY)", "INSERT INTO p VALUES (1)",
                                    "CREATE TABLE c (x INTEGER REFERENCES p (id))", "INSERT INTO c VALUES (1)",
                                    "INSERT INTO c VALUES (2)"});
  const QString access = newAccess(QStringLiteral("orphans.accdb"));
  useFiles(source, access);
  copy(true);
  EXPECT_TRUE(failures.empty());
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find("ALTER TABLE [c] ADD CONSTRAINT [pc] was not made"), std::string::npos) << notes[0];
  EXPECT_EQ(accessRows(access, QStringLiteral("c")).size(), 2u);
  const auto check = jet::check::CheckDatabase(access.toStdString());
  ASSERT_TRUE(check.ok());
  EXPECT_TRUE(check.value().problems.empty());
}

// Overwriting tables that take part in a relationship: Access refuses their drop, and the
// copy gives each of them up whole instead of adding its rows to the old table.
TEST_F(FaithfulRoundTripTest, ATableThatCannotBeDroppedIsGivenUpNotAppendedTo) {
  const QString source = newSQLite(QStringLiteral("keys.db"), {kSource[0], kSource[2], kSource[4], kSource[7]});
  const QString access = newAccess(QStringLiteral("keys.accdb"));
  useFiles(source, access);
  copy(true);
  ASSERT_TRUE(failures.empty());
  const auto before = accessRows(access, QStringLiteral("orders"));
  accessList.clear();
  sqliteList.clear();
  dialogs.setDefaultAnswer(app::MessageAnswer::Yes);  // overwrite
  copy(true);
  std::vector<transfer::StatementFailure> givenUp;
  for (const auto& f : failures)
    if (f.tableUndone) givenUp.push_back(f);
  ASSERT_EQ(givenUp.size(), 2u);
  EXPECT_TRUE(givenUp[0].description.contains(QStringLiteral("still has a table named orders")))
      << givenUp[0].description.toStdString();
  EXPECT_EQ(accessRows(access, QStringLiteral("orders")), before);
  const auto check = jet::check::CheckDatabase(access.toStdString());
  ASSERT_TRUE(check.ok());
  EXPECT_TRUE(check.value().problems.empty());
}

}  // namespace
}  // namespace transfer_test
