// Creating, dropping and copying tables, in our own tables and in Access-made ones.
#include <gtest/gtest.h>

#include "WriteOracles.h"
#include "jet/Bytes.h"
#include "jet/write/TableCreator.h"
#include "jet/write/UsageMapWriter.h"
#include "jet/write/WriteSession.h"

namespace jetwrite_test {
namespace {

using jet::ColumnType;

// Our definition for an Access-made table's columns equals Access's bytes, apart from
// the usage-map row pointers (page numbers) and the row count.
TEST(TableDefinition, MatchesAccessMadeDefinitionByteForByte) {
  for (const char* relative : {"mdb-reader/V2000/numeric.mdb", "mdb-reader/V2003/numeric.mdb"}) {
    auto db = jet::Database::Open(CorpusPath(relative).string(), {});
    ASSERT_TRUE(db.ok());
    auto def = (*db)->tableDef("test");  // a Memo and six Decimal columns of various sizes
    ASSERT_TRUE(def.ok());
    auto columns = jet::ColumnsOf(**def, relative);
    ASSERT_TRUE(columns.ok());
    std::vector<std::pair<jet::RowPointer, jet::RowPointer>> longMaps;
    for (const auto& c : (*def)->columns) {
      if (jet::IsLongValueType(c.type())) longMaps.emplace_back(c.ownedPages, c.freePages);
    }
    std::vector<uint8_t> ours = jet::BuildTableDefinition((*db)->header(), *columns, (*def)->ownedPages,
                                                          (*def)->freeSpacePages, longMaps);
    const uint32_t length = jet::LoadU32(&(*def)->raw[8]);
    std::vector<uint8_t> access((*def)->raw.begin(), (*def)->raw.begin() + length);
    // Free space and row count are not part of the definition.
    for (size_t at : {size_t{2}, size_t{3}, size_t{16}, size_t{17}, size_t{18}, size_t{19}}) access[at] = ours[at] = 0;
    EXPECT_EQ(ours, access) << relative;
  }
}

TEST(DropTable, AccessMadeAndOwnTablesGoWithEverythingTheyOwn) {
  const auto file = CopyOfCorpusFile("jackcess/V2000/testIndexPropertiesV2000.mdb");
  std::vector<std::string> names;
  uint32_t freedPage = 0;
  {
    auto session = jet::WriteSession::Open(file.string());
    ASSERT_TRUE(session.ok());
    jet::WriteSession& s = **session;
    for (const auto* e : s.database().catalog().userTables()) names.push_back(e->name);
    ASSERT_GE(names.size(), 2u);
    freedPage = s.database().catalog().findTable(names[0])->tableDefPage();
    jet::Status dropped = s.dropTable(names[0]);
    ASSERT_TRUE(dropped.ok()) << dropped.message();
    EXPECT_EQ(s.dropTable(names[0]).code(), jet::ErrorCode::kNotFound);
    EXPECT_EQ(s.dropTable("MSysObjects").code(), jet::ErrorCode::kInvalidArgument);
    ASSERT_TRUE(s.createTable("Fresh", {{"A", ColumnType::kMemo}, {"B", ColumnType::kLong}}).ok());
    ASSERT_TRUE(s.insert("Fresh", {std::string(10000, 'q'), int32_t{1}}).ok());
    ASSERT_TRUE(s.dropTable("FRESH").ok());
    EXPECT_FALSE(s.database().catalog().findTable("Fresh"));
  }
  ExpectOraclesAgree(file);
  auto db = jet::Database::Open(file.string(), {});
  ASSERT_TRUE(db.ok());
  EXPECT_FALSE((*db)->catalog().findTable(names[0]));
  EXPECT_TRUE((*db)->catalog().findTable(names[1]));
  // The dropped definition page is free again in the global map.
  jet::PageWriter writer((*db)->file());
  auto global = jet::UsageMapWriter::Load(writer, jet::RowPointer{1, 0}, "global");
  ASSERT_TRUE(global.ok());
  EXPECT_TRUE(*global->contains(freedPage));
}

TEST(DropTable, TablesInARelationshipAreRefused) {
  const auto file = CopyOfCorpusFile("jackcess/V2000/indexTestV2000.mdb");
  const std::string before = ReadFileBytes(file);
  auto session = jet::WriteSession::Open(file.string());
  ASSERT_TRUE(session.ok());
  for (const char* table : {"Table1", "Table2", "Table3"}) {
    jet::Status s = (*session)->dropTable(table);
    EXPECT_EQ(s.code(), jet::ErrorCode::kInvalidArgument) << table;
    EXPECT_NE(s.message().find("relationship"), std::string::npos) << s.message();
  }
  EXPECT_EQ(ReadFileBytes(file), before);
}

TEST(CopyTable, CopyHasTheSourceColumnsAndRows) {
  for (const char* relative : {"jackcess/V2000/test2V2000.mdb", "mdb-reader/V2003/test.mdb",
                               "mdb-reader/real/ASampleDatabase.accdb"}) {
    const auto file = CopyOfCorpusFile(relative);
    std::string source;
    {
      auto session = jet::WriteSession::Open(file.string());
      ASSERT_TRUE(session.ok());
      source = (*session)->database().catalog().userTables().front()->name;
      jet::Status s = (*session)->copyTable(source, "Copy of " + source);
      ASSERT_TRUE(s.ok()) << s.message();
    }
    ExpectOraclesAgree(file);
    auto db = jet::Database::Open(file.string(), {});
    auto a = (*db)->scan(source);
    auto b = (*db)->scan("Copy of " + source);
    ASSERT_TRUE(a.ok() && b.ok());
    const auto order = a->def().columnsByNumber();
    size_t rows = 0;
    while (*a->next()) {
      ASSERT_TRUE(*b->next());
      for (size_t k = 0; k < order.size(); ++k) {
        auto x = a->value(static_cast<size_t>(order[k] - a->def().columns.data()));
        auto y = b->value(k);
        ASSERT_TRUE(x.ok() && y.ok());
        EXPECT_EQ(*x, *y) << relative << " column " << order[k]->name;
      }
      ++rows;
    }
    EXPECT_FALSE(*b->next());
    EXPECT_GT(rows, 0u) << relative;
  }
}

}  // namespace
}  // namespace jetwrite_test
