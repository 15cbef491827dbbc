#include "transfer/SQLiteColumns.h"

#include "db/Datatype.h"
#include "transfer/DateText.h"
#include "transfer/SqlNames.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

namespace transfer {

namespace {

// A number as SQLite reads its shortest exact text; false for a value that is no number.
bool NumberValue(const ado::Variant& value, ado::Variant& out) {
  switch (value.kind()) {
    case ado::Variant::Kind::Boolean: out = ado::Variant::int64(value.asBoolean() ? 1 : 0); return true;
    case ado::Variant::Kind::Single:
    case ado::Variant::Kind::Double: {
      const double d = value.asDouble();
      if (std::isnan(d)) {
        out = ado::Variant::null();
        return true;
      }
      if (std::isinf(d)) {
        out = ado::Variant::real(d);
        return true;
      }
      // The shortest text (as toText writes it), made on the stack. A normal Double's text
      // with a point or an exponent reads back as the Double itself, so it is not read.
      char text[64];
      const bool single = value.kind() == ado::Variant::Kind::Single;
      const char* end = single ? std::to_chars(text, text + sizeof text, static_cast<float>(d)).ptr
                               : std::to_chars(text, text + sizeof text, d).ptr;
      const std::string_view shortest(text, static_cast<std::size_t>(end - text));
      if (!single && std::isnormal(d) && shortest.find_first_of(".eE") != std::string_view::npos) out = ado::Variant::real(d);
      else out = ado::sqlite::SQLiteNumberLiteral(shortest);
      return true;
    }
    default:
      if (value.isInteger()) out = ado::Variant::int64(value.asInt64());
      else if (value.isNumber()) out = ado::sqlite::SQLiteNumberLiteral(value.toText());
      else return false;
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

ado::Variant SQLiteValue(ado::Variant&& value, bool numeric) {
  switch (value.kind()) {
    case ado::Variant::Kind::Empty:
    case ado::Variant::Kind::Null: return ado::Variant::null();
    case ado::Variant::Kind::Bytes: return std::move(value);
    default: break;
  }
  if (ado::Variant number; numeric && NumberValue(value, number)) return number;
  if (value.kind() == ado::Variant::Kind::Date) return ado::Variant::text(FormatDateValue(value.asDate()));
  if (value.kind() != ado::Variant::Kind::Text) value = ado::Variant::text(value.toText());
  const std::string& text = value.asText();
  if (text.empty()) return ado::Variant::null();
  // Every recognised date starts with a digit: other texts skip the date reader.
  if (text[0] >= '0' && text[0] <= '9') {
    if (const auto date = RecogniseDateText(text)) return ado::Variant::text(FormatDateTime(*date));
  }
  return std::move(value);
}

void AppendSQLiteLiteral(std::string& statement, const ado::Variant& value, bool numeric) {
  ado::sqlite::AppendSQLiteLiteral(statement, SQLiteValue(ado::Variant(value), numeric));
}

}  // namespace transfer
