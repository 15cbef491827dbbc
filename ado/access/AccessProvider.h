// The Access provider: serves "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=...;JET OLEDB:
// Database Password=..." and the "PROVIDER=Microsoft.Jet.OLEDB.4.0;..." form on our own engine
// (jet/). Both prefixes open any Access file the engine reads (Access 97 to the current format,
// database passwords and encrypted .accdb files); the prefix only names the provider.
//
//   Open          the file must exist and be an Access database; a database password is
//                 checked as Access checks it (a missing or wrong one is refused).
//   OpenSchema    the table list as AccessCatalog.h says; columns, indexes, primary and
//                 foreign keys as AccessSchema.h says.
//   Recordset     "SELECT * FROM t" with t bare, `in back-quotes` or [in brackets]: the rows of
//                 table t, streamed (AccessTableCursor.h); field types and values as in
//                 ValueConversion.h. Linked tables and stored queries cannot be opened this way.
//                 "SELECT k, c.Value FROM t" (or c.FileName, c.FileData, ...): one row per value
//                 of the attachment or multi-value column c (AccessComplexCursor.h).
//   Execute       statements of the Access SQL dialect (AccessSql.h), run by the engine's writer
//                 (jet/write), which opens the file for writing on the first statement that
//                 changes it (Access 97 files too, in their own layouts and code page); a
//                 connection opened with Mode = adModeRead refuses every change.
//   Transactions  one level: BeginTrans .. CommitTrans writes the statements in between together,
//                 RollbackTrans drops them all; outside a transaction each statement is written
//                 when it succeeds and undone whole when it fails.
//
// Error numbers: the ones the Access OLE DB providers raise for the same failures, so that a
// caller sees what it would see there.
//   kErrAuthenticationFailed  0x80040E4D  missing or wrong database password
//   kErrNoSuchTable           0x80040E37  no table of that name
//   kErrCommandText           0x80040E14  a statement that does not parse, or that the database
//                                         refuses (a table that exists, a value that does not fit)
//   kErrStorageFailed         0x8003001D  a statement or commit that could not read or write
//                                         the file (full disk, file size limit; reason named)
//   adErrProviderFailed       0x80004005  anything else: missing file, not an Access database,
//                                         damaged file, writing not possible
// Every description names the file.
#pragma once

#include "ado/Provider.h"

namespace ado::access {

inline constexpr long kErrAuthenticationFailed = -2147217843;  // DB_SEC_E_AUTH_FAILED
inline constexpr long kErrNoSuchTable = -2147217865;           // DB_E_NOSUCHTABLE
inline constexpr long kErrCommandText = -2147217900;           // DB_E_ERRORSINCOMMAND

class AccessProvider : public Provider {
 public:
  std::unique_ptr<Session> open(const ConnectionTarget& target, const ConnectionProperties& properties) override;
};

// Installs the Access provider for both Access connection strings. Call once at start-up
// (the program's main and every test program that opens Access files).
void RegisterAccessProvider();

}  // namespace ado::access
