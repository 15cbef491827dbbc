#include "ado/access/AccessLiteral.h"

#include "ado/SqlText.h"

#include <cmath>

namespace ado::access {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

std::string NumberText(const Variant& value) {
  if (value.kind() == Variant::Kind::Single || value.kind() == Variant::Kind::Double) {
    const double d = value.asDouble();
    if (std::isinf(d)) return d < 0 ? "-Infinity" : "Infinity";
  }
  return value.toText();
}

}  // namespace

SqlLiteral LiteralOfValue(const Variant& value) {
  switch (value.kind()) {
    case Variant::Kind::Empty:
    case Variant::Kind::Null: return SqlLiteral::Null();
    case Variant::Kind::Boolean: return SqlLiteral::Boolean(value.asBoolean());
    case Variant::Kind::Text: return SqlLiteral::Text(value.asText());
    case Variant::Kind::Bytes: return SqlLiteral::Binary(value.asBytes());
    case Variant::Kind::Date:
    case Variant::Kind::Guid: return SqlLiteral::Text(value.toText());
    default: return SqlLiteral::Number(NumberText(value));
  }
}

void AppendAccessLiteral(std::string& statement, const Variant& value) {
  switch (value.kind()) {
    case Variant::Kind::Empty:
    case Variant::Kind::Null: statement += "NULL"; return;
    case Variant::Kind::Boolean: statement += value.asBoolean() ? "True" : "False"; return;
    case Variant::Kind::Text: AppendQuotedText(statement, value.asText()); return;
    case Variant::Kind::Bytes:
      statement += "0x";
      for (const std::uint8_t b : value.asBytes()) {
        statement += kHexDigits[b >> 4];
        statement += kHexDigits[b & 0x0F];
      }
      return;
    case Variant::Kind::Date:
    case Variant::Kind::Guid: AppendQuotedText(statement, value.toText()); return;
    default: statement += NumberText(value); return;
  }
}

}  // namespace ado::access
