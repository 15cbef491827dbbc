// The column type words of CREATE TABLE and the Access column each one makes, with the
// meaning the Access database engine gives them through OLE DB (Microsoft's Access SQL
// reference, "Equivalent ANSI SQL data types" and "SQL data types"):
//   TEXT, LONGTEXT, LONGCHAR, MEMO, NOTE, NTEXT          Memo (Long Text); TEXT(n) is Text(n)
//   VARCHAR, CHAR, CHARACTER, STRING, ALPHANUMERIC, NCHAR [(n)]   Text(n), Text(255) without n
//   INT, INTEGER, LONG, INTEGER4                          Long Integer
//   SMALLINT, SHORT, INTEGER2                             Integer
//   BYTE, TINYINT, INTEGER1                               Byte
//   FLOAT, DOUBLE, FLOAT8, IEEEDOUBLE, NUMBER             Double
//   REAL, SINGLE, FLOAT4, IEEESINGLE                      Single
//   CURRENCY, MONEY                                       Currency
//   BIT, YESNO, BOOLEAN, LOGICAL, LOGICAL1                Yes/No
//   DATETIME, DATE, TIME                                  Date/Time (not TIMESTAMP)
//   GUID, UNIQUEIDENTIFIER                                Replication ID
//   DECIMAL, NUMERIC, DEC [(p[,s])]                       Decimal(p,s), Decimal(18,0) without
//   LONGBINARY, OLEOBJECT, GENERAL, IMAGE                 OLE Object
//   BINARY, VARBINARY [(n)]                               Binary(n), Binary(255) without n
// A text or binary type without a length is 255 long: Microsoft's ODBC notes on the Access
// driver ("CREATE TABLE statement limitations") say so, and TEXT alone is the exception above.
//   COUNTER, AUTOINCREMENT                                AutoNumber: Long Integer, numbered by the table
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "jet/Status.h"
#include "jet/format/ColumnTypes.h"

namespace ado::access {

// What a column of a created table is.
struct AccessColumnType {
  jet::ColumnType type = jet::ColumnType::kText;
  uint16_t length = 0;    // Text: characters (1..255); Binary: bytes (1..255); else 0
  uint8_t precision = 0;  // Decimal: 1..28; else 0
  uint8_t scale = 0;      // Decimal: 0..precision; else 0
  bool autoIncrement = false;  // COUNTER: a Long Integer AutoNumber
  bool calculated = false;     // a calculated column's result: a decimal keeps each value's own scale
  bool operator==(const AccessColumnType&) const = default;
};

inline constexpr uint16_t kMaxTextLength = 255;
inline constexpr uint8_t kMaxDecimalPrecision = 28;

// The column type a type word makes, given the numbers in its parentheses (none, one or two).
// The word is matched without regard to case. An unknown word, a size the word does not take,
// or a size out of range is an error that names the word.
jet::Result<AccessColumnType> ResolveTypeWord(std::string_view word, std::span<const int64_t> sizes);

// The name Access shows for a column type, with its size: "Text(50)", "Decimal(18,2)", "Long Integer".
std::string DescribeColumnType(const AccessColumnType& type);

}  // namespace ado::access
