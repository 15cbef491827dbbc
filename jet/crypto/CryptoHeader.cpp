#include "jet/crypto/CryptoHeader.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "jet/crypto/HeaderMask.h"

namespace jet {

std::array<uint8_t, 4> PasswordDateMask(double creationDate) {
  int32_t whole = 0;
  if (std::isnan(creationDate)) {
    whole = 0;
  } else if (creationDate >= 2147483647.0) {
    whole = std::numeric_limits<int32_t>::max();
  } else if (creationDate <= -2147483648.0) {
    whole = std::numeric_limits<int32_t>::min();
  } else {
    whole = static_cast<int32_t>(std::trunc(creationDate));
  }
  const auto bits = static_cast<uint32_t>(whole);
  return {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8), static_cast<uint8_t>(bits >> 16),
          static_cast<uint8_t>(bits >> 24)};
}

Result<CryptoHeader> ReadCryptoHeader(std::span<const uint8_t> rawHeaderPage, const std::string& fileName) {
  auto corrupt = [&fileName](const std::string& what) {
    return Status::Corrupt(Where::File(fileName), "the header page is damaged (" + what + ")");
  };
  if (rawHeaderPage.size() <= kHeaderVersionOffset) return corrupt("too short");

  CryptoHeader header;
  const uint8_t version = rawHeaderPage[kHeaderVersionOffset];
  header.family = version == 0 ? FileFamily::kJet3 : version == 1 ? FileFamily::kJet4 : FileFamily::kAce;
  const bool jet3 = header.family == FileFamily::kJet3;
  const uint32_t maskEnd = kHeaderMaskOffset + (jet3 ? kHeaderMaskLengthJet3 : kHeaderMaskLengthJet4);
  if (rawHeaderPage.size() < maskEnd) return corrupt("too short");

  std::vector<uint8_t> page(rawHeaderPage.begin(), rawHeaderPage.begin() + maskEnd);
  ApplyHeaderMask(page, jet3);

  std::memcpy(header.encodingKey.data(), page.data() + kHeaderEncodingKeyOffset, 4);
  const uint32_t passwordLength = jet3 ? kPasswordFieldLengthJet3 : kPasswordFieldLengthJet4;
  header.passwordField.assign(page.begin() + kHeaderPasswordOffset,
                              page.begin() + kHeaderPasswordOffset + passwordLength);
  if (!jet3) {
    double created = 0;
    std::memcpy(&created, page.data() + kHeaderCreationDateOffset, sizeof created);
    const auto mask = PasswordDateMask(created);
    for (size_t i = 0; i < header.passwordField.size(); ++i) header.passwordField[i] ^= mask[i % 4];
  }

  if (header.family == FileFamily::kAce) {
    if (rawHeaderPage.size() < kEncryptionBlobOffset + 2) return corrupt("too short for its encryption field");
    const uint32_t blobLength = rawHeaderPage[kEncryptionBlobOffset] | (rawHeaderPage[kEncryptionBlobOffset + 1] << 8);
    const size_t blobStart = kEncryptionBlobOffset + 2;
    if (blobLength > rawHeaderPage.size() - blobStart) return corrupt("encryption field longer than the page");
    header.encryptionBlob.assign(rawHeaderPage.begin() + blobStart, rawHeaderPage.begin() + blobStart + blobLength);
  }
  return header;
}

}  // namespace jet
