#include "transfer/SQLiteColumns.h"

#include "db/Datatype.h"
#include "transfer/DateText.h"
#include "transfer/SqlNames.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

namespace transfer {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

void AppendSQLiteBlob(std::string& statement, const ado::Bytes& bytes) {
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

namespace {

bool AppendNumber(std::string& statement, const ado::Variant& value) {
  switch (value.kind()) {
    case ado::Variant::Kind::Boolean: statement += value.asBoolean() ? '1' : '0'; return true;
    case ado::Variant::Kind::Single:
    case ado::Variant::Kind::Double: {
      const double d = value.asDouble();
      if (std::isnan(d)) statement += "NULL";
      else if (std::isinf(d)) statement += d < 0 ? "-9e999" : "9e999";
      else statement += value.toText();
      return true;
    }
    default:
      if (!value.isNumber()) return false;
      statement += value.toText();
      return true;
  }
}

// SQLite reads a statement's text only up to a zero byte, so a text holding one is written as
// an expression that makes the same text: its pieces quoted, each run of zero bytes as
// char(0, ...), joined with ||. The value SQLite stores is the whole text, zeros included.
constexpr std::size_t kZerosPerCall = 100;

}  // namespace

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
      // A function takes at most 127 arguments in a default build: longer runs take more calls.
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

SQLiteColumnClass ClassifyForSQLite(std::int16_t adoType) {
  const QString name = db::DataTypeName(adoType).toLower();
  auto has = [&](const char* part) { return name.contains(QLatin1String(part)); };
  if (has("varwchar") || has("longvar")) return {" TEXT,", false};
  if (has("double")) return {" NUMERIC,", true};
  if (has("smallint") || has("tinyint") || has("int")) return {" INTEGER,", true};
  if (has("currency") || has("numeric") || has("decimal")) return {" NUMERIC,", true};
  if (has("date") || has("timestamp")) return {" TEXT,", false};
  if (has("bool")) return {" INTEGER,", true};
  return {" TEXT,", false};
}

void AppendSQLiteLiteral(std::string& statement, const ado::Variant& value, bool numeric) {
  switch (value.kind()) {
    case ado::Variant::Kind::Empty:
    case ado::Variant::Kind::Null: statement += "NULL"; return;
    case ado::Variant::Kind::Bytes: AppendSQLiteBlob(statement, value.asBytes()); return;
    default: break;
  }
  if (numeric && AppendNumber(statement, value)) return;
  if (value.kind() == ado::Variant::Kind::Date) {
    statement += '\'';
    statement += FormatDateValue(value.asDate());
    statement += '\'';
    return;
  }
  // A text value is read in place; only the other kinds need their text made.
  std::string converted;
  const std::string& text = value.kind() == ado::Variant::Kind::Text ? value.asText() : (converted = value.toText());
  if (text.empty()) {
    statement += "NULL";
    return;
  }
  // Every recognised date starts with a digit: other texts skip the date reader.
  if (text[0] >= '0' && text[0] <= '9') {
    if (const auto date = RecogniseDateText(text)) {
      statement += '\'';
      statement += FormatDateTime(*date);
      statement += '\'';
      return;
    }
  }
  AppendSQLiteText(statement, text);
}

}  // namespace transfer
