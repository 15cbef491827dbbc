// Relationships between two tables, as Access keeps them: one MSysRelationships row per
// column pair (ccolumn = the number of pairs, icolumn = the pair's position, grbit the
// flags below), an MSysObjects row of type 8 under the Relationships container with its
// permission rows, and, for an enforced relationship, a check that every referring row
// has its referenced row and the foreign-key index on each table (jet/write/IndexCreator.h). The referenced columns must be the referenced table's primary
// key or a unique index of it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/Database.h"
#include "jet/Status.h"
#include "jet/write/PageWriter.h"

namespace jet {

// MSysRelationships.grbit.
namespace relationship {
inline constexpr int32_t kOneToOne = 0x00000001;
inline constexpr int32_t kNotEnforced = 0x00000002;
inline constexpr int32_t kCascadeUpdates = 0x00000100;
inline constexpr int32_t kCascadeDeletes = 0x00001000;
}  // namespace relationship

struct NewRelationship {
  std::string name;
  std::string table;  // the referring table (szObject)
  std::vector<std::string> columns;
  std::string referencedTable;                 // szReferencedObject
  std::vector<std::string> referencedColumns;  // empty: the referenced table's primary key
  bool enforced = true;
  bool cascadeUpdates = false;
  bool cascadeDeletes = false;
};

// What a relationship's definition resolves to in the two tables.
struct ResolvedRelationship {
  std::shared_ptr<const TableDef> table;
  std::shared_ptr<const TableDef> referencedTable;
  std::vector<const ColumnDef*> columns;
  std::vector<const ColumnDef*> referencedColumns;
  int32_t flags = 0;  // grbit
};

// Checks `r` against the database (tables, columns, types, the referenced key, the name,
// and for an enforced one the rows) without changing anything. Every refusal names the
// file, the tables and columns concerned, and for rows the first value without its match.
Result<ResolvedRelationship> ResolveRelationship(Database& db, const NewRelationship& r);

// Writes the relationship's catalogue rows (after ResolveRelationship).
Status CreateRelationship(Database& db, PageWriter& writer, const NewRelationship& r);

}  // namespace jet
