#include "transfer/AccessToSQLite.h"

#include "app/DataHelpers.h"
#include "app/ListHelpers.h"
#include "db/Connections.h"
#include "transfer/FaithfulCopy.h"
#include "transfer/RowsAhead.h"
#include "transfer/SQLiteColumns.h"
#include "transfer/SqlNames.h"
#include "transfer/StatementRunner.h"
#include "transfer/TableTransaction.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace transfer {

namespace {

constexpr char kProgressCaption[] = "Progress Bar";

// One run: both connections and the source record set live as long as the run.
class AccessToSQLiteRun {
 public:
  AccessToSQLiteRun(TransferEnvironment& env, app::Handler& h) : env_(env), h_(h), r_(h, env.onFailure) {}

  void run() {
    if (h_.condition(20, [&] { return env_.accessList.currentIndex() == -1; })) {
      h_.step(30, [&] {
        env_.dialogs.message(QStringLiteral("Please select a table"), QString(), app::MessageButtons::Ok,
                             app::MessageIcon::None);
      });
      return;
    }
    h_.step(40, [&] { env_.pointer.setPointer(app::PointerState::Hourglass); });
    r_.run(50, [&] {
      db::ApplyProfile(sqlite_, db::profiles::kAccessToSQLiteSQLiteSide);
      sqlite_.Open(db::BuildSQLiteConnectionString(env_.settings.sqlitePath()).toStdString());
    });
    r_.run(60, [&] {
      db::ApplyProfile(access_, db::profiles::kAccessToSQLiteAccessSide);
      access_.Open(db::BuildAccessConnectionString(env_.settings).toStdString());
    });
    int count = 0;
    h_.step(70, [&] { count = std::min(env_.accessList.count(), app::TableList::kMaxItems); });
    if (env_.faithful)
      faithful_.emplace(FaithfulTables::Target::kSQLite, access_, sqlite_,
                        TablesOfRun(env_.accessList, env_.sqliteList), *env_.faithful);
    for (int i = count - 1; i >= 0 && !stopping(); --i) {
      env_.yield();
      if (stopping()) break;
      if (!h_.condition(80, [&] { return env_.accessList.isSelected(i); })) continue;
      sendTable(i);
    }
    h_.step(310, [&] { access_.Close(); });
    h_.step(320, [&] { sqlite_.Close(); });
    h_.step(330, [&] { env_.pointer.setPointer(app::PointerState::Default); });
  }

 private:
  bool stopping() const { return env_.stopRequested && env_.stopRequested(); }

  void sendTable(int index) {
    QString name;
    h_.step(90, [&] { name = env_.accessList.item(index); });
    const std::string quotedTable = SQLiteQuoted(name);
    bool replacing = false;
    if (h_.condition(100, [&] { return app::ListContains(env_.sqliteList, name); })) {
      app::MessageAnswer answer = app::MessageAnswer::Yes;
      h_.step(110, [&] {
        answer = env_.dialogs.message(QStringLiteral("Would you like to overwrite ") + name + QStringLiteral("?"),
                                      QStringLiteral("Overwrite?"), app::MessageButtons::YesNo,
                                      app::MessageIcon::None);
      });
      if (answer == app::MessageAnswer::No) return;
      replacing = true;
    }
    TableTransaction table(sqlite_, r_, name);
    if (!table.begin(115)) return;
    const bool whole = copyTable(table, name, quotedTable, replacing);

    h_.step(250, [&] { env_.pointer.setPointer(app::PointerState::Default); });
    h_.step(260, [&] { env_.progress.reset(QString::fromLatin1(kProgressCaption)); });
    h_.step(270, [&] { source_.Close(); });
    if (!whole || !table.commit(280)) return;
    if (faithful_) faithful_->tableCopied();
    // The list changes with the commit only: a table given up leaves it as it was.
    if (replacing) h_.step(130, [&] { app::RemoveListItem(env_.sqliteList, name.toLower()); });
    h_.step(290, [&] { env_.sqliteList.addItem(name.toLower()); });
  }

  // The drop of the old table (inside the table's transaction, so that it comes back when
  // the copy is given up), the create and the rows. False when the table was given up or
  // the run is stopping; its transaction is rolled back then.
  bool copyTable(TableTransaction& table, const QString& name, const std::string& quotedTable, bool replacing) {
    if (replacing && !table.runOnTarget(120, 0, QStringLiteral("the old table could not be dropped"), [&] {
          app::ExecuteSql(sqlite_, "DROP TABLE " + quotedTable);
        })) {
      return false;
    }
    if (const auto failure = r_.attempt(140, [&] {
          source_.Open("SELECT * FROM " + AccessQuoted(name), access_, ado::adOpenStatic, ado::adLockOptimistic);
        })) {
      table.giveUp(140, 0, QStringLiteral("its source could not be opened"), failure->description);
      return false;
    }
    // Without its field list there is no table to create: never a CREATE without columns.
    std::string create = "CREATE TABLE " + quotedTable + "(";
    std::vector<char> numeric;  // per field position: written as a bare number
    int fieldCount = 0;
    if (const auto failure = r_.attempt(150, [&] { fieldCount = source_.Fields().Count(); })) {
      table.giveUp(150, 0, QString::fromLatin1(kColumnsUnreadable), failure->description);
      return false;
    }
    if (fieldCount <= 0) {
      table.giveUp(150, 0, QString::fromLatin1(kNoColumns));
      return false;
    }
    if (faithful_) return copyFaithfully(table, name, quotedTable, fieldCount);
    for (int f = 0; f < fieldCount; ++f) {
      env_.yield();
      if (stopping()) {
        table.abandon();
        return false;
      }
      if (const auto failure = r_.attempt(160, [&] {
            const ado::Field field = source_.Fields()[f];
            const SQLiteColumnClass kind = ClassifyForSQLite(static_cast<std::int16_t>(field.Type()));
            create += SQLiteQuoted(QString::fromStdString(field.Name()));
            create += kind.piece;
            numeric.resize(f + 1, 0);
            numeric[f] = kind.numeric;
          })) {
        table.giveUp(160, 0, QString::fromLatin1(kColumnsUnreadable), failure->description);
        return false;
      }
    }
    create.pop_back();  // the trailing comma
    create += ')';
    if (!table.runOnTarget(170, 0, QStringLiteral("the table could not be created"),
                           [&] { app::ExecuteSql(sqlite_, create); })) {
      return false;
    }
    numeric.resize(fieldCount, 0);
    return copyRows(table, name, quotedTable, numeric);
  }

  // The faithful create (FaithfulCopy.h), the rows, then the table's indexes.
  bool copyFaithfully(TableTransaction& table, const QString& name, const std::string& quotedTable, int fieldCount) {
    if (const auto failure = r_.attempt(160, [&] { faithful_->plan(name.toStdString()); })) {
      table.giveUp(160, 0, QStringLiteral("its design could not be read"), failure->description);
      return false;
    }
    if (faithful_->current().columns.size() != static_cast<std::size_t>(fieldCount)) {
      table.giveUp(160, 0, QStringLiteral("its design does not match its fields"));
      return false;
    }
    if (!table.runOnTarget(170, 0, QStringLiteral("the table could not be created"),
                           [&] { app::ExecuteSql(sqlite_, faithful_->createStatement()); })) {
      return false;
    }
    const FaithfulTables& plan = *faithful_;
    if (!copyRows(table, name, plan.insertStart(), fieldCount,
                  [&plan](std::string& statement, const ado::Variant& value, int field) {
                    plan.appendValue(statement, value, field);
                  })) {
      return false;
    }
    for (const std::string& index : faithful_->current().indexes)
      if (!table.runOnTarget(240, 0, QStringLiteral("an index could not be made"), [&] { app::ExecuteSql(sqlite_, index); }))
        return false;
    (void)quotedTable;
    return true;
  }

  bool copyRows(TableTransaction& table, const QString& name, const std::string& quotedTable,
                const std::vector<char>& numeric) {
    return copyRows(table, name, "INSERT INTO " + quotedTable + " VALUES(", static_cast<int>(numeric.size()),
                    [&numeric](std::string& statement, const ado::Variant& value, int field) {
                      AppendSQLiteLiteral(statement, value, numeric[field]);
                    });
  }

  bool copyRows(TableTransaction& table, const QString& name, const std::string& insertStart, int fieldCount,
                RowsAhead::AppendValue append) {
    std::int64_t rowCount = 0;
    r_.run(180, name, [&] { rowCount = source_.RecordCount(); });
    // Rows are read and their statements built ahead; each row's steps are replayed here.
    // The walk ends at the record set's end, so a count that is off can neither lose rows
    // nor run past the last one. A source that cannot be read to its end gives the table up.
    RowsAhead rows(source_, insertStart, fieldCount, std::move(append));
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
        const double percent = rowCount > 0 ? static_cast<double>(row + 1) / static_cast<double>(rowCount) * 100.0 : 100.0;
        env_.progress.setPercent(std::min(percent, 100.0));
      });
      for (int f = 0; f < fieldCount; ++f) {
        env_.yield();
        if (stopping()) {
          table.abandon();
          return false;
        }
        r_.run(210, name, row + 1, [&] { next->rethrowFieldFailure(f); });
      }
      if (!table.runOnTarget(220, row + 1, TargetFailedAt(row + 1),
                             [&] { app::ExecuteSql(sqlite_, next->insert); })) {
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
  app::Handler& h_;
  StatementRunner r_;
  ado::Connection access_;
  ado::Recordset source_;
  ado::Connection sqlite_;
  std::optional<FaithfulTables> faithful_;
};

}  // namespace

void SendTablesToSQLite(TransferEnvironment& env) {
  app::Handler h(env.dialogs, app::Label(QStringLiteral("Form2"), QStringLiteral("PushButton3_Click")));
  AccessToSQLiteRun run(env, h);
  run.run();
}

}  // namespace transfer
