// Table and field names placed into generated statements. Every form here keeps the name
// whole: a delimiter inside a name is doubled or avoided, so no name can end a statement
// early or carry a second one.
#pragma once

#include <QString>
#include <string>

namespace transfer {

// "name" for SQLite, every " inside doubled.
std::string SQLiteQuoted(const QString& name);

// [name] for SQLite, as the bracketed statements write it; a name that holds "]" cannot be
// bracketed, so it is written in the double-quoted form instead.
std::string SQLiteBracketed(const QString& name);

// `name` for Access, every ` inside doubled (the Access dialect reads a doubled back-quote as
// one; Access itself refuses such a name with its own message).
std::string AccessQuoted(const QString& name);

}  // namespace transfer
