#include "ado/access/ValueConversion.h"

#include <cstdio>
#include <type_traits>

#include "ado/Constants.h"
#include "jet/DateSerial.h"

namespace ado::access {

namespace {

struct ToVariant {
  Variant operator()(const jet::Null&) const { return Variant::null(); }
  Variant operator()(bool v) const { return Variant::boolean(v); }
  Variant operator()(std::uint8_t v) const { return Variant::byte(v); }
  Variant operator()(std::int16_t v) const { return Variant::int16(v); }
  Variant operator()(std::int32_t v) const { return Variant::int32(v); }
  Variant operator()(const jet::BigInt& v) const { return Variant::int64(v.value); }
  Variant operator()(const jet::Currency& v) const { return Variant::currency({v.tenThousandths}); }
  Variant operator()(float v) const { return Variant::single(v); }
  Variant operator()(double v) const { return Variant::real(v); }
  // Both sides count days from 1899-12-30 with the fraction forward from midnight.
  Variant operator()(const jet::DateTime& v) const { return Variant::date({v.days}); }
  Variant operator()(const jet::Decimal& v) const {
    ado::Decimal d;
    d.negative = v.negative;
    d.scale = v.scale;
    d.precision = v.precision;
    d.magnitude = v.magnitude;
    return Variant::decimal(d);
  }
  Variant operator()(const std::string& v) const { return Variant::text(v); }
  Variant operator()(const jet::Binary& v) const { return Variant::bytes(v.bytes); }
  // The same byte order on both sides: first three groups little-endian.
  Variant operator()(const jet::Guid& v) const { return Variant::guid({v.bytes}); }
  Variant operator()(const jet::DateTimeExtended& v) const { return Variant::text(DateTimeExtendedText(v)); }
  Variant operator()(const jet::Attachments& v) const {
    return v.items.empty() ? Variant::null() : Variant::text(AttachmentsText(v));
  }
  Variant operator()(const jet::Unsupported& v) const { return Variant::text(UnsupportedValueText(v)); }
};

}  // namespace

int AdoTypeOfColumn(const jet::ColumnDef& column) {
  using jet::ColumnType;
  switch (column.valueType()) {  // a calculated column reports its result's type
    case ColumnType::kBoolean: return adBoolean;
    case ColumnType::kByte: return adUnsignedTinyInt;
    case ColumnType::kInteger: return adSmallInt;
    case ColumnType::kLong: return adInteger;
    case ColumnType::kCurrency: return adCurrency;
    case ColumnType::kFloat: return adSingle;
    case ColumnType::kDouble: return adDouble;
    case ColumnType::kDateTime: return adDate;
    case ColumnType::kBinary: return adVarBinary;
    case ColumnType::kText: return adVarWChar;
    case ColumnType::kOle: return adLongVarBinary;
    case ColumnType::kMemo: return adLongVarWChar;
    case ColumnType::kGuid: return adGUID;
    case ColumnType::kNumeric: return adNumeric;
    case ColumnType::kBigInt: return adBigInt;
    case ColumnType::kDateTimeExtended: return adDBTimeStamp;
    default: return adLongVarWChar;  // complex columns and unknown types: readable text
  }
}

Variant VariantFromValue(const jet::Value& value) { return std::visit(ToVariant{}, value); }

Variant VariantFromValue(jet::Value&& value) {
  // Text and bytes, the large values, move instead of being copied.
  if (auto* text = std::get_if<std::string>(&value)) return Variant::text(std::move(*text));
  if (auto* binary = std::get_if<jet::Binary>(&value)) return Variant::bytes(std::move(binary->bytes));
  return std::visit(ToVariant{}, value);
}

std::string DateTimeExtendedText(const jet::DateTimeExtended& value) {
  // The seconds may run past one day; whole days move into the date.
  const auto [year, month, day] =
      jet::CivilFromUnixDays(jet::UnixDaysFromCivil(1, 1, 1) + value.days + value.seconds / jet::kSecondsPerDay);
  const std::int64_t secondOfDay = value.seconds % jet::kSecondsPerDay;
  char text[64];
  std::snprintf(text, sizeof text, "%04lld-%02u-%02u %02d:%02d:%02d.%07lld", static_cast<long long>(year), month, day,
                static_cast<int>(secondOfDay / 3600), static_cast<int>(secondOfDay / 60 % 60),
                static_cast<int>(secondOfDay % 60), static_cast<long long>(value.ticks));
  return text;
}

std::string AttachmentsText(const jet::Attachments& value) {
  std::string text;
  for (const jet::Attachment& item : value.items) {
    if (!text.empty()) text += "; ";
    text += item.name.empty() ? std::string("(no name)") : item.name;
    text += " (" + std::to_string(item.data.size()) + " bytes)";
  }
  return text;
}

std::string UnsupportedValueText(const jet::Unsupported& value) {
  return "(value not readable: " + (value.reason.empty() ? std::string("unknown kind of data") : value.reason) + ")";
}

}  // namespace ado::access
