// ACCDB encryption: every page of the encrypted corpus files decodes to a valid page
// and encodes back to the stored bytes; agile parameters the corpus lacks (SHA-1,
// AES-128) run through a description built here; other schemes and damaged
// descriptions are refused with a clear error, never a crash.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "CorpusPages.h"
#include "jet/PageCodec.h"
#include "jet/crypto/AesCbc.h"
#include "jet/crypto/AgileCodec.h"
#include "jet/crypto/AgileDescription.h"
#include "jet/crypto/Digest.h"
#include "jet/crypto/HeaderMask.h"

namespace {

using jettest::CorpusPath;
using jettest::PageOf;
using jettest::ReadWholeFile;

constexpr const char* kRc4CryptoApiFile = "mdb-reader/encryption/office-agile-4.2.accdb";
constexpr const char* kAgileFile = "mdb-reader/encryption/office-agile-4.4.accdb";

uint32_t PageCount(const std::vector<uint8_t>& file) { return static_cast<uint32_t>(file.size() / 4096); }

TEST(OfficeEncryption, EveryPageDecodesAndEncodesBack) {
  const std::pair<const char*, const char*> files[] = {{kRc4CryptoApiFile, "RC4 CryptoAPI (128-bit)"},
                                                       {kAgileFile, "agile AES-256, SHA512"}};
  for (const auto& [path, scheme] : files) {
    SCOPED_TRACE(path);
    const auto file = ReadWholeFile(CorpusPath(path));
    auto codec = jet::OpenPageCodec(PageOf(file, 0), "password", path);
    ASSERT_TRUE(codec.ok()) << codec.status().message();
    EXPECT_EQ((*codec)->scheme(), scheme);
    for (uint32_t page = 1; page < PageCount(file); ++page) {
      const auto stored = PageOf(file, page);
      auto bytes = stored;
      (*codec)->decode(page, bytes);
      ASSERT_TRUE(bytes[0] >= 1 && bytes[0] <= 5 && bytes[1] == 1) << "page " << page;
      (*codec)->encode(page, bytes);
      ASSERT_EQ(bytes, stored) << "page " << page;
    }
  }
}

// A header page with `description` stored at 0x299 and the encoding key set.
std::vector<uint8_t> WithDescription(std::vector<uint8_t> header, const std::vector<uint8_t>& description) {
  jet::ApplyHeaderMask(header, false);
  const uint8_t key[4] = {0x21, 0x43, 0x65, 0x07};
  std::memcpy(header.data() + 0x3E, key, 4);
  jet::ApplyHeaderMask(header, false);
  header[0x299] = static_cast<uint8_t>(description.size());
  header[0x29A] = static_cast<uint8_t>(description.size() >> 8);
  std::copy(description.begin(), description.end(), header.begin() + 0x29B);
  return header;
}

std::vector<uint8_t> Description(const std::vector<uint8_t>& file) {
  const size_t length = file[0x299] | (file[0x29A] << 8);
  return {file.begin() + 0x29B, file.begin() + 0x29B + length};
}

std::string Base64(const std::vector<uint8_t>& bytes) {
  static const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const uint32_t n =
        (bytes[i] << 16) | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0) | (i + 2 < bytes.size() ? bytes[i + 2] : 0);
    out += kAlphabet[(n >> 18) & 63];
    out += kAlphabet[(n >> 12) & 63];
    out += i + 1 < bytes.size() ? kAlphabet[(n >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? kAlphabet[n & 63] : '=';
  }
  return out;
}

// An agile description for `password` as Office writes one, with our choice of
// hash, key size and spin count, encrypting `keyValue`.
std::vector<uint8_t> AgileDescriptionFor(const std::string& hashName, uint32_t keyBits, uint32_t spinCount,
                                         const std::vector<uint8_t>& keyValue, const std::string& password) {
  std::mt19937 random(7);
  auto randomBytes = [&random](size_t n) {
    std::vector<uint8_t> out(n);
    for (auto& b : out) b = static_cast<uint8_t>(random());
    return out;
  };
  const auto digest = jet::Digest::Create(hashName);
  const auto aes = jet::AesCbc::Create(keyBits);
  const auto keySalt = randomBytes(16), passwordSalt = randomBytes(16), verifier = randomBytes(16);
  std::vector<uint8_t> passwordBytes;
  for (char c : password) passwordBytes.insert(passwordBytes.end(), {static_cast<uint8_t>(c), 0});
  const auto iterated = digest->iteratedPasswordHash(passwordSalt, passwordBytes, spinCount);
  auto encrypt = [&](std::span<const uint8_t> block, std::vector<uint8_t> plain) {
    const auto key = jet::FixLength(digest->hash({iterated, block}), keyBits / 8, 0x36);
    plain.resize((plain.size() + 15) / 16 * 16, 0);
    aes->encrypt(key, passwordSalt, plain);
    return plain;
  };
  const std::string attributes = "blockSize=\"16\" keyBits=\"" + std::to_string(keyBits) + "\" hashSize=\"" +
                                 std::to_string(digest->size()) +
                                 "\" cipherAlgorithm=\"AES\" cipherChaining=\"ChainingModeCBC\" hashAlgorithm=\"" +
                                 hashName + "\" saltSize=\"16\" ";
  const std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<encryption "
      "xmlns=\"http://schemas.microsoft.com/office/2006/encryption\" "
      "xmlns:p=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\"><keyData " +
      attributes + "saltValue=\"" + Base64(keySalt) +
      "\"/><keyEncryptors><keyEncryptor uri=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
      "<p:encryptedKey spinCount=\"" +
      std::to_string(spinCount) + "\" " + attributes + "saltValue=\"" + Base64(passwordSalt) +
      "\" encryptedVerifierHashInput=\"" + Base64(encrypt(jet::kAgileVerifierInputBlock, verifier)) +
      "\" encryptedVerifierHashValue=\"" + Base64(encrypt(jet::kAgileVerifierValueBlock, digest->hash({verifier}))) +
      "\" encryptedKeyValue=\"" + Base64(encrypt(jet::kAgileKeyValueBlock, keyValue)) +
      "\"/></keyEncryptor></keyEncryptors></encryption>";
  std::vector<uint8_t> out(8 + xml.size());
  const uint8_t version[8] = {4, 0, 4, 0, 0x40, 0, 0, 0};
  std::copy(std::begin(version), std::end(version), out.begin());
  std::copy(xml.begin(), xml.end(), out.begin() + 8);
  return out;
}

TEST(OfficeEncryption, AgileWithOtherHashesAndKeySizes) {
  const auto plain = ReadWholeFile(CorpusPath("mdb-reader/V2010/test.accdb"));
  struct Parameters {
    const char* hash;
    uint32_t keyBits;
  };
  for (const Parameters p : {Parameters{"SHA1", 128}, Parameters{"SHA256", 192}, Parameters{"SHA384", 256}}) {
    SCOPED_TRACE(p.hash);
    std::vector<uint8_t> keyValue(p.keyBits / 8);
    for (size_t i = 0; i < keyValue.size(); ++i) keyValue[i] = static_cast<uint8_t>(i * 37 + 11);
    const auto header =
        WithDescription(PageOf(plain, 0), AgileDescriptionFor(p.hash, p.keyBits, 1000, keyValue, "Sesam"));
    auto writer = jet::OpenPageCodec(header, "Sesam", "made.accdb");
    ASSERT_TRUE(writer.ok()) << writer.status().message();
    EXPECT_EQ(jet::OpenPageCodec(header, "sesam", "made.accdb").status().code(), jet::ErrorCode::kWrongPassword);

    std::vector<std::vector<uint8_t>> encoded;
    for (uint32_t page = 1; page < PageCount(plain); ++page) {
      encoded.push_back(PageOf(plain, page));
      (*writer)->encode(page, encoded.back());
      ASSERT_NE(encoded.back(), PageOf(plain, page));
    }
    auto reader = jet::OpenPageCodec(header, "Sesam", "made.accdb");
    ASSERT_TRUE(reader.ok());
    for (uint32_t page = 1; page < PageCount(plain); ++page) {
      (*reader)->decode(page, encoded[page - 1]);
      ASSERT_EQ(encoded[page - 1], PageOf(plain, page)) << "page " << page;
    }
  }
}

TEST(OfficeEncryption, OtherSchemesAreRefusedByName) {
  const auto rc4 = ReadWholeFile(CorpusPath(kRc4CryptoApiFile));
  const auto agile = ReadWholeFile(CorpusPath(kAgileFile));
  struct Case {
    std::vector<uint8_t> description;
    const char* expected;
  };
  std::vector<Case> cases;
  auto rc4Description = Description(rc4);
  auto patched = [](std::vector<uint8_t> d, size_t at, std::vector<uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), d.begin() + at);
    return d;
  };
  cases.push_back({patched(rc4Description, 0, {4, 0, 3, 0}), "extensible"});
  cases.push_back({patched(rc4Description, 0, {1, 0, 1, 0}), "binary RC4"});
  cases.push_back({patched(rc4Description, 4, {0x24, 0, 0, 0}), "standard AES"});
  cases.push_back({patched(rc4Description, 4, {0x08, 0, 0, 0}), "unknown scheme"});
  cases.push_back({patched(rc4Description, 0, {9, 0, 9, 0}), "unknown scheme (9.9)"});
  std::string agileXml(reinterpret_cast<const char*>(Description(agile).data()), Description(agile).size());
  auto replaced = [&agileXml](const std::string& from, const std::string& to) {
    std::string text = agileXml;
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
      text.replace(at, from.size(), to);
    }
    return std::vector<uint8_t>(text.begin(), text.end());
  };
  cases.push_back({replaced("keyEncryptor/password\"><p:", "keyEncryptor/certificate\"><p:"), "certificate"});
  cases.push_back({replaced("cipherAlgorithm=\"AES\"", "cipherAlgorithm=\"3DES\""), "the cipher 3DES"});
  cases.push_back({replaced("hashAlgorithm=\"SHA512\"", "hashAlgorithm=\"MD5\""), "the hash MD5"});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    auto codec = jet::OpenPageCodec(WithDescription(PageOf(agile, 0), c.description), "password", "odd.accdb");
    ASSERT_FALSE(codec.ok());
    EXPECT_EQ(codec.status().code(), jet::ErrorCode::kUnsupported);
    EXPECT_NE(codec.status().message().find(c.expected), std::string::npos) << codec.status().message();
    EXPECT_NE(codec.status().message().find("odd.accdb"), std::string::npos);
  }
}

TEST(OfficeEncryption, DamagedDescriptionsAreCorruptNotCrashes) {
  const auto rc4 = ReadWholeFile(CorpusPath(kRc4CryptoApiFile));
  const auto agile = ReadWholeFile(CorpusPath(kAgileFile));
  // Cut short anywhere before its last value: refused, never read past the end. (The
  // agile XML may lose its closing tags and still say everything.)
  for (const auto* file : {&rc4, &agile}) {
    const auto description = Description(*file);
    const std::string text(description.begin(), description.end());
    const size_t lastValue = file == &agile ? text.rfind("\"/>") : description.size();
    for (size_t length = 0; length < lastValue; length += 7) {
      const std::vector<uint8_t> cut(description.begin(), description.begin() + length);
      auto codec = jet::OpenPageCodec(WithDescription(PageOf(*file, 0), cut), "password", "cut.accdb");
      ASSERT_FALSE(codec.ok()) << length;
      EXPECT_NE(codec.status().code(), jet::ErrorCode::kOk);
    }
  }
  // A length field pointing past the page.
  auto header = PageOf(agile, 0);
  header[0x299] = 0xFF;
  header[0x29A] = 0xFF;
  EXPECT_EQ(jet::OpenPageCodec(header, "password", "long.accdb").status().code(), jet::ErrorCode::kCorrupt);

  // Random bytes flipped in the RC4 description (cheap to open) must end in a clean result.
  std::mt19937 random(1234);
  const auto description = Description(rc4);
  for (int round = 0; round < 3000; ++round) {
    auto mutated = description;
    for (int flips = 1 + random() % 4; flips > 0; --flips) mutated[random() % mutated.size()] ^= 1 << (random() % 8);
    auto codec = jet::OpenPageCodec(WithDescription(PageOf(rc4, 0), mutated), "password", "flip.accdb");
    if (codec.ok()) {
      auto page = PageOf(rc4, 1);
      (*codec)->decode(1, page);
    }
  }
}

TEST(OfficeEncryption, FlippedBytesInTheAgileDescriptionEndCleanly) {
  const auto agile = ReadWholeFile(CorpusPath(kAgileFile));
  // One spin instead of 100000 keeps each open cheap; the password check then fails,
  // but parsing and key derivation run on every mutation.
  auto description = Description(agile);
  std::string text(description.begin(), description.end());
  const size_t spin = text.find("spinCount=\"100000\"");
  ASSERT_NE(spin, std::string::npos);
  text.replace(spin, 18, "spinCount=\"1\"     ");
  description.assign(text.begin(), text.end());
  std::mt19937 random(99);
  for (int round = 0; round < 2000; ++round) {
    auto mutated = description;
    for (int flips = 1 + random() % 4; flips > 0; --flips) mutated[random() % mutated.size()] ^= 1 << (random() % 8);
    auto codec = jet::OpenPageCodec(WithDescription(PageOf(agile, 0), mutated), "password", "flip.accdb");
    ASSERT_FALSE(codec.ok());
    ASSERT_NE(codec.status().message().find("flip.accdb"), std::string::npos);
  }
}

TEST(AgileDescription, Base64AsTheDescriptionsUseIt) {
  std::vector<uint8_t> out;
  ASSERT_TRUE(jet::DecodeBase64("TWFu", out));
  EXPECT_EQ(out, (std::vector<uint8_t>{'M', 'a', 'n'}));
  ASSERT_TRUE(jet::DecodeBase64("TWE=", out));
  EXPECT_EQ(out, (std::vector<uint8_t>{'M', 'a'}));
  ASSERT_TRUE(jet::DecodeBase64("TQ==\r\n", out));
  EXPECT_EQ(out, (std::vector<uint8_t>{'M'}));
  EXPECT_FALSE(jet::DecodeBase64("TWF", out));
  EXPECT_FALSE(jet::DecodeBase64("T!F=", out));
}

}  // namespace
