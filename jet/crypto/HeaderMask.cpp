#include "jet/crypto/HeaderMask.h"

#include <array>

#include "jet/crypto/Rc4.h"

namespace jet {

void ApplyHeaderMask(std::span<uint8_t> page0, bool jet3) {
  static constexpr std::array<uint8_t, 4> kMaskKey = {0xC7, 0xDA, 0x39, 0x6B};
  const uint32_t length = jet3 ? kHeaderMaskLengthJet3 : kHeaderMaskLengthJet4;
  if (page0.size() < kHeaderMaskOffset + length) return;
  Rc4Apply(kMaskKey, page0.subspan(kHeaderMaskOffset, length));
}

}  // namespace jet
