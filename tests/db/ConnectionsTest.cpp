#include "db/Connections.h"

#include "TestDatabase.h"

#include <gtest/gtest.h>

namespace db {
namespace {

const FixedConnectionSettings kSettings(QStringLiteral("/data/s.db3"), QStringLiteral("/data/Box.MDB"),
                                        QStringLiteral("box;pw="));

QString accessPrefix(const QString& path) {
  const QString s = BuildAccessConnectionString(kSettings, path, QStringLiteral("pw"));
  return s.left(s.indexOf(QLatin1String("Data Source=")));
}

TEST(ConnectionStrings, SQLiteStringIsTheFixedTextAroundThePath) {
  EXPECT_EQ(BuildSQLiteConnectionString(QStringLiteral("C:\\my data\\Dätä.db3")),
            QStringLiteral("DRIVER=SQLite3 ODBC Driver;Database=C:\\my data\\Dätä.db3;LongNames=0;Timeout=1000;NoTXN=0;"
                           "SyncPragma=NORMAL;StepAPI=0;"));
  EXPECT_EQ(BuildSQLiteConnectionString(QString()),
            QStringLiteral("DRIVER=SQLite3 ODBC Driver;Database=;LongNames=0;Timeout=1000;NoTXN=0;SyncPragma=NORMAL;StepAPI=0;"));
  // A path that could be read as more than one value is braced, "}" doubled.
  EXPECT_EQ(BuildSQLiteConnectionString(QStringLiteral("/d/a;Database=b}.db")),
            QStringLiteral("DRIVER=SQLite3 ODBC Driver;Database={/d/a;Database=b}}.db};LongNames=0;Timeout=1000;NoTXN=0;"
                           "SyncPragma=NORMAL;StepAPI=0;"));
}

TEST(ConnectionStrings, AccessProviderFollowsTheLastFiveCharacters) {
  const QString ace = QStringLiteral("Provider=Microsoft.ACE.OLEDB.12.0;");
  const QString jet = QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;");
  EXPECT_EQ(accessPrefix(QStringLiteral("/d/a.accdb")), ace);
  EXPECT_EQ(accessPrefix(QStringLiteral("/d/A.ACCDB")), ace);
  EXPECT_EQ(accessPrefix(QStringLiteral("/d/xaccdb")), ace);  // no dot needed
  EXPECT_EQ(accessPrefix(QStringLiteral("accdb")), ace);
  EXPECT_EQ(accessPrefix(QStringLiteral("/d/a.accdb ")), jet);  // a trailing blank
  EXPECT_EQ(accessPrefix(QStringLiteral("/d/a.mdb")), jet);
  EXPECT_EQ(accessPrefix(QStringLiteral("ccdb")), jet);  // shorter than five
}

TEST(ConnectionStrings, AccessStringAlwaysEndsWithThePasswordKey) {
  EXPECT_EQ(BuildAccessConnectionString(kSettings, QStringLiteral("/d/a.mdb"), QString()),
            QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=/d/a.mdb;JET OLEDB:Database Password="));
  EXPECT_EQ(BuildAccessConnectionString(kSettings, QStringLiteral("/d/a.accdb"), QStringLiteral("p'w\"x")),
            QStringLiteral("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=/d/a.accdb;JET OLEDB:Database Password=p'w\"x"));
  EXPECT_EQ(BuildAccessConnectionString(kSettings, QStringLiteral("/d/{a}.accdb"), QStringLiteral(" p'w;x= ")),
            QStringLiteral("Provider=Microsoft.ACE.OLEDB.12.0;Data Source={/d/{a}}.accdb};JET OLEDB:Database Password={ p'w;x= }"));
  // An empty path takes path and password from the current settings and ignores the password given.
  EXPECT_EQ(BuildAccessConnectionString(kSettings, QString(), QStringLiteral("ignored")),
            QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=/data/Box.MDB;JET OLEDB:Database Password={box;pw=}"));
  EXPECT_EQ(BuildAccessConnectionString(kSettings), BuildAccessConnectionString(kSettings, QString(), QString()));
}

TEST(ConnectionStrings, TheBuiltStringsReadBackWhole) {
  const QString awkward[] = {QStringLiteral("/d/x;LongName=1.db"), QStringLiteral("/d/a;Database=b.db"),
                             QStringLiteral("/d/{a}};b.db"),      QStringLiteral("/d/'q'.db"),
                             QStringLiteral("\"/d/q.db\""),        QStringLiteral(" /d/blank.db "),
                             QStringLiteral("/d/x}"),              QStringLiteral("{")};
  for (const QString& path : awkward) {
    const auto sqlite = ado::ParseConnectionString(BuildSQLiteConnectionString(path).toStdString());
    EXPECT_EQ(QString::fromStdString(sqlite.sqlite.database), path);
    EXPECT_EQ(sqlite.sqlite.options.at("longnames"), "0");
    const QString accessPath = path + QStringLiteral(".accdb");
    const auto access = ado::ParseConnectionString(
        BuildAccessConnectionString(kSettings, accessPath, path + QStringLiteral(";Mode=2")).toStdString());
    EXPECT_EQ(QString::fromStdString(access.access.dataSource), accessPath);
    EXPECT_EQ(QString::fromStdString(access.access.password), path + QStringLiteral(";Mode=2"));
    EXPECT_TRUE(access.access.options.empty());
  }
}

TEST(OpenConnections, ProfileIsAppliedBeforeOpenAndFailuresPassToTheCaller) {
  ado_test::TempFolder folder;
  const std::string path = folder.file("p.db3");
  ado_test::RunSql(path, "CREATE TABLE t(x);");
  const FixedConnectionSettings settings(QString::fromStdString(path), QString(), QString());
  const auto connection = OpenSQLiteConnection(settings, profiles::kAccessToSQLiteSQLiteSide);
  EXPECT_TRUE(connection->IsOpen());
  EXPECT_EQ(connection->Properties().cursorLocation, ado::adUseServer);
  EXPECT_FALSE(connection->Properties().mode.has_value());
  EXPECT_EQ(connection->Properties().commandTimeout, 5000);
  EXPECT_EQ(connection->Properties().connectionTimeout, 5000);

  const FixedConnectionSettings missing(QString::fromStdString(folder.file("none.db3")), QString(), QString());
  EXPECT_THROW(OpenSQLiteConnection(missing, profiles::kListSQLiteTables), ado::Error);
  try {
    OpenAccessConnection(settings, profiles::kDeleteAccessTables, QStringLiteral("/d/a.mdb"), QString());
    FAIL();
  } catch (const ado::Error& e) {
    EXPECT_EQ(e.number(), 3706);  // until the Access provider is installed
  }
}

}  // namespace
}  // namespace db
