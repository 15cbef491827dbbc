#include "transfer/SQLiteToAccess.h"

#include "app/DataHelpers.h"
#include "app/ListHelpers.h"
#include "db/Connections.h"
#include "transfer/AccessColumns.h"
#include "transfer/FaithfulCopy.h"
#include "transfer/RowsAhead.h"
#include "transfer/SqlNames.h"
#include "transfer/StatementRunner.h"
#include "transfer/TableTransaction.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace transfer {

namespace {

constexpr char kProgressCaption[] = "Progress Bar";

class SQLiteToAccessRun {
 public:
  SQLiteToAccessRun(TransferEnvironment& env, app::Handler& h) : env_(env), h_(h), r_(h, env.onFailure) {}

  void run() {
    if (h_.condition(20, [&] { return env_.sqliteList.currentIndex() == -1; })) {
      h_.step(30, [&] {
        env_.dialogs.message(QStringLiteral("Please select a table to send."), QString(), app::MessageButtons::Ok,
                             app::MessageIcon::None);
      });
      return;
    }
    h_.step(40, [&] { env_.pointer.setPointer(app::PointerState::Hourglass); });
    r_.run(50, [&] {
      db::ApplyProfile(sqlite_, db::profiles::kSQLiteToAccessSQLiteSide);
      sqlite_.Open(db::BuildSQLiteConnectionString(env_.settings.sqlitePath()).toStdString());
    });
    r_.run(60, [&] {
      db::ApplyProfile(access_, db::profiles::kSQLiteToAccessAccessSide);
      access_.Open(db::BuildAccessConnectionString(env_.settings).toStdString());
    });
    int count = 0;
    h_.step(70, [&] { count = std::min(env_.sqliteList.count(), app::TableList::kMaxItems); });
    if (env_.faithful)
      faithful_.emplace(FaithfulTables::Target::kAccess, sqlite_, access_,
                        TablesOfRun(env_.sqliteList, env_.accessList), *env_.faithful);
    for (int i = count - 1; i >= 0 && !stopping(); --i) {
      if (!h_.condition(80, [&] { return env_.sqliteList.isSelected(i); })) continue;
      sendTable(i);
    }
    if (faithful_ && !stopping()) makeForeignKeys();
    h_.step(310, [&] { env_.pointer.setPointer(app::PointerState::Default); });
    h_.step(320, [&] { access_.Close(); });
    h_.step(330, [&] { sqlite_.Close(); });
  }

 private:
  bool stopping() const { return env_.stopRequested && env_.stopRequested(); }

  void sendTable(int index) {
    QString name;
    h_.step(90, [&] { name = env_.sqliteList.item(index); });
    const std::string quotedTable = AccessQuoted(name);
    bool replacing = false;
    if (h_.condition(100, [&] { return app::ListContains(env_.accessList, name); })) {
      app::MessageAnswer answer = app::MessageAnswer::Yes;
      h_.step(110, [&] {
        answer = env_.dialogs.message(QStringLiteral("Would you like to overwrite ") + name + QStringLiteral("?"),
                                      QStringLiteral("Overwrite?"), app::MessageButtons::YesNo,
                                      app::MessageIcon::None);
      });
      if (answer == app::MessageAnswer::No) return;
      replacing = true;
    }
    TableTransaction table(access_, r_, name);
    if (!table.begin(115)) return;
    const bool whole = copyTable(table, name, quotedTable, replacing);

    h_.step(250, [&] { env_.pointer.setPointer(app::PointerState::Default); });
    h_.step(260, [&] { env_.progress.reset(QString::fromLatin1(kProgressCaption)); });
    h_.step(270, [&] { source_.Close(); });
    if (!whole || !table.commit(280)) return;
    if (faithful_) faithful_->tableCopied();
    // The list changes with the commit only: a table given up leaves it as it was.
    if (replacing) h_.step(130, [&] { app::RemoveListItem(env_.accessList, name); });
    h_.step(290, [&] { env_.accessList.addItem(name); });
  }

  // The drop of the old table (inside the table's transaction, so that it comes back when
  // the copy is given up), the create and the rows. False when the table was given up or
  // the run is stopping; its transaction is rolled back then.
  bool copyTable(TableTransaction& table, const QString& name, const std::string& quotedTable, bool replacing) {
    if (replacing && !table.runOnTarget(120, 0, QStringLiteral("the old table could not be dropped"),
                                        [&] { access_.Execute("DROP TABLE " + quotedTable); })) {
      return false;
    }
    if (const auto failure =
            r_.attempt(140, [&] { source_.Open("SELECT * FROM " + SQLiteBracketed(name), sqlite_); })) {
      table.giveUp(140, 0, QStringLiteral("its source could not be opened"), failure->description);
      return false;
    }
    // Without its field list there is no table to create: never a CREATE without columns.
    std::string create = "CREATE TABLE " + quotedTable + "(";
    int fieldCount = 0;
    if (const auto failure = r_.attempt(150, [&] { fieldCount = source_.Fields().Count(); })) {
      table.giveUp(150, 0, QString::fromLatin1(kColumnsUnreadable), failure->description);
      return false;
    }
    if (fieldCount <= 0) {
      table.giveUp(150, 0, QString::fromLatin1(kNoColumns));
      return false;
    }
    if (faithful_) return copyFaithfully(table, name, fieldCount);
    for (int f = 0; f < fieldCount; ++f) {
      env_.yield();
      if (stopping()) {
        table.abandon();
        return false;
      }
      if (const auto failure = r_.attempt(160, [&] {
            const ado::Field field = source_.Fields()[f];
            // The opening back-quote here, the closing one in the type piece.
            std::string quotedField = AccessQuoted(QString::fromStdString(field.Name()));
            quotedField.pop_back();
            create += quotedField;
            create += ClassifyForAccess(static_cast<std::int16_t>(field.Type()));
          })) {
        table.giveUp(160, 0, QString::fromLatin1(kColumnsUnreadable), failure->description);
        return false;
      }
    }
    create.pop_back();  // the trailing comma
    create += ");";
    if (!table.runOnTarget(170, 0, QStringLiteral("the table could not be created"),
                           [&] { app::ExecuteSql(access_, create); })) {
      return false;
    }
    return copyRows(table, name, quotedTable, fieldCount);
  }

  // The faithful create (FaithfulCopy.h), the rows, then the table's indexes; its foreign
  // keys wait until every table is copied.
  bool copyFaithfully(TableTransaction& table, const QString& name, int fieldCount) {
    if (const auto failure = r_.attempt(160, [&] { faithful_->plan(name.toStdString()); })) {
      table.giveUp(160, 0, QStringLiteral("its design could not be read"), failure->description);
      return false;
    }
    if (faithful_->current().columns.size() != static_cast<std::size_t>(fieldCount)) {
      table.giveUp(160, 0, QStringLiteral("its design does not match its fields"));
      return false;
    }
    if (!table.runOnTarget(170, 0, QStringLiteral("the table could not be created"),
                           [&] { app::ExecuteSql(access_, faithful_->createStatement()); })) {
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
      if (!table.runOnTarget(240, 0, QStringLiteral("an index could not be made"), [&] { app::ExecuteSql(access_, index); }))
        return false;
    return true;
  }

  // Each foreign key on its own, after every table: one that the data breaks, or that cannot
  // be made, is a note and the others are still made.
  void makeForeignKeys() {
    for (const std::string& key : faithful_->pendingForeignKeys()) {
      try {
        app::ExecuteSql(access_, key);
      } catch (const std::exception& e) {
        faithful_->note("the foreign key " + key.substr(0, key.find(" FOREIGN KEY")) + " was not made: " + e.what());
      }
    }
  }

  bool copyRows(TableTransaction& table, const QString& name, const std::string& quotedTable, int fieldCount) {
    return copyRows(table, name, "INSERT INTO " + quotedTable + " VALUES(", fieldCount,
                    [](std::string& statement, const ado::Variant& value, int) { AppendAccessLiteral(statement, value); });
  }

  bool copyRows(TableTransaction& table, const QString& name, const std::string& insertStart, int fieldCount,
                RowsAhead::AppendValue append) {
    std::int64_t rowCount = 0;
    r_.run(180, name, [&] { rowCount = source_.RecordCount(); });
    // Rows are read and their statements built ahead; each row's steps are replayed here.
    // The target parses each statement on the reading thread too. A source that cannot be
    // read to its end gives the table up.
    ado::StatementPreparer prepare;
    if (access_.IsOpen()) prepare = access_.Preparer();
    RowsAhead rows(source_, insertStart, fieldCount, std::move(append), std::move(prepare));
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
        r_.run(210, name, row + 1, [&] { next->rethrowFieldFailure(f); });
      }
      if (!table.runOnTarget(220, row + 1, TargetFailedAt(row + 1),
                             [&] { app::ExecuteSql(access_, next->insert, next->prepared.get()); })) {
        return false;
      }
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
  ado::Connection sqlite_;
  ado::Recordset source_;
  std::optional<FaithfulTables> faithful_;
};

}  // namespace

void SendTablesToAccess(TransferEnvironment& env) {
  app::Handler h(env.dialogs, app::Label(QStringLiteral("Form2"), QStringLiteral("PushButton4_Click")));
  SQLiteToAccessRun run(env, h);
  run.run();
}

}  // namespace transfer
