#include "transfer/SQLiteToAccess.h"

#include "app/DataHelpers.h"
#include "app/ListHelpers.h"
#include "db/Connections.h"
#include "transfer/AccessColumns.h"
#include "transfer/RowsAhead.h"
#include "transfer/SqlNames.h"
#include "transfer/StatementRunner.h"

#include <algorithm>

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
    for (int i = count - 1; i >= 0; --i) {
      if (!h_.condition(80, [&] { return env_.sqliteList.isSelected(i); })) continue;
      sendTable(i);
    }
    if (inTransaction_) r_.run(300, [&] { access_.CommitTrans(); });
    h_.step(310, [&] { env_.pointer.setPointer(app::PointerState::Default); });
    h_.step(320, [&] { access_.Close(); });
    h_.step(330, [&] { sqlite_.Close(); });
  }

 private:
  void sendTable(int index) {
    QString name;
    h_.step(90, [&] { name = env_.sqliteList.item(index); });
    const std::string quotedTable = AccessQuoted(name);
    if (h_.condition(100, [&] { return app::ListContains(env_.accessList, name); })) {
      app::MessageAnswer answer = app::MessageAnswer::Yes;
      h_.step(110, [&] {
        answer = env_.dialogs.message(QStringLiteral("Would you like to overwrite ") + name + QStringLiteral("?"),
                                      QStringLiteral("Overwrite?"), app::MessageButtons::YesNo,
                                      app::MessageIcon::None);
      });
      if (answer == app::MessageAnswer::No) return;
      beginTable(name);
      r_.run(120, name, [&] { access_.Execute("DROP TABLE " + quotedTable); });
      h_.step(130, [&] { app::RemoveListItem(env_.accessList, name); });
    } else {
      beginTable(name);
    }

    r_.run(140, name, [&] { source_.Open("SELECT * FROM " + SQLiteBracketed(name), sqlite_); });
    std::string create = "CREATE TABLE " + quotedTable + "(";
    int fieldCount = 0;
    h_.step(150, [&] { fieldCount = source_.Fields().Count(); });
    for (int f = 0; f < fieldCount; ++f) {
      env_.yield();
      h_.step(160, [&] {
        const ado::Field field = source_.Fields()[f];
        // The opening back-quote here, the closing one in the type piece.
        std::string quotedField = AccessQuoted(QString::fromStdString(field.Name()));
        quotedField.pop_back();
        create += quotedField;
        create += ClassifyForAccess(static_cast<std::int16_t>(field.Type()));
      });
    }
    create.pop_back();  // the trailing comma
    create += ");";
    r_.run(170, name, [&] { app::ExecuteSql(access_, create); });

    copyRows(name, quotedTable, fieldCount);

    h_.step(250, [&] { env_.pointer.setPointer(app::PointerState::Default); });
    h_.step(260, [&] { env_.progress.reset(QString::fromLatin1(kProgressCaption)); });
    h_.step(270, [&] { source_.Close(); });
    if (inTransaction_ && r_.run(280, name, [&] { access_.CommitTrans(); })) inTransaction_ = false;
    h_.step(290, [&] { env_.accessList.addItem(name); });
  }

  void beginTable(const QString& name) {
    if (inTransaction_) return;
    if (r_.run(115, name, [&] { access_.BeginTrans(); })) inTransaction_ = true;
  }

  void copyRows(const QString& name, const std::string& quotedTable, int fieldCount) {
    std::int64_t rowCount = 0;
    h_.step(180, [&] { rowCount = source_.RecordCount(); });
    if (!source_.IsOpen()) return;  // the source could not be opened: its failure is reported already
    // Rows are read and their statements built ahead; each row's steps are replayed here.
    // The target parses each statement on the reading thread too.
    ado::StatementPreparer prepare;
    if (access_.IsOpen()) prepare = access_.Preparer();
    RowsAhead rows(
        source_, "INSERT INTO " + quotedTable + " VALUES(", fieldCount,
        [](std::string& statement, const ado::Variant& value, int) { AppendAccessLiteral(statement, value); },
        std::move(prepare));
    for (std::int64_t row = 0;; ++row) {
      const RowsAhead::Row* next = nullptr;
      h_.step(190, [&] {
        next = &rows.next();
        if (next->endFailure) std::rethrow_exception(next->endFailure);
      });
      if (!next || !next->more || next->endFailure) break;
      env_.yield();
      h_.step(200, [&] {
        const double percent =
            rowCount > 0 ? static_cast<double>(row + 1) / static_cast<double>(rowCount) * 100.0 : 100.0;
        env_.progress.setPercent(std::min(percent, 100.0));
      });
      for (int f = 0; f < fieldCount; ++f) {
        env_.yield();
        h_.step(210, [&] { next->rethrowFieldFailure(f); });
      }
      r_.run(220, name, row + 1, [&] { app::ExecuteSql(access_, next->insert, next->prepared.get()); });
      if (!h_.step(230, [&] {
            if (next->moveFailure) std::rethrow_exception(next->moveFailure);
          })) {
        break;
      }
    }
  }

  TransferEnvironment& env_;
  app::Handler& h_;
  StatementRunner r_;
  ado::Connection access_;
  ado::Connection sqlite_;
  ado::Recordset source_;
  bool inTransaction_ = false;
};

}  // namespace

void SendTablesToAccess(TransferEnvironment& env) {
  app::Handler h(env.dialogs, app::Label(QStringLiteral("Form2"), QStringLiteral("PushButton4_Click")));
  SQLiteToAccessRun run(env, h);
  run.run();
}

}  // namespace transfer
