// Saved queries as Access keeps them: the rows of MSysQueries for each query of MSysObjects
// (object type 5), and the Access SQL those rows stand for, rebuilt as Access shows it in
// the query's SQL view. Layout facts in jet/format/QueryLayout.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "jet/Status.h"

namespace jet {

class Database;

// One MSysQueries row; absent values are empty / nullopt.
struct QueryRow {
  uint8_t attribute = 0;
  std::optional<std::string> expression;
  int16_t flag = 0;
  std::optional<std::string> name1;
  std::optional<std::string> name2;
  std::vector<uint8_t> order;  // the Order column's bytes
};

enum class QueryKind { kSelect, kUnion, kCrosstab, kMakeTable, kAppend, kUpdate, kDelete, kDataDefinition, kPassThrough, kUnknown };

// "select", "union", "crosstab", "make-table", "append", "update", "delete", "data-definition",
// "pass-through", "unknown".
const char* QueryKindName(QueryKind kind);

struct SavedQuery {
  std::string name;
  int32_t id = 0;
  uint32_t objectFlags = 0;     // MSysObjects Flags
  QueryKind kind = QueryKind::kUnknown;
  std::vector<QueryRow> rows;   // by attribute, each attribute's rows in stored order

  bool hidden() const { return !name.empty() && name[0] == '~'; }  // a form's or report's record source
};

// The kind the rows say (their type row), else the kind the object flags say.
QueryKind KindOf(const std::vector<QueryRow>& rows, uint32_t objectFlags);

// Puts rows read in storage order in their order (by attribute, then Order) and sets the kind.
void ArrangeRows(SavedQuery& query);

// Every saved query of the database, in catalogue order, each with its rows.
Result<std::vector<SavedQuery>> ReadSavedQueries(Database& db);

// The query's Access SQL as Access writes it (clauses on lines of their own, ending in ";"),
// or a failure that names the query when its rows do not describe a statement.
Result<std::string> AccessSqlOf(const SavedQuery& query);

}  // namespace jet

namespace jet {

// The rows Access keeps for a select or union query whose Access SQL is `accessSql` (the
// statement's parts as Access writes them, expressions as written); refused, with the
// reason, for other statements and for what the rows cannot hold.
Result<SavedQuery> SavedQueryFromSql(const std::string& name, const std::string& accessSql);

}  // namespace jet
