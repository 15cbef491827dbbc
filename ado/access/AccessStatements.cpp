#include "ado/access/AccessStatements.h"

#include "ado/access/ColumnDefaults.h"
#include "ado/access/LiteralConversion.h"

#include <random>

namespace ado::access {
namespace {

jet::Status Named(const jet::Status& status, const jet::Where& where) {
  if (status.ok()) return status;
  return jet::Status(status.code(), where, status.message());
}

// INSERT INTO t (columns) VALUES (...): the row in column-number order. A column the list
// leaves out takes its default when that is a constant, else Null (an AutoNumber is then
// numbered by the engine, a Required column refused there).
jet::Result<std::vector<jet::Value>> ValuesForColumnList(const std::vector<std::string>& names, size_t count,
                                                         const InsertValueOf& valueOf,
                                                         const std::vector<const jet::ColumnDef*>& columns,
                                                         const jet::JetFormat& format, const jet::Where& where) {
  std::vector<std::optional<jet::Value>> given(columns.size());
  for (size_t k = 0; k < names.size() && k < count; ++k) {
    size_t at = 0;
    while (at < columns.size() && !jet::EqualsIgnoreCase(columns[at]->name, names[k])) ++at;
    if (at == columns.size()) {
      return jet::Status(jet::ErrorCode::kNotFound, jet::Where::File(where.file),
                         where.within + " has no column named " + names[k]);
    }
    auto value = valueOf(k, AccessColumnTypeOf(*columns[at], format), columns[at]->name);
    if (!value.ok()) return value.status().Within(where);
    given[at] = std::move(value.value());
  }
  std::vector<jet::Value> row;
  row.reserve(columns.size());
  for (size_t at = 0; at < columns.size(); ++at) {
    if (given[at]) {
      row.push_back(std::move(*given[at]));
      continue;
    }
    std::optional<SqlLiteral> constant;
    if (columns[at]->defaultValue && !columns[at]->autoNumber()) constant = ConstantOfDefault(*columns[at]->defaultValue);
    if (!constant) {
      row.push_back(jet::Null{});
      continue;
    }
    auto value = ConvertLiteral(*constant, AccessColumnTypeOf(*columns[at], format), columns[at]->name);
    if (!value.ok()) {
      return jet::Status(value.status().code(), where,
                         "the default " + *columns[at]->defaultValue + " of " + value.status().message());
    }
    row.push_back(std::move(value.value()));
  }
  return row;
}

// The name of an unnamed UNIQUE constraint's index: "Index_" and 16 random hex digits in
// three groups, unique within the table in practice.
std::string GeneratedIndexName() {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::random_device random;
  std::string name = "Index_";
  for (int i = 0; i < 16; ++i) {
    if (i == 8 || i == 12) name += '_';
    name += kDigits[random() % 16];
  }
  return name;
}

// The indexes of CREATE TABLE's keys, as Access names them.
std::vector<jet::NewIndex> IndexesOfKeys(const std::vector<SqlKeyConstraint>& keys) {
  std::vector<jet::NewIndex> out;
  for (const auto& key : keys) {
    jet::NewIndex index;
    index.name = !key.name.empty() ? key.name : key.primaryKey ? "PrimaryKey" : GeneratedIndexName();
    for (const auto& c : key.columns) index.columns.push_back({c, true});
    index.primaryKey = key.primaryKey;
    index.unique = true;
    out.push_back(std::move(index));
  }
  return out;
}

jet::NewIndex IndexOf(const CreateIndexStatement& create) {
  jet::NewIndex index;
  index.name = create.index;
  for (const auto& c : create.columns) index.columns.push_back({c.name, c.ascending});
  index.unique = create.unique;
  index.primaryKey = create.with == CreateIndexStatement::With::kPrimary;
  index.required = create.with == CreateIndexStatement::With::kDisallowNull;
  index.ignoreNulls = create.with == CreateIndexStatement::With::kIgnoreNull;
  return index;
}

}  // namespace

AccessColumnType AccessColumnTypeOf(const jet::ColumnDef& column, const jet::JetFormat& format) {
  AccessColumnType t;
  t.type = column.valueType();
  t.calculated = column.calculated();
  // A calculated value's wrapper counts in its column's length.
  const uint16_t length = column.calculated() && column.length >= jet::kCalculatedWrapperSize
                              ? static_cast<uint16_t>(column.length - jet::kCalculatedWrapperSize)
                              : column.length;
  // Text sizes are stored in bytes: two a character in Jet4/ACE, one in Access 97 files.
  if (t.type == jet::ColumnType::kText) t.length = static_cast<uint16_t>(length / (format.jet3 ? 1 : 2));
  if (t.type == jet::ColumnType::kBinary) t.length = length;
  if (t.type == jet::ColumnType::kNumeric) {
    // A calculated decimal keeps no precision or scale of its own: each value has its scale.
    t.precision = column.calculated() ? kMaxDecimalPrecision : column.precision;
    t.scale = column.scale;
  }
  return t;
}

jet::Status ExecuteAccessStatement(jet::WriteSession& session, AccessStatement&& statement) {
  const std::string& fileName = session.database().fileName();
  if (const auto* create = std::get_if<CreateTableStatement>(&statement)) {
    JET_RETURN_IF_ERROR(Named(CheckAccessObjectName(create->table, "table"), jet::Where::File(fileName)));
    std::vector<jet::NewColumn> columns;
    for (const auto& c : create->columns) {
      JET_RETURN_IF_ERROR(Named(CheckAccessObjectName(c.name, "column"), jet::Where::File(fileName)));
      jet::NewColumn column{c.name, c.type.type, c.type.length, c.type.precision, c.type.scale};
      if (c.type.autoIncrement) column.autoNumber = jet::AutoNumber::kIncrement;
      column.required = c.notNull;
      column.validationRule = c.validationRule;
      column.validationText = c.validationText;
      column.expression = c.expression;
      if (c.defaultClock) column.defaultValue = *c.defaultClock;
      if (c.defaultValue) {
        // A default the column could not store is refused now, not at the first insert.
        auto value = ConvertLiteral(*c.defaultValue, c.type, c.name);
        if (!value.ok()) return Named(value.status(), jet::Where::Table(fileName, create->table) + ", DEFAULT");
        auto expression = DefaultExpression(*c.defaultValue, c.name);
        if (!expression.ok()) return Named(expression.status(), jet::Where::Table(fileName, create->table));
        column.defaultValue = std::move(expression.value());
      }
      columns.push_back(std::move(column));
    }
    return session.createTable(create->table, columns, IndexesOfKeys(create->keys),
                               jet::NewTableProperties{create->validationRule, create->validationText});
  }
  if (const auto* create = std::get_if<CreateIndexStatement>(&statement)) {
    JET_RETURN_IF_ERROR(Named(CheckAccessObjectName(create->index, "index"), jet::Where::File(fileName)));
    return session.createIndex(create->table, IndexOf(*create));
  }
  if (auto* key = std::get_if<AddForeignKeyStatement>(&statement)) {
    jet::NewRelationship relationship;
    relationship.name = std::move(key->name);
    relationship.table = std::move(key->table);
    relationship.columns = std::move(key->columns);
    relationship.referencedTable = std::move(key->referencedTable);
    relationship.referencedColumns = std::move(key->referencedColumns);
    relationship.cascadeUpdates = key->cascadeUpdates;
    relationship.cascadeDeletes = key->cascadeDeletes;
    return session.createRelationship(relationship);
  }
  if (auto* insert = std::get_if<InsertStatement>(&statement))
    return ExecuteAccessInsert(session, insert->table, insert->columns, std::move(insert->values));
  if (const auto* drop = std::get_if<DropTableStatement>(&statement)) return session.dropTable(drop->table);
  if (const auto* view = std::get_if<CreateViewStatement>(&statement)) return session.createQuery(view->name, view->select);
  if (const auto* copy = std::get_if<SelectIntoStatement>(&statement)) {
    JET_RETURN_IF_ERROR(Named(CheckAccessObjectName(copy->target, "table"), jet::Where::File(fileName)));
    return session.copyTable(copy->source, copy->target);
  }
  return jet::Status::InvalidArgument(jet::Where::File(fileName),
                                      "SELECT returns rows; open it as a recordset instead of executing it");
}

jet::Status ExecuteAccessInsert(jet::WriteSession& session, const std::string& table,
                                const std::vector<std::string>& columnList, std::vector<SqlLiteral>&& literals) {
  return ExecuteAccessInsert(session, table, columnList, literals.size(),
                             [&](size_t k, const AccessColumnType& type, std::string_view column) {
                               return ConvertLiteral(std::move(literals[k]), type, column);
                             });
}

jet::Status ExecuteAccessInsert(jet::WriteSession& session, const std::string& table,
                                const std::vector<std::string>& columnList, size_t count, const InsertValueOf& valueOf) {
  const std::string& fileName = session.database().fileName();
  JET_ASSIGN_OR_RETURN(auto byNumber, session.insertColumns(table));
  const auto& columns = *byNumber;
  // The table's own spelling, for messages.
  auto tableName = [&]() -> std::string {
    const jet::CatalogEntry* entry = session.database().catalog().findTable(table);
    return entry ? entry->name : table;
  };
  if (!columnList.empty()) {
    auto values = ValuesForColumnList(columnList, count, valueOf, columns, session.database().file().format(),
                                      jet::Where::Table(fileName, tableName()));
    if (!values.ok()) return values.status();
    return session.insert(table, std::move(values.value()));
  }
  if (count != columns.size()) {
    return jet::Status::InvalidArgument(
        jet::Where::File(fileName), "table " + tableName() + " has " + std::to_string(columns.size()) +
                                        " columns, the INSERT gives " + std::to_string(count) + " values");
  }
  const jet::JetFormat& format = session.database().file().format();
  std::vector<jet::Value> values;
  values.reserve(columns.size());
  for (size_t k = 0; k < columns.size(); ++k) {
    auto value = valueOf(k, AccessColumnTypeOf(*columns[k], format), columns[k]->name);
    if (!value.ok()) {
      return value.status().Within(jet::Where::Table(fileName, tableName()));
    }
    values.push_back(std::move(value.value()));
  }
  return session.insert(table, std::move(values));
}

jet::Status ExecuteAccessSql(jet::WriteSession& session, std::string_view sql) {
  JET_ASSIGN_OR_RETURN(auto statement, ParseAccessSql(sql));
  return ExecuteAccessStatement(session, std::move(statement));
}

}  // namespace ado::access
