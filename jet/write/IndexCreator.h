// Indexes added to an existing table: CREATE INDEX, and the foreign-key logical indexes
// of a relationship. The table definition grows by the new logical index (listed by
// name), and by a new real index unless one with the same columns and flags exists
// (a foreign key shares any real index on its columns, as Access does); the definition
// may move onto more pages. A new real index gets its usage-map row (on the table's map
// page while it has room) and an empty root leaf, and then every row of the table. A row
// the index refuses (a repeated value in a unique index, a Null in a required one) fails
// the whole statement, which the session then undoes: the file stays as it was.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/Database.h"
#include "jet/Status.h"
#include "jet/write/IndexDefinitions.h"
#include "jet/write/PageWriter.h"

namespace jet {

// CREATE [UNIQUE] INDEX on table `table`. Returns the new logical index's number.
Result<uint32_t> CreateIndex(Database& db, PageWriter& writer, const std::string& table, const NewIndex& index);

// The two logical indexes Access keeps for an enforced relationship: one on the
// referencing table (`fkName`, over `columns`, role 2) and one on the referenced table
// (over `referencedColumns`, normally its primary key's, role 1, named `referencedName`,
// or ".rB", ".rC", ... as Access names them when empty), each naming the other's table
// and logical index number, both with the cascade flags. Rows are not checked here.
struct RelationshipIndexes {
  std::string referencingTable;
  std::string fkName;
  std::vector<std::string> columns;
  std::string referencedTable;
  std::vector<std::string> referencedColumns;
  std::string referencedName;
  bool cascadeUpdates = false;
  bool cascadeDeletes = false;
};
struct RelationshipIndexNumbers {
  uint32_t referencing = 0;  // logical index number on the referencing table
  uint32_t referenced = 0;   // on the referenced table
};
Result<RelationshipIndexNumbers> AddRelationshipIndexes(Database& db, PageWriter& writer,
                                                        const RelationshipIndexes& relationship);

}  // namespace jet
