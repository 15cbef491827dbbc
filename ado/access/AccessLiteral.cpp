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

jet::Result<jet::Value> ConvertBoundValue(const Variant& value, const AccessColumnType& column,
                                          std::string_view columnName) {
  LiteralParts parts;
  std::string text;  // of the kinds whose literal is a text made for it
  switch (value.kind()) {
    case Variant::Kind::Empty:
    case Variant::Kind::Null: break;
    case Variant::Kind::Boolean:
      parts.kind = SqlLiteral::Kind::kBoolean;
      parts.boolean = value.asBoolean();
      break;
    case Variant::Kind::Text:
      parts.kind = SqlLiteral::Kind::kText;
      parts.text = value.asText();
      break;
    case Variant::Kind::Bytes:
      parts.kind = SqlLiteral::Kind::kBinary;
      parts.bytes = value.asBytes();
      break;
    case Variant::Kind::Date:
    case Variant::Kind::Guid:
      text = value.toText();
      parts.kind = SqlLiteral::Kind::kText;
      parts.text = text;
      break;
    default:
      text = NumberText(value);
      parts.kind = SqlLiteral::Kind::kNumber;
      parts.text = text;
      break;
  }
  return ConvertLiteral(parts, column, columnName);
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
