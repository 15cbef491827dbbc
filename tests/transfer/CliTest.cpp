// The batch command, run as a process on real files.
#include "TransferFixture.h"
#include "jet/Database.h"
#include "jet/SavedQueries.h"

#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <unistd.h>

namespace transfer_test {
namespace {

struct Outcome {
  int exitCode = -1;
  QString out, err;
};

// Runs a program; environment: variables added for this run (NAME=value).
Outcome RunProgram(const QString& program, const QStringList& arguments, const QStringList& environment = {}) {
  QProcess process;
  QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
  for (const QString& variable : environment) variables.insert(variable.section('=', 0, 0), variable.section('=', 1));
  process.setProcessEnvironment(variables);
  process.start(program, arguments);
  process.waitForFinished(60000);
  return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
          QString::fromUtf8(process.readAllStandardError())};
}

Outcome RunCli(const QStringList& arguments) { return RunProgram(QStringLiteral(TABLOREN_CLI), arguments); }

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

// A table the target will not create is given up with one line that names it and the
// reason, never one more line for each of its rows; the run fails and the other tables
// arrive. In the faithful mode too, whose measuring query could not hold 286 columns.
TEST_F(CliTest, ATableTheTargetWillNotCreateIsGivenUpOnce) {
  const QString access = copyCorpus(QStringLiteral("mdb-reader/V2000/test.mdb"));
  // A view of that name: the drop and the create are refused.
  const QString sqlite = newSQLite("t.db", {"CREATE VIEW Table1 AS SELECT 1 AS x"});
  Outcome copy = RunCli({"to-sqlite", access, sqlite, "--tables", "Table1", "--overwrite", "yes"});
  EXPECT_EQ(copy.exitCode, 1);
  EXPECT_TRUE(copy.err.contains("Table \"Table1\" was not copied; the target is as it was before this table: the "
                                "table could not be created"))
      << copy.err.toStdString();
  EXPECT_FALSE(copy.err.contains("row 1: ")) << copy.err.toStdString();

  std::string wide = "CREATE TABLE wide(c0";
  for (int i = 1; i < 286; ++i) wide += ", c" + std::to_string(i);
  const auto fifty = [](const std::string& table, const std::string& column) {
    return "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 50) INSERT INTO " + table +
           "(" + column + ") SELECT i FROM n";
  };
  const QString source =
      newSQLite("refused.db", {"CREATE TABLE \"a[b\"(x)", fifty("\"a[b\"", "x"), "CREATE TABLE \"\"(x)", fifty("\"\"", "x"),
                               wide + ")", fifty("wide", "c0"), "CREATE TABLE fine(x)", fifty("fine", "x")});
  for (const bool faithful : {false, true}) {
    SCOPED_TRACE(faithful ? "faithful" : "plain");
    const QString target = tempPath(faithful ? "f.accdb" : "p.accdb");
    QStringList arguments = {"to-access", source, target};
    if (faithful) arguments << "--faithful";
    copy = RunCli(arguments);
    EXPECT_EQ(copy.exitCode, 1);
    EXPECT_EQ(copy.err.count("was not copied"), 3) << copy.err.toStdString();
    EXPECT_FALSE(copy.err.contains(", row ")) << copy.err.toStdString();
    EXPECT_TRUE(copy.err.contains("The table name \"a[b\" is not allowed in Access")) << copy.err.toStdString();
    EXPECT_TRUE(copy.err.contains("The name \"\" is not allowed in Access: a table name may not be empty")) << copy.err.toStdString();
    EXPECT_TRUE(copy.err.contains("The table \"wide\" would have more than 255 columns, the most Access allows."))
        << copy.err.toStdString();
    EXPECT_EQ(RunCli({"list", target}).out, QStringLiteral("fine\n"));
  }
}

// Access takes names equal but for letter case for one ("Äpfel", "äpfel"): the second such
// table is never dropped without a word. With --overwrite no it is reported as not copied,
// naming both, and the run fails; with yes it replaces the first. Columns whose names Access
// takes for one are refused, naming both.
TEST_F(CliTest, NamesAccessTakesForOneNeverLoseATableSilently) {
  const QString source = newSQLite(QStringLiteral("fold.db"),
                                   {"CREATE TABLE \"\u00c4pfel\"(n INTEGER)", "INSERT INTO \"\u00c4pfel\" VALUES(1), (2), (3)",
                                    "CREATE TABLE \"\u00e4pfel\"(n INTEGER)", "INSERT INTO \"\u00e4pfel\" VALUES(10), (20)",
                                    "CREATE TABLE cols(\"\u00c4\" TEXT, \"\u00e4\" TEXT)", "INSERT INTO cols VALUES('x', 'y')"});
  RawSQLite original(source);
  const auto rowsOf = [&](const QString& table) {
    return original.rows("SELECT n FROM \"" + table.toStdString() + "\" ORDER BY n");
  };
  const QString upper = QString::fromUtf8("\u00c4pfel"), lower = QString::fromUtf8("\u00e4pfel");

  const QString target = tempPath(QStringLiteral("fold.accdb"));
  Outcome run = RunCli({"to-access", source, target});
  EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
  const QStringList copied = RunCli({"list", target}).out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(copied.size(), 1) << copied.join(',').toStdString();
  const QString other = copied[0] == upper ? lower : upper;
  EXPECT_TRUE(run.err.contains(QStringLiteral("Table \"%1\" was not copied; the target is as it was before this table: "
                                              "the target's table \"%2\" has the same name there")
                                   .arg(other, copied[0])))
      << run.err.toStdString();
  EXPECT_TRUE(run.err.contains(QString::fromUtf8("would have the columns \u00c4 and \u00e4, which Access takes for "
                                                 "one name")))
      << run.err.toStdString();
  useFiles(QString(), target);
  EXPECT_EQ(accessRows(target, copied[0]).size(), rowsOf(copied[0]).size());

  run = RunCli({"to-access", source, target, "--tables", upper + "," + lower, "--overwrite", "yes"});
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QStringList replaced = RunCli({"list", target}).out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(replaced.size(), 1) << replaced.join(',').toStdString();
  EXPECT_EQ(accessRows(target, replaced[0]).size(), rowsOf(replaced[0]).size());
  QProcess dump;
  dump.start(QStringLiteral(TABLOREN_ACCESS_DUMP), {target});
  ASSERT_TRUE(dump.waitForFinished(60000));
  EXPECT_EQ(dump.exitCode(), 0) << dump.readAllStandardError().toStdString();
}

// A failed row is named by table, row and column, never by the statement or its values
// (which may be private); an infinity, which Access cannot store, is refused that way.
TEST_F(CliTest, AFailedRowIsNamedByTableRowAndColumnNotByItsValues) {
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

// Into a copy of a file Access 97 made, whose catalogue index has first grown node pages as
// Access 97 lays them (tree level 1 in byte 21, the prefix length in byte 20): a new table with
// long memo, blob and Windows-1252 values, an overwrite of the file's own Table1; a row with a
// character the file's code page lacks is refused with its table, row and character, the rows
// around it go in. The independent reader and mdbtools read the result, and it comes back to
// SQLite unchanged.
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
  std::vector<std::string> fillers;
  for (int k = 0; k < 100; ++k) fillers.push_back("CREATE TABLE \"Filler table " + std::to_string(k) + "\"(n INTEGER)");
  Outcome run = RunCli({"to-access", newSQLite(QStringLiteral("fillers.db"), fillers), access});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  QFile grown(access);
  ASSERT_TRUE(grown.open(QIODevice::ReadOnly));
  const QByteArray pages = grown.readAll();
  int nodes = 0;
  for (qsizetype at = 0; at + 2048 <= pages.size(); at += 2048) {
    if (pages[at] == 3 && pages[at + 4] == 2 && pages[at + 5] == 0) {  // a node page of MSysObjects' indexes
      ++nodes;
      EXPECT_EQ(pages[at + 21], 1);
    }
  }
  EXPECT_GE(nodes, 1);
  run = RunCli({"to-access", source, access, "--overwrite", "yes"});
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
                                                            "CREATE VIEW v AS SELECT n << 1 AS twice FROM t",
                                                            "CREATE VIEW doubled AS SELECT n * 2 AS twice FROM t"});
  const QString target = tempPath(QStringLiteral("t.accdb"));
  const Outcome toAccess = RunCli({"to-access", source, target, "--faithful"});
  EXPECT_EQ(toAccess.exitCode, 0) << toAccess.err.toStdString();
  EXPECT_TRUE(toAccess.err.contains("note: table \"t\", column \"s\"")) << toAccess.err.toStdString();
  useFiles(QString(), target);
  auto rows = accessRows(target, QStringLiteral("t"));
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{{"", "-2147483648", "NULL"}, {"abcdef", "7", "0.1"}}));
  // A view with an Access form is a saved query; one without is a table, read as a table is
  // (it has no keys).
  auto engine = jet::Database::Open(target.toStdString(), {});
  ASSERT_TRUE(engine.ok());
  auto queries = jet::ReadSavedQueries(**engine);
  ASSERT_TRUE(queries.ok());
  ASSERT_EQ(queries->size(), 1u);
  EXPECT_EQ((*queries)[0].name, "doubled");
  const auto sql = jet::AccessSqlOf((*queries)[0]);
  ASSERT_TRUE(sql.ok());
  EXPECT_NE(sql.value().find("[t].[n] * 2"), std::string::npos) << sql.value();
  EXPECT_TRUE(toAccess.err.contains("note: view v is copied as a table, not as a saved query: the bit operator <<"))
      << toAccess.err.toStdString();
  auto view = accessRows(target, QStringLiteral("v"));
  std::sort(view.begin(), view.end());
  EXPECT_EQ(view, (std::vector<std::vector<std::string>>{{"-4294967296"}, {"14"}}));
}

}  // namespace
}  // namespace transfer_test

namespace transfer_test {
namespace {

// The three commands keep the usual conventions: --version, --opt=value, "--", unknown options
// named, "-" refused, a path that cannot be opened says why; tabloren answers --help and
// --version without a display.
TEST_F(CliTest, CommandsFollowTheCommandLineConventions) {
  const QString cli = QStringLiteral(TABLOREN_CLI), jettool = QStringLiteral(JETTOOL), gui = QStringLiteral(TABLOREN_GUI);
  const QStringList noDisplay{"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="};
  for (const auto& [program, name] : {std::pair{cli, "tabloren-cli"}, {jettool, "jettool"}, {gui, "tabloren"}}) {
    for (const char* option : {"--version", "-V"}) {
      const Outcome version = RunProgram(program, {option}, noDisplay);
      EXPECT_EQ(version.exitCode, 0) << name << version.err.toStdString();
      EXPECT_EQ(version.out, QStringLiteral("%1 %2\n").arg(name, TABLOREN_VERSION)) << name;
    }
    const Outcome bogus = RunProgram(program, {"--bogus"}, noDisplay);
    EXPECT_EQ(bogus.exitCode, 2) << name;
    EXPECT_TRUE(bogus.err.contains("unknown option --bogus") && bogus.err.contains("--help")) << bogus.err.toStdString();
    EXPECT_TRUE(bogus.out.isEmpty()) << name;
  }
  const Outcome help = RunProgram(gui, {"--help"}, noDisplay);
  EXPECT_EQ(help.exitCode, 0) << help.err.toStdString();
  EXPECT_TRUE(help.out.contains("tabloren [FILE]"));

  // --opt=value and "--" before a file whose name starts with a dash.
  const QString access = copyCorpus(QStringLiteral("mdb-reader/password/V2010_with-password.accdb"), "-x.accdb");
  const QString folder = QDir::currentPath();
  QDir::setCurrent(tempPath(QString()));
  const Outcome list = RunCli({"list", "--password=password", "--", "-x.accdb"});
  const Outcome tables = RunProgram(jettool, {"tables", "--password=password", "--wait=1", "--", "-x.accdb"});
  QDir::setCurrent(folder);
  EXPECT_EQ(list.exitCode, 0) << list.err.toStdString();
  EXPECT_EQ(list.out, "Table1\n");
  EXPECT_TRUE(tables.out.split('\n').contains("table\tTable1")) << tables.err.toStdString();
  EXPECT_TRUE(RunProgram(jettool, {"tables", "--wait=soon", access}).err.contains("--wait takes whole seconds"));

  // "-" is no file: refused with a message, nothing named "-" made.
  const QString sqlite = newSQLite(QStringLiteral("s.db"), {"CREATE TABLE t(x)"});
  for (const QStringList& arguments : {QStringList{"to-sqlite", access, "-"}, QStringList{"list", "-"}}) {
    const Outcome dash = RunCli(arguments);
    EXPECT_EQ(dash.exitCode, 2);
    EXPECT_TRUE(dash.err.contains("\"-\" names no file")) << dash.err.toStdString();
  }
  EXPECT_EQ(RunProgram(jettool, {"tables", "-"}).exitCode, 2);
  EXPECT_FALSE(QFileInfo::exists(tempPath("-")));

  // Why a path cannot be opened.
  QDir(tempPath(QString())).mkdir("folder.mdb");
  const std::pair<QString, const char*> unusable[] = {{tempPath("none.mdb"), "does not exist"},
                                                      {tempPath("folder.mdb"), "is a folder, not a file"}};
  for (const auto& [path, reason] : unusable) {
    const Outcome run = RunCli({"to-sqlite", path, tempPath("out.db")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(reason)) << run.err.toStdString();
  }
  const Outcome intoFolder = RunCli({"to-access", sqlite, tempPath("folder.mdb")});
  EXPECT_EQ(intoFolder.exitCode, 2);
  EXPECT_TRUE(intoFolder.err.contains("is a folder")) << intoFolder.err.toStdString();
}

// The password kept out of the process list: a file, the environment, or a prompt.
TEST_F(CliTest, PasswordComesFromAFileOrTheEnvironment) {
  const QString access = copyCorpus(QStringLiteral("mdb-reader/password/V2010_with-password.accdb"));
  QFile file(tempPath("secret"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("password\n");
  file.close();
  EXPECT_EQ(RunCli({"list", access, "--password-file", tempPath("secret")}).out, "Table1\n");
  EXPECT_TRUE(RunProgram(QStringLiteral(JETTOOL), {"tables", access, "--password-file=" + tempPath("secret")})
                  .out.split('\n')
                  .contains("table\tTable1"));
  EXPECT_EQ(RunProgram(QStringLiteral(TABLOREN_CLI), {"list", access}, {"TABLOREN_PASSWORD=password"}).out, "Table1\n");
  // --password wins over the environment; a missing password file is named with its reason.
  EXPECT_EQ(RunProgram(QStringLiteral(TABLOREN_CLI), {"list", access, "--password", "wrong"}, {"TABLOREN_PASSWORD=password"}).exitCode, 2);
  const Outcome missing = RunCli({"list", access, "--password-file", tempPath("nothing")});
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_TRUE(missing.err.contains("nothing\" does not exist")) << missing.err.toStdString();

  // On a terminal (script(1) gives the command one) a protected file without a password asks
  // for it, without echo.
  QProcess terminal;
  terminal.start(QStringLiteral("script"), {"-qec", QStringLiteral("'%1' list '%2'").arg(TABLOREN_CLI, access), "/dev/null"});
  QByteArray shown;
  while (!shown.contains("Password for") && terminal.waitForReadyRead(20000)) shown += terminal.readAllStandardOutput();
  terminal.write("password\n");
  ASSERT_TRUE(terminal.waitForFinished(60000));
  shown += terminal.readAllStandardOutput();
  EXPECT_EQ(terminal.exitCode(), 0) << shown.toStdString();
  EXPECT_TRUE(shown.contains("Table1")) << shown.toStdString();
  EXPECT_FALSE(shown.contains("password\r\n")) << shown.toStdString();  // not echoed
}

// --quiet prints errors only; --json one summary on stdout; a target that cannot be written is one
// line before any table.
TEST_F(CliTest, QuietJsonAndAnUnwritableTarget) {
  const QString access = copyCorpus(QStringLiteral("mdb-reader/V2000/test.mdb"));
  const QString sqlite = tempPath("j.db");
  Outcome run = RunCli({"to-sqlite", access, sqlite, "--json", "--tables", "Table1"});
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QJsonObject summary = QJsonDocument::fromJson(run.out.toUtf8()).object();
  EXPECT_EQ(summary.value("command").toString(), "to-sqlite");
  EXPECT_EQ(summary.value("tables_copied").toInt(), 1);
  EXPECT_EQ(summary.value("tables").toArray().first().toString(), "Table1");
  EXPECT_GT(summary.value("rows").toInt(), 0);
  EXPECT_EQ(summary.value("exit_status").toInt(), 0);
  EXPECT_TRUE(summary.value("failures").toArray().isEmpty());

  run = RunCli({"to-sqlite", access, sqlite, "--quiet", "--tables", "Table1"});  // left alone: said without --quiet
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
  run = RunCli({"to-sqlite", access, sqlite, "--json", "--tables", "Table1"});
  EXPECT_EQ(QJsonDocument::fromJson(run.out.toUtf8()).object().value("skipped").toArray().first().toString(), "Table1");
  EXPECT_TRUE(run.err.contains("Would you like to overwrite Table1? No"));

  // Read-only for whoever runs the command (root runs it as nobody: the mode binds others only).
  const QString locked = newSQLite(QStringLiteral("ro.db"), {"CREATE TABLE old(x)"});
  QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
  QFile::setPermissions(tempPath(QString()), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                                 QFileDevice::ReadOther | QFileDevice::ExeOther);
  QFile::setPermissions(access, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
  QStringList arguments{QStringLiteral(TABLOREN_CLI), "to-sqlite", access, locked};
  if (::geteuid() == 0) arguments = QStringList{"--reuid=65534", "--regid=65534", "--clear-groups"} + arguments;
  run = RunProgram(::geteuid() == 0 ? QStringLiteral("setpriv") : arguments.takeFirst(), arguments);
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
  EXPECT_TRUE(run.err.contains("ro.db\" cannot be changed: permission denied.")) << run.err.toStdString();
}

}  // namespace
}  // namespace transfer_test
