#include "db/SQLite.h"

#include "db/Connections.h"

#include <QFileInfo>

namespace db {

bool TestSQLiteConnection(const ConnectionSettings& settings) {
  try {
    const QString path = settings.sqlitePath();
    if (path.isEmpty()) return false;
    const QFileInfo file(path);
    if (!file.isFile() || file.isHidden()) return false;
    // Opened without properties and dropped (hence closed) on return.
    OpenSQLiteConnection(settings, profiles::kTestSQLiteConnection);
    return true;
  } catch (...) {
    return false;
  }
}

void FillSQLiteTableList(const ConnectionSettings& settings, app::TableList& list) {
  const auto connection = OpenSQLiteConnection(settings, profiles::kListSQLiteTables);
  list.clear();
  ado::Recordset tables = connection->OpenSchema(ado::adSchemaTables);
  for (; !tables.Eof(); tables.MoveNext()) {
    const QString name = QString::fromStdString(tables.Fields()["TABLE_NAME"].Value().toText());
    // Names with "$" as fourth character are the driver's system objects; every other object is listed.
    if (name.mid(3, 1) != QLatin1String("$")) list.addItem(name);
  }
  tables.Close();
  connection->Close();
}

}  // namespace db
