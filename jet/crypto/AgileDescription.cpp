#include "jet/crypto/AgileDescription.h"

#include <openssl/evp.h>

#include <charconv>
#include <optional>

namespace jet {
namespace {

constexpr std::string_view kPasswordEncryptorUri = "http://schemas.microsoft.com/office/2006/keyEncryptor/password";

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
         c == '.' || c == ':';
}

// The text of the next start tag (between '<' and '>') at or after `from` whose local
// name is `localName`, whatever its namespace prefix; `end` receives where it ends.
std::optional<std::string_view> FindStartTag(std::string_view xml, std::string_view localName, size_t from,
                                             size_t* end = nullptr) {
  for (size_t at = xml.find('<', from); at != std::string_view::npos; at = xml.find('<', at + 1)) {
    size_t nameEnd = at + 1;
    while (nameEnd < xml.size() && IsNameChar(xml[nameEnd])) ++nameEnd;
    std::string_view name = xml.substr(at + 1, nameEnd - at - 1);
    if (const size_t colon = name.rfind(':'); colon != std::string_view::npos) name.remove_prefix(colon + 1);
    if (name != localName) continue;
    const size_t close = xml.find('>', nameEnd);
    if (close == std::string_view::npos) return std::nullopt;
    if (end != nullptr) *end = close + 1;
    return xml.substr(at + 1, close - at - 1);
  }
  return std::nullopt;
}

// The value of attribute `name` in a start tag's text (no entity decoding: the
// values used here are names, numbers and base64).
std::optional<std::string_view> Attribute(std::string_view tag, std::string_view name) {
  for (size_t at = tag.find(name); at != std::string_view::npos; at = tag.find(name, at + 1)) {
    if (at == 0 || IsNameChar(tag[at - 1])) continue;
    size_t pos = at + name.size();
    while (pos < tag.size() && tag[pos] == ' ') ++pos;
    if (pos >= tag.size() || tag[pos] != '=') continue;
    ++pos;
    while (pos < tag.size() && tag[pos] == ' ') ++pos;
    if (pos >= tag.size() || (tag[pos] != '"' && tag[pos] != '\'')) return std::nullopt;
    const char quote = tag[pos];
    const size_t close = tag.find(quote, pos + 1);
    if (close == std::string_view::npos) return std::nullopt;
    return tag.substr(pos + 1, close - pos - 1);
  }
  return std::nullopt;
}

class AttributeReader {
 public:
  AttributeReader(std::string_view tag, std::string_view element) : tag_(tag), element_(element) {}

  std::string text(std::string_view name) {
    const auto value = Attribute(tag_, name);
    if (!value) missing(name);
    return value ? std::string(*value) : std::string();
  }
  uint32_t number(std::string_view name) {
    const auto value = Attribute(tag_, name);
    uint32_t out = 0;
    if (!value || std::from_chars(value->data(), value->data() + value->size(), out).ec != std::errc()) missing(name);
    return out;
  }
  std::vector<uint8_t> bytes(std::string_view name) {
    const auto value = Attribute(tag_, name);
    std::vector<uint8_t> out;
    if (!value || !DecodeBase64(*value, out)) missing(name);
    return out;
  }
  void cipher(AgileCipherParameters& p) {
    p.cipherAlgorithm = text("cipherAlgorithm");
    p.cipherChaining = text("cipherChaining");
    p.hashAlgorithm = text("hashAlgorithm");
    p.keyBits = number("keyBits");
    p.blockSize = number("blockSize");
    p.hashSize = number("hashSize");
    p.salt = bytes("saltValue");
  }
  const std::string& problem() const { return problem_; }

 private:
  void missing(std::string_view name) {
    if (problem_.empty()) problem_ = std::string(element_) + " attribute " + std::string(name);
  }
  std::string_view tag_;
  std::string_view element_;
  std::string problem_;
};

}  // namespace

bool DecodeBase64(std::string_view text, std::vector<uint8_t>& out) {
  std::string clean;
  for (char c : text) {
    if (c != ' ' && c != '\r' && c != '\n' && c != '\t') clean += c;
  }
  if (clean.size() % 4 != 0) return false;
  out.assign(clean.size() / 4 * 3, 0);
  if (clean.empty()) return true;
  const int written =
      EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(clean.data()), static_cast<int>(clean.size()));
  if (written < 0) return false;
  // EVP_DecodeBlock counts the bytes that the '=' padding stands for.
  size_t padding = 0;
  if (clean.back() == '=') ++padding;
  if (clean.size() >= 2 && clean[clean.size() - 2] == '=') ++padding;
  out.resize(static_cast<size_t>(written) - padding);
  return true;
}

Result<AgileDescription> ParseAgileDescription(std::string_view xml, const std::string& fileName) {
  auto corrupt = [&fileName](const std::string& what) {
    return Status::Corrupt(Where::File(fileName), "the encryption description is damaged (" + what + ")");
  };
  AgileDescription out;
  const auto keyData = FindStartTag(xml, "keyData", 0);
  if (!keyData) return corrupt("no keyData");
  AttributeReader keyDataReader(*keyData, "keyData");
  keyDataReader.cipher(out.keyData);
  if (!keyDataReader.problem().empty()) return corrupt(keyDataReader.problem());

  // The password key encryptor; others (certificates) cannot be opened with a password.
  size_t searchFrom = 0;
  size_t afterEncryptor = 0;
  bool found = false;
  while (const auto encryptor = FindStartTag(xml, "keyEncryptor", searchFrom, &afterEncryptor)) {
    searchFrom = afterEncryptor;
    if (Attribute(*encryptor, "uri") == kPasswordEncryptorUri) {
      found = true;
      break;
    }
  }
  if (!found) {
    return Status(ErrorCode::kUnsupported, Where::File(fileName),
                  "the database is encrypted for a certificate, not with a password, and cannot be opened");
  }
  const auto encryptedKey = FindStartTag(xml, "encryptedKey", afterEncryptor);
  if (!encryptedKey) return corrupt("no encryptedKey");
  AttributeReader keyReader(*encryptedKey, "encryptedKey");
  keyReader.cipher(out.passwordKey);
  out.passwordKey.spinCount = keyReader.number("spinCount");
  out.passwordKey.encryptedVerifierHashInput = keyReader.bytes("encryptedVerifierHashInput");
  out.passwordKey.encryptedVerifierHashValue = keyReader.bytes("encryptedVerifierHashValue");
  out.passwordKey.encryptedKeyValue = keyReader.bytes("encryptedKeyValue");
  if (!keyReader.problem().empty()) return corrupt(keyReader.problem());
  return out;
}

}  // namespace jet
