// Text as Jet stores it, to and from UTF-8. Jet4/ACE: UCS-2 little-endian, or
// "compressed unicode" (FF FE, then runs of low bytes; a 00 byte switches between
// one-byte and two-byte runs). Jet3: single-byte code page text.
// Unpaired UTF-16 surrogates survive decoding as three-byte WTF-8 sequences, so a
// value can be written back or escaped exactly.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

// `text` with its ASCII letters in lower case and every other byte as it was. Names are
// compared this way rather than with tolower, which follows the user's locale and could
// change a single byte of a UTF-8 name.
inline std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// How many bytes from `from` on are ASCII. Looks at eight bytes at a time: most text
// written to a database is plain ASCII, and this is the walk every text value gets.
inline size_t AsciiRunLength(std::string_view text, size_t from = 0) {
  const size_t n = text.size();
  size_t i = from;
  for (; i + 8 <= n; i += 8) {
    uint64_t word;
    std::memcpy(&word, text.data() + i, 8);
    if (const uint64_t high = word & 0x8080808080808080ull) {
      if constexpr (std::endian::native == std::endian::little) return i - from + std::countr_zero(high) / 8;
      break;
    }
  }
  while (i < n && static_cast<unsigned char>(text[i]) < 0x80) ++i;
  return i - from;
}

// Appends code point `cp` (up to U+10FFFF; a lone surrogate as its three-byte form) as UTF-8.
void AppendUtf8(std::string& out, char32_t cp);
// The character Windows-1252 byte `byte` stands for; none for the five bytes it leaves
// undefined (81, 8D, 8F, 90, 9D), whose meaning each caller decides.
std::optional<char32_t> FromWindows1252(uint8_t byte);

// UCS-2/UTF-16LE to UTF-8 (an odd trailing byte is ignored).
std::string DecodeUtf16Le(std::span<const uint8_t> bytes);
// Jet4/ACE text value: compressed unicode if it starts with FF FE, else UTF-16LE.
std::string DecodeJet4Text(std::span<const uint8_t> bytes);
// Jet3 text in `codePage` (0 or 1252: Windows-1252; undefined bytes become U+FFFD).
std::string DecodeCodePageText(std::span<const uint8_t> bytes, uint16_t codePage);

// The other way: UTF-8 `text` as the bytes of `codePage` (0 or 1252: Windows-1252, others
// through iconv), never altered: a character the code page has no byte for is a fault.
struct CodePageEncoding {
  enum class Fault { kNone, kNotUtf8, kUnmappable, kUnknownCodePage };
  Fault fault = Fault::kNone;
  char32_t character = 0;  // kUnmappable: the first character that has no byte
  bool ok() const { return fault == Fault::kNone; }
};
CodePageEncoding EncodeCodePageText(std::string_view text, uint16_t codePage, std::vector<uint8_t>& out);
// "'é' (U+00E9)": how messages name a character.
std::string DescribeCharacter(char32_t character);

// Walks UTF-8 `text` as UTF-16: `ascii(bytes, count)` gets each run of ASCII bytes whole
// (each byte is one unit), `onUnit(u)` every other unit; bytes that are no valid UTF-8 become
// U+FFFD. The writer uses it to encode text without a UTF-16 copy.
template <typename Ascii, typename Emit>
void ForEachUtf16Run(std::string_view text, Ascii&& ascii, Emit&& onUnit) {
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  const size_t n = text.size();
  for (size_t i = 0; i < n;) {
    const uint8_t b = s[i];
    if (b < 0x80) {
      const size_t run = AsciiRunLength(text, i);
      ascii(s + i, run);
      i += run;
      continue;
    }
    uint32_t cp = 0xFFFD;
    size_t len = 1;
    auto cont = [&](size_t k) { return i + k < n && (s[i + k] & 0xC0) == 0x80; };
    if ((b & 0xE0) == 0xC0 && cont(1)) {
      cp = (b & 0x1Fu) << 6 | (s[i + 1] & 0x3F);
      len = 2;
    } else if ((b & 0xF0) == 0xE0 && cont(1) && cont(2)) {
      cp = (b & 0x0Fu) << 12 | (s[i + 1] & 0x3Fu) << 6 | (s[i + 2] & 0x3F);
      len = 3;
    } else if ((b & 0xF8) == 0xF0 && cont(1) && cont(2) && cont(3)) {
      cp = (b & 0x07u) << 18 | (s[i + 1] & 0x3Fu) << 12 | (s[i + 2] & 0x3Fu) << 6 | (s[i + 3] & 0x3F);
      len = 4;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      onUnit(static_cast<char16_t>(0xD800 + (cp >> 10)));
      onUnit(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      onUnit(static_cast<char16_t>(cp));
    }
    i += len;
  }
}

// Calls `onUnit` with each UTF-16 unit of UTF-8 `text` (invalid bytes become U+FFFD).
// Utf8ToUtf16 is built on it.
template <typename Emit>
void ForEachUtf16Unit(std::string_view text, Emit&& onUnit) {
  ForEachUtf16Run(
      text,
      [&](const uint8_t* bytes, size_t count) {
        for (size_t k = 0; k < count; ++k) onUnit(static_cast<char16_t>(bytes[k]));
      },
      onUnit);
}

// UTF-8 to UTF-16 code units (invalid UTF-8 bytes become U+FFFD).
std::u16string Utf8ToUtf16(const std::string& text);

}  // namespace jet
