// Opening Access files through both connection strings, passwords, the failures a user meets
// (each naming the file), and what a record set on an Access connection accepts.
#include "Corpus.h"

#include "ado/Connection.h"
#include "ado/Error.h"
#include "ado/access/AccessProvider.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using corpus::AceConnectionString;
using corpus::JetConnectionString;

// The error Open raises, or a failure when it opens.
ado::Error openError(const std::string& connectionString) {
  ado::Connection connection;
  try {
    connection.Open(connectionString);
  } catch (const ado::Error& error) {
    return error;
  }
  ADD_FAILURE() << "opened: " << connectionString;
  return ado::Error(0, "");
}

std::vector<std::string> userTables(ado::Connection& connection) {
  std::vector<std::string> names;
  ado::Recordset rs = connection.OpenSchema(ado::adSchemaTables);
  for (; !rs.Eof(); rs.MoveNext())
    if (rs.Fields()["TABLE_TYPE"].Value().asText() == "TABLE") names.push_back(rs.Fields()["TABLE_NAME"].Value().asText());
  return names;
}

TEST(AccessOpen, BothProviderPrefixesOpenEveryFormat) {
  for (const char* file : {"mdb-reader/V1997/test.mdb", "mdb-reader/V2003/test.mdb", "mdb-reader/V2007/test.accdb",
                           "mdb-reader/V2016/bigint.accdb"}) {
    SCOPED_TRACE(file);
    for (const std::string& text : {AceConnectionString(corpus::File(file)), JetConnectionString(corpus::File(file))}) {
      ado::Connection connection;
      connection.Open(text);
      EXPECT_FALSE(userTables(connection).empty());
      connection.Close();
    }
  }
}

TEST(AccessOpen, PasswordsAreCheckedAsAccessChecksThem) {
  struct Case {
    const char* file;
    bool ace;
  };
  // Jet4 database password, agile AES encryption, RC4 CryptoAPI encryption.
  for (const Case& c : {Case{"mdb-reader/password/V2003_with-password.mdb", false},
                        Case{"mdb-reader/password/V2010_with-password.accdb", true},
                        Case{"mdb-reader/encryption/office-agile-4.2.accdb", true}}) {
    SCOPED_TRACE(c.file);
    const std::string path = corpus::File(c.file);
    auto build = [&](const std::string& password) {
      return c.ace ? AceConnectionString(path, password) : JetConnectionString(path, password);
    };
    ado::Connection connection;
    connection.Open(build("password"));
    EXPECT_EQ(userTables(connection).size(), 1u);
    connection.Close();

    for (const std::string& wrong : {std::string(), std::string("Password"), std::string("password ")}) {
      const ado::Error error = openError(build(wrong));
      EXPECT_EQ(error.number(), ado::access::kErrAuthenticationFailed) << wrong;
      EXPECT_NE(error.description().find(path), std::string::npos) << error.description();
      EXPECT_NE(error.description().find("password"), std::string::npos) << error.description();
    }
  }
  // A file without a password opens whatever password is given, as Access opens it.
  ado::Connection plain;
  plain.Open(JetConnectionString(corpus::File("mdb-reader/password/V2003_no-password.mdb"), "anything"));
  EXPECT_EQ(userTables(plain).size(), 1u);
}

TEST(AccessOpen, FilesThatCannotBeOpenedAreNamedInTheError) {
  corpus::TempFolder folder;
  const std::string missing = folder.file("missing.accdb");
  const std::string text = folder.file("notes.mdb");
  std::ofstream(text) << std::string(5000, 'x');
  const std::string truncated = folder.file("truncated.mdb");
  {
    std::ifstream in(corpus::File("mdb-reader/V2003/test.mdb"), std::ios::binary);
    std::string head(3000, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    std::ofstream(truncated, std::ios::binary) << head;
  }
  for (const std::string& path : {missing, text, folder.file(""), truncated}) {
    SCOPED_TRACE(path);
    const ado::Error error = openError(JetConnectionString(path));
    EXPECT_EQ(error.number(), ado::adErrProviderFailed);
    EXPECT_NE(error.description().find(path), std::string::npos) << error.description();
  }
  EXPECT_FALSE(std::filesystem::exists(missing));  // opening never creates a file
  EXPECT_EQ(openError("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=;JET OLEDB:Database Password=").number(),
            ado::adErrProviderFailed);
}

TEST(AccessRecordset, TableNamesBareQuotedOrBracketedAndFieldsByName) {
  ado::Connection connection;
  connection.Open(AceConnectionString(corpus::File("mdb-reader/V2016/bigint.accdb")));
  const std::vector<std::string> tables = userTables(connection);
  ASSERT_EQ(tables.size(), 1u);
  const std::string name = tables[0];
  for (const std::string& sql : {"SELECT * FROM " + name, "select * from `" + name + "`;", "SELECT * FROM [" + name + "]"}) {
    SCOPED_TRACE(sql);
    ado::Recordset rs;
    rs.Open(sql, connection);
    EXPECT_EQ(rs.RecordCount(), 1);
    ASSERT_FALSE(rs.Eof());
    EXPECT_EQ(rs.Fields()[0].Value(), rs.Fields()[rs.Fields()[0].Name()].Value());
    rs.MoveNext();
    EXPECT_TRUE(rs.Eof());
    EXPECT_THROW(rs.Fields()[0].Value(), ado::Error);
  }
}

TEST(AccessRecordset, RefusesWhatIsNotATableWithAClearError) {
  ado::Connection connection;
  const std::string path = corpus::File("mdb-reader/V2003/test.mdb");
  connection.Open(JetConnectionString(path));
  auto failure = [&](const std::string& sql) {
    ado::Recordset rs;
    try {
      rs.Open(sql, connection);
    } catch (const ado::Error& error) {
      EXPECT_NE(error.description().find(path), std::string::npos) << error.description();
      return error.number();
    }
    ADD_FAILURE() << "opened: " << sql;
    return 0L;
  };
  EXPECT_EQ(failure("SELECT * FROM [No such table]"), ado::access::kErrNoSuchTable);
  EXPECT_EQ(failure("SELECT name FROM Table1"), ado::access::kErrCommandText);
  EXPECT_EQ(failure("SELECT [Files].[FileData] FROM [No such table]"), ado::access::kErrNoSuchTable);
  EXPECT_EQ(failure("SELECT A, [B].[Value] FROM Table1"), ado::adErrProviderFailed);  // B holds no values
  EXPECT_EQ(failure("SELECT * FROM Table1; DROP TABLE Table1"), ado::access::kErrCommandText);
  EXPECT_EQ(failure("DROP TABLE Table1"), ado::access::kErrCommandText);
}

}  // namespace
