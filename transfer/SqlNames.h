// Names and text values placed into generated statements. Every form here keeps the value
// whole: a delimiter inside is doubled or avoided, so nothing can end a statement
// early or carry a second one.
#pragma once

#include "ado/SqlText.h"

#include <QString>
#include <string>
#include <string_view>

namespace transfer {

// "name" for SQLite, every " inside doubled.
std::string SQLiteQuoted(const QString& name);

// [name] for SQLite, as the bracketed statements write it; a name that holds "]" cannot be
// bracketed, so it is written in the double-quoted form instead.
std::string SQLiteBracketed(const QString& name);

// `name` for Access, every ` inside doubled (the Access dialect reads a doubled back-quote as
// one; Access itself refuses such a name with its own message).
std::string AccessQuoted(const QString& name);

// 'text' as both dialects write a text value: every apostrophe inside doubled.
using ado::AppendQuotedText;

}  // namespace transfer
