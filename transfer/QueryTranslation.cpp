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
  std::vector<ViewCandidate> candidates;
  int hidden = 0;
  for (const auto& q : queries) {
    if (q.hidden) {
      ++hidden;
      continue;
    }
    ViewCandidate c{q.name, {}, {}, {}};
    if (!q.error.empty()) c.reason = "its SQL could not be read: " + q.error;
    else if (q.kind != "select" && q.kind != "union") c.reason = KindReason(q.kind);
    else {
      const SQLiteQuery translation = TranslateAccessQuery(q.sql);
      c.sql = translation.sql;
      c.sources = translation.sources;
      c.reason = translation.reason;
    }
    candidates.push_back(std::move(c));
  }
  ViewPlan plan = OrderViews(candidates, "query ", ", which is not a view");
  plan.hidden = hidden;
  return plan;
}

ViewPlan OrderViews(const std::vector<ViewCandidate>& candidates, const std::string& refusedSource,
                    const std::string& because) {
  ViewPlan plan;
  enum class State { kNew, kVisiting, kPlaced, kRefused };
  std::vector<State> state(candidates.size(), State::kNew);
  std::vector<std::string> reasons(candidates.size());
  std::map<std::string, size_t> byName;
  for (size_t i = 0; i < candidates.size(); ++i) {
    reasons[i] = candidates[i].reason;
    if (!reasons[i].empty()) state[i] = State::kRefused;
    byName[Key(candidates[i].name)] = i;
  }
  // Depth first: each is placed after every candidate it reads; one that reads a refused
  // candidate is refused too.
  std::function<bool(size_t)> place = [&](size_t i) -> bool {
    if (state[i] == State::kPlaced) return true;
    if (state[i] == State::kRefused) return false;
    if (state[i] == State::kVisiting) {
      reasons[i] = "it reads itself through other queries";
      return false;
    }
    state[i] = State::kVisiting;
    for (const std::string& source : candidates[i].sources) {
      auto it = byName.find(Key(source));
      if (it == byName.end() || it->second == i) continue;
      if (!place(it->second)) {
        state[i] = State::kRefused;
        if (reasons[i].empty()) reasons[i] = "it reads the " + refusedSource + candidates[it->second].name + because;
        return false;
      }
    }
    state[i] = State::kPlaced;
    plan.views.push_back({candidates[i].name, candidates[i].sql});
    return true;
  };
  for (size_t i = 0; i < candidates.size(); ++i) place(i);
  for (size_t i = 0; i < candidates.size(); ++i)
    if (state[i] == State::kRefused) plan.refused.push_back({candidates[i].name, reasons[i]});
  return plan;
}

}  // namespace transfer
