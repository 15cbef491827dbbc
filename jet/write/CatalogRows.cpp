#include "jet/write/CatalogRows.h"

#include "jet/DateSerial.h"
#include "jet/write/TableCreator.h"

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

Result<std::vector<Value>> NewObjectRow(Database& db, const TableDef& objectsDef, int32_t id, int32_t parentId,
                                        const std::string& name, int16_t type, int32_t flags) {
  Value owner = Null{};
  JET_ASSIGN_OR_RETURN(const auto objects, AllRows(db, "MSysObjects"));
  for (const auto& row : objects) {
    const auto* n = std::get_if<std::string>(&ColumnValue(objectsDef, row, "Name"));
    if (n && *n == "MSysDb") owner = ColumnValue(objectsDef, row, "Owner");
  }
  const double now = NowAsDateTime();
  std::vector<Value> object;
  for (const auto& c : objectsDef.columns) {
    if (c.name == "Id") object.push_back(id);
    else if (c.name == "ParentId") object.push_back(parentId);
    else if (c.name == "Name") object.push_back(name);
    else if (c.name == "Type") object.push_back(type);
    else if (c.name == "DateCreate" || c.name == "DateUpdate") object.push_back(DateTime{now});
    else if (c.name == "Owner") object.push_back(owner);
    else if (c.name == "Flags") object.push_back(flags);
    else object.push_back(Null{});
  }
  return object;
}

}  // namespace jet
