#include "ado/sqlite/SQLiteLiteral.h"

#include "ado/SqlText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace ado::sqlite {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// A function takes at most 127 arguments in a default build: longer runs of zeros take more calls.
constexpr std::size_t kZerosPerCall = 100;

}  // namespace

void AppendSQLiteBlob(std::string& statement, const Bytes& bytes) {
  const std::size_t start = statement.size();
  statement.resize(start + 3 + 2 * bytes.size());
  char* out = statement.data() + start;
  *out++ = 'X';
  *out++ = '\'';
  for (const std::uint8_t b : bytes) {
    *out++ = kHexDigits[b >> 4];
    *out++ = kHexDigits[b & 0x0F];
  }
  *out = '\'';
}

// The pieces of a text with zeros quoted, each run of zero bytes as char(0, ...), joined
// with ||. The value SQLite makes of it is the whole text, zeros included.
void AppendSQLiteText(std::string& statement, std::string_view text) {
  if (std::memchr(text.data(), 0, text.size()) == nullptr) {
    AppendQuotedText(statement, text);
    return;
  }
  bool first = true;
  std::size_t at = 0;
  while (at < text.size()) {
    if (!first) statement += "||";
    first = false;
    if (text[at] == '\0') {
      statement += "char(0";
      const std::size_t runEnd = std::min(text.size(), at + kZerosPerCall);
      for (++at; at < runEnd && text[at] == '\0'; ++at) statement += ",0";
      statement += ')';
    } else {
      const std::size_t end = std::min(text.find('\0', at), text.size());
      AppendQuotedText(statement, text.substr(at, end - at));
      at = end;
    }
  }
}

void AppendSQLiteLiteral(std::string& statement, const Variant& value) {
  switch (value.kind()) {
    case Variant::Kind::Empty:
    case Variant::Kind::Null: statement += "NULL"; return;
    case Variant::Kind::Boolean: statement += value.asBoolean() ? '1' : '0'; return;
    case Variant::Kind::Single:
    case Variant::Kind::Double: {
      const double d = value.asDouble();
      if (std::isnan(d)) statement += "NULL";
      else if (std::isinf(d)) statement += d < 0 ? "-9e999" : "9e999";
      else statement += value.toText();
      return;
    }
    case Variant::Kind::Text: AppendSQLiteText(statement, value.asText()); return;
    case Variant::Kind::Bytes: AppendSQLiteBlob(statement, value.asBytes()); return;
    case Variant::Kind::Date:
    case Variant::Kind::Guid: AppendQuotedText(statement, value.toText()); return;
    default: statement += value.toText(); return;  // whole numbers, Currency, Decimal
  }
}

Variant SQLiteNumberLiteral(std::string_view text) {
  const bool whole = text.find_first_of(".eE") == std::string_view::npos;
  // from_chars takes no "+"; a "-" belongs to the number.
  const std::string_view digits = !text.empty() && text[0] == '+' ? text.substr(1) : text;
  const char* const last = digits.data() + digits.size();
  if (whole) {
    std::int64_t integer = 0;
    const auto r = std::from_chars(digits.data(), last, integer);
    if (r.ec == std::errc() && r.ptr == last) return Variant::int64(integer);
    // Beyond 64 bits SQLite reads a whole number as a real.
  }
  double real = 0;
  const auto r = std::from_chars(digits.data(), last, real);
  if (r.ptr != last) return Variant::text(std::string(text));  // no number literal at all
  if (r.ec == std::errc::result_out_of_range) {
    // Too small for a double reads as zero, too large as an infinity, each with its sign.
    const std::size_t e = digits.find_first_of("eE");
    const bool tiny = e != std::string_view::npos && e + 1 < digits.size() && digits[e + 1] == '-';
    const bool negative = !digits.empty() && digits[0] == '-';
    real = tiny ? 0.0 : HUGE_VAL;
    if (negative) real = -real;
  } else if (r.ec != std::errc()) {
    return Variant::text(std::string(text));
  }
  return Variant::real(real);
}

}  // namespace ado::sqlite
