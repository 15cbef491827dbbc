// Runs the statements of a handler under its failure policy, and also tells the
// environment's failure observer which table and row a failed statement belonged to.
#pragma once

#include "app/ErrorPolicy.h"
#include "transfer/TransferEnvironment.h"

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

  app::Handler& handler() { return h_; }

 private:
  void report(int line, const QString& table, std::int64_t row, const app::Failure& failure) {
    try {
      app::ReportApplicationError(h_.dialogs(), h_.label(), line, failure.description);
    } catch (...) {
    }
    if (observer_) observer_({table, row, failure.description});
  }

  app::Handler& h_;
  const FailureObserver& observer_;
};

}  // namespace transfer
