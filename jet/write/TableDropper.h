// DROP TABLE: removes a user table and everything that belongs to it (catalogue row and
// its index entries and properties, permission rows, navigation-pane rows) and gives its
// pages back to the global free-page map. Refused for system tables, linked tables,
// tables in a relationship and tables with complex (multi-value, attachment) columns.
#pragma once

#include <string>

#include "jet/Database.h"
#include "jet/Status.h"
#include "jet/write/PageWriter.h"

namespace jet {

Status DropTable(Database& db, PageWriter& writer, const std::string& name);

}  // namespace jet
