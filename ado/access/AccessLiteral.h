// A bound value as the Access dialect would have written it: the literal a prepared INSERT's
// parameter stands for, converted to its column by the rules of LiteralConversion.h (so a
// bound value lands exactly as its literal would), and written into the statement's text for
// messages.
//   Null, Empty         NULL
//   Boolean             True / False
//   numbers             the number's shortest exact text (Variant::toText), bare; an infinity,
//                       which no Access number type holds, as Infinity or -Infinity (refused
//                       with its own reason)
//   Text                'text'
//   Bytes               0x0A1B
//   Date, Guid          their text, quoted
#pragma once

#include "ado/Variant.h"
#include "ado/access/AccessSql.h"
#include "ado/access/LiteralConversion.h"

#include <string>

namespace ado::access {

// What `column` stores for a bound value: its literal (as above) converted by ConvertLiteral,
// a text or bytes value read where it is instead of being copied into a literal first.
jet::Result<jet::Value> ConvertBoundValue(const Variant& value, const AccessColumnType& column,
                                          std::string_view columnName);
void AppendAccessLiteral(std::string& statement, const Variant& value);

}  // namespace ado::access
