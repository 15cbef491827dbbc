// The columns, indexes, primary keys and foreign keys schemas, read through OpenSchema as a
// program using ADO reads them: from real Access files (relationships, properties, the
// indexes Access makes for relationships) and from SQLite's own reports.
#include "Corpus.h"

#include "ado/Connection.h"
#include "ado/Error.h"
#include "jet/create/NewDatabase.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

namespace {

using Row = std::map<std::string, std::string>;

// Every row of a schema, each field as text ("" for Null), restricted as given.
std::vector<Row> SchemaRows(ado::Connection& connection, int schema, const std::vector<ado::Variant>& restrictions) {
  ado::Recordset rs = connection.OpenSchema(schema, restrictions);
  std::vector<Row> rows;
  for (; !rs.Eof(); rs.MoveNext()) {
    Row row;
    for (int i = 0; i < rs.Fields().Count(); ++i) row[rs.Fields()[i].Name()] = rs.Fields()[i].Value().toText();
    rows.push_back(std::move(row));
  }
  return rows;
}

// The chosen fields of each row, joined with "|".
std::vector<std::string> Pick(const std::vector<Row>& rows, const std::vector<std::string>& fields) {
  std::vector<std::string> out;
  for (const Row& row : rows) {
    std::string line;
    for (const auto& f : fields) line += (line.empty() ? "" : "|") + row.at(f);
    out.push_back(line);
  }
  return out;
}

const ado::Variant kAny;
ado::Variant Name(const char* text) { return ado::Variant::text(text); }

TEST(DesignSchema, AccessRelationshipsIndexesAndKeysOfARealFile) {
  for (const char* file : {"jackcess/V2000/indexTestV2000.mdb", "jackcess/V2007/indexTestV2007.accdb"}) {
    SCOPED_TRACE(file);
    ado::Connection connection;
    connection.Open(corpus::AceConnectionString(corpus::File(file)));
    // grbit 0x1000 is a cascade of deletes, 0x100 of updates; both refer to the primary keys.
    EXPECT_EQ(Pick(SchemaRows(connection, ado::adSchemaForeignKeys, {kAny, kAny, kAny, kAny, kAny, Name("TABLE1")}),
                   {"FK_NAME", "FK_TABLE_NAME", "FK_COLUMN_NAME", "PK_TABLE_NAME", "PK_COLUMN_NAME", "ORDINAL",
                    "UPDATE_RULE", "DELETE_RULE", "PK_NAME"}),
              (std::vector<std::string>{"Table2Table1|Table1|otherfk1|Table2|id|1|NO ACTION|CASCADE|PrimaryKey",
                                        "Table3Table1|Table1|otherfk2|Table3|id|1|CASCADE|NO ACTION|PrimaryKey"}));
    // Restricted by the referenced table instead.
    EXPECT_EQ(SchemaRows(connection, ado::adSchemaForeignKeys, {kAny, kAny, Name("Table3")}).size(), 1u);
    // The relationship's indexes are listed as Access keeps them: named after it on the referring
    // table, ".rC" on the referenced one.
    EXPECT_EQ(Pick(SchemaRows(connection, ado::adSchemaIndexes, {kAny, kAny, kAny, kAny, Name("Table1")}),
                   {"INDEX_NAME", "PRIMARY_KEY", "UNIQUE", "NULLS", "ORDINAL_POSITION", "COLUMN_NAME", "COLLATION"}),
              (std::vector<std::string>{"id|False|False|0|1|id|1", "PrimaryKey|True|True|1|1|id|1",
                                        "Table2Table1|False|False|0|1|otherfk1|1",
                                        "Table3Table1|False|False|0|1|otherfk2|1"}));
    EXPECT_EQ(Pick(SchemaRows(connection, ado::adSchemaIndexes, {kAny, kAny, Name(".rC"), kAny, Name("Table2")}),
                   {"INDEX_NAME", "UNIQUE", "COLUMN_NAME"}),
              (std::vector<std::string>{".rC|True|id"}));
    EXPECT_EQ(Pick(SchemaRows(connection, ado::adSchemaPrimaryKeys, {kAny, kAny, Name("Table3")}),
                   {"TABLE_NAME", "COLUMN_NAME", "ORDINAL", "PK_NAME"}),
              (std::vector<std::string>{"Table3|id|1|PrimaryKey"}));
    // Columns: sorted by name as Jet sorts them, the table's order in ORDINAL_POSITION; the
    // default is the DefaultValue property Access keeps with the table.
    EXPECT_EQ(Pick(SchemaRows(connection, ado::adSchemaColumns, {kAny, kAny, Name("Table1")}),
                   {"COLUMN_NAME", "ORDINAL_POSITION", "DATA_TYPE", "COLUMN_FLAGS", "IS_NULLABLE", "TYPE_NAME",
                    "CHARACTER_MAXIMUM_LENGTH", "NUMERIC_PRECISION", "COLUMN_HASDEFAULT", "COLUMN_DEFAULT"}),
              (std::vector<std::string>{"data|4|130|106|True|Text|50||False|", "id|1|3|122|True|Long Integer||10|True|0",
                                        "otherfk1|2|3|122|True|Long Integer||10|True|0",
                                        "otherfk2|3|3|122|True|Long Integer||10|True|0",
                                        "otherfk3|5|3|122|True|Long Integer||10|True|0"}));
  }
}

TEST(DesignSchema, AccessColumnKindsAutoNumbersAndUnknownSchemas) {
  ado::Connection connection;
  connection.Open(corpus::AceConnectionString(corpus::File("mdb-reader/real/ASampleDatabase.accdb")));
  const auto columns = SchemaRows(connection, ado::adSchemaColumns, {kAny, kAny, Name("MSysAccessStorage")});
  EXPECT_EQ(Pick(columns, {"COLUMN_NAME", "DATA_TYPE", "COLUMN_FLAGS", "IS_NULLABLE", "TYPE_NAME", "IS_AUTOINCREMENT",
                           "CHARACTER_MAXIMUM_LENGTH"}),
            (std::vector<std::string>{"DateCreate|7|122|True|Date/Time|False|", "DateUpdate|7|122|True|Date/Time|False|",
                                      "Id|3|26|False|AutoNumber|True|", "Lv|128|234|True|OLE Object|False|1073741823",
                                      "Name|130|106|True|Text|False|128", "ParentId|3|122|True|Long Integer|False|",
                                      "Type|3|122|True|Long Integer|False|"}));
  // Every user table's columns, with no restriction at all.
  const auto all = SchemaRows(connection, ado::adSchemaColumns, {});
  EXPECT_GT(all.size(), columns.size());
  try {
    connection.OpenSchema(99);
    FAIL() << "schema 99 opened";
  } catch (const ado::Error& error) {
    EXPECT_EQ(error.number(), ado::adErrFeatureNotAvailable);
  }
}

TEST(DesignSchema, SQLiteReportsKeysIndexesAndForeignKeysTheSameWay) {
  corpus::TempFolder folder;
  const std::string path = folder.file("design.db");
  std::ofstream(path).close();
  ado::Connection connection;
  connection.Open("DRIVER=SQLite3 ODBC Driver;Database=" + path + ";");
  connection.Execute("CREATE TABLE parent (id INTEGER PRIMARY KEY, code VARCHAR(12) NOT NULL DEFAULT 'x' UNIQUE, "
                     "price DECIMAL_TEXT(19,4))");
  connection.Execute("CREATE TABLE child (a INTEGER, b TEXT, parent_id INTEGER REFERENCES parent ON DELETE CASCADE, "
                     "PRIMARY KEY (a, b DESC), FOREIGN KEY (b) REFERENCES parent (code) ON UPDATE CASCADE)");
  connection.Execute("CREATE INDEX child_b ON child (b DESC, a) WHERE b IS NOT NULL");
  EXPECT_EQ(Pick(SchemaRows(connection, ado::adSchemaColumns, {kAny, kAny, Name("parent")}),
                 {"COLUMN_NAME", "ORDINAL_POSITION", "DATA_TYPE", "IS_NULLABLE", "TYPE_NAME", "IS_AUTOINCREMENT",
                  "CHARACTER_MAXIMUM_LENGTH", "NUMERIC_PRECISION", "NUMERIC_SCALE", "COLUMN_DEFAULT"}),
            (std::vector<std::string>{"code|2|130|False|VARCHAR(12)|False|12|||'x'", "id|1|3|False|INTEGER|True||||",
                                      "price|3|130|True|DECIMAL_TEXT(19,4)|False||19|4|"}));
  // The rowid key has no index of its own but is listed as the primary key.
  EXPECT_EQ(Pick(SchemaRows(connection, ado::adSchemaPrimaryKeys, {kAny, kAny, Name("parent")}), {"COLUMN_NAME", "ORDINAL"}),
            (std::vector<std::string>{"id|1"}));
  EXPECT_EQ(Pick(SchemaRows(connection, ado::adSchemaIndexes, {kAny, kAny, kAny, kAny, Name("child")}),
                 {"INDEX_NAME", "PRIMARY_KEY", "UNIQUE", "ORDINAL_POSITION", "COLUMN_NAME", "COLLATION", "FILTER_CONDITION"}),
            (std::vector<std::string>{"child_b|False|False|1|b|2|b IS NOT NULL", "child_b|False|False|2|a|1|b IS NOT NULL",
                                      "sqlite_autoindex_child_1|True|True|1|a|1|",
                                      "sqlite_autoindex_child_1|True|True|2|b|2|"}));
  // A key naming no columns refers to the primary key; names follow Access's for new relationships.
  EXPECT_EQ(Pick(SchemaRows(connection, ado::adSchemaForeignKeys, {kAny, kAny, kAny, kAny, kAny, Name("child")}),
                 {"FK_NAME", "FK_COLUMN_NAME", "PK_TABLE_NAME", "PK_COLUMN_NAME", "UPDATE_RULE", "DELETE_RULE"}),
            (std::vector<std::string>{"parentchild|b|parent|code|CASCADE|NO ACTION",
                                      "parentchild1|parent_id|parent|id|NO ACTION|CASCADE"}));
}

// What the key statements write, read back: Required and DefaultValue from the column
// properties, the AutoNumber, the keys and the relationship with its cascade.
TEST(DesignSchema, AccessDesignWrittenByStatementsReadsBack) {
  for (const char* name : {"design.mdb", "design.accdb"}) {
    SCOPED_TRACE(name);
    corpus::TempFolder folder;
    const std::string path = folder.file(name);
    ASSERT_TRUE(jet::create::CreateDatabase(path, jet::create::FormatForPath(path).value(), 45000.0, "").ok());
    ado::Connection connection;
    connection.Open(corpus::AceConnectionString(path));
    connection.Execute("CREATE TABLE [p] ([id] COUNTER PRIMARY KEY, [n] TEXT(10) NOT NULL DEFAULT 'x', [d] DOUBLE DEFAULT 1.5)");
    connection.Execute("CREATE TABLE [c] ([pid] LONG, [k] LONG NOT NULL, CONSTRAINT [ck] PRIMARY KEY ([k], [pid]))");
    connection.Execute("CREATE INDEX [byd] ON [p] ([d] DESC) WITH IGNORE NULL");
    connection.Execute("ALTER TABLE [c] ADD CONSTRAINT [pc] FOREIGN KEY ([pid]) REFERENCES [p] ([id]) ON DELETE CASCADE");
    EXPECT_EQ(Pick(SchemaRows(connection, ado::adSchemaColumns, {kAny, kAny, Name("p")}),
                   {"COLUMN_NAME", "IS_NULLABLE", "IS_AUTOINCREMENT", "TYPE_NAME", "COLUMN_HASDEFAULT"}),
              (std::vector<std::string>{"d|True|False|Double|True", "id|False|True|AutoNumber|False",
                                        "n|False|False|Text|True"}));
    EXPECT_EQ(Pick(SchemaRows(connection, ado::adSchemaPrimaryKeys, {kAny, kAny, Name("c")}),
                   {"COLUMN_NAME", "ORDINAL", "PK_NAME"}),
              (std::vector<std::string>{"k|1|ck", "pid|2|ck"}));
    EXPECT_EQ(Pick(SchemaRows(connection, ado::adSchemaIndexes, {kAny, kAny, Name("byd")}),
                   {"TABLE_NAME", "NULLS", "COLLATION"}),
              (std::vector<std::string>{"p|2|2"}));
    EXPECT_EQ(Pick(SchemaRows(connection, ado::adSchemaForeignKeys, {}),
                   {"FK_NAME", "FK_TABLE_NAME", "FK_COLUMN_NAME", "PK_TABLE_NAME", "PK_COLUMN_NAME", "DELETE_RULE", "PK_NAME"}),
              (std::vector<std::string>{"pc|c|pid|p|id|CASCADE|PrimaryKey"}));
    // Defaults as Access keeps them: a text in double quotes.
    EXPECT_EQ(Pick(SchemaRows(connection, ado::adSchemaColumns, {kAny, kAny, Name("p")}), {"COLUMN_DEFAULT"}),
              (std::vector<std::string>{"1.5", "", "\"x\""}));
  }
}

}  // namespace
