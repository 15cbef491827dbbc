// RC4 stream cipher. Jet uses it for the header-page mask and for page encoding; it
// is not available in OpenSSL 3's default provider, and it is ten lines.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace jet {

class Rc4 {
 public:
  explicit Rc4(std::span<const uint8_t> key);
  // XORs the next bytes of the key stream into `data`.
  void apply(std::span<uint8_t> data);

 private:
  std::array<uint8_t, 256> s_{};
  uint8_t i_ = 0;
  uint8_t j_ = 0;
};

// One-shot: a fresh stream for `key` applied to `data`.
inline void Rc4Apply(std::span<const uint8_t> key, std::span<uint8_t> data) {
  Rc4 rc4(key);
  rc4.apply(data);
}

}  // namespace jet
