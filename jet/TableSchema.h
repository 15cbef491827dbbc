// What a table is beyond its rows, as Access shows it in design view: per column the
// properties kept in MSysObjects.LvProp (Required, DefaultValue, ValidationRule,
// ValidationText, Expression of a calculated column), the logical indexes with their
// columns and flags, and the relationships of MSysRelationships.
//
// MSysRelationships holds one row per column pair: szRelationship (the name), grbit,
// ccolumn (pairs in all), icolumn (this pair's position), szObject/szColumn (the referring
// table and column), szReferencedObject/szReferencedColumn (the referenced ones).
// grbit: 0x1 one to one, 0x2 not enforced, 0x100 cascade updates, 0x1000 cascade deletes,
// 0x2000 deletes set the referring columns to Null.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "jet/Database.h"
#include "jet/Properties.h"
#include "jet/Status.h"
#include "jet/TableDef.h"

namespace jet {

struct ColumnProperties {
  bool required = false;
  std::optional<std::string> defaultValue;    // as Access keeps it: "0", "\"abc\"", "Now()"
  std::optional<std::string> validationRule;
  std::optional<std::string> validationText;
  std::optional<std::string> expression;      // calculated columns
};

struct IndexColumnName {
  std::string column;
  bool ascending = true;
};

struct LogicalIndex {
  std::string name;
  bool primaryKey = false;
  bool foreignKey = false;  // made for a relationship
  bool unique = false;
  bool ignoreNulls = false;
  bool required = false;    // DISALLOW NULL
  std::vector<IndexColumnName> columns;
};

inline constexpr uint32_t kRelationOneToOne = 0x1;
inline constexpr uint32_t kRelationNotEnforced = 0x2;
inline constexpr uint32_t kRelationCascadeUpdates = 0x100;
inline constexpr uint32_t kRelationCascadeDeletes = 0x1000;
inline constexpr uint32_t kRelationCascadeNull = 0x2000;

struct Relationship {
  std::string name;
  uint32_t flags = 0;  // grbit
  std::string table;            // referring (szObject)
  std::string referencedTable;  // szReferencedObject
  std::vector<std::string> columns;            // in icolumn order
  std::vector<std::string> referencedColumns;  // the same order
  bool enforced() const { return !(flags & kRelationNotEnforced); }
};

// The property values of `column` in `blocks`; absent ones stay empty.
ColumnProperties ColumnPropertiesOf(const std::vector<PropertyBlock>& blocks, const std::string& column, bool jet3,
                                    uint16_t codePage);

// The table's property blocks (empty when it has none); errors name the table.
Result<std::vector<PropertyBlock>> ReadTableProperties(Database& db, const TableDef& table);

// The logical indexes of `table` in definition order, each with its columns by name.
std::vector<LogicalIndex> LogicalIndexesOf(const TableDef& table);

// Every relationship of the database, one entry per relationship (its column pairs joined).
Result<std::vector<Relationship>> ReadRelationships(Database& db);

}  // namespace jet
