#include "jet/crypto/JetRc4Codec.h"

#include "jet/crypto/Rc4.h"

namespace jet {

std::array<uint8_t, 4> PageBlockBytes(const std::array<uint8_t, 4>& databaseKey, uint32_t page) {
  return {static_cast<uint8_t>(databaseKey[0] ^ (page & 0xFF)),
          static_cast<uint8_t>(databaseKey[1] ^ ((page >> 8) & 0xFF)),
          static_cast<uint8_t>(databaseKey[2] ^ ((page >> 16) & 0xFF)),
          static_cast<uint8_t>(databaseKey[3] ^ (page >> 24))};
}

void JetRc4Codec::apply(uint32_t page, std::span<uint8_t> bytes) const {
  const auto key = PageBlockBytes(databaseKey_, page);
  Rc4Apply(key, bytes);
}

}  // namespace jet
