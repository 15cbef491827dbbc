// Connection strings, the connection property profiles of each kind of work, and the opening
// of the two kinds of connection. A connection lives for one operation: the caller owns what
// Open*Connection returns and closes it (or drops it) before the user action ends.
#pragma once

#include "ado/Connection.h"
#include "db/ConnectionSettings.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

namespace db {

// "DRIVER=SQLite3 ODBC Driver;Database=" + path + ";LongNames=0;Timeout=1000;NoTXN=0;SyncPragma=NORMAL;StepAPI=0;"
// An ordinary path goes in as typed; one that could be misread as more than one value (a ';',
// '=', brace, quote or outer blank in it) goes in braced (ado::QuoteConnectionValue), so a file
// named "a;Database=b.db" is the one opened.
QString BuildSQLiteConnectionString(const QString& path);

// The Access provider prefix (ACE 12.0 when the path's last five characters, lower-cased, are
// "accdb"; Jet 4.0 otherwise) + path + ";JET OLEDB:Database Password=" + password, path and
// password each quoted as above.
// An empty path means: path and password from the current settings (the password argument is ignored).
QString BuildAccessConnectionString(const ConnectionSettings& settings, const QString& path = QString(),
                                    const QString& password = QString());

// The properties a kind of work sets on a new connection before Open, applied in the order
// CursorLocation, Mode, CommandTimeout, ConnectionTimeout; an unset one keeps the provider's default.
struct ConnectionProfile {
  std::optional<std::int16_t> cursorLocation;
  std::optional<std::int16_t> mode;
  std::optional<std::int16_t> commandTimeout;     // seconds
  std::optional<std::int16_t> connectionTimeout;  // seconds
};

// The profile of every kind of work that opens a connection.
namespace profiles {
inline constexpr std::int16_t kTransferTimeoutSeconds = 5000;
inline constexpr ConnectionProfile kNone{};
// "Test Connection" button of the connection window (SQLite).
inline constexpr ConnectionProfile kTestConnectionButton{ado::adUseServer, {}, {}, {}};
// TestSQLiteConnection (SQLite).
inline constexpr ConnectionProfile kTestSQLiteConnection = kNone;
// Listing SQLite tables.
inline constexpr ConnectionProfile kListSQLiteTables{ado::adUseClient, {}, {}, {}};
// Listing Access tables; the Access table-exists test.
inline constexpr ConnectionProfile kListAccessTables = kNone;
// Access to SQLite transfer.
inline constexpr ConnectionProfile kAccessToSQLiteSQLiteSide{ado::adUseServer, {}, kTransferTimeoutSeconds,
                                                             kTransferTimeoutSeconds};
inline constexpr ConnectionProfile kAccessToSQLiteAccessSide{ado::adUseClient, ado::adModeReadWrite, {}, {}};
// SQLite to Access transfer.
inline constexpr ConnectionProfile kSQLiteToAccessSQLiteSide{ado::adUseClient, {}, {}, {}};
inline constexpr ConnectionProfile kSQLiteToAccessAccessSide{ado::adUseServer, ado::adModeReadWrite, {}, {}};
// Deleting Access tables.
inline constexpr ConnectionProfile kDeleteAccessTables{ado::adUseServer, ado::adModeReadWrite, {}, {}};
// Deleting SQLite tables; renaming an SQLite table.
inline constexpr ConnectionProfile kDeleteSQLiteTables = kNone;
inline constexpr ConnectionProfile kRenameSQLiteTable = kNone;
// Renaming an Access table.
inline constexpr ConnectionProfile kRenameAccessTable = kNone;
}  // namespace profiles

// Sets the profile's properties on a closed connection, in the order above.
void ApplyProfile(ado::Connection& connection, const ConnectionProfile& profile);

// A new connection with the profile applied, opened on the current SQLite path.
// Failures (ado::Error) pass to the caller.
std::unique_ptr<ado::Connection> OpenSQLiteConnection(const ConnectionSettings& settings,
                                                      const ConnectionProfile& profile);

// A new connection with the profile applied, opened with BuildAccessConnectionString(settings, path, password).
std::unique_ptr<ado::Connection> OpenAccessConnection(const ConnectionSettings& settings,
                                                      const ConnectionProfile& profile,
                                                      const QString& path = QString(),
                                                      const QString& password = QString());

}  // namespace db
