#include "jet/crypto/JetPassword.h"

#include <algorithm>
#include <vector>

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

std::string Utf16LeToUtf8(const std::vector<uint8_t>& units) {
  std::string out;
  for (size_t i = 0; i + 1 < units.size(); i += 2) {
    char32_t cp = units[i] | (units[i + 1] << 8);
    if (cp >= 0xD800 && cp < 0xDC00 && i + 3 < units.size()) {
      const char32_t low = units[i + 2] | (units[i + 3] << 8);
      if (low >= 0xDC00 && low < 0xE000) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

}  // namespace

std::string StoredDatabasePassword(const CryptoHeader& header) {
  if (header.family == FileFamily::kJet3) return Windows1252ToUtf8(header.passwordField);
  return Utf16LeToUtf8(StoredUtf16(header.passwordField));
}

Status MissingPasswordError(const std::string& fileName) {
  return Status(ErrorCode::kWrongPassword,
                fileName + ": the database is protected by a password and needs a password to open");
}

Status WrongPasswordError(const std::string& fileName) {
  return Status(ErrorCode::kWrongPassword,
                fileName + ": the database is protected by a password; the password given is wrong");
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
