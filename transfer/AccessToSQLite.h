// "Send Table/s To SQLite": copies every selected table of the Access list into the SQLite
// database, walking the list from its last entry to its first; an existing table of the
// same name is dropped after a Yes to the overwrite question. Each table (the drop, the
// create and the rows) is one transaction on SQLite: a table whose source cannot be read to
// its end, or that cannot be written, is rolled back whole with one error box naming the
// table, the row and the reason (see TableTransaction.h). Any other failing statement shows
// its box and the run goes on. No completion message.
#pragma once

#include "transfer/TableCopy.h"
#include "transfer/TransferEnvironment.h"

namespace transfer {

// What this copy does its own way (TableCopy.h): columns classified by their ADO type names
// (SQLiteColumns.h), a table list entry in lower case, window events let through before each
// list entry as well, and the pointer put back after both connections have closed.
class AccessToSQLiteDirection : public CopyDirection {
 public:
  CopySource source() const override { return CopySource::kAccess; }
  app::Label label() const override;
  QString nothingSelectedMessage() const override;
  const db::ConnectionProfile& sqliteProfile() const override;
  const db::ConnectionProfile& accessProfile() const override;
  bool yieldsBeforeEachEntry() const override { return true; }
  PointerReset pointerReset() const override { return PointerReset::kAfterClosing; }

  QString targetListEntry(const QString& name) const override { return name.toLower(); }
  std::string dropStatement(const QString& name) const override;
  void openSource(ado::Recordset& source, ado::Connection& connection, const QString& name) const override;
  std::unique_ptr<TableStatements> beginTable(const QString& name, ado::Connection& sourceConnection) override;
};

void SendTablesToSQLite(TransferEnvironment& env);

}  // namespace transfer
