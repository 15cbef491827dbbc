// Table-level index upkeep: null handling per index flags, refusals that change nothing,
// and the column kinds that cannot be keyed.
#include <gtest/gtest.h>

#include "jet/index/KeyValueFromValue.h"
#include "jet/index/TableIndexes.h"

namespace jet::index {
namespace {

struct Fixture {
  Fixture() : store(kJet4IndexPageLayout.pageSize, 20) {
    for (uint32_t root : {10u, 11u, 12u}) EXPECT_TRUE(IndexTree::CreateEmpty(store, kJet4IndexPageLayout, root, 5).ok());
    const KeyColumn text{KeyColumnType::kText, true, TextSortOrder::kGeneral};
    specs = {
        IndexSpec{"PrimaryKey", {{0, "Code", KeyColumn{KeyColumnType::kLong}}}, 10, kIndexUnique | kIndexRequired, true},
        IndexSpec{"Email", {{1, "Email", text}}, 11, kIndexUnique | kIndexIgnoreNulls, false},
        IndexSpec{"CityActive", {{2, "City", text}, {3, "Active", KeyColumn{KeyColumnType::kYesNo}}}, 12, 0, false},
    };
  }
  std::vector<std::vector<uint8_t>> pages() {
    std::vector<std::vector<uint8_t>> all;
    for (uint32_t p = 0; p < 40; ++p) {
      std::vector<uint8_t> b(store.pageSize());
      if (store.readPage(p, b).ok()) all.push_back(b);
    }
    return all;
  }
  MemoryPageStore store;
  std::vector<IndexSpec> specs;
};

std::vector<KeyValue> Row(int64_t code, KeyValue email, KeyValue city, bool active) {
  return {code, std::move(email), std::move(city), active};
}

TEST(TableIndexes, NullsFollowTheIndexFlags) {
  Fixture fx;
  TableIndexes t(fx.store, kJet4IndexPageLayout, 5, "Customers", fx.specs);
  // Email ignores nulls: two rows without one are fine and leave no Email entry.
  ASSERT_TRUE(t.addRow(Row(1, KeyValue{}, std::u16string(u"Oslo"), true), {100, 0}).ok());
  Result<std::vector<bool>> second = t.addRow(Row(2, KeyValue{}, std::u16string(u"Oslo"), true), {100, 1});
  ASSERT_TRUE(second.ok());
  EXPECT_EQ(*second, (std::vector<bool>{true, false, false}));  // City+Active key repeats
  Result<std::vector<IndexTreeReport>> reports = t.check();
  ASSERT_TRUE(reports.ok());
  EXPECT_EQ((*reports)[0].entryCount, 2u);
  EXPECT_EQ((*reports)[1].entryCount, 0u);
  EXPECT_EQ((*reports)[2].entryCount, 2u);

  // The primary key may not be empty; nothing changes.
  const auto before = fx.pages();
  std::vector<KeyValue> nullKey = Row(3, std::u16string(u"x@y"), KeyValue{}, false);
  nullKey[0] = KeyValue{};
  Result<std::vector<bool>> refused = t.addRow(nullKey, {101, 1});
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.status().message().find("Code"), std::string::npos);
  EXPECT_EQ(fx.pages(), before);

  // A duplicate e-mail differing only in case is refused before any index changes.
  ASSERT_TRUE(t.addRow(Row(4, std::u16string(u"Ann@Example.org"), KeyValue{}, false), {101, 2}).ok());
  const auto withAnn = fx.pages();
  Result<std::vector<bool>> dup = t.addRow(Row(5, std::u16string(u"ann@example.ORG"), KeyValue{}, false), {101, 3});
  ASSERT_FALSE(dup.ok());
  EXPECT_EQ(dup.status().code(), ErrorCode::kExists);
  EXPECT_NE(dup.status().message().find("Customers"), std::string::npos);
  EXPECT_EQ(fx.pages(), withAnn);  // the primary key entry was not added either
}

TEST(TableIndexes, ColumnsThatCannotBeKeyedAreRefused) {
  EXPECT_TRUE(MakeKeyColumn(0x04, {}, false, true, "Id").ok());
  EXPECT_EQ(MakeKeyColumn(0x0A, {1033, 0, 1}, false, false, "Name")->sortOrder, TextSortOrder::kGeneral);
  for (uint8_t type : {0x0B, 0x11, 0x12, 0x14, 0x0D}) {
    Result<KeyColumn> r = MakeKeyColumn(type, {1033, 0, 0}, false, true, "Blob");
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.status().code(), ErrorCode::kUnsupported);
    EXPECT_NE(r.status().message().find("Blob"), std::string::npos);
  }
  // Polish is known in Access 2000 and later files, not in Access 97 ones.
  EXPECT_TRUE(MakeKeyColumn(0x0A, {1045, 0, 0}, false, true, "Nazwa").ok());
  Result<KeyColumn> polish = MakeKeyColumn(0x0A, {1045, 0, 0}, true, true, "Nazwa");
  ASSERT_FALSE(polish.ok());
  EXPECT_NE(polish.status().message().find("1045"), std::string::npos);
  EXPECT_NE(polish.status().message().find("Nazwa"), std::string::npos);
}

TEST(TableIndexes, EngineValuesConvertToKeyValues) {
  EXPECT_EQ(std::get<int64_t>(*KeyValueFromValue(jet::Value{int16_t{-7}})), -7);
  EXPECT_EQ(std::get<int64_t>(*KeyValueFromValue(jet::Value{jet::Currency{123456}})), 123456);
  EXPECT_EQ(std::get<std::u16string>(*KeyValueFromValue(jet::Value{std::string("Caf\xC3\xA9")})), u"Caf\u00E9");
  EXPECT_TRUE(std::holds_alternative<std::monostate>(*KeyValueFromValue(jet::Value{jet::Null{}})));
  EXPECT_EQ(std::get<int64_t>(*KeyValueFromValue(jet::Value{jet::BigInt{-5}})), -5);
  EXPECT_EQ(std::get<DecimalKey>(*KeyValueFromValue(jet::Value{jet::Decimal{true, 125, 18, 2}})).magnitude, 125u);
  EXPECT_EQ(KeyValueFromValue(jet::Value{jet::Attachments{}}).status().code(), ErrorCode::kUnsupported);
}

}  // namespace
}  // namespace jet::index
