#include "transfer/AccessColumns.h"

#include "db/Datatype.h"
#include "transfer/SqlNames.h"

namespace transfer {

namespace {
constexpr char kHexDigits[] = "0123456789ABCDEF";
}  // namespace

const char* ClassifyForAccess(std::int16_t adoType) {
  const QString name = db::DataTypeName(adoType).toLower();
  auto has = [&](const char* part) { return name.contains(QLatin1String(part)); };
  if (has("char")) return "` TEXT,";
  if (has("decimal")) return "` DECIMAL,";
  if (has("single") || has("int")) return "` INT,";
  if (has("adlongvarbinary")) return "` OLEOBJECT,";
  if (has("numeric")) return "` INT,";
  if (has("date") || has("timestamp")) return "` DATETIME,";
  if (has("double")) return "` FLOAT,";
  return "` VARCHAR,";
}

void AppendAccessLiteral(std::string& statement, const ado::Variant& value) {
  if (value.kind() == ado::Variant::Kind::Bytes) {
    const ado::Bytes& bytes = value.asBytes();
    if (bytes.empty()) {
      statement += "NULL";
      return;
    }
    statement += "0x";
    for (const std::uint8_t b : bytes) {
      statement += kHexDigits[b >> 4];
      statement += kHexDigits[b & 0x0F];
    }
    return;
  }
  // Text is quoted as it stands (no copy); other kinds by their text form.
  std::string converted;
  const std::string* text = &converted;
  if (value.kind() == ado::Variant::Kind::Text) text = &value.asText();
  else converted = value.toText();
  if (text->empty()) {
    statement += "NULL";
    return;
  }
  AppendQuotedText(statement, *text);
}

}  // namespace transfer
