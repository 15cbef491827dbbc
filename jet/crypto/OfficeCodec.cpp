#include "jet/crypto/OfficeCodec.h"

#include "jet/crypto/AgileCodec.h"
#include "jet/crypto/ByteReader.h"
#include "jet/crypto/Rc4CryptoApiCodec.h"

namespace jet {
namespace {

constexpr uint32_t kFlagCryptoApi = 0x04;
constexpr uint32_t kFlagAes = 0x20;

}  // namespace

Result<std::unique_ptr<PageCodec>> OpenOfficeCodec(const CryptoHeader& header, const std::string& password,
                                                   const std::string& fileName) {
  const std::span<const uint8_t> description = header.encryptionBlob;
  auto unsupported = [&fileName](const std::string& scheme) {
    return Status::Unsupported(Where::File(fileName), "the database is encrypted with " + scheme +
                                                          ", which cannot be read; decrypt it in Access or encrypt it "
                                                          "again with the default encryption");
  };
  const auto major = ReadU16(description, 0);
  const auto minor = ReadU16(description, 2);
  if (!major || !minor) {
    return Status::Corrupt(Where::File(fileName), "the database is marked encrypted but has no encryption description");
  }
  const std::string version = std::to_string(*major) + "." + std::to_string(*minor);

  if (*major == 4 && *minor == 4) return OpenAgileCodec(header.encodingKey, description, password, fileName);
  if ((*major == 3 || *major == 4) && *minor == 3)
    return unsupported("an extensible encryption provider (" + version + ")");
  if (*major == 1 && *minor == 1) return unsupported("Office binary RC4 encryption (1.1)");
  if ((*major == 2 || *major == 3 || *major == 4) && *minor == 2) {
    const uint32_t flags = ReadU32(description, 4).value_or(0);
    if ((flags & kFlagCryptoApi) == 0) return unsupported("an unknown scheme (" + version + ")");
    if ((flags & kFlagAes) != 0) return unsupported("standard AES encryption (" + version + ")");
    return OpenRc4CryptoApiCodec(header.encodingKey, description, password, fileName);
  }
  return unsupported("an unknown scheme (" + version + ")");
}

}  // namespace jet
