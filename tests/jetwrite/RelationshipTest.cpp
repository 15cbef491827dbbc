// Relationships from ALTER TABLE ... ADD CONSTRAINT ... FOREIGN KEY: the catalogue rows
// Access writes for one, and the checks that refuse one without changing the file.
#include <gtest/gtest.h>

#include "WriteOracles.h"
#include "ado/access/AccessStatements.h"
#include "jet/check/DatabaseCheck.h"
#include "jet/DateSerial.h"
#include "jet/create/NewDatabase.h"
#include "jet/write/TableCreator.h"
#include "jet/format/CatalogLayout.h"
#include "jet/write/CatalogRows.h"

namespace jetwrite_test {
namespace {

using jet::Value;

jet::Status Sql(jet::WriteSession& s, const std::string& sql) { return ado::access::ExecuteAccessSql(s, sql); }

// MSysRelationships rows of relationship `name`, each as "column:value" text, in storage order.
std::vector<std::string> RelationshipRows(jet::Database& db, const std::string& name) {
  std::vector<std::string> out;
  auto def = db.tableDef("MSysRelationships");
  auto rows = jet::AllRows(db, "MSysRelationships");
  EXPECT_TRUE(def.ok() && rows.ok());
  for (const auto& row : *rows) {
    if (jet::ColumnValue(**def, row, "szRelationship") != Value(name)) continue;
    std::string text;
    for (const char* c : {"ccolumn", "grbit", "icolumn", "szColumn", "szObject", "szReferencedColumn",
                          "szReferencedObject"}) {
      const Value& v = jet::ColumnValue(**def, row, c);
      text += std::string(c) + ":" + (std::holds_alternative<std::string>(v) ? std::get<std::string>(v)
                                                                            : std::to_string(jet::AsWholeNumber(v))) + " ";
    }
    out.push_back(text);
  }
  return out;
}

TEST(Relationship, WrittenAsAccessWritesOne) {
  const auto file = CopyOfCorpusFile("mdb-reader/V2003/test.mdb");  // Table1: primary key A, Text(50)
  int32_t objectId = 0;
  {
    auto session = jet::WriteSession::Open(file.string());
    ASSERT_TRUE(session.ok());
    jet::WriteSession& s = **session;
    for (const char* sql : {"CREATE TABLE [Orders] ([Id] COUNTER, [Ref] TEXT(50), [Qty] LONG)",
                            // Text keys match as Access compares them: without regard to case.
                            "INSERT INTO [Orders] ([Ref], [Qty]) VALUES ('ABCDEFG', 1)",
                            "INSERT INTO [Orders] ([Ref], [Qty]) VALUES ('a', 2)",
                            "INSERT INTO [Orders] ([Ref], [Qty]) VALUES (NULL, 3)",
                            "ALTER TABLE [Orders] ADD CONSTRAINT [Table1Orders] FOREIGN KEY ([Ref]) "
                            "REFERENCES [Table1] ([A]) ON DELETE CASCADE"}) {
      jet::Status st = Sql(s, sql);
      ASSERT_TRUE(st.ok()) << sql << "\n" << st.message();
    }
    EXPECT_EQ(RelationshipRows(s.database(), "Table1Orders"),
              (std::vector<std::string>{"ccolumn:1 grbit:4096 icolumn:0 szColumn:Ref szObject:Orders "
                                        "szReferencedColumn:A szReferencedObject:Table1 "}));
    // Its catalogue row: type 8 under the Relationships container, the first id of the
    // objects that are not tables (this file has none yet).
    for (const auto& e : s.database().catalog().entries()) {
      if (e.name != "Table1Orders") continue;
      EXPECT_EQ(e.parentId, jet::catalog::kRelationshipsContainerId);
      EXPECT_EQ(e.type, 8);
      objectId = e.id;
    }
    EXPECT_LT(objectId, 0);
    // The foreign-key index on each side, naming the other table, with the cascade flag.
    auto orders = s.database().tableDef("Orders");
    auto table1 = s.database().tableDef("Table1");
    ASSERT_TRUE(orders.ok() && table1.ok());
    const jet::LogicalIndexDef* many = nullptr;
    const jet::LogicalIndexDef* one = nullptr;
    for (const auto& l : (*orders)->logicalIndexes)
      if (l.name == "Table1Orders") many = &l;
    for (const auto& l : (*table1)->logicalIndexes)
      if (l.indexType == 2) one = &l;
    ASSERT_TRUE(many && one);
    EXPECT_EQ(many->relatedTable, (*table1)->firstPage());
    EXPECT_EQ(one->relatedTable, (*orders)->firstPage());
    EXPECT_EQ(one->name, ".rB");
    EXPECT_TRUE(many->cascadeDeletes && one->cascadeDeletes);
    EXPECT_FALSE(many->cascadeUpdates);
    // Permissions: the Relationships container's, the owner with the rights Access gives it.
    auto aces = jet::FindRowsWithNumber(s.database(), "MSysACEs", "ObjectId", objectId);
    ASSERT_TRUE(aces.ok());
    EXPECT_FALSE(aces->empty());
    // A second relationship (no column list: the primary key) takes the next id; an
    // enforced one now protects both tables.
    ASSERT_TRUE(Sql(s, "ALTER TABLE [Orders] ADD CONSTRAINT [Second] FOREIGN KEY ([Ref]) REFERENCES [Table1]").ok());
    for (const auto& e : s.database().catalog().entries()) {
      if (e.name == "Second") {
        EXPECT_EQ(e.id, objectId + 1);
      }
    }
    EXPECT_EQ(RelationshipRows(s.database(), "Second").size(), 1u);
    EXPECT_FALSE(Sql(s, "DROP TABLE [Table1]").ok());
    EXPECT_EQ(Sql(s, "INSERT INTO [Orders] ([Ref]) VALUES ('zzz')").code(), jet::ErrorCode::kInvalidArgument);
  }
  // mdbtools reads the rows as our reader does.
  const std::string shown = RunCommand("mdb-export '" + file.string() + "' MSysRelationships").out;
  EXPECT_NE(shown.find("\"Table1Orders\",4096,1,0,\"Orders\",\"Ref\",\"Table1\",\"A\""), std::string::npos) << shown;
  auto report = jet::check::CheckDatabase(file.string());
  ASSERT_TRUE(report.ok());
  EXPECT_TRUE(report->clean()) << (report->problems.empty() ? "" : report->problems[0]);
  ExpectOraclesAgree(file);
}

TEST(Relationship, TwoColumnKeysAndCascadeFlags) {
  // TableUnique2_temp: unique index DataIndex on (data1 Text, data2 Long); rows ("stuff", 13), (Null, 49), ...
  const auto file = CopyOfCorpusFile("jackcess/V2000/testIndexPropertiesV2000.mdb");
  {
    auto session = jet::WriteSession::Open(file.string());
    ASSERT_TRUE(session.ok());
    jet::WriteSession& s = **session;
    for (const char* sql : {"CREATE TABLE [Child] ([D2] LONG, [D1] TEXT(50))",
                            "INSERT INTO [Child] VALUES (13, 'Stuff')", "INSERT INTO [Child] VALUES (99, NULL)",
                            "ALTER TABLE [Child] ADD CONSTRAINT [Pair] FOREIGN KEY ([D1], [D2]) REFERENCES "
                            "[TableUnique2_temp] ([data1], [data2]) ON UPDATE CASCADE ON DELETE CASCADE"}) {
      jet::Status st = Sql(s, sql);
      ASSERT_TRUE(st.ok()) << sql << "\n" << st.message();
    }
    EXPECT_EQ(RelationshipRows(s.database(), "Pair"),
              (std::vector<std::string>{"ccolumn:2 grbit:4352 icolumn:0 szColumn:D1 szObject:Child "
                                        "szReferencedColumn:data1 szReferencedObject:TableUnique2_temp ",
                                        "ccolumn:2 grbit:4352 icolumn:1 szColumn:D2 szObject:Child "
                                        "szReferencedColumn:data2 szReferencedObject:TableUnique2_temp "}));
  }
  ExpectOraclesAgree(file);
}

// The statements of a faithful copy into a new file: keys, AutoNumbers, NOT NULL, defaults,
// explicit numbers kept, then the foreign key over the rows.
TEST(Relationship, WholeSchemaFromSqlOnNewMdbAndAccdb) {
  for (const char* extension : {".mdb", ".accdb"}) {
    const auto dir = CopyOfCorpusFile("mdb-reader/V2003/empty.mdb").parent_path();
    const auto file = dir / (std::string("schema") + extension);
    {
      auto format = jet::create::FormatForPath(file.string());
      ASSERT_TRUE(format.ok());
      ASSERT_TRUE(jet::create::CreateDatabase(file.string(), *format, jet::NowAsDateTime()).ok());
      auto session = jet::WriteSession::Open(file.string());
      ASSERT_TRUE(session.ok());
      for (const char* sql :
           {"CREATE TABLE [Customers] ([Id] COUNTER NOT NULL PRIMARY KEY, [Name] TEXT(50) NOT NULL DEFAULT 'anon' "
            "UNIQUE, [Since] DATETIME)",
            "CREATE TABLE [Orders] ([No] AUTOINCREMENT PRIMARY KEY, [CustomerId] LONG NOT NULL, [Total] CURRENCY "
            "DEFAULT 0)",
            "INSERT INTO [Customers] ([Name]) VALUES ('Ann')", "INSERT INTO [Customers] ([Id], [Name]) VALUES (17, 'Bo')",
            "INSERT INTO [Customers] ([Since]) VALUES ('2020-02-29')",
            "INSERT INTO [Orders] ([CustomerId]) VALUES (1)", "INSERT INTO [Orders] ([CustomerId], [Total]) VALUES (17, 2.5)",
            "INSERT INTO [Orders] ([No], [CustomerId]) VALUES (100, 18)",
            "ALTER TABLE [Orders] ADD CONSTRAINT [CustomersOrders] FOREIGN KEY ([CustomerId]) REFERENCES [Customers] "
            "([Id]) ON UPDATE CASCADE ON DELETE CASCADE"}) {
        jet::Status st = Sql(**session, sql);
        ASSERT_TRUE(st.ok()) << extension << ": " << sql << "\n" << st.message();
      }
      EXPECT_EQ(RelationshipRows((*session)->database(), "CustomersOrders"),
                (std::vector<std::string>{"ccolumn:1 grbit:4352 icolumn:0 szColumn:CustomerId szObject:Orders "
                                          "szReferencedColumn:Id szReferencedObject:Customers "}));
      auto orders = (*session)->database().tableDef("Orders");
      ASSERT_TRUE(orders.ok());
      EXPECT_EQ((*orders)->nextAutoNumber, 100u);
      // Customer 18 is the next number: the third customer has it.
      auto customers = (*session)->database().tableDef("Customers");
      ASSERT_TRUE(customers.ok());
      EXPECT_EQ((*customers)->nextAutoNumber, 18u);
    }
    auto report = jet::check::CheckDatabase(file.string());
    ASSERT_TRUE(report.ok());
    EXPECT_TRUE(report->clean()) << (report->problems.empty() ? "" : report->problems[0]);
    ExpectOraclesAgree(file);
  }
}

// An Access-made .accdb that has relationships already: a third one beside them.
TEST(Relationship, AddedToAnAccessMadeAccdbWithRelationships) {
  const auto file = CopyOfCorpusFile("jackcess/V2007/indexTestV2007.accdb");  // Table2: primary key id 0..2
  {
    auto session = jet::WriteSession::Open(file.string());
    ASSERT_TRUE(session.ok());
    for (const char* sql : {"CREATE TABLE [Child] ([Id] COUNTER PRIMARY KEY, [Ref] LONG)",
                            "INSERT INTO [Child] ([Ref]) VALUES (2)", "INSERT INTO [Child] ([Ref]) VALUES (0)",
                            "ALTER TABLE [Child] ADD CONSTRAINT [Table2Child] FOREIGN KEY ([Ref]) REFERENCES [Table2]"}) {
      jet::Status st = Sql(**session, sql);
      ASSERT_TRUE(st.ok()) << sql << "\n" << st.message();
    }
    EXPECT_EQ(RelationshipRows((*session)->database(), "Table2Child"),
              (std::vector<std::string>{"ccolumn:1 grbit:0 icolumn:0 szColumn:Ref szObject:Child "
                                        "szReferencedColumn:id szReferencedObject:Table2 "}));
    EXPECT_EQ(RelationshipRows((*session)->database(), "Table2Table1").size(), 1u);
  }
  auto report = jet::check::CheckDatabase(file.string());
  ASSERT_TRUE(report.ok());
  EXPECT_TRUE(report->clean()) << (report->problems.empty() ? "" : report->problems[0]);
  ExpectOraclesAgree(file);
}

TEST(Relationship, RefusalsNameTheProblemAndChangeNothing) {
  const auto file = CopyOfCorpusFile("mdb-reader/V2003/test.mdb");
  auto session = jet::WriteSession::Open(file.string());
  ASSERT_TRUE(session.ok());
  jet::WriteSession& s = **session;
  ASSERT_TRUE(Sql(s, "CREATE TABLE [Orders] ([Ref] TEXT(50), [Qty] LONG)").ok());
  ASSERT_TRUE(Sql(s, "INSERT INTO [Orders] VALUES ('a', 1)").ok());
  ASSERT_TRUE(Sql(s, "INSERT INTO [Orders] VALUES ('zzz', 2)").ok());
  const std::string before = ReadFileBytes(file);
  struct Case {
    const char* sql;
    jet::ErrorCode code;
    const char* says;
  };
  const Case cases[] = {
      {"ALTER TABLE [Orders] ADD CONSTRAINT [R] FOREIGN KEY ([Ref]) REFERENCES [Table1] ([A])",
       jet::ErrorCode::kInvalidArgument, "table Orders has a row with Ref = \"zzz\" that has no row in Table1"},
      {"ALTER TABLE [Orders] ADD CONSTRAINT [R] FOREIGN KEY ([Ref]) REFERENCES [Table1] ([B])",
       jet::ErrorCode::kInvalidArgument, "the columns B of Table1 are neither its primary key nor a unique index"},
      {"ALTER TABLE [Orders] ADD CONSTRAINT [R] FOREIGN KEY ([Qty]) REFERENCES [Table1] ([A])",
       jet::ErrorCode::kInvalidArgument, "column Orders.Qty (long) cannot refer to Table1.A (text)"},
      {"ALTER TABLE [Orders] ADD CONSTRAINT [R] FOREIGN KEY ([Nope]) REFERENCES [Table1] ([A])",
       jet::ErrorCode::kNotFound, "table Orders has no column named Nope"},
      {"ALTER TABLE [Orders] ADD CONSTRAINT [R] FOREIGN KEY ([Ref]) REFERENCES [Nowhere]", jet::ErrorCode::kNotFound,
       "no table named Nowhere"},
      {"ALTER TABLE [Orders] ADD CONSTRAINT [R] FOREIGN KEY ([Ref]) REFERENCES [Orders]",
       jet::ErrorCode::kInvalidArgument, "table Orders has no primary key"},
      {"ALTER TABLE [Orders] ADD CONSTRAINT [R] FOREIGN KEY ([Ref]) REFERENCES [MSysObjects] ([Name])",
       jet::ErrorCode::kInvalidArgument, "MSysObjects is a system table"},
  };
  for (const Case& c : cases) {
    jet::Status st = Sql(s, c.sql);
    EXPECT_EQ(st.code(), c.code) << c.sql << "\n" << st.message();
    EXPECT_NE(st.message().find(c.says), std::string::npos) << st.message();
    EXPECT_NE(st.message().find(file.string()), std::string::npos) << st.message();
    EXPECT_EQ(ReadFileBytes(file), before) << c.sql;
  }
  // A name in use is refused too.
  ASSERT_TRUE(Sql(s, "CREATE TABLE [Other] ([Ref] TEXT(50))").ok());
  ASSERT_TRUE(Sql(s, "ALTER TABLE [Other] ADD CONSTRAINT [Taken] FOREIGN KEY ([Ref]) REFERENCES [Table1]").ok());
  EXPECT_EQ(Sql(s, "ALTER TABLE [Other] ADD CONSTRAINT [taken] FOREIGN KEY ([Ref]) REFERENCES [Table1]").code(),
            jet::ErrorCode::kExists);
}

// The number of rows of `table` as our reader sees them.
size_t RowCount(jet::Database& db, const std::string& table) {
  auto rows = jet::AllRows(db, table);
  EXPECT_TRUE(rows.ok()) << table;
  return rows.ok() ? rows->size() : 0;
}

// A new row of a referring table is looked up in the referenced table's key.
TEST(Relationship, NewRowsNeedTheirReferencedRow) {
  const auto file = CopyOfCorpusFile("mdb-reader/V2003/test.mdb");  // Table1: primary key A: 'ABCDEFG', 'a'
  {
    auto session = jet::WriteSession::Open(file.string());
    ASSERT_TRUE(session.ok());
    jet::WriteSession& s = **session;
    for (const char* sql : {"CREATE TABLE [Orders] ([Id] COUNTER PRIMARY KEY, [Ref] TEXT(50), [Qty] LONG)",
                            "ALTER TABLE [Orders] ADD CONSTRAINT [Table1Orders] FOREIGN KEY ([Ref]) REFERENCES [Table1]",
                            "INSERT INTO [Orders] ([Ref], [Qty]) VALUES ('ABCDEFG', 1)",
                            // Text keys match as the key's index compares them: without regard to case.
                            "INSERT INTO [Orders] ([Ref], [Qty]) VALUES ('abcdefg', 2)",
                            "INSERT INTO [Orders] ([Ref], [Qty]) VALUES ('A', 3)",
                            // A Null key refers to nothing and needs no row.
                            "INSERT INTO [Orders] ([Ref], [Qty]) VALUES (NULL, 4)"}) {
      jet::Status st = Sql(s, sql);
      ASSERT_TRUE(st.ok()) << sql << "\n" << st.message();
    }
    const std::string before = ReadFileBytes(file);
    for (const char* sql : {"INSERT INTO [Orders] ([Ref], [Qty]) VALUES ('zzz', 5)",
                            "INSERT INTO [Orders] ([Ref], [Qty]) VALUES ('ABCDEF', 5)",   // a prefix is not a match
                            "INSERT INTO [Orders] ([Ref], [Qty]) VALUES ('ABCDEFGH', 5)"}) {
      jet::Status st = Sql(s, sql);
      EXPECT_EQ(st.code(), jet::ErrorCode::kInvalidArgument) << sql;
      for (const std::string& said : {file.string(), std::string("table Orders"), std::string("relationship Table1Orders"),
                                      std::string("Ref = \""), std::string("Table1 has no row with that A")}) {
        EXPECT_NE(st.message().find(said), std::string::npos) << said << " in " << st.message();
      }
      EXPECT_EQ(ReadFileBytes(file), before) << sql;
    }
    EXPECT_NE(Sql(s, "INSERT INTO [Orders] ([Ref], [Qty]) VALUES ('zzz', 5)").message().find("Ref = \"zzz\""),
              std::string::npos);
    EXPECT_EQ(RowCount(s.database(), "Orders"), 4u);
    // The AutoNumbers refused rows took are given back: the next row gets 5 (mdb-export below).
    ASSERT_TRUE(Sql(s, "INSERT INTO [Orders] ([Ref], [Qty]) VALUES ('a', 6)").ok());

    // In a batch, a referenced row added earlier satisfies a later row; a rollback takes it away.
    const std::string beforeBatch = ReadFileBytes(file);
    s.beginBatch();
    ASSERT_TRUE(Sql(s, "INSERT INTO [Table1] ([A]) VALUES ('NewKey')").ok());
    ASSERT_TRUE(Sql(s, "INSERT INTO [Orders] ([Ref], [Qty]) VALUES ('newkey', 7)").ok());
    EXPECT_FALSE(Sql(s, "INSERT INTO [Orders] ([Ref], [Qty]) VALUES ('other', 8)").ok());
    ASSERT_TRUE(Sql(s, "INSERT INTO [Orders] ([Ref], [Qty]) VALUES ('NEWKEY', 9)").ok());
    s.rollbackBatch();
    EXPECT_EQ(ReadFileBytes(file), beforeBatch);
    EXPECT_EQ(RowCount(s.database(), "Orders"), 5u);
    EXPECT_EQ(Sql(s, "INSERT INTO [Orders] ([Ref], [Qty]) VALUES ('newkey', 10)").code(),
              jet::ErrorCode::kInvalidArgument);
    s.beginBatch();
    ASSERT_TRUE(Sql(s, "INSERT INTO [Table1] ([A]) VALUES ('Kept')").ok());
    ASSERT_TRUE(Sql(s, "INSERT INTO [Orders] ([Ref], [Qty]) VALUES ('kept', 11)").ok());
    ASSERT_TRUE(s.commitBatch().ok());
    EXPECT_EQ(RowCount(s.database(), "Orders"), 6u);

    // A table that refers to itself: a row may name its own key or an earlier row's.
    for (const char* sql : {"CREATE TABLE [Staff] ([Id] LONG PRIMARY KEY, [Boss] LONG)",
                            "ALTER TABLE [Staff] ADD CONSTRAINT [Reports] FOREIGN KEY ([Boss]) REFERENCES [Staff]",
                            "INSERT INTO [Staff] VALUES (1, 1)", "INSERT INTO [Staff] VALUES (2, 1)",
                            "INSERT INTO [Staff] VALUES (3, NULL)"}) {
      jet::Status st = Sql(s, sql);
      ASSERT_TRUE(st.ok()) << sql << "\n" << st.message();
    }
    EXPECT_EQ(Sql(s, "INSERT INTO [Staff] VALUES (4, 9)").code(), jet::ErrorCode::kInvalidArgument);
  }
  const std::string shown = RunCommand("mdb-export '" + file.string() + "' Orders").out;
  for (const char* row : {"1,\"ABCDEFG\",1", "2,\"abcdefg\",2", "4,,4", "5,\"a\",6", "\"kept\",11"})
    EXPECT_NE(shown.find(row), std::string::npos) << row << " in " << shown;
  EXPECT_EQ(shown.find("newkey"), std::string::npos) << shown;
  auto report = jet::check::CheckDatabase(file.string());
  ASSERT_TRUE(report.ok());
  EXPECT_TRUE(report->clean()) << (report->problems.empty() ? "" : report->problems[0]);
  ExpectOraclesAgree(file);
}

// A two-column key matches only when both columns do; any Null in it passes.
TEST(Relationship, NewRowsWithATwoColumnKey) {
  // TableUnique2_temp: unique index on (data1 Text, data2 Long): ("stuff", 13), ("some", 0), ...
  const auto file = CopyOfCorpusFile("jackcess/V2000/testIndexPropertiesV2000.mdb");
  {
    auto session = jet::WriteSession::Open(file.string());
    ASSERT_TRUE(session.ok());
    jet::WriteSession& s = **session;
    for (const char* sql : {"CREATE TABLE [Child] ([D2] LONG, [D1] TEXT(50))",
                            "ALTER TABLE [Child] ADD CONSTRAINT [Pair] FOREIGN KEY ([D1], [D2]) REFERENCES "
                            "[TableUnique2_temp] ([data1], [data2])",
                            "INSERT INTO [Child] VALUES (13, 'STUFF')", "INSERT INTO [Child] VALUES (0, 'some')",
                            "INSERT INTO [Child] VALUES (14, NULL)", "INSERT INTO [Child] VALUES (NULL, 'nowhere')"}) {
      jet::Status st = Sql(s, sql);
      ASSERT_TRUE(st.ok()) << sql << "\n" << st.message();
    }
    const std::string before = ReadFileBytes(file);
    // Each half matches some row, but no row has both.
    jet::Status st = Sql(s, "INSERT INTO [Child] VALUES (0, 'stuff')");
    EXPECT_EQ(st.code(), jet::ErrorCode::kInvalidArgument);
    EXPECT_NE(st.message().find("relationship Pair: the row has D1 = \"stuff\", D2 = 0, but TableUnique2_temp has no "
                                "row with that data1, data2"),
              std::string::npos)
        << st.message();
    EXPECT_EQ(ReadFileBytes(file), before);
    EXPECT_EQ(RowCount(s.database(), "Child"), 4u);
  }
  ExpectOraclesAgree(file);
}

// Relationships Access made: Table1.otherfk1 -> Table2.id (0..2), Table1.otherfk2 -> Table3.id (10..13).
TEST(Relationship, NewRowsInAnAccessMadeReferringTable) {
  for (const char* name : {"jackcess/V2000/indexTestV2000.mdb", "jackcess/V2007/indexTestV2007.accdb"}) {
    const auto file = CopyOfCorpusFile(name);
    {
      auto session = jet::WriteSession::Open(file.string());
      ASSERT_TRUE(session.ok()) << name;
      jet::WriteSession& s = **session;
      const std::string before = ReadFileBytes(file);
      for (const char* bad : {"INSERT INTO [Table1] VALUES (5, 7, 13, 'bad', 0)",
                              "INSERT INTO [Table1] VALUES (5, NULL, 14, 'bad', 0)"}) {
        jet::Status st = Sql(s, bad);
        EXPECT_EQ(st.code(), jet::ErrorCode::kInvalidArgument) << name << ": " << bad;
        EXPECT_NE(st.message().find("table Table1, relationship Table"), std::string::npos) << st.message();
        EXPECT_EQ(ReadFileBytes(file), before) << name << ": " << bad;
      }
      ASSERT_TRUE(Sql(s, "INSERT INTO [Table1] VALUES (4, 2, 12, 'added', 0)").ok()) << name;
    }
    const std::string shown = RunCommand("mdb-export '" + file.string() + "' Table1").out;
    EXPECT_NE(shown.find("4,2,12,\"added\",0"), std::string::npos) << name << "\n" << shown;
    EXPECT_EQ(shown.find("bad"), std::string::npos) << shown;
    auto report = jet::check::CheckDatabase(file.string());
    ASSERT_TRUE(report.ok());
    EXPECT_TRUE(report->clean()) << name << ": " << (report->problems.empty() ? "" : report->problems[0]);
    ExpectOraclesAgree(file);
  }
}

}  // namespace
}  // namespace jetwrite_test
