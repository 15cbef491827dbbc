#include "jet/crypto/Rc4.h"

#include <utility>

namespace jet {

Rc4::Rc4(std::span<const uint8_t> key) {
  for (int k = 0; k < 256; ++k) s_[k] = static_cast<uint8_t>(k);
  if (key.empty()) return;
  // Every page gets a fresh key schedule, so it avoids a division per step.
  uint8_t j = 0;
  size_t keyIndex = 0;
  for (int k = 0; k < 256; ++k) {
    j = static_cast<uint8_t>(j + s_[k] + key[keyIndex]);
    if (++keyIndex == key.size()) keyIndex = 0;
    std::swap(s_[k], s_[j]);
  }
}

void Rc4::apply(std::span<uint8_t> data) {
  // Work on a local copy of the state: `data` is bytes and could alias the member
  // array, which would force a reload of the state after every byte written.
  std::array<uint8_t, 256> s = s_;
  uint8_t i = i_;
  uint8_t j = j_;
  for (uint8_t& byte : data) {
    i = static_cast<uint8_t>(i + 1);
    const uint8_t si = s[i];
    j = static_cast<uint8_t>(j + si);
    const uint8_t sj = s[j];
    s[i] = sj;
    s[j] = si;
    byte ^= s[static_cast<uint8_t>(si + sj)];
  }
  s_ = s;
  i_ = i;
  j_ = j;
}

}  // namespace jet
