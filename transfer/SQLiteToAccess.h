// "Send Table/s To Access": copies every selected table of the SQLite list into the Access
// database, walking the list from its last entry to its first; an existing table of the same
// name is dropped after a Yes to the overwrite question. Each table is written in one
// transaction on Access; a failing statement shows its error box while the run goes on.
#pragma once

#include "transfer/TransferEnvironment.h"

namespace transfer {

void SendTablesToAccess(TransferEnvironment& env);

}  // namespace transfer
