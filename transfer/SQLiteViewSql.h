// An SQLite view as an Access saved select query: the view's CREATE VIEW statement read by
// recursive descent and written out as Access SQL in the same pass. The subset is what both
// sides have: SELECT [DISTINCT] with aliases, FROM with joins and subqueries, WHERE, GROUP BY,
// HAVING, ORDER BY, LIMIT as TOP, UNION [ALL], the common operators and the functions that
// have an Access form. A construct without one stops the reading with the reason.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace transfer {

// How a column's values compare in Access, by its SQLite declared type: dates and Yes/No
// values are not the texts and 0/1 SQLite holds, so literals compared with them change form.
enum class ColumnKind { kOther, kInteger, kDate, kBoolean };

// The kind of `column` of the table or view `table`; nullopt when it has no such column.
using ColumnLookup = std::function<std::optional<ColumnKind>(const std::string& table, const std::string& column)>;

// The kind a declared type gives (DATETIME, BOOLEAN, INTEGER, ...), as the copy makes the column.
ColumnKind KindOfDeclaredType(const std::string& declaredType);

struct AccessQuerySql {
  std::string sql;                   // the Access SELECT; empty when there is none
  std::string reason;                // why there is none
  std::vector<std::string> sources;  // the tables and views it reads
  bool ok() const { return reason.empty(); }
};

// `createView` is the view's statement as sqlite_master keeps it (CREATE VIEW name AS SELECT ...).
AccessQuerySql TranslateSQLiteView(std::string_view createView, const ColumnLookup& columns);

}  // namespace transfer
