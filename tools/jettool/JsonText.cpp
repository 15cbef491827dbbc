#include "JsonText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace jettool {

void AppendJsonString(std::string& out, const std::string& text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    const unsigned char c = s[i];
    switch (c) {
      case '"': out += "\\\""; continue;
      case '\\': out += "\\\\"; continue;
      case '\b': out += "\\b"; continue;
      case '\f': out += "\\f"; continue;
      case '\n': out += "\\n"; continue;
      case '\r': out += "\\r"; continue;
      case '\t': out += "\\t"; continue;
      default: break;
    }
    if (c < 0x20) {
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else if (c == 0xED && i + 2 < n && s[i + 1] >= 0xA0) {
      // A lone surrogate carried as WTF-8: JSON.stringify escapes it.
      const unsigned unit = 0xD000 | (s[i + 1] & 0x3Fu) << 6 | (s[i + 2] & 0x3Fu);
      out += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 15];
      i += 2;
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
}

void AppendJsonNumber(std::string& out, double value) {
  if (std::isnan(value)) {
    out += "\"NaN\"";
    return;
  }
  if (std::isinf(value)) {
    out += value > 0 ? "\"Infinity\"" : "\"-Infinity\"";
    return;
  }
  if (value == 0) {
    out += '0';
    return;
  }
  // Shortest digits and exponent, then laid out by JavaScript's Number::toString rules.
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  std::string sci(buffer, result.ptr);
  bool negative = false;
  if (sci[0] == '-') {
    negative = true;
    sci.erase(0, 1);
  }
  const size_t e = sci.find('e');
  std::string digits;
  for (size_t i = 0; i < e; ++i) {
    if (sci[i] != '.') digits += sci[i];
  }
  const int exponent = std::atoi(sci.c_str() + e + 1);
  const int k = static_cast<int>(digits.size());
  const int point = exponent + 1;  // digits before the decimal point
  if (negative) out += '-';
  if (k <= point && point <= 21) {
    out += digits;
    out.append(static_cast<size_t>(point - k), '0');
  } else if (0 < point && point <= 21) {
    out += digits.substr(0, static_cast<size_t>(point));
    out += '.';
    out += digits.substr(static_cast<size_t>(point));
  } else if (-6 < point && point <= 0) {
    out += "0.";
    out.append(static_cast<size_t>(-point), '0');
    out += digits;
  } else {
    out += digits[0];
    if (k > 1) {
      out += '.';
      out += digits.substr(1);
    }
    out += 'e';
    out += point - 1 >= 0 ? '+' : '-';
    out += std::to_string(std::abs(point - 1));
  }
}

std::string TerminalText(std::string_view text) {
  std::string out;
  char code[8];
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\\') {
      out += "\\\\";
    } else if (c < 0x20 || c == 0x7F) {
      std::snprintf(code, sizeof code, "\\x%02X", c);
      out += code;
    } else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      std::snprintf(code, sizeof code, "\\u%04X", static_cast<unsigned char>(text[++i]));
      out += code;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace jettool
