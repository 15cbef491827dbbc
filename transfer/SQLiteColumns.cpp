#include "transfer/SQLiteColumns.h"

#include "db/Datatype.h"
#include "transfer/DateText.h"

#include <cmath>

namespace transfer {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendQuotedText(std::string& statement, const std::string& text) {
  statement += '\'';
  for (const char c : text) {
    statement += c;
    if (c == '\'') statement += '\'';
  }
  statement += '\'';
}

void AppendBlob(std::string& statement, const ado::Bytes& bytes) {
  statement += "X'";
  for (const std::uint8_t b : bytes) {
    statement += kHexDigits[b >> 4];
    statement += kHexDigits[b & 0x0F];
  }
  statement += '\'';
}

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

}  // namespace

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
    case ado::Variant::Kind::Bytes: AppendBlob(statement, value.asBytes()); return;
    default: break;
  }
  if (numeric && AppendNumber(statement, value)) return;
  if (value.kind() == ado::Variant::Kind::Date) {
    statement += '\'' + FormatDateValue(value.asDate()) + '\'';
    return;
  }
  const std::string text = value.toText();
  if (text.empty()) {
    statement += "NULL";
    return;
  }
  if (const auto date = RecogniseDateText(text)) {
    statement += '\'' + FormatDateTime(*date) + '\'';
    return;
  }
  AppendQuotedText(statement, text);
}

}  // namespace transfer
