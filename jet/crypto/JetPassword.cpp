#include "jet/crypto/JetPassword.h"

#include <algorithm>
#include <vector>

#include "jet/Text.h"
#include "jet/crypto/PasswordText.h"

namespace jet {
namespace {

// The UTF-16LE code units up to the first NUL unit.
std::vector<uint8_t> StoredUtf16(const std::vector<uint8_t>& field) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i + 1 < field.size(); i += 2) {
    if (field[i] == 0 && field[i + 1] == 0) break;
    out.push_back(field[i]);
    out.push_back(field[i + 1]);
  }
  return out;
}

}  // namespace

std::string StoredDatabasePassword(const CryptoHeader& header) {
  if (header.family == FileFamily::kJet3) return Windows1252ToUtf8(header.passwordField);
  return DecodeUtf16Le(StoredUtf16(header.passwordField));
}

Status MissingPasswordError(const std::string& fileName) {
  return Status(ErrorCode::kWrongPassword, Where::File(fileName),
                "the database is protected by a password and needs a password to open");
}

Status WrongPasswordError(const std::string& fileName) {
  return Status(ErrorCode::kWrongPassword, Where::File(fileName),
                "the database is protected by a password; the password given is wrong");
}

Status CheckDatabasePassword(const CryptoHeader& header, const std::string& password, const std::string& fileName) {
  const bool none =
      std::all_of(header.passwordField.begin(), header.passwordField.end(), [](uint8_t b) { return b == 0; });
  if (none) return Status::Ok();
  if (password.empty()) return MissingPasswordError(fileName);

  bool matches = false;
  if (header.family == FileFamily::kJet3) {
    matches = Windows1252ToUtf8(header.passwordField) == password;
  } else {
    matches = StoredUtf16(header.passwordField) == PasswordToUtf16Le(password);
  }
  return matches ? Status::Ok() : WrongPasswordError(fileName);
}

}  // namespace jet
