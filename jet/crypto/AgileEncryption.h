// The encryption of a new agile-encrypted ACCDB, as Access 2010 and later make it by
// default: AES-256 in CBC mode, SHA-512, a password key derived with 100,000 rounds. A
// random page key (the "key value") is stored encrypted under the password key; the
// description is the XML Access writes, after its version 4.4 and reserved field.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "jet/Status.h"

namespace jet {

struct NewAgileEncryption {
  std::array<uint8_t, 4> encodingKey{};  // header 0x3E: the per-page block bytes, never 0
  std::vector<uint8_t> description;      // stored after the 2-byte length at 0x299
};

inline constexpr uint32_t kNewAgileSpinCount = 100'000;

// Fresh random keys and salts for `password` (UTF-8, not empty). kUnsupported when the
// crypto library lacks an algorithm or random bytes; messages name `fileName`.
Result<NewAgileEncryption> MakeAgileEncryption(const std::string& password, const std::string& fileName,
                                               uint32_t spinCount = kNewAgileSpinCount);

// Base64 with padding, as the description stores its binary values.
std::string EncodeBase64(const std::vector<uint8_t>& bytes);

}  // namespace jet
