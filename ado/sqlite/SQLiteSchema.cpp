#include "ado/sqlite/SQLiteSchema.h"

#include "ado/Constants.h"
#include "ado/sqlite/DeclaredType.h"
#include "jet/Text.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace ado::sqlite {

namespace {

// 'text' for a pragma's argument, every ' doubled.
std::string Literal(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

std::vector<std::vector<Variant>> Rows(Session& session, const std::string& sql) {
  std::vector<std::vector<Variant>> rows;
  auto cursor = session.query(sql, CursorOptions{});
  const std::size_t width = cursor->columns().size();
  while (cursor->next()) {
    std::vector<Variant> row;
    for (std::size_t i = 0; i < width; ++i) row.push_back(cursor->value(i));
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string TextOf(const Variant& value) { return value.isNull() ? std::string() : value.toText(); }
std::int64_t NumberOf(const Variant& value) { return value.isInteger() ? value.asInt64() : 0; }

// The whole numbers in the declared type's parentheses: "DECIMAL(19,4)" gives 19 and 4.
std::vector<std::int64_t> SizesOf(const std::string& declared) {
  std::vector<std::int64_t> sizes;
  const auto open = declared.find('(');
  if (open == std::string::npos) return sizes;
  std::int64_t value = -1;
  for (std::size_t i = open + 1; i < declared.size() && declared[i] != ')'; ++i) {
    const char c = declared[i];
    if (c >= '0' && c <= '9') {
      value = (value < 0 ? 0 : value * 10) + (c - '0');
      if (value > 1'000'000'000) return {};
    } else if (c == ',') {
      if (value >= 0) sizes.push_back(value);
      value = -1;
    } else if (c != ' ') {
      return {};
    }
  }
  if (value >= 0) sizes.push_back(value);
  return sizes;
}

struct KeyColumn {
  std::int64_t position = 0;  // in the primary key, from 1; 0 when not in it
  std::string name;
  std::string declared;
};

// The table's primary key columns in key order, and whether it is the rowid (INTEGER PRIMARY KEY).
struct PrimaryKey {
  std::vector<std::string> columns;
  bool rowid = false;
  std::string indexName;  // SQLite's own index for it, when it has one
};

PrimaryKey PrimaryKeyOf(Session& session, const std::string& table) {
  std::vector<KeyColumn> key;
  for (const auto& row : Rows(session, "SELECT pk, name, type FROM pragma_table_xinfo(" + Literal(table) + ")"))
    if (NumberOf(row[0]) > 0) key.push_back({NumberOf(row[0]), TextOf(row[1]), TextOf(row[2])});
  std::sort(key.begin(), key.end(), [](const KeyColumn& a, const KeyColumn& b) { return a.position < b.position; });
  PrimaryKey out;
  for (const KeyColumn& k : key) out.columns.push_back(k.name);
  for (const auto& row : Rows(session, "SELECT name FROM pragma_index_list(" + Literal(table) + ") WHERE origin = 'pk'"))
    out.indexName = TextOf(row[0]);
  out.rowid = key.size() == 1 && out.indexName.empty() && jet::AsciiLower(key[0].declared) == "integer";
  return out;
}

std::optional<std::string> FilterOf(Session& session, const std::string& index) {
  const auto rows = Rows(session, "SELECT sql FROM sqlite_master WHERE type = 'index' AND name = " + Literal(index));
  if (rows.empty()) return std::nullopt;
  const std::string sql = TextOf(rows[0][0]);
  const std::string lower = jet::AsciiLower(sql);
  const auto where = lower.rfind(" where ");
  if (where == std::string::npos) return std::nullopt;
  return sql.substr(where + 7);
}

}  // namespace

std::vector<ColumnEntry> SQLiteColumns(Session& session, const std::string& table) {
  const PrimaryKey key = PrimaryKeyOf(session, table);
  std::vector<ColumnEntry> out;
  for (const auto& row : Rows(session, "SELECT name, type, \"notnull\", dflt_value, pk, hidden FROM pragma_table_xinfo(" +
                                           Literal(table) + ") ORDER BY cid")) {
    const std::int64_t hidden = NumberOf(row[5]);
    if (hidden == 1) continue;  // a virtual table's hidden column
    ColumnEntry entry;
    entry.table = table;
    entry.name = TextOf(row[0]);
    entry.ordinal = static_cast<int>(out.size()) + 1;
    entry.typeName = TextOf(row[1]);
    const int adoType = AdoTypeOfDeclaredType(jet::AsciiLower(entry.typeName));
    entry.flags = DBCOLUMNFLAGS_MAYDEFER | DBCOLUMNFLAGS_WRITEUNKNOWN;
    switch (adoType) {
      case adVarWChar: entry.dataType = adWChar; break;
      case adLongVarWChar: entry.dataType = adWChar; entry.flags |= DBCOLUMNFLAGS_ISLONG; break;
      case adLongVarBinary: entry.dataType = adBinary; entry.flags |= DBCOLUMNFLAGS_ISLONG; break;
      default: entry.dataType = adoType; entry.flags |= DBCOLUMNFLAGS_ISFIXEDLENGTH; break;
    }
    entry.autoIncrement = key.rowid && NumberOf(row[4]) == 1;
    entry.nullable = NumberOf(row[2]) == 0 && !entry.autoIncrement;
    if (entry.nullable) entry.flags |= DBCOLUMNFLAGS_ISNULLABLE | DBCOLUMNFLAGS_MAYBENULL;
    if (entry.autoIncrement) entry.flags |= DBCOLUMNFLAGS_ISROWID;
    if (!row[3].isNull()) entry.defaultText = TextOf(row[3]);
    const auto sizes = SizesOf(entry.typeName);
    const std::string lower = jet::AsciiLower(entry.typeName);
    const bool decimal = lower.find("dec") != std::string::npos || lower.find("num") != std::string::npos;
    if (decimal && !sizes.empty()) {
      entry.precision = static_cast<int>(sizes[0]);
      entry.scale = sizes.size() > 1 ? static_cast<int>(sizes[1]) : 0;
    } else if (sizes.size() == 1) {
      entry.maxLength = sizes[0];
    }
    entry.computed = hidden == 2 || hidden == 3;
    out.push_back(std::move(entry));
  }
  return out;
}

std::vector<IndexEntry> SQLiteIndexes(Session& session, const std::string& table) {
  const PrimaryKey key = PrimaryKeyOf(session, table);
  std::vector<IndexEntry> out;
  if (key.rowid) {
    IndexEntry entry;
    entry.table = table;
    entry.primaryKey = true;
    entry.unique = true;
    entry.nulls = DBPROPVAL_IN_DISALLOWNULL;
    entry.columns.push_back({key.columns[0], false});
    out.push_back(std::move(entry));
  }
  for (const auto& index : Rows(session, "SELECT name, \"unique\", origin, partial FROM pragma_index_list(" +
                                             Literal(table) + ") ORDER BY seq DESC")) {
    IndexEntry entry;
    entry.table = table;
    entry.name = TextOf(index[0]);
    entry.unique = NumberOf(index[1]) != 0;
    entry.primaryKey = TextOf(index[2]) == "pk";
    if (entry.primaryKey) entry.nulls = DBPROPVAL_IN_DISALLOWNULL;
    if (NumberOf(index[3]) != 0) entry.filter = FilterOf(session, entry.name);
    for (const auto& part : Rows(session, "SELECT name, \"desc\" FROM pragma_index_xinfo(" + Literal(entry.name) +
                                              ") WHERE key = 1 ORDER BY seqno"))
      entry.columns.push_back({TextOf(part[0]), NumberOf(part[1]) != 0});
    out.push_back(std::move(entry));
  }
  return out;
}

std::vector<ForeignKeyEntry> SQLiteForeignKeys(Session& session, const std::string& table) {
  std::vector<ForeignKeyEntry> out;
  std::map<std::string, int> namesTaken;
  std::int64_t current = -1;
  for (const auto& row : Rows(session, "SELECT id, \"table\", \"from\", \"to\", on_update, on_delete FROM "
                                       "pragma_foreign_key_list(" + Literal(table) + ") ORDER BY id, seq")) {
    if (NumberOf(row[0]) != current || out.empty()) {
      current = NumberOf(row[0]);
      ForeignKeyEntry key;
      key.table = table;
      key.referencedTable = TextOf(row[1]);
      key.updateRule = TextOf(row[4]);
      key.deleteRule = TextOf(row[5]);
      const std::string base = key.referencedTable + table;
      const int taken = namesTaken[jet::AsciiLower(base)]++;
      key.name = taken == 0 ? base : base + std::to_string(taken);
      out.push_back(std::move(key));
    }
    out.back().columns.push_back(TextOf(row[2]));
    out.back().referencedColumns.push_back(TextOf(row[3]));
  }
  for (ForeignKeyEntry& key : out) {
    const bool toPrimaryKey = std::all_of(key.referencedColumns.begin(), key.referencedColumns.end(),
                                          [](const std::string& c) { return c.empty(); });
    const PrimaryKey referenced = PrimaryKeyOf(session, key.referencedTable);
    if (toPrimaryKey) key.referencedColumns = referenced.columns;
    if (key.referencedColumns == referenced.columns) key.referencedKeyName = referenced.indexName;
  }
  return out;
}

}  // namespace ado::sqlite
