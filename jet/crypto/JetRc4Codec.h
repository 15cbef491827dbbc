// Jet RC4 page encoding (Jet3/Jet4 "encrypt database"): every page after the header
// is RC4 over the whole page with the 4-byte key (database key XOR page number,
// little-endian). It does not depend on the password.
#pragma once

#include <array>
#include <span>

#include "jet/PageCodec.h"

namespace jet {

class JetRc4Codec final : public PageCodec {
 public:
  explicit JetRc4Codec(const std::array<uint8_t, 4>& databaseKey) : databaseKey_(databaseKey) {}
  void decode(uint32_t page, std::span<uint8_t> bytes) const override { apply(page, bytes); }
  void encode(uint32_t page, std::span<uint8_t> bytes) const override { apply(page, bytes); }
  std::string scheme() const override { return "Jet RC4 page encoding"; }

 private:
  void apply(uint32_t page, std::span<uint8_t> bytes) const;
  std::array<uint8_t, 4> databaseKey_;
};

// The per-page block bytes shared by Jet RC4 and the ACCDB schemes: key XOR page (LE).
std::array<uint8_t, 4> PageBlockBytes(const std::array<uint8_t, 4>& databaseKey, uint32_t page);

}  // namespace jet
