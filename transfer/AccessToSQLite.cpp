#include "transfer/AccessToSQLite.h"

#include "app/DataHelpers.h"
#include "app/ListHelpers.h"
#include "db/Connections.h"
#include "transfer/RowsAhead.h"
#include "transfer/SQLiteColumns.h"
#include "transfer/SqlNames.h"
#include "transfer/StatementRunner.h"

#include <algorithm>
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
    for (int i = count - 1; i >= 0; --i) {
      env_.yield();
      if (!h_.condition(80, [&] { return env_.accessList.isSelected(i); })) continue;
      sendTable(i);
    }
    // A table whose commit failed is committed again before the connection closes, which
    // would otherwise undo it.
    if (inTransaction_) r_.run(300, [&] { sqlite_.CommitTrans(); });
    h_.step(310, [&] { access_.Close(); });
    h_.step(320, [&] { sqlite_.Close(); });
    h_.step(330, [&] { env_.pointer.setPointer(app::PointerState::Default); });
  }

 private:
  void sendTable(int index) {
    QString name;
    h_.step(90, [&] { name = env_.accessList.item(index); });
    const std::string quotedTable = SQLiteQuoted(name);
    if (h_.condition(100, [&] { return app::ListContains(env_.sqliteList, name); })) {
      app::MessageAnswer answer = app::MessageAnswer::Yes;
      h_.step(110, [&] {
        answer = env_.dialogs.message(QStringLiteral("Would you like to overwrite ") + name + QStringLiteral("?"),
                                      QStringLiteral("Overwrite?"), app::MessageButtons::YesNo,
                                      app::MessageIcon::None);
      });
      if (answer == app::MessageAnswer::No) return;
      beginTable(name);
      r_.run(120, name, [&] { app::ExecuteSql(sqlite_, "DROP TABLE " + quotedTable); });
      h_.step(130, [&] { app::RemoveListItem(env_.sqliteList, name.toLower()); });
    } else {
      beginTable(name);
    }

    r_.run(140, name, [&] {
      source_.Open("SELECT * FROM " + AccessQuoted(name), access_, ado::adOpenStatic, ado::adLockOptimistic);
    });
    std::string create = "CREATE TABLE " + quotedTable + "(";
    std::vector<char> numeric;  // per field position: written as a bare number
    int fieldCount = 0;
    h_.step(150, [&] { fieldCount = source_.Fields().Count(); });
    for (int f = 0; f < fieldCount; ++f) {
      env_.yield();
      h_.step(160, [&] {
        const ado::Field field = source_.Fields()[f];
        const SQLiteColumnClass kind = ClassifyForSQLite(static_cast<std::int16_t>(field.Type()));
        create += SQLiteQuoted(QString::fromStdString(field.Name()));
        create += kind.piece;
        numeric.resize(f + 1, 0);
        numeric[f] = kind.numeric;
      });
    }
    create.pop_back();  // the trailing comma
    create += ')';
    r_.run(170, name, [&] { app::ExecuteSql(sqlite_, create); });
    numeric.resize(fieldCount, 0);

    copyRows(name, quotedTable, numeric);

    h_.step(250, [&] { env_.pointer.setPointer(app::PointerState::Default); });
    h_.step(260, [&] { env_.progress.reset(QString::fromLatin1(kProgressCaption)); });
    h_.step(270, [&] { source_.Close(); });
    if (inTransaction_ && r_.run(280, name, [&] { sqlite_.CommitTrans(); })) inTransaction_ = false;
    h_.step(290, [&] { env_.sqliteList.addItem(name.toLower()); });
  }

  void beginTable(const QString& name) {
    if (inTransaction_) return;  // the previous table's commit failed: its rows ride along
    if (r_.run(115, name, [&] { sqlite_.BeginTrans(); })) inTransaction_ = true;
  }

  void copyRows(const QString& name, const std::string& quotedTable, const std::vector<char>& numeric) {
    std::int64_t rowCount = 0;
    h_.step(180, [&] { rowCount = source_.RecordCount(); });
    if (!source_.IsOpen()) return;  // the source could not be opened: its failure is reported already
    const int fieldCount = static_cast<int>(numeric.size());
    // Rows are read and their statements built ahead; each row's steps are replayed here.
    // The walk ends at the record set's end, so a count that is off can neither lose rows
    // nor run past the last one.
    RowsAhead rows(source_, "INSERT INTO " + quotedTable + " VALUES(", fieldCount,
                   [&numeric](std::string& statement, const ado::Variant& value, int field) {
                     AppendSQLiteLiteral(statement, value, numeric[field]);
                   });
    for (std::int64_t row = 0;; ++row) {
      const RowsAhead::Row* next = nullptr;
      h_.step(190, [&] {
        next = &rows.next();
        if (next->endFailure) std::rethrow_exception(next->endFailure);
      });
      if (!next || !next->more || next->endFailure) break;
      env_.yield();
      h_.step(200, [&] {
        const double percent = rowCount > 0 ? static_cast<double>(row + 1) / static_cast<double>(rowCount) * 100.0 : 100.0;
        env_.progress.setPercent(std::min(percent, 100.0));
      });
      for (int f = 0; f < fieldCount; ++f) {
        env_.yield();
        h_.step(210, [&] { next->rethrowFieldFailure(f); });
      }
      r_.run(220, name, row + 1, [&] { app::ExecuteSql(sqlite_, next->insert); });
      // A record set that cannot move on would repeat its row forever: the walk ends.
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
  ado::Recordset source_;
  ado::Connection sqlite_;
  bool inTransaction_ = false;
};

}  // namespace

void SendTablesToSQLite(TransferEnvironment& env) {
  app::Handler h(env.dialogs, app::Label(QStringLiteral("Form2"), QStringLiteral("PushButton3_Click")));
  AccessToSQLiteRun run(env, h);
  run.run();
}

}  // namespace transfer
