// AutoNumber columns (increment and replication ID), the Required and DefaultValue column
// properties, and the SQL that makes them: new .mdb and .accdb files and Access-made tables.
#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "WriteOracles.h"
#include "ado/access/AccessStatements.h"
#include "jet/Bytes.h"
#include "jet/LongValue.h"
#include "jet/PropertyWriter.h"
#include "jet/TableSchema.h"
#include "jet/check/DatabaseCheck.h"
#include "jet/DateSerial.h"
#include "jet/create/NewDatabase.h"
#include "jet/format/PropertyLayout.h"
#include "jet/write/TableCreator.h"

namespace jetwrite_test {
namespace {

using jet::ColumnType;
using jet::Value;

// A new database of the given extension in a folder of its own.
std::filesystem::path NewDatabase(const std::string& extension) {
  const auto dir = CopyOfCorpusFile("mdb-reader/V2003/empty.mdb").parent_path();
  const auto file = dir / ("new" + extension);
  auto format = jet::create::FormatForPath(file.string());
  EXPECT_TRUE(format.ok());
  EXPECT_TRUE(jet::create::CreateDatabase(file.string(), *format, jet::NowAsDateTime()).ok());
  return file;
}

std::vector<std::vector<Value>> Rows(const std::filesystem::path& file, const std::string& table) {
  std::vector<std::vector<Value>> out;
  auto db = jet::Database::Open(file.string(), {});
  EXPECT_TRUE(db.ok());
  if (!db.ok()) return out;
  auto cursor = (*db)->scan(table);
  EXPECT_TRUE(cursor.ok());
  if (!cursor.ok()) return out;
  while (*cursor->next()) {
    std::vector<Value> row;
    for (size_t i = 0; i < cursor->def().columns.size(); ++i) row.push_back(*cursor->value(i));
    out.push_back(std::move(row));
  }
  return out;
}

void ExpectChecked(const std::filesystem::path& file) {
  auto report = jet::check::CheckDatabase(file.string());
  ASSERT_TRUE(report.ok());
  std::string problems;
  for (const auto& p : report->problems) problems += p + "\n";
  EXPECT_TRUE(report->clean()) << file << "\n" << problems;
}

TEST(AutoNumber, NewTablesNumberRowsKeepExplicitValuesAndMoveTheCounterPastThem) {
  for (const char* extension : {".mdb", ".accdb"}) {
    const auto file = NewDatabase(extension);
    {
      auto session = jet::WriteSession::Open(file.string());
      ASSERT_TRUE(session.ok());
      jet::NewColumn id{"Id", ColumnType::kLong};
      id.autoNumber = jet::AutoNumber::kIncrement;
      jet::NewColumn key{"Key", ColumnType::kGuid};
      key.autoNumber = jet::AutoNumber::kReplicationId;
      ASSERT_TRUE((*session)->createTable("T", {id, {"Name", ColumnType::kText, 20}, key}).ok());
      const jet::Null null;
      for (const Value& v : std::vector<Value>{null, null, int32_t{17}, null, int32_t{5}, int32_t{-3}, null}) {
        jet::Status st = (*session)->insert("T", {v, std::string("r"), null});
        ASSERT_TRUE(st.ok()) << st.message();
      }
      // Flags as Access sets them on its own AutoNumber columns.
      auto def = (*session)->database().tableDef("T");
      ASSERT_TRUE(def.ok());
      EXPECT_EQ((*def)->columns[0].flags, 0x07);
      EXPECT_EQ((*def)->columns[2].flags, 0x43);
    }
    std::vector<int32_t> ids;
    std::set<std::array<uint8_t, 16>> guids;
    for (const auto& row : Rows(file, "T")) {
      ids.push_back(std::get<int32_t>(row[0]));
      const auto& g = std::get<jet::Guid>(row[2]);
      EXPECT_EQ(g.bytes[7] >> 4, 4) << "a random (version 4) GUID";
      guids.insert(g.bytes);
    }
    EXPECT_EQ(ids, (std::vector<int32_t>{1, 2, 17, 18, 5, -3, 19})) << extension;
    EXPECT_EQ(guids.size(), 7u);
    {
      auto db = jet::Database::Open(file.string(), {});
      ASSERT_TRUE(db.ok());
      EXPECT_EQ((*(*db)->tableDef("T"))->nextAutoNumber, 19u) << "the last number handed out";
    }
    ExpectChecked(file);
    ExpectOraclesAgree(file);
  }
}

TEST(AutoNumber, RefusedRowsTakeNoNumberAndTheLastNumberHasNoSuccessor) {
  const auto file = NewDatabase(".mdb");
  auto session = jet::WriteSession::Open(file.string());
  ASSERT_TRUE(session.ok());
  jet::WriteSession& s = **session;
  jet::NewColumn id{"Id", ColumnType::kLong};
  id.autoNumber = jet::AutoNumber::kIncrement;
  ASSERT_TRUE(s.createTable("T", {id, {"Name", ColumnType::kText, 3}}).ok());
  std::string before = ReadFileBytes(file);
  EXPECT_EQ(s.insert("T", {jet::Null{}, std::string("toolong")}).code(), jet::ErrorCode::kInvalidArgument);
  EXPECT_EQ(ReadFileBytes(file), before);
  ASSERT_TRUE(s.insert("T", {jet::Null{}, std::string("a")}).ok());
  ASSERT_TRUE(s.insert("T", {int32_t{2147483647}, std::string("b")}).ok());
  before = ReadFileBytes(file);
  jet::Status full = s.insert("T", {jet::Null{}, std::string("c")});
  EXPECT_EQ(full.code(), jet::ErrorCode::kInvalidArgument);
  EXPECT_NE(full.message().find("column Id"), std::string::npos) << full.message();
  EXPECT_NE(full.message().find("2147483647"), std::string::npos) << full.message();
  EXPECT_EQ(ReadFileBytes(file), before);
  // A replication ID goes only on a GUID column, an increment only on a Long one.
  jet::NewColumn wrong{"W", ColumnType::kText, 10};
  wrong.autoNumber = jet::AutoNumber::kIncrement;
  EXPECT_EQ(s.createTable("U", {wrong}).code(), jet::ErrorCode::kInvalidArgument);
  session->reset();
  std::vector<int32_t> ids;
  for (const auto& row : Rows(file, "T")) ids.push_back(std::get<int32_t>(row[0]));
  EXPECT_EQ(ids, (std::vector<int32_t>{1, 2147483647}));
}

// Access-made tables with an AutoNumber primary key: rows went to them refused before.
TEST(AutoNumber, AccessMadeTablesContinueTheirNumbers) {
  for (const char* relative : {"mdb-reader/password/V2000_no-password.mdb", "mdb-reader/password/V2003_no-password.mdb"}) {
    const auto file = CopyOfCorpusFile(relative);
    {
      auto session = jet::WriteSession::Open(file.string());
      ASSERT_TRUE(session.ok());
      // Table1: ID (AutoNumber, primary key) 1..3, Data.
      jet::Status st = ado::access::ExecuteAccessSql(**session, "INSERT INTO [Table1] ([Data]) VALUES ('Four')");
      ASSERT_TRUE(st.ok()) << relative << ": " << st.message();
      st = ado::access::ExecuteAccessSql(**session, "INSERT INTO [Table1] ([ID], [Data]) VALUES (10, 'Ten')");
      ASSERT_TRUE(st.ok()) << st.message();
      st = ado::access::ExecuteAccessSql(**session, "INSERT INTO [Table1] VALUES (NULL, 'Eleven')");
      ASSERT_TRUE(st.ok()) << st.message();
      // The key refuses an explicit number that is taken.
      EXPECT_EQ(ado::access::ExecuteAccessSql(**session, "INSERT INTO [Table1] ([ID], [Data]) VALUES (2, 'x')").code(),
                jet::ErrorCode::kExists);
    }
    std::vector<int32_t> ids;
    for (const auto& row : Rows(file, "Table1")) ids.push_back(std::get<int32_t>(row[0]));
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<int32_t>{1, 2, 3, 4, 10, 11})) << relative;
    ExpectChecked(file);
    ExpectOraclesAgree(file);
  }
}

TEST(AutoNumber, TheCheckFindsACounterBelowAStoredNumber) {
  const auto file = NewDatabase(".mdb");
  uint32_t tdef = 0;
  {
    auto session = jet::WriteSession::Open(file.string());
    ASSERT_TRUE(session.ok());
    jet::NewColumn id{"Id", ColumnType::kLong};
    id.autoNumber = jet::AutoNumber::kIncrement;
    ASSERT_TRUE((*session)->createTable("T", {id}).ok());
    ASSERT_TRUE((*session)->insert("T", {int32_t{40}}).ok());
    tdef = (*session)->database().catalog().findTable("T")->tableDefPage();
  }
  ExpectChecked(file);
  {
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(tdef) * 4096 + jet::kJet4Format.tdef.nextAutoNumber);
    const char lowered[4] = {39, 0, 0, 0};
    f.write(lowered, 4);
  }
  auto report = jet::check::CheckDatabase(file.string());
  ASSERT_TRUE(report.ok());
  ASSERT_EQ(report->problems.size(), 1u);
  EXPECT_NE(report->problems[0].find("keeps 39 as its last AutoNumber but holds the value 40"), std::string::npos)
      << report->problems[0];
}

// The blob round trip through our reader, Access's layout for the table's own block, and
// what mdbtools' property reader shows.
TEST(ColumnProperties, RequiredAndDefaultValueAreKeptAsAccessKeepsThem) {
  const std::vector<jet::PropertyBlock> blocks{
      {"", jet::property::kObjectBlock, {}},
      {"Name", jet::property::kColumnBlock,
       {jet::YesNoProperty("Required", true, 1), jet::MemoProperty("DefaultValue", "\"n/a\"", 1)}},
      {"Größe", jet::property::kColumnBlock, {jet::MemoProperty("DefaultValue", "0", 1)}}};
  const std::vector<uint8_t> blob = jet::BuildProperties(blocks);
  auto parsed = jet::ParseProperties(blob, false, 1252);
  ASSERT_TRUE(parsed.ok()) << parsed.status().message();
  EXPECT_EQ(*parsed, blocks);
  // "MR2", then the name list with each name once: Required, DefaultValue.
  EXPECT_EQ(std::string(blob.begin(), blob.begin() + 4), std::string("MR2\0", 4));
  EXPECT_EQ(jet::LoadU16(&blob[8]), 0x80);
  EXPECT_EQ(jet::LoadU32(&blob[4]), 6u + 2 + 16 + 2 + 24);

  for (const char* extension : {".mdb", ".accdb"}) {
    const auto file = NewDatabase(extension);
    {
      auto session = jet::WriteSession::Open(file.string());
      ASSERT_TRUE(session.ok());
      jet::NewColumn name{"Name", ColumnType::kText, 20};
      name.required = true;
      name.defaultValue = "\"n/a\"";
      jet::NewColumn size{"Size", ColumnType::kLong};
      size.defaultValue = "0";
      ASSERT_TRUE((*session)->createTable("T", {name, size, {"Plain", ColumnType::kDouble}}).ok());
      ASSERT_TRUE((*session)->createTable("NoProperties", {{"Plain", ColumnType::kDouble}}).ok());
      const std::string before = ReadFileBytes(file);
      jet::Status refused = (*session)->insert("T", {jet::Null{}, int32_t{1}, 2.0});
      EXPECT_EQ(refused.code(), jet::ErrorCode::kInvalidArgument);
      EXPECT_NE(refused.message().find("table T, column Name: a value is required"), std::string::npos)
          << refused.message();
      EXPECT_EQ(ReadFileBytes(file), before);
      ASSERT_TRUE((*session)->insert("T", {std::string("x"), jet::Null{}, jet::Null{}}).ok());
    }
    {
      auto db = jet::Database::Open(file.string(), {});
      ASSERT_TRUE(db.ok());
      auto def = (*db)->tableDef("T");
      ASSERT_TRUE(def.ok());
      EXPECT_TRUE((*def)->columns[0].required);
      EXPECT_EQ((*def)->columns[0].defaultValue, "\"n/a\"");
      EXPECT_FALSE((*def)->columns[1].required);
      EXPECT_EQ((*def)->columns[1].defaultValue, "0");
      EXPECT_FALSE((*def)->columns[2].defaultValue);
      EXPECT_TRUE((*db)->catalog().findTable("NoProperties")->propertiesField.empty());
    }
    // mdbtools lists each object's properties in an order of its own.
    const std::string shown = RunCommand("mdb-prop '" + file.string() + "' T").out;
    const size_t name = shown.find("name: Name\n"), size = shown.find("name: Size\n");
    ASSERT_TRUE(name != std::string::npos && size != std::string::npos) << shown;
    const std::string nameBlock = shown.substr(name, shown.find("\n\n", name) - name);
    EXPECT_NE(nameBlock.find("\tRequired: yes"), std::string::npos) << shown;
    EXPECT_NE(nameBlock.find("\tDefaultValue: \"n/a\""), std::string::npos) << shown;
    EXPECT_NE(shown.find("\tDefaultValue: 0", size), std::string::npos) << shown;
    ExpectChecked(file);
    ExpectOraclesAgree(file);
  }
}

// Validation rules and texts (of columns and of the table) and calculated columns from SQL
// text, kept as Access keeps them: properties under the right block; a calculated column with
// the extended flags 0xC0, in the variable part of the row, declared 39 bytes (fixed-size
// results) or its text's bytes and 23; each value wrapped (16 bytes, length, data, 3 bytes);
// the Access 2007 file marked Access 2010's. An .mdb file refuses calculated columns whole.
TEST(ColumnProperties, RulesAndCalculatedColumnsAreKeptAsAccessKeepsThem) {
  const std::string create =
      "CREATE TABLE [Lines] ([Qty] LONG VALIDATION RULE '>0' VALIDATION TEXT 'Positive', [Name] TEXT(10), "
      "[Half] DOUBLE EXPRESSION '[Qty]/2', [Label] TEXT(20) EXPRESSION '[Name] & \"!\"', "
      "[Big] YESNO EXPRESSION '[Qty]>9', VALIDATION RULE '[Qty]<100', VALIDATION TEXT 'Too many')";
  {
    const auto file = NewDatabase(".mdb");
    auto session = jet::WriteSession::Open(file.string());
    ASSERT_TRUE(session.ok());
    const std::string before = ReadFileBytes(file);
    const jet::Status refused = ado::access::ExecuteAccessSql(**session, create);
    EXPECT_EQ(refused.code(), jet::ErrorCode::kUnsupported);
    EXPECT_NE(refused.message().find("column Half: calculated columns need an Access 2010"), std::string::npos)
        << refused.message();
    EXPECT_EQ(ReadFileBytes(file), before);
  }
  const auto file = NewDatabase(".accdb");
  EXPECT_EQ(static_cast<uint8_t>(ReadFileBytes(file)[0x14]), 2);  // Access 2007
  {
    auto session = jet::WriteSession::Open(file.string());
    ASSERT_TRUE(session.ok());
    for (const std::string& sql :
         {create, std::string("INSERT INTO [Lines] VALUES (12, 'ab', 6, 'ab!', True)"),
          std::string("INSERT INTO [Lines] VALUES (3, NULL, 1.5, NULL, False)")}) {
      const jet::Status st = ado::access::ExecuteAccessSql(**session, sql);
      ASSERT_TRUE(st.ok()) << sql << "\n" << st.message();
    }
  }
  const std::string bytes = ReadFileBytes(file);
  EXPECT_EQ(static_cast<uint8_t>(bytes[0x14]), 3);  // Access 2010
  // 6.0 as Double, wrapped.
  std::string wrapped(16, '\0');
  wrapped += std::string("\x08\0\0\0\0\0\0\0\0\0\x18\x40\0\0\0", 15);
  EXPECT_NE(bytes.find(wrapped), std::string::npos);
  auto db = jet::Database::Open(file.string(), {});
  ASSERT_TRUE(db.ok());
  auto def = (*db)->tableDef("Lines");
  ASSERT_TRUE(def.ok());
  const auto& c = (*def)->columns;
  ASSERT_EQ(c.size(), 5u);
  EXPECT_FALSE(c[0].calculated());
  for (size_t i : {2u, 3u, 4u}) {
    EXPECT_TRUE(c[i].calculated()) << c[i].name;
    EXPECT_FALSE(c[i].fixed()) << c[i].name;
  }
  EXPECT_EQ(c[2].length, 39);
  EXPECT_EQ(c[3].length, 20 * 2 + 23);
  EXPECT_EQ(c[4].resultTypeCode, static_cast<uint8_t>(ColumnType::kBoolean));
  auto blocks = jet::ReadTableProperties(**db, **def);
  ASSERT_TRUE(blocks.ok());
  const jet::ColumnProperties qty = jet::ColumnPropertiesOf(*blocks, "Qty", false, 1252);
  EXPECT_EQ(qty.validationRule, ">0");
  EXPECT_EQ(qty.validationText, "Positive");
  EXPECT_EQ(jet::ColumnPropertiesOf(*blocks, "Label", false, 1252).expression, "[Name] & \"!\"");
  const jet::ColumnProperties table = jet::ColumnPropertiesOf(*blocks, "", false, 1252);
  EXPECT_EQ(table.validationRule, "[Qty]<100");
  EXPECT_EQ(table.validationText, "Too many");
  EXPECT_EQ(Rows(file, "Lines"),
            (std::vector<std::vector<Value>>{{int32_t{12}, std::string("ab"), 6.0, std::string("ab!"), true},
                                             {int32_t{3}, jet::Null{}, 1.5, jet::Null{}, false}}));
  ExpectChecked(file);
  // mdbtools' property reader sees the rules and the expression.
  const std::string shown = RunCommand("mdb-prop '" + file.string() + "' Lines").out;
  for (const char* fact : {"\tValidationRule: >0", "\tValidationText: Too many", "\tExpression: [Qty]/2"})
    EXPECT_NE(shown.find(fact), std::string::npos) << fact << "\n" << shown;
}

// The whole path from SQL text: COUNTER, NOT NULL and DEFAULT in CREATE TABLE, INSERT with a
// column list taking the defaults and the next number.
TEST(ColumnProperties, SqlCreateAndInsertUseThem) {
  for (const char* extension : {".mdb", ".accdb"}) {
    const auto file = NewDatabase(extension);
    {
      auto session = jet::WriteSession::Open(file.string());
      ASSERT_TRUE(session.ok());
      jet::WriteSession& s = **session;
      auto run = [&](const std::string& sql) { return ado::access::ExecuteAccessSql(s, sql); };
      jet::Status st = run("CREATE TABLE [Items] ([Id] COUNTER NOT NULL, [Name] TEXT(30) NOT NULL DEFAULT 'none',"
                           " [Qty] SHORT DEFAULT 7, [Seen] BIT DEFAULT True, [Note] MEMO, [Code] TEXT(5) NOT NULL)");
      ASSERT_TRUE(st.ok()) << st.message();
      for (const char* sql : {"INSERT INTO [Items] ([Code]) VALUES ('a')",
                              "INSERT INTO [Items] ([Code], [Name], [Qty]) VALUES ('b', 'Bolt', NULL)",
                              "INSERT INTO [Items] ([Id], [Code]) VALUES (40, 'c')",
                              "INSERT INTO [Items] ([code]) VALUES ('d')",
                              "INSERT INTO [Items] VALUES (NULL, 'e', 1, False, 'memo', 'e')"}) {
        st = run(sql);
        ASSERT_TRUE(st.ok()) << sql << "\n" << st.message();
      }
      const std::string before = ReadFileBytes(file);
      st = run("INSERT INTO [Items] ([Name]) VALUES ('no code')");
      EXPECT_EQ(st.code(), jet::ErrorCode::kInvalidArgument);
      EXPECT_NE(st.message().find("column Code: a value is required"), std::string::npos) << st.message();
      st = run("INSERT INTO [Items] ([Nope]) VALUES (1)");
      EXPECT_NE(st.message().find("has no column named Nope"), std::string::npos) << st.message();
      st = run("CREATE TABLE [Bad] ([N] LONG DEFAULT 'many')");
      EXPECT_NE(st.message().find("\"N\""), std::string::npos) << st.message();
      EXPECT_FALSE(s.database().catalog().findTable("Bad"));
      EXPECT_EQ(ReadFileBytes(file), before);
    }
    const auto rows = Rows(file, "Items");
    ASSERT_EQ(rows.size(), 5u);
    const std::vector<Value> first{int32_t{1}, std::string("none"), int16_t{7}, true, jet::Null{}, std::string("a")};
    EXPECT_EQ(rows[0], first);
    EXPECT_EQ(rows[1][1], Value(std::string("Bolt")));
    EXPECT_EQ(rows[1][2], Value(jet::Null{})) << "an explicit NULL is kept, not replaced by the default";
    EXPECT_EQ(rows[2][0], Value(int32_t{40}));
    EXPECT_EQ(rows[3][0], Value(int32_t{41}));
    EXPECT_EQ(rows[4][0], Value(int32_t{42}));
    EXPECT_EQ(rows[4][3], Value(false));
    const std::string shown = RunCommand("mdb-prop '" + file.string() + "' Items").out;
    EXPECT_NE(shown.find("DefaultValue: \"none\""), std::string::npos) << shown;
    EXPECT_NE(shown.find("DefaultValue: True"), std::string::npos) << shown;
    ExpectChecked(file);
    ExpectOraclesAgree(file);
  }
}

}  // namespace
}  // namespace jetwrite_test
