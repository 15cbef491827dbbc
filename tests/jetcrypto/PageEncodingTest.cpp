// Jet RC4 page encoding. The corpus has no encoded file, so plain corpus files are
// encoded with a key here; mdbtools, an independent reader, must then read the copy
// the same as the original, which pins the per-page key derivation.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "CorpusPages.h"
#include "jet/PageCodec.h"
#include "jet/crypto/HeaderMask.h"
#include "jet/crypto/JetRc4Codec.h"
#include "jet/crypto/Rc4.h"

namespace {

using jettest::CorpusPath;
using jettest::PageOf;
using jettest::ReadWholeFile;

constexpr std::array<uint8_t, 4> kKey = {0x5A, 0x13, 0xC4, 0x9E};

// A copy of `file` with the encoding key set in its header and every later page encoded.
std::vector<uint8_t> EncodeWholeFile(std::vector<uint8_t> file) {
  const bool jet3 = file[0x14] == 0;
  const uint32_t pageSize = jettest::PageSizeOf(file);
  std::span<uint8_t> header(file.data(), pageSize);
  jet::ApplyHeaderMask(header, jet3);
  std::copy(kKey.begin(), kKey.end(), header.begin() + 0x3E);
  jet::ApplyHeaderMask(header, jet3);
  const jet::JetRc4Codec codec(kKey);
  for (uint32_t page = 1; (page + 1) * size_t{pageSize} <= file.size(); ++page) {
    codec.encode(page, std::span(file.data() + page * size_t{pageSize}, pageSize));
  }
  return file;
}

TEST(Rc4, KnownAnswers) {
  // Published RC4 test vectors: key "Key" / "Plaintext", key "Wiki" / "pedia".
  const std::string key1 = "Key", key2 = "Wiki";
  std::vector<uint8_t> text1 = {'P', 'l', 'a', 'i', 'n', 't', 'e', 'x', 't'};
  std::vector<uint8_t> text2 = {'p', 'e', 'd', 'i', 'a'};
  jet::Rc4Apply(std::span(reinterpret_cast<const uint8_t*>(key1.data()), key1.size()), text1);
  jet::Rc4Apply(std::span(reinterpret_cast<const uint8_t*>(key2.data()), key2.size()), text2);
  EXPECT_EQ(text1, (std::vector<uint8_t>{0xBB, 0xF3, 0x16, 0xE8, 0xD9, 0x40, 0xAF, 0x0A, 0xD3}));
  EXPECT_EQ(text2, (std::vector<uint8_t>{0x10, 0x21, 0xBF, 0x04, 0x20}));
}

TEST(JetPageEncoding, EncodedCopiesDecodeToTheOriginalPages) {
  for (const char* path :
       {"mdb-reader/V1997/test.mdb", "mdb-reader/V2000/test.mdb", "mdb-reader/password/V2003_with-password.mdb"}) {
    SCOPED_TRACE(path);
    const auto plain = ReadWholeFile(CorpusPath(path));
    const auto encoded = EncodeWholeFile(plain);
    const uint32_t pageSize = jettest::PageSizeOf(plain);
    const bool hasPassword = std::string(path).find("with-password") != std::string::npos;

    auto codec = jet::OpenPageCodec(PageOf(encoded, 0), hasPassword ? "password" : "", path);
    ASSERT_TRUE(codec.ok()) << codec.status().message();
    ASSERT_TRUE((*codec)->transforms());
    EXPECT_EQ((*codec)->scheme(), "Jet RC4 page encoding");
    if (hasPassword) {
      // The password still guards an encoded file.
      EXPECT_EQ(jet::OpenPageCodec(PageOf(encoded, 0), "", path).status().code(), jet::ErrorCode::kWrongPassword);
    }
    const uint32_t pages = static_cast<uint32_t>(plain.size() / pageSize);
    for (uint32_t page = 1; page < pages; ++page) {
      auto bytes = PageOf(encoded, page);
      ASSERT_NE(bytes, PageOf(plain, page)) << "page " << page << " was not encoded";
      (*codec)->decode(page, bytes);
      ASSERT_EQ(bytes, PageOf(plain, page)) << "page " << page;
      (*codec)->encode(page, bytes);
      ASSERT_EQ(bytes, PageOf(encoded, page)) << "page " << page;
    }
  }
}

std::string RunCommand(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  pclose(pipe);
  return out;
}

TEST(JetPageEncoding, MdbtoolsReadsOurEncodedCopies) {
  if (RunCommand("command -v mdb-tables").empty()) GTEST_SKIP() << "mdbtools is not installed";
  const auto dir = std::filesystem::temp_directory_path() / ("jetcrypto-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  for (const char* path : {"mdb-reader/V1997/test.mdb", "mdb-reader/V2000/test.mdb"}) {
    SCOPED_TRACE(path);
    const auto copy = dir / "encoded.mdb";
    const auto encoded = EncodeWholeFile(ReadWholeFile(CorpusPath(path)));
    std::ofstream(copy, std::ios::binary).write(reinterpret_cast<const char*>(encoded.data()), encoded.size());
    const std::string listing = RunCommand("mdb-tables -1 -S '" + CorpusPath(path) + "' 2>&1");
    ASSERT_NE(listing.find("MSysObjects"), std::string::npos) << listing;
    EXPECT_EQ(RunCommand("mdb-tables -1 -S '" + copy.string() + "' 2>&1"), listing);
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
