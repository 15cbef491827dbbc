#include "ado/access/AccessSchema.h"

#include "ado/Constants.h"
#include "ado/Error.h"
#include "jet/TableSchema.h"

#include <algorithm>

namespace ado::access {

namespace {

// CHARACTER_MAXIMUM_LENGTH of Memo and OLE Object, as the providers report them.
constexpr std::int64_t kMemoCharacters = 536870910;
constexpr std::int64_t kOleBytes = 1073741823;

[[noreturn]] void Fail(const jet::Status& status, jet::Database& db, const std::string& table) {
  throw Error(adErrProviderFailed, "Cannot read the design of table \"" + table + "\" in the Access database \"" +
                                       db.fileName() + "\": " + status.message() + ".");
}

std::shared_ptr<const jet::TableDef> DefinitionOf(jet::Database& db, const std::string& table) {
  auto def = db.tableDef(table);
  if (!def.ok()) Fail(def.status(), db, table);
  return def.value();
}

int OleDbTypeOf(jet::ColumnType type) {
  using jet::ColumnType;
  switch (type) {
    case ColumnType::kBoolean: return adBoolean;
    case ColumnType::kByte: return adUnsignedTinyInt;
    case ColumnType::kInteger: return adSmallInt;
    case ColumnType::kLong: return adInteger;
    case ColumnType::kCurrency: return adCurrency;
    case ColumnType::kFloat: return adSingle;
    case ColumnType::kDouble: return adDouble;
    case ColumnType::kDateTime: return adDate;
    case ColumnType::kBinary:
    case ColumnType::kOle: return adBinary;
    case ColumnType::kGuid: return adGUID;
    case ColumnType::kNumeric: return adNumeric;
    case ColumnType::kBigInt: return adBigInt;
    case ColumnType::kDateTimeExtended: return adDBTimeStamp;
    default: return adWChar;  // Text, Memo, complex columns (shown as text)
  }
}

std::optional<int> PrecisionOf(const jet::ColumnDef& column) {
  using jet::ColumnType;
  switch (column.valueType()) {
    case ColumnType::kByte: return 3;
    case ColumnType::kInteger: return 5;
    case ColumnType::kLong: return 10;
    case ColumnType::kFloat: return 7;
    case ColumnType::kDouble: return 15;
    case ColumnType::kCurrency:
    case ColumnType::kBigInt: return 19;
    case ColumnType::kNumeric: return column.calculated() ? 28 : column.precision;  // a calculated one keeps none
    default: return std::nullopt;
  }
}

}  // namespace

std::string AccessTypeName(const jet::ColumnDef& column) {
  using jet::ColumnType;
  switch (column.type()) {
    case ColumnType::kBoolean: return "Yes/No";
    case ColumnType::kByte: return "Byte";
    case ColumnType::kInteger: return "Integer";
    case ColumnType::kLong: return column.autoNumber() ? "AutoNumber" : "Long Integer";
    case ColumnType::kCurrency: return "Currency";
    case ColumnType::kFloat: return "Single";
    case ColumnType::kDouble: return "Double";
    case ColumnType::kDateTime: return "Date/Time";
    case ColumnType::kBinary: return "Binary";
    case ColumnType::kText: return "Text";
    case ColumnType::kOle: return "OLE Object";
    case ColumnType::kMemo: return "Memo";
    case ColumnType::kGuid: return "Replication ID";
    case ColumnType::kNumeric: return "Decimal";
    case ColumnType::kComplex: return "Attachment or multiple values";
    case ColumnType::kBigInt: return "Large Number";
    case ColumnType::kDateTimeExtended: return "Date/Time Extended";
    default: return "Unknown type " + std::to_string(column.typeCode);
  }
}

std::vector<ColumnEntry> SchemaColumns(jet::Database& db, const std::string& table) {
  using jet::ColumnType;
  // A stored query (a view) has no table definition; its columns are not known here.
  if (!db.catalog().findTable(table)) return {};
  const auto def = DefinitionOf(db, table);
  auto blocks = jet::ReadTableProperties(db, *def);
  if (!blocks.ok()) Fail(blocks.status(), db, table);
  const bool jet3 = db.header().jet3();
  std::vector<ColumnEntry> out;
  int ordinal = 0;
  for (const jet::ColumnDef* column : def->columnsByNumber()) {
    const jet::ColumnProperties properties = jet::ColumnPropertiesOf(*blocks, column->name, jet3, db.header().codePage);
    const ColumnType type = column->valueType();
    ColumnEntry entry;
    entry.table = def->name;
    entry.name = column->name;
    entry.ordinal = ++ordinal;
    entry.dataType = OleDbTypeOf(type);
    entry.typeName = AccessTypeName(*column);
    // Only Long Integer and Replication ID columns count: other kinds may carry the flag bits.
    entry.autoIncrement =
        column->autoNumber() && (column->type() == ColumnType::kLong || column->type() == ColumnType::kGuid);
    entry.nullable = !properties.required && !entry.autoIncrement && column->type() != ColumnType::kBoolean;
    entry.flags = DBCOLUMNFLAGS_MAYDEFER | DBCOLUMNFLAGS_WRITEUNKNOWN;
    if (jet::FixedTypeSize(type) > 0 || type == ColumnType::kBoolean) entry.flags |= DBCOLUMNFLAGS_ISFIXEDLENGTH;
    if (jet::IsLongValueType(column->type()) || column->type() == ColumnType::kComplex)
      entry.flags |= DBCOLUMNFLAGS_ISLONG;
    if (entry.nullable) entry.flags |= DBCOLUMNFLAGS_ISNULLABLE | DBCOLUMNFLAGS_MAYBENULL;
    // A calculated value's wrapper counts in its column's length.
    const int length = column->calculated() ? std::max(0, column->length - jet::kCalculatedWrapperSize) : column->length;
    switch (column->type()) {
      case ColumnType::kText: entry.maxLength = jet3 ? length : length / 2; break;
      case ColumnType::kBinary: entry.maxLength = length; break;
      case ColumnType::kMemo: entry.maxLength = kMemoCharacters; break;
      case ColumnType::kOle: entry.maxLength = kOleBytes; break;
      default: break;
    }
    entry.precision = PrecisionOf(*column);
    if (type == ColumnType::kNumeric) entry.scale = column->scale;
    if (type == ColumnType::kDateTime) entry.datetimePrecision = 0;
    if (type == ColumnType::kDateTimeExtended) entry.datetimePrecision = 7;
    entry.defaultText = properties.defaultValue;
    entry.computed = column->calculated();
    entry.expression = properties.expression;
    entry.validationRule = properties.validationRule;
    entry.validationText = properties.validationText;
    out.push_back(std::move(entry));
  }
  return out;
}

TableValidation SchemaTableValidation(jet::Database& db, const std::string& table) {
  if (!db.catalog().findTable(table)) return {};
  // A damaged definition or damaged properties fail the columns schema of the table, which
  // names them; the table list, which asks here too, still lists the table.
  std::shared_ptr<const jet::TableDef> def;
  try {
    def = DefinitionOf(db, table);
  } catch (const Error&) {
    return {};
  }
  auto blocks = jet::ReadTableProperties(db, *def);
  if (!blocks.ok()) return {};
  // The table's own block is the one named "", which no column can be.
  jet::ColumnProperties own = jet::ColumnPropertiesOf(*blocks, "", db.header().jet3(), db.header().codePage);
  return {std::move(own.validationRule), std::move(own.validationText)};
}

std::vector<IndexEntry> SchemaIndexes(jet::Database& db, const std::string& table) {
  const auto def = DefinitionOf(db, table);
  std::vector<IndexEntry> out;
  for (const jet::LogicalIndex& logical : jet::LogicalIndexesOf(*def)) {
    IndexEntry entry;
    entry.table = def->name;
    entry.name = logical.name;
    entry.primaryKey = logical.primaryKey;
    entry.unique = logical.unique || logical.primaryKey;
    entry.foreignKey = logical.foreignKey;
    entry.nulls = logical.required ? DBPROPVAL_IN_DISALLOWNULL : logical.ignoreNulls ? DBPROPVAL_IN_IGNORENULL : 0;
    for (const auto& part : logical.columns) entry.columns.push_back({part.column, !part.ascending});
    out.push_back(std::move(entry));
  }
  return out;
}

std::vector<ForeignKeyEntry> SchemaForeignKeys(jet::Database& db, const std::string& table) {
  const auto def = DefinitionOf(db, table);
  auto relationships = jet::ReadRelationships(db);
  if (!relationships.ok()) Fail(relationships.status(), db, table);
  std::vector<ForeignKeyEntry> out;
  for (const jet::Relationship& r : *relationships) {
    if (!r.enforced() || !jet::EqualsIgnoreCase(r.table, def->name)) continue;
    ForeignKeyEntry key;
    key.name = r.name;
    key.table = r.table;
    key.referencedTable = r.referencedTable;
    key.columns = r.columns;
    key.referencedColumns = r.referencedColumns;
    key.updateRule = (r.flags & jet::kRelationCascadeUpdates) ? "CASCADE" : "NO ACTION";
    key.deleteRule = (r.flags & jet::kRelationCascadeDeletes) ? "CASCADE"
                     : (r.flags & jet::kRelationCascadeNull)  ? "SET NULL"
                                                              : "NO ACTION";
    // The referenced table's primary key, when the relationship refers to exactly its columns.
    if (db.catalog().findTable(r.referencedTable)) {
      for (const IndexEntry& index : SchemaIndexes(db, r.referencedTable)) {
        if (!index.primaryKey || index.columns.size() != r.referencedColumns.size()) continue;
        bool same = true;
        for (std::size_t k = 0; k < index.columns.size(); ++k)
          same = same && jet::EqualsIgnoreCase(index.columns[k].column, r.referencedColumns[k]);
        if (same) key.referencedKeyName = index.name;
      }
    }
    out.push_back(std::move(key));
  }
  return out;
}

}  // namespace ado::access
