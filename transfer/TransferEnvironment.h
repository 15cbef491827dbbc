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

// The progress bar: the row percentage of the table being copied.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void setPercent(double percent) = 0;
  // Value 0 and the caption shown while nothing runs.
  virtual void reset(const QString& caption) = 0;
};

// One statement that failed, as the "Application Error" box reported it, with what the
// box does not say: the table and, for an INSERT, the source row (1 for the first row).
struct StatementFailure {
  QString table;                 // empty for a failure outside any table (opening a connection)
  std::int64_t row = 0;          // 0 when the statement is not a row's INSERT
  QString description;           // the database's message
  // The whole table was given up and its changes undone; the description then names the
  // table and the source row itself.
  bool tableUndone = false;
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
  // Optional: true once the program is ending. A copy then stops at its next yield, undoes
  // the table in progress without a message (earlier tables stay), closes its connections
  // and returns.
  std::function<bool()> stopRequested;
};

}  // namespace transfer
