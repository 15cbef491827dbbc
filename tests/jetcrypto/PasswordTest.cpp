// Database passwords: corpus files open with their password and are refused without
// it or with a wrong one; files without a password accept anything.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "CorpusPages.h"
#include "jet/PageCodec.h"
#include "jet/crypto/HeaderMask.h"

namespace {

using jettest::CorpusPath;
using jettest::PageOf;
using jettest::ReadWholeFile;

struct ProtectedFile {
  const char* path;
  const char* password;
};

const ProtectedFile kProtectedFiles[] = {
    {"mdb-reader/password/V2000_with-password.mdb", "password"},
    {"mdb-reader/password/V2003_with-password.mdb", "password"},
    {"mdb-reader/password/V2010_with-password.accdb", "password"},  // agile AES-256, SHA-512
    {"mdb-reader/encryption/office-agile-4.4.accdb", "password"},   // agile AES-256, SHA-512
    {"mdb-reader/encryption/office-agile-4.2.accdb", "password"},   // RC4 CryptoAPI, 128-bit
};

// Decodes pages 1 and 2 with `codec` and says what is wrong with them, if anything.
std::string CheckSystemPages(const jet::PageCodec& codec, const std::vector<uint8_t>& file) {
  auto page1 = PageOf(file, 1);
  auto page2 = PageOf(file, 2);
  codec.decode(1, page1);
  codec.decode(2, page2);
  return jettest::DescribeBadSystemPages(page1, page2, file[0x14] == 0);
}

TEST(DatabasePassword, ProtectedFilesOpenOnlyWithTheirPassword) {
  for (const auto& entry : kProtectedFiles) {
    SCOPED_TRACE(entry.path);
    const auto file = ReadWholeFile(CorpusPath(entry.path));
    ASSERT_GT(file.size(), 3 * 4096u);
    const auto header = PageOf(file, 0);

    auto codec = jet::OpenPageCodec(header, entry.password, entry.path);
    ASSERT_TRUE(codec.ok()) << codec.status().message();
    EXPECT_EQ(CheckSystemPages(**codec, file), "");

    auto missing = jet::OpenPageCodec(header, "", entry.path);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.status().code(), jet::ErrorCode::kWrongPassword);
    EXPECT_NE(missing.status().message().find(entry.path), std::string::npos);
    EXPECT_NE(missing.status().message().find("needs a password"), std::string::npos);

    // Case matters, and neither a prefix nor a longer text is the password.
    for (const std::string wrong : {"Password", "passwor", "password1", "wrong"}) {
      auto refused = jet::OpenPageCodec(header, wrong, entry.path);
      ASSERT_FALSE(refused.ok()) << wrong;
      EXPECT_EQ(refused.status().code(), jet::ErrorCode::kWrongPassword);
      EXPECT_NE(refused.status().message().find("password given is wrong"), std::string::npos);
      EXPECT_NE(refused.status().message().find(entry.path), std::string::npos);
    }
  }
}

TEST(DatabasePassword, UnprotectedFilesAcceptAnyPassword) {
  std::set<std::string> protectedPaths;
  for (const auto& entry : kProtectedFiles) protectedPaths.insert(entry.path);
  int checked = 0;
  for (const auto& path : jettest::AllCorpusDatabases()) {
    if (protectedPaths.count(path)) continue;
    SCOPED_TRACE(path);
    const auto file = ReadWholeFile(CorpusPath(path));
    for (const std::string given : {"", "password", "anything at all"}) {
      auto codec = jet::OpenPageCodec(PageOf(file, 0), given, path);
      ASSERT_TRUE(codec.ok()) << codec.status().message();
      EXPECT_FALSE((*codec)->transforms());
      EXPECT_EQ(CheckSystemPages(**codec, file), "");
    }
    ++checked;
  }
  EXPECT_GE(checked, 50);
}

// Writes `field` (already in the file's text form) as the database password of a
// copy of `header`, masked the way the file stores it.
std::vector<uint8_t> WithPasswordField(std::vector<uint8_t> header, const std::vector<uint8_t>& field) {
  const bool jet3 = header[0x14] == 0;
  jet::ApplyHeaderMask(header, jet3);
  uint8_t dateMask[4] = {0, 0, 0, 0};
  if (!jet3) {
    double created = 0;
    std::memcpy(&created, header.data() + 0x72, sizeof created);
    const auto whole = static_cast<uint32_t>(static_cast<int32_t>(created));
    for (int i = 0; i < 4; ++i) dateMask[i] = static_cast<uint8_t>(whole >> (8 * i));
  }
  const size_t length = jet3 ? 20 : 40;
  for (size_t i = 0; i < length; ++i) header[0x42 + i] = (i < field.size() ? field[i] : 0) ^ dateMask[i % 4];
  jet::ApplyHeaderMask(header, jet3);
  return header;
}

TEST(DatabasePassword, Jet3PasswordIsPlainCodePageText) {
  const auto file = ReadWholeFile(CorpusPath("mdb-reader/password/V1997_no-password.mdb"));
  // "Geheim\xE9" in Windows-1252: the last letter is e-acute.
  const auto header = WithPasswordField(PageOf(file, 0), {'G', 'e', 'h', 'e', 'i', 'm', 0xE9});
  EXPECT_TRUE(jet::OpenPageCodec(header, "Geheim\xC3\xA9", "old.mdb").ok());
  EXPECT_EQ(jet::OpenPageCodec(header, "geheim\xC3\xA9", "old.mdb").status().code(), jet::ErrorCode::kWrongPassword);
  EXPECT_EQ(jet::OpenPageCodec(header, "Geheim", "old.mdb").status().code(), jet::ErrorCode::kWrongPassword);
  EXPECT_EQ(jet::OpenPageCodec(header, "", "old.mdb").status().code(), jet::ErrorCode::kWrongPassword);
}

TEST(DatabasePassword, Jet4PasswordOfTwentyCharactersOutsideAscii) {
  const auto file = ReadWholeFile(CorpusPath("mdb-reader/password/V2000_no-password.mdb"));
  // 19 x 'a' then U+20AC (euro sign): the longest password Jet4 stores.
  std::vector<uint8_t> field;
  for (int i = 0; i < 19; ++i) field.insert(field.end(), {'a', 0});
  field.insert(field.end(), {0xAC, 0x20});
  const auto header = WithPasswordField(PageOf(file, 0), field);
  const std::string password = std::string(19, 'a') + "\xE2\x82\xAC";
  EXPECT_TRUE(jet::OpenPageCodec(header, password, "new.mdb").ok());
  EXPECT_EQ(jet::OpenPageCodec(header, std::string(19, 'a'), "new.mdb").status().code(),
            jet::ErrorCode::kWrongPassword);
  EXPECT_EQ(jet::OpenPageCodec(header, password + "a", "new.mdb").status().code(), jet::ErrorCode::kWrongPassword);
}

TEST(DatabasePassword, DamagedHeaderIsReportedNotRead) {
  const auto file = ReadWholeFile(CorpusPath("mdb-reader/password/V2000_with-password.mdb"));
  const auto header = PageOf(file, 0);
  for (size_t length : {0u, 0x10u, 0x60u, 0x97u}) {
    auto codec = jet::OpenPageCodec(std::span(header.data(), length), "password", "cut.mdb");
    ASSERT_FALSE(codec.ok());
    EXPECT_EQ(codec.status().code(), jet::ErrorCode::kCorrupt);
    EXPECT_NE(codec.status().message().find("cut.mdb"), std::string::npos);
  }
}

}  // namespace
