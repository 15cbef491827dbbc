// The SQLite sample database (Samples/sample1.db3): a small firm's Suppliers, Employees and
// Invoices, different from the Access sample so each direction has tables to send.
#pragma once

#include <string>

namespace samples {

// Writes a new database at `path` (which must not exist). Returns an empty string on success,
// otherwise what failed (file, statement and SQLite's message).
std::string WriteSQLiteSample(const std::string& path);

}  // namespace samples
