// "Send Table/s To SQLite": copies every selected table of the Access list into the SQLite
// database, walking the list from its last entry to its first; an existing table of the
// same name is dropped after a Yes to the overwrite question. Each table is written in one
// transaction on SQLite; every statement still runs on its own, and a failing one shows its
// error box while the run goes on. No completion message.
#pragma once

#include "transfer/TransferEnvironment.h"

namespace transfer {

void SendTablesToSQLite(TransferEnvironment& env);

}  // namespace transfer
