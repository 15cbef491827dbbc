// "Send Table/s To Access": copies every selected table of the SQLite list into the Access
// database, walking the list from its last entry to its first; an existing table of the same
// name is dropped after a Yes to the overwrite question. Each table (the drop, the create and
// the rows) is one transaction on Access: a table whose source cannot be read to its end, or
// that cannot be written, is rolled back whole with one error box naming the table, the row
// and the reason (see TableTransaction.h). Any other failing statement shows its box and the
// run goes on.
#pragma once

#include "transfer/TableCopy.h"
#include "transfer/TransferEnvironment.h"

namespace transfer {

// What this copy does its own way (TableCopy.h): columns classified by their ADO type names
// (AccessColumns.h), each row's statement parsed by the Access side on the reading thread,
// and the pointer put back before the connections close.
class SQLiteToAccessDirection : public CopyDirection {
 public:
  CopySource source() const override { return CopySource::kSQLite; }
  app::Label label() const override;
  QString nothingSelectedMessage() const override;
  const db::ConnectionProfile& sqliteProfile() const override;
  const db::ConnectionProfile& accessProfile() const override;
  PointerReset pointerReset() const override { return PointerReset::kBeforeClosing; }

  std::string dropStatement(const QString& name) const override;
  void openSource(ado::Recordset& source, ado::Connection& connection, const QString& name) const override;
  std::unique_ptr<TableStatements> beginTable(const QString& name, ado::Connection& sourceConnection) override;
};

void SendTablesToAccess(TransferEnvironment& env);

}  // namespace transfer
