// Writing Access 97 (Jet3) files, on the two files Access 97 itself made: our definitions
// against Access 97's own, new tables with every type such a file has (memo, OLE and binary
// values, text in the file's code page), overwrites and renames, rows long enough for the
// Jet3 jump table; each file read back by our reader, mdb-reader and mdbtools, and checked.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <sstream>

#include "WriteOracles.h"
#include "jet/Bytes.h"
#include "jet/DataPage.h"
#include "jet/RowCodec.h"
#include "jet/Text.h"
#include "jet/check/DatabaseCheck.h"
#include "jet/crypto/HeaderMask.h"
#include "jet/write/TableCreator.h"

namespace jetwrite_test {
namespace {

using jet::ColumnType;
using jet::Value;

const std::array<const char*, 2> kAccess97Files = {"mdb-reader/V1997/test.mdb",
                                                   "mdb-reader/password/V1997_no-password.mdb"};

// Access 97's definition of a table without its indexes: index counts zeroed, the
// per-index blocks and the index names cut out, the length field made to fit.
std::vector<uint8_t> WithoutIndexes(const jet::TableDef& def) {
  const std::vector<uint8_t>& raw = def.raw;
  const uint32_t length = jet::LoadU32(&raw[8]);
  const uint32_t logical = jet::LoadU32(&raw[27]);
  const uint32_t real = jet::LoadU32(&raw[31]);
  const uint16_t columns = jet::LoadU16(&raw[25]);
  std::vector<uint8_t> out(raw.begin(), raw.begin() + 43);
  size_t at = 43 + 8 * size_t{real};
  const size_t blocksFrom = at;
  at += 18 * size_t{columns};
  for (uint16_t c = 0; c < columns; ++c) at += 1 + raw[at];
  out.insert(out.end(), raw.begin() + static_cast<ptrdiff_t>(blocksFrom), raw.begin() + static_cast<ptrdiff_t>(at));
  at += 39 * size_t{real} + 20 * size_t{logical};
  for (uint32_t l = 0; l < logical; ++l) at += 1 + raw[at];
  out.insert(out.end(), raw.begin() + static_cast<ptrdiff_t>(at), raw.begin() + length);
  jet::StoreU32(&out[27], 0);
  jet::StoreU32(&out[31], 0);
  jet::StoreU32(&out[8], static_cast<uint32_t>(out.size()));
  return out;
}

// Every user table of both files (plain columns, text, numbers, dates, Yes/No, Replication
// ID; one spans two definition pages): our definition for its columns is Access 97's,
// byte for byte, once its indexes are taken out; its AutoNumber columns (an increment in
// Table3, a Replication ID in Table4) are created as such. Masked: the next-page field
// (page layout, not content), the row count and AutoNumber counter, and the fixed-offset
// field of variable columns, where Access 97 leaves stale values.
TEST(Jet3TableDef, MatchesAccess97sOwnDefinitions) {
  int compared = 0;
  for (const char* relative : kAccess97Files) {
    auto db = jet::Database::Open(CorpusPath(relative).string(), {});
    ASSERT_TRUE(db.ok()) << db.status().message();
    for (const auto* table : (*db)->catalog().userTables()) {
      SCOPED_TRACE(std::string(relative) + " " + table->name);
      auto def = (*db)->tableDef(table->name);
      ASSERT_TRUE(def.ok());
      auto columns = jet::ColumnsOf(**def, relative, jet::kJet3Format);
      ASSERT_TRUE(columns.ok()) << columns.status().message();
      const auto byNumber = (*def)->columnsByNumber();
      for (size_t k = 0; k < byNumber.size(); ++k) {
        if (byNumber[k]->flags & jet::kColumnFlagAutoLong) (*columns)[k].autoNumber = jet::AutoNumber::kIncrement;
        if (byNumber[k]->flags & jet::kColumnFlagAutoGuid) (*columns)[k].autoNumber = jet::AutoNumber::kReplicationId;
      }
      std::vector<uint8_t> access = WithoutIndexes(**def);
      std::vector<uint8_t> ours = jet::BuildTableDef((*db)->header(), *columns, (*def)->ownedPages,
                                                            (*def)->freeSpacePages, {});
      ASSERT_EQ(ours.size(), access.size());
      for (size_t at = 4; at < 8; ++at) access[at] = 0;  // the next definition page: Table2 has one
      for (size_t at = 12; at < 20; ++at) access[at] = ours[at] = 0;
      for (size_t i = 0; i < (*def)->columns.size(); ++i) {
        const size_t block = 43 + 18 * i;
        if (!(*def)->columns[i].fixed()) access[block + 14] = access[block + 15] = ours[block + 14] = ours[block + 15] = 0;
      }
      size_t first = 0;
      while (first < ours.size() && ours[first] == access[first]) ++first;
      EXPECT_EQ(ours, access) << "first difference at byte " << first;
      ++compared;
    }
  }
  EXPECT_EQ(compared, 8);
}

// Every row Access 97 wrote in both files (184: system and user tables, long-value
// references, nulls, Yes/No values), split into its columns and built again by our row
// encoder, is Access 97's row byte for byte. (None reaches 256 bytes: the jump table is
// tested below against the readers.)
TEST(Jet3Rows, EncoderRebuildsEveryRowAccess97Wrote) {
  size_t rows = 0;
  for (const char* relative : kAccess97Files) {
    auto db = jet::Database::Open(CorpusPath(relative).string(), {});
    ASSERT_TRUE(db.ok());
    for (const auto& entry : (*db)->catalog().entries()) {
      if (!entry.isTable()) continue;
      auto def = (*db)->tableDef(entry.name);
      ASSERT_TRUE(def.ok());
      auto cursor = (*db)->scan(*def);
      ASSERT_TRUE(cursor.ok());
      jet::RowDecoder decoder(**def, jet::kJet3Format);
      std::vector<jet::FieldSlice> fields;
      while (*cursor->next()) {
        auto stored = jet::ReadRow((*db)->file(), cursor->position(), entry.name);
        ASSERT_TRUE(stored.ok());
        const auto bytes = stored->bytes();
        ASSERT_TRUE(decoder.split(bytes, fields, entry.name).ok());
        auto built = jet::EncodeRow(**def, jet::kJet3Format, fields, entry.name);
        ASSERT_TRUE(built.ok()) << built.status().message();
        EXPECT_EQ(*built, std::vector<uint8_t>(bytes.begin(), bytes.end())) << entry.name << " row " << rows;
        ++rows;
      }
    }
  }
  EXPECT_EQ(rows, 184u);
}

// Windows-1252 text goes to its bytes and back unchanged; a character the code page has
// no byte for is named, never replaced. Other code pages go through iconv.
TEST(Jet3Text, CodePageTextIsExactOrRefused) {
  std::vector<uint8_t> all;
  for (int b = 1; b < 256; ++b) {
    if (b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D) all.push_back(static_cast<uint8_t>(b));
  }
  const std::string text = jet::DecodeCodePageText(all, 1252);
  std::vector<uint8_t> back;
  ASSERT_TRUE(jet::EncodeCodePageText(text, 1252, back).ok());
  EXPECT_EQ(back, all);

  auto fault = jet::EncodeCodePageText("ab\xCE\xA9" "c", 1252, back);  // Greek capital omega
  EXPECT_EQ(fault.fault, jet::CodePageEncoding::Fault::kUnmappable);
  EXPECT_EQ(fault.character, U'\u03A9');
  EXPECT_EQ(jet::DescribeCharacter(fault.character), "'\xCE\xA9' (U+03A9)");
  EXPECT_EQ(jet::DescribeCharacter(0x81), "(U+0081)");
  // A C1 control has no Windows-1252 byte (0x80-0x9F are other characters there).
  EXPECT_EQ(jet::EncodeCodePageText("\xC2\x80", 1252, back).fault, jet::CodePageEncoding::Fault::kUnmappable);
  EXPECT_EQ(jet::EncodeCodePageText("\xC3\x28", 1252, back).fault, jet::CodePageEncoding::Fault::kNotUtf8);
  EXPECT_EQ(jet::EncodeCodePageText("\xED\xA0\x80", 1252, back).fault, jet::CodePageEncoding::Fault::kUnmappable);

  // Cyrillic: its letters have bytes, 'é' has none.
  ASSERT_TRUE(jet::EncodeCodePageText("\xD0\x96x", 1251, back).ok());
  EXPECT_EQ(back, (std::vector<uint8_t>{0xC6, 'x'}));
  fault = jet::EncodeCodePageText("\xC3\xA9", 1251, back);
  EXPECT_EQ(fault.fault, jet::CodePageEncoding::Fault::kUnmappable);
  EXPECT_EQ(fault.character, U'\u00E9');
  EXPECT_EQ(jet::EncodeCodePageText("x", 9, back).fault, jet::CodePageEncoding::Fault::kUnknownCodePage);
}

// The rows of `table` as our reader gives them, in storage order.
std::vector<std::vector<Value>> RowsOf(const std::filesystem::path& file, const std::string& table) {
  std::vector<std::vector<Value>> rows;
  auto db = jet::Database::Open(file.string(), {});
  EXPECT_TRUE(db.ok()) << db.status().message();
  if (!db.ok()) return rows;
  auto def = (*db)->tableDef(table);
  EXPECT_TRUE(def.ok()) << def.status().message();
  if (!def.ok()) return rows;
  auto cursor = (*db)->scan(*def);
  EXPECT_TRUE(cursor.ok());
  if (!cursor.ok()) return rows;
  while (true) {
    auto more = cursor->next();
    EXPECT_TRUE(more.ok()) << more.status().message();
    if (!more.ok() || !*more) break;
    std::vector<Value> row;
    for (size_t i = 0; i < (*def)->columns.size(); ++i) {
      auto v = cursor->value(i);
      EXPECT_TRUE(v.ok()) << v.status().message();
      row.push_back(v.ok() ? *v : Value(jet::Null{}));
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

// The dump text of one table (its object in the golden JSON).
std::string TableInDump(const std::string& dump, const std::string& name) {
  const auto from = dump.find("\"name\": \"" + name + "\"");
  if (from == std::string::npos) return {};
  return dump.substr(from, dump.find("\n    }", from) - from);
}

void ExpectCheckClean(const std::filesystem::path& file) {
  auto report = jet::check::CheckDatabase(file.string());
  ASSERT_TRUE(report.ok()) << report.status().message();
  for (const auto& problem : report->problems) ADD_FAILURE() << problem;
}

const std::vector<jet::NewColumn> kEveryType = {
    {"Id", ColumnType::kLong},         {"Name", ColumnType::kText, 60},      {"Notes", ColumnType::kMemo},
    {"Picture", ColumnType::kOle},     {"Raw", ColumnType::kBinary, 20},     {"When", ColumnType::kDateTime},
    {"Price", ColumnType::kCurrency},  {"Flag", ColumnType::kBoolean},       {"Ratio", ColumnType::kDouble},
    {"Small", ColumnType::kInteger},   {"Tiny", ColumnType::kByte},          {"Single", ColumnType::kFloat},
    {"Key", ColumnType::kGuid}};

// Windows-1252 beyond ASCII: accents, the euro sign and the other 0x80-0x9F characters.
const std::string kLatin = "Zo\xC3\xAB \xE2\x82\xAC \xC3\xBF \xC2\xAB\xE2\x80\x9C\xE2\x80\x94\xC5\xA0\xC2\xBB";

std::vector<Value> EveryTypeRow(int32_t id) {
  // Memo lengths around the inline limit (64), a single LVAL row (2032) and chains.
  static const std::array<size_t, 10> kMemoLengths = {0, 1, 64, 65, 2031, 2032, 2033, 4064, 4065, 30000};
  // Exactly that many bytes in the first 20 rows (ASCII), code-page text of about that many after.
  const size_t length = kMemoLengths[static_cast<size_t>(id) % kMemoLengths.size()] + static_cast<size_t>(id / 10);
  std::string notes;
  if (id < 20) {
    for (size_t k = 0; k < length; ++k) notes += static_cast<char>('a' + (k * 7 + static_cast<size_t>(id)) % 26);
  } else {
    while (notes.size() < length) notes += kLatin + std::to_string(notes.size()) + ";";
  }
  std::vector<uint8_t> picture(static_cast<size_t>(id) * 700);
  for (size_t k = 0; k < picture.size(); ++k) picture[k] = static_cast<uint8_t>(k * 7 + static_cast<size_t>(id));
  jet::Guid key{};
  for (size_t k = 0; k < key.bytes.size(); ++k) key.bytes[k] = static_cast<uint8_t>(id * 16 + static_cast<int>(k));
  if (id % 7 == 3) {  // a row of nulls but for its key
    std::vector<Value> row(kEveryType.size(), jet::Null{});
    row[0] = id;
    row[7] = false;
    return row;
  }
  return {id,
          kLatin + " " + std::to_string(id),
          notes,
          jet::Binary{picture},
          jet::Binary{{static_cast<uint8_t>(id), 0x00, 0xFF}},
          jet::DateTime{36000.5 + id},
          jet::Currency{int64_t{-123456} * id},
          id % 2 == 0,
          id / 3.0,
          static_cast<int16_t>(-id * 100),
          static_cast<uint8_t>(id),
          static_cast<float>(id) / 4,
          key};
}

// On both files Access 97 made: a new table of every type, filled; an overwrite (drop and
// create under the same name); a rename (copy, then drop). Our reader gives back every
// value as written, the tables Access 97 made are as they were, both independent readers
// agree, the catalogue indexes hold every row and the check is clean.
TEST(Jet3Write, TablesOfEveryTypeAreWrittenAsAccess97ReadsThem) {
  for (const char* relative : kAccess97Files) {
    SCOPED_TRACE(relative);
    const auto file = CopyOfCorpusFile(relative);
    const std::string dumpBefore = OurDump(file);
    const size_t sizeBefore = std::filesystem::file_size(file);
    constexpr int32_t kRows = 40;
    {
      auto session = jet::WriteSession::Open(file.string());
      ASSERT_TRUE(session.ok()) << session.status().message();
      jet::WriteSession& s = **session;
      ASSERT_TRUE(s.createTable("Added", kEveryType).ok());
      for (int32_t id = 0; id < kRows; ++id) {
        const jet::Status inserted = s.insert("Added", EveryTypeRow(id));
        ASSERT_TRUE(inserted.ok()) << id << ": " << inserted.message();
      }
      // Overwrite: the same name, other columns.
      ASSERT_TRUE(s.createTable("Over", {{"A", ColumnType::kMemo}}).ok());
      ASSERT_TRUE(s.insert("Over", {std::string(9000, 'o')}).ok());
      ASSERT_TRUE(s.dropTable("OVER").ok());
      ASSERT_TRUE(s.createTable("Over", {{"B", ColumnType::kText, 10}, {"C", ColumnType::kInteger}}).ok());
      ASSERT_TRUE(s.insert("Over", {std::string("\xC3\xA9t\xC3\xA9"), int16_t{7}}).ok());
      // Rename, as the program does it; then an Access-made table renamed too.
      ASSERT_TRUE(s.createTable("Before", kEveryType).ok());
      for (int32_t id = 0; id < 12; ++id) ASSERT_TRUE(s.insert("Before", EveryTypeRow(id)).ok());
      ASSERT_TRUE(s.copyTable("Before", "After").ok());
      ASSERT_TRUE(s.dropTable("Before").ok());
      ASSERT_TRUE(s.copyTable("Table1", "Table1 renamed").ok());
    }
    EXPECT_GT(std::filesystem::file_size(file), sizeBefore);
    EXPECT_EQ(std::filesystem::file_size(file) % 2048, 0u);

    const auto added = RowsOf(file, "Added");
    ASSERT_EQ(added.size(), static_cast<size_t>(kRows));
    for (int32_t id = 0; id < kRows; ++id) EXPECT_EQ(added[static_cast<size_t>(id)], EveryTypeRow(id)) << "row " << id;
    const auto after = RowsOf(file, "After");
    ASSERT_EQ(after.size(), 12u);
    for (int32_t id = 0; id < 12; ++id) EXPECT_EQ(after[static_cast<size_t>(id)], EveryTypeRow(id)) << "row " << id;
    EXPECT_EQ(RowsOf(file, "Over"), (std::vector<std::vector<Value>>{{std::string("\xC3\xA9t\xC3\xA9"), int16_t{7}}}));

    const std::string dumpAfter = OurDump(file);
    for (const char* untouched : {"Table1", "Table2", "Table3", "Table4"}) {
      EXPECT_EQ(TableInDump(dumpAfter, untouched), TableInDump(dumpBefore, untouched)) << untouched;
    }
    EXPECT_EQ(TableInDump(dumpAfter, "Before"), "");
    const std::string source = TableInDump(dumpBefore, "Table1");
    const std::string renamed = TableInDump(dumpAfter, "Table1 renamed");
    ASSERT_NE(renamed, "");
    EXPECT_EQ(renamed.substr(renamed.find("\"columns\"")), source.substr(source.find("\"columns\"")));
    ExpectOraclesAgree(file);
    ExpectCheckClean(file);
    const auto exported = RunCommand("mdb-export " + file.string() + " Over");
    EXPECT_EQ(exported.out, "B,C\n\"\xC3\xA9t\xC3\xA9\",7\n") << exported.err;
  }
}

// Rows of 256 bytes and more keep their variable offsets in one byte each, with a jump
// table naming where each further 256 begins; its last entry may be a dummy no offset
// reaches. Rows of every length from 200 to 1,100 bytes, nulls between the values, read
// back the same by our reader and mdbtools (whose export is compared value by value).
TEST(Jet3Write, LongRowsKeepTheirOffsetsThroughTheJumpTable) {
  const auto file = CopyOfCorpusFile(kAccess97Files[0]);
  std::vector<jet::NewColumn> columns = {{"N", ColumnType::kLong}};
  for (int k = 0; k < 6; ++k) columns.push_back({"T" + std::to_string(k), ColumnType::kText, 255});
  std::vector<std::vector<Value>> written;
  for (size_t total = 200; total <= 1100; ++total) {
    std::vector<Value> row{static_cast<int32_t>(total)};
    size_t left = total;
    for (int k = 0; k < 6; ++k) {
      // Every third row leaves a column out (null) while the rest take the text.
      if (total % 3 == 0 && k == 2) {
        row.push_back(jet::Null{});
        continue;
      }
      const size_t take = std::min<size_t>(left, k == 5 ? 255 : (total % 5 == 0 ? 255 : 190 + k));
      row.push_back(take == 0 ? Value(jet::Null{}) : Value(std::string(take, static_cast<char>('a' + k))));
      left -= take;
    }
    if (left == 0) written.push_back(std::move(row));
  }
  ASSERT_GT(written.size(), 700u);
  {
    auto session = jet::WriteSession::Open(file.string());
    ASSERT_TRUE(session.ok());
    (*session)->beginBatch();
    ASSERT_TRUE((*session)->createTable("Long rows", columns).ok());
    for (const auto& row : written) {
      const jet::Status inserted = (*session)->insert("Long rows", row);
      ASSERT_TRUE(inserted.ok()) << inserted.message();
    }
    ASSERT_TRUE((*session)->commitBatch().ok());
  }
  EXPECT_EQ(RowsOf(file, "Long rows"), written);
  const auto exported = RunCommand("mdb-export -H -Q -d '|' " + file.string() + " 'Long rows'");
  EXPECT_EQ(exported.err, "");
  std::istringstream lines(exported.out);
  size_t row = 0;
  for (std::string line; std::getline(lines, line); ++row) {
    ASSERT_LT(row, written.size());
    std::string expected = std::to_string(std::get<int32_t>(written[row][0]));
    for (size_t k = 1; k < written[row].size(); ++k) {
      expected += "|";
      if (const auto* t = std::get_if<std::string>(&written[row][k])) expected += *t;
    }
    EXPECT_EQ(line, expected) << "row " << row;
  }
  EXPECT_EQ(row, written.size());
  ExpectOraclesAgree(file);
  ExpectCheckClean(file);
}

// What Access 97 cannot hold is refused with a message naming the file, table, column and
// character, and the file stays as it was: a character outside the code page (in text, in
// a memo, in a name), a type that came with later versions, text longer than its column
// (Jet3 counts one byte a character: five euro signs fit a Text(5)), an index, NOT NULL.
TEST(Jet3Write, WhatAccess97CannotHoldIsRefusedAndNothingWritten) {
  const auto file = CopyOfCorpusFile(kAccess97Files[0]);
  auto session = jet::WriteSession::Open(file.string());
  ASSERT_TRUE(session.ok());
  jet::WriteSession& s = **session;
  ASSERT_TRUE(s.createTable("Short", {{"T", ColumnType::kText, 5}, {"M", ColumnType::kMemo}}).ok());
  ASSERT_TRUE(s.insert("Short", {std::string("\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC"),
                                 jet::Null{}})
                  .ok());
  const std::string before = ReadFileBytes(file);
  const std::string omega = "\xCE\xA9";

  jet::Status refused = s.insert("Short", {"a" + omega, jet::Null{}});
  EXPECT_EQ(refused.code(), jet::ErrorCode::kInvalidArgument);
  EXPECT_EQ(refused.message(), file.string() + ": table Short, column T: the character '" + omega +
                                   "' (U+03A9) cannot be stored in this Access 97 database, whose text is in code "
                                   "page 1252; nothing was written");
  refused = s.insert("Short", {jet::Null{}, std::string(5000, 'm') + "\xE6\x97\xA5"});
  EXPECT_NE(refused.message().find("column M: the character '\xE6\x97\xA5' (U+65E5)"), std::string::npos)
      << refused.message();
  refused = s.insert("Short", {std::string("sixsix"), jet::Null{}});
  EXPECT_NE(refused.message().find("text of 6 characters is longer than the column's 5"), std::string::npos)
      << refused.message();
  refused = s.createTable("Money", {{"Amount", ColumnType::kNumeric, 0, 10, 2}});
  EXPECT_EQ(refused.code(), jet::ErrorCode::kUnsupported);
  EXPECT_EQ(refused.message(), file.string() +
                                   ": table Money, column Amount: Access 97 databases have no Decimal columns; "
                                   "nothing was written");
  refused = s.createTable("Big", {{"N", ColumnType::kBigInt}});
  EXPECT_NE(refused.message().find("no Large Number columns"), std::string::npos) << refused.message();
  refused = s.createTable(omega, {{"N", ColumnType::kLong}});
  EXPECT_NE(refused.message().find(": table " + omega + ": the character"), std::string::npos) << refused.message();
  refused = s.createTable("Names", {{"N" + omega, ColumnType::kLong}});
  EXPECT_NE(refused.message().find("table Names, column N" + omega + ": the character"), std::string::npos)
      << refused.message();
  // Index definitions are written in the Jet4 layout only: new keys and indexes are refused.
  jet::NewIndex key{"PrimaryKey", {{"N"}}, true};
  refused = s.createTable("Keyed", {{"N", ColumnType::kLong}}, {key});
  EXPECT_EQ(refused.message(), file.string() + ": table Keyed: indexes and keys are not created in Access 97 "
                                               "databases by this engine yet; nothing was written");
  refused = s.createIndex("Table1", jet::NewIndex{"ByC", {{"C"}}});
  EXPECT_EQ(refused.code(), jet::ErrorCode::kUnsupported) << refused.message();
  jet::NewColumn required{"R", ColumnType::kLong};
  required.required = true;
  refused = s.createTable("Required", {required});
  EXPECT_NE(refused.message().find("column R: NOT NULL and DEFAULT are not written"), std::string::npos)
      << refused.message();
  session->reset();
  EXPECT_EQ(ReadFileBytes(file), before);
  ExpectCheckClean(file);
}

// AutoNumbers count on in Access 97's own table (Table3, with its index on the number)
// and in a new one, from the counter at the Jet3 definition's own offset.
TEST(Jet3Write, AutoNumbersCountInAccess97sTableAndInNewOnes) {
  const auto file = CopyOfCorpusFile(kAccess97Files[0]);
  {
    auto session = jet::WriteSession::Open(file.string());
    ASSERT_TRUE(session.ok());
    jet::WriteSession& s = **session;
    for (const char* b : {"one", "two"}) ASSERT_TRUE(s.insert("Table3", {jet::Null{}, std::string(b)}).ok());
    jet::NewColumn counter{"Id", ColumnType::kLong};
    counter.autoNumber = jet::AutoNumber::kIncrement;
    ASSERT_TRUE(s.createTable("Counted", {counter, {"Name", ColumnType::kText, 20}}).ok());
    for (const char* name : {"x", "y", "z"}) ASSERT_TRUE(s.insert("Counted", {jet::Null{}, std::string(name)}).ok());
  }
  using Rows = std::vector<std::vector<Value>>;
  EXPECT_EQ(RowsOf(file, "Table3"), (Rows{{int32_t{1}, std::string("one")}, {int32_t{2}, std::string("two")}}));
  EXPECT_EQ(RowsOf(file, "Counted"), (Rows{{int32_t{1}, std::string("x")},
                                           {int32_t{2}, std::string("y")},
                                           {int32_t{3}, std::string("z")}}));
  ExpectOraclesAgree(file);
  ExpectCheckClean(file);
}

// Enough tables that the catalogue's indexes (General 97 keys of code-page names on Jet3
// index pages) split into several levels, laid out as Access 97 lays them (node pages: tree
// level 1 in byte 21, no shared prefix; leaves: level 0), then half of them dropped in a mixed
// order: every index tree stays valid with an entry for each row, and the readers agree.
TEST(Jet3Write, ManyTablesSplitAndShrinkTheCatalogIndexes) {
  const auto file = CopyOfCorpusFile(kAccess97Files[1]);
  std::vector<std::string> names;
  for (int k = 0; k < 160; ++k) {
    names.push_back((k % 2 ? "Ann\xC3\xA9e " : "Z\xC3\xBCrich \xE2\x82\xAC ") + std::to_string(k * 7919 % 1000) +
                    std::string(static_cast<size_t>(k % 23), 'x'));
  }
  {
    auto session = jet::WriteSession::Open(file.string());
    ASSERT_TRUE(session.ok());
    (*session)->beginBatch();
    for (const auto& name : names) {
      const jet::Status created = (*session)->createTable(name, {{"N", ColumnType::kLong}});
      ASSERT_TRUE(created.ok()) << name << ": " << created.message();
    }
    ASSERT_TRUE((*session)->commitBatch().ok());
  }
  ExpectIndexesValid(file);
  const std::string bytes = ReadFileBytes(file);
  int nodes = 0;
  for (size_t at = 0; at + 2048 <= bytes.size(); at += 2048) {
    const uint8_t type = static_cast<uint8_t>(bytes[at]);
    if (type == 3) {
      ++nodes;
      EXPECT_EQ(bytes[at + 20], 0) << "page " << at / 2048;
      EXPECT_EQ(bytes[at + 21], 1) << "page " << at / 2048;
    } else if (type == 4) {
      EXPECT_EQ(bytes[at + 21], 0) << "page " << at / 2048;
    }
  }
  EXPECT_GE(nodes, 2);
  {
    auto session = jet::WriteSession::Open(file.string());
    ASSERT_TRUE(session.ok());
    for (size_t k = 0; k < names.size(); k += 2) ASSERT_TRUE((*session)->dropTable(names[(k * 37) % names.size()]).ok());
  }
  auto db = jet::Database::Open(file.string(), {});
  ASSERT_TRUE(db.ok());
  EXPECT_EQ((*db)->catalog().userTables().size(), 4 + names.size() / 2);
  db->reset();
  ExpectOraclesAgree(file);
  ExpectCheckClean(file);
}

// A Jet3 file whose sort order has no known index keys can be read but not written.
TEST(Jet3Write, UnknownSortOrderIsReadOnly) {
  const auto file = CopyOfCorpusFile(kAccess97Files[0]);
  std::string bytes = ReadFileBytes(file);
  std::span<uint8_t> header(reinterpret_cast<uint8_t*>(bytes.data()), 2048);
  jet::ApplyHeaderMask(header, true);
  jet::StoreU16(&header[0x3A], 1049);  // Cyrillic
  jet::ApplyHeaderMask(header, true);
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  auto refused = jet::WriteSession::Open(file.string());
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.status().code(), jet::ErrorCode::kReadOnly);
  EXPECT_NE(refused.status().message().find("LCID 1049"), std::string::npos) << refused.status().message();
  EXPECT_TRUE(jet::Database::Open(file.string(), {}).ok());
}

}  // namespace
}  // namespace jetwrite_test
