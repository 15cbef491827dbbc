// Creates a new, empty Access database from scratch: the header page, the global page
// map, the four system tables with their usage maps, index roots, catalogue and
// permission rows (jet/create/SystemTables.h). Every byte comes from this code; no
// template file is involved. Jet4 (.mdb, Access 2000 format) and ACE12 (.accdb,
// Access 2007 format); text sorts by "General" (Windows LCID 1033, legacy version) unless
// another order is given, which is laid out as Access lays it: on page 0 and on every column.
#pragma once

#include <string>

#include "jet/DatabaseHeader.h"
#include "jet/Status.h"

namespace jet::create {

enum class NewDatabaseFormat { kJet4, kAce12 };

// .mdb -> Jet4, .accdb -> ACE12 (any case); other extensions are kInvalidArgument.
Result<NewDatabaseFormat> FormatForPath(const std::string& path);

// Writes a new database at `path`, which must not exist yet. `creationDate` is a
// Date/Time value (days since 1899-12-30); the file is built beside `path` and moved
// into place only when complete, so a failure leaves nothing behind.
// A non-empty `password` (UTF-8) becomes, for Jet4, the database password, stored in the
// header as Access stores it (at most 20 characters); for ACE12, the password of agile
// encryption as Access 2010 and later make it (AES-256, SHA-512, 100,000 rounds; at most
// 255 characters), every page after the header encrypted.
// A sort order whose index keys the engine cannot build is refused (the catalogue rows
// need keys), and nothing is left behind.
Status CreateDatabase(const std::string& path, NewDatabaseFormat format, double creationDate,
                      const std::string& password = std::string(), const SortOrder& sortOrder = SortOrder{1033, 0, 0});

}  // namespace jet::create
