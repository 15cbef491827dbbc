// Access saved queries as SQLite views: one query's Access SQL in SQLite's (the expression
// rules are AccessExpression.h's), and the plan for a database's queries: which become views,
// in an order where each view comes after the views it reads, and why each other one does not.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace transfer {

struct SQLiteQuery {
  std::string sql;                   // a SELECT statement; empty when there is none
  std::string reason;                // why there is none
  std::vector<std::string> sources;  // the tables and queries it reads, as the Access SQL names them
  bool ok() const { return reason.empty(); }
};

// SELECT ... [UNION [ALL] SELECT ...] [ORDER BY ...] [;] in Access SQL.
SQLiteQuery TranslateAccessQuery(std::string_view accessSql);

// A saved query as read from the Access file (jet/SavedQueries.h).
struct AccessQueryText {
  std::string name;
  std::string kind;    // QueryKindName: "select", "union", "crosstab", ...
  std::string sql;     // its Access SQL; empty when it could not be rebuilt
  std::string error;   // why not
  bool hidden = false; // a form's or report's own record source (name starting with ~)
};

struct PlannedView {
  std::string name;
  std::string select;  // the SQLite SELECT
};

struct RefusedQuery {
  std::string name;
  std::string reason;
};

struct ViewPlan {
  std::vector<PlannedView> views;      // each after the views it reads
  std::vector<RefusedQuery> refused;   // in the order of the input
  int hidden = 0;                      // hidden queries, kept in the query table only
};

ViewPlan PlanViews(const std::vector<AccessQueryText>& queries);

// One view or query to place: its statement and what it reads, or why it is refused.
struct ViewCandidate {
  std::string name;
  std::string sql;
  std::vector<std::string> sources;  // names of tables and of other candidates
  std::string reason;                // empty: it may be made
};

// The candidates in an order where each comes after the candidates it reads; one that reads
// a refused candidate is refused too, the reason saying `refusedSource` (its name put after
// "it reads the ") followed by `because`, as in "query X" + ", which is not a view".
ViewPlan OrderViews(const std::vector<ViewCandidate>& candidates, const std::string& refusedSource,
                    const std::string& because);

}  // namespace transfer
