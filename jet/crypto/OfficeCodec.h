// ACCDB encryption (Office document cryptography applied per page): RC4 CryptoAPI
// (Access 2007, description version 4.2) and agile AES (2010 and later, version 4.4).
#pragma once

#include <memory>
#include <string>

#include "jet/PageCodec.h"
#include "jet/crypto/CryptoHeader.h"

namespace jet {

// Builds the codec for an ACCDB whose encoding key is set. Missing or wrong password:
// kWrongPassword; a scheme we do not read: kUnsupported naming it; a damaged
// description: kCorrupt. Every message names `fileName`.
Result<std::unique_ptr<PageCodec>> OpenOfficeCodec(const CryptoHeader& header, const std::string& password,
                                                   const std::string& fileName);

}  // namespace jet
