// The batch command, run as a process on real files.
#include "TransferFixture.h"

#include <QCryptographicHash>
#include <QProcess>

namespace transfer_test {
namespace {

struct Outcome {
  int exitCode = -1;
  QString out, err;
};

Outcome RunCli(const QStringList& arguments) {
  QProcess process;
  process.start(QStringLiteral(TABLOREN_CLI), arguments);
  process.waitForFinished(60000);
  return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
          QString::fromUtf8(process.readAllStandardError())};
}

class CliTest : public TransferTest {};

QByteArray Fingerprint(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QByteArray();
  return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

TEST_F(CliTest, HelpAndWrongArguments) {
  const Outcome help = RunCli({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  for (const char* part : {"list FILE", "to-sqlite", "to-access", "--tables", "--overwrite", "Exit status"})
    EXPECT_TRUE(help.out.contains(part)) << part;
  EXPECT_EQ(RunCli({"copy", "a", "b"}).exitCode, 2);
  EXPECT_EQ(RunCli({"to-sqlite", "a.mdb", "b.db", "--overwrite", "maybe"}).exitCode, 2);
  const Outcome missing = RunCli({"list", tempPath("none.mdb")});
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_TRUE(missing.err.contains("none.mdb"));
}

TEST_F(CliTest, ListsCopiesAndLeavesExistingTablesByDefault) {
  const QString access = copyCorpus(QStringLiteral("mdb-reader/password/V2010_with-password.accdb"));
  const Outcome wrong = RunCli({"list", access, "--password", "nope"});
  EXPECT_EQ(wrong.exitCode, 2);
  EXPECT_TRUE(wrong.err.contains("password")) << wrong.err.toStdString();
  const Outcome list = RunCli({"list", access, "--password", "password"});
  EXPECT_EQ(list.exitCode, 0) << list.err.toStdString();
  EXPECT_EQ(list.out, QStringLiteral("Table1\n"));

  const QString sqlite = tempPath("new.db");  // created by the command
  Outcome copy = RunCli({"to-sqlite", access, sqlite, "--password", "password", "--tables", "table1"});
  EXPECT_EQ(copy.exitCode, 0) << copy.err.toStdString();
  EXPECT_EQ(RunCli({"list", sqlite}).out, QStringLiteral("Table1\n"));  // the table keeps its own name
  RawSQLite db(sqlite);
  const auto rows = db.rows("SELECT count(*) FROM table1");
  EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{{"i:3"}}));

  db.exec("DELETE FROM table1");
  copy = RunCli({"to-sqlite", access, sqlite, "--password", "password"});
  EXPECT_EQ(copy.exitCode, 0);
  EXPECT_TRUE(copy.err.contains("Would you like to overwrite Table1? No")) << copy.err.toStdString();
  EXPECT_EQ(db.rows("SELECT count(*) FROM table1"), (std::vector<std::vector<std::string>>{{"i:0"}}));
  copy = RunCli({"to-sqlite", access, sqlite, "--password", "password", "--overwrite", "yes"});
  EXPECT_EQ(copy.exitCode, 0);
  EXPECT_EQ(db.rows("SELECT count(*) FROM table1"), (std::vector<std::vector<std::string>>{{"i:3"}}));

  EXPECT_EQ(RunCli({"to-sqlite", access, sqlite, "--password", "password", "--tables", "Nope"}).exitCode, 2);
}

// A failed row is named by table, row and column, never by the statement or its values
// (which may be private); an infinity, which Access cannot store, is refused that way.
TEST_F(CliTest, AFailedStatementIsPrintedWithTableAndRowAndFailsTheRun) {
  const QString access = copyCorpus(QStringLiteral("mdb-reader/V2000/test.mdb"));
  // A view of that name: the drop, the create and every row's insert are refused.
  const QString sqlite = newSQLite("t.db", {"CREATE VIEW Table1 AS SELECT 1 AS x"});
  const Outcome copy = RunCli({"to-sqlite", access, sqlite, "--tables", "Table1", "--overwrite", "yes"});
  EXPECT_EQ(copy.exitCode, 1);
  EXPECT_TRUE(copy.err.contains("table \"Table1\"")) << copy.err.toStdString();
  EXPECT_TRUE(copy.err.contains("row 1: ")) << copy.err.toStdString();
  EXPECT_TRUE(copy.err.contains("row 2: ")) << copy.err.toStdString();
  EXPECT_FALSE(copy.err.contains("INSERT INTO")) << copy.err.toStdString();

  const QString infinite = newSQLite("inf.db", {"CREATE TABLE ir(id INTEGER, v REAL)",
                                                "INSERT INTO ir VALUES(1, 1.5), (2, 9e999), (3, -9e999), (4, 2.5)"});
  const QString target = tempPath(QStringLiteral("inf.accdb"));
  const Outcome faithful = RunCli({"to-access", "--faithful", infinite, target});
  EXPECT_EQ(faithful.exitCode, 1);
  const QStringList lines = faithful.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts).filter(QStringLiteral("row "));
  ASSERT_EQ(lines.size(), 2) << faithful.err.toStdString();
  for (int k = 0; k < 2; ++k) {
    EXPECT_TRUE(lines[k].startsWith(QStringLiteral("tabloren-cli: table \"ir\", row %1, column \"v\": its value cannot "
                                                   "be stored as Double: no Access number type holds an infinity (Access "
                                                   "database \"%2\")").arg(k + 2).arg(target)))
        << lines[k].toStdString();
  }
  EXPECT_FALSE(faithful.err.contains(QStringLiteral("VALUES"))) << faithful.err.toStdString();
}

// A path or password with ';', '=', braces or quotes is one value: the file named is the one
// read or written, never the file its name mentions.
TEST_F(CliTest, PathsAndPasswordsWithSeparatorsNameOnlyThemselves) {
  const QString other = newSQLite(QStringLiteral("b.db"), {"CREATE TABLE decoy(x)"});
  const QByteArray otherBefore = Fingerprint(other);
  const QString odd = newSQLite(QStringLiteral("a;Database=b.db"), {"CREATE TABLE Wanted(x)", "INSERT INTO Wanted VALUES(7)"});
  const Outcome list = RunCli({"list", odd});
  EXPECT_EQ(list.exitCode, 0) << list.err.toStdString();
  EXPECT_EQ(list.out, QStringLiteral("Wanted\n"));

  // SQLite -> a new Access file whose name and password are full of separators.
  const QString access = tempPath(QStringLiteral("x;Data Source=y.mdb"));
  const QString password = QStringLiteral("p;w=d}{'\"");
  Outcome copy = RunCli({"to-access", odd, access, "--password", password});
  EXPECT_EQ(copy.exitCode, 0) << copy.err.toStdString();
  EXPECT_FALSE(QFileInfo::exists(tempPath(QStringLiteral("y.mdb"))));
  EXPECT_EQ(RunCli({"list", access, "--password", password}).out, QStringLiteral("Wanted\n"));
  const Outcome noPassword = RunCli({"list", access});
  EXPECT_EQ(noPassword.exitCode, 2);
  EXPECT_TRUE(noPassword.err.contains(QStringLiteral("password"))) << noPassword.err.toStdString();
  EXPECT_EQ(RunCli({"list", access, "--password", QStringLiteral("p;w=d}{'")}).exitCode, 2);

  // ... and back from it into a new SQLite file named like the other one.
  const QString back = tempPath(QStringLiteral("c;Database=b.db;LongNames=1"));
  copy = RunCli({"to-sqlite", access, back, "--password", password});
  EXPECT_EQ(copy.exitCode, 0) << copy.err.toStdString();
  RawSQLite db(back);
  EXPECT_EQ(db.rows("SELECT x FROM Wanted"), (std::vector<std::vector<std::string>>{{"t:7"}}));  // x had no type: text
  EXPECT_EQ(Fingerprint(other), otherBefore);  // b.db neither read for writing nor changed
}

// A target the run made is removed again when nothing was written to it; a file that was
// there before is never removed.
TEST_F(CliTest, AFailedRunLeavesNoEmptyTargetItCreated) {
  const QString locked = copyCorpus(QStringLiteral("mdb-reader/password/V2010_with-password.accdb"));
  const QString target = tempPath(QStringLiteral("new.db"));
  Outcome run = RunCli({"to-sqlite", locked, target, "--password", "wrong"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(run.err.contains(QStringLiteral("password"))) << run.err.toStdString();
  EXPECT_FALSE(QFileInfo::exists(target));

  // Made, then the run fails on a table the source does not have: removed, and said so.
  run = RunCli({"to-sqlite", locked, target, "--password", "password", "--tables", "Nope"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(run.err.contains(QStringLiteral("nothing was written to it: it is removed again"))) << run.err.toStdString();
  EXPECT_FALSE(QFileInfo::exists(target));
  const QString accessTarget = tempPath(QStringLiteral("new.mdb"));
  const QString sqlite = newSQLite(QStringLiteral("s.db"), {"CREATE TABLE t(x)"});
  run = RunCli({"to-access", sqlite, accessTarget, "--tables", "Nope"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_FALSE(QFileInfo::exists(accessTarget));

  // An empty file that was there before stays, as does a target that received a table.
  QFile(target).open(QIODevice::WriteOnly);
  run = RunCli({"to-sqlite", locked, target, "--password", "password", "--tables", "Nope"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(QFileInfo::exists(target));
  EXPECT_EQ(QFileInfo(target).size(), 0);
  QFile::remove(target);
  run = RunCli({"to-sqlite", locked, target, "--password", "password"});
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_TRUE(QFileInfo::exists(target));
}

// --password on a new target: an .mdb gets that database password, an .accdb is encrypted
// with it; either opens with that password only, in our reader and the independent one.
TEST_F(CliTest, ANewAccessTargetTakesThePassword) {
  const QString sqlite = newSQLite(QStringLiteral("s.db"), {"CREATE TABLE t(x)", "INSERT INTO t VALUES('v')"});
  for (const char* name : {"new.mdb", "new.accdb"}) {
    SCOPED_TRACE(name);
    const QString target = tempPath(QString::fromUtf8(name));
    const Outcome made = RunCli({"to-access", sqlite, target, "--password", "X"});
    EXPECT_EQ(made.exitCode, 0) << made.err.toStdString();
    EXPECT_EQ(RunCli({"list", target}).exitCode, 2);
    EXPECT_EQ(RunCli({"list", target, "--password", "x"}).exitCode, 2);
    EXPECT_EQ(RunCli({"list", target, "--password", "X"}).out, QStringLiteral("t\n"));
    QProcess dump;
    dump.start(QStringLiteral(TABLOREN_ACCESS_DUMP), {target, "X"});
    ASSERT_TRUE(dump.waitForFinished(60000));
    EXPECT_EQ(dump.exitCode(), 0);
    EXPECT_TRUE(dump.readAllStandardOutput().contains("\"v\""));
  }
}

// Text with zero characters goes SQLite -> Access -> SQLite and comes back byte for byte;
// the independent reader sees the zeros in the Access file.
TEST_F(CliTest, TextWithZeroCharactersSurvivesBothDirections) {
  const QString source = newSQLite(QStringLiteral("nul.db"),
                                   {"CREATE TABLE t(id INTEGER, s TEXT)",
                                    "INSERT INTO t VALUES(1, CAST(X'610062' AS TEXT)), (2, 'plain'), "
                                    "(3, CAST(X'00' AS TEXT)), (4, CAST(X'27000027' AS TEXT))"});
  const QString access = tempPath(QStringLiteral("nul.mdb"));
  Outcome run = RunCli({"to-access", source, access});
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  QProcess dump;
  dump.start(QStringLiteral(TABLOREN_ACCESS_DUMP), {access});
  ASSERT_TRUE(dump.waitForFinished(60000));
  const QByteArray dumped = dump.readAllStandardOutput();
  EXPECT_TRUE(dumped.contains("[1,\"a\\u0000b\"]")) << dumped.toStdString();
  EXPECT_TRUE(dumped.contains("[4,\"'\\u0000\\u0000'\"]")) << dumped.toStdString();

  const QString back = tempPath(QStringLiteral("back.db"));
  run = RunCli({"to-sqlite", access, back});
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  RawSQLite db(back);
  EXPECT_EQ(db.rows("SELECT id, typeof(s), hex(CAST(s AS BLOB)), length(CAST(s AS BLOB)) FROM t ORDER BY id"),
            (std::vector<std::vector<std::string>>{{"i:1", "t:text", "t:610062", "i:3"},
                                                   {"i:2", "t:text", "t:706C61696E", "i:5"},
                                                   {"i:3", "t:text", "t:00", "i:1"},
                                                   {"i:4", "t:text", "t:27000027", "i:4"}}));
}

// Both directions through an encrypted .accdb (agile AES and RC4 CryptoAPI): a new table
// with long memo, blob and unicode values, and an overwrite of the file's own table, read
// back by the command and by the independent reader with the password.
TEST_F(CliTest, EncryptedAccessFilesTakeTablesInBothDirections) {
  const QString source = newSQLite(
      QStringLiteral("src.db"),
      {"CREATE TABLE Notes(id INTEGER, name TEXT, body TEXT, pic BLOB)",
       "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 25) "
       "INSERT INTO Notes SELECT i, 'Zo\u00eb ' || i || ' \u20ac\u65e5', printf('%.*c', i * 400, 'm'), "
       "randomblob(i * 300) FROM n",
       "UPDATE Notes SET name = 'Zo' || char(235) || ' ' || id || ' ' || char(8364, 26085)",
       "CREATE TABLE Table1(x TEXT)", "INSERT INTO Table1 VALUES('replaced')"});
  for (const char* file : {"mdb-reader/encryption/office-agile-4.4.accdb", "mdb-reader/encryption/office-agile-4.2.accdb"}) {
    SCOPED_TRACE(file);
    const QString access = copyCorpus(QString::fromUtf8(file), QStringLiteral("enc.accdb"));
    Outcome run = RunCli({"to-access", source, access, "--password", "password", "--overwrite", "yes"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(run.out.contains("password") || run.err.contains("password")) << run.err.toStdString();
    EXPECT_EQ(RunCli({"list", access, "--password", "wrong"}).exitCode, 2);

    QProcess dump;
    dump.start(QStringLiteral(TABLOREN_ACCESS_DUMP), {access, "password"});
    ASSERT_TRUE(dump.waitForFinished(60000));
    EXPECT_EQ(dump.exitCode(), 0);
    const QByteArray dumped = dump.readAllStandardOutput();
    EXPECT_TRUE(dumped.contains("\"Zo\u00eb 25 \u20ac\u65e5\"") || dumped.contains("Zo\xC3\xAB 25 \xE2\x82\xAC\xE6\x97\xA5"))
        << dumped.left(3000).toStdString();
    EXPECT_TRUE(dumped.contains("[\"replaced\"]")) << dumped.toStdString();

    const QString back = tempPath(QStringLiteral("back.db"));
    QFile::remove(back);
    run = RunCli({"to-sqlite", access, back, "--password", "password"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    RawSQLite copy(back);
    RawSQLite original(source);
    const std::string query = "SELECT id, name, body, hex(pic) FROM Notes ORDER BY id";
    EXPECT_EQ(copy.rows(query), original.rows(query));
    EXPECT_EQ(copy.rows("SELECT * FROM Table1"), (std::vector<std::vector<std::string>>{{"t:replaced"}}));
    QFile::remove(access);
  }
}

// Into a copy of a file Access 97 made: a new table with long memo, blob and Windows-1252
// values, an overwrite of the file's own Table1; a row with a character the file's code
// page lacks is refused with its table, row and character, the rows around it go in. The
// independent reader and mdbtools read the result, and it comes back to SQLite unchanged.
TEST_F(CliTest, AnAccess97FileTakesTablesInItsCodePage) {
  const QString source = newSQLite(
      QStringLiteral("src.db"),
      {"CREATE TABLE Notes(id INTEGER, name TEXT, body TEXT, pic BLOB, price REAL)",
       "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 25) "
       "INSERT INTO Notes SELECT i, 'Zo' || char(235) || ' ' || i || ' ' || char(8364), "
       "printf('%.*c', i * 400, 'm'), randomblob(i * 300), i / 4.0 FROM n",
       "CREATE TABLE Table1(x TEXT)", "INSERT INTO Table1 VALUES('replaced')",
       "CREATE TABLE Greek(id INTEGER, word TEXT)",
       "INSERT INTO Greek VALUES(1, 'alpha'), (2, char(937) || 'mega'), (3, 'gamma')"});
  const QString access = copyCorpus(QStringLiteral("mdb-reader/V1997/test.mdb"), QStringLiteral("old.mdb"));
  Outcome run = RunCli({"to-access", source, access, "--overwrite", "yes"});
  EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
  EXPECT_TRUE(run.err.contains("Greek")) << run.err.toStdString();
  EXPECT_TRUE(run.err.contains(QString::fromUtf8("the character '\u03a9' (U+03A9) cannot be stored in this Access 97 "
                                                 "database, whose text is in code page 1252")))
      << run.err.toStdString();

  QProcess dump;
  dump.start(QStringLiteral(TABLOREN_ACCESS_DUMP), {access});
  ASSERT_TRUE(dump.waitForFinished(60000));
  EXPECT_EQ(dump.exitCode(), 0);
  const QByteArray dumped = dump.readAllStandardOutput();
  EXPECT_TRUE(dumped.contains("\"Zo\u00eb 25 \u20ac\"") || dumped.contains("Zo\xC3\xAB 25 \xE2\x82\xAC"))
      << dumped.left(3000).toStdString();
  EXPECT_TRUE(dumped.contains("[\"replaced\"]")) << dumped.toStdString();
  EXPECT_TRUE(dumped.contains("\"Table4\""));
  QProcess mdbtools;
  mdbtools.start(QStringLiteral("mdb-export"), {access, QStringLiteral("Greek")});
  ASSERT_TRUE(mdbtools.waitForFinished(60000));
  EXPECT_EQ(mdbtools.readAllStandardOutput(), QByteArray("id,word\n1,\"alpha\"\n3,\"gamma\"\n"));
  EXPECT_EQ(mdbtools.readAllStandardError(), QByteArray());

  const QString back = tempPath(QStringLiteral("back.db"));
  run = RunCli({"to-sqlite", access, back});
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  RawSQLite copy(back);
  RawSQLite original(source);
  // (A whole Double comes back as an integer, as from every Access file.)
  const std::string query = "SELECT id, name, body, hex(pic), CAST(price AS REAL) FROM Notes ORDER BY id";
  EXPECT_EQ(copy.rows(query), original.rows(query));
  EXPECT_EQ(copy.rows("SELECT * FROM Table1"), (std::vector<std::vector<std::string>>{{"t:replaced"}}));
  EXPECT_EQ(copy.rows("SELECT count(*) FROM Table2"), (std::vector<std::vector<std::string>>{{"i:0"}}));
}

}  // namespace
}  // namespace transfer_test

namespace transfer_test {
namespace {

// --faithful: the design and exact values, what cannot be carried over printed as notes.
TEST_F(CliTest, FaithfulCopiesKeepValuesAndPrintNotes) {
  const Outcome help = RunCli({"--help"});
  for (const char* part : {"--faithful", "DECIMAL_TEXT(19,4)", "INTEGER PRIMARY KEY"})
    EXPECT_TRUE(help.out.contains(part)) << part;
  EXPECT_EQ(RunCli({"list", tempPath("x.db"), "--faithful"}).exitCode, 2);

  // Access -> SQLite: keys, a relationship and exact currency.
  const QString access = copyCorpus(QStringLiteral("jackcess/V2007/indexTestV2007.accdb"));
  const QString sqlite = tempPath(QStringLiteral("f.db"));
  const Outcome toSQLite = RunCli({"to-sqlite", access, sqlite, "--faithful"});
  EXPECT_EQ(toSQLite.exitCode, 0) << toSQLite.err.toStdString();
  RawSQLite db(sqlite);
  EXPECT_EQ(db.rows("SELECT count(*) FROM pragma_foreign_key_list('Table1')"),
            (std::vector<std::vector<std::string>>{{"i:2"}}));

  // SQLite -> Access: a text longer than its declared size makes a Memo, with a note; a
  // zero-length text stays one (the window's copy writes it as Null).
  const QString source = newSQLite(QStringLiteral("s.db"), {"CREATE TABLE t (s VARCHAR(3), n INTEGER, r REAL)",
                                                            "INSERT INTO t VALUES ('abcdef', 7, 0.1)",
                                                            "INSERT INTO t VALUES ('', -2147483648, NULL)",
                                                            "CREATE VIEW v AS SELECT n * 2 AS twice FROM t"});
  const QString target = tempPath(QStringLiteral("t.accdb"));
  const Outcome toAccess = RunCli({"to-access", source, target, "--faithful"});
  EXPECT_EQ(toAccess.exitCode, 0) << toAccess.err.toStdString();
  EXPECT_TRUE(toAccess.err.contains("note: table \"t\", column \"s\"")) << toAccess.err.toStdString();
  useFiles(QString(), target);
  auto rows = accessRows(target, QStringLiteral("t"));
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{{"", "-2147483648", "NULL"}, {"abcdef", "7", "0.1"}}));
  // A view's columns are read as a table's are (it has no keys).
  auto view = accessRows(target, QStringLiteral("v"));
  std::sort(view.begin(), view.end());
  EXPECT_EQ(view, (std::vector<std::vector<std::string>>{{"-4294967296"}, {"14"}}));
}

}  // namespace
}  // namespace transfer_test
