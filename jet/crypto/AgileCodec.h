// Agile ACCDB encryption (Access 2010 and later, description version 4.4): a random
// AES key (the "key value") encrypts every page in CBC mode with a per-page IV; the
// key value itself is stored encrypted under a key derived from the password.
#pragma once

#include <array>
#include <memory>
#include <span>
#include <string>

#include "jet/PageCodec.h"
#include "jet/crypto/AgileDescription.h"

namespace jet {

// `description` is the blob after the length at 0x299 (version first).
Result<std::unique_ptr<PageCodec>> OpenAgileCodec(const std::array<uint8_t, 4>& encodingKey,
                                                  std::span<const uint8_t> description, const std::string& password,
                                                  const std::string& fileName);

// The block keys of the password key encryptor (the scheme's published constants).
inline constexpr std::array<uint8_t, 8> kAgileVerifierInputBlock = {0xFE, 0xA7, 0xD2, 0x76, 0x3B, 0x4B, 0x9E, 0x79};
inline constexpr std::array<uint8_t, 8> kAgileVerifierValueBlock = {0xD7, 0xAA, 0x0F, 0x6D, 0x30, 0x61, 0x34, 0x4E};
inline constexpr std::array<uint8_t, 8> kAgileKeyValueBlock = {0x14, 0x6E, 0x0B, 0xE7, 0xAB, 0xAC, 0xD0, 0xD6};

}  // namespace jet
