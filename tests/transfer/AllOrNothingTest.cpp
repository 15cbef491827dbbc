// One table, one transaction: a table whose source cannot be read to its end is rolled back
// whole (an old table it was to replace stays as it was, the lists too) with one message that
// names the table, the source row and the reason; in both directions, on damaged real files.
#include "TransferFixture.h"
#include "db/Access.h"
#include "jet/Database.h"
#include "jet/write/WriteSession.h"
#include "transfer/AccessToSQLite.h"
#include "transfer/SQLiteToAccess.h"

#include <QFileInfo>
#include <QProcess>

#include <map>

namespace transfer_test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Overwrites with garbage every page of an SQLite file that starts with `firstByte` (0x0D: a
// table's leaf page; 0: an overflow page, whose first bytes are the next page's number) and
// holds `marker`. The number of pages overwritten.
int DamageSQLitePages(const QString& path, char firstByte, const QByteArray& marker) {
  QFile file(path);
  if (!file.open(QIODevice::ReadWrite)) return 0;
  const QByteArray bytes = file.readAll();
  const int pageSize = (static_cast<unsigned char>(bytes[16]) << 8) | static_cast<unsigned char>(bytes[17]);
  int damaged = 0;
  for (qsizetype page = 1; (page + 1) * pageSize <= bytes.size(); ++page) {
    const QByteArray content = bytes.mid(page * pageSize, pageSize);
    if (content[0] != firstByte || !content.contains(marker)) continue;
    file.seek(page * pageSize);
    file.write(QByteArray(pageSize, '\xA5'));
    ++damaged;
  }
  return damaged;
}

// Makes an Access table with these rows through the engine.
void MakeAccessTable(const QString& path, const std::string& table, const std::vector<jet::NewColumn>& columns,
                     const std::vector<std::vector<jet::Value>>& rows) {
  auto session = jet::WriteSession::Open(path.toStdString());
  ASSERT_TRUE(session.ok()) << session.status().message();
  ASSERT_TRUE((*session)->createTable(table, columns).ok());
  (*session)->beginBatch();
  for (const auto& row : rows) ASSERT_TRUE((*session)->insert(table, row).ok());
  ASSERT_TRUE((*session)->commitBatch().ok());
}

class AllOrNothingTest : public TransferTest {
 protected:
  // An SQLite file whose "gamma" has its only leaf page overwritten with garbage (it cannot be
  // opened) and whose "alpha" has the overflow pages of its row 150 overwritten (reading stops
  // there); "beta" is sound.
  QString damagedSQLite() {
    const QString sqlite = newSQLite(
        QStringLiteral("damaged.db"),
        {"CREATE TABLE alpha(id INTEGER, body TEXT)",
         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
         "INSERT INTO alpha SELECT i, replace(hex(zeroblob(1200)), '00', printf('ROW%05d-', i)) FROM n",
         "CREATE TABLE beta(id INTEGER)", "INSERT INTO beta VALUES(1), (2), (3)",
         "CREATE TABLE gamma(id INTEGER, name TEXT)",
         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20) "
         "INSERT INTO gamma SELECT i, 'GAMMA-' || i FROM n"});
    EXPECT_GE(DamageSQLitePages(sqlite, 0, "ROW00150-ROW00150-"), 1);
    EXPECT_EQ(DamageSQLitePages(sqlite, 0x0D, "GAMMA-"), 1);
    return sqlite;
  }
};

// SQLite -> Access, overwrite Yes, from the damaged file above.
TEST_F(AllOrNothingTest, ADamagedSQLiteSourceLeavesTheOldAccessTablesAsTheyWere) {
  const QString sqlite = damagedSQLite();
  const QString access = newAccess(QStringLiteral("target.mdb"));
  MakeAccessTable(access, "alpha", {{"Id", jet::ColumnType::kLong}, {"Old", jet::ColumnType::kText, 50}},
                  {{int32_t{1}, std::string("old one")}, {int32_t{2}, std::string("old two")}});
  MakeAccessTable(access, "gamma", {{"Id", jet::ColumnType::kLong}}, {{int32_t{7}}});
  useFiles(sqlite, access);
  fillLists();
  const Rows alphaBefore = accessRows(access, QStringLiteral("alpha"));
  const auto listBefore = accessList.items();
  selectAll(sqliteList);
  dialogs.setDefaultAnswer(app::MessageAnswer::Yes);
  auto e = env();
  transfer::SendTablesToAccess(e);

  // Bottom-up: gamma, beta, alpha. One box each for the two damaged tables, nothing else.
  const QStringList boxes = errorBoxes();
  ASSERT_EQ(boxes.size(), 2) << boxes.join("\n").toStdString();
  EXPECT_TRUE(boxes[0].startsWith("Table \"gamma\" was not copied; the target is as it was before this table: "
                                  "its source could not be opened: database disk image is malformed"))
      << boxes[0].toStdString();
  EXPECT_TRUE(boxes[0].contains("at line 140"));
  EXPECT_TRUE(boxes[1].startsWith("Table \"alpha\" was not copied; the target is as it was before this table: "
                                  "reading its source failed at row 150: database disk image is malformed"))
      << boxes[1].toStdString();
  EXPECT_TRUE(boxes[1].contains("damaged.db")) << boxes[1].toStdString();
  EXPECT_TRUE(boxes[1].contains("at line 230"));
  ASSERT_EQ(failures.size(), 2u);
  EXPECT_TRUE(failures[0].tableUndone && failures[1].tableUndone);
  EXPECT_EQ(failures[0].table, QStringLiteral("gamma"));
  EXPECT_EQ(failures[1].row, 150);

  EXPECT_EQ(accessRows(access, QStringLiteral("alpha")), alphaBefore);
  EXPECT_EQ(accessFieldNames(access, QStringLiteral("alpha")), (std::vector<std::string>{"Id", "Old"}));
  EXPECT_EQ(accessRows(access, QStringLiteral("gamma")), (Rows{{"7"}}));
  EXPECT_EQ(accessRows(access, QStringLiteral("beta")), (Rows{{"1"}, {"2"}, {"3"}}));
  auto expectedList = listBefore;
  expectedList.push_back(QStringLiteral("beta"));
  std::sort(expectedList.begin(), expectedList.end(),
            [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
  EXPECT_EQ(accessList.items(), expectedList);
}

// Access -> SQLite, overwrite Yes: a data page in the middle of the source table no longer
// belongs to it, or its row offsets point off the page. The SQLite file is byte for byte as
// before (the old table was dropped inside the rolled-back transaction).
TEST_F(AllOrNothingTest, ADamagedAccessDataPageLeavesTheSQLiteFileByteForByte) {
  struct Damage {
    const char* name;
    int offset;           // in the page
    QByteArray bytes;     // written there
    const char* message;  // what the engine says of it
  };
  const Damage damages[] = {
      {"owner", 4, QByteArray(4, '\x01'), "belongs elsewhere"},
      {"offsets", 14, QByteArray(64, '\xF0'), "row offsets"},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.name);
    dialogs.clearShown();
    failures.clear();
    accessList.clear();
    sqliteList.clear();
    const QString access = newAccess(QStringLiteral("damaged-%1.mdb").arg(damage.name));
    std::vector<std::vector<jet::Value>> rows;
    for (int32_t id = 1; id <= 3000; ++id) rows.push_back({id, std::string(100, static_cast<char>('a' + id % 26))});
    MakeAccessTable(access, "Notes", {{"Id", jet::ColumnType::kLong}, {"Body", jet::ColumnType::kText, 200}}, rows);
    {
      // The table's data pages (type 1) name its definition page; the catalogue's name another.
      QFile file(access);
      ASSERT_TRUE(file.open(QIODevice::ReadWrite));
      const QByteArray bytes = file.readAll();
      std::map<quint32, std::vector<qsizetype>> pagesByOwner;
      for (qsizetype page = 1; (page + 1) * 4096 <= bytes.size(); ++page) {
        if (bytes[page * 4096] != 1 || bytes[page * 4096 + 1] != 1) continue;
        quint32 owner = 0;
        for (int k = 3; k >= 0; --k) owner = (owner << 8) | static_cast<unsigned char>(bytes[page * 4096 + 4 + k]);
        pagesByOwner[owner].push_back(page);
      }
      const auto largest =
          std::max_element(pagesByOwner.begin(), pagesByOwner.end(),
                           [](const auto& a, const auto& b) { return a.second.size() < b.second.size(); });
      ASSERT_GE(largest->second.size(), 10u);
      ASSERT_TRUE(file.seek(largest->second[5] * 4096 + damage.offset));
      ASSERT_EQ(file.write(damage.bytes), damage.bytes.size());
    }
    const QString sqlite = newSQLite(QStringLiteral("t-%1.db").arg(damage.name),
                                     {"CREATE TABLE notes(x)", "INSERT INTO notes VALUES('old')"});
    const QByteArray before = FileBytes(sqlite);
    useFiles(sqlite, access);
    fillLists();
    select(accessList, QStringLiteral("Notes"));
    dialogs.queueAnswer(app::MessageAnswer::Yes);
    auto e = env();
    transfer::SendTablesToSQLite(e);

    const QStringList boxes = errorBoxes();
    ASSERT_EQ(boxes.size(), 1) << boxes.join("\n").toStdString();
    // The engine may find the damage when it opens the table or later in the walk, where
    // the message names the row; either box is right.
    const QString prefix =
        QStringLiteral("Table \"Notes\" was not copied; the target is as it was before this table: ");
    EXPECT_TRUE(boxes[0].startsWith(prefix + QStringLiteral("its source could not be opened: ")) ||
                boxes[0].startsWith(prefix + QStringLiteral("reading its source failed at row ")))
        << boxes[0].toStdString();
    EXPECT_TRUE(boxes[0].contains(QString::fromLatin1(damage.message))) << boxes[0].toStdString();
    EXPECT_TRUE(boxes[0].contains(QStringLiteral("damaged-%1.mdb").arg(damage.name))) << boxes[0].toStdString();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_TRUE(failures[0].tableUndone);
    if (failures[0].row > 0) {
      EXPECT_GT(failures[0].row, 100);
      EXPECT_LT(failures[0].row, 3000);
      EXPECT_TRUE(boxes[0].contains(QStringLiteral("at row %1: ").arg(failures[0].row)));
    }
    EXPECT_EQ(FileBytes(sqlite), before);
    EXPECT_EQ(sqliteList.items(), (std::vector<QString>{"notes"}));
  }
}

// The batch command under a file size limit (prlimit, as a disk that fills up): the table
// that does not fit is rolled back with one line naming the cause and the file, the next
// table begins its own transaction and arrives, and the run fails.
struct LimitedRun {
  int exitCode = -1;
  QString err;
  QStringList notCopied;  // the lines of tables given up
};

// No limit when `limit` is 0.
LimitedRun RunCliUnderFileSizeLimit(qint64 limit, const QStringList& arguments) {
  QProcess process;
  if (limit > 0)
    process.start(QStringLiteral("prlimit"),
                  QStringList{QStringLiteral("--fsize=%1").arg(limit), QStringLiteral(TABLOREN_CLI)} + arguments);
  else
    process.start(QStringLiteral(TABLOREN_CLI), arguments);
  process.waitForFinished(120000);
  LimitedRun run;
  run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.err = QString::fromUtf8(process.readAllStandardError());
  for (const QString& line : run.err.split(QLatin1Char('\n')))
    if (line.contains(QStringLiteral("was not copied"))) run.notCopied << line;
  return run;
}

std::vector<std::vector<jet::Value>> BigRows(int count) {
  std::vector<std::vector<jet::Value>> rows;
  for (int32_t id = 1; id <= count; ++id) rows.push_back({id, std::string(150, static_cast<char>('a' + id % 26))});
  return rows;
}

// The same on a corpus file Access made: a data page of Table1 damaged, every table copied over
// an old one. Table1 keeps its old rows, the others are replaced.
TEST_F(AllOrNothingTest, ADamagedPageOfACorpusFileLeavesThatOldTableOnly) {
  const QString access = copyCorpus(QStringLiteral("mdb-reader/V2000/test.mdb"), QStringLiteral("corpus.mdb"));
  {
    // The first data page that names Table1's definition page as its owner.
    quint32 owner = 0;
    {
      auto database = jet::Database::Open(access.toStdString(), {});
      ASSERT_TRUE(database.ok());
      const jet::CatalogEntry* entry = (*database)->catalog().findTable("Table1");
      ASSERT_NE(entry, nullptr);
      owner = entry->tableDefPage();
    }
    QFile file(access);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QByteArray bytes = file.readAll();
    const QByteArray ownerBytes(reinterpret_cast<const char*>(&owner), 4);  // little-endian, as the file
    qsizetype damaged = -1;
    for (qsizetype page = 3; (page + 1) * 4096 <= bytes.size() && damaged < 0; ++page) {
      if (bytes[page * 4096] == 1 && bytes.mid(page * 4096 + 4, 4) == ownerBytes) damaged = page;
    }
    ASSERT_GT(damaged, 0);
    ASSERT_TRUE(file.seek(damaged * 4096 + 4));
    ASSERT_EQ(file.write(QByteArray(4, '\x01')), 4);
  }
  const QString sqlite = newSQLite(QStringLiteral("t.db"));
  {
    RawSQLite db(sqlite);
    for (const char* table : {"table1", "table2", "table3", "table4"}) {
      db.exec(std::string("CREATE TABLE ") + table + "(x)");
      db.exec(std::string("INSERT INTO ") + table + " VALUES('old')");
    }
  }
  useFiles(sqlite, access);
  fillLists();
  selectAll(accessList);
  dialogs.setDefaultAnswer(app::MessageAnswer::Yes);
  auto e = env();
  transfer::SendTablesToSQLite(e);

  ASSERT_EQ(failures.size(), 1u);
  ASSERT_EQ(errorBoxes().size(), 1);
  const QString table = failures[0].table;
  EXPECT_TRUE(errorBoxes()[0].startsWith(QStringLiteral("Table \"%1\" was not copied; the target is as it was "
                                                        "before this table: its source could not be opened: ")
                                             .arg(table)))
      << errorBoxes()[0].toStdString();
  RawSQLite db(sqlite);
  for (const QString name : {"Table1", "Table2", "Table3", "Table4"}) {
    const auto rows = db.rows("SELECT * FROM " + name.toStdString());
    if (name == table) EXPECT_EQ(rows, (Rows{{"t:old"}})) << name.toStdString();
    else EXPECT_NE(rows, (Rows{{"t:old"}})) << name.toStdString();
  }
  EXPECT_EQ(db.rows("PRAGMA integrity_check"), (Rows{{"t:ok"}}));
}

// The batch command prints every table given up, with its row and reason, and fails.
TEST_F(AllOrNothingTest, TheBatchCommandPrintsEachTableGivenUp) {
  const LimitedRun run =
      RunCliUnderFileSizeLimit(0, {"to-access", damagedSQLite(), tempPath(QStringLiteral("new.mdb"))});
  EXPECT_EQ(run.exitCode, 1);
  ASSERT_EQ(run.notCopied.size(), 2) << run.err.toStdString();
  EXPECT_TRUE(run.notCopied[0].startsWith(QStringLiteral("tabloren-cli: Table \"gamma\" was not copied")));
  EXPECT_TRUE(run.notCopied[1].contains(QStringLiteral("Table \"alpha\" was not copied; the target is as it was "
                                                       "before this table: reading its source failed at row 150: "
                                                       "database disk image is malformed")))
      << run.err.toStdString();
}

TEST_F(AllOrNothingTest, AFullDiskUndoesTheTableOnceAndTheNextOneArrives_ToSQLite) {
  const QString access = newAccess(QStringLiteral("source.mdb"));
  MakeAccessTable(access, "zbig", {{"Id", jet::ColumnType::kLong}, {"Body", jet::ColumnType::kText, 200}},
                  BigRows(20000));
  MakeAccessTable(access, "asmall", {{"Id", jet::ColumnType::kLong}}, {{int32_t{1}}, {int32_t{2}}, {int32_t{3}}});
  const QString sqlite = newSQLite(QStringLiteral("full.db"), {"CREATE TABLE zbig(x)", "INSERT INTO zbig VALUES('old')"});
  // Bottom-up: zbig (about 3 MB) meets the limit, then asmall fits.
  const LimitedRun run = RunCliUnderFileSizeLimit(QFileInfo(sqlite).size() + 64 * 1024,
                                                  {"to-sqlite", access, sqlite, "--overwrite", "yes"});
  EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
  ASSERT_EQ(run.notCopied.size(), 1) << run.err.toStdString();
  EXPECT_TRUE(run.notCopied[0].contains(QStringLiteral("Table \"zbig\" was not copied; the target is as it was before "
                                                       "this table: ")))
      << run.err.toStdString();
  EXPECT_TRUE(run.notCopied[0].contains(QStringLiteral("File too large"))) << run.err.toStdString();
  EXPECT_TRUE(run.notCopied[0].contains(sqlite)) << run.err.toStdString();
  EXPECT_FALSE(run.err.contains(QStringLiteral("no such table"))) << run.err.toStdString();
  EXPECT_LE(run.err.count(QLatin1Char('\n')), 3) << run.err.toStdString();  // the question, the failure

  RawSQLite db(sqlite);
  EXPECT_EQ(db.rows("PRAGMA integrity_check"), (Rows{{"t:ok"}}));
  EXPECT_EQ(db.rows("SELECT * FROM zbig"), (Rows{{"t:old"}}));
  EXPECT_EQ(db.rows("SELECT count(*) FROM asmall"), (Rows{{"i:3"}}));
}

TEST_F(AllOrNothingTest, AFullDiskUndoesTheTableOnceAndTheNextOneArrives_ToAccess) {
  const QString sqlite = newSQLite(
      QStringLiteral("source.db"),
      {"CREATE TABLE zbig(id INTEGER, body TEXT)",
       "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
       "INSERT INTO zbig SELECT i, printf('%.150c', char(97 + i % 26)) FROM n",
       "CREATE TABLE asmall(id INTEGER)", "INSERT INTO asmall VALUES(1), (2), (3)",
       "CREATE TABLE zmid(id INTEGER, body TEXT)",
       "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 600) "
       "INSERT INTO zmid SELECT i, printf('%.150c', char(97 + i % 26)) FROM n"});
  const QString access = newAccess(QStringLiteral("full.mdb"));
  MakeAccessTable(access, "zbig", {{"Id", jet::ColumnType::kLong}}, {{int32_t{7}}});
  useFiles(sqlite, access);
  const LimitedRun run = RunCliUnderFileSizeLimit(QFileInfo(access).size() + 256 * 1024,
                                                  {"to-access", sqlite, access, "--overwrite", "yes", "--tables",
                                                   "asmall,zbig"});
  EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
  ASSERT_EQ(run.notCopied.size(), 1) << run.err.toStdString();
  EXPECT_TRUE(run.notCopied[0].contains(QStringLiteral("Table \"zbig\" was not copied; the target is as it was before "
                                                       "this table: ")))
      << run.err.toStdString();
  EXPECT_TRUE(run.notCopied[0].contains(QStringLiteral("File too large"))) << run.err.toStdString();
  EXPECT_TRUE(run.notCopied[0].contains(access)) << run.err.toStdString();
  EXPECT_LE(run.err.count(QLatin1Char('\n')), 3) << run.err.toStdString();

  EXPECT_EQ(accessRows(access, QStringLiteral("zbig")), (Rows{{"7"}}));
  EXPECT_EQ(accessRows(access, QStringLiteral("asmall")), (Rows{{"1"}, {"2"}, {"3"}}));

  // A table small enough to wait in memory meets the limit at its commit instead.
  const LimitedRun commit = RunCliUnderFileSizeLimit(QFileInfo(access).size() + 8 * 1024,
                                                     {"to-access", sqlite, access, "--tables", "zmid"});
  EXPECT_EQ(commit.exitCode, 1) << commit.err.toStdString();
  ASSERT_EQ(commit.notCopied.size(), 1) << commit.err.toStdString();
  EXPECT_TRUE(commit.notCopied[0].contains(QStringLiteral("its rows could not be committed: "))) << commit.err.toStdString();
  EXPECT_TRUE(commit.notCopied[0].contains(QStringLiteral("File too large"))) << commit.err.toStdString();
  EXPECT_EQ(accessRows(access, QStringLiteral("zbig")), (Rows{{"7"}}));
  EXPECT_EQ(accessRows(access, QStringLiteral("asmall")), (Rows{{"1"}, {"2"}, {"3"}}));
  const auto tables = db::GetAccessTables(*settings_, access).value_or(QStringList());
  EXPECT_FALSE(tables.contains(QStringLiteral("zmid"), Qt::CaseInsensitive));
}

}  // namespace
}  // namespace transfer_test
