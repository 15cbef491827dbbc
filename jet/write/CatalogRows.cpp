#include "jet/write/CatalogRows.h"

namespace jet {
namespace {

Result<std::vector<StoredRow>> Scan(Database& db, const std::string& table,
                                    const std::function<bool(const TableDef&, const StoredRow&)>& keep) {
  std::vector<StoredRow> out;
  if (!db.catalog().findTable(table)) return out;
  JET_ASSIGN_OR_RETURN(auto def, db.tableDef(table));
  JET_ASSIGN_OR_RETURN(auto cursor, db.scan(def));
  while (true) {
    JET_ASSIGN_OR_RETURN(auto more, cursor.next());
    if (!more) break;
    StoredRow row;
    row.at = cursor.position();
    for (size_t i = 0; i < def->columns.size(); ++i) {
      JET_ASSIGN_OR_RETURN(auto v, cursor.value(i));
      row.values.push_back(std::move(v));
    }
    if (keep(*def, row)) out.push_back(std::move(row));
  }
  return out;
}

}  // namespace

int64_t AsWholeNumber(const Value& value) {
  if (auto* i = std::get_if<int32_t>(&value)) return *i;
  if (auto* s = std::get_if<int16_t>(&value)) return *s;
  if (auto* b = std::get_if<uint8_t>(&value)) return *b;
  return 0;
}

const Value& ColumnValue(const TableDef& def, const StoredRow& row, const std::string& name) {
  static const Value kNull = Null{};
  for (size_t i = 0; i < def.columns.size() && i < row.values.size(); ++i) {
    if (def.columns[i].name == name) return row.values[i];
  }
  return kNull;
}

Result<std::vector<StoredRow>> FindRowsWithNumber(Database& db, const std::string& table, const std::string& column,
                                                  int64_t value) {
  return Scan(db, table, [&](const TableDef& def, const StoredRow& row) {
    const Value& v = ColumnValue(def, row, column);
    return !IsNull(v) && AsWholeNumber(v) == value;
  });
}

Result<std::vector<StoredRow>> AllRows(Database& db, const std::string& table) {
  return Scan(db, table, [](const TableDef&, const StoredRow&) { return true; });
}

}  // namespace jet
