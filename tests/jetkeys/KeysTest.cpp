// Keys and indexes the engine writes, read back by the integrity check (which rebuilds
// every stored key from its row), the mdb-reader oracle and mdbtools.
#include <gtest/gtest.h>

#include <cmath>

#include "WriteOracles.h"
#include "ado/access/AccessStatements.h"
#include "jet/Bytes.h"
#include "jet/Text.h"
#include "jet/check/DatabaseCheck.h"
#include "jet/create/NewDatabase.h"
#include "jet/index/IndexKey.h"
#include "jet/write/IndexCreator.h"
#include "jet/write/TableWriter.h"
#include "jet/write/WriteSession.h"

namespace jetwrite_test {
namespace {

using jet::ColumnType;
using jet::Value;

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) out += l + "\n";
  return out;
}

// A new, empty database of the given extension in a private folder.
std::filesystem::path NewDatabase(const std::string& extension) {
  const auto dir = CopyOfCorpusFile("jackcess/adox_jet4.mdb").parent_path();
  const auto file = dir / ("keys" + extension);
  auto format = jet::create::FormatForPath(file.string());
  EXPECT_TRUE(format.ok());
  const jet::Status s = jet::create::CreateDatabase(file.string(), *format, 45000.0);
  EXPECT_TRUE(s.ok()) << s.message();
  return file;
}

// The integrity check finds nothing wrong and rebuilt at least `keys` stored keys.
void ExpectCheckClean(const std::filesystem::path& file, size_t keys) {
  auto report = jet::check::CheckDatabase(file.string());
  ASSERT_TRUE(report.ok()) << report.status().message();
  EXPECT_TRUE(report->clean()) << Joined(report->problems);
  EXPECT_EQ(report->keyMismatches, 0u);
  EXPECT_GE(report->keysCompared, keys);
}

jet::Status Sql(jet::WriteSession& session, const std::string& sql) { return ado::access::ExecuteAccessSql(session, sql); }

// The definition's length field ends at its closing FF FF, its pages are as many as that
// length needs, and each says how much room it has left as Access counts it (the page
// less its bytes and 8, at least 0: mdb-reader V2000/test.mdb's two-page definition).
void ExpectWellFormedDefinition(jet::Database& db, const jet::TableDef& def) {
  const jet::JetFormat& format = db.file().format();
  size_t left = jet::LoadU32(&def.raw[format.tdef.length]);
  for (size_t i = 0; i < def.pages.size(); ++i) {
    auto page = db.file().read(def.pages[i]);
    ASSERT_TRUE(page.ok());
    const size_t room = i == 0 ? format.pageSize : format.pageSize - 8;
    const size_t used = std::min(left, room) + (i == 0 ? 0 : 8) + 8;
    left -= std::min(left, room);
    EXPECT_EQ(jet::LoadU16(&(**page)[2]), used < format.pageSize ? format.pageSize - used : 0) << def.name << " page " << i;
  }
  const uint32_t length = jet::LoadU32(&def.raw[format.tdef.length]);
  ASSERT_GE(length, 2u);
  ASSERT_LE(length, def.raw.size());
  EXPECT_EQ(def.raw[length - 2], 0xFF) << def.name;
  EXPECT_EQ(def.raw[length - 1], 0xFF) << def.name;
  const size_t pages = length <= format.pageSize ? 1 : 1 + (length - format.pageSize + format.pageSize - 9) / (format.pageSize - 8);
  EXPECT_EQ(def.pages.size(), pages) << def.name;
}

jet::NewIndex Index(std::string name, std::vector<jet::NewIndexColumn> columns, bool unique = false) {
  jet::NewIndex index;
  index.name = std::move(name);
  index.columns = std::move(columns);
  index.unique = unique;
  return index;
}

// Columns of every type Access indexes, and a row of values for each: row k's values
// differ with k, some are Null, and negative and positive values alternate.
std::vector<jet::NewColumn> EveryKeyType(bool ace) {
  std::vector<jet::NewColumn> columns = {
      {"Id", ColumnType::kLong},        {"Tiny", ColumnType::kByte},     {"Small", ColumnType::kInteger},
      {"Money", ColumnType::kCurrency}, {"Single", ColumnType::kFloat},  {"Real", ColumnType::kDouble},
      {"When", ColumnType::kDateTime},  {"Name", ColumnType::kText, 40}, {"Flag", ColumnType::kBoolean},
      {"Key", ColumnType::kGuid},       {"Raw", ColumnType::kBinary, 30}, {"Amount", ColumnType::kNumeric, 0, 12, 3},
      {"Note", ColumnType::kMemo}};
  if (ace) columns.push_back({"Large", ColumnType::kBigInt});
  return columns;
}

std::vector<Value> RowOf(int k, bool ace) {
  const bool empty = k % 7 == 3;  // every seventh row has Nulls where Nulls may go
  const int sign = k % 2 ? -1 : 1;
  jet::Guid guid;
  for (int i = 0; i < 16; ++i) guid.bytes[i] = static_cast<uint8_t>(k * 31 + i * 7);
  jet::Decimal amount{sign < 0, static_cast<unsigned __int128>(k) * 1234567, 12, 3};
  std::vector<Value> row = {
      int32_t{k},
      empty ? Value(jet::Null{}) : Value(static_cast<uint8_t>(k * 13 % 256)),
      empty ? Value(jet::Null{}) : Value(static_cast<int16_t>(sign * k * 97 % 30000)),
      empty ? Value(jet::Null{}) : Value(jet::Currency{sign * int64_t{k} * 123456789}),
      empty ? Value(jet::Null{}) : Value(static_cast<float>(sign * k * 1.25f)),
      empty ? Value(jet::Null{}) : Value(sign * k * 3.0e10 / 7),
      empty ? Value(jet::Null{}) : Value(jet::DateTime{sign * k * 10.375}),
      empty ? Value(jet::Null{}) : Value(std::string(k % 3 ? "Name " : "name ") + std::to_string(k * 7919 % 1000) + (k % 5 ? "" : " \xC3\xA9t\xC3\xA9")),
      Value(k % 3 == 0),
      empty ? Value(jet::Null{}) : Value(guid),
      empty ? Value(jet::Null{}) : Value(jet::Binary{std::vector<uint8_t>(static_cast<size_t>(k % 30), static_cast<uint8_t>(k))}),
      empty ? Value(jet::Null{}) : Value(amount),
      empty ? Value(jet::Null{}) : Value(std::string("memo ") + std::to_string(k)),
  };
  if (ace) row.push_back(empty ? Value(jet::Null{}) : Value(jet::BigInt{sign * int64_t{k} * 1000000007}));
  return row;
}

constexpr int kRows = 300;

// Every key type in single-column indexes (ascending) and in a multi-column index with
// descending columns, made with the table and, on a second table, after its rows.
TEST(Keys, EveryKeyTypeIsIndexedOnInsertAndOnCreateIndex) {
  for (const char* extension : {".mdb", ".accdb"}) {
    SCOPED_TRACE(extension);
    const bool ace = std::string(extension) == ".accdb";
    const auto file = NewDatabase(extension);
    const auto columns = EveryKeyType(ace);
    std::vector<jet::NewIndex> indexes;
    jet::NewIndex pk = Index("PrimaryKey", {{"Id"}});
    pk.primaryKey = true;
    indexes.push_back(pk);
    for (size_t c = 1; c < columns.size(); ++c) indexes.push_back(Index("by" + columns[c].name, {{columns[c].name}}));
    indexes.push_back(Index("mixed", {{"Flag"}, {"Real", false}, {"Name", false}, {"When"}, {"Amount", false}}));
    {
      auto session = jet::WriteSession::Open(file.string());
      ASSERT_TRUE(session.ok()) << session.status().message();
      jet::WriteSession& s = **session;
      jet::Status made = s.createTable("Early", columns, indexes);
      ASSERT_TRUE(made.ok()) << made.message();
      ASSERT_TRUE(s.createTable("Late", columns).ok());
      for (int k = 0; k < kRows; ++k) {
        jet::Status a = s.insert("Early", RowOf(k, ace));
        ASSERT_TRUE(a.ok()) << a.message();
        ASSERT_TRUE(s.insert("Late", RowOf(k, ace)).ok());
      }
      for (const auto& index : indexes) {
        jet::Status added = s.createIndex("Late", index);
        ASSERT_TRUE(added.ok()) << index.name << ": " << added.message();
      }
      // Rows after the index was made go into it too.
      ASSERT_TRUE(s.insert("Late", RowOf(kRows, ace)).ok());
    }
    ExpectCheckClean(file, 2 * kRows * indexes.size());
    ExpectOraclesAgree(file, true, "", !ace);  // mdbtools does not know the BigInt type
    // Both tables end with the same definition, listed the same way.
    auto db = jet::Database::Open(file.string(), {});
    ASSERT_TRUE(db.ok());
    auto early = (*db)->tableDef("Early");
    auto late = (*db)->tableDef("Late");
    ASSERT_TRUE(early.ok() && late.ok());
    ASSERT_EQ((*late)->logicalIndexes.size(), indexes.size());
    ASSERT_EQ((*late)->realIndexes.size(), (*early)->realIndexes.size());
    for (size_t i = 0; i < indexes.size(); ++i) EXPECT_EQ((*late)->logicalIndexes[i].name, (*early)->logicalIndexes[i].name);
    for (size_t i = 0; i < (*late)->realIndexes.size(); ++i) {
      EXPECT_EQ((*late)->realIndexes[i].flags, (*early)->realIndexes[i].flags);
      // Distinct keys counted alike whether the index came first or last (Late has one row more).
      EXPECT_GE((*late)->realIndexes[i].uniqueEntryCount, (*early)->realIndexes[i].uniqueEntryCount) << i;
      EXPECT_LE((*late)->realIndexes[i].uniqueEntryCount, (*early)->realIndexes[i].uniqueEntryCount + 1) << i;
      EXPECT_GE((*early)->realIndexes[i].uniqueEntryCount, 2u) << i;  // Yes/No: 2
    }
    ExpectWellFormedDefinition(**db, **early);
    ExpectWellFormedDefinition(**db, **late);
  }
}

// A statement an index refuses changes nothing: a duplicate in a primary key or unique
// index, a Null in a required one, a unique index over rows that repeat a value.
TEST(Keys, RefusedStatementsLeaveTheFileByteIdentical) {
  for (const char* extension : {".mdb", ".accdb"}) {
    SCOPED_TRACE(extension);
    const auto file = NewDatabase(extension);
    {
      auto session = jet::WriteSession::Open(file.string());
      ASSERT_TRUE(session.ok());
      ASSERT_TRUE(Sql(**session, "CREATE TABLE [People] ([Id] LONG PRIMARY KEY, [Mail] TEXT(60) UNIQUE, [City] TEXT(30))").ok());
      for (int k = 0; k < 50; ++k) {
        const std::string row = "INSERT INTO [People] VALUES (" + std::to_string(k) + ", 'p" + std::to_string(k) +
                                "@x.org', '" + (k % 10 == 9 ? "Oslo" : "City" + std::to_string(k)) + "')";
        ASSERT_TRUE(Sql(**session, row).ok()) << row;
      }
    }
    const std::string before = ReadFileBytes(file);
    auto session = jet::WriteSession::Open(file.string());
    ASSERT_TRUE(session.ok());
    jet::Status dupKey = Sql(**session, "INSERT INTO [People] VALUES (7, 'new@x.org', 'Rome')");
    EXPECT_EQ(dupKey.code(), jet::ErrorCode::kExists);
    for (const char* part : {"People", "PrimaryKey", "Id = 7"}) {
      EXPECT_NE(dupKey.message().find(part), std::string::npos) << dupKey.message();
    }
    jet::Status dupMail = Sql(**session, "INSERT INTO [People] VALUES (70, 'P7@X.ORG', 'Rome')");
    EXPECT_EQ(dupMail.code(), jet::ErrorCode::kExists) << dupMail.message();  // text keys ignore case
    jet::Status nullKey = Sql(**session, "INSERT INTO [People] VALUES (NULL, 'n@x.org', 'Rome')");
    EXPECT_EQ(nullKey.code(), jet::ErrorCode::kInvalidArgument) << nullKey.message();
    jet::Status unique = Sql(**session, "CREATE UNIQUE INDEX [OneCity] ON [People] ([City])");
    EXPECT_EQ(unique.code(), jet::ErrorCode::kExists);
    for (const char* part : {"People", "OneCity", "City = 'Oslo'"}) {
      EXPECT_NE(unique.message().find(part), std::string::npos) << unique.message();
    }
    jet::Status required = Sql(**session, "CREATE INDEX [NoBlank] ON [People] ([City], [Mail]) WITH DISALLOW NULL");
    EXPECT_TRUE(required.ok()) << required.message();  // no Null in these columns: fine
    session->reset();
    const std::string afterIndex = ReadFileBytes(file);
    EXPECT_NE(afterIndex, before);
    ExpectCheckClean(file, 150);
    // Only the refusals: the file as it was.
    auto again = jet::WriteSession::Open(file.string());
    ASSERT_TRUE(again.ok());
    EXPECT_FALSE(Sql(**again, "CREATE UNIQUE INDEX [OneCity] ON [People] ([City])").ok());
    EXPECT_FALSE(Sql(**again, "CREATE INDEX [PrimaryKey] ON [People] ([City])").ok());  // name taken
    EXPECT_FALSE(Sql(**again, "CREATE INDEX [Second] ON [People] ([City]) WITH PRIMARY").ok());  // one primary key
    EXPECT_FALSE(Sql(**again, "INSERT INTO [People] VALUES (7, 'new@x.org', 'Rome')").ok());
    again->reset();
    EXPECT_EQ(ReadFileBytes(file), afterIndex);
  }
}

// A new table's definition with indexes equals Access's own for the same table, apart
// from page numbers, counts of rows and keys, and bytes Access leaves uninitialised. The
// indexes are given in the order Access numbered them (the order they were made).
void ExpectDefinitionLikeAccess(const std::string& relative, const jet::TableDef& access, const jet::DatabaseHeader& header) {
  SCOPED_TRACE(relative + ", table " + access.name);
  auto columns = jet::ColumnsOf(access, relative);
  ASSERT_TRUE(columns.ok());
  std::vector<jet::LogicalIndexDef> byNumber = access.logicalIndexes;
  std::sort(byNumber.begin(), byNumber.end(), [](const auto& a, const auto& b) { return a.number < b.number; });
  std::vector<jet::NewIndex> indexes;
  for (const auto& logical : byNumber) {
    const jet::RealIndexDef& real = access.realIndexes[logical.realIndex];
    jet::NewIndex index;
    index.name = logical.name;
    for (const auto& ic : real.columns) {
      for (const auto& c : access.columns) {
        if (c.number == ic.columnNumber) index.columns.push_back({c.name, ic.ascending});
      }
    }
    index.primaryKey = logical.indexType == jet::kLogicalIndexPrimaryKey;
    index.unique = real.flags & jet::real_index_flags::kUnique;
    index.required = real.flags & jet::real_index_flags::kRequired;
    index.ignoreNulls = real.flags & jet::real_index_flags::kIgnoreNulls;
    indexes.push_back(index);
  }
  auto planned = jet::PlanIndexes(*columns, indexes, relative);
  ASSERT_TRUE(planned.ok()) << planned.status().message();
  ASSERT_EQ(planned->reals.size(), access.realIndexes.size());
  for (size_t i = 0; i < planned->reals.size(); ++i) {
    planned->reals[i].usageMap = access.realIndexes[i].usageMap;
    planned->reals[i].rootPage = access.realIndexes[i].rootPage;
  }
  std::vector<uint8_t> ours =
      jet::BuildTableDef(header, *columns, access.ownedPages, access.freeSpacePages, {}, *planned);
  const uint32_t length = jet::LoadU32(&access.raw[8]);
  std::vector<uint8_t> theirs(access.raw.begin(), access.raw.begin() + length);
  ASSERT_EQ(ours.size(), theirs.size());
  // Free space, row count; bytes 28-39 of the header, 17-20 of each column block and
  // 42-45 of each real index block, which Access leaves as it found them in memory.
  std::vector<std::pair<size_t, size_t>> ignored = {{2, 2}, {16, 4}, {28, 12}};
  for (size_t r = 0; r < access.realIndexes.size(); ++r) ignored.push_back({63 + 12 * r, 8});  // row and key counts
  const size_t columnsAt = 63 + 12 * access.realIndexes.size();
  for (size_t c = 0; c < access.columns.size(); ++c) {
    ignored.push_back({columnsAt + 25 * c + 17, 4});
    if (!access.columns[c].fixed()) ignored.push_back({columnsAt + 25 * c + 21, 2});  // no fixed offset
  }
  size_t realsAt = columnsAt + 25 * access.columns.size();
  for (const auto& c : access.columns) realsAt += 2 + 2 * jet::Utf8ToUtf16(c.name).size();
  for (size_t r = 0; r < access.realIndexes.size(); ++r) {
    ignored.push_back({realsAt + 52 * r + 42, 4});
    for (size_t k = access.realIndexes[r].columns.size(); k < 10; ++k) ignored.push_back({realsAt + 52 * r + 4 + 3 * k + 2, 1});
  }
  for (auto [at, n] : ignored) {
    for (size_t k = 0; k < n; ++k) ours[at + k] = theirs[at + k] = 0;
  }
  std::string differ;
  for (size_t at = 0; at < ours.size(); ++at) {
    if (ours[at] != theirs[at]) differ += " " + std::to_string(at) + ":" + std::to_string(ours[at]) + "/" + std::to_string(theirs[at]);
  }
  EXPECT_EQ(differ, "") << "(offset:ours/Access)";
}

TEST(Keys, NewTableDefMatchesAccessByteForByte) {
  size_t compared = 0;
  for (const char* relative : {"jackcess/V2000/testIndexPropertiesV2000.mdb", "jackcess/V2007/testIndexPropertiesV2007.accdb"}) {
    auto db = jet::Database::Open(CorpusPath(relative).string(), {});
    ASSERT_TRUE(db.ok());
    for (const auto* entry : (*db)->catalog().userTables()) {
      // The "_temp" tables were copied by the Java library, not made by Access.
      if (entry->name.find("_temp") != std::string::npos) continue;
      auto def = (*db)->tableDef(entry->name);
      ASSERT_TRUE(def.ok());
      // Logical index numbers with a gap: an index was deleted, which no new table shows.
      uint32_t highest = 0;
      for (const auto& l : (*def)->logicalIndexes) highest = std::max(highest, l.number);
      if (highest + 1 != (*def)->logicalIndexes.size()) continue;
      ExpectDefinitionLikeAccess(relative, **def, (*db)->header());
      ++compared;
    }
  }
  EXPECT_GE(compared, 3u);  // ignore-nulls and primary-key indexes, one and two columns, Jet4 and ACE
}

// CREATE INDEX on Access-made tables with rows, one of them with a two-page definition.
TEST(Keys, CreateIndexOnAccessMadeTables) {
  const auto file = CopyOfCorpusFile("mdb-reader/V2000/test.mdb");
  size_t pagesBefore = 0;
  uint32_t lengthBefore = 0;
  {
    auto session = jet::WriteSession::Open(file.string());
    ASSERT_TRUE(session.ok());
    jet::WriteSession& s = **session;
    std::string wide;  // the table whose definition spans two pages
    for (const auto* e : s.database().catalog().userTables()) {
      auto def = s.database().tableDef(e->name);
      if (def.ok() && (*def)->pages.size() > 1) wide = e->name;
    }
    ASSERT_FALSE(wide.empty());
    pagesBefore = (*s.database().tableDef(wide))->pages.size();
    lengthBefore = jet::LoadU32(&(*s.database().tableDef(wide))->raw[8]);
    EXPECT_EQ(s.createIndex(wide, Index("x", {{"nope"}})).code(), jet::ErrorCode::kNotFound);
    for (int k = 0; k < 12; ++k) {
      jet::Status added = s.createIndex(wide, Index("extra" + std::to_string(k), {{"column" + std::to_string(20 + k)}, {"column1", false}}));
      ASSERT_TRUE(added.ok()) << added.message();
    }
    // Access allows 32 indexes: the 33rd is refused.
    for (int k = 12; k < 27; ++k) ASSERT_TRUE(s.createIndex(wide, Index("more" + std::to_string(k), {{"column" + std::to_string(20 + k)}})).ok());
    jet::Status tooMany = s.createIndex(wide, Index("tooMany", {{"column60"}}));
    EXPECT_EQ(tooMany.code(), jet::ErrorCode::kInvalidArgument) << tooMany.message();
  }
  ExpectCheckClean(file, 0);
  ExpectOraclesAgree(file);
  auto db = jet::Database::Open(file.string(), {});
  ASSERT_TRUE(db.ok());
  size_t full = 0;
  for (const auto* e : (*db)->catalog().userTables()) {
    auto def = (*db)->tableDef(e->name);
    ASSERT_TRUE(def.ok());
    ExpectWellFormedDefinition(**db, **def);
    if ((*def)->logicalIndexes.size() == 32) {
      EXPECT_GE((*def)->pages.size(), pagesBefore);
      EXPECT_GT(jet::LoadU32(&(*def)->raw[8]), lengthBefore + 27 * 100);
      ++full;
    }
  }
  EXPECT_EQ(full, 1u);
}

// Deleting rows takes their entries out of every index, whatever the key types.
TEST(Keys, DeletedRowsLeaveEveryIndex) {
  const auto file = NewDatabase(".accdb");
  const auto columns = EveryKeyType(true);
  std::vector<jet::NewIndex> indexes;
  for (size_t c = 0; c < columns.size(); ++c) indexes.push_back(Index("by" + columns[c].name, {{columns[c].name, c % 2 == 0}}));
  {
    auto session = jet::WriteSession::Open(file.string());
    ASSERT_TRUE(session.ok());
    jet::WriteSession& s = **session;
    ASSERT_TRUE(s.createTable("T", columns, indexes).ok());
    for (int k = 0; k < 120; ++k) ASSERT_TRUE(s.insert("T", RowOf(k, true)).ok());
    jet::Status st = s.run(
        [&]() -> jet::Status {
          auto def = s.database().tableDef("T");
          if (!def.ok()) return def.status();
          auto cursor = s.database().scan(*def);
          if (!cursor.ok()) return cursor.status();
          std::vector<std::pair<jet::RowPointer, std::vector<Value>>> doomed;
          for (int k = 0; *cursor->next(); ++k) {
            if (k % 3) continue;
            std::vector<Value> values;
            for (size_t c = 0; c < (*def)->columns.size(); ++c) values.push_back(*cursor->value(c));
            doomed.emplace_back(cursor->position(), std::move(values));
          }
          for (const auto& [row, values] : doomed) JET_RETURN_IF_ERROR(jet::DeleteRow(s.writer(), **def, row, values, {}));
          return jet::Status::Ok();
        },
        true);
    ASSERT_TRUE(st.ok()) << st.message();
  }
  ExpectCheckClean(file, 80 * indexes.size());
  ExpectOraclesAgree(file, true, "", false);
}

// CREATE INDEX on an Access-made .accdb table (an AutoNumber key and a Currency column).
TEST(Keys, CreateIndexOnAccessMadeAccdb) {
  const auto file = CopyOfCorpusFile("mdb-reader/V2016/currency.accdb");
  {
    auto session = jet::WriteSession::Open(file.string());
    ASSERT_TRUE(session.ok());
    const auto* table = (*session)->database().catalog().userTables().front();
    jet::Status st = (*session)->createIndex(table->name, Index("byMoney", {{"Money", false}, {"ID"}}, true));
    ASSERT_TRUE(st.ok()) << st.message();
  }
  ExpectCheckClean(file, 2);
  ExpectOraclesAgree(file);
}

// A definition that fits one page grows onto a second (and third) as indexes come.
TEST(Keys, DefinitionGrowsOntoMorePages) {
  const auto file = NewDatabase(".mdb");
  std::vector<jet::NewColumn> columns;
  for (int c = 0; c < 55; ++c) columns.push_back({"Column name " + std::to_string(100 + c), ColumnType::kLong});
  {
    auto session = jet::WriteSession::Open(file.string());
    ASSERT_TRUE(session.ok());
    jet::WriteSession& s = **session;
    ASSERT_TRUE(s.createTable("Wide", columns).ok());
    ASSERT_EQ((*s.database().tableDef("Wide"))->pages.size(), 1u);
    std::vector<Value> row(columns.size());
    for (int k = 0; k < 40; ++k) {
      for (size_t c = 0; c < row.size(); ++c) row[c] = int32_t{static_cast<int32_t>((k * 37 + c) % 101)};
      ASSERT_TRUE(s.insert("Wide", row).ok());
    }
    for (int i = 0; i < 30; ++i) {
      const std::string name = "An index with a rather long name too " + std::to_string(i);
      jet::Status st = s.createIndex("Wide", Index(name, {{columns[i].name}, {columns[i + 20].name, false}}));
      ASSERT_TRUE(st.ok()) << st.message();
    }
  }
  ExpectCheckClean(file, 40 * 30);
  ExpectOraclesAgree(file);
  auto db = jet::Database::Open(file.string(), {});
  ASSERT_TRUE(db.ok());
  auto def = (*db)->tableDef("Wide");
  ASSERT_TRUE(def.ok());
  EXPECT_EQ((*def)->pages.size(), 3u);
  ExpectWellFormedDefinition(**db, **def);
}

// The relationship's two logical indexes, laid out as in Access's own related tables: the
// referencing side gets a foreign-key index (and a real index on its column), the
// referenced side one that shares its primary key's real index; each names the other.
TEST(Keys, RelationshipIndexesPointAtEachOther) {
  for (const char* extension : {".mdb", ".accdb"}) {
    SCOPED_TRACE(extension);
    const auto file = NewDatabase(extension);
    uint32_t parentPage = 0, childPage = 0;
    {
      auto session = jet::WriteSession::Open(file.string());
      ASSERT_TRUE(session.ok());
      jet::WriteSession& s = **session;
      ASSERT_TRUE(Sql(s, "CREATE TABLE [Parent] ([Id] LONG PRIMARY KEY, [Name] TEXT(20))").ok());
      ASSERT_TRUE(Sql(s, "CREATE TABLE [Child] ([Id] LONG PRIMARY KEY, [ParentId] LONG)").ok());
      for (int k = 0; k < 20; ++k) {
        ASSERT_TRUE(Sql(s, "INSERT INTO [Parent] VALUES (" + std::to_string(k) + ", 'p')").ok());
        ASSERT_TRUE(Sql(s, "INSERT INTO [Child] VALUES (" + std::to_string(k) + ", " + std::to_string(k / 2) + ")").ok());
      }
      parentPage = s.database().catalog().findTable("Parent")->tableDefPage();
      childPage = s.database().catalog().findTable("Child")->tableDefPage();
      jet::RelationshipIndexes rel{"Child", "ParentChild", {"ParentId"}, "Parent", {"Id"}, "", false, true};
      jet::RelationshipIndexNumbers numbers;
      jet::Status st = s.run(
          [&]() -> jet::Status {
            auto made = jet::AddRelationshipIndexes(s.database(), s.writer(), rel);
            if (made.ok()) numbers = *made;
            return made.status();
          },
          true);
      ASSERT_TRUE(st.ok()) << st.message();
      EXPECT_EQ(numbers.referencing, 1u);
      EXPECT_EQ(numbers.referenced, 1u);
      // Rows added afterwards reach the new real index of the referencing side.
      ASSERT_TRUE(Sql(s, "INSERT INTO [Child] VALUES (100, 3)").ok());
      // A relationship over columns that do not exist changes nothing.
      jet::RelationshipIndexes wrong{"Child", "Bad", {"Nope"}, "Parent", {"Id"}, "", false, false};
      EXPECT_EQ(s.run([&] { return jet::AddRelationshipIndexes(s.database(), s.writer(), wrong).status(); }, true).code(),
                jet::ErrorCode::kNotFound);
    }
    ExpectCheckClean(file, 80);
    ExpectOraclesAgree(file);
    auto db = jet::Database::Open(file.string(), {});
    ASSERT_TRUE(db.ok());
    auto child = (*db)->tableDef("Child");
    auto parent = (*db)->tableDef("Parent");
    ASSERT_TRUE(child.ok() && parent.ok());
    ASSERT_EQ((*child)->logicalIndexes.size(), 2u);
    ASSERT_EQ((*parent)->logicalIndexes.size(), 2u);
    // Listed by name: ".rB" before "PrimaryKey"; "ParentChild" before "PrimaryKey".
    const jet::LogicalIndexDef& fk = (*child)->logicalIndexes[0];
    EXPECT_EQ(fk.name, "ParentChild");
    EXPECT_EQ(fk.indexType, jet::kLogicalIndexForeignKey);
    EXPECT_EQ(fk.relatedTableType, jet::kForeignKeyOnReferencingTable);
    EXPECT_EQ(fk.relatedTable, parentPage);
    EXPECT_EQ(fk.relatedIndex, 1u);
    EXPECT_FALSE(fk.cascadeUpdates);
    EXPECT_TRUE(fk.cascadeDeletes);
    EXPECT_EQ((*child)->realIndexes.size(), 2u);
    EXPECT_EQ((*child)->realIndexes[fk.realIndex].flags, jet::real_index_flags::kAlways);
    const jet::LogicalIndexDef& one = (*parent)->logicalIndexes[0];
    EXPECT_EQ(one.name, ".rB");
    EXPECT_EQ(one.relatedTableType, jet::kForeignKeyOnReferencedTable);
    EXPECT_EQ(one.relatedTable, childPage);
    EXPECT_EQ(one.relatedIndex, fk.number);
    EXPECT_EQ((*parent)->realIndexes.size(), 1u);  // shares the primary key's
    EXPECT_EQ(one.realIndex, (*parent)->logicalIndexes[1].realIndex);
    // The foreign-key bytes as Access writes them (cf. Table2Table1 of indexTestV2000.mdb).
    const jet::JetFormat& f = (*db)->file().format();
    std::vector<uint8_t> block;
    jet::AppendLogicalIndexBlock(block, fk, f);
    EXPECT_EQ(block[f.logicalIndex.relatedTableType], 2);
    EXPECT_EQ(block[f.logicalIndex.cascadeUpdates], 0);
    EXPECT_EQ(block[f.logicalIndex.cascadeDeletes], 1);
    EXPECT_EQ(block[f.logicalIndex.indexType], 2);
  }
}

}  // namespace
}  // namespace jetwrite_test
