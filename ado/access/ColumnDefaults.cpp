#include "ado/access/ColumnDefaults.h"

#include <algorithm>
#include <cctype>

namespace ado::access {
namespace {

bool SameWord(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

// Digits with an optional sign, point and exponent: the numbers the SQL parser takes.
bool IsNumber(std::string_view text) {
  size_t at = 0;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
  size_t digits = 0;
  while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) ++at, ++digits;
  if (at < text.size() && text[at] == '.') {
    ++at;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) ++at, ++digits;
  }
  if (digits == 0) return false;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    size_t exponent = 0;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) ++at, ++exponent;
    if (exponent == 0) return false;
  }
  return at == text.size();
}

// Text between `quote`s with doubled quotes inside, the whole of `text`; nullopt otherwise.
std::optional<std::string> Quoted(std::string_view text, char quote) {
  if (text.size() < 2 || text.front() != quote || text.back() != quote) return std::nullopt;
  std::string out;
  for (size_t at = 1; at + 1 < text.size(); ++at) {
    if (text[at] == quote) {
      if (at + 2 >= text.size() || text[at + 1] != quote) return std::nullopt;
      ++at;
    }
    out += text[at];
  }
  return out;
}

}  // namespace

jet::Result<std::optional<std::string>> DefaultExpression(const SqlLiteral& literal, std::string_view columnName) {
  switch (literal.kind) {
    case SqlLiteral::Kind::kNull: return std::optional<std::string>();
    case SqlLiteral::Kind::kNumber: return std::optional<std::string>(literal.text);
    case SqlLiteral::Kind::kBoolean: return std::optional<std::string>(literal.boolean ? "True" : "False");
    case SqlLiteral::Kind::kText: {
      std::string out = "\"";
      for (char c : literal.text) {
        out += c;
        if (c == '"') out += '"';
      }
      return std::optional<std::string>(out + "\"");
    }
    case SqlLiteral::Kind::kBinary:
    case SqlLiteral::Kind::kMarker: break;
  }
  return jet::Status(jet::ErrorCode::kInvalidArgument,
                     "Column \"" + std::string(columnName) + "\": Access keeps no binary value as a default.");
}

std::optional<SqlLiteral> ConstantOfDefault(std::string_view expression) {
  std::string_view text = Trimmed(expression);
  if (!text.empty() && text.front() == '=') text = Trimmed(text.substr(1));  // "=0" is also written
  if (text.empty()) return std::nullopt;
  if (IsNumber(text)) return SqlLiteral::Number(std::string(text));
  if (auto t = Quoted(text, '"')) return SqlLiteral::Text(std::move(*t));
  if (auto t = Quoted(text, '\'')) return SqlLiteral::Text(std::move(*t));
  if (text.size() >= 2 && text.front() == '#' && text.back() == '#') {
    return SqlLiteral::Text(std::string(text.substr(1, text.size() - 2)));
  }
  for (const char* yes : {"True", "Yes", "On"})
    if (SameWord(text, yes)) return SqlLiteral::Boolean(true);
  for (const char* no : {"False", "No", "Off"})
    if (SameWord(text, no)) return SqlLiteral::Boolean(false);
  if (SameWord(text, "Null")) return SqlLiteral::Null();
  return std::nullopt;
}

}  // namespace ado::access
