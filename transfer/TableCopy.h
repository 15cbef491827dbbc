// The copy of the selected tables from one database into the other, written once for every
// direction. RunTableCopy walks the source list from its last entry to its first; for each
// selected table it asks the overwrite question when the target list holds the name, and runs
// the table in its own transaction on the target (TableTransaction.h): the drop of the old
// table, the create statement(s), one INSERT per source row, the statements after the rows.
// It drives the pointer and the progress bar and closes both connections at the end.
//
// A CopyDirection says everything that differs: which side is the source, the location label
// of the error boxes, the connection profiles, the statements and each value's rule.
// The line numbers the error boxes show are the skeleton's and the same in every direction:
//   20/30 nothing selected; 40 hourglass; 50 SQLite opens; 60 Access opens; 70 list count;
//   80 entry selected; 90 entry name; 100/110 overwrite question; 115 transaction begins;
//   120 drop; 140 source opens; 150 column count (and the direction's BeginTable);
//   160 one column; 170 create; 180 row count; 190 row read; 200 progress; 210 one value;
//   220 INSERT; 230 move on; 240 statements after the rows; 250 pointer; 260 progress reset;
//   270 source closes; 280 commit; 130 old entry leaves the target list; 290 new entry;
//   300 after every table; 310-330 the end (pointer reset and the two closes, in the
//   direction's order).
#pragma once

#include "ado/Connection.h"
#include "ado/Field.h"
#include "ado/Provider.h"
#include "ado/Recordset.h"
#include "app/ErrorPolicy.h"
#include "db/Connections.h"
#include "transfer/RowsAhead.h"
#include "transfer/StatementRunner.h"
#include "transfer/TransferEnvironment.h"

#include <QString>
#include <memory>
#include <string>
#include <vector>

namespace transfer {

// Which database a copy reads; the other one is written.
enum class CopySource { kAccess, kSQLite };

// Where the last step of a run, putting the pointer back, comes: after both connections have
// closed, or before.
enum class PointerReset { kAfterClosing, kBeforeClosing };

// One table's statements, built by a direction from the source's columns.
class TableStatements {
 public:
  virtual ~TableStatements() = default;

  // Takes in the source's field at `position` (0 first), in order. A throw gives the table up
  // ("the columns of its source could not be read").
  virtual void addColumn(const ado::Field& field, int position) = 0;
  // The statements that create the table, run in order once every column is in.
  virtual std::vector<std::string> createStatements() = 0;
  // What every row's INSERT begins with; a ? marker for each value it binds follows,
  // separated by ", ", then ")". The statement is prepared once and run with each row's values.
  virtual std::string insertStart() const = 0;
  // The value the target is given for a source value: what its literal in the INSERT would
  // have been, as a value. Runs on the reading thread (RowsAhead), or on the copy's own
  // where valueRuleThread() says so.
  virtual RowsAhead::ValueRule valueRule() const = 0;
  virtual RowsAhead::RuleThread valueRuleThread() const { return RowsAhead::RuleThread::kReading; }
  // Whether the INSERT takes the source's field at `position` (a generated column's does not).
  virtual bool bindsField(int /*position*/) const { return true; }
  // Statements run after the last row, still inside the table's transaction (indexes).
  virtual std::vector<std::string> statementsAfterRows() { return {}; }
  // Runs after those statements, inside the table's transaction: the rows of tables that
  // belong to this one. A throw gives the table up.
  virtual void afterRows(ado::Connection& /*source*/, ado::Connection& /*target*/) {}
};

class CopyDirection {
 public:
  virtual ~CopyDirection() = default;

  // The run as a whole.
  virtual CopySource source() const = 0;
  // The location label of every error box of the run.
  virtual app::Label label() const = 0;
  // Shown when the source list has no current entry.
  virtual QString nothingSelectedMessage() const = 0;
  virtual const db::ConnectionProfile& sqliteProfile() const = 0;
  virtual const db::ConnectionProfile& accessProfile() const = 0;
  // Lets window events through before each entry of the source list, too.
  virtual bool yieldsBeforeEachEntry() const { return false; }
  virtual PointerReset pointerReset() const = 0;

  // Both connections are open (or have failed to, and are closed): a direction that reads the
  // target while it plans its tables keeps it here. Valid until the run ends.
  virtual void connectionsOpened(ado::Connection& /*source*/, ado::Connection& /*target*/) {}

  // A selected entry the direction does not copy as a table (it may make it in afterAllTables).
  virtual bool leavesOut(const QString& /*name*/) const { return false; }

  // One table. `name` is the source list's entry.
  // The name the target list shows for a table copied there.
  virtual QString targetListEntry(const QString& name) const { return name; }
  virtual std::string dropStatement(const QString& name) const = 0;
  virtual void openSource(ado::Recordset& source, ado::Connection& connection, const QString& name) const = 0;
  // Begins a table's statements (never null); may read the source connection (its schema).
  // A throw gives the table up like an unreadable column list.
  virtual std::unique_ptr<TableStatements> beginTable(const QString& name, ado::Connection& sourceConnection) = 0;

  // After every table has been copied (not when the run is stopping), before the connections
  // close: statements that need all tables in place. Failures are the direction's to report
  // through `runner`.
  virtual void afterAllTables(ado::Connection& /*source*/, ado::Connection& /*target*/, StatementRunner& /*runner*/) {}
};

void RunTableCopy(TransferEnvironment& env, CopyDirection& direction);

}  // namespace transfer
