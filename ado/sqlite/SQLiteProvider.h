// The SQLite provider: serves "DRIVER=SQLite3 ODBC Driver;Database=...;..." on libsqlite3.
//
// Options of the connection string:
//   Database    the file; it must exist already (opening never creates a file), and a file that
//               is not an SQLite database fails at Open with an error naming it.
//   Timeout     busy timeout in milliseconds: how long a statement waits for another connection's lock.
//   SyncPragma  PRAGMA synchronous: OFF, NORMAL, FULL, EXTRA (or 0..3).
//   NoTXN       1: BeginTrans/CommitTrans/RollbackTrans do nothing (the driver's "no transactions").
//   LongNames, StepAPI: accepted; column names are always the plain names, and rows are always
//               stepped one at a time.
// Transactions: BEGIN, COMMIT and ROLLBACK; a failed CommitTrans leaves the transaction rolled
// back, and RollbackTrans after SQLite ended the transaction itself (full disk, I/O error) does
// nothing. A statement that fails because the file cannot be written raises ado::kErrStorageFull
// or ado::kErrStorageFailed with the system's reason ("File too large") in the description.
// Connection properties: Mode adModeRead (1) opens the file read-only; CursorLocation and the two
// timeouts are accepted and change nothing (the Timeout option above governs waiting for locks).
// Recordsets stream from a prepared statement whatever cursor type is asked for; RecordCount
// comes from a count over the same query, taken after the first row so both see one snapshot.
#pragma once

#include "ado/Provider.h"

namespace ado::sqlite {

class SQLiteProvider : public Provider {
 public:
  std::unique_ptr<Session> open(const ConnectionTarget& target, const ConnectionProperties& properties) override;
};

}  // namespace ado::sqlite
