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

TEST(ConnectionStrings, SQLiteStringIsTheFixedTextAroundTheUntouchedPath) {
  EXPECT_EQ(BuildSQLiteConnectionString(QStringLiteral("C:\\my data\\a;b.db3")),
            QStringLiteral("DRIVER=SQLite3 ODBC Driver;Database=C:\\my data\\a;b.db3;LongNames=0;Timeout=1000;NoTXN=0;"
                           "SyncPragma=NORMAL;StepAPI=0;"));
  EXPECT_EQ(BuildSQLiteConnectionString(QString()),
            QStringLiteral("DRIVER=SQLite3 ODBC Driver;Database=;LongNames=0;Timeout=1000;NoTXN=0;SyncPragma=NORMAL;StepAPI=0;"));
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
  EXPECT_EQ(BuildAccessConnectionString(kSettings, QStringLiteral("/d/a.accdb"), QStringLiteral(" p'w;x= ")),
            QStringLiteral("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=/d/a.accdb;JET OLEDB:Database Password= p'w;x= "));
  // An empty path takes path and password from the current settings and ignores the password given.
  EXPECT_EQ(BuildAccessConnectionString(kSettings, QString(), QStringLiteral("ignored")),
            QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=/data/Box.MDB;JET OLEDB:Database Password=box;pw="));
  EXPECT_EQ(BuildAccessConnectionString(kSettings), BuildAccessConnectionString(kSettings, QString(), QString()));
}

TEST(ConnectionStrings, TheBuiltStringsReadBackWhole) {
  const auto sqlite = ado::ParseConnectionString(BuildSQLiteConnectionString(QStringLiteral("/d/x;LongName=1.db")).toStdString());
  EXPECT_EQ(sqlite.sqlite.database, "/d/x;LongName=1.db");
  const auto access = ado::ParseConnectionString(
      BuildAccessConnectionString(kSettings, QStringLiteral("/d/;Mode=1;a.accdb"), QStringLiteral("a;Mode=2")).toStdString());
  EXPECT_EQ(access.access.dataSource, "/d/;Mode=1;a.accdb");
  EXPECT_EQ(access.access.password, "a;Mode=2");
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
