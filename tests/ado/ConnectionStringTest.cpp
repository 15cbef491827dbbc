#include "ado/Connection.h"
#include "ado/ConnectionString.h"
#include "ado/Error.h"
#include "ado/Recordset.h"

#include "TestDatabase.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace ado {
namespace {

long errorNumberOf(const std::string& connectionString) {
  try {
    ParseConnectionString(connectionString);
  } catch (const Error& e) {
    EXPECT_NE(e.description().find("Provider cannot be found"), std::string::npos);
    return e.number();
  }
  return 0;
}

TEST(ConnectionString, SQLiteDatabaseKeepsSemicolonsAndEqualsOfThePath) {
  const auto target = ParseConnectionString(
      "DRIVER=SQLite3 ODBC Driver;Database=/data/a;b=c.db;LongNames=0;Timeout=1000;NoTXN=0;SyncPragma=NORMAL;StepAPI=0;");
  ASSERT_EQ(target.kind, ProviderKind::SQLite);
  EXPECT_EQ(target.sqlite.database, "/data/a;b=c.db");
  EXPECT_EQ(target.sqlite.options.at("timeout"), "1000");
  EXPECT_EQ(target.sqlite.options.at("syncpragma"), "NORMAL");
  EXPECT_EQ(target.sqlite.options.at("stepapi"), "0");

  // Blanks and non-ASCII stay as typed; an empty path stays empty.
  EXPECT_EQ(ParseConnectionString("DRIVER=SQLite3 ODBC Driver;Database= /tmp/Dätä base .db;LongNames=0;")
                .sqlite.database,
            " /tmp/Dätä base .db");
  EXPECT_EQ(ParseConnectionString("DRIVER=SQLite3 ODBC Driver;Database=;LongNames=0;").sqlite.database, "");
}

TEST(ConnectionString, AccessPasswordIsTheRestOfTheStringAndDataSourceRunsUpToIt) {
  auto target = ParseConnectionString(
      "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=/x/Mode=1;Provider=y.mdb;JET OLEDB:Database Password=p;w=d;Mode=3");
  ASSERT_EQ(target.kind, ProviderKind::Access);
  EXPECT_FALSE(target.access.ace);
  EXPECT_EQ(target.access.dataSource, "/x/Mode=1;Provider=y.mdb");
  EXPECT_EQ(target.access.password, "p;w=d;Mode=3");

  target = ParseConnectionString("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=/x/a.accdb;JET OLEDB:Database Password=");
  EXPECT_TRUE(target.access.ace);
  EXPECT_EQ(target.access.provider, "Microsoft.ACE.OLEDB.12.0");
  EXPECT_EQ(target.access.dataSource, "/x/a.accdb");
  EXPECT_EQ(target.access.password, "");

  // The key is found without regard to case; a password may repeat the key itself.
  target = ParseConnectionString(
      "provider=microsoft.jet.oledb.4.0;data source=b.mdb;jet oledb:DATABASE PASSWORD=a;JET OLEDB:Database Password=b");
  EXPECT_EQ(target.access.dataSource, "b.mdb");
  EXPECT_EQ(target.access.password, "a;JET OLEDB:Database Password=b");
}

TEST(ConnectionString, BracedValuesAreExactlyWhatTheBracesHold) {
  auto target = ParseConnectionString(
      "DRIVER=SQLite3 ODBC Driver;Database={/d/a;Database=b.db}}x{};LongNames=0;Timeout={1000}  ;NoTXN=0");
  EXPECT_EQ(target.sqlite.database, "/d/a;Database=b.db}x{");
  EXPECT_EQ(target.sqlite.options.at("timeout"), "1000");
  EXPECT_EQ(target.sqlite.options.at("notxn"), "0");
  EXPECT_EQ(ParseConnectionString("DRIVER=SQLite3 ODBC Driver;Database={}").sqlite.database, "");
  EXPECT_EQ(ParseConnectionString("DRIVER=SQLite3 ODBC Driver;Database={ 'q\" }").sqlite.database, " 'q\" ");

  // A braced Data Source may hold the password key itself; a braced password ends at its brace.
  target = ParseConnectionString(
      "Provider=Microsoft.ACE.OLEDB.12.0;Data Source={/x;JET OLEDB:Database Password=y.accdb};"
      "JET OLEDB:Database Password={p;w}};Data Source=z}");
  EXPECT_EQ(target.access.dataSource, "/x;JET OLEDB:Database Password=y.accdb");
  EXPECT_EQ(target.access.password, "p;w};Data Source=z");
  EXPECT_TRUE(target.access.options.empty());

  // Quoting and reading back give the value unchanged; ordinary values are left plain.
  for (const std::string value : {"/d/a.db", "C:\\x y\\Dätä.db", "", "a;b", "a=b", "{", "}", "}}{{", " lead", "trail\t",
                                  "'q'", "\"q\"", "x'y\"z", "a;Database=b.db"}) {
    const std::string quoted = QuoteConnectionValue(value);
    EXPECT_EQ(ParseConnectionString("DRIVER=SQLite3 ODBC Driver;Database=" + quoted + ";LongNames=0").sqlite.database,
              value);
    EXPECT_EQ(ParseConnectionString("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=" + quoted +
                                    ";JET OLEDB:Database Password=" + quoted)
                  .access.password,
              value);
  }
  EXPECT_EQ(QuoteConnectionValue("/d/a.db"), "/d/a.db");
  EXPECT_EQ(QuoteConnectionValue("x'y\"z"), "x'y\"z");
  EXPECT_EQ(QuoteConnectionValue("a}b;"), "{a}}b;}");
}

TEST(ConnectionString, AnOpenBraceWithoutItsCloseIsAClearError) {
  auto failure = [](const std::string& text) -> std::string {
    try {
      ParseConnectionString(text);
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), adErrInvalidArgument);
      return e.description();
    }
    return "parsed";
  };
  EXPECT_EQ(failure("DRIVER=SQLite3 ODBC Driver;Database={/d/a;LongNames=0"),
            "The connection string is not well formed: the value of \"Database\" begins with \"{\" but has no "
            "closing \"}\".");
  EXPECT_EQ(failure("DRIVER=SQLite3 ODBC Driver;Database={/d/a}}"),
            "The connection string is not well formed: the value of \"Database\" begins with \"{\" but has no "
            "closing \"}\".");
  EXPECT_EQ(failure("Provider=Microsoft.ACE.OLEDB.12.0;Data Source={a}b.accdb;JET OLEDB:Database Password="),
            "The connection string is not well formed: the value of \"Data Source\" has text after its closing "
            "\"}\".");
}

// Through the SQLite provider: a file whose name holds ";Database=" is the one opened, and the
// file its name mentions is neither read nor created.
TEST(ConnectionString, TheSQLiteProviderOpensTheBracedFileItself) {
  ado_test::TempFolder folder;
  const std::string odd = folder.file("a;Database=b.db}{'\"");
  const std::string other = folder.file("b.db");
  ado_test::RunSql(odd, "CREATE TABLE inside_odd(x);");
  Connection connection;
  connection.Open("DRIVER=SQLite3 ODBC Driver;Database=" + QuoteConnectionValue(odd) +
                  ";LongNames=0;Timeout=1000;NoTXN=0;SyncPragma=NORMAL;StepAPI=0;");
  Recordset tables = connection.OpenSchema(adSchemaTables);
  ASSERT_FALSE(tables.Eof());
  EXPECT_EQ(tables.Fields()["TABLE_NAME"].Value().asText(), "inside_odd");
  tables.Close();
  connection.Execute("CREATE TABLE written(x)");
  connection.Close();
  EXPECT_FALSE(std::filesystem::exists(other));
}

TEST(ConnectionString, ProviderChoiceIgnoresCaseAndRefusesEverythingElseWith3706) {
  EXPECT_EQ(ParseConnectionString("driver=sqlite3 odbc driver;DATABASE=x").kind, ProviderKind::SQLite);
  EXPECT_EQ(ParseConnectionString("Driver={SQLite3 ODBC Driver};Database=x").sqlite.database, "x");
  EXPECT_EQ(ParseConnectionString("PROVIDER=MICROSOFT.ACE.OLEDB.12.0;Data Source=x").kind, ProviderKind::Access);

  EXPECT_EQ(errorNumberOf("DRIVER=SQLite ODBC Driver;Database=x"), 3706);
  EXPECT_EQ(errorNumberOf("Provider=Microsoft.ACE.OLEDB.16.0;Data Source=x"), 3706);
  EXPECT_EQ(errorNumberOf("Provider=SQLOLEDB;Data Source=x"), 3706);
  EXPECT_EQ(errorNumberOf("Database=x.db"), 3706);
  EXPECT_EQ(errorNumberOf(""), 3706);
}

TEST(ConnectionString, AccessStringsFailAtOpenUntilAnAccessProviderIsInstalled) {
  Connection connection;
  try {
    connection.Open("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=/nowhere/x.mdb;JET OLEDB:Database Password=");
    FAIL() << "opened without a provider";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 3706);
    EXPECT_NE(e.description().find("Provider cannot be found"), std::string::npos);
  }
  EXPECT_FALSE(connection.IsOpen());
}

TEST(ConnectionString, AnInstalledAccessProviderReceivesTheParsedTargetAndProperties) {
  struct Recorder : Provider {
    ConnectionTarget target;
    ConnectionProperties properties;
    std::unique_ptr<Session> open(const ConnectionTarget& t, const ConnectionProperties& p) override {
      target = t;
      properties = p;
      throw Error(adErrProviderFailed, "recorded");
    }
  };
  auto recorder = std::make_shared<Recorder>();
  RegisterProvider(ProviderKind::Access, recorder);
  Connection connection;
  connection.SetCursorLocation(adUseServer);
  connection.SetMode(adModeReadWrite);
  EXPECT_THROW(connection.Open("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=a.accdb;JET OLEDB:Database Password=s"),
               Error);
  RegisterProvider(ProviderKind::Access, nullptr);
  EXPECT_EQ(recorder->target.access.dataSource, "a.accdb");
  EXPECT_EQ(recorder->target.access.password, "s");
  EXPECT_EQ(recorder->properties.cursorLocation, adUseServer);
  EXPECT_EQ(recorder->properties.mode, adModeReadWrite);
  EXPECT_FALSE(recorder->properties.commandTimeout.has_value());
}

}  // namespace
}  // namespace ado
