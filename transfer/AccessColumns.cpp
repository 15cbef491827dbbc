#include "transfer/AccessColumns.h"

#include "ado/access/AccessLiteral.h"
#include "db/Datatype.h"

namespace transfer {

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

ado::Variant AccessValue(ado::Variant&& value) {
  switch (value.kind()) {
    case ado::Variant::Kind::Bytes: return value.asBytes().empty() ? ado::Variant::null() : std::move(value);
    case ado::Variant::Kind::Text: return value.asText().empty() ? ado::Variant::null() : std::move(value);
    default: {
      std::string text = value.toText();
      return text.empty() ? ado::Variant::null() : ado::Variant::text(std::move(text));
    }
  }
}

void AppendAccessLiteral(std::string& statement, const ado::Variant& value) {
  ado::access::AppendAccessLiteral(statement, AccessValue(ado::Variant(value)));
}

}  // namespace transfer
