// The design of one table as both copies see it in --faithful mode: its columns, indexes
// and foreign keys, read through ADO's schema rowsets (Connection::OpenSchema with the table
// as restriction), so the Access and the SQLite side are read the same way.
#pragma once

#include "ado/Connection.h"
#include "ado/Provider.h"

#include <optional>
#include <string>
#include <vector>

namespace transfer {

struct TableDesign {
  std::string name;
  std::vector<ado::ColumnEntry> columns;    // in the table's order
  std::vector<ado::IndexEntry> indexes;     // the primary key's included
  std::vector<ado::ForeignKeyEntry> foreignKeys;  // where this table refers to another
  std::optional<std::string> validationRule;  // the table's own (Access), over its columns
  std::optional<std::string> validationText;

  const ado::IndexEntry* primaryKey() const;
  const ado::ColumnEntry* column(const std::string& name) const;  // without regard to case
};

// Reads the design of `table`; throws ado::Error as OpenSchema does.
TableDesign ReadTableDesign(ado::Connection& connection, const std::string& table);

}  // namespace transfer
