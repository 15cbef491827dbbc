// The writing statements as the program sends them, from SQL text to a file both
// oracles read: type words, literal conversion, copies and drops.
#include <gtest/gtest.h>

#include "WriteOracles.h"
#include "ado/access/AccessStatements.h"

namespace jetwrite_test {
namespace {

TEST(SqlStatements, CreateInsertCopyDropThroughSqlText) {
  const auto file = CopyOfCorpusFile("mdb-reader/V2003/test.mdb");
  {
    auto session = jet::WriteSession::Open(file.string());
    ASSERT_TRUE(session.ok());
    jet::WriteSession& s = **session;
    const char* statements[] = {
        "CREATE TABLE [Customers] ([Id] INT, [Name] VARCHAR(40), [Notes] TEXT, [Since] DATETIME, [Balance] CURRENCY,"
        " [Rate] FLOAT, [Share] REAL, [Big] DECIMAL(18,4), [Active] BIT, [Small] SMALLINT, [Tiny] BYTE,"
        " [Photo] OLEOBJECT, [Key] GUID);",
        "INSERT INTO [Customers] VALUES (1, 'O''Brien & Søn', 'likes ''quotes''', '12/31/1999 11:59:59 PM', '1234.5678',"
        " 2.5, '0.1', '-12345678901234.5678', True, -32768, 255, 0x0A1B2C, '{6F9619FF-8B86-D011-B42D-00C04FC964FF}')",
        "INSERT INTO `Customers` VALUES (2, NULL, NULL, '1899-12-29 06:00:00', NULL, NULL, NULL, NULL, NULL, NULL, NULL,"
        " NULL, NULL);",
        "SELECT a1.* INTO [Customers copy] FROM [Customers] AS a1",
        "SELECT a1.* INTO [Table1 copy] FROM [Table1] AS a1",
        "DROP TABLE [Customers]",
    };
    for (const char* sql : statements) {
      jet::Status st = ado::access::ExecuteAccessSql(s, sql);
      ASSERT_TRUE(st.ok()) << sql << "\n" << st.message();
    }
    // Errors name the column and the value; nothing is written.
    const std::string before = ReadFileBytes(file);
    jet::Status bad = ado::access::ExecuteAccessSql(s, "INSERT INTO [Customers copy] VALUES (3, 'x', NULL, 'not a date',"
                                                       " NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)");
    EXPECT_FALSE(bad.ok());
    EXPECT_NE(bad.message().find("Since"), std::string::npos) << bad.message();
    EXPECT_NE(bad.message().find("not a date"), std::string::npos) << bad.message();
    EXPECT_EQ(ado::access::ExecuteAccessSql(s, "CREATE TABLE [customers COPY] ([A] INT)").code(), jet::ErrorCode::kExists);
    EXPECT_EQ(ReadFileBytes(file), before);
  }
  ExpectOraclesAgree(file);
  const std::string dump = OurDump(file);
  EXPECT_NE(dump.find("[1,\"O'Brien & Søn\",\"likes 'quotes'\",\"1999-12-31T23:59:59\",\"1234.5678\",2.5,"
                      "0.10000000149011612,\"-12345678901234.5678\",true,-32768,255,\"hex:0a1b2c\","
                      "\"6f9619ff-8b86-d011-b42d-00c04fc964ff\"]"),
            std::string::npos)
      << dump;
  EXPECT_NE(dump.find("[2,null,null,\"1899-12-29T06:00:00\""), std::string::npos);
  EXPECT_EQ(dump.find("\"name\": \"Customers\""), std::string::npos);
}

}  // namespace
}  // namespace jetwrite_test
