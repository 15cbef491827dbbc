// Calculated columns (Access 2010 and later), built byte for byte as Access stores them: the result
// type comes from the column's "ResultType" property; every value is wrapped (16 bytes, int32 data
// length, data, 3 bytes of padding); Yes/No results are a data byte; decimal results are OLE VARIANT
// decimals. No corpus file has such a column, so these rows are made here.
#include <gtest/gtest.h>

#include <cstdio>

#include "CorpusFiles.h"
#include "GoldenDump.h"
#include "jet/Database.h"
#include "jet/LongValue.h"
#include "jet/Properties.h"
#include "jet/RowCodec.h"
#include "jet/ValueCodec.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Wrap(const Bytes& data) {
  Bytes out(16, 0);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(data.size() >> (8 * i)));
  out.insert(out.end(), data.begin(), data.end());
  out.insert(out.end(), 3, 0);
  return out;
}

Bytes Utf16(const std::string& ascii) {
  Bytes out;
  for (char c : ascii) {
    out.push_back(static_cast<uint8_t>(c));
    out.push_back(0);
  }
  return out;
}

void PutU16(Bytes& b, size_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void PutU32(Bytes& b, size_t v) {
  PutU16(b, v & 0xFFFF);
  PutU16(b, v >> 16);
}

class CalculatedColumn : public ::testing::Test {
 protected:
  void SetUp() override {
    auto db = jet::Database::Open((jettest::CorpusDir() / "mdb-reader/V2010/test.accdb").string(), {});
    ASSERT_TRUE(db.ok()) << db.status().message();
    db_ = std::move(db.value());
  }

  jet::ColumnDef Column(jet::ColumnType result) const {
    jet::ColumnDef c;
    c.name = "Calc";
    c.typeCode = static_cast<uint8_t>(jet::ColumnType::kInteger);  // the definition's own code is not used
    c.extFlags = jet::kColumnExtFlagCalculated;
    c.resultTypeCode = static_cast<uint8_t>(result);
    c.length = 39;
    return c;
  }

  jet::Value Decode(jet::ColumnType result, const Bytes& stored, bool present = true) {
    jet::FieldSlice f;
    f.present = present;
    f.bytes = stored;
    auto v = jet::DecodeValue(db_->file(), Column(result), f, "test row");
    EXPECT_TRUE(v.ok()) << v.status().message();
    return v.ok() ? v.value() : jet::Value(jet::Null{});
  }

  static std::string Json(const jet::Value& v) {
    std::string s;
    jettool::AppendValueJson(s, v);
    return s;
  }

  std::unique_ptr<jet::Database> db_;
};

TEST_F(CalculatedColumn, ValuesDecodeByTheirResultType) {
  using T = jet::ColumnType;
  EXPECT_EQ(Decode(T::kLong, Wrap({0x39, 0x30, 0, 0})), jet::Value(int32_t{12345}));
  EXPECT_EQ(Decode(T::kInteger, Wrap({0xFE, 0xFF})), jet::Value(int16_t{-2}));
  EXPECT_EQ(Decode(T::kDouble, Wrap({0, 0, 0, 0, 0, 0, 0xF8, 0x3F})), jet::Value(1.5));
  EXPECT_EQ(Decode(T::kCurrency, Wrap({0xB8, 0x88, 0, 0, 0, 0, 0, 0})), jet::Value(jet::Currency{35000}));
  EXPECT_EQ(Json(Decode(T::kDateTime, Wrap({0, 0, 0, 0, 0, 0xD0, 0xE5, 0x40}))), "\"2022-04-21T00:00:00\"");
  EXPECT_EQ(Decode(T::kText, Wrap({0xFF, 0xFE, 'a', 'b', 'c'})), jet::Value(std::string("abc")));
  EXPECT_EQ(Decode(T::kText, Wrap(Utf16("Rich"))), jet::Value(std::string("Rich")));
  // Empty data: Null for numbers, an empty text for text.
  EXPECT_TRUE(jet::IsNull(Decode(T::kLong, Wrap({}))));
  EXPECT_TRUE(jet::IsNull(Decode(T::kDouble, Wrap({}))));
  EXPECT_EQ(Decode(T::kText, Wrap({})), jet::Value(std::string()));
  EXPECT_TRUE(jet::IsNull(Decode(T::kLong, Wrap({1, 0, 0, 0}), false)));
}

TEST_F(CalculatedColumn, YesNoResultIsADataByte) {
  using T = jet::ColumnType;
  EXPECT_EQ(Decode(T::kBoolean, Wrap({0xFF})), jet::Value(true));
  EXPECT_EQ(Decode(T::kBoolean, Wrap({0x01})), jet::Value(true));
  EXPECT_EQ(Decode(T::kBoolean, Wrap({0x00})), jet::Value(false));
  EXPECT_EQ(Decode(T::kBoolean, Wrap({})), jet::Value(false));
}

TEST_F(CalculatedColumn, DecimalResultsAreVariantDecimals) {
  using T = jet::ColumnType;
  // Read from a file Access made: tag 0x000E, scale, sign, high 32 bits, low 64 bits.
  const Bytes positive = {0x0e, 0, 0x0a, 0, 0, 0, 0, 0, 0xec, 0x04, 0xb0, 0x1f, 0xe7, 0xae, 0, 0};
  EXPECT_EQ(Json(Decode(T::kNumeric, Wrap(positive))), "\"19230.7692307692\"");
  const Bytes negative = {0x0e, 0, 0x10, 0x80, 0, 0, 0, 0, 0xec, 0x04, 0xb0, 0x1f, 0xe7, 0xae, 0, 0};
  EXPECT_EQ(Json(Decode(T::kNumeric, Wrap(negative))), "\"-0.0192307692307692\"");
  const Bytes wide = {0x0e, 0, 0x12, 0, 0x58, 0xe9, 0x93, 0xb6, 0x74, 0x4d, 0xea, 0xc8, 0xf7, 0xaa, 0x52, 0x18};
  EXPECT_EQ(Json(Decode(T::kNumeric, Wrap(wide))), "\"56505085819.424791296572280180\"");
  EXPECT_TRUE(jet::IsNull(Decode(T::kNumeric, Wrap({}))));
  // Not a decimal variant: another tag, a scale beyond 28, a sign byte of neither kind, too short.
  auto placeholder = [](const jet::Value& v) { return std::holds_alternative<jet::Unsupported>(v); };
  for (const auto& [at, byte] : {std::pair{0, 0x05}, {2, 29}, {3, 0x01}}) {
    Bytes damaged = positive;
    damaged[static_cast<size_t>(at)] = static_cast<uint8_t>(byte);
    EXPECT_TRUE(placeholder(Decode(T::kNumeric, Wrap(damaged)))) << "byte " << at;
  }
  EXPECT_TRUE(placeholder(Decode(T::kNumeric, Wrap(Bytes(positive.begin(), positive.begin() + 12)))));
}

TEST_F(CalculatedColumn, MemoResultIsWrappedInsideTheLongValue) {
  const Bytes reference = jet::EncodeInlineLongValue(Wrap({0xFF, 0xFE, 'l', 'o', 'n', 'g'}));
  EXPECT_EQ(Decode(jet::ColumnType::kMemo, reference), jet::Value(std::string("long")));
}

// What failed whole tables before: a value shorter than its type, a damaged wrapper, no result type.
TEST_F(CalculatedColumn, UndecodableValuesArePlaceholdersNotErrors) {
  using T = jet::ColumnType;
  auto placeholder = [](const jet::Value& v) { return std::holds_alternative<jet::Unsupported>(v); };
  EXPECT_TRUE(placeholder(Decode(T::kInteger, Wrap({0xFF}))));
  Bytes longer = Wrap({1, 2, 3, 4});
  longer[16] = 200;  // claims more data than the value holds
  EXPECT_TRUE(placeholder(Decode(T::kLong, longer)));
  EXPECT_TRUE(placeholder(Decode(T::kLong, Bytes(10, 0))));
    EXPECT_TRUE(placeholder(Decode(T::kMemo, Bytes{1, 2, 3})));
  jet::ColumnDef unknown = Column(T::kLong);
  unknown.resultTypeCode = 0;
  const Bytes stored = Wrap({1, 0, 0, 0});
  jet::FieldSlice f{true, stored};
  auto v = jet::DecodeValue(db_->file(), unknown, f, "test row");
  ASSERT_TRUE(v.ok());
  EXPECT_TRUE(placeholder(*v));
}

// A row with a calculated Yes/No column: its wrapped byte lies in the fixed area (39 bytes
// declared), not in the null mask alone, even where the definition's type code says Yes/No.
TEST_F(CalculatedColumn, RowsKeepACalculatedYesNoInTheirData) {
  jet::TableDef def;
  def.name = "People";
  jet::ColumnDef id;
  id.name = "ID";
  id.typeCode = static_cast<uint8_t>(jet::ColumnType::kLong);
  id.flags = jet::kColumnFlagFixed;
  id.length = 4;
  jet::ColumnDef rich = Column(jet::ColumnType::kBoolean);
  rich.name = "IsRich";
  rich.typeCode = static_cast<uint8_t>(jet::ColumnType::kBoolean);
  rich.number = 1;
  rich.flags = jet::kColumnFlagFixed;
  rich.fixedOffset = 4;
  def.columns = {id, rich};
  def.maxColumns = 2;
  Bytes row = {2, 0, 7, 0, 0, 0};
  Bytes wrapped = Wrap({0xFF});
  wrapped.resize(39, 0);
  row.insert(row.end(), wrapped.begin(), wrapped.end());
  row.push_back(0x03);  // null mask: both present
  jet::RowDecoder decoder(def, db_->file().format());
  std::vector<jet::FieldSlice> fields;
  ASSERT_TRUE(decoder.split(row, fields, "row").ok());
  ASSERT_EQ(fields[1].bytes.size(), 39u);
  auto v = jet::DecodeValue(db_->file(), def.columns[1], fields[1], "row");
  ASSERT_TRUE(v.ok()) << v.status().message();
  EXPECT_EQ(*v, jet::Value(true));
}

// Property blocks as the catalogue keeps them: a name list, the table's block, a column's block.
TEST(Properties, ResultTypeIsFoundUnderItsColumnAndApplied) {
  Bytes blob = {'M', 'R', '2', 0};
  auto block = [&](uint16_t type, const Bytes& body) {
    PutU32(blob, body.size() + 6);
    PutU16(blob, type);
    blob.insert(blob.end(), body.begin(), body.end());
  };
  Bytes names;
  for (const char* n : {"Expression", "ResultType"}) {
    PutU16(names, Utf16(n).size());
    const Bytes u = Utf16(n);
    names.insert(names.end(), u.begin(), u.end());
  }
  block(0x80, names);
  block(0x00, {4, 0, 0, 0});  // the table's block, no name, no values
  Bytes column;
  const Bytes name = Utf16("IsRich");
  PutU32(column, 4 + 2 + name.size());
  PutU16(column, name.size());
  column.insert(column.end(), name.begin(), name.end());
  column.insert(column.end(), {9, 0, 0, 2, 1, 0, 1, 0, 1});  // ResultType = 1 (Yes/No), a byte property
  const Bytes expr = Utf16("[Pay]>1");
  PutU16(column, 8 + expr.size());
  column.insert(column.end(), {0, 10, 0, 0});
  PutU16(column, expr.size());
  column.insert(column.end(), expr.begin(), expr.end());
  block(0x01, column);

  auto blocks = jet::ParseProperties(blob, false, 1252);
  ASSERT_TRUE(blocks.ok()) << blocks.status().message();
  ASSERT_EQ(blocks->size(), 2u);
  EXPECT_EQ((*blocks)[0].objectName, "");
  EXPECT_EQ((*blocks)[1].objectName, "IsRich");
  const jet::Property* result = (*blocks)[1].find("resulttype");
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->data, Bytes{1});
  ASSERT_NE((*blocks)[1].find("Expression"), nullptr);
  EXPECT_EQ((*blocks)[1].find("Expression")->data, expr);

  // The result type goes to the calculated column of that name, compared without case.
  jet::TableDef def;
  jet::ColumnDef rich;
  rich.name = "ISRICH";
  rich.extFlags = jet::kColumnExtFlagCalculated;
  jet::ColumnDef other = rich;
  other.name = "Pay";
  jet::ColumnDef plain;
  plain.name = "IsRich";  // same name, not calculated: keeps its own type
  def.columns = {rich, other, plain};
  jet::ApplyResultTypes(def, *blocks);
  EXPECT_EQ(def.columns[0].resultTypeCode, 1);
  EXPECT_EQ(def.columns[0].valueType(), jet::ColumnType::kBoolean);
  EXPECT_EQ(def.columns[1].resultTypeCode, 0);
  EXPECT_EQ(def.columns[2].resultTypeCode, 0);

  // Damage: a block longer than the blob, a value naming a property past the list, no tag.
  Bytes cut(blob.begin(), blob.end() - 3);
  EXPECT_FALSE(jet::ParseProperties(cut, false, 1252).ok());
  Bytes badIndex = blob;
  badIndex[badIndex.size() - (8 + expr.size()) - 9 + 4] = 7;
  EXPECT_FALSE(jet::ParseProperties(badIndex, false, 1252).ok());
  EXPECT_FALSE(jet::ParseProperties(Bytes{'X', 'Y', 'Z', 0}, false, 1252).ok());
}

}  // namespace

namespace {

// The property blobs Access wrote into the corpus's catalogues all parse. In bigint.accdb every
// column's block carries a ResultType, 0 (none) for these plain columns: only a calculated
// column has a result type.
TEST(Properties, EveryCorpusPropertyBlobParses) {
  size_t objects = 0, blocks = 0, values = 0, resultTypesChecked = 0;
  for (const auto& file : jettest::CorpusFiles()) {
    SCOPED_TRACE(file.relative());
    jet::Database::Options options;
    options.password = file.password.value_or("");
    auto db = jet::Database::Open(file.database.string(), options);
    ASSERT_TRUE(db.ok()) << db.status().message();
    for (const auto& entry : (*db)->catalog().entries()) {
      if (entry.propertiesField.empty()) continue;
      SCOPED_TRACE(entry.name);
      auto bytes = jet::ReadLongValue((*db)->file(), entry.propertiesField, entry.name);
      ASSERT_TRUE(bytes.ok()) << bytes.status().message();
      auto parsed = jet::ParseProperties(*bytes, (*db)->header().jet3(), (*db)->header().codePage);
      ASSERT_TRUE(parsed.ok()) << parsed.status().message();
      ++objects;
      blocks += parsed->size();
      for (const auto& b : *parsed) values += b.values.size();
      if (file.relative() != "mdb-reader/V2016/bigint.accdb" || entry.isSystem()) continue;
      auto def = (*db)->tableDef(entry.name);
      ASSERT_TRUE(def.ok());
      for (const auto& column : (*def)->columns) {
        for (const auto& b : *parsed) {
          if (b.objectName != column.name) continue;
          const jet::Property* result = b.find("ResultType");
          ASSERT_NE(result, nullptr) << column.name;
          ASSERT_EQ(result->data.size(), 1u);
          EXPECT_FALSE(column.calculated());
          EXPECT_EQ(result->data[0], 0) << column.name;
          ++resultTypesChecked;
        }
      }
    }
  }
  EXPECT_GE(objects, 200u);
  EXPECT_EQ(resultTypesChecked, 2u);
  std::printf("property blobs parsed: %zu objects, %zu blocks, %zu values\n", objects, blocks, values);
}

}  // namespace
