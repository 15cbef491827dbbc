// Copying to Access: how an SQLite field becomes an Access column, and how each of its
// values is written into an INSERT statement.
#pragma once

#include "ado/Variant.h"

#include <cstdint>
#include <string>

namespace transfer {

// The piece appended after the field name, closing back-quote included ("` TEXT,"), from
// substring tests on the lower-cased ADO type name, first match wins: char -> TEXT;
// decimal -> DECIMAL; single, int -> INT; adlongvarbinary -> OLEOBJECT; numeric -> INT;
// date, timestamp -> DATETIME; double -> FLOAT; anything else -> VARCHAR.
const char* ClassifyForAccess(std::int16_t adoType);

// The value an INSERT gives Access for a source value: Null for Null and an empty text; a
// byte array as itself (byte for byte; an empty one as Null); every other value as its text
// (numbers in their shortest exact text), which Access converts to the column's type.
ado::Variant AccessValue(ado::Variant&& value);

// Appends that value as the Access literal the INSERT's text shows: NULL, 0x.. or the text
// quoted with each ' doubled.
void AppendAccessLiteral(std::string& statement, const ado::Variant& value);

}  // namespace transfer
