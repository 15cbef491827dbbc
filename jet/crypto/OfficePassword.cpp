#include "jet/crypto/OfficePassword.h"

#include "jet/crypto/PasswordText.h"

namespace jet {

std::vector<uint8_t> OfficePasswordBytes(const std::string& utf8Password) {
  auto bytes = PasswordToUtf16Le(utf8Password);
  if (bytes.size() > 2 * kOfficePasswordMaxUnits) bytes.resize(2 * kOfficePasswordMaxUnits);
  return bytes;
}

}  // namespace jet
