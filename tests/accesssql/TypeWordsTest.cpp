#include "ado/access/TypeWords.h"

#include <gtest/gtest.h>

#include <vector>

namespace ado::access {
namespace {

using jet::ColumnType;

AccessColumnType Resolved(std::string_view word, std::vector<int64_t> sizes = {}) {
  auto result = ResolveTypeWord(word, sizes);
  EXPECT_TRUE(result.ok()) << word << ": " << result.status().message();
  return result.ok() ? result.value() : AccessColumnType{};
}

TEST(TypeWordsTest, WordsMakeTheColumnsJetMakes) {
  struct Case {
    const char* word;
    AccessColumnType type;
  };
  const std::vector<Case> cases{
      {"TEXT", {ColumnType::kMemo}},           {"MEMO", {ColumnType::kMemo}},
      {"LONGTEXT", {ColumnType::kMemo}},       {"VARCHAR", {ColumnType::kText, 255}},
      {"CHAR", {ColumnType::kText, 255}},      {"INT", {ColumnType::kLong}},
      {"INTEGER", {ColumnType::kLong}},        {"LONG", {ColumnType::kLong}},
      {"SMALLINT", {ColumnType::kInteger}},    {"BYTE", {ColumnType::kByte}},
      {"FLOAT", {ColumnType::kDouble}},        {"DOUBLE", {ColumnType::kDouble}},
      {"REAL", {ColumnType::kFloat}},          {"SINGLE", {ColumnType::kFloat}},
      {"CURRENCY", {ColumnType::kCurrency}},   {"MONEY", {ColumnType::kCurrency}},
      {"BIT", {ColumnType::kBoolean}},         {"YESNO", {ColumnType::kBoolean}},
      {"DATETIME", {ColumnType::kDateTime}},   {"DATE", {ColumnType::kDateTime}},
      {"GUID", {ColumnType::kGuid}},           {"DECIMAL", {ColumnType::kNumeric, 0, 18, 0}},
      {"NUMERIC", {ColumnType::kNumeric, 0, 18, 0}}, {"OLEOBJECT", {ColumnType::kOle}},
      {"LONGBINARY", {ColumnType::kOle}},      {"BINARY", {ColumnType::kBinary, 255}},
  };
  for (const Case& c : cases) EXPECT_EQ(Resolved(c.word), c.type) << c.word;
  // Any case.
  EXPECT_EQ(Resolved("datetime"), (AccessColumnType{ColumnType::kDateTime}));
  EXPECT_EQ(Resolved("VarChar"), (AccessColumnType{ColumnType::kText, 255}));
}

TEST(TypeWordsTest, Sizes) {
  EXPECT_EQ(Resolved("TEXT", {50}), (AccessColumnType{ColumnType::kText, 50}));
  EXPECT_EQ(Resolved("VARCHAR", {1}), (AccessColumnType{ColumnType::kText, 1}));
  EXPECT_EQ(Resolved("CHAR", {255}), (AccessColumnType{ColumnType::kText, 255}));
  EXPECT_EQ(Resolved("BINARY", {16}), (AccessColumnType{ColumnType::kBinary, 16}));
  EXPECT_EQ(Resolved("DECIMAL", {10, 2}), (AccessColumnType{ColumnType::kNumeric, 0, 10, 2}));
  EXPECT_EQ(Resolved("NUMERIC", {28, 28}), (AccessColumnType{ColumnType::kNumeric, 0, 28, 28}));
  EXPECT_EQ(Resolved("DECIMAL", {5}), (AccessColumnType{ColumnType::kNumeric, 0, 5, 0}));

  const std::vector<std::pair<const char*, std::vector<int64_t>>> refused{
      {"TEXT", {0}},    {"TEXT", {256}},        {"VARCHAR", {1000000}}, {"TEXT", {10, 2}},
      {"INT", {4}},     {"MEMO", {10}},         {"DECIMAL", {0}},       {"DECIMAL", {29}},
      {"DECIMAL", {5, 6}}, {"DECIMAL", {5, 2, 1}}, {"DATETIME", {3}}};
  for (const auto& [word, sizes] : refused) {
    auto result = ResolveTypeWord(word, sizes);
    ASSERT_FALSE(result.ok()) << word;
    EXPECT_NE(result.status().message().find(word), std::string::npos) << result.status().message();
  }
}

TEST(TypeWordsTest, UnknownAndUnsupportedWords) {
  EXPECT_EQ(ResolveTypeWord("TIMESTAMP", {}).status().code(), jet::ErrorCode::kInvalidArgument);
  EXPECT_EQ(ResolveTypeWord("BLOB", {}).status().code(), jet::ErrorCode::kInvalidArgument);
}

TEST(TypeWordsTest, CounterIsALongIntegerAutoNumberWithoutSeed) {
  for (const char* word : {"COUNTER", "autoincrement"}) {
    auto type = ResolveTypeWord(word, {});
    ASSERT_TRUE(type.ok()) << word;
    EXPECT_EQ(type->type, ColumnType::kLong);
    EXPECT_TRUE(type->autoIncrement);
    EXPECT_EQ(DescribeColumnType(*type), "AutoNumber");
    const int64_t seed[] = {100, 5};
    EXPECT_EQ(ResolveTypeWord(word, seed).status().code(), jet::ErrorCode::kInvalidArgument);
  }
  EXPECT_FALSE(ResolveTypeWord("LONG", {})->autoIncrement);
}

TEST(TypeWordsTest, Descriptions) {
  EXPECT_EQ(DescribeColumnType({ColumnType::kText, 50}), "Text(50)");
  EXPECT_EQ(DescribeColumnType({ColumnType::kNumeric, 0, 18, 2}), "Decimal(18,2)");
  EXPECT_EQ(DescribeColumnType({ColumnType::kLong}), "Long Integer");
  EXPECT_EQ(DescribeColumnType({ColumnType::kComplex}), "type 0x12");
}

}  // namespace
}  // namespace ado::access
