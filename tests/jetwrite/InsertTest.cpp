// Inserting rows: every column type with its edge values, long values of every storage
// form, refused values that leave the file untouched, and inserts into Access-made
// tables (with and without indexes).
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "WriteOracles.h"
#include "jet/write/WriteSession.h"

namespace jetwrite_test {
namespace {

using jet::ColumnType;
using jet::NewColumn;
using jet::Value;

std::vector<NewColumn> AllTypes() {
  return {
      {"Id", ColumnType::kLong},          {"Name", ColumnType::kText, 255},   {"Short", ColumnType::kText, 10},
      {"Notes", ColumnType::kMemo},       {"Picture", ColumnType::kOle},      {"Small", ColumnType::kInteger},
      {"Tiny", ColumnType::kByte},        {"Price", ColumnType::kCurrency},   {"Ratio", ColumnType::kDouble},
      {"Weight", ColumnType::kFloat},     {"When", ColumnType::kDateTime},    {"Done", ColumnType::kBoolean},
      {"Key", ColumnType::kGuid},         {"Amount", ColumnType::kNumeric, 0, 18, 4},
      {"Raw", ColumnType::kBinary, 50},
  };
}

std::string Repeat(const std::string& s, size_t n) {
  std::string out;
  for (size_t i = 0; i < n; ++i) out += s;
  return out;
}

std::vector<uint8_t> Bytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> out(n);
  for (auto& b : out) b = static_cast<uint8_t>(rng());
  return out;
}

std::vector<Value> Row(int32_t id, Value name, Value notes, Value picture) {
  jet::Guid g;
  for (int i = 0; i < 16; ++i) g.bytes[i] = static_cast<uint8_t>(id * 16 + i);
  return {id,
          std::move(name),
          std::string("Zoë"),
          std::move(notes),
          std::move(picture),
          int16_t{-32768},
          uint8_t{255},
          jet::Currency{-9223372036854775807LL},
          1e308,
          -1.5f,
          jet::DateTime{-1.25},
          id % 2 == 0,
          g,
          jet::Decimal{true, 12345678901234ull, 18, 4},
          jet::Binary{{0x00, 0xFF, 0x0A}}};
}

class InsertTest : public ::testing::TestWithParam<std::string> {};

TEST_P(InsertTest, EveryTypeAndLongValueFormReadsBackEverywhere) {
  const auto file = CopyOfCorpusFile(GetParam());
  {
    auto session = jet::WriteSession::Open(file.string());
    ASSERT_TRUE(session.ok()) << session.status().message();
    jet::WriteSession& s = **session;
    ASSERT_TRUE(s.createTable("Everything", AllTypes()).ok());
    // Long values: empty, inline limit, one LVAL row and its limit, chains.
    const std::vector<size_t> lengths{0, 32, 33, 2038, 2039, 5000, 200000};
    int32_t id = 1;
    for (size_t n : lengths) {
      // Memo text of n characters stored as UTF-16 (2n bytes), OLE of n bytes.
      jet::Status st = s.insert("Everything", Row(id++, Repeat("x", 255), Repeat("é€", n / 2), jet::Binary{Bytes(n, n)}));
      ASSERT_TRUE(st.ok()) << st.message();
    }
    for (size_t n : {size_t{64}, size_t{65}, size_t{4076}, size_t{4077}}) {
      ASSERT_TRUE(s.insert("Everything", Row(id++, std::string("ascii text"), std::string(n, 'a'), jet::Binary{Bytes(n, 7)})).ok());
    }
    std::vector<Value> nulls(AllTypes().size(), jet::Null{});
    nulls[0] = int32_t{0};
    ASSERT_TRUE(s.insert("Everything", nulls).ok());
    ASSERT_TRUE(s.insert("Everything", Row(id++, std::string("Ελληνικά кириллица 中文"), jet::Null{}, jet::Null{})).ok());
  }
  ExpectOraclesAgree(file);

  auto db = jet::Database::Open(file.string(), {});
  ASSERT_TRUE(db.ok());
  auto cursor = (*db)->scan("Everything");
  ASSERT_TRUE(cursor.ok());
  size_t rows = 0;
  while (*cursor->next()) {
    ++rows;
    if (rows == 7) {  // the chained 200000-character memo
      auto notes = cursor->value(3);
      ASSERT_TRUE(notes.ok());
      EXPECT_EQ(std::get<std::string>(*notes), Repeat("é€", 100000));
      EXPECT_EQ(std::get<jet::Binary>(*cursor->value(4)).bytes, Bytes(200000, 200000));
    }
  }
  EXPECT_EQ(rows, 13u);
}

INSTANTIATE_TEST_SUITE_P(Formats, InsertTest,
                         ::testing::Values("mdb-reader/V2003/empty.mdb", "mdb-reader/V2000/empty.mdb",
                                           "mdb-reader/V2007/empty.accdb", "mdb-reader/V2016/empty.accdb"));

TEST(InsertRefusals, FailedStatementsLeaveTheFileAsItWas) {
  const auto file = CopyOfCorpusFile("mdb-reader/V2003/empty.mdb");
  auto session = jet::WriteSession::Open(file.string());
  ASSERT_TRUE(session.ok());
  jet::WriteSession& s = **session;
  ASSERT_TRUE(s.createTable("T", {{"A", ColumnType::kText, 5}, {"B", ColumnType::kMemo}, {"C", ColumnType::kByte}}).ok());
  ASSERT_TRUE(s.insert("T", {std::string("ok"), std::string(5000, 'm'), uint8_t{1}}).ok());
  const std::string before = ReadFileBytes(file);

  // The memo is written to its LVAL page before the text column is found too long.
  jet::Status tooLong = s.insert("T", {std::string("sixsix"), std::string(9000, 'm'), uint8_t{1}});
  EXPECT_EQ(tooLong.code(), jet::ErrorCode::kInvalidArgument);
  EXPECT_NE(tooLong.message().find("column A"), std::string::npos) << tooLong.message();
  EXPECT_EQ(s.insert("T", {std::string("a"), jet::Null{}, int32_t{256}}).code(), jet::ErrorCode::kInvalidArgument);
  EXPECT_EQ(s.insert("T", {std::string("a"), jet::Null{}}).code(), jet::ErrorCode::kInvalidArgument);
  EXPECT_EQ(s.insert("Missing", {}).code(), jet::ErrorCode::kNotFound);
  EXPECT_EQ(s.createTable("t", {{"X", ColumnType::kLong}}).code(), jet::ErrorCode::kExists);
  EXPECT_EQ(s.insert("MSysObjects", {}).code(), jet::ErrorCode::kInvalidArgument);
  EXPECT_EQ(ReadFileBytes(file), before);

  // Inside a batch a failing statement is undone alone.
  s.beginBatch();
  ASSERT_TRUE(s.insert("T", {std::string("one"), std::string(3000, 'x'), uint8_t{2}}).ok());
  EXPECT_FALSE(s.insert("T", {std::string("toolong"), std::string(3000, 'y'), uint8_t{3}}).ok());
  ASSERT_TRUE(s.insert("T", {std::string("two"), jet::Null{}, uint8_t{4}}).ok());
  ASSERT_TRUE(s.commitBatch().ok());
  session->reset();
  ExpectOraclesAgree(file);
  auto db = jet::Database::Open(file.string(), {});
  auto cursor = (*db)->scan("T");
  int rows = 0;
  while (*cursor->next()) ++rows;
  EXPECT_EQ(rows, 3);
}

// The session keeps what it worked out about the table rows go to; dropping and creating
// tables under the same name, in and out of a batch, must send rows to the table as it is now.
TEST(InsertRefusals, RowsGoToTheTableThatHasTheNameNow) {
  const auto file = CopyOfCorpusFile("mdb-reader/V2003/empty.mdb");
  auto session = jet::WriteSession::Open(file.string());
  ASSERT_TRUE(session.ok());
  jet::WriteSession& s = **session;
  for (bool batch : {false, true}) {
    if (batch) s.beginBatch();
    ASSERT_TRUE(s.createTable("T", {{"A", ColumnType::kLong}}).ok());
    ASSERT_TRUE(s.createTable("U", {{"A", ColumnType::kLong}}).ok());
    ASSERT_TRUE(s.insert("T", {int32_t{1}}).ok());
    ASSERT_TRUE(s.insert("U", {int32_t{2}}).ok());
    ASSERT_TRUE(s.insert("t", {int32_t{3}}).ok());
    ASSERT_TRUE(s.dropTable("T").ok());
    EXPECT_EQ(s.insert("T", {int32_t{4}}).code(), jet::ErrorCode::kNotFound);
    EXPECT_EQ(s.insertColumns("T").status().code(), jet::ErrorCode::kNotFound);
    ASSERT_TRUE(s.createTable("T", {{"B", ColumnType::kText, 5}, {"C", ColumnType::kLong}}).ok());
    auto columns = s.insertColumns("T");
    ASSERT_TRUE(columns.ok());
    ASSERT_EQ((*columns)->size(), 2u);
    EXPECT_EQ((*columns)->front()->name, "B");
    EXPECT_EQ(s.insert("T", {int32_t{5}}).code(), jet::ErrorCode::kInvalidArgument);  // two columns now
    ASSERT_TRUE(s.insert("T", {std::string("five"), int32_t{5}}).ok());
    if (batch) ASSERT_TRUE(s.commitBatch().ok());
    else {
      ASSERT_TRUE(s.dropTable("T").ok());
      ASSERT_TRUE(s.dropTable("U").ok());
    }
  }
  session->reset();
  ExpectOraclesAgree(file);
  auto db = jet::Database::Open(file.string(), {});
  ASSERT_TRUE(db.ok());
  auto cursor = (*db)->scan("T");
  ASSERT_TRUE(cursor.ok());
  ASSERT_TRUE(*cursor->next());
  EXPECT_EQ(std::get<std::string>(*cursor->value(0)), "five");
  EXPECT_FALSE(*cursor->next());
}

TEST(InsertRefusals, WritingIsRefusedWhereItWouldBeUnsafe) {
  // A second session on a file waits for the first one's lock, then gives up clearly;
  // the first one's lock file is there while it lives, and gone after.
  const auto locked = CopyOfCorpusFile("mdb-reader/V2003/empty.mdb");
  {
    auto first = jet::WriteSession::Open(locked.string());
    ASSERT_TRUE(first.ok());
    EXPECT_TRUE(std::filesystem::exists(jet::LockFilePath(locked.string())));
    jet::LockWait briefly;
    briefly.timeout = std::chrono::milliseconds(50);
    auto refused = jet::WriteSession::Open(locked.string(), {}, briefly);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.status().code(), jet::ErrorCode::kLocked);
    EXPECT_EQ(refused.status().message(),
              locked.string() + " is being changed by another program; try again when it has finished");
  }
  EXPECT_FALSE(std::filesystem::exists(jet::LockFilePath(locked.string())));

}

TEST(InsertIntoAccessTables, PasswordFileKeepsItsPasswordAndIndexedTablesStayComplete) {
  // Jet4 database password: only the header carries it; pages are plain.
  const auto withPassword = CopyOfCorpusFile("mdb-reader/password/V2003_with-password.mdb");
  {
    auto session = jet::WriteSession::Open(withPassword.string(), "password");
    ASSERT_TRUE(session.ok()) << session.status().message();
    ASSERT_TRUE((*session)->createTable("Added", {{"N", ColumnType::kLong}}).ok());
    ASSERT_TRUE((*session)->insert("Added", {int32_t{42}}).ok());
  }
  EXPECT_EQ(jet::Database::Open(withPassword.string(), {}).status().code(), jet::ErrorCode::kWrongPassword);

  // Access-made tables with Long and Text indexes: every index keeps every row.
  const auto indexed = CopyOfCorpusFile("jackcess/V2000/compIndexTestV2000.mdb");
  {
    auto session = jet::WriteSession::Open(indexed.string());
    ASSERT_TRUE(session.ok());
    jet::Database& db = (*session)->database();
    const std::string table = db.catalog().userTables().front()->name;
    auto def = db.tableDef(table);
    ASSERT_TRUE(def.ok());
    std::vector<Value> row;
    for (const auto* c : (*def)->columnsByNumber()) {
      if (c->type() == ColumnType::kLong) row.push_back(int32_t{424242});
      else if (c->type() == ColumnType::kText) row.push_back(std::string("added by the writer"));
      else row.push_back(jet::Null{});
    }
    jet::Status s = (*session)->insert(table, row);
    EXPECT_TRUE(s.ok()) << s.message();
  }
  ExpectOraclesAgree(indexed);
}

}  // namespace
}  // namespace jetwrite_test

namespace jetwrite_test {
namespace {

// A table that outgrows its inline usage maps (and the global map's window): the maps
// become reference maps and mdb-reader, which finds rows only through them, reads all.
TEST(InsertLarge, UsageMapsArePromotedWhenTheTableGrows) {
  const auto file = CopyOfCorpusFile("mdb-reader/V2003/empty.mdb");
  {
    auto session = jet::WriteSession::Open(file.string());
    ASSERT_TRUE(session.ok());
    jet::WriteSession& s = **session;
    ASSERT_TRUE(s.createTable("Wide", {{"N", jet::ColumnType::kLong}, {"Pad", jet::ColumnType::kBinary, 255},
                                        {"Memo", jet::ColumnType::kMemo}}).ok());
    s.beginBatch();
    for (int32_t i = 0; i < 700; ++i) {
      jet::Status st = s.insert("Wide", {i, jet::Binary{std::vector<uint8_t>(255, static_cast<uint8_t>(i))},
                                         std::string(1500 + i, static_cast<char>('a' + i % 26))});
      ASSERT_TRUE(st.ok()) << i << ": " << st.message();
    }
    ASSERT_TRUE(s.commitBatch().ok());
  }
  EXPECT_GT(std::filesystem::file_size(file), 600u * 4096);
  ExpectOraclesAgree(file);
}

// Every user table of Access-made files takes a row, or is refused with nothing written.
TEST(InsertIntoAccessTables, EveryCorpusTableTakesARowOrRefusesCleanly) {
  // indexTestV2000's Table1 refers to Table2 and Table3 through enforced relationships: its
  // row's keys (7000...) have no referenced rows.
  for (const char* relative : {"jackcess/V2000/testIndexPropertiesV2000.mdb", "jackcess/V2000/indexTestV2000.mdb",
                               "jackcess/V2000/fixedTextTestV2000.mdb", "jackcess/V2007/indexCursorTestV2007.accdb",
                               "mdb-reader/V2016/attachments.accdb", "mdb-reader/V2003/test.mdb"}) {
    const auto file = CopyOfCorpusFile(relative);
    int written = 0, refused = 0;
    {
      auto session = jet::WriteSession::Open(file.string());
      ASSERT_TRUE(session.ok()) << relative;
      std::vector<std::string> names;
      for (const auto* e : (*session)->database().catalog().userTables()) names.push_back(e->name);
      for (const auto& name : names) {
        auto def = (*session)->database().tableDef(name);
        ASSERT_TRUE(def.ok());
        std::vector<Value> row;
        int32_t n = 7000 + written;
        for (const auto* c : (*def)->columnsByNumber()) {
          switch (c->type()) {
            case ColumnType::kLong: row.push_back(n); break;
            case ColumnType::kInteger: row.push_back(int16_t{7}); break;
            case ColumnType::kText:  // cut to the column's length (some are 1 character)
              row.push_back((std::string("w") + std::to_string(n)).substr(0, std::max<size_t>(1, c->length / 2)));
              break;
            case ColumnType::kMemo: row.push_back(std::string(100, 'm')); break;
            case ColumnType::kBoolean: row.push_back(true); break;
            default: row.push_back(jet::Null{});
          }
        }
        const std::string before = ReadFileBytes(file);
        jet::Status st = (*session)->insert(name, row);
        if (st.ok()) {
          ++written;
        } else {
          ++refused;
          // Also refused: Null in a column Access marks Required (the row leaves most columns Null).
          const bool required = st.code() == jet::ErrorCode::kInvalidArgument &&
                                st.message().find("a value is required") != std::string::npos;
          const bool unreferenced = st.code() == jet::ErrorCode::kInvalidArgument &&
                                    st.message().find("Table2 has no row with that id") != std::string::npos;
          EXPECT_TRUE(st.code() == jet::ErrorCode::kUnsupported || st.code() == jet::ErrorCode::kExists || required ||
                      unreferenced)
              << relative << " " << name << ": " << st.message();
          EXPECT_EQ(ReadFileBytes(file), before) << relative << " " << name;
        }
      }
      if (std::string(relative).find("attachments") != std::string::npos) {
        EXPECT_EQ((*session)->dropTable(names.front()).code(), jet::ErrorCode::kUnsupported);
      }
    }
    ExpectOraclesAgree(file);
    RecordProperty(relative, std::to_string(written) + " written, " + std::to_string(refused) + " refused");
  }
}

}  // namespace
}  // namespace jetwrite_test
