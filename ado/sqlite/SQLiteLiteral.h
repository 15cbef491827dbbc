// Values as SQLite's SQL writes them, and the value SQLite's parser makes of a number
// literal: what a prepared statement binds so that a value lands exactly as the literal
// would have, and how a message shows the statement with its values.
#pragma once

#include "ado/Variant.h"

#include <string>
#include <string_view>

namespace ado::sqlite {

// Appends a value as an SQLite literal: Null as NULL, True/False as 1/0, numbers in their
// shortest exact text (an infinity as 9e999 or -9e999, which SQLite reads back as one; NaN,
// which SQLite cannot hold, as NULL), texts as AppendSQLiteText, bytes as X'..', other
// kinds as their quoted text.
void AppendSQLiteLiteral(std::string& statement, const Variant& value);

// Appends a text as an SQLite literal, quoted. SQLite reads a statement's text only up to a
// zero byte, so a text holding one is written as an expression that makes the same text
// ('a'||char(0)||'b'); a zero-length text is ''.
void AppendSQLiteText(std::string& statement, std::string_view text);

// Appends bytes as the blob literal X'..'.
void AppendSQLiteBlob(std::string& statement, const Bytes& bytes);

// The value SQLite's parser makes of the number literal `text` ([+-]digits[.digits][e[+-]digits]):
// a whole number that fits 64 bits is an integer, any other the nearest real (beyond the
// double's range an infinity, below it zero). A text that is no number literal is given back
// as text.
Variant SQLiteNumberLiteral(std::string_view text);

}  // namespace ado::sqlite
