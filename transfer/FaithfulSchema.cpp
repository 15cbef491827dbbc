#include "transfer/FaithfulSchema.h"

#include "ado/Constants.h"

#include <QString>
#include <algorithm>

namespace transfer {

namespace {

bool SameName(const std::string& a, const std::string& b) {
  return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

std::optional<std::string> Text(const ado::Field& field) {
  const ado::Variant value = field.Value();
  if (value.isNull() || value.isEmpty()) return std::nullopt;
  return value.toText();
}
std::string TextOrEmpty(const ado::Field& field) { return Text(field).value_or(std::string()); }
template <class T>
std::optional<T> Number(const ado::Field& field) {
  const ado::Variant value = field.Value();
  if (!value.isInteger()) return std::nullopt;
  return static_cast<T>(value.asInt64());
}
bool Flag(const ado::Field& field) {
  const ado::Variant value = field.Value();
  return value.kind() == ado::Variant::Kind::Boolean && value.asBoolean();
}

}  // namespace

const ado::IndexEntry* TableDesign::primaryKey() const {
  for (const auto& index : indexes)
    if (index.primaryKey) return &index;
  return nullptr;
}

const ado::ColumnEntry* TableDesign::column(const std::string& name) const {
  for (const auto& c : columns)
    if (SameName(c.name, name)) return &c;
  return nullptr;
}

TableDesign ReadTableDesign(ado::Connection& connection, const std::string& table) {
  TableDesign design;
  design.name = table;
  const ado::Variant none;
  const ado::Variant name = ado::Variant::text(table);

  ado::Recordset own = connection.OpenSchema(ado::adSchemaTables, {none, none, name});
  if (!own.Eof()) {
    design.validationRule = Text(own.Fields()["VALIDATION_RULE"]);
    design.validationText = Text(own.Fields()["VALIDATION_TEXT"]);
  }

  ado::Recordset columns = connection.OpenSchema(ado::adSchemaColumns, {none, none, name});
  for (; !columns.Eof(); columns.MoveNext()) {
    const ado::FieldCollection f = columns.Fields();
    ado::ColumnEntry c;
    c.table = TextOrEmpty(f["TABLE_NAME"]);
    c.name = TextOrEmpty(f["COLUMN_NAME"]);
    c.ordinal = Number<int>(f["ORDINAL_POSITION"]).value_or(0);
    c.dataType = Number<int>(f["DATA_TYPE"]).value_or(0);
    c.flags = Number<unsigned>(f["COLUMN_FLAGS"]).value_or(0);
    c.nullable = Flag(f["IS_NULLABLE"]);
    if (Flag(f["COLUMN_HASDEFAULT"])) c.defaultText = Text(f["COLUMN_DEFAULT"]);
    c.maxLength = Number<std::int64_t>(f["CHARACTER_MAXIMUM_LENGTH"]);
    c.precision = Number<int>(f["NUMERIC_PRECISION"]);
    c.scale = Number<int>(f["NUMERIC_SCALE"]);
    c.datetimePrecision = Number<int>(f["DATETIME_PRECISION"]);
    c.typeName = TextOrEmpty(f["TYPE_NAME"]);
    c.autoIncrement = Flag(f["IS_AUTOINCREMENT"]);
    c.computed = Flag(f["IS_COMPUTED"]);
    c.expression = Text(f["COMPUTED_EXPRESSION"]);
    c.validationRule = Text(f["VALIDATION_RULE"]);
    c.validationText = Text(f["VALIDATION_TEXT"]);
    design.columns.push_back(std::move(c));
  }
  std::stable_sort(design.columns.begin(), design.columns.end(),
                   [](const ado::ColumnEntry& a, const ado::ColumnEntry& b) { return a.ordinal < b.ordinal; });

  ado::Recordset indexes = connection.OpenSchema(ado::adSchemaIndexes, {none, none, none, none, name});
  for (; !indexes.Eof(); indexes.MoveNext()) {
    const ado::FieldCollection f = indexes.Fields();
    const std::string indexName = TextOrEmpty(f["INDEX_NAME"]);
    const int position = Number<int>(f["ORDINAL_POSITION"]).value_or(1);
    // Rows of one index are adjacent, its columns in order from 1.
    if (position == 1 || design.indexes.empty() || design.indexes.back().name != indexName) {
      ado::IndexEntry index;
      index.table = TextOrEmpty(f["TABLE_NAME"]);
      index.name = indexName;
      index.primaryKey = Flag(f["PRIMARY_KEY"]);
      index.unique = Flag(f["UNIQUE"]);
      index.foreignKey = Flag(f["FOREIGN_KEY"]);
      index.nulls = Number<int>(f["NULLS"]).value_or(0);
      index.filter = Text(f["FILTER_CONDITION"]);
      design.indexes.push_back(std::move(index));
    }
    design.indexes.back().columns.push_back(
        {TextOrEmpty(f["COLUMN_NAME"]), Number<int>(f["COLLATION"]).value_or(ado::DB_COLLATION_ASC) == ado::DB_COLLATION_DESC});
  }

  ado::Recordset keys = connection.OpenSchema(ado::adSchemaForeignKeys, {none, none, none, none, none, name});
  for (; !keys.Eof(); keys.MoveNext()) {
    const ado::FieldCollection f = keys.Fields();
    const std::string keyName = TextOrEmpty(f["FK_NAME"]);
    if (Number<int>(f["ORDINAL"]).value_or(1) == 1 || design.foreignKeys.empty() ||
        design.foreignKeys.back().name != keyName) {
      ado::ForeignKeyEntry key;
      key.name = keyName;
      key.table = TextOrEmpty(f["FK_TABLE_NAME"]);
      key.referencedTable = TextOrEmpty(f["PK_TABLE_NAME"]);
      key.updateRule = TextOrEmpty(f["UPDATE_RULE"]);
      key.deleteRule = TextOrEmpty(f["DELETE_RULE"]);
      key.referencedKeyName = TextOrEmpty(f["PK_NAME"]);
      design.foreignKeys.push_back(std::move(key));
    }
    design.foreignKeys.back().columns.push_back(TextOrEmpty(f["FK_COLUMN_NAME"]));
    design.foreignKeys.back().referencedColumns.push_back(TextOrEmpty(f["PK_COLUMN_NAME"]));
  }
  return design;
}

}  // namespace transfer
