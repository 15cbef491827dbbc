#include "jet/TableSchema.h"

#include <algorithm>
#include <map>

#include "jet/LongValue.h"
#include "jet/Text.h"

namespace jet {
namespace {

// Property type codes follow the column type codes: text values are Text (0x0A) or Memo (0x0C).
std::optional<std::string> TextOf(const Property* property, bool jet3, uint16_t codePage) {
  if (!property) return std::nullopt;
  const auto type = static_cast<ColumnType>(property->typeCode);
  if (type != ColumnType::kText && type != ColumnType::kMemo) return std::nullopt;
  return jet3 ? DecodeCodePageText(property->data, codePage) : DecodeJet4Text(property->data);
}

std::string TextColumn(const TableDef& def, const std::vector<Value>& row, const std::string& name) {
  for (size_t i = 0; i < def.columns.size() && i < row.size(); ++i) {
    if (def.columns[i].name != name) continue;
    if (const auto* text = std::get_if<std::string>(&row[i])) return *text;
  }
  return {};
}

int64_t NumberColumn(const TableDef& def, const std::vector<Value>& row, const std::string& name) {
  for (size_t i = 0; i < def.columns.size() && i < row.size(); ++i) {
    if (def.columns[i].name != name) continue;
    if (const auto* v = std::get_if<int32_t>(&row[i])) return *v;
    if (const auto* v = std::get_if<int16_t>(&row[i])) return *v;
    if (const auto* v = std::get_if<uint8_t>(&row[i])) return *v;
  }
  return 0;
}

}  // namespace

ColumnProperties ColumnPropertiesOf(const std::vector<PropertyBlock>& blocks, const std::string& column, bool jet3,
                                    uint16_t codePage) {
  ColumnProperties out;
  for (const auto& block : blocks) {
    if (!EqualsIgnoreCase(block.objectName, column)) continue;
    if (const Property* required = block.find("Required"))
      out.required = out.required || (!required->data.empty() && required->data[0] != 0);
    if (auto text = TextOf(block.find("DefaultValue"), jet3, codePage)) out.defaultValue = std::move(text);
    if (auto text = TextOf(block.find("ValidationRule"), jet3, codePage)) out.validationRule = std::move(text);
    if (auto text = TextOf(block.find("ValidationText"), jet3, codePage)) out.validationText = std::move(text);
    if (auto text = TextOf(block.find("Expression"), jet3, codePage)) out.expression = std::move(text);
  }
  // Empty texts are what Access shows as no value.
  for (auto* text : {&out.defaultValue, &out.validationRule, &out.validationText, &out.expression})
    if (*text && (*text)->empty()) text->reset();
  return out;
}

Result<std::vector<PropertyBlock>> ReadTableProperties(Database& db, const TableDef& table) {
  const CatalogEntry* entry = db.catalog().findById(static_cast<int32_t>(table.firstPage()));
  if (!entry || entry->propertiesField.empty()) return std::vector<PropertyBlock>{};
  const Where context = Where::Table(db.fileName(), table.name) + ", properties";
  auto bytes = ReadLongValue(db.file(), entry->propertiesField, context);
  if (!bytes.ok()) return bytes.status();
  if (bytes->empty()) return std::vector<PropertyBlock>{};
  auto blocks = ParseProperties(*bytes, db.header().jet3(), db.header().codePage);
  if (!blocks.ok()) return blocks.status().Within(context);
  return blocks;
}

std::vector<LogicalIndex> LogicalIndexesOf(const TableDef& table) {
  std::vector<LogicalIndex> out;
  for (const LogicalIndexDef& logical : table.logicalIndexes) {
    LogicalIndex index;
    index.name = logical.name;
    index.primaryKey = logical.indexType == 1;
    index.foreignKey = logical.indexType == 2;
    if (logical.realIndex < table.realIndexes.size()) {
      const RealIndexDef& real = table.realIndexes[logical.realIndex];
      index.unique = real.flags & 0x01;
      index.ignoreNulls = real.flags & 0x02;
      index.required = real.flags & 0x08;
      for (const IndexColumn& part : real.columns) {
        for (const ColumnDef& column : table.columns) {
          if (column.number != part.columnNumber) continue;
          index.columns.push_back({column.name, part.ascending});
          break;
        }
      }
    }
    out.push_back(std::move(index));
  }
  return out;
}

Result<std::vector<Relationship>> ReadRelationships(Database& db) {
  std::vector<Relationship> out;
  if (!db.catalog().findTable("MSysRelationships")) return out;
  auto def = db.tableDef("MSysRelationships");
  if (!def.ok()) return def.status();
  auto cursor = db.scan(*def);
  if (!cursor.ok()) return cursor.status();
  struct Pair {
    int64_t position;
    std::string column, referenced;
  };
  std::map<std::string, std::pair<Relationship, std::vector<Pair>>> byName;
  std::vector<std::string> order;
  std::vector<Value> row;
  while (true) {
    auto more = cursor->next();
    if (!more.ok()) return more.status();
    if (!*more) break;
    row.clear();
    for (size_t i = 0; i < (*def)->columns.size(); ++i) {
      auto v = cursor->value(i);
      if (!v.ok()) return v.status();
      row.push_back(std::move(v.value()));
    }
    const std::string name = TextColumn(**def, row, "szRelationship");
    auto [it, added] = byName.try_emplace(name);
    if (added) {
      order.push_back(name);
      Relationship& r = it->second.first;
      r.name = name;
      r.flags = static_cast<uint32_t>(NumberColumn(**def, row, "grbit"));
      r.table = TextColumn(**def, row, "szObject");
      r.referencedTable = TextColumn(**def, row, "szReferencedObject");
    }
    it->second.second.push_back({NumberColumn(**def, row, "icolumn"), TextColumn(**def, row, "szColumn"),
                                 TextColumn(**def, row, "szReferencedColumn")});
  }
  for (const std::string& name : order) {
    auto& [relationship, pairs] = byName[name];
    std::stable_sort(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) { return a.position < b.position; });
    for (const Pair& p : pairs) {
      relationship.columns.push_back(p.column);
      relationship.referencedColumns.push_back(p.referenced);
    }
    out.push_back(std::move(relationship));
  }
  return out;
}

}  // namespace jet
