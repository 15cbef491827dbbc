// The Access sample database (Samples/sample.mdb): a small shop's Customers, Products and
// Orders, written as the program itself writes Access files, by CREATE TABLE and INSERT
// statements through the Access provider on a database our engine creates from scratch.
#pragma once

#include <string>

namespace samples {

// Writes a new database at `path` (which must not exist). Returns an empty string on success,
// otherwise what failed (file, statement and the provider's description).
std::string WriteAccessSample(const std::string& path);

}  // namespace samples
