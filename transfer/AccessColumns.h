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

// Appends one value as an Access literal: Null and an empty text as NULL; a byte array as
// the binary literal 0x.. (byte for byte; an empty one as NULL); every other value as its
// text, quoted with each ' doubled (numbers in their shortest exact text).
void AppendAccessLiteral(std::string& statement, const ado::Variant& value);

}  // namespace transfer
