#include "jet/crypto/OfficeCodec.h"

namespace jet {

Result<std::unique_ptr<PageCodec>> OpenOfficeCodec(const CryptoHeader&, const std::string&,
                                                   const std::string& fileName) {
  return Status(ErrorCode::kUnsupported, "'" + fileName + "' is encrypted, which is not read yet");
}

}  // namespace jet
