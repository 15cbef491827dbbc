#include "jet/index/TableIndexes.h"

namespace jet::index {
namespace {

bool IsNullValue(const KeyColumn& col, const KeyValue& v) {
  // Yes/No is never null in an index.
  return col.type != KeyColumnType::kYesNo && std::holds_alternative<std::monostate>(v);
}

}  // namespace

Result<KeyColumn> MakeKeyColumn(uint8_t typeCode, TextSortBytes sort, bool jet3, bool ascending,
                                const std::string& columnName, uint8_t decimalScale, bool legacyDecimal) {
  KeyColumn col;
  col.ascending = ascending;
  switch (typeCode) {
    case 0x01: col.type = KeyColumnType::kYesNo; return col;
    case 0x02: col.type = KeyColumnType::kByte; return col;
    case 0x03: col.type = KeyColumnType::kInteger; return col;
    case 0x04: col.type = KeyColumnType::kLong; return col;
    case 0x05: col.type = KeyColumnType::kCurrency; return col;
    case 0x06: col.type = KeyColumnType::kSingle; return col;
    case 0x07: col.type = KeyColumnType::kDouble; return col;
    case 0x08: col.type = KeyColumnType::kDateTime; return col;
    case 0x09: col.type = KeyColumnType::kBinary; return col;
    case 0x0F: col.type = KeyColumnType::kGuid; return col;
    case 0x10:
      col.type = KeyColumnType::kDecimal;
      col.scale = decimalScale;
      col.legacyDecimal = legacyDecimal;
      return col;
    case 0x13: col.type = KeyColumnType::kBigInt; return col;
    case 0x0A:
    case 0x0C: {
      Result<TextSortOrder> order = ResolveTextSortOrder(sort.langId, sort.sortId, sort.version, jet3);
      if (!order.ok()) return Status(ErrorCode::kUnsupported, "column " + columnName + ": " + order.status().message());
      col.type = KeyColumnType::kText;
      col.sortOrder = *order;
      return col;
    }
    default: break;
  }
  return Status(ErrorCode::kUnsupported, "column " + columnName + " has a type (code " + std::to_string(typeCode) +
                                             ") whose index keys are not supported; the table can be read but not changed");
}

TableIndexes::TableIndexes(IndexPageStore& store, const IndexPageLayout& layout, uint32_t tdefPage,
                           std::string tableName, std::vector<IndexSpec> indexes)
    : store_(store), layout_(layout), tdefPage_(tdefPage), tableName_(std::move(tableName)), indexes_(std::move(indexes)) {}

std::string TableIndexes::where(const IndexSpec& index) const { return "table " + tableName_ + ", index " + index.name; }

Result<std::vector<TableIndexes::PreparedKey>> TableIndexes::prepare(std::span<const KeyValue> values,
                                                                     bool forInsert) const {
  std::vector<PreparedKey> prepared;
  for (const IndexSpec& index : indexes_) {
    PreparedKey p;
    std::vector<KeyColumn> cols;
    std::vector<KeyValue> vals;
    size_t nulls = 0;
    for (const IndexColumnSpec& c : index.columns) {
      if (c.columnNumber >= values.size()) {
        return Status(ErrorCode::kInvalidArgument, where(index) + ": no value for column " + c.columnName);
      }
      const KeyValue& v = values[c.columnNumber];
      if (IsNullValue(c.key, v)) {
        ++nulls;
        if (forInsert && (index.primaryKey || (index.flags & kIndexRequired))) {
          return Status(ErrorCode::kInvalidArgument, where(index) + ": column " + c.columnName + " may not be empty");
        }
      }
      cols.push_back(c.key);
      vals.push_back(v);
    }
    p.allNull = nulls == index.columns.size();
    p.skip = p.allNull && (index.flags & kIndexIgnoreNulls);
    if (!p.skip) {
      Result<std::vector<uint8_t>> key = EncodeIndexKey(cols, vals);
      if (!key.ok()) return Status(key.status().code(), where(index) + ": " + key.status().message());
      p.key = std::move(key.value());
    }
    prepared.push_back(std::move(p));
  }
  return prepared;
}

Result<std::vector<bool>> TableIndexes::addRow(std::span<const KeyValue> values, RowPointer row) {
  JET_ASSIGN_OR_RETURN(std::vector<PreparedKey> prepared, prepare(values, true));
  // Every unique constraint is checked before any index changes.
  for (size_t i = 0; i < indexes_.size(); ++i) {
    const IndexSpec& index = indexes_[i];
    const PreparedKey& p = (prepared)[i];
    const bool unique = index.primaryKey || (index.flags & kIndexUnique);
    if (p.skip || !unique || p.allNull) continue;
    IndexTree tree(store_, layout_, index.rootPage, tdefPage_, tableName_ + "." + index.name);
    JET_ASSIGN_OR_RETURN(std::vector<RowPointer> existing, tree.find(p.key));
    if (!existing.empty()) {
      return Status(ErrorCode::kExists, where(index) + ": another row has the same value (values must be unique; "
                                                       "text is compared without regard to case)");
    }
  }
  std::vector<bool> newKeys;
  for (size_t i = 0; i < indexes_.size(); ++i) {
    const IndexSpec& index = indexes_[i];
    const PreparedKey& p = (prepared)[i];
    if (p.skip) {
      newKeys.push_back(false);
      continue;
    }
    IndexTree tree(store_, layout_, index.rootPage, tdefPage_, tableName_ + "." + index.name);
    Result<bool> isNew = tree.insert(IndexEntry{p.key, row, 0}, false);
    if (!isNew.ok()) return Status(isNew.status().code(), where(index) + ": " + isNew.status().message());
    newKeys.push_back(*isNew);
  }
  return newKeys;
}

Status TableIndexes::removeRow(std::span<const KeyValue> values, RowPointer row) {
  JET_ASSIGN_OR_RETURN(std::vector<PreparedKey> prepared, prepare(values, false));
  for (size_t i = 0; i < indexes_.size(); ++i) {
    const PreparedKey& p = (prepared)[i];
    if (p.skip) continue;
    IndexTree tree(store_, layout_, indexes_[i].rootPage, tdefPage_, tableName_ + "." + indexes_[i].name);
    Status st = tree.remove(IndexEntry{p.key, row, 0});
    if (!st.ok()) return Status(st.code(), where(indexes_[i]) + ": " + st.message());
  }
  return Status::Ok();
}

Result<std::vector<IndexTreeReport>> TableIndexes::check() {
  std::vector<IndexTreeReport> reports;
  for (const IndexSpec& index : indexes_) {
    IndexTreeCheck c;
    c.rootPage = index.rootPage;
    c.tdefPage = tdefPage_;
    c.unique = index.primaryKey || (index.flags & kIndexUnique);
    c.columnCount = index.columns.size();
    c.name = tableName_ + "." + index.name;
    JET_ASSIGN_OR_RETURN(IndexTreeReport r, ValidateIndexTree(store_, layout_, c));
    reports.push_back(std::move(r));
  }
  return reports;
}

}  // namespace jet::index
