// Real SQLite files for the window tests, made with libsqlite3 directly.
#pragma once

#include <QString>
#include <QStringList>
#include <sqlite3.h>
#include <stdexcept>

namespace uitest {

// Runs the statements on the database file, creating it when missing.
inline void RunOnSQLiteFile(const QString& path, const QStringList& statements) {
  sqlite3* db = nullptr;
  if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK) {
    sqlite3_close(db);
    throw std::runtime_error("cannot create " + path.toStdString());
  }
  for (const QString& sql : statements) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
      const std::string text = message ? message : "?";
      sqlite3_free(message);
      sqlite3_close(db);
      throw std::runtime_error(text);
    }
  }
  sqlite3_close(db);
}

// A database with one table per name.
inline void MakeSQLiteDatabase(const QString& path, const QStringList& tables) {
  QStringList statements;
  for (const QString& table : tables) statements << QStringLiteral("CREATE TABLE \"%1\"(id INTEGER)").arg(table);
  RunOnSQLiteFile(path, statements);
}

}  // namespace uitest
