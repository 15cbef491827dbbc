// Statements run on a connection as one command, and the default that replaces a Null.
#pragma once

#include "ado/Connection.h"
#include "ado/Variant.h"

#include <QString>
#include <string>

namespace app {

// The default when the value is Null; otherwise the value unchanged (an empty
// text stays empty, 0 stays 0).
ado::Variant NullToDefault(const ado::Variant& value, const ado::Variant& defaultValue);

// Runs the statement on the open connection as one command and keeps nothing it
// returns. A failure passes to the caller as ado::Error.
void ExecuteSql(ado::Connection& connection, const QString& statement);
void ExecuteSql(ado::Connection& connection, const std::string& statement);

}  // namespace app
