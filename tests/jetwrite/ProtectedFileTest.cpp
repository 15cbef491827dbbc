// Writing protected files: encrypted .accdb (RC4 CryptoAPI and agile AES) and Jet4 and
// Jet3 (Access 97) RC4-encoded .mdb (the corpus has no encoded file, so plain ones are
// encoded here with a key). Each gets tables with long memo, binary and unicode values
// (Windows-1252 text in Access 97 files), a copy and a drop;
// then both readers must read the written rows, the untouched table as before, the
// header page (with the encryption data) as it was, and the password nowhere in the file.
#include <gtest/gtest.h>

#include <fstream>

#include "WriteOracles.h"
#include "jet/check/DatabaseCheck.h"
#include "jet/crypto/HeaderMask.h"
#include "jet/crypto/JetRc4Codec.h"
#include "jet/write/WriteSession.h"

namespace jetwrite_test {
namespace {

using jet::ColumnType;
using jet::Value;

struct ProtectedCase {
  std::string corpusFile;
  std::string password;
  std::string scheme;     // what the reader reports
  bool mdbtools = false;  // it cannot decrypt .accdb encryption
  bool jetEncode = false;  // encode the copy's pages with a Jet RC4 key first
  std::string label;       // the test's name, when the file's own would repeat another
  bool setPassword = false;  // give the copy `password` first (Access 97: plain in the masked header)
};

constexpr std::array<uint8_t, 4> kEncodingKey = {0x5A, 0x13, 0xC4, 0x9E};

bool IsJet3(const std::string& bytes) { return bytes.size() > 0x14 && bytes[0x14] == 0; }
uint32_t PageSizeOf(const std::string& bytes) { return IsJet3(bytes) ? 2048 : 4096; }

// Gives the Access 97 file `file` a database password: up to 20 Windows-1252 bytes at 0x42,
// inside the masked part of the header.
void SetJet3Password(const std::filesystem::path& file, const std::string& password) {
  std::string bytes = ReadFileBytes(file);
  std::span<uint8_t> header(reinterpret_cast<uint8_t*>(bytes.data()), 2048);
  jet::ApplyHeaderMask(header, true);
  std::fill(header.begin() + 0x42, header.begin() + 0x42 + 20, uint8_t{0});
  std::copy(password.begin(), password.end(), header.begin() + 0x42);
  jet::ApplyHeaderMask(header, true);
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// Sets the Jet RC4 encoding key in the header of `file` and encodes every later page.
void EncodeWithJetRc4(const std::filesystem::path& file) {
  std::string bytes = ReadFileBytes(file);
  auto* data = reinterpret_cast<uint8_t*>(bytes.data());
  const bool jet3 = IsJet3(bytes);
  const uint32_t pageSize = PageSizeOf(bytes);
  std::span<uint8_t> header(data, pageSize);
  jet::ApplyHeaderMask(header, jet3);
  std::copy(kEncodingKey.begin(), kEncodingKey.end(), header.begin() + 0x3E);
  jet::ApplyHeaderMask(header, jet3);
  const jet::JetRc4Codec codec(kEncodingKey);
  for (uint32_t page = 1; (page + 1) * size_t{pageSize} <= bytes.size(); ++page) {
    codec.encode(page, std::span(data + page * size_t{pageSize}, pageSize));
  }
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// The dump text of one table (its object in the golden JSON).
std::string TableInDump(const std::string& dump, const std::string& name) {
  const auto from = dump.find("\"name\": \"" + name + "\"");
  if (from == std::string::npos) return {};
  return dump.substr(from, dump.find("\n    }", from) - from);
}

class ProtectedFileWrite : public ::testing::TestWithParam<ProtectedCase> {};

TEST_P(ProtectedFileWrite, TablesAreWrittenEncodedWithTheFileKeys) {
  const ProtectedCase& c = GetParam();
  const auto file = CopyOfCorpusFile(c.corpusFile);
  if (c.setPassword) SetJet3Password(file, c.password);
  if (c.jetEncode) EncodeWithJetRc4(file);
  const std::string before = ReadFileBytes(file);
  const std::string dumpBefore = OurDump(file, c.password);
  ASSERT_NE(TableInDump(dumpBefore, "Table1"), "");

  // Access 97 files keep text in their code page (Windows-1252 here).
  const std::string unicode = IsJet3(before) ? "Zo\xC3\xAB \xE2\x82\xAC \xC3\xBF\xE2\x80\x94"
                                             : "Zo\xC3\xAB \xE2\x82\xAC \xE6\x97\xA5\xE6\x9C\xAC";
  const size_t pageSize = PageSizeOf(before);
  {
    auto session = jet::WriteSession::Open(file.string(), c.password);
    ASSERT_TRUE(session.ok()) << session.status().message();
    EXPECT_EQ((*session)->database().file().header().databaseKey != 0, c.scheme != "none");
    ASSERT_TRUE((*session)
                    ->createTable("Added", {{"Id", ColumnType::kLong},
                                            {"Name", ColumnType::kText, 100},
                                            {"Notes", ColumnType::kMemo},
                                            {"Picture", ColumnType::kOle},
                                            {"Raw", ColumnType::kBinary, 20}})
                    .ok());
    for (int32_t id = 1; id <= 40; ++id) {
      std::string notes;
      for (int k = 0; k < id * 40; ++k) notes += unicode + " " + std::to_string(k) + ";";
      std::vector<uint8_t> picture(static_cast<size_t>(id) * 500);
      for (size_t k = 0; k < picture.size(); ++k) picture[k] = static_cast<uint8_t>(k * 7 + id);
      jet::Status s = (*session)->insert(
          "Added", {id, unicode + std::to_string(id), notes, jet::Binary{picture},
                    jet::Binary{{static_cast<uint8_t>(id), 0x00, 0xFF}}});
      ASSERT_TRUE(s.ok()) << s.message();
    }
    ASSERT_TRUE((*session)->copyTable("Table1", "Copied").ok());
    ASSERT_TRUE((*session)->createTable("Gone", {{"Text", ColumnType::kMemo}}).ok());
    ASSERT_TRUE((*session)->insert("Gone", {std::string(20000, 'g')}).ok());
    ASSERT_TRUE((*session)->dropTable("Gone").ok());
  }
  if (c.setPassword) EXPECT_EQ(jet::WriteSession::Open(file.string(), "wrong").status().code(),
                               jet::ErrorCode::kWrongPassword);
  const std::string after = ReadFileBytes(file);
  ASSERT_GT(after.size(), before.size());
  // The header page, which holds the encryption data, is the same byte for byte.
  EXPECT_EQ(after.substr(0, pageSize), before.substr(0, pageSize));
  // No page is plain: a plain data or table page starts with its type byte and 0x01.
  for (size_t at = pageSize; c.scheme != "none" && at + pageSize <= after.size(); at += pageSize) {
    const uint8_t type = static_cast<uint8_t>(after[at]);
    EXPECT_FALSE(type >= 1 && type <= 4 && after[at + 1] == 0x01 &&
                 ((after[at + 2] == 0 && after[at + 3] == 0) || (after[at + 2] == 'V' && after[at + 3] == 'C')) &&
                 after.substr(at, pageSize) != before.substr(at, pageSize))
        << "page " << at / pageSize << " was written plain";
  }
  for (const std::string& form : {c.password, std::string("p\0a\0s\0s\0w\0o\0r\0d\0", 16)}) {
    EXPECT_EQ(before.find(form) == std::string::npos, after.find(form) == std::string::npos);
  }

  const std::string dumpAfter = OurDump(file, c.password);
  EXPECT_EQ(TableInDump(dumpAfter, "Table1"), TableInDump(dumpBefore, "Table1"));
  EXPECT_EQ(TableInDump(dumpAfter, "Gone"), "");
  EXPECT_NE(TableInDump(dumpAfter, "Added").find("\"row_count\": 40"), std::string::npos);
  EXPECT_NE(TableInDump(dumpAfter, "Added").find(unicode + "40"), std::string::npos);
  const std::string source = TableInDump(dumpBefore, "Table1");
  const std::string copy = TableInDump(dumpAfter, "Copied");
  EXPECT_EQ(copy.substr(copy.find("\"row_count\"")), source.substr(source.find("\"row_count\"")));
  ExpectOraclesAgree(file, true, c.password, c.mdbtools);
  auto report = jet::check::CheckDatabase(file.string(), c.password);
  ASSERT_TRUE(report.ok()) << report.status().message();
  for (const auto& problem : report->problems) ADD_FAILURE() << problem;
}

// A batch larger than the writer keeps in memory: its appended pages go to disk early, in
// runs encrypted in one buffer; both readers then read every row.
TEST(ProtectedFileWrite, LongBatchWritesEncryptedPagesEarly) {
  for (const char* corpusFile : {"mdb-reader/encryption/office-agile-4.4.accdb", "mdb-reader/encryption/office-agile-4.2.accdb"}) {
    SCOPED_TRACE(corpusFile);
    const auto file = CopyOfCorpusFile(corpusFile);
    const size_t sizeBefore = std::filesystem::file_size(file);
    {
      auto session = jet::WriteSession::Open(file.string(), "password");
      ASSERT_TRUE(session.ok()) << session.status().message();
      (*session)->beginBatch();
      ASSERT_TRUE((*session)->createTable("Long", {{"Id", ColumnType::kLong}, {"Notes", ColumnType::kMemo}}).ok());
      for (int32_t id = 0; id < 400; ++id) {
        ASSERT_TRUE((*session)->insert("Long", {id, std::string(15000 + id, static_cast<char>('a' + id % 26))}).ok());
      }
      // Pages went to disk before the commit.
      EXPECT_GT(std::filesystem::file_size(file), sizeBefore + 1024 * 4096);
      ASSERT_TRUE((*session)->commitBatch().ok());
    }
    const std::string dump = OurDump(file, "password");
    EXPECT_NE(TableInDump(dump, "Long").find("\"row_count\": 400"), std::string::npos);
    ExpectOraclesAgree(file, true, "password", false);
    auto report = jet::check::CheckDatabase(file.string(), "password");
    ASSERT_TRUE(report.ok()) << report.status().message();
    for (const auto& problem : report->problems) ADD_FAILURE() << problem;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, ProtectedFileWrite,
    ::testing::Values(
        ProtectedCase{"mdb-reader/encryption/office-agile-4.2.accdb", "password", "RC4 CryptoAPI"},
        ProtectedCase{"mdb-reader/encryption/office-agile-4.4.accdb", "password", "agile AES"},
        ProtectedCase{"mdb-reader/password/V2010_with-password.accdb", "password", "agile AES"},
        ProtectedCase{"mdb-reader/V2003/test.mdb", "", "Jet RC4", true, true},
        ProtectedCase{"mdb-reader/V1997/test.mdb", "", "Jet RC4", true, true, "V1997_test_encoded"},
        ProtectedCase{"mdb-reader/password/V1997_no-password.mdb", "", "Jet RC4", true, true},
        ProtectedCase{"mdb-reader/password/V1997_no-password.mdb", "s3cret", "Jet RC4", true, true,
                      "V1997_with_password_encoded", true},
        ProtectedCase{"mdb-reader/password/V2000_with-password.mdb", "password", "Jet RC4", true, true},
        ProtectedCase{"mdb-reader/password/V2003_with-password.mdb", "password", "none", true, false}),
    [](const auto& info) {
      std::string name = !info.param.label.empty() ? info.param.label
                                                   : std::filesystem::path(info.param.corpusFile).stem().string() +
                                                         (info.param.jetEncode ? "_encoded" : "");
      for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      }
      return name;
    });

}  // namespace
}  // namespace jetwrite_test
