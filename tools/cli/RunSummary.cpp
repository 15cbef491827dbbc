#include "tools/cli/RunSummary.h"

#include "jet/Database.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <sqlite3.h>

namespace cli {

QByteArray RunSummary::toJson() const {
  QJsonObject object{{QStringLiteral("command"), command},
                     {QStringLiteral("source"), source},
                     {QStringLiteral("tables"), QJsonArray::fromStringList(tables)},
                     {QStringLiteral("failures"), QJsonArray::fromStringList(failures)},
                     {QStringLiteral("exit_status"), exitStatus}};
  if (command != QLatin1String("list")) {
    object.insert(QStringLiteral("target"), target);
    object.insert(QStringLiteral("tables_copied"), tables.size());
    object.insert(QStringLiteral("rows"), rows);
    object.insert(QStringLiteral("skipped"), QJsonArray::fromStringList(skipped));
    object.insert(QStringLiteral("given_up"), QJsonArray::fromStringList(givenUp));
    object.insert(QStringLiteral("notes"), QJsonArray::fromStringList(notes));
  }
  return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

namespace {

qint64 CountSQLiteRows(const QString& path, const QStringList& tables) {
  sqlite3* db = nullptr;
  qint64 rows = 0;
  if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    for (const QString& table : tables) {
      QString quoted = table;
      quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
      const QByteArray sql = QStringLiteral("SELECT count(*) FROM \"%1\"").arg(quoted).toUtf8();
      sqlite3_stmt* statement = nullptr;
      if (sqlite3_prepare_v2(db, sql.constData(), -1, &statement, nullptr) == SQLITE_OK &&
          sqlite3_step(statement) == SQLITE_ROW)
        rows += sqlite3_column_int64(statement, 0);
      sqlite3_finalize(statement);
    }
  }
  sqlite3_close(db);
  return rows;
}

qint64 CountAccessRows(const QString& path, const QString& password, const QStringList& tables) {
  jet::Database::Options options;
  options.password = password.toStdString();
  auto db = jet::Database::Open(path.toStdString(), options);
  if (!db.ok()) return 0;
  qint64 rows = 0;
  for (const QString& table : tables) {
    auto def = (*db)->tableDef(table.toStdString());
    if (def.ok()) rows += (*def)->rowCount;
  }
  return rows;
}

}  // namespace

qint64 CountRows(const QString& path, bool sqlite, const QString& password, const QStringList& tables) {
  return sqlite ? CountSQLiteRows(path, tables) : CountAccessRows(path, password, tables);
}

}  // namespace cli
