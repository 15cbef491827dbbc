// Text as Jet stores it, to and from UTF-8. Jet4/ACE: UCS-2 little-endian, or
// "compressed unicode" (FF FE, then runs of low bytes; a 00 byte switches between
// one-byte and two-byte runs). Jet3: single-byte code page text.
// Unpaired UTF-16 surrogates survive decoding as three-byte WTF-8 sequences, so a
// value can be written back or escaped exactly.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace jet {

// UCS-2/UTF-16LE to UTF-8 (an odd trailing byte is ignored).
std::string DecodeUtf16Le(std::span<const uint8_t> bytes);
// Jet4/ACE text value: compressed unicode if it starts with FF FE, else UTF-16LE.
std::string DecodeJet4Text(std::span<const uint8_t> bytes);
// Jet3 text in `codePage` (0 or 1252: Windows-1252; undefined bytes become U+FFFD).
std::string DecodeCodePageText(std::span<const uint8_t> bytes, uint16_t codePage);

// UTF-8 to UTF-16 code units (invalid UTF-8 bytes become U+FFFD).
std::u16string Utf8ToUtf16(const std::string& text);
// Encodes a Jet4 text value: compressed when `compress` and every character is in
// U+0001..U+00FF, else UTF-16LE.
std::vector<uint8_t> EncodeJet4Text(const std::string& text, bool compress);

}  // namespace jet
