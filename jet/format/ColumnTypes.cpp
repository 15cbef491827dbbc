#include "jet/format/ColumnTypes.h"

namespace jet {

std::string_view ColumnTypeName(ColumnType type) {
  switch (type) {
    case ColumnType::kBoolean: return "boolean";
    case ColumnType::kByte: return "byte";
    case ColumnType::kInteger: return "integer";
    case ColumnType::kLong: return "long";
    case ColumnType::kCurrency: return "currency";
    case ColumnType::kFloat: return "float";
    case ColumnType::kDouble: return "double";
    case ColumnType::kDateTime: return "datetime";
    case ColumnType::kBinary: return "binary";
    case ColumnType::kText: return "text";
    case ColumnType::kOle: return "ole";
    case ColumnType::kMemo: return "memo";
    case ColumnType::kGuid: return "repid";
    case ColumnType::kNumeric: return "numeric";
    case ColumnType::kComplex: return "complex";
    case ColumnType::kBigInt: return "bigint";
    case ColumnType::kDateTimeExtended: return "datetimextended";
    default: return "";
  }
}

bool IsKnownColumnType(uint8_t code) { return !ColumnTypeName(static_cast<ColumnType>(code)).empty(); }

}  // namespace jet
