#include "db/Connections.h"

#include "ado/ConnectionString.h"

namespace db {

namespace {

// A path or password as one value of the string: braced when it could be misread.
QString quoted(const QString& value) {
  return QString::fromStdString(ado::QuoteConnectionValue(value.toStdString()));
}

}  // namespace

QString BuildSQLiteConnectionString(const QString& path) {
  return QStringLiteral("DRIVER=SQLite3 ODBC Driver;Database=") + quoted(path) +
         QStringLiteral(";LongNames=0;Timeout=1000;NoTXN=0;SyncPragma=NORMAL;StepAPI=0;");
}

QString BuildAccessConnectionString(const ConnectionSettings& settings, const QString& path, const QString& password) {
  QString file = path;
  QString secret = password;
  if (file.isEmpty()) {
    file = settings.accessPath();
    secret = settings.accessPassword();
  }
  const QString prefix = file.right(5).toLower() == QLatin1String("accdb")
                             ? QStringLiteral("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=")
                             : QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=");
  return prefix + quoted(file) + QStringLiteral(";JET OLEDB:Database Password=") + quoted(secret);
}

void ApplyProfile(ado::Connection& connection, const ConnectionProfile& profile) {
  if (profile.cursorLocation) connection.SetCursorLocation(*profile.cursorLocation);
  if (profile.mode) connection.SetMode(*profile.mode);
  if (profile.commandTimeout) connection.SetCommandTimeout(*profile.commandTimeout);
  if (profile.connectionTimeout) connection.SetConnectionTimeout(*profile.connectionTimeout);
}

namespace {

std::unique_ptr<ado::Connection> openWithProfile(const ConnectionProfile& profile, const QString& connectionString) {
  auto connection = std::make_unique<ado::Connection>();
  ApplyProfile(*connection, profile);
  connection->Open(connectionString.toStdString());
  return connection;
}

}  // namespace

std::unique_ptr<ado::Connection> OpenSQLiteConnection(const ConnectionSettings& settings,
                                                      const ConnectionProfile& profile) {
  return openWithProfile(profile, BuildSQLiteConnectionString(settings.sqlitePath()));
}

std::unique_ptr<ado::Connection> OpenAccessConnection(const ConnectionSettings& settings,
                                                      const ConnectionProfile& profile, const QString& path,
                                                      const QString& password) {
  return openWithProfile(profile, BuildAccessConnectionString(settings, path, password));
}

}  // namespace db
