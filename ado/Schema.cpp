#include "ado/Schema.h"

#include "ado/Constants.h"
#include "ado/Error.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace ado {

std::vector<ColumnEntry> Session::columns(const std::string&) {
  throw Error(adErrFeatureNotAvailable, "This provider does not list columns (schema 4).");
}
std::vector<IndexEntry> Session::indexes(const std::string&) {
  throw Error(adErrFeatureNotAvailable, "This provider does not list indexes (schema 12).");
}
std::vector<ForeignKeyEntry> Session::foreignKeys(const std::string&) {
  throw Error(adErrFeatureNotAvailable, "This provider does not list foreign keys (schema 27).");
}

namespace {

using Row = std::vector<Variant>;

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

// A schema's rows, held in memory (a schema is small).
class RowsCursor : public Cursor {
 public:
  RowsCursor(std::vector<Column> columns, std::vector<Row> rows) : columns_(std::move(columns)), rows_(std::move(rows)) {}
  const std::vector<Column>& columns() const override { return columns_; }
  std::int64_t recordCount() const override { return static_cast<std::int64_t>(rows_.size()); }
  bool next() override { return ++row_ < rows_.size(); }
  Variant value(std::size_t column) const override { return rows_[row_][column]; }

 private:
  std::vector<Column> columns_;
  std::vector<Row> rows_;
  std::size_t row_ = static_cast<std::size_t>(-1);
};

Variant TextOrNull(const std::optional<std::string>& text) { return text ? Variant::text(*text) : Variant::null(); }
template <class T>
Variant NumberOrNull(const std::optional<T>& number) {
  return number ? Variant::int64(static_cast<std::int64_t>(*number)) : Variant::null();
}

std::vector<Column> Fields(std::initializer_list<std::pair<const char*, int>> fields) {
  std::vector<Column> out;
  for (const auto& [name, type] : fields) out.push_back({name, type});
  return out;
}

const std::vector<Column>& TablesFields() {
  static const auto fields = Fields({{"TABLE_CATALOG", adVarWChar}, {"TABLE_SCHEMA", adVarWChar},
                                     {"TABLE_NAME", adVarWChar}, {"TABLE_TYPE", adVarWChar},
                                     // This provider's own fields; the validation rule only
                                     // where the restriction names one table.
                                     {"LINK_DATABASE", adVarWChar}, {"LINK_TABLE", adVarWChar},
                                     {"VALIDATION_RULE", adVarWChar}, {"VALIDATION_TEXT", adVarWChar}});
  return fields;
}

const std::vector<Column>& ColumnsFields() {
  static const auto fields = Fields({
      {"TABLE_CATALOG", adVarWChar}, {"TABLE_SCHEMA", adVarWChar}, {"TABLE_NAME", adVarWChar},
      {"COLUMN_NAME", adVarWChar}, {"COLUMN_GUID", adGUID}, {"COLUMN_PROPID", adUnsignedInt},
      {"ORDINAL_POSITION", adUnsignedInt}, {"COLUMN_HASDEFAULT", adBoolean}, {"COLUMN_DEFAULT", adVarWChar},
      {"COLUMN_FLAGS", adUnsignedInt}, {"IS_NULLABLE", adBoolean}, {"DATA_TYPE", adUnsignedSmallInt},
      {"TYPE_GUID", adGUID}, {"CHARACTER_MAXIMUM_LENGTH", adUnsignedInt}, {"CHARACTER_OCTET_LENGTH", adUnsignedInt},
      {"NUMERIC_PRECISION", adUnsignedSmallInt}, {"NUMERIC_SCALE", adSmallInt}, {"DATETIME_PRECISION", adUnsignedInt},
      {"CHARACTER_SET_CATALOG", adVarWChar}, {"CHARACTER_SET_SCHEMA", adVarWChar}, {"CHARACTER_SET_NAME", adVarWChar},
      {"COLLATION_CATALOG", adVarWChar}, {"COLLATION_SCHEMA", adVarWChar}, {"COLLATION_NAME", adVarWChar},
      {"DOMAIN_CATALOG", adVarWChar}, {"DOMAIN_SCHEMA", adVarWChar}, {"DOMAIN_NAME", adVarWChar},
      {"DESCRIPTION", adVarWChar},
      // This provider's own fields.
      {"TYPE_NAME", adVarWChar}, {"IS_AUTOINCREMENT", adBoolean}, {"IS_COMPUTED", adBoolean},
      {"COMPUTED_EXPRESSION", adVarWChar}, {"VALIDATION_RULE", adVarWChar}, {"VALIDATION_TEXT", adVarWChar}});
  return fields;
}

const std::vector<Column>& IndexesFields() {
  static const auto fields = Fields({
      {"TABLE_CATALOG", adVarWChar}, {"TABLE_SCHEMA", adVarWChar}, {"TABLE_NAME", adVarWChar},
      {"INDEX_CATALOG", adVarWChar}, {"INDEX_SCHEMA", adVarWChar}, {"INDEX_NAME", adVarWChar},
      {"PRIMARY_KEY", adBoolean}, {"UNIQUE", adBoolean}, {"CLUSTERED", adBoolean}, {"TYPE", adUnsignedSmallInt},
      {"FILL_FACTOR", adInteger}, {"INITIAL_SIZE", adInteger}, {"NULLS", adInteger}, {"SORT_BOOKMARKS", adBoolean},
      {"AUTO_UPDATE", adBoolean}, {"NULL_COLLATION", adInteger}, {"ORDINAL_POSITION", adUnsignedInt},
      {"COLUMN_NAME", adVarWChar}, {"COLUMN_GUID", adGUID}, {"COLUMN_PROPID", adUnsignedInt},
      {"COLLATION", adSmallInt}, {"CARDINALITY", adUnsignedBigInt}, {"PAGES", adInteger},
      {"FILTER_CONDITION", adVarWChar}, {"INTEGRATED", adBoolean},
      // This provider's own field.
      {"FOREIGN_KEY", adBoolean}});
  return fields;
}

const std::vector<Column>& PrimaryKeysFields() {
  static const auto fields =
      Fields({{"TABLE_CATALOG", adVarWChar}, {"TABLE_SCHEMA", adVarWChar}, {"TABLE_NAME", adVarWChar},
              {"COLUMN_NAME", adVarWChar}, {"COLUMN_GUID", adGUID}, {"COLUMN_PROPID", adUnsignedInt},
              {"ORDINAL", adUnsignedInt}, {"PK_NAME", adVarWChar}});
  return fields;
}

const std::vector<Column>& ForeignKeysFields() {
  static const auto fields = Fields({
      {"PK_TABLE_CATALOG", adVarWChar}, {"PK_TABLE_SCHEMA", adVarWChar}, {"PK_TABLE_NAME", adVarWChar},
      {"PK_COLUMN_NAME", adVarWChar}, {"PK_COLUMN_GUID", adGUID}, {"PK_COLUMN_PROPID", adUnsignedInt},
      {"FK_TABLE_CATALOG", adVarWChar}, {"FK_TABLE_SCHEMA", adVarWChar}, {"FK_TABLE_NAME", adVarWChar},
      {"FK_COLUMN_NAME", adVarWChar}, {"FK_COLUMN_GUID", adGUID}, {"FK_COLUMN_PROPID", adUnsignedInt},
      {"ORDINAL", adUnsignedInt}, {"UPDATE_RULE", adVarWChar}, {"DELETE_RULE", adVarWChar},
      {"PK_NAME", adVarWChar}, {"FK_NAME", adVarWChar}, {"DEFERRABILITY", adSmallInt}});
  return fields;
}

// DBPROPVAL_DF_NOT_DEFERRABLE: a constraint is checked at once.
constexpr std::int64_t kNotDeferrable = 3;
// DBPROPVAL_IT_BTREE: every index here is a B-tree.
constexpr std::int64_t kBtreeIndex = 1;

Row ColumnRow(const ColumnEntry& c) {
  const Variant null = Variant::null();
  const bool text = c.dataType == adWChar || c.dataType == adVarWChar || c.dataType == adLongVarWChar;
  std::optional<std::int64_t> octets;
  if (c.maxLength) octets = text ? *c.maxLength * 2 : *c.maxLength;
  return {null, null, Variant::text(c.table), Variant::text(c.name), null, null, Variant::int64(c.ordinal),
          Variant::boolean(c.defaultText.has_value()), TextOrNull(c.defaultText), Variant::int64(c.flags),
          Variant::boolean(c.nullable), Variant::int64(c.dataType), null, NumberOrNull(c.maxLength),
          NumberOrNull(octets), NumberOrNull(c.precision), NumberOrNull(c.scale), NumberOrNull(c.datetimePrecision),
          null, null, null, null, null, null, null, null, null, null,
          Variant::text(c.typeName), Variant::boolean(c.autoIncrement), Variant::boolean(c.computed),
          TextOrNull(c.expression), TextOrNull(c.validationRule), TextOrNull(c.validationText)};
}

void AddIndexRows(const IndexEntry& index, std::vector<Row>& rows) {
  const Variant null = Variant::null();
  for (std::size_t k = 0; k < index.columns.size(); ++k) {
    const IndexEntry::Part& part = index.columns[k];
    rows.push_back({null, null, Variant::text(index.table), null, null, Variant::text(index.name),
                    Variant::boolean(index.primaryKey), Variant::boolean(index.unique), Variant::boolean(false),
                    Variant::int64(kBtreeIndex), null, null, Variant::int64(index.nulls), Variant::boolean(false),
                    Variant::boolean(true), null, Variant::int64(static_cast<std::int64_t>(k) + 1),
                    Variant::text(part.column), null, null,
                    Variant::int64(part.descending ? DB_COLLATION_DESC : DB_COLLATION_ASC), null, null, TextOrNull(index.filter),
                    Variant::boolean(index.primaryKey), Variant::boolean(index.foreignKey)});
  }
}

void AddPrimaryKeyRows(const IndexEntry& index, std::vector<Row>& rows) {
  const Variant null = Variant::null();
  for (std::size_t k = 0; k < index.columns.size(); ++k)
    rows.push_back({null, null, Variant::text(index.table), Variant::text(index.columns[k].column), null, null,
                    Variant::int64(static_cast<std::int64_t>(k) + 1),
                    index.name.empty() ? null : Variant::text(index.name)});
}

void AddForeignKeyRows(const ForeignKeyEntry& key, std::vector<Row>& rows) {
  const Variant null = Variant::null();
  for (std::size_t k = 0; k < key.columns.size() && k < key.referencedColumns.size(); ++k)
    rows.push_back({null, null, Variant::text(key.referencedTable), Variant::text(key.referencedColumns[k]), null,
                    null, null, null, Variant::text(key.table), Variant::text(key.columns[k]), null, null,
                    Variant::int64(static_cast<std::int64_t>(k) + 1), Variant::text(key.updateRule),
                    Variant::text(key.deleteRule),
                    key.referencedKeyName.empty() ? null : Variant::text(key.referencedKeyName),
                    Variant::text(key.name), Variant::int64(kNotDeferrable)});
}

// The restriction at `position`, as text; nullopt when there is none.
std::optional<std::string> Restriction(const std::vector<Variant>& restrictions, std::size_t position) {
  if (position >= restrictions.size() || restrictions[position].isEmpty() || restrictions[position].isNull())
    return std::nullopt;
  return restrictions[position].toText();
}

// Keeps the rows whose fields match every restriction: restriction i applies to field fieldOf[i].
void Restrict(std::vector<Row>& rows, const std::vector<Variant>& restrictions, const std::vector<int>& fieldOf) {
  for (std::size_t i = 0; i < fieldOf.size(); ++i) {
    const auto wanted = Restriction(restrictions, i);
    if (!wanted) continue;
    const int field = fieldOf[i];
    std::erase_if(rows, [&](const Row& row) { return !SameName(row[field].toText(), *wanted); });
  }
}

// The tables whose columns and indexes are listed: one when restricted to it, else every table
// (and, for the columns, every view).
std::vector<std::string> TablesFor(Session& session, const std::optional<std::string>& table, bool views = false) {
  std::vector<std::string> names;
  for (const TableEntry& entry : session.tables()) {
    if (entry.type != "TABLE" && entry.type != "SYSTEM TABLE" && !(views && entry.type == "VIEW")) continue;
    if (table && !SameName(entry.name, *table)) continue;
    names.push_back(entry.name);
  }
  return names;
}

bool ByTableThen(const Row& a, const Row& b, int tableField, int nameField, int ordinalField) {
  const auto lower = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  };
  const std::string ta = lower(a[tableField].toText()), tb = lower(b[tableField].toText());
  if (ta != tb) return ta < tb;
  const std::string na = lower(a[nameField].toText()), nb = lower(b[nameField].toText());
  if (na != nb) return na < nb;
  return a[ordinalField].asInt64() < b[ordinalField].asInt64();
}

}  // namespace

std::unique_ptr<Cursor> SchemaCursor(Session& session, int schema, const std::vector<Variant>& restrictions) {
  std::vector<Row> rows;
  switch (schema) {
    case adSchemaTables: {
      const Variant null = Variant::null();
      for (const TableEntry& entry : session.tables())
        rows.push_back({null, null, Variant::text(entry.name), Variant::text(entry.type),
                        entry.linkDatabase.empty() ? null : Variant::text(entry.linkDatabase),
                        entry.linkTable.empty() ? null : Variant::text(entry.linkTable), null, null});
      Restrict(rows, restrictions, {0, 1, 2, 3});
      // A table's properties are read only when it is asked for by name: the whole list
      // would read every table's.
      if (Restriction(restrictions, 2)) {
        for (Row& row : rows) {
          if (row[3].toText() != "TABLE") continue;
          const TableValidation validation = session.tableValidation(row[2].toText());
          row[6] = TextOrNull(validation.rule);
          row[7] = TextOrNull(validation.text);
        }
      }
      return std::make_unique<RowsCursor>(TablesFields(), std::move(rows));
    }
    case adSchemaColumns: {
      for (const std::string& table : TablesFor(session, Restriction(restrictions, 2), true))
        for (const ColumnEntry& column : session.columns(table)) rows.push_back(ColumnRow(column));
      Restrict(rows, restrictions, {0, 1, 2, 3});
      std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return ByTableThen(a, b, 2, 3, 6); });
      return std::make_unique<RowsCursor>(ColumnsFields(), std::move(rows));
    }
    case adSchemaIndexes:
    case adSchemaPrimaryKeys: {
      const bool keys = schema == adSchemaPrimaryKeys;
      for (const std::string& table : TablesFor(session, Restriction(restrictions, keys ? 2 : 4)))
        for (const IndexEntry& index : session.indexes(table)) {
          if (!keys) AddIndexRows(index, rows);
          else if (index.primaryKey) AddPrimaryKeyRows(index, rows);
        }
      if (keys) {
        Restrict(rows, restrictions, {0, 1, 2});
        return std::make_unique<RowsCursor>(PrimaryKeysFields(), std::move(rows));
      }
      Restrict(rows, restrictions, {3, 4, 5, 9, 2});
      std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return ByTableThen(a, b, 2, 5, 16); });
      return std::make_unique<RowsCursor>(IndexesFields(), std::move(rows));
    }
    case adSchemaForeignKeys: {
      for (const std::string& table : TablesFor(session, Restriction(restrictions, 5)))
        for (const ForeignKeyEntry& key : session.foreignKeys(table)) AddForeignKeyRows(key, rows);
      Restrict(rows, restrictions, {0, 1, 2, 6, 7, 8});
      return std::make_unique<RowsCursor>(ForeignKeysFields(), std::move(rows));
    }
    default:
      throw Error(adErrFeatureNotAvailable,
                  "Schema " + std::to_string(schema) +
                      " is not supported; the tables (20), columns (4), indexes (12), primary keys (28) and "
                      "foreign keys (27) schemas are.");
  }
}

}  // namespace ado
