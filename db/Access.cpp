#include "db/Access.h"

#include "app/Files.h"
#include "app/Yield.h"
#include "db/Connections.h"

namespace db {

namespace {

constexpr char kUserTableType[] = "TABLE";

QString fieldText(const ado::Recordset& rs, const char* name) {
  return QString::fromStdString(rs.Fields()[name].Value().toText());
}

}  // namespace

std::optional<QStringList> GetAccessTables(const ConnectionSettings& settings, const QString& path) {
  if (!app::FileExists(path)) return std::nullopt;
  try {
    const auto connection = OpenAccessConnection(settings, profiles::kListAccessTables);
    ado::Recordset rs = connection->OpenSchema(ado::adSchemaTables);
    QStringList names;
    for (; !rs.Eof(); rs.MoveNext())
      if (fieldText(rs, "TABLE_TYPE") == QLatin1String(kUserTableType)) names.append(fieldText(rs, "TABLE_NAME"));
    rs.Close();
    connection->Close();
    return names;
  } catch (const std::exception&) {
    return std::nullopt;  // the caller reports "Unable to access the database"
  }
}

void FillAccessTableList(const ConnectionSettings& settings, app::Dialogs& dialogs, app::TableList& list,
                         const QString& path) {
  list.clear();
  const std::optional<QStringList> names = GetAccessTables(settings, path);
  if (!names) {
    dialogs.message(QStringLiteral("Unable to access the database"), QString(), app::MessageButtons::Ok,
                    app::MessageIcon::None);
    return;
  }
  for (const QString& name : *names) {
    app::YieldToEvents();
    list.addItem(name);
  }
}

bool AccessTableExists(const QString& path, const QString& password, const QString& name) {
  if (!app::FileExists(path)) return false;
  // Only used with a non-empty path, so the current settings are never consulted.
  const FixedConnectionSettings unused{QString(), QString(), QString()};
  const auto connection = OpenAccessConnection(unused, profiles::kListAccessTables, path, password);
  ado::Recordset rs = connection->OpenSchema(ado::adSchemaTables);
  const QString wanted = name.toUpper();
  bool found = false;
  for (; !rs.Eof(); rs.MoveNext())
    if (fieldText(rs, "TABLE_TYPE") == QLatin1String(kUserTableType) && fieldText(rs, "TABLE_NAME").toUpper() == wanted)
      found = true;
  rs.Close();
  connection->Close();
  return found;
}

bool RenameAccessTable(app::Dialogs& dialogs, const QString& oldName, const QString& newName, const QString& path,
                       const QString& password) {
  if (oldName.compare(newName, Qt::CaseInsensitive) == 0)
    throw ado::Error(ado::adErrInvalidArgument, "The Access table \"" + oldName.toStdString() +
                                                    "\" cannot be renamed to its own name.");
  const FixedConnectionSettings unused{QString(), QString(), QString()};
  const auto connection = OpenAccessConnection(unused, profiles::kRenameAccessTable, path, password);
  // A doubled back-quote stands for one inside a name, so no name can end the statement early.
  auto quoted = [](const QString& name) {
    QString text = name;
    text.replace(QLatin1Char('`'), QStringLiteral("``"));
    return "`" + text.toStdString() + "`";
  };
  bool renamed = true;
  if (AccessTableExists(path, password, newName)) {
    const app::MessageAnswer answer =
        dialogs.message(QStringLiteral("Would you like to overwrite ") + newName + QStringLiteral("?"),
                        QStringLiteral("Overwrite?"), app::MessageButtons::YesNo, app::MessageIcon::None);
    if (answer == app::MessageAnswer::Yes)
      connection->Execute("DROP TABLE " + quoted(newName));
    else
      renamed = false;
  }
  if (renamed) {
    connection->Execute("SELECT a1.* INTO " + quoted(newName) + " FROM " + quoted(oldName) + " AS a1;");
    connection->Execute("DROP TABLE " + quoted(oldName));
  }
  connection->Close();
  return renamed;
}

}  // namespace db
