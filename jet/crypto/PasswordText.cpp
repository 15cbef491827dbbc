#include "jet/crypto/PasswordText.h"

#include "jet/Text.h"

namespace jet {
namespace {

// A byte taken as Windows-1252; the five undefined ones keep their own value (U+0080 + n).
char32_t LegacyByte(uint8_t byte) { return FromWindows1252(byte).value_or(byte); }

void AppendUtf16Le(std::vector<uint8_t>& out, char32_t cp) {
  auto unit = [&out](uint32_t u) {
    out.push_back(static_cast<uint8_t>(u & 0xFF));
    out.push_back(static_cast<uint8_t>(u >> 8));
  };
  if (cp >= 0x10000) {
    cp -= 0x10000;
    unit(0xD800 + (cp >> 10));
    unit(0xDC00 + (cp & 0x3FF));
  } else {
    unit(cp);
  }
}

}  // namespace

std::vector<uint8_t> PasswordToUtf16Le(const std::string& utf8) {
  std::vector<uint8_t> out;
  const auto* s = reinterpret_cast<const uint8_t*>(utf8.data());
  const size_t n = utf8.size();
  size_t i = 0;
  while (i < n) {
    const uint8_t lead = s[i];
    size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    char32_t cp = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
    bool valid = length != 0 && i + length <= n;
    for (size_t k = 1; valid && k < length; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) valid = false;
      cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not valid UTF-8.
    static constexpr char32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (valid && (cp < kMinimum[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000))) valid = false;
    if (!valid) {
      AppendUtf16Le(out, LegacyByte(lead));
      ++i;
      continue;
    }
    AppendUtf16Le(out, cp);
    i += length;
  }
  return out;
}

std::string Windows1252ToUtf8(std::span<const uint8_t> bytes) {
  std::string out;
  for (uint8_t byte : bytes) {
    if (byte == 0) break;
    AppendUtf8(out, LegacyByte(byte));
  }
  return out;
}

}  // namespace jet
