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

// An enforced relationship as MSysRelationships lists it: its column pairs by icolumn.
struct StoredRelationship {
  std::string name;             // szRelationship
  std::string table;            // szObject, the referring table
  std::string referencedTable;  // szReferencedObject
  std::vector<std::string> columns;
  std::vector<std::string> referencedColumns;
};

// The database's enforced relationships.
Result<std::vector<StoredRelationship>> EnforcedRelationships(Database& db);

// What a new row of a referring table is checked with for one relationship: its key is
// looked up in the referenced table's unique index on the referenced columns, so that it
// matches as Access's index compares (text by the index's sort order), rows added earlier
// in the same batch included and nothing kept in memory.
struct ReferenceCheck {
  std::string relationship;
  std::shared_ptr<const TableDef> referencedTable;
  size_t realIndex = 0;                    // of the referenced table
  std::vector<size_t> columns;             // positions in the referring table's definition
  std::vector<size_t> referencedColumns;   // positions in the referenced table's definition
};

// The checks a new row of `table` must pass, one per enforced relationship it refers
// through. A relationship whose referenced columns have no unique index is refused.
Result<std::vector<ReferenceCheck>> ReferenceChecksFor(Database& db, const std::vector<StoredRelationship>& all,
                                                       const TableDef& table);

// Ok when the row (values in `table`'s definition order) has a Null in the key columns or
// the referenced table has a row with the same key; else kInvalidArgument naming the
// table, the relationship, the columns and values and the referenced table.
Status CheckReference(PageWriter& writer, const ReferenceCheck& check, const TableDef& table,
                      const std::vector<Value>& row);

}  // namespace jet
