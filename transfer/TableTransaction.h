// The transaction one table's copy runs in on the target: the drop of an old table of that
// name, the create and the rows reach the file together at the commit, or not at all.
//
// A table that cannot be copied whole (its source cannot be opened or read to its end, the
// target will not create it or cannot be written) is given up: everything it changed is rolled back, so an
// old table of that name stays as it was, and ONE error box (one failure for the observer)
// names the table, the source row reached and the reason. A single unreadable value is no
// reason to give up a table: that row alone is lost, as before.
#pragma once

#include "ado/Connection.h"
#include "ado/Error.h"
#include "transfer/StatementRunner.h"

#include <QString>
#include <cstdint>
#include <utility>

namespace transfer {

// What went wrong, as the message of a given-up table says it.
inline constexpr char kColumnsUnreadable[] = "the columns of its source could not be read";
inline constexpr char kNoColumns[] = "its source has no columns";
inline QString SourceFailedAt(std::int64_t row) {
  return QStringLiteral("reading its source failed at row ") + QString::number(row);
}
inline QString TargetFailedAt(std::int64_t row) {
  return QStringLiteral("the target could not be written at row ") + QString::number(row);
}

class TableTransaction {
 public:
  TableTransaction(ado::Connection& target, StatementRunner& runner, QString table)
      : target_(target), r_(runner), table_(std::move(table)) {}
  // Rolls back what is still open (a copy that ended early without giving up).
  ~TableTransaction() { abandon(); }
  TableTransaction(const TableTransaction&) = delete;
  TableTransaction& operator=(const TableTransaction&) = delete;

  // Begins the transaction; false when it could not be begun, the table then given up.
  bool begin(int line);
  // Commits; false when the commit failed (the provider has then rolled back) and the one
  // message has been shown.
  bool commit(int line);
  // Rolls back and shows the one message: what went wrong, at which source row (0: before
  // any row), and the database's reason (may be empty).
  // `plainReason`, when given, is the reason without the statement's text, for the failure's
  // report (the box shows `reason`).
  void giveUp(int line, std::int64_t row, const QString& what, const QString& reason = QString(),
              const QString& plainReason = QString());
  // Rolls back without a message (the program is ending).
  void abandon();

  // Runs a statement of the table on the target. When the target cannot be written (full
  // disk, file size limit, I/O error) the table is given up with one message instead of one
  // per row; any other failure shows its box and the copy goes on, losing that statement
  // only. False when the table was given up.
  template <class Statement>
  bool runOnTarget(int line, std::int64_t row, const QString& what, Statement&& statement) {
    const auto failure = r_.attempt(line, std::forward<Statement>(statement));
    if (!failure) return true;
    if (ado::IsStorageFailure(static_cast<long>(failure->number))) {
      giveUp(line, row, what, failure->description, failure->reason);
      return false;
    }
    r_.report(line, table_, row, *failure);
    return true;
  }

  // The message of a given-up table, for a rollback that worked (rollbackFailure empty) or not.
  static QString GivenUpMessage(const QString& table, const QString& what, const QString& reason,
                                const QString& rollbackFailure);

 private:
  QString rollBack();  // empty when the rollback worked

  ado::Connection& target_;
  StatementRunner& r_;
  QString table_;
  bool open_ = false;
};

}  // namespace transfer
