#include "transfer/QueryTranslation.h"

#include "transfer/AccessSqlParser.h"

#include <QString>
#include <functional>
#include <map>

namespace transfer {

namespace {

std::string Key(const std::string& name) { return QString::fromStdString(name).toCaseFolded().toStdString(); }

std::string KindReason(const std::string& kind) {
  if (kind == "crosstab") return "it is a crosstab query (TRANSFORM ... PIVOT), which has no SQLite view";
  if (kind == "make-table" || kind == "append" || kind == "update" || kind == "delete")
    return "it is an action query (" + kind + "): it changes data, and a view only shows it";
  if (kind == "data-definition") return "it is a data-definition query: it changes the design, and a view only shows data";
  if (kind == "pass-through") return "it is a pass-through query: its SQL runs on another database server";
  return "its kind is unknown";
}

}  // namespace

SQLiteQuery TranslateAccessQuery(std::string_view accessSql) {
  accesssql::Translation t = accesssql::Select(accessSql);
  return {t.sql, t.reason, t.sources};
}

ViewPlan PlanViews(const std::vector<AccessQueryText>& queries) {
  ViewPlan plan;
  struct Candidate {
    const AccessQueryText* query;
    SQLiteQuery translation;
    int state = 0;  // 0 not visited, 1 in progress, 2 placed, 3 refused
    std::string reason;
  };
  std::vector<Candidate> candidates;
  std::map<std::string, size_t> byName;
  for (const auto& q : queries) {
    if (q.hidden) {
      ++plan.hidden;
      continue;
    }
    Candidate c{&q, {}, 0, {}};
    if (!q.error.empty()) c.reason = "its SQL could not be read: " + q.error;
    else if (q.kind != "select" && q.kind != "union") c.reason = KindReason(q.kind);
    else {
      c.translation = TranslateAccessQuery(q.sql);
      if (!c.translation.ok()) c.reason = c.translation.reason;
    }
    if (!c.reason.empty()) c.state = 3;
    byName[Key(q.name)] = candidates.size();
    candidates.push_back(std::move(c));
  }
  // Depth first: a view is placed after every query it reads; one that reads a query that
  // is not a view is not one either.
  std::function<bool(size_t)> place = [&](size_t i) -> bool {
    Candidate& c = candidates[i];
    if (c.state == 2) return true;
    if (c.state == 3) return false;
    if (c.state == 1) {
      c.reason = "it reads itself through other queries";
      return false;
    }
    c.state = 1;
    for (const std::string& source : c.translation.sources) {
      auto it = byName.find(Key(source));
      if (it == byName.end() || it->second == i) continue;
      if (!place(it->second)) {
        c.state = 3;
        if (c.reason.empty()) c.reason = "it reads the query " + candidates[it->second].query->name + ", which is not a view";
        return false;
      }
    }
    c.state = 2;
    plan.views.push_back({c.query->name, c.translation.sql});
    return true;
  };
  for (size_t i = 0; i < candidates.size(); ++i) place(i);
  for (const auto& c : candidates)
    if (c.state == 3) plan.refused.push_back({c.query->name, c.reason});
  return plan;
}

}  // namespace transfer
