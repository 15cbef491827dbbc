// Copying to SQLite: how an Access field becomes an SQLite column, and how each of its
// values is written into an INSERT statement.
#pragma once

#include "ado/Variant.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace transfer {

struct SQLiteColumnClass {
  const char* piece;  // appended after the quoted field name: " TEXT," " INTEGER," or " NUMERIC,"
  bool numeric;       // values written as bare numbers
};

// The classification of an ADO type by substring tests on its lower-cased type name, first
// match wins: varwchar, longvar -> TEXT; double -> NUMERIC; smallint, tinyint, int -> INTEGER;
// currency, numeric, decimal -> NUMERIC; date, timestamp -> TEXT; bool -> INTEGER; else TEXT.
SQLiteColumnClass ClassifyForSQLite(std::int16_t adoType);

// Appends one value as an SQLite literal:
//  - Null, and every value whose text is empty, as NULL;
//  - numeric fields: True/False as 1/0, other numbers as their shortest exact text, bare
//    (an infinity as 9e999 or -9e999, which SQLite reads back as one; NaN, which SQLite
//    cannot hold, as NULL);
//  - byte arrays as a blob literal X'..', byte for byte;
//  - Date/Time values as 'MM/DD/YYYY' or 'MM/DD/YYYY HH:NN:SS';
//  - texts that are dates (DateText.h) reformatted the same way, every other text quoted
//    with each ' doubled; a text holding a zero character as an expression that keeps it
//    ('a'||char(0)||'b'), since SQLite's parser would stop at the zero.
// A numeric field that unexpectedly holds a non-number is quoted like text, so a value can
// never be read as SQL.
void AppendSQLiteLiteral(std::string& statement, const ado::Variant& value, bool numeric);

// Appends a text as an SQLite literal, quoted, a text with zero characters as the expression
// above; a zero-length text is '' here.
void AppendSQLiteText(std::string& statement, std::string_view text);

// Appends bytes as the blob literal X'..'.
void AppendSQLiteBlob(std::string& statement, const ado::Bytes& bytes);

}  // namespace transfer
