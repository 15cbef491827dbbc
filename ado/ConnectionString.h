// Reading the two kinds of connection string the program builds, and quoting values for them.
//
// A value is one of two forms:
//  - Braced, as ODBC connection strings write it: "{" value "}", every "}" inside doubled. The
//    braces hold anything (';', '=', blanks, quotes) and the value is exactly what they enclose.
//    Only blanks may follow the closing brace before the next ';'. A brace never closed, or text
//    after the closing brace, is ado::Error 3001 naming the key.
//  - Plain: everything up to the ';' that ends it, kept verbatim. For strings written by hand
//    these rules keep a plain value whole as far as they can:
//     - A ';' ends a value only when what follows it, up to the next '=', is a key this layer
//       knows (the SQLite driver's keys, or the Access provider's). Any other ';' belongs to the
//       value, so "Database=/tmp/a;b.db;LongNames=0" names the file "/tmp/a;b.db".
//     - Access: a plain password is everything after the first ";JET OLEDB:Database Password="
//       up to the end of the string, and a plain Data Source everything between "Data Source="
//       and that key.
// The program's own strings brace every value that could be misread (QuoteConnectionValue), so
// a path such as "a;Database=b.db" stays one value; ordinary paths and passwords stay plain.
// Keys are compared without regard to case and surrounding blanks.
// Which provider serves the string: "DRIVER=SQLite3 ODBC Driver" (braces allowed) -> SQLite;
// "Provider=Microsoft.ACE.OLEDB.12.0" or "Provider=Microsoft.Jet.OLEDB.4.0" -> Access. Anything
// else raises ado::Error 3706 "Provider cannot be found. It may not be properly installed."
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace ado {

enum class ProviderKind { SQLite, Access };

struct SQLiteTarget {
  std::string database;                        // the file; "" when the key is missing
  std::map<std::string, std::string> options;  // other keys, lower-cased: "timeout", "syncpragma", ...
};

struct AccessTarget {
  std::string provider;    // as written, e.g. "Microsoft.ACE.OLEDB.12.0"
  bool ace = false;        // ACE 12.0 (true) or Jet 4.0 (false)
  std::string dataSource;  // the file
  std::string password;    // "" when empty or absent
  std::map<std::string, std::string> options;  // other keys, lower-cased
};

struct ConnectionTarget {
  ProviderKind kind = ProviderKind::SQLite;
  SQLiteTarget sqlite;  // filled when kind == SQLite
  AccessTarget access;  // filled when kind == Access
};

// Throws ado::Error 3706 for a string that names no provider this layer knows.
// Throws ado::Error 3001 for a braced value that is never closed or is followed by other text.
ConnectionTarget ParseConnectionString(const std::string& connectionString);

// `value` as it is placed after "Key=": braced when it holds ';', '=', '{' or '}', begins or
// ends with a blank, or begins with a quote; otherwise unchanged (so ordinary paths read as
// typed, and "" stays empty).
std::string QuoteConnectionValue(std::string_view value);

}  // namespace ado
