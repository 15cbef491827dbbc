// The XML encryption description of agile ACCDB encryption (version 4.4): the
// parameters of the page cipher (keyData) and of the password key encryptor.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "jet/Status.h"

namespace jet {

struct AgileCipherParameters {
  std::string cipherAlgorithm;  // "AES"
  std::string cipherChaining;   // "ChainingModeCBC"
  std::string hashAlgorithm;    // "SHA1", "SHA512", ...
  uint32_t keyBits = 0;
  uint32_t blockSize = 0;
  uint32_t hashSize = 0;
  std::vector<uint8_t> salt;
};

struct AgilePasswordKey : AgileCipherParameters {
  uint32_t spinCount = 0;
  std::vector<uint8_t> encryptedVerifierHashInput;
  std::vector<uint8_t> encryptedVerifierHashValue;
  std::vector<uint8_t> encryptedKeyValue;
};

struct AgileDescription {
  AgileCipherParameters keyData;
  AgilePasswordKey passwordKey;
};

// Parses the XML. A description without a password key encryptor (for example one
// protected only by a certificate) is kUnsupported; missing or malformed attributes
// are kCorrupt. Messages name `fileName`.
Result<AgileDescription> ParseAgileDescription(std::string_view xml, const std::string& fileName);

// Base64 as the description uses it; nothing on malformed input.
bool DecodeBase64(std::string_view text, std::vector<uint8_t>& out);

}  // namespace jet
