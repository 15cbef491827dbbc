// The fields of the header page (page 0) that decide how the other pages are
// protected: the page-encoding key, the database password and, in ACCDB files, the
// encryption description. Offsets are those of the unmasked header page.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "jet/Status.h"

namespace jet {

inline constexpr uint32_t kHeaderVersionOffset = 0x14;      // 0 Jet3, 1 Jet4, 2+ ACE
inline constexpr uint32_t kHeaderEncodingKeyOffset = 0x3E;  // 4 bytes, 0 = pages stored plain
inline constexpr uint32_t kHeaderPasswordOffset = 0x42;     // Jet3 20 bytes, Jet4+ 40 bytes
inline constexpr uint32_t kPasswordFieldLengthJet3 = 20;
inline constexpr uint32_t kPasswordFieldLengthJet4 = 40;
inline constexpr uint32_t kHeaderCreationDateOffset = 0x72;  // Jet4+: double, days since 1899-12-30
inline constexpr uint32_t kEncryptionBlobOffset = 0x299;     // ACE: length (2), then the blob

enum class FileFamily { kJet3, kJet4, kAce };

struct CryptoHeader {
  FileFamily family = FileFamily::kJet4;
  std::array<uint8_t, 4> encodingKey{};
  // Jet3: code-page text; Jet4 and ACE: UTF-16LE. Both masks removed; all zero = none.
  std::vector<uint8_t> passwordField;
  // ACE only: the encryption description that follows the length at 0x299 (may be empty).
  std::vector<uint8_t> encryptionBlob;

  bool pagesEncoded() const {
    return encodingKey[0] != 0 || encodingKey[1] != 0 || encodingKey[2] != 0 || encodingKey[3] != 0;
  }
};

// Reads the protection fields from page 0 as stored (header mask still applied).
// A page too short for its fields gives kCorrupt naming `fileName`.
Result<CryptoHeader> ReadCryptoHeader(std::span<const uint8_t> rawHeaderPage, const std::string& fileName);

// The 4 bytes the Jet4+ password field is XORed with: the creation date truncated to
// an int32 (saturating; not-a-number gives 0), little-endian.
std::array<uint8_t, 4> PasswordDateMask(double creationDate);

}  // namespace jet
