// The Jet3/Jet4 database password. It only guards the door: Access compares what the
// user types with the field in the header page and refuses the file on a mismatch;
// the pages themselves are not encrypted with it.
#pragma once

#include <string>

#include "jet/Status.h"
#include "jet/crypto/CryptoHeader.h"

namespace jet {

// The stored password as UTF-8; empty when the file has none.
std::string StoredDatabasePassword(const CryptoHeader& header);

// Ok when the file has no password (whatever was given, as Access does) or when
// `password` equals it exactly (case matters). Otherwise kWrongPassword naming the file.
Status CheckDatabasePassword(const CryptoHeader& header, const std::string& password, const std::string& fileName);

// The refusal messages, shared with the ACCDB encryption check.
Status MissingPasswordError(const std::string& fileName);
Status WrongPasswordError(const std::string& fileName);

}  // namespace jet
