// Reading the two kinds of connection string the program builds.
//
// The program concatenates its connection strings without quoting or escaping, so a path or
// a password may itself contain ';' or '='. The rules that keep such values whole:
//  - Keys are compared without regard to case and surrounding blanks; values are kept verbatim.
//  - A ';' ends a value only when what follows it, up to the next '=', is a key this layer knows
//    (the SQLite driver's keys, or the Access provider's). Any other ';' belongs to the value, so
//    "Database=/tmp/a;b.db;LongNames=0" names the file "/tmp/a;b.db".
//  - Access: the password is everything after the first ";JET OLEDB:Database Password=" up to the
//    end of the string (a password may contain anything), and the Data Source is everything between
//    "Data Source=" and that key.
//  - SQLite: the Database value runs up to the first following ";<known key>=" (";LongNames=" in
//    the strings the program builds).
// Which provider serves the string: "DRIVER=SQLite3 ODBC Driver" (braces allowed) -> SQLite;
// "Provider=Microsoft.ACE.OLEDB.12.0" or "Provider=Microsoft.Jet.OLEDB.4.0" -> Access. Anything
// else raises ado::Error 3706 "Provider cannot be found. It may not be properly installed."
#pragma once

#include <map>
#include <string>

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
ConnectionTarget ParseConnectionString(const std::string& connectionString);

}  // namespace ado
