// Chooses the page codec from the header page: plain, Jet RC4 page encoding, or one
// of the ACCDB encryption schemes; the database password is checked on the way.
#include "jet/PageCodec.h"

#include "jet/crypto/CryptoHeader.h"
#include "jet/crypto/JetPassword.h"
#include "jet/crypto/JetRc4Codec.h"
#include "jet/crypto/OfficeCodec.h"

namespace jet {
namespace {

class PlainCodec final : public PageCodec {
 public:
  void decode(uint32_t, std::span<uint8_t>) const override {}
  void encode(uint32_t, std::span<uint8_t>) const override {}
  bool transforms() const override { return false; }
};

}  // namespace

Result<std::unique_ptr<PageCodec>> OpenPageCodec(std::span<const uint8_t> rawHeaderPage, const std::string& password,
                                                 const std::string& fileName) {
  JET_ASSIGN_OR_RETURN(auto header, ReadCryptoHeader(rawHeaderPage, fileName));

  // An encrypted ACCDB keeps its password in the encryption description; the field
  // at 0x42 then holds no password.
  if (header.family == FileFamily::kAce && header.pagesEncoded()) {
    return OpenOfficeCodec(header, password, fileName);
  }
  JET_RETURN_IF_ERROR(CheckDatabasePassword(header, password, fileName));
  if (header.pagesEncoded() && header.family != FileFamily::kAce) {
    return std::unique_ptr<PageCodec>(std::make_unique<JetRc4Codec>(header.encodingKey));
  }
  return std::unique_ptr<PageCodec>(std::make_unique<PlainCodec>());
}

}  // namespace jet
