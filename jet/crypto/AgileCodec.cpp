#include "jet/crypto/AgileCodec.h"

#include <algorithm>
#include <list>
#include <mutex>

#include "jet/crypto/AesCbc.h"
#include "jet/crypto/Digest.h"
#include "jet/crypto/JetPassword.h"
#include "jet/crypto/JetRc4Codec.h"
#include "jet/crypto/OfficePassword.h"

namespace jet {
namespace {

constexpr size_t kXmlOffset = 8;  // after the version (4) and a reserved 0x40 (4)
constexpr uint32_t kReservedValue = 0x40;
// Office caps the spin count at ten million; more would only be an attack on our time.
constexpr uint32_t kMaxSpinCount = 10'000'000;

class AgileCodec final : public PageCodec {
 public:
  AgileCodec(std::unique_ptr<AesCbc> aes, std::unique_ptr<Digest> ivHash, std::vector<uint8_t> keyValue,
             std::vector<uint8_t> keySalt, const std::array<uint8_t, 4>& encodingKey)
      : aes_(std::move(aes)),
        ivHash_(std::move(ivHash)),
        keyValue_(std::move(keyValue)),
        keySalt_(std::move(keySalt)),
        encodingKey_(encodingKey) {}

  void decode(uint32_t page, std::span<uint8_t> bytes) const override { aes_->decrypt(keyValue_, pageIv(page), bytes); }
  void encode(uint32_t page, std::span<uint8_t> bytes) const override { aes_->encrypt(keyValue_, pageIv(page), bytes); }
  std::string scheme() const override {
    return "agile AES-" + std::to_string(aes_->keyBytes() * 8) + ", " + ivHash_->name();
  }

 private:
  // IV = hash(keyData salt + block bytes), cut (or padded with 0x36) to the block size.
  std::vector<uint8_t> pageIv(uint32_t page) const {
    const auto block = PageBlockBytes(encodingKey_, page);
    return FixLength(ivHash_->hash({keySalt_, block}), AesCbc::kBlockSize, 0x36);
  }

  std::unique_ptr<AesCbc> aes_;
  std::unique_ptr<Digest> ivHash_;
  std::vector<uint8_t> keyValue_;
  std::vector<uint8_t> keySalt_;
  std::array<uint8_t, 4> encodingKey_;
};

// Checks the parameters we can run: AES-CBC with 16-byte blocks and a known hash.
std::string UnsupportedPart(const AgileCipherParameters& p) {
  if (p.cipherAlgorithm != "AES") return "the cipher " + p.cipherAlgorithm;
  if (p.cipherChaining != "ChainingModeCBC") return "the chaining mode " + p.cipherChaining;
  if (p.blockSize != AesCbc::kBlockSize) return "a block size of " + std::to_string(p.blockSize);
  if (p.keyBits != 128 && p.keyBits != 192 && p.keyBits != 256)
    return "AES keys of " + std::to_string(p.keyBits) + " bits";
  if (!Digest::Create(p.hashAlgorithm)) return "the hash " + p.hashAlgorithm;
  return {};
}

// The iterated password hash costs spinCount hashes (about 70 ms at Access's 100,000),
// and one run of the program opens the same file several times (its connection, each
// writing session). The last few results are kept for the life of the process, keyed by
// every input: a hash of the password, never the password itself.
class IteratedHashCache {
 public:
  std::vector<uint8_t> get(const Digest& digest, std::span<const uint8_t> salt, std::span<const uint8_t> password,
                           uint32_t spinCount) {
    const auto sha = Digest::Create("SHA512");
    std::string key = digest.name() + ":" + std::to_string(spinCount) + ":";
    key.append(salt.begin(), salt.end());
    key += ":";
    if (sha) {
      const auto passwordHash = sha->hash({salt, password});
      key.append(passwordHash.begin(), passwordHash.end());
    }
    {
      std::lock_guard lock(mutex_);
      for (auto it = entries_.begin(); sha && it != entries_.end(); ++it) {
        if (it->first == key) return it->second;
      }
    }
    auto value = digest.iteratedPasswordHash(salt, password, spinCount);
    if (!sha) return value;
    std::lock_guard lock(mutex_);
    entries_.emplace_front(key, value);
    if (entries_.size() > kEntries) entries_.pop_back();
    return value;
  }

 private:
  static constexpr size_t kEntries = 8;
  std::mutex mutex_;
  std::list<std::pair<std::string, std::vector<uint8_t>>> entries_;
};

}  // namespace

Result<std::unique_ptr<PageCodec>> OpenAgileCodec(const std::array<uint8_t, 4>& encodingKey,
                                                  std::span<const uint8_t> description, const std::string& password,
                                                  const std::string& fileName) {
  auto corrupt = [&fileName](const std::string& what) {
    return Status::Corrupt(Where::File(fileName), "the encryption description is damaged (" + what + ")");
  };
  if (description.size() <= kXmlOffset) return corrupt("too short");
  const uint32_t reserved =
      description[4] | (description[5] << 8) | (description[6] << 16) | (static_cast<uint32_t>(description[7]) << 24);
  if (reserved != kReservedValue) return corrupt("reserved value " + std::to_string(reserved));
  const std::string_view xml(reinterpret_cast<const char*>(description.data() + kXmlOffset),
                             description.size() - kXmlOffset);
  JET_ASSIGN_OR_RETURN(auto parsed, ParseAgileDescription(xml, fileName));
  const AgileCipherParameters& keyData = parsed.keyData;
  const AgilePasswordKey& passwordKey = parsed.passwordKey;

  for (const AgileCipherParameters* p : {&keyData, static_cast<const AgileCipherParameters*>(&passwordKey)}) {
    if (const std::string part = UnsupportedPart(*p); !part.empty()) {
      return Status::Unsupported(Where::File(fileName),
                                 "the database is encrypted with " + part + ", which cannot be read");
    }
  }
  if (passwordKey.spinCount > kMaxSpinCount) return corrupt("spin count " + std::to_string(passwordKey.spinCount));
  if (passwordKey.salt.size() != AesCbc::kBlockSize) return corrupt("password key salt size");
  if (keyData.salt.empty() || keyData.salt.size() > 64) return corrupt("key salt size");
  const auto blockMultiple = [](const std::vector<uint8_t>& v) {
    return !v.empty() && v.size() % AesCbc::kBlockSize == 0;
  };
  if (!blockMultiple(passwordKey.encryptedVerifierHashInput) ||
      !blockMultiple(passwordKey.encryptedVerifierHashValue) || !blockMultiple(passwordKey.encryptedKeyValue)) {
    return corrupt("encrypted values not whole blocks");
  }

  const auto passwordHash = Digest::Create(passwordKey.hashAlgorithm);
  const auto passwordCipher = AesCbc::Create(passwordKey.keyBits);
  if (!passwordHash || !passwordCipher)
    return Status::Unsupported(Where::File(fileName), "OpenSSL lacks a needed algorithm");

  // One iterated hash serves the three derived keys; each differs only by its block.
  const auto passwordBytes = OfficePasswordBytes(password);
  static IteratedHashCache cache;
  const auto iterated = cache.get(*passwordHash, passwordKey.salt, passwordBytes, passwordKey.spinCount);
  auto decryptWithBlock = [&](std::span<const uint8_t> block, const std::vector<uint8_t>& encrypted) {
    const auto key = FixLength(passwordHash->hash({iterated, block}), passwordCipher->keyBytes(), 0x36);
    std::vector<uint8_t> plain = encrypted;
    passwordCipher->decrypt(key, passwordKey.salt, plain);
    return plain;
  };

  const auto verifierInput = decryptWithBlock(kAgileVerifierInputBlock, passwordKey.encryptedVerifierHashInput);
  const auto verifierValue = decryptWithBlock(kAgileVerifierValueBlock, passwordKey.encryptedVerifierHashValue);
  // The verifier input is salt-sized; its hash is stored padded to whole blocks.
  const auto expected =
      passwordHash->hash({std::span(verifierInput).first(std::min(verifierInput.size(), passwordKey.salt.size()))});
  if (verifierValue.size() < expected.size() || !std::equal(expected.begin(), expected.end(), verifierValue.begin())) {
    return password.empty() ? MissingPasswordError(fileName) : WrongPasswordError(fileName);
  }

  auto keyValue = decryptWithBlock(kAgileKeyValueBlock, passwordKey.encryptedKeyValue);
  auto pageCipher = AesCbc::Create(keyData.keyBits);
  auto ivHash = Digest::Create(keyData.hashAlgorithm);
  if (!pageCipher || !ivHash) return Status::Unsupported(Where::File(fileName), "OpenSSL lacks a needed algorithm");
  if (keyValue.size() < pageCipher->keyBytes()) return corrupt("encrypted key shorter than the page key");
  keyValue.resize(pageCipher->keyBytes());
  return std::unique_ptr<PageCodec>(std::make_unique<AgileCodec>(std::move(pageCipher), std::move(ivHash),
                                                                 std::move(keyValue), keyData.salt, encodingKey));
}

}  // namespace jet
