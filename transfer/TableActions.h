// Deleting and renaming tables from the tables window: the handlers of the two "Delete
// Table/s" and the two "Rename Table" buttons, on the environment the copies use (only the
// settings, dialogs, lists and pointer matter here).
#pragma once

#include "transfer/TransferEnvironment.h"

namespace transfer {

// Drops every selected Access table, walking the Access list from its last entry up, and takes each
// from the list (also when its drop failed: that failure is reported).
void DeleteAccessTables(TransferEnvironment& env);
// The same for SQLite and the SQLite list.
void DeleteSQLiteTables(TransferEnvironment& env);

// Renames the one selected Access table to the name typed in the input box (a copy under the
// new name, then a drop of the old table; an existing table of the new name is overwritten
// after a Yes). A new name that differs from the old one only in case is refused with
// "A table cannot be renamed to its own name.". After an overwrite the overwritten table's
// entry leaves the Access list too, so the new name is listed once.
void RenameAccessTableAction(TransferEnvironment& env);

// Renames the one selected SQLite table; blanks in the new name become underscores.
void RenameSQLiteTableAction(TransferEnvironment& env);

// The message for a rename to the table's own name (any case).
inline constexpr char kRenameToOwnNameMessage[] = "A table cannot be renamed to its own name.";

}  // namespace transfer
