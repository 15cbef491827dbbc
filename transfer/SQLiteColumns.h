// Copying to SQLite: how an Access field becomes an SQLite column, and how each of its
// values is written into an INSERT statement.
#pragma once

#include "ado/Variant.h"
#include "ado/sqlite/SQLiteLiteral.h"

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

// The value an INSERT gives SQLite for a source value, the value the literal of the
// statement's text would have made:
//  - Null, and every value whose text is empty, as Null;
//  - numeric fields: True/False as 1/0, other numbers as SQLite reads their shortest exact
//    text (an infinity as itself; NaN, which SQLite cannot hold, as Null);
//  - byte arrays as themselves, byte for byte;
//  - Date/Time values as the text 'MM/DD/YYYY' or 'MM/DD/YYYY HH:NN:SS';
//  - texts that are dates (DateText.h) reformatted the same way, every other text as itself.
// A numeric field that unexpectedly holds a non-number is given as text.
ado::Variant SQLiteValue(ado::Variant&& value, bool numeric);

// Appends that value as the SQLite literal the INSERT's text shows (ado/sqlite/SQLiteLiteral.h):
// texts quoted with each ' doubled, one holding a zero character as an expression that keeps
// it ('a'||char(0)||'b'), since SQLite's parser would stop at the zero.
void AppendSQLiteLiteral(std::string& statement, const ado::Variant& value, bool numeric);

using ado::sqlite::AppendSQLiteBlob;
using ado::sqlite::AppendSQLiteText;

}  // namespace transfer
