#include "transfer/TableCopy.h"

#include "app/TableListNames.h"
#include "ado/Command.h"
#include "transfer/TableTransaction.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <optional>
#include <utility>
#include <vector>

namespace transfer {

namespace {

constexpr char kProgressCaption[] = "Progress Bar";

// One run: both connections and the source record set live as long as the run.
class TableCopyRun {
 public:
  TableCopyRun(TransferEnvironment& env, CopyDirection& direction, app::Handler& h)
      : env_(env), direction_(direction), h_(h), r_(h, env.onFailure) {}

  void run() {
    if (h_.condition(20, [&] { return sourceList().currentIndex() == -1; })) {
      h_.step(30, [&] {
        env_.dialogs.message(direction_.nothingSelectedMessage(), QString(), app::MessageButtons::Ok,
                             app::MessageIcon::None);
      });
      return;
    }
    h_.step(40, [&] { env_.pointer.setPointer(app::PointerState::Hourglass); });
    r_.run(50, [&] {
      db::ApplyProfile(sqlite_, direction_.sqliteProfile());
      sqlite_.Open(db::BuildSQLiteConnectionString(env_.settings.sqlitePath()).toStdString());
    });
    r_.run(60, [&] {
      db::ApplyProfile(access_, direction_.accessProfile());
      access_.Open(db::BuildAccessConnectionString(env_.settings).toStdString());
    });
    direction_.connectionsOpened(sourceConnection(), targetConnection());
    int count = 0;
    h_.step(70, [&] { count = std::min(sourceList().count(), app::TableList::kMaxItems); });
    for (int i = count - 1; i >= 0 && !stopping(); --i) {
      if (direction_.yieldsBeforeEachEntry()) {
        env_.yield();
        if (stopping()) break;
      }
      if (!h_.condition(80, [&] { return sourceList().isSelected(i); })) continue;
      if (direction_.leavesOut(sourceList().item(i))) continue;
      sendTable(i);
    }
    if (!stopping()) direction_.afterAllTables(sourceConnection(), targetConnection(), r_);
    const auto resetPointer = [&](int line) {
      h_.step(line, [&] { env_.pointer.setPointer(app::PointerState::Default); });
    };
    if (direction_.pointerReset() == PointerReset::kBeforeClosing) {
      resetPointer(310);
      h_.step(320, [&] { access_.Close(); });
      h_.step(330, [&] { sqlite_.Close(); });
    } else {
      h_.step(310, [&] { access_.Close(); });
      h_.step(320, [&] { sqlite_.Close(); });
      resetPointer(330);
    }
  }

 private:
  bool stopping() const { return env_.stopRequested && env_.stopRequested(); }
  bool fromAccess() const { return direction_.source() == CopySource::kAccess; }
  app::TableList& sourceList() { return fromAccess() ? env_.accessList : env_.sqliteList; }
  app::TableList& targetList() { return fromAccess() ? env_.sqliteList : env_.accessList; }
  ado::Connection& sourceConnection() { return fromAccess() ? access_ : sqlite_; }
  ado::Connection& targetConnection() { return fromAccess() ? sqlite_ : access_; }

  void sendTable(int index) {
    QString name;
    h_.step(90, [&] { name = sourceList().item(index); });
    bool replacing = false;
    QString existing;  // the target's entry of that name, as the target spells it
    if (h_.condition(100, [&] { return findTargetEntry(name, existing); })) {
      app::MessageAnswer answer = app::MessageAnswer::Yes;
      h_.step(110, [&] {
        answer = env_.dialogs.message(QStringLiteral("Would you like to overwrite ") + name + QStringLiteral("?"),
                                      QStringLiteral("Overwrite?"), app::MessageButtons::YesNo,
                                      app::MessageIcon::None);
      });
      if (answer == app::MessageAnswer::No) {
        if (env_.onDeclined) env_.onDeclined(name);
        // Declining an old table of the target is the user's choice. A table this run has
        // just made from another source table whose name the target takes for this one's
        // is not: this table's rows would be lost without a word.
        if (!existing.isEmpty() && existing != name && madeByThisRun(existing)) {
          r_.reportTableUndone(110, name, 0,
                               TableTransaction::GivenUpMessage(
                                   name,
                                   QStringLiteral("the target's table \"") + existing +
                                       QStringLiteral("\" has the same name there, and it was not to be overwritten"),
                                   QString(), QString()));
        }
        return;
      }
      replacing = true;
    }
    TableTransaction table(targetConnection(), r_, name);
    if (!table.begin(115)) return;
    const bool whole = copyTable(table, name, replacing);

    h_.step(250, [&] { env_.pointer.setPointer(app::PointerState::Default); });
    h_.step(260, [&] { env_.progress.reset(QString::fromLatin1(kProgressCaption)); });
    h_.step(270, [&] { source_.Close(); });
    if (!whole || !table.commit(280)) return;
    // The list changes with the commit only: a table given up leaves it as it was.
    const QString entry = direction_.targetListEntry(name);
    if (replacing) h_.step(130, [&] { app::RemoveListItem(targetList(), entry); });
    h_.step(290, [&] { targetList().addItem(entry); });
    made_.push_back(entry);
  }

  bool madeByThisRun(const QString& entry) const { return std::find(made_.begin(), made_.end(), entry) != made_.end(); }

  // The target list's entry that the target takes for `name`, into `entry`: by the target's
  // own rule where it has one (Access: its sort order, so "Äpfel" is "äpfel"), else without
  // regard to case, as the lists compare. An entry of exactly that name comes first.
  bool findTargetEntry(const QString& name, QString& entry) {
    const app::TableList& list = targetList();
    ado::Connection& target = targetConnection();
    const std::string wanted = name.toStdString();
    const auto targetRule = [&](const QString& item) -> std::optional<bool> {
      if (!target.IsOpen()) return std::nullopt;
      return target.SameName(item.toStdString(), wanted);
    };
    const bool ownRule = targetRule(name).has_value();
    if (!ownRule && !app::ListContains(list, name)) return false;
    const int count = std::min(list.count(), app::TableList::kMaxItems);
    for (int i = 0; i < count; ++i) {
      if (list.item(i) != name) continue;
      entry = name;
      return true;
    }
    const QString lower = name.toLower();
    for (int i = 0; i < count; ++i) {
      const QString item = list.item(i);
      if (ownRule ? *targetRule(item) : item.toLower() == lower) {
        entry = item;
        return true;
      }
    }
    return false;
  }

  // The drop of the old table (inside the table's transaction, so that it comes back when
  // the copy is given up), the create, the rows and what follows them. False when the table
  // was given up or the run is stopping; its transaction is rolled back then.
  bool copyTable(TableTransaction& table, const QString& name, bool replacing) {
    ado::Connection& target = targetConnection();
    if (replacing && !table.runOnTarget(120, 0, QStringLiteral("the old table could not be dropped"),
                                        [&] { target.Execute(direction_.dropStatement(name)); })) {
      return false;
    }
    if (const auto failure = r_.attempt(140, [&] { direction_.openSource(source_, sourceConnection(), name); })) {
      table.giveUp(140, 0, QStringLiteral("its source could not be opened"), failure->description);
      return false;
    }
    // Without its field list there is no table to create: never a CREATE without columns.
    int fieldCount = 0;
    if (const auto failure = r_.attempt(150, [&] { fieldCount = source_.Fields().Count(); })) {
      table.giveUp(150, 0, QString::fromLatin1(kColumnsUnreadable), failure->description);
      return false;
    }
    if (fieldCount <= 0) {
      table.giveUp(150, 0, QString::fromLatin1(kNoColumns));
      return false;
    }
    std::unique_ptr<TableStatements> statements;
    if (const auto failure = r_.attempt(150, [&] { statements = direction_.beginTable(name, sourceConnection()); })) {
      table.giveUp(150, 0, QString::fromLatin1(kColumnsUnreadable), failure->description);
      return false;
    }
    for (int f = 0; f < fieldCount; ++f) {
      env_.yield();
      if (stopping()) {
        table.abandon();
        return false;
      }
      if (const auto failure = r_.attempt(160, [&] { statements->addColumn(source_.Fields()[f], f); })) {
        table.giveUp(160, 0, QString::fromLatin1(kColumnsUnreadable), failure->description);
        return false;
      }
    }
    // A table the target will not create (a name it refuses, one it holds already) is given
    // up once, not once more for each of its rows.
    for (const std::string& create : statements->createStatements()) {
      if (const auto failure = r_.attempt(170, [&] { target.Execute(create); })) {
        table.giveUp(170, 0, QStringLiteral("the table could not be created"), failure->description);
        return false;
      }
    }
    if (!copyRows(table, name, *statements, fieldCount)) return false;
    for (const std::string& statement : statements->statementsAfterRows()) {
      if (!table.runOnTarget(240, 0, QStringLiteral("the table could not be completed"),
                             [&] { target.Execute(statement); })) {
        return false;
      }
    }
    return table.runOnTarget(240, 0, QStringLiteral("the table could not be completed"),
                             [&] { statements->afterRows(sourceConnection(), target); });
  }

  bool copyRows(TableTransaction& table, const QString& name, const TableStatements& statements, int fieldCount) {
    ado::Connection& target = targetConnection();
    std::int64_t rowCount = 0;
    r_.run(180, name, [&] { rowCount = source_.RecordCount(); });
    // Rows are read and their values made ahead; each row's steps are replayed here. The
    // walk ends at the record set's end, so a count that is off can neither lose rows nor run
    // past the last one. A source that cannot be read to its end gives the table up.
    std::string insertText = statements.insertStart();
    std::vector<int> bound;  // the fields the INSERT takes, when not all
    for (int f = 0; f < fieldCount; ++f) {
      if (!statements.bindsField(f)) continue;
      insertText += bound.empty() ? "?" : ", ?";
      bound.push_back(f);
    }
    insertText += ')';
    if (static_cast<int>(bound.size()) == fieldCount) bound.clear();
    std::vector<ado::Variant> boundValues;
    ado::Command insert(target, std::move(insertText));
    RowsAhead rows(source_, fieldCount, statements.valueRule(), RowsAhead::Reading::kAhead,
                   statements.valueRuleThread());
    for (std::int64_t row = 0;; ++row) {
      const RowsAhead::Row* next = nullptr;
      if (const auto failure = r_.attempt(190, [&] {
            next = &rows.next();
            if (next->endFailure) std::rethrow_exception(next->endFailure);
          })) {
        table.giveUp(190, row + 1, SourceFailedAt(row + 1), failure->description);
        return false;
      }
      if (!next->more) return true;
      env_.yield();
      if (stopping()) {
        table.abandon();
        return false;
      }
      h_.step(200, [&] {
        const double percent =
            rowCount > 0 ? static_cast<double>(row + 1) / static_cast<double>(rowCount) * 100.0 : 100.0;
        env_.progress.setPercent(std::min(percent, 100.0));
      });
      for (int f = 0; f < fieldCount; ++f) {
        env_.yield();
        if (stopping()) {
          table.abandon();
          return false;
        }
        if (bound.empty() || std::find(bound.begin(), bound.end(), f) != bound.end())
          r_.run(210, name, row + 1, [&] { next->rethrowFieldFailure(f); });
      }
      if (!bound.empty()) {
        // A field that could not be read has no value in the row: the others move up.
        boundValues.clear();
        std::size_t at = 0;
        for (int f = 0; f < fieldCount; ++f) {
          const bool failed = std::any_of(next->fieldFailures.begin(), next->fieldFailures.end(),
                                          [f](const auto& failure) { return failure.first == f; });
          if (failed) continue;
          if (at < next->values.size() && std::find(bound.begin(), bound.end(), f) != bound.end())
            boundValues.push_back(next->values[at]);
          ++at;
        }
      }
      const std::vector<ado::Variant>& values = bound.empty() ? next->values : boundValues;
      // A row with a value that could not be read runs as the statement it would have
      // been without that value, and fails as that statement.
      if (!table.runOnTarget(220, row + 1, TargetFailedAt(row + 1), [&] {
            if (next->fieldFailures.empty()) insert.Execute(values);
            else target.Execute(insert.TextWithValues(values));
          })) {
        return false;
      }
      // A record set that cannot move on would repeat its row forever, and what follows it
      // is unread: the table is given up.
      if (const auto failure = r_.attempt(230, [&] {
            if (next->moveFailure) std::rethrow_exception(next->moveFailure);
          })) {
        table.giveUp(230, row + 2, SourceFailedAt(row + 2), failure->description);
        return false;
      }
    }
  }

  TransferEnvironment& env_;
  CopyDirection& direction_;
  app::Handler& h_;
  StatementRunner r_;
  ado::Connection access_;
  ado::Connection sqlite_;
  std::vector<QString> made_;  // the target list entries of the tables this run copied
  ado::Recordset source_;  // last: closed before the connection it reads
};

}  // namespace

void RunTableCopy(TransferEnvironment& env, CopyDirection& direction) {
  app::Handler h(env.dialogs, direction.label());
  // A failed step outside the statements (a list, the pointer, a close) is a failure too.
  if (env.onFailure) {
    h.setObserver([&env](const app::Failure& failure) {
      env.onFailure({QString(), 0, failure.description, false,
                     failure.reason.isEmpty() ? failure.description : failure.reason, failure.column});
    });
  }
  TableCopyRun run(env, direction, h);
  run.run();
}

}  // namespace transfer
