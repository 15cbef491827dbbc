// Column type codes as stored in byte 0 of a column definition block, with the
// storage size of the fixed-width ones.
#pragma once

#include <cstdint>
#include <string_view>

namespace jet {

enum class ColumnType : uint8_t {
  kBoolean = 0x01,         // Yes/No: no bytes, the value is the null-mask bit
  kByte = 0x02,            // unsigned 8 bit
  kInteger = 0x03,         // int16
  kLong = 0x04,            // int32
  kCurrency = 0x05,        // int64, value x 10000
  kFloat = 0x06,           // IEEE single
  kDouble = 0x07,          // IEEE double
  kDateTime = 0x08,        // double: days since 1899-12-30, fraction = time of day
  kBinary = 0x09,          // variable, <= 255 bytes
  kText = 0x0A,            // variable, <= 255 characters
  kOle = 0x0B,             // long value
  kMemo = 0x0C,            // long value, text
  kUnknown0D = 0x0D,
  kGuid = 0x0F,            // 16 bytes, first three groups little-endian
  kNumeric = 0x10,         // 17 bytes: sign byte + 16-byte magnitude
  kUnknown11 = 0x11,       // MSysAccessObjects data
  kComplex = 0x12,         // ACE: int32 key into a hidden table
  kBigInt = 0x13,          // int64 (Large Number)
  kDateTimeExtended = 0x14 // 42 ASCII bytes
};

// Bytes a value of a fixed-width type takes in the fixed area; 0 if variable or none.
constexpr uint16_t FixedTypeSize(ColumnType type) {
  switch (type) {
    case ColumnType::kByte: return 1;
    case ColumnType::kInteger: return 2;
    case ColumnType::kLong: return 4;
    case ColumnType::kCurrency: return 8;
    case ColumnType::kFloat: return 4;
    case ColumnType::kDouble: return 8;
    case ColumnType::kDateTime: return 8;
    case ColumnType::kGuid: return 16;
    case ColumnType::kNumeric: return 17;
    case ColumnType::kComplex: return 4;
    case ColumnType::kBigInt: return 8;
    default: return 0;
  }
}

constexpr bool IsLongValueType(ColumnType type) {
  return type == ColumnType::kMemo || type == ColumnType::kOle;
}

// Types whose values live in the row's variable area (the rest take a fixed slot).
constexpr bool IsVariableType(ColumnType type) {
  return type == ColumnType::kText || type == ColumnType::kBinary || IsLongValueType(type);
}

// The length a table definition stores for a column: `variableBytes` for text and binary
// (each format counts text bytes its own way), 0 for long values, 1 for Yes/No (its value
// is the null-mask bit), the fixed size for the rest.
constexpr uint16_t DefinitionLength(ColumnType type, uint16_t variableBytes) {
  switch (type) {
    case ColumnType::kText:
    case ColumnType::kBinary: return variableBytes;
    case ColumnType::kBoolean: return 1;
    default: return FixedTypeSize(type);
  }
}

// The name the goldens and `jettool schema` use for a type; empty for codes we do not know.
std::string_view ColumnTypeName(ColumnType type);

// True for codes this engine knows how to decode.
bool IsKnownColumnType(uint8_t code);

// Column flags (Jet4 byte 15, Jet3 byte 13).
inline constexpr uint8_t kColumnFlagFixed = 0x01;
inline constexpr uint8_t kColumnFlagNullable = 0x02;
inline constexpr uint8_t kColumnFlagAutoLong = 0x04;
inline constexpr uint8_t kColumnFlagReplication = 0x10;
inline constexpr uint8_t kColumnFlagAutoGuid = 0x40;
inline constexpr uint8_t kColumnFlagHyperlink = 0x80;
// Extended column flags (Jet4+ byte 16).
inline constexpr uint8_t kColumnExtFlagCompressedUnicode = 0x01;
inline constexpr uint8_t kColumnExtFlagCalculated = 0xC0;
// A calculated column's value is wrapped: 16 bytes, the data's length (4), the data, 3 bytes.
inline constexpr uint16_t kCalculatedWrapperSize = 23;
inline constexpr uint16_t kCalculatedLengthOffset = 16;
inline constexpr uint16_t kCalculatedDataOffset = 20;
// The declared length of every calculated column of a fixed-size or decimal result type.
inline constexpr uint16_t kCalculatedFixedLength = 39;

}  // namespace jet
