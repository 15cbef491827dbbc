#include "app/SqlCommands.h"

namespace app {

ado::Variant NullToDefault(const ado::Variant& value, const ado::Variant& defaultValue) {
  return value.isNull() ? defaultValue : value;
}

void ExecuteSql(ado::Connection& connection, const QString& statement) {
  connection.Execute(statement.toStdString());
}

void ExecuteSql(ado::Connection& connection, const std::string& statement) { connection.Execute(statement); }

}  // namespace app
