// RC4 CryptoAPI encryption of ACCDB files (Access 2007, description version x.2
// without the AES flag): the page key is SHA-1(SHA-1(salt + password) + block bytes)
// cut to the key size (40-bit keys padded with zeros to 128 bits), RC4 over the page.
#pragma once

#include <array>
#include <memory>
#include <span>
#include <string>

#include "jet/PageCodec.h"

namespace jet {

// `description` is the blob after the length at 0x299 (version first).
Result<std::unique_ptr<PageCodec>> OpenRc4CryptoApiCodec(const std::array<uint8_t, 4>& encodingKey,
                                                         std::span<const uint8_t> description,
                                                         const std::string& password, const std::string& fileName);

}  // namespace jet
