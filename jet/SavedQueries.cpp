#include "jet/SavedQueries.h"

#include <algorithm>
#include <memory>

#include "jet/Database.h"
#include "jet/format/QueryLayout.h"

namespace jet {

namespace {

using query::Attribute;

const char* const kLine = "\r\n";  // Access's own line break in query SQL

bool Is(const QueryRow& row, Attribute a) { return row.attribute == static_cast<uint8_t>(a); }

std::vector<const QueryRow*> RowsOf(const SavedQuery& q, Attribute a) {
  std::vector<const QueryRow*> rows;
  for (const auto& row : q.rows)
    if (Is(row, a)) rows.push_back(&row);
  return rows;
}

const QueryRow* RowOf(const SavedQuery& q, Attribute a) {
  for (const auto& row : q.rows)
    if (Is(row, a)) return &row;
  return nullptr;
}

std::string Text(const std::optional<std::string>& s) { return s.value_or(std::string()); }

// A name as Access writes it in SQL: bare when it is one word, else in brackets.
std::string Bracketed(const std::string& name) {
  const bool word = !name.empty() && std::all_of(name.begin(), name.end(), [](unsigned char c) {
    return c == '_' || c >= 0x80 || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  });
  if (word) return name;
  if (name.size() >= 2 && name.front() == '[' && name.back() == ']') return name;
  return "[" + name + "]";
}

std::string Join(const std::vector<std::string>& parts, const char* separator) {
  std::string text;
  for (size_t i = 0; i < parts.size(); ++i) text += (i ? separator : "") + parts[i];
  return text;
}

// The FROM clause: each input, then each join row combines the two sources that hold its
// sides into one (Access writes a join of joins with the inner one in parentheses); what is
// left uncombined is listed with commas.
struct Source {
  std::vector<std::string> names;  // the aliases (or table names) inside, compared without case
  std::string text;
  bool join = false;
  int16_t kind = 0;
  std::vector<std::string> conditions;
  std::shared_ptr<Source> left, right;

  bool holds(const std::string& name) const {
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return EqualsIgnoreCase(n, name); });
  }
  std::string sql() const {
    if (!join) return text;
    auto operand = [](const Source& s) { return s.join ? "(" + s.sql() + ")" : s.sql(); };
    const char* word = kind == static_cast<int16_t>(query::JoinKind::kLeft)    ? " LEFT JOIN "
                       : kind == static_cast<int16_t>(query::JoinKind::kRight) ? " RIGHT JOIN "
                                                                              : " INNER JOIN ";
    std::string on = conditions.size() == 1 ? conditions[0] : "(" + Join(conditions, ") AND (") + ")";
    return operand(*left) + word + operand(*right) + " ON " + on;
  }
};

Result<std::string> FromClause(const SavedQuery& q) {
  std::vector<std::shared_ptr<Source>> sources;
  for (const QueryRow* row : RowsOf(q, Attribute::kInput)) {
    auto s = std::make_shared<Source>();
    if (row->expression && !row->name1) {
      s->text = "(" + *row->expression + ")";  // a subquery: Access 97 wrote [SELECT ...]. AS x
    } else {
      s->text = Bracketed(Text(row->name1));
    }
    if (row->name2) s->text += " AS " + Bracketed(*row->name2);
    s->names.push_back(row->name2 ? *row->name2 : Text(row->name1));
    sources.push_back(std::move(s));
  }
  auto take = [&](const std::string& name) -> std::shared_ptr<Source> {
    for (auto it = sources.begin(); it != sources.end(); ++it) {
      if ((*it)->holds(name)) {
        auto s = *it;
        sources.erase(it);
        return s;
      }
    }
    auto s = std::make_shared<Source>();
    s->text = Bracketed(name);
    s->names.push_back(name);
    return s;
  };
  for (const QueryRow* row : RowsOf(q, Attribute::kJoin)) {
    const std::string from = Text(row->name1), to = Text(row->name2);
    auto same = std::find_if(sources.begin(), sources.end(), [&](const auto& s) { return s->holds(from) && s->holds(to); });
    if (same != sources.end()) {
      if (!(*same)->join || (*same)->kind != row->flag)
        return Status::Corrupt(Where::Place(q.name), "two joins of different kinds between " + from + " and " + to);
      (*same)->conditions.push_back(Text(row->expression));
      continue;
    }
    auto join = std::make_shared<Source>();
    join->join = true;
    join->kind = row->flag;
    join->left = take(from);
    join->right = take(to);
    join->conditions.push_back(Text(row->expression));
    join->names = join->left->names;
    join->names.insert(join->names.end(), join->right->names.begin(), join->right->names.end());
    sources.push_back(std::move(join));
  }
  std::vector<std::string> parts;
  for (const auto& s : sources) parts.push_back(s->sql());
  return Join(parts, ", ");
}

std::string ParametersClause(const SavedQuery& q) {
  std::vector<std::string> parameters;
  for (const QueryRow* row : RowsOf(q, Attribute::kParameter)) {
    // Data types as the column type codes (jet/format/ColumnTypes.h) name them in Access SQL.
    static const std::pair<int16_t, const char*> kTypes[] = {
        {0, "Value"},    {1, "Bit"},        {2, "Byte"},       {3, "Short"},  {4, "Long"},      {5, "Currency"},
        {6, "IEEESingle"}, {7, "IEEEDouble"}, {8, "DateTime"}, {9, "Binary"}, {10, "Text"},     {11, "LongBinary"},
        {12, "Text"},    {15, "Guid"},      {16, "BigBinary"}};
    const char* type = "Value";
    for (const auto& [code, word] : kTypes)
      if (code == row->flag) type = word;
    parameters.push_back(Bracketed(Text(row->name1)) + " " + type);
  }
  return parameters.empty() ? std::string() : "PARAMETERS " + Join(parameters, ", ") + ";" + kLine;
}

int16_t FlagsOf(const SavedQuery& q) {
  const QueryRow* row = RowOf(q, Attribute::kFlags);
  return row ? row->flag : 0;
}

// DISTINCT, DISTINCTROW, TOP n [PERCENT], each followed by a space.
std::string Predicates(const SavedQuery& q) {
  const int16_t flags = FlagsOf(q);
  std::string text;
  if (flags & query::kFlagDistinct) text += "DISTINCT ";
  else if (flags & query::kFlagDistinctRow) text += "DISTINCTROW ";
  if (flags & query::kFlagTop) {
    const QueryRow* row = RowOf(q, Attribute::kFlags);
    text += "TOP " + Text(row->name1) + " ";
    if (flags & query::kFlagPercent) text += "PERCENT ";
  }
  return text;
}

std::string ColumnText(const QueryRow& row) {
  std::string text = Text(row.expression);
  if (row.name1) text += " AS " + Bracketed(*row.name1);
  return text;
}

// The output columns of a select-like query; `*` first when the flags say so or none is listed.
std::string SelectList(const SavedQuery& q, const std::vector<const QueryRow*>& columns) {
  std::vector<std::string> parts;
  if ((FlagsOf(q) & query::kFlagAllColumns) || columns.empty()) parts.push_back("*");
  for (const QueryRow* row : columns) parts.push_back(ColumnText(*row));
  return Join(parts, ", ");
}

std::string ExpressionList(const std::vector<const QueryRow*>& rows, bool orderBy) {
  std::vector<std::string> parts;
  for (const QueryRow* row : rows) {
    std::string text = Text(row->expression);
    if (orderBy && row->name1 && EqualsIgnoreCase(*row->name1, query::kDescending)) text += " DESC";
    parts.push_back(text);
  }
  return Join(parts, ", ");
}

// FROM, WHERE, GROUP BY (all rows but a crosstab's pivot), HAVING, ORDER BY: each on a line.
std::string TailClauses(const SavedQuery& q, const std::string& from, bool crosstab, bool orderBy = true) {
  std::string text = std::string(kLine) + "FROM " + from;
  if (const QueryRow* where = RowOf(q, Attribute::kWhere)) text += std::string(kLine) + "WHERE " + Text(where->expression);
  std::vector<const QueryRow*> groups;
  for (const QueryRow* row : RowsOf(q, Attribute::kGroupBy))
    if (!crosstab || row->flag != query::kCrosstabPivot) groups.push_back(row);
  if (!groups.empty()) text += std::string(kLine) + "GROUP BY " + ExpressionList(groups, false);
  if (const QueryRow* having = RowOf(q, Attribute::kHaving)) text += std::string(kLine) + "HAVING " + Text(having->expression);
  const auto orders = RowsOf(q, Attribute::kOrderBy);
  if (orderBy && !orders.empty()) text += std::string(kLine) + "ORDER BY " + ExpressionList(orders, true);
  return text;
}

std::string OwnerAccess(const SavedQuery& q) {
  return (FlagsOf(q) & query::kFlagOwnerAccess) ? std::string(kLine) + "WITH OWNERACCESS OPTION" : std::string();
}

std::string Destination(const SavedQuery& q) {
  const QueryRow* type = RowOf(q, Attribute::kType);
  std::string text = Bracketed(type ? Text(type->name1) : std::string());
  if (const QueryRow* remote = RowOf(q, Attribute::kRemoteDb)) {
    text += " IN '" + Text(remote->name1) + "'";
    if (remote->expression) text += " [" + *remote->expression + "]";
  }
  return text;
}

}  // namespace

const char* QueryKindName(QueryKind kind) {
  switch (kind) {
    case QueryKind::kSelect: return "select";
    case QueryKind::kUnion: return "union";
    case QueryKind::kCrosstab: return "crosstab";
    case QueryKind::kMakeTable: return "make-table";
    case QueryKind::kAppend: return "append";
    case QueryKind::kUpdate: return "update";
    case QueryKind::kDelete: return "delete";
    case QueryKind::kDataDefinition: return "data-definition";
    case QueryKind::kPassThrough: return "pass-through";
    case QueryKind::kUnknown: break;
  }
  return "unknown";
}

QueryKind KindOf(const std::vector<QueryRow>& rows, uint32_t objectFlags) {
  for (const auto& row : rows) {
    if (!Is(row, Attribute::kType)) continue;
    switch (static_cast<query::QueryType>(row.flag)) {
      case query::QueryType::kSelect: return QueryKind::kSelect;
      case query::QueryType::kMakeTable: return QueryKind::kMakeTable;
      case query::QueryType::kAppend: return QueryKind::kAppend;
      case query::QueryType::kUpdate: return QueryKind::kUpdate;
      case query::QueryType::kDelete: return QueryKind::kDelete;
      case query::QueryType::kCrosstab: return QueryKind::kCrosstab;
      case query::QueryType::kDataDefinition: return QueryKind::kDataDefinition;
      case query::QueryType::kPassThrough: return QueryKind::kPassThrough;
      case query::QueryType::kUnion: return QueryKind::kUnion;
    }
  }
  switch (static_cast<query::ObjectFlag>(objectFlags & query::kObjectFlagKindMask)) {
    case query::ObjectFlag::kSelect: return QueryKind::kSelect;
    case query::ObjectFlag::kCrosstab: return QueryKind::kCrosstab;
    case query::ObjectFlag::kDelete: return QueryKind::kDelete;
    case query::ObjectFlag::kUpdate: return QueryKind::kUpdate;
    case query::ObjectFlag::kAppend: return QueryKind::kAppend;
    case query::ObjectFlag::kMakeTable: return QueryKind::kMakeTable;
    case query::ObjectFlag::kDataDefinition: return QueryKind::kDataDefinition;
    case query::ObjectFlag::kPassThrough: return QueryKind::kPassThrough;
    case query::ObjectFlag::kUnion: return QueryKind::kUnion;
  }
  return QueryKind::kUnknown;
}

Result<std::vector<SavedQuery>> ReadSavedQueries(Database& db) {
  std::vector<SavedQuery> queries;
  for (const auto& entry : db.catalog().entries()) {
    if (!entry.isQuery()) continue;
    SavedQuery q;
    q.name = entry.name;
    q.id = entry.id;
    q.objectFlags = entry.flags;
    queries.push_back(std::move(q));
  }
  if (queries.empty()) return queries;
  auto def = db.tableDef(query::kQueriesTable);
  if (!def.ok()) return def.status();
  const TableDef& table = *def.value();
  auto column = [&](const char* name) -> int {
    for (size_t i = 0; i < table.columns.size(); ++i)
      if (EqualsIgnoreCase(table.columns[i].name, name)) return static_cast<int>(i);
    return -1;
  };
  const int attribute = column("Attribute"), expression = column("Expression"), flag = column("Flag"),
            name1 = column("Name1"), name2 = column("Name2"), objectId = column("ObjectId"), order = column("Order");
  if (attribute < 0 || objectId < 0)
    return Status::Corrupt(Where::Place(db.fileName() + ", table MSysQueries"),
                           "the columns Attribute and ObjectId are missing");
  auto cursor = db.scan(def.value());
  if (!cursor.ok()) return cursor.status();
  auto integer = [](const Value& v) -> int64_t {
    if (auto* b = std::get_if<uint8_t>(&v)) return *b;
    if (auto* s = std::get_if<int16_t>(&v)) return *s;
    if (auto* l = std::get_if<int32_t>(&v)) return *l;
    if (auto* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
    return 0;
  };
  auto text = [](const Value& v) -> std::optional<std::string> {
    if (auto* s = std::get_if<std::string>(&v)) return *s;
    return std::nullopt;
  };
  while (true) {
    auto more = cursor->next();
    if (!more.ok()) return more.status();
    if (!*more) break;
    auto read = [&](int index) -> Result<Value> {
      if (index < 0) return Value(Null{});
      return cursor->value(static_cast<size_t>(index));
    };
    auto id = read(objectId);
    if (!id.ok()) return id.status();
    auto owner = std::find_if(queries.begin(), queries.end(), [&](const SavedQuery& q) { return q.id == integer(*id); });
    if (owner == queries.end()) continue;  // a row of a query no longer listed
    QueryRow row;
    for (auto [index, target] : {std::pair{expression, &row.expression}, {name1, &row.name1}, {name2, &row.name2}}) {
      auto v = read(index);
      if (!v.ok()) return v.status();
      *target = text(*v);
    }
    auto a = read(attribute);
    auto f = read(flag);
    auto o = read(order);
    if (!a.ok()) return a.status();
    if (!f.ok()) return f.status();
    if (!o.ok()) return o.status();
    row.attribute = static_cast<uint8_t>(integer(*a));
    row.flag = static_cast<int16_t>(integer(*f));
    if (auto* bytes = std::get_if<Binary>(&*o)) row.order = bytes->bytes;
    owner->rows.push_back(std::move(row));
  }
  for (auto& q : queries) ArrangeRows(q);
  return queries;
}

void ArrangeRows(SavedQuery& q) {
  std::stable_sort(q.rows.begin(), q.rows.end(), [](const QueryRow& a, const QueryRow& b) {
    return a.attribute != b.attribute ? a.attribute < b.attribute : a.order < b.order;
  });
  q.kind = KindOf(q.rows, q.objectFlags);
}

Result<std::string> AccessSqlOf(const SavedQuery& q) {
  const QueryRow* type = RowOf(q, Attribute::kType);
  switch (q.kind) {
    case QueryKind::kDataDefinition:
    case QueryKind::kPassThrough:
      if (!type || !type->expression) return Status::Corrupt(Where::Place(q.name), "the query's statement is missing");
      {
        // Access stores the statement with its terminating NUL.
        std::string statement = *type->expression;
        while (!statement.empty() && statement.back() == '\0') statement.pop_back();
        return statement;
      }
    case QueryKind::kUnion: {
      std::vector<const QueryRow*> parts;
      for (const QueryRow* row : RowsOf(q, Attribute::kInput))
        if (row->expression) parts.push_back(row);
      std::stable_sort(parts.begin(), parts.end(),
                       [](const QueryRow* a, const QueryRow* b) { return Text(a->name2) < Text(b->name2); });
      if (parts.size() != 2) return Status::Corrupt(Where::Place(q.name), "a union query needs two parts");
      const char* word = (FlagsOf(q) & query::kFlagDistinct) ? "UNION" : "UNION ALL";
      std::string text = *parts[0]->expression + kLine + word + kLine + *parts[1]->expression;
      const auto orders = RowsOf(q, Attribute::kOrderBy);
      if (!orders.empty()) text += std::string(kLine) + "ORDER BY " + ExpressionList(orders, true);
      return text + ";";
    }
    case QueryKind::kUnknown:
      return Status::Unsupported(Where::Place(q.name),
                                 "the query's kind is unknown (object flags " + std::to_string(q.objectFlags) + ")");
    default:
      break;
  }
  Result<std::string> from = FromClause(q);
  if (!from.ok()) return from.status();
  const auto columns = RowsOf(q, Attribute::kColumn);
  std::string text = ParametersClause(q);
  switch (q.kind) {
    case QueryKind::kSelect:
      text += "SELECT " + Predicates(q) + SelectList(q, columns) + TailClauses(q, *from, false);
      break;
    case QueryKind::kMakeTable:
      text += "SELECT " + Predicates(q) + SelectList(q, columns) + " INTO " + Destination(q) + TailClauses(q, *from, false);
      break;
    case QueryKind::kAppend: {
      std::vector<std::string> targets, values;
      for (const QueryRow* row : columns) {
        targets.push_back(Text(row->name2));
        values.push_back(ColumnText(*row));
      }
      text += "INSERT INTO " + Destination(q) + " (" + Join(targets, ", ") + ")" + kLine + "SELECT " + Predicates(q) +
              Join(values, ", ") + TailClauses(q, *from, false);
      break;
    }
    case QueryKind::kUpdate: {
      std::vector<std::string> sets;
      for (const QueryRow* row : columns) sets.push_back(Text(row->name2) + " = " + Text(row->expression));
      text += "UPDATE " + *from + kLine + "SET " + Join(sets, ", ");
      if (const QueryRow* where = RowOf(q, Attribute::kWhere)) text += std::string(kLine) + "WHERE " + Text(where->expression);
      break;
    }
    case QueryKind::kDelete:
      text += "DELETE " + Predicates(q) + SelectList(q, columns) + TailClauses(q, *from, false);
      break;
    case QueryKind::kCrosstab: {
      std::string value, pivot;
      std::vector<const QueryRow*> headings;
      for (const QueryRow* row : columns) {
        if (row->flag == query::kCrosstabPivot) pivot = Text(row->expression);
        else if (row->flag == query::kCrosstabRowHeading) headings.push_back(row);
        else value = ColumnText(*row);
      }
      std::vector<std::string> list;
      for (const QueryRow* row : headings) list.push_back(ColumnText(*row));
      text += "TRANSFORM " + value + kLine + "SELECT " + Predicates(q) + Join(list, ", ") + TailClauses(q, *from, true) +
              kLine + "PIVOT " + pivot;
      break;
    }
    default:
      break;
  }
  return text + OwnerAccess(q) + ";";
}

}  // namespace jet
