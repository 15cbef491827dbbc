#include "TransferFixture.h"

#include "ado/Recordset.h"
#include "db/Access.h"
#include "db/Connections.h"
#include "db/SQLite.h"
#include "jet/create/NewDatabase.h"
#include "transfer/AccessToSQLite.h"
#include "transfer/FaithfulCopy.h"
#include "transfer/SQLiteToAccess.h"

#include <QFileInfo>

namespace transfer_test {

std::string SQLiteValueText(sqlite3_stmt* statement, int column) {
  switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL: return "NULL";
    case SQLITE_INTEGER: return "i:" + std::to_string(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT: {
      char text[64];
      std::snprintf(text, sizeof text, "r:%.17g", sqlite3_column_double(statement, column));
      return text;
    }
    case SQLITE_TEXT:
      return "t:" + std::string(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                                static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
    default: {
      const auto* data = static_cast<const unsigned char*>(sqlite3_column_blob(statement, column));
      std::string hex = "b:";
      static const char digits[] = "0123456789abcdef";
      for (int i = 0; i < sqlite3_column_bytes(statement, column); ++i) {
        hex += digits[data[i] >> 4];
        hex += digits[data[i] & 15];
      }
      return hex;
    }
  }
}

RawSQLite::RawSQLite(const QString& path) {
  if (sqlite3_open_v2(path.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
      SQLITE_OK)
    ADD_FAILURE() << "cannot open " << path.toStdString();
}

RawSQLite::~RawSQLite() { sqlite3_close_v2(db_); }

void RawSQLite::exec(const std::string& sql) {
  char* error = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    ADD_FAILURE() << sql << ": " << (error ? error : "?");
    sqlite3_free(error);
  }
}

std::vector<std::vector<std::string>> RawSQLite::rows(const std::string& sql) {
  std::vector<std::vector<std::string>> out;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db_);
    return out;
  }
  while (sqlite3_step(statement) == SQLITE_ROW) {
    std::vector<std::string> row;
    for (int c = 0; c < sqlite3_column_count(statement); ++c) row.push_back(SQLiteValueText(statement, c));
    out.push_back(std::move(row));
  }
  sqlite3_finalize(statement);
  return out;
}

std::vector<std::string> RawSQLite::declaredTypes(const std::string& table) {
  std::vector<std::string> types;
  for (const auto& row : rows("SELECT type FROM pragma_table_info(" + std::string("'") + table + "')"))
    types.push_back(row[0].substr(2));
  return types;
}

std::string AccessValueText(const ado::Variant& value) {
  if (value.isNull() || value.isEmpty()) return "NULL";
  if (value.kind() != ado::Variant::Kind::Bytes) return value.toText();
  const ado::Bytes& bytes = value.asBytes();
  return "b:" + QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()))
                    .toHex()
                    .toStdString();
}

namespace {

ado::Recordset OpenAccessTable(ado::Connection& connection, const QString& table) {
  ado::Recordset rows;
  rows.Open("SELECT * FROM `" + table.toStdString() + "`", connection);
  return rows;
}

}  // namespace

std::vector<std::vector<std::string>> TransferTest::accessRows(const QString& path, const QString& table) {
  const auto connection = db::OpenAccessConnection(*settings_, db::profiles::kNone, path, settings_->accessPassword());
  std::vector<std::vector<std::string>> out;
  for (ado::Recordset rows = OpenAccessTable(*connection, table); !rows.Eof(); rows.MoveNext()) {
    std::vector<std::string> row;
    const ado::FieldCollection fields = rows.Fields();
    for (int c = 0; c < fields.Count(); ++c) row.push_back(AccessValueText(fields[c].Value()));
    out.push_back(std::move(row));
  }
  return out;
}

std::vector<std::string> TransferTest::accessFieldNames(const QString& path, const QString& table) {
  const auto connection = db::OpenAccessConnection(*settings_, db::profiles::kNone, path, settings_->accessPassword());
  const ado::Recordset rows = OpenAccessTable(*connection, table);
  std::vector<std::string> names;
  const ado::FieldCollection fields = rows.Fields();
  for (int c = 0; c < fields.Count(); ++c) names.push_back(fields[c].Name());
  return names;
}

QString TransferTest::copyCorpus(const QString& relative, const QString& as) {
  const QString target = tempPath(as.isEmpty() ? QFileInfo(relative).fileName() : as);
  QFile::remove(target);
  EXPECT_TRUE(QFile::copy(CorpusFile(relative), target)) << relative.toStdString();
  QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  return target;
}

QString TransferTest::newAccess(const QString& name) {
  const QString path = tempPath(name);
  const auto format = jet::create::FormatForPath(path.toStdString());
  if (!format.ok()) {
    ADD_FAILURE() << "not an Access file name: " << name.toStdString();
    return path;
  }
  const jet::Status created = jet::create::CreateDatabase(path.toStdString(), format.value(), 45000.0);
  EXPECT_TRUE(created.ok()) << created.message();
  return path;
}

QString TransferTest::newSQLite(const QString& name, const std::vector<std::string>& statements) {
  const QString path = tempPath(name);
  RawSQLite db(path);
  db.exec("PRAGMA user_version = 1");  // makes the file a real database, not an empty one
  for (const auto& s : statements) db.exec(s);
  return path;
}

void TransferTest::faithfulCopyAll(bool toAccess, std::vector<std::string>& notes) {
  fillLists();
  selectAll(toAccess ? sqliteList : accessList);
  transfer::FaithfulMode mode;
  mode.note = [&notes](const QString& note) { notes.push_back(note.toStdString()); };
  auto e = env();
  e.faithful = &mode;
  if (toAccess) transfer::SendTablesToAccess(e);
  else transfer::SendTablesToSQLite(e);
}

void TransferTest::fillLists() {
  app::ScriptedDialogs quiet;
  if (!settings_->accessPath().isEmpty()) db::FillAccessTableList(*settings_, quiet, accessList, settings_->accessPath());
  if (!settings_->sqlitePath().isEmpty()) db::FillSQLiteTableList(*settings_, sqliteList);
}

void TransferTest::select(app::TableList& list, const QString& name) {
  for (int i = 0; i < list.count(); ++i) {
    if (list.item(i) == name) {
      list.setSelected(i, true);
      list.setCurrentIndex(i);
      return;
    }
  }
  ADD_FAILURE() << "no list entry " << name.toStdString();
}

QStringList TransferTest::errorBoxes() const {
  QStringList texts;
  for (const auto& box : dialogs.messages())
    if (box.icon == app::MessageIcon::Warning) texts.append(box.text);
  return texts;
}

}  // namespace transfer_test
