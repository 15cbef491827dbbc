// The batch command, run as a process on real files.
#include "TransferFixture.h"

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

TEST_F(CliTest, AFailedStatementIsPrintedWithTableAndRowAndFailsTheRun) {
  const QString access = copyCorpus(QStringLiteral("mdb-reader/V2000/test.mdb"));
  // A view of that name: the drop, the create and every row's insert are refused.
  const QString sqlite = newSQLite("t.db", {"CREATE VIEW Table1 AS SELECT 1 AS x"});
  const Outcome copy = RunCli({"to-sqlite", access, sqlite, "--tables", "Table1", "--overwrite", "yes"});
  EXPECT_EQ(copy.exitCode, 1);
  EXPECT_TRUE(copy.err.contains("table \"Table1\"")) << copy.err.toStdString();
  EXPECT_TRUE(copy.err.contains("row 1: ")) << copy.err.toStdString();
  EXPECT_TRUE(copy.err.contains("row 2: ")) << copy.err.toStdString();
}

}  // namespace
}  // namespace transfer_test
