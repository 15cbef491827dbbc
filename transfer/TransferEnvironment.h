// What the copies, deletes and renames work on: the connection settings, the dialogs, the two
// table lists, the window's pointer, a progress sink and the yield. The tables window passes
// its own controls; the batch command passes in-memory lists, scripted dialogs and a terminal
// progress bar, so both run the same code.
#pragma once

#include "app/Dialogs.h"
#include "app/Pointer.h"
#include "app/TableList.h"
#include "app/Yield.h"
#include "db/ConnectionSettings.h"

#include <QString>
#include <cstdint>
#include <functional>

namespace transfer {

struct FaithfulMode;  // FaithfulCopy.h

// The progress bar: the row percentage of the table being copied.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void setPercent(double percent) = 0;
  // Value 0 and the caption shown while nothing runs.
  virtual void reset(const QString& caption) = 0;
};

// One failure of a copy as data: where (table, source row, column), what went wrong, and
// whether the table was given up. The window shows it as its "Application Error" box (the
// description, which quotes the statement); a report that must not repeat a row's values
// composes its own line from the other fields.
struct StatementFailure {
  QString table;                 // empty for a failure outside any table (opening a connection)
  std::int64_t row = 0;          // 0 when the statement is not a row's INSERT
  QString description;           // the box's message: the database's, with the statement
  // The whole table was given up and its changes undone; the description and the reason
  // then name the table and the source row themselves.
  bool tableUndone = false;
  QString reason;                // what went wrong, without the statement or any value of the row
  QString column;                // the column concerned, empty when none or not known
};
using FailureObserver = std::function<void(const StatementFailure&)>;

struct TransferEnvironment {
  TransferEnvironment(const db::ConnectionSettings& settings, app::Dialogs& dialogs, app::TableList& accessList,
                      app::TableList& sqliteList, app::PointerHost& pointer, ProgressSink& progress)
      : settings(settings), dialogs(dialogs), accessList(accessList), sqliteList(sqliteList), pointer(pointer),
        progress(progress) {}

  const db::ConnectionSettings& settings;
  app::Dialogs& dialogs;
  app::TableList& accessList;  // "Access Tables"
  app::TableList& sqliteList;  // "SQLite Tables"
  app::PointerHost& pointer;
  ProgressSink& progress;
  std::function<void()> yield = app::YieldToEvents;
  FailureObserver onFailure;  // optional
  // Optional: told of each source table not copied because the overwrite question was
  // answered No, by its source name.
  std::function<void(const QString& table)> onDeclined;
  // Optional: true once the program is ending. A copy then stops at its next yield, undoes
  // the table in progress without a message (earlier tables stay), closes its connections
  // and returns.
  std::function<bool()> stopRequested;
  // Optional: copy the tables' design and exact values (FaithfulCopy.h) instead of the window's
  // column types and value texts. The window never sets it.
  const FaithfulMode* faithful = nullptr;
};

}  // namespace transfer
