// The SQLite side of the program's database modules: the quick connection test and the
// SQLite table list.
#pragma once

#include "app/TableList.h"
#include "db/ConnectionSettings.h"

namespace db {

// True when the SQLite path names an existing plain file (not a folder, not a hidden file) and a
// connection to it opens. Every failure gives false, silently.
bool TestSQLiteConnection(const ConnectionSettings& settings);

// Clears the list and fills it with every table and view the SQLite database reports, except
// names whose fourth character is "$". Failures (ado::Error) pass to the caller; when the
// connection cannot be opened the list keeps what it held.
void FillSQLiteTableList(const ConnectionSettings& settings, app::TableList& list);

}  // namespace db
