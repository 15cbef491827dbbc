#include "transfer/TableActions.h"

#include "app/SqlCommands.h"
#include "db/Access.h"
#include "db/Connections.h"
#include "transfer/SqlNames.h"
#include "transfer/StatementRunner.h"

#include <algorithm>
#include <optional>

namespace transfer {

namespace {

constexpr char kWindow[] = "Form2";

void Notice(app::Dialogs& dialogs, const char* text) {
  dialogs.message(QString::fromLatin1(text), QString(), app::MessageButtons::Ok, app::MessageIcon::None);
}

using DropStatement = std::string (*)(const QString& name);

void DeleteTables(TransferEnvironment& env, app::TableList& list, const char* handlerName,
                  const db::ConnectionProfile& profile, bool access, DropStatement drop) {
  app::Handler h(env.dialogs, app::Label(QString::fromLatin1(kWindow), QString::fromLatin1(handlerName)));
  StatementRunner r(h, env.onFailure);
  ado::Connection connection;
  h.step(10, [&] { env.pointer.setPointer(app::PointerState::Hourglass); });
  r.run(20, [&] {
    db::ApplyProfile(connection, profile);
    const QString text = access ? db::BuildAccessConnectionString(env.settings)
                                : db::BuildSQLiteConnectionString(env.settings.sqlitePath());
    connection.Open(text.toStdString());
  });
  if (h.condition(30, [&] { return list.currentIndex() == -1; })) {
    h.step(40, [&] { Notice(env.dialogs, "Please select a table"); });
    h.step(50, [&] { env.pointer.setPointer(app::PointerState::Default); });
    return;
  }
  int count = 0;
  h.step(60, [&] { count = std::min(list.count(), app::TableList::kMaxItems); });
  for (int i = count - 1; i >= 0; --i) {
    if (!h.condition(70, [&] { return list.isSelected(i); })) continue;
    QString name;
    h.step(80, [&] { name = list.item(i); });
    r.run(90, name, [&] { app::ExecuteSql(connection, drop(name)); });
    h.step(100, [&] { list.removeItem(i); });
  }
  h.step(110, [&] { env.pointer.setPointer(app::PointerState::Default); });
}

int SelectedCount(const app::TableList& list) {
  int selected = 0;
  for (int i = 0; i < list.count(); ++i)
    if (list.isSelected(i)) ++selected;
  return selected;
}

// Steps 1 to 5 of both renames: the selection checks, the hourglass, the selected entry and
// the input box. Nothing when the rename stops before the input box; an empty text when the
// box was cancelled or cleared (the pointer is then still the hourglass).
struct RenameRequest {
  QString oldName;
  int position = -1;
  QString newName;
};

std::optional<RenameRequest> AskForNewName(app::Handler& h, TransferEnvironment& env, app::TableList& list) {
  if (h.condition(10, [&] { return SelectedCount(list) != 1; })) {
    h.step(20, [&] { Notice(env.dialogs, "Please select just one table to rename."); });
    return std::nullopt;
  }
  if (h.condition(30, [&] { return list.currentIndex() == -1; })) {
    h.step(40, [&] { Notice(env.dialogs, "Please select a table to rename."); });
    return std::nullopt;
  }
  h.step(50, [&] { env.pointer.setPointer(app::PointerState::Hourglass); });
  RenameRequest request;
  h.step(60, [&] {
    for (int i = 0; i < list.count(); ++i) {
      if (list.isSelected(i)) {
        request.oldName = list.item(i);
        request.position = i;
        break;
      }
    }
  });
  h.step(70, [&] {
    const QString current = list.item(list.currentIndex());
    request.newName = env.dialogs.input(QStringLiteral("Enter new name of ") + current + QStringLiteral(":"),
                                        QString(), request.oldName)
                          .value_or(QString());
  });
  return request;
}

}  // namespace

void DeleteAccessTables(TransferEnvironment& env) {
  DeleteTables(env, env.accessList, "PushButton1_Click", db::profiles::kDeleteAccessTables, true,
               [](const QString& name) { return "DROP TABLE " + AccessQuoted(name) + ";"; });
}

void DeleteSQLiteTables(TransferEnvironment& env) {
  DeleteTables(env, env.sqliteList, "PushButton5_Click", db::profiles::kDeleteSQLiteTables, false,
               [](const QString& name) { return "DROP TABLE " + SQLiteBracketed(name); });
}

void RenameAccessTableAction(TransferEnvironment& env) {
  app::Handler h(env.dialogs, app::Label(QString::fromLatin1(kWindow), QStringLiteral("PushButton6_Click")));
  StatementRunner r(h, env.onFailure);
  app::TableList& list = env.accessList;
  const std::optional<RenameRequest> request = AskForNewName(h, env, list);
  if (!request) return;
  const QString& newName = request->newName;
  if (!newName.isEmpty()) {
    if (newName.compare(request->oldName, Qt::CaseInsensitive) == 0) {
      // The existence test would find the table itself, and an overwrite would drop it.
      h.step(80, [&] { Notice(env.dialogs, kRenameToOwnNameMessage); });
    } else if (r.test(90, request->oldName, [&] {
                 return db::RenameAccessTable(env.dialogs, request->oldName, newName, env.settings.accessPath(),
                                              env.settings.accessPassword());
               })) {
      h.step(100, [&] { list.removeItem(request->position); });
      // An overwritten table of the new name leaves the list as well.
      h.step(110, [&] {
        for (int i = list.count() - 1; i >= 0; --i)
          if (list.item(i).compare(newName, Qt::CaseInsensitive) == 0) list.removeItem(i);
      });
      h.step(120, [&] { list.addItem(newName); });
    }
  }
  h.step(130, [&] { env.pointer.setPointer(app::PointerState::Default); });
}

void RenameSQLiteTableAction(TransferEnvironment& env) {
  app::Handler h(env.dialogs, app::Label(QString::fromLatin1(kWindow), QStringLiteral("PushButton7_Click")));
  StatementRunner r(h, env.onFailure);
  app::TableList& list = env.sqliteList;
  ado::Connection connection;
  const std::optional<RenameRequest> request = AskForNewName(h, env, list);
  if (!request) return;
  if (!request->newName.isEmpty()) {
    QString newName = request->newName;
    newName.replace(QLatin1Char(' '), QLatin1Char('_'));
    r.run(80, [&] {
      db::ApplyProfile(connection, db::profiles::kRenameSQLiteTable);
      connection.Open(db::BuildSQLiteConnectionString(env.settings.sqlitePath()).toStdString());
    });
    r.run(90, request->oldName, [&] {
      app::ExecuteSql(connection, "ALTER TABLE " + SQLiteBracketed(request->oldName) + " RENAME TO " +
                                      SQLiteBracketed(newName));
    });
    h.step(100, [&] { list.removeItem(request->position); });
    h.step(110, [&] { list.addItem(newName); });
  }
  h.step(120, [&] { env.pointer.setPointer(app::PointerState::Default); });
}

}  // namespace transfer
