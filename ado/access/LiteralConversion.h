// A literal of INSERT ... VALUES turned into the value a column stores, the way the Access
// database engine converts it. A value that does not convert is an error (kInvalidArgument)
// naming the column, its type and the value.
//
// Numbers (from a number or from text; spaces around text are ignored; no thousands
// separators or currency signs):
//   Byte, Integer, Long, Large Number  rounded half to even (0.5 -> 0, 1.5 -> 2, -2.5 -> -2),
//                                      then out of range is an error (32767.5 for Integer)
//   Currency                           rounded half to even to 4 decimals; the range of int64/10000
//   Decimal(p,s)                       rounded half to even to s decimals, then more than p digits
//                                      is an error (Microsoft documents no rule for the extra
//                                      decimals; we round them as the other exact types are rounded)
//   Double, Single                     the nearest value of the type; beyond its range an error,
//                                      below its smallest step 0
// Date/Time, from text: m/d/yyyy and m/d/yy (yy 00-29 = 20yy, 30-99 = 19yy), yyyy-mm-dd,
//   each with an optional time h:nn[:ss] [AM|PM]; a time alone is on 1899-12-30; ISO times
//   may carry a fraction of a second. Years 100 to 9999; 2/29 only in leap years.
//   From a number: the number is the date serial. Stored as days since 1899-12-30, before that
//   day as whole days back with the time of day going forward (1899-12-29 06:00 = -1.25).
// Yes/No: True/False, Yes/No, On/Off (any case), numbers (0 = No, anything else = Yes); NULL
//   stores No, since a Yes/No column holds no Null.
// Text(n): at most n characters (UTF-16 units, as Access counts); Memo any length. A number
//   stores the number as written; True/False store -1/0 (Jet's values for them).
// Binary values: bytes for OLE Object and Binary(n) (at most n bytes). Into Text and Memo the
//   bytes are taken as UTF-8 text when they are valid UTF-8, else refused: bytes are never
//   silently turned into other text. Refused for every other type.
// OLE Object and Binary from text: the text's UTF-16LE bytes (the engine's own form of a string).
// GUID: text "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" (braces optional).
// NULL is Null for every other type.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "ado/access/AccessSql.h"
#include "ado/access/TypeWords.h"
#include "jet/Status.h"
#include "jet/Value.h"

namespace ado::access {

// A literal's parts, read where they are (a bound value's text is converted without first
// being copied into a literal).
struct LiteralParts {
  SqlLiteral::Kind kind = SqlLiteral::Kind::kNull;
  std::string_view text;  // kText, kNumber
  bool boolean = false;   // kBoolean
  std::span<const uint8_t> bytes;  // kBinary
};
LiteralParts PartsOf(const SqlLiteral& literal);

jet::Result<jet::Value> ConvertLiteral(const LiteralParts& literal, const AccessColumnType& column,
                                       std::string_view columnName);
jet::Result<jet::Value> ConvertLiteral(const SqlLiteral& literal, const AccessColumnType& column,
                                       std::string_view columnName);
// The same, taking the literal's text instead of copying it where the value is that text.
jet::Result<jet::Value> ConvertLiteral(SqlLiteral&& literal, const AccessColumnType& column,
                                       std::string_view columnName);

// The Date/Time value of a date or date-time text in the forms above, or an error that says
// why the text is not one.
jet::Result<jet::DateTime> ParseDateTimeText(std::string_view text);

}  // namespace ado::access
