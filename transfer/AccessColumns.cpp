#include "transfer/AccessColumns.h"

#include <cstring>

#include "db/Datatype.h"

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
  statement.reserve(statement.size() + text->size() + 2);
  statement += '\'';
  // Runs between quotes go in whole; each quote is doubled.
  const char* at = text->data();
  const char* const end = at + text->size();
  while (const char* quote = static_cast<const char*>(std::memchr(at, '\'', static_cast<size_t>(end - at)))) {
    statement.append(at, static_cast<size_t>(quote + 1 - at));
    statement += '\'';
    at = quote + 1;
  }
  statement.append(at, static_cast<size_t>(end - at));
  statement += '\'';
}

}  // namespace transfer
