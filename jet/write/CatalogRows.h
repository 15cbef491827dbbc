// Finding and changing rows of the system tables (MSysObjects, MSysACEs, the
// navigation-pane tables): whole rows with their positions, so that they can be
// deleted with their index entries, or copied.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "jet/Database.h"
#include "jet/Status.h"
#include "jet/Value.h"

namespace jet {

struct StoredRow {
  RowPointer at;
  std::vector<Value> values;  // definition order
};

// Rows of `table` whose column `column` holds the whole number `value`. A table or
// column the file does not have gives no rows.
Result<std::vector<StoredRow>> FindRowsWithNumber(Database& db, const std::string& table, const std::string& column,
                                                  int64_t value);

// Every row of `table` (for scans with their own test).
Result<std::vector<StoredRow>> AllRows(Database& db, const std::string& table);

// The value of column `name` in a row of `def`, or Null.
const Value& ColumnValue(const TableDef& def, const StoredRow& row, const std::string& name);

// A whole number from an integer Value (0 for other kinds).
int64_t AsWholeNumber(const Value& value);

// The MSysObjects row of a new object under a container (a relationship, a saved query), in
// the definition's column order: owned as the database's own MSysDb row is, created and
// changed now.
Result<std::vector<Value>> NewObjectRow(Database& db, const TableDef& objectsDef, int32_t id, int32_t parentId,
                                        const std::string& name, int16_t type, int32_t flags);

}  // namespace jet
