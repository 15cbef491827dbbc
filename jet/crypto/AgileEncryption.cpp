#include "jet/crypto/AgileEncryption.h"

#include <openssl/rand.h>

#include "jet/crypto/AesCbc.h"
#include "jet/crypto/AgileCodec.h"
#include "jet/crypto/Digest.h"
#include "jet/crypto/OfficePassword.h"

namespace jet {
namespace {

constexpr uint32_t kKeyBits = 256;
constexpr size_t kSaltBytes = 16;
constexpr const char* kHash = "SHA512";

bool RandomBytes(std::vector<uint8_t>& out, size_t n) {
  out.resize(n);
  return RAND_bytes(out.data(), static_cast<int>(n)) == 1;
}

// The cipher parameters both elements of the description carry, the same in each.
std::string CipherAttributes(size_t hashBytes, const std::vector<uint8_t>& salt) {
  return "saltSize=\"" + std::to_string(kSaltBytes) + "\" blockSize=\"" + std::to_string(AesCbc::kBlockSize) +
         "\" keyBits=\"" + std::to_string(kKeyBits) + "\" hashSize=\"" + std::to_string(hashBytes) +
         "\" cipherAlgorithm=\"AES\" cipherChaining=\"ChainingModeCBC\" hashAlgorithm=\"" + kHash +
         "\" saltValue=\"" + EncodeBase64(salt) + "\"";
}

}  // namespace

std::string EncodeBase64(const std::vector<uint8_t>& bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t n = std::min<size_t>(3, bytes.size() - i);
    uint32_t group = static_cast<uint32_t>(bytes[i]) << 16;
    if (n > 1) group |= static_cast<uint32_t>(bytes[i + 1]) << 8;
    if (n > 2) group |= bytes[i + 2];
    for (size_t k = 0; k < 4; ++k) out += k <= n ? kDigits[(group >> (18 - 6 * k)) & 0x3F] : '=';
  }
  return out;
}

Result<NewAgileEncryption> MakeAgileEncryption(const std::string& password, const std::string& fileName,
                                               uint32_t spinCount) {
  const auto hash = Digest::Create(kHash);
  const auto aes = AesCbc::Create(kKeyBits);
  auto missing = [&fileName](const std::string& what) {
    return Status::Unsupported(Where::File(fileName), "cannot encrypt the database: " + what);
  };
  if (!hash || !aes) return missing("OpenSSL lacks AES-256 or SHA-512");

  std::vector<uint8_t> keySalt, passwordSalt, keyValue, verifier, encodingKey;
  if (!RandomBytes(keySalt, kSaltBytes) || !RandomBytes(passwordSalt, kSaltBytes) ||
      !RandomBytes(keyValue, aes->keyBytes()) || !RandomBytes(verifier, kSaltBytes)) {
    return missing("no random bytes");
  }
  NewAgileEncryption made;
  // A key of four zero bytes would mark the pages as plain.
  do {
    if (!RandomBytes(encodingKey, 4)) return missing("no random bytes");
  } while (encodingKey == std::vector<uint8_t>(4, 0));
  std::copy(encodingKey.begin(), encodingKey.end(), made.encodingKey.begin());

  const auto iterated = hash->iteratedPasswordHash(passwordSalt, OfficePasswordBytes(password), spinCount);
  bool encrypted = true;
  auto encryptWithBlock = [&](std::span<const uint8_t> block, std::vector<uint8_t> plain) {
    const auto key = FixLength(hash->hash({iterated, block}), aes->keyBytes(), 0x36);
    plain.resize((plain.size() + AesCbc::kBlockSize - 1) / AesCbc::kBlockSize * AesCbc::kBlockSize, 0);
    encrypted = aes->encrypt(key, passwordSalt, plain) && encrypted;
    return plain;
  };
  const auto verifierInput = encryptWithBlock(kAgileVerifierInputBlock, verifier);
  const auto verifierValue = encryptWithBlock(kAgileVerifierValueBlock, hash->hash({verifier}));
  const auto keyValueEncrypted = encryptWithBlock(kAgileKeyValueBlock, keyValue);
  if (!encrypted) return missing("AES encryption failed");

  const std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<encryption xmlns=\"http://schemas.microsoft.com/office/2006/encryption\" "
      "xmlns:p=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\" "
      "xmlns:c=\"http://schemas.microsoft.com/office/2006/keyEncryptor/certificate\">"
      "<keyData " + CipherAttributes(hash->size(), keySalt) + "/>"
      "<keyEncryptors><keyEncryptor uri=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
      "<p:encryptedKey spinCount=\"" + std::to_string(spinCount) + "\" " + CipherAttributes(hash->size(), passwordSalt) +
      " encryptedVerifierHashInput=\"" + EncodeBase64(verifierInput) + "\" encryptedVerifierHashValue=\"" +
      EncodeBase64(verifierValue) + "\" encryptedKeyValue=\"" + EncodeBase64(keyValueEncrypted) +
      "\"/></keyEncryptor></keyEncryptors></encryption>";
  // Version 4.4, then the reserved 0x40.
  made.description = {0x04, 0x00, 0x04, 0x00, 0x40, 0x00, 0x00, 0x00};
  made.description.insert(made.description.end(), xml.begin(), xml.end());
  return made;
}

}  // namespace jet
