// "Send Table/s To SQLite": copies every selected table of the Access list into the SQLite
// database, walking the list from its last entry to its first; an existing table of the
// same name is dropped after a Yes to the overwrite question. Each table (the drop, the
// create and the rows) is one transaction on SQLite: a table whose source cannot be read to
// its end, or that cannot be written, is rolled back whole with one error box naming the
// table, the row and the reason (see TableTransaction.h). Any other failing statement shows
// its box and the run goes on. No completion message.
#pragma once

#include "transfer/TransferEnvironment.h"

namespace transfer {

void SendTablesToSQLite(TransferEnvironment& env);

}  // namespace transfer
