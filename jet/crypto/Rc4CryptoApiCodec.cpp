#include "jet/crypto/Rc4CryptoApiCodec.h"

#include <algorithm>
#include <cctype>

#include "jet/crypto/ByteReader.h"
#include "jet/crypto/Digest.h"
#include "jet/crypto/JetPassword.h"
#include "jet/crypto/JetRc4Codec.h"
#include "jet/crypto/OfficePassword.h"
#include "jet/crypto/Rc4.h"

namespace jet {
namespace {

// Encryption header (after the 4-byte version, the 4-byte flags copy and its length).
constexpr size_t kHeaderLengthOffset = 8;
constexpr size_t kHeaderOffset = 12;
constexpr size_t kHeaderFixedLength = 32;  // flags, size extra, algorithm, hash, key bits, provider, 2 reserved
constexpr uint32_t kFlagCryptoApi = 0x04;
constexpr uint32_t kFlagExternal = 0x10;
constexpr uint32_t kFlagAes = 0x20;
constexpr uint32_t kAlgorithmRc4 = 0x6801;
constexpr uint32_t kHashSha1 = 0x8004;
constexpr size_t kSaltLength = 16;
constexpr size_t kVerifierLength = 16;
constexpr size_t kSha1Length = 20;

class Rc4CryptoApiCodec final : public PageCodec {
 public:
  Rc4CryptoApiCodec(std::unique_ptr<Digest> sha1, std::vector<uint8_t> baseHash, size_t keyBytes,
                    const std::array<uint8_t, 4>& encodingKey)
      : sha1_(std::move(sha1)), baseHash_(std::move(baseHash)), keyBytes_(keyBytes), encodingKey_(encodingKey) {}

  void decode(uint32_t page, std::span<uint8_t> bytes) const override { apply(page, bytes); }
  void encode(uint32_t page, std::span<uint8_t> bytes) const override { apply(page, bytes); }
  std::string scheme() const override { return "RC4 CryptoAPI (" + std::to_string(keyBytes_ * 8) + "-bit)"; }

  std::vector<uint8_t> keyForBlock(std::span<const uint8_t> block) const {
    std::vector<uint8_t> key = FixLength(sha1_->hash({baseHash_, block}), keyBytes_, 0);
    // CryptoAPI keeps 40-bit RC4 keys as 128-bit keys whose upper bytes are zero.
    if (keyBytes_ == 5) key.resize(16, 0);
    return key;
  }

 private:
  void apply(uint32_t page, std::span<uint8_t> bytes) const {
    const auto block = PageBlockBytes(encodingKey_, page);
    Rc4Apply(keyForBlock(block), bytes);
  }

  std::unique_ptr<Digest> sha1_;
  std::vector<uint8_t> baseHash_;
  size_t keyBytes_;
  std::array<uint8_t, 4> encodingKey_;
};

// The RC4 key length in bits; 0 in the header means "by provider": 40 bits for the
// base provider (or none named), 128 otherwise.
uint32_t EffectiveKeyBits(uint32_t keyBits, std::span<const uint8_t> providerName) {
  if (keyBits != 0) return keyBits;
  std::string name;
  for (size_t i = 0; i + 1 < providerName.size(); i += 2) {
    const uint16_t unit = providerName[i] | (providerName[i + 1] << 8);
    if (unit == 0) break;
    name += unit < 0x80 ? static_cast<char>(std::tolower(unit)) : '?';
  }
  const bool blank = name.find_first_not_of(' ') == std::string::npos;
  return blank || name.find(" base ") != std::string::npos ? 40 : 128;
}

}  // namespace

Result<std::unique_ptr<PageCodec>> OpenRc4CryptoApiCodec(const std::array<uint8_t, 4>& encodingKey,
                                                         std::span<const uint8_t> description,
                                                         const std::string& password, const std::string& fileName) {
  auto corrupt = [&fileName](const std::string& what) {
    return Status::Corrupt(Where::File(fileName), "the RC4 encryption description is damaged (" + what + ")");
  };
  auto unsupported = [&fileName](const std::string& what) {
    return Status::Unsupported(Where::File(fileName), "the database is encrypted with " + what +
                                                          ", which cannot be read; decrypt it in Access or encrypt it "
                                                          "again with the default encryption");
  };

  const auto headerLength = ReadU32(description, kHeaderLengthOffset);
  if (!headerLength || *headerLength < kHeaderFixedLength) return corrupt("header length");
  const auto header = ReadBytes(description, kHeaderOffset, *headerLength);
  if (!header) return corrupt("header runs past the description");
  const uint32_t flags = *ReadU32(*header, 0);
  const uint32_t algorithm = *ReadU32(*header, 8);
  const uint32_t hash = *ReadU32(*header, 12);
  const uint32_t keyBitsField = *ReadU32(*header, 16);

  if ((flags & kFlagExternal) != 0) return unsupported("an external encryption provider");
  if ((flags & kFlagAes) != 0 || (algorithm != 0 && algorithm != kAlgorithmRc4)) {
    return unsupported("a non-standard CryptoAPI algorithm");
  }
  if (algorithm == 0 && (flags & kFlagCryptoApi) == 0) return unsupported("an unknown CryptoAPI algorithm");
  if (hash != 0 && hash != kHashSha1) return unsupported("a non-standard CryptoAPI hash");
  const uint32_t keyBits = EffectiveKeyBits(keyBitsField, header->subspan(kHeaderFixedLength));
  if (keyBits < 40 || keyBits > 128 || keyBits % 8 != 0)
    return unsupported("RC4 keys of " + std::to_string(keyBits) + " bits");

  // Verifier: salt size, salt, encrypted verifier, hash size, encrypted hash.
  const size_t verifierAt = kHeaderOffset + *headerLength;
  const auto saltLength = ReadU32(description, verifierAt);
  if (!saltLength || *saltLength != kSaltLength) return corrupt("salt size");
  const auto salt = ReadBytes(description, verifierAt + 4, kSaltLength);
  const auto encryptedVerifier = ReadBytes(description, verifierAt + 4 + kSaltLength, kVerifierLength);
  const auto hashLength = ReadU32(description, verifierAt + 4 + kSaltLength + kVerifierLength);
  const auto encryptedHash = ReadBytes(description, verifierAt + 8 + kSaltLength + kVerifierLength, kSha1Length);
  if (!salt || !encryptedVerifier || !hashLength || !encryptedHash) return corrupt("verifier cut short");
  if (*hashLength == 0 || *hashLength > kSha1Length) return corrupt("verifier hash size");

  auto sha1 = Digest::Create("SHA1");
  if (!sha1) return Status::Unsupported(Where::File(fileName), "SHA-1 is not available from OpenSSL");
  const auto passwordBytes = OfficePasswordBytes(password);
  auto baseHash = sha1->hash({*salt, passwordBytes});
  const Digest& hasher = *sha1;
  auto codec = std::make_unique<Rc4CryptoApiCodec>(std::move(sha1), std::move(baseHash), keyBits / 8, encodingKey);

  // One RC4 stream of block 0 decrypts the verifier, then its hash.
  const uint8_t blockZero[4] = {0, 0, 0, 0};
  Rc4 rc4(codec->keyForBlock(blockZero));
  std::vector<uint8_t> verifier(encryptedVerifier->begin(), encryptedVerifier->end());
  std::vector<uint8_t> verifierHash(encryptedHash->begin(), encryptedHash->end());
  rc4.apply(verifier);
  rc4.apply(verifierHash);
  const auto expected = hasher.hash({verifier});
  if (!std::equal(verifierHash.begin(), verifierHash.begin() + *hashLength, expected.begin())) {
    return password.empty() ? MissingPasswordError(fileName) : WrongPasswordError(fileName);
  }
  return std::unique_ptr<PageCodec>(std::move(codec));
}

}  // namespace jet
