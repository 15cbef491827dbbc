// The Access side of the program's database modules: the connection string, the table
// catalogue and the table-exists test.
#pragma once

#include "app/Dialogs.h"
#include "app/TableList.h"
#include "db/ConnectionSettings.h"
#include "db/Connections.h"  // BuildAccessConnectionString

#include <QString>
#include <QStringList>
#include <optional>

namespace db {

// The names of the Access user tables (catalogue rows of type "TABLE", in catalogue order), or
// nothing when the catalogue cannot be read: the file at `path` is missing, or the database of the
// current settings cannot be opened or read. The connection uses the current settings' path and
// password; `path` only decides whether to try. Nothing is reported here.
std::optional<QStringList> GetAccessTables(const ConnectionSettings& settings, const QString& path);

// Clears the list and fills it with GetAccessTables(path), letting pending window events through
// before each name. When there is no table list it shows "Unable to access the database" (OK, no
// icon, the application title) and leaves the list empty.
void FillAccessTableList(const ConnectionSettings& settings, app::Dialogs& dialogs, app::TableList& list,
                         const QString& path);

// True when the Access database at `path` (opened with `password`) has a user table of that name,
// compared without regard to case. A missing file gives false; other failures pass to the caller.
bool AccessTableExists(const QString& path, const QString& password, const QString& name);

// Renames an Access table: a copy under the new name, then a drop of the old table. When a table of
// the new name exists (any case), asks "Would you like to overwrite " + new name + "?" (Yes/No, no
// icon, title "Overwrite?") and drops it on Yes. True when renamed, false when the overwrite was
// declined. A new name equal to the old one apart from case is refused with an error (the table
// would be dropped before it is copied). Failures pass to the caller.
bool RenameAccessTable(app::Dialogs& dialogs, const QString& oldName, const QString& newName, const QString& path,
                       const QString& password);

}  // namespace db
