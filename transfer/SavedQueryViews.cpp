#include "transfer/SavedQueryViews.h"

#include "ado/Recordset.h"
#include "jet/SavedQueries.h"
#include "transfer/QueryTranslation.h"
#include "transfer/SQLiteViewSql.h"
#include "transfer/SqlNames.h"

#include <QString>
#include <map>
#include <set>

namespace transfer {

namespace {

std::optional<std::string> TextOf(const ado::Variant& v) {
  if (v.kind() == ado::Variant::Kind::Text) return v.asText();
  return std::nullopt;
}

std::int64_t IntegerOf(const ado::Variant& v) {
  if (v.isInteger()) return v.asInt64();
  if (v.kind() == ado::Variant::Kind::Boolean) return v.asBoolean() ? 1 : 0;
  return 0;
}

// The saved queries with their rows, read through the Access connection's system tables.
std::vector<jet::SavedQuery> ReadQueries(ado::Connection& access) {
  std::vector<jet::SavedQuery> queries;
  std::map<std::int32_t, size_t> byId;
  {
    ado::Recordset objects;
    objects.Open("SELECT * FROM MSysObjects", access);
    for (; !objects.Eof(); objects.MoveNext()) {
      if (IntegerOf(objects.Fields()["Type"].Value()) != 5) continue;
      jet::SavedQuery q;
      q.id = static_cast<std::int32_t>(IntegerOf(objects.Fields()["Id"].Value()));
      q.name = TextOf(objects.Fields()["Name"].Value()).value_or("");
      q.objectFlags = static_cast<std::uint32_t>(IntegerOf(objects.Fields()["Flags"].Value()));
      byId[q.id] = queries.size();
      queries.push_back(std::move(q));
    }
  }
  if (queries.empty()) return queries;
  ado::Recordset rows;
  rows.Open("SELECT * FROM MSysQueries", access);
  for (; !rows.Eof(); rows.MoveNext()) {
    auto owner = byId.find(static_cast<std::int32_t>(IntegerOf(rows.Fields()["ObjectId"].Value())));
    if (owner == byId.end()) continue;
    jet::QueryRow row;
    row.attribute = static_cast<std::uint8_t>(IntegerOf(rows.Fields()["Attribute"].Value()));
    row.flag = static_cast<std::int16_t>(IntegerOf(rows.Fields()["Flag"].Value()));
    row.expression = TextOf(rows.Fields()["Expression"].Value());
    row.name1 = TextOf(rows.Fields()["Name1"].Value());
    row.name2 = TextOf(rows.Fields()["Name2"].Value());
    const ado::Variant order = rows.Fields()["Order"].Value();
    if (order.kind() == ado::Variant::Kind::Bytes) row.order = order.asBytes();
    queries[owner->second].rows.push_back(std::move(row));
  }
  for (auto& q : queries) jet::ArrangeRows(q);
  return queries;
}

std::string Quoted(const std::string& name) { return SQLiteQuoted(QString::fromStdString(name)); }

std::string Literal(const std::string& text) {
  std::string out;
  AppendQuotedText(out, text);
  return out;
}

}  // namespace

void CopySavedQueriesToSQLite(ado::Connection& access, ado::Connection& sqlite,
                              const std::function<void(const std::string& note)>& note) {
  const std::vector<jet::SavedQuery> queries = ReadQueries(access);
  if (queries.empty()) return;
  std::vector<AccessQueryText> texts;
  for (const auto& q : queries) {
    AccessQueryText t{q.name, jet::QueryKindName(q.kind), {}, {}, q.hidden()};
    auto sql = jet::AccessSqlOf(q);
    if (sql.ok()) t.sql = *sql;
    else t.error = sql.status().message();
    texts.push_back(std::move(t));
  }

  // The query table whole or not at all.
  const std::string table = Quoted(kAccessQueriesTable);
  sqlite.BeginTrans();
  try {
    sqlite.Execute("CREATE TABLE IF NOT EXISTS " + table + " (name TEXT PRIMARY KEY, type TEXT, sql TEXT)");
    for (const auto& t : texts) {
      sqlite.Execute("INSERT OR REPLACE INTO " + table + " VALUES (" + Literal(t.name) + ", " + Literal(t.kind) + ", " +
                     (t.error.empty() ? Literal(t.sql) : std::string("NULL")) + ")");
    }
    sqlite.CommitTrans();
  } catch (...) {
    sqlite.RollbackTrans();
    throw;
  }

  const ViewPlan plan = PlanViews(texts);
  for (const auto& view : plan.views) {
    const std::string name = Quoted(view.name);
    try {
      sqlite.Execute("DROP VIEW IF EXISTS " + name);
      sqlite.Execute("CREATE VIEW " + name + " AS " + view.select);
      // SQLite checks the names a view uses when it runs: run it once, without rows.
      sqlite.Execute("SELECT * FROM " + name + " LIMIT 0");
    } catch (const std::exception& e) {
      try {
        sqlite.Execute("DROP VIEW IF EXISTS " + name);
      } catch (const std::exception&) {
        // The view was not made at all: nothing to take back.
      }
      note("query " + view.name + " was not made a view: SQLite refused it (" + e.what() +
           "); its Access SQL is kept in " + kAccessQueriesTable);
    }
  }
  for (const auto& refused : plan.refused)
    note("query " + refused.name + " was not made a view: " + refused.reason + "; its Access SQL is kept in " +
         kAccessQueriesTable);
  if (plan.hidden)
    note(std::to_string(plan.hidden) + " hidden quer" + (plan.hidden == 1 ? "y" : "ies") +
         " (record sources of forms and reports) kept in " + kAccessQueriesTable + " only");
}

std::set<std::string> ViewsFromAccessQueries(ado::Connection& sqlite) {
  std::set<std::string> names;
  if (!sqlite.IsOpen()) return names;
  try {
    ado::Recordset rs;
    rs.Open("SELECT v.name FROM sqlite_master AS v JOIN " + Quoted(kAccessQueriesTable) +
                " AS q ON q.name = v.name COLLATE NOCASE WHERE v.type = 'view'",
            sqlite);
    for (; !rs.Eof(); rs.MoveNext())
      names.insert(QString::fromStdString(TextOf(rs.Fields()[0].Value()).value_or("")).toCaseFolded().toStdString());
  } catch (const std::exception&) {
    // No query table: every view is copied as a table.
  }
  return names;
}

ViewPlan PlanQueriesOfSQLiteViews(ado::Connection& sqlite, const std::set<std::string>& views,
                                  const std::set<std::string>& fromAccess) {
  auto key = [](const std::string& name) { return QString::fromStdString(name).toCaseFolded().toStdString(); };
  // The declared types of the columns the views read, each table's read once.
  std::map<std::string, std::map<std::string, ColumnKind>> tables;
  const ColumnLookup columns = [&](const std::string& table, const std::string& column) -> std::optional<ColumnKind> {
    auto [it, added] = tables.try_emplace(key(table));
    if (added) {
      ado::Recordset rs;
      rs.Open("SELECT name, type FROM pragma_table_info(" + Literal(table) + ")", sqlite);
      for (; !rs.Eof(); rs.MoveNext())
        it->second[key(TextOf(rs.Fields()[0].Value()).value_or(""))] =
            KindOfDeclaredType(TextOf(rs.Fields()[1].Value()).value_or(""));
    }
    auto found = it->second.find(key(column));
    if (found == it->second.end()) return std::nullopt;
    return found->second;
  };
  std::vector<ViewCandidate> candidates;
  ado::Recordset rs;
  rs.Open("SELECT name, sql FROM sqlite_master WHERE type = 'view' ORDER BY name", sqlite);
  for (; !rs.Eof(); rs.MoveNext()) {
    const std::string name = TextOf(rs.Fields()[0].Value()).value_or("");
    if (!views.count(key(name)) || fromAccess.count(key(name))) continue;
    candidates.push_back({name, {}, {}, {}});
    const std::string sql = TextOf(rs.Fields()[1].Value()).value_or("");
    try {
      AccessQuerySql query = TranslateSQLiteView(sql, columns);
      candidates.back() = {name, query.sql, query.sources, query.reason};
    } catch (const std::exception& e) {
      candidates.back().reason = std::string("the columns it reads could not be looked up: ") + e.what();
    }
  }
  return OrderViews(candidates, "view ", ", which is copied as a table");
}

void CopySavedQueriesToAccess(ado::Connection& sqlite, ado::Connection& access,
                              const std::function<void(const std::string& note)>& note) {
  ado::Recordset table;
  table.Open("SELECT name FROM sqlite_master WHERE type = 'table' AND name = " + Literal(kAccessQueriesTable), sqlite);
  if (!table.Eof()) {
    ado::Recordset rows;
    rows.Open("SELECT name, type, sql FROM " + Quoted(kAccessQueriesTable) + " ORDER BY rowid", sqlite);
    int hidden = 0;
    for (; !rows.Eof(); rows.MoveNext()) {
      const std::string name = TextOf(rows.Fields()[0].Value()).value_or("");
      const std::string kind = TextOf(rows.Fields()[1].Value()).value_or("");
      const std::string sql = TextOf(rows.Fields()[2].Value()).value_or("");
      if (!name.empty() && name[0] == '~') {
        ++hidden;
        continue;
      }
      // Every select and union query comes back from its Access SQL, a view or not (Access
      // reads what SQLite could not); the engine writes no other kind.
      if ((kind != "select" && kind != "union") || sql.empty()) {
        note("query " + name + " (" + kind + ") kept in " + kAccessQueriesTable +
             " was not made: only select and union queries are written");
        continue;
      }
      try {
        access.Execute("CREATE VIEW " + AccessQuoted(QString::fromStdString(name)) + " AS " + sql);
      } catch (const std::exception& e) {
        note("query " + name + " was not made: " + e.what());
      }
    }
    if (hidden)
      note(std::to_string(hidden) + " hidden quer" + (hidden == 1 ? "y" : "ies") +
           " (record sources of forms and reports, which are not copied) not made");
  }
}

}  // namespace transfer
