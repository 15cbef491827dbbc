// Runs the statements of a handler under its failure policy, and also tells the
// environment's failure observer which table and row a failed statement belonged to.
#pragma once

#include "app/ErrorPolicy.h"
#include "transfer/TransferEnvironment.h"

#include <optional>
#include <utility>

namespace transfer {

class StatementRunner {
 public:
  StatementRunner(app::Handler& handler, const FailureObserver& observer) : h_(handler), observer_(observer) {}

  // Runs the statement; a failure shows the error box with this line and is passed to the
  // observer. True when it completed.
  template <class Statement>
  bool run(int line, const QString& table, std::int64_t row, Statement&& statement) {
    const auto failure = h_.attempt(line, std::forward<Statement>(statement));
    if (!failure) return true;
    report(line, table, row, *failure);
    return false;
  }
  template <class Statement>
  bool run(int line, const QString& table, Statement&& statement) {
    return run(line, table, 0, std::forward<Statement>(statement));
  }
  template <class Statement>
  bool run(int line, Statement&& statement) {
    return run(line, QString(), 0, std::forward<Statement>(statement));
  }

  // An if-test: a failure is reported and the test counts as true, as the policy says.
  template <class Test>
  bool test(int line, const QString& table, Test&& test) {
    bool result = true;
    run(line, table, 0, [&] { result = static_cast<bool>(test()); });
    return result;
  }

  // Runs the statement and gives its failure back unreported, for a caller that decides
  // how to report it (report() or reportTableUndone()).
  template <class Statement>
  std::optional<app::Failure> attempt(int line, Statement&& statement) {
    return h_.attempt(line, std::forward<Statement>(statement));
  }

  // Shows the error box for a failure with this line and passes it to the observer. The
  // observer hears of it first, so that whoever watches the boxes too knows it is told.
  void report(int line, const QString& table, std::int64_t row, const app::Failure& failure) {
    report(line, {table, row, failure.description, false, failure.reason.isEmpty() ? failure.description : failure.reason,
                  failure.column});
  }
  // One message for a table whose copy was given up and undone: the description names the
  // table and row itself; `reason` says the same without any statement (empty: as the description).
  void reportTableUndone(int line, const QString& table, std::int64_t row, const QString& description,
                         const QString& reason = QString()) {
    report(line, {table, row, description, true, reason.isEmpty() ? description : reason, QString()});
  }

  app::Handler& handler() { return h_; }

 private:
  void report(int line, const StatementFailure& failure) {
    if (observer_) observer_(failure);
    try {
      app::ReportApplicationError(h_.dialogs(), h_.label(), line, failure.description);
    } catch (...) {
    }
  }

  app::Handler& h_;
  const FailureObserver& observer_;
};

}  // namespace transfer
