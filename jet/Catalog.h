// The objects MSysObjects lists: tables (user and system), linked tables, queries,
// containers. Loaded once by scanning the catalogue table; small in any database.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/NameRule.h"
#include "jet/PageFile.h"
#include "jet/Status.h"
#include "jet/format/CatalogLayout.h"

namespace jet {

struct CatalogEntry {
  int32_t id = 0;
  int32_t parentId = 0;
  std::string name;
  int16_t type = 0;
  uint32_t flags = 0;
  std::string database;     // linked tables: the source file
  std::string foreignName;  // linked tables: the table's name there
  std::string connect;      // ODBC links: the connection string
  // Tables: the LvProp column's bytes as stored in the row (a long-value reference), empty if none.
  std::vector<uint8_t> propertiesField;

  bool isSystem() const { return flags & (catalog::kFlagSystem | catalog::kFlagSystemAlt); }
  bool isTable() const { return type == static_cast<int16_t>(catalog::ObjectType::kTable); }
  bool isUserTable() const { return isTable() && !isSystem(); }
  bool isLinkedTable() const {
    return type == static_cast<int16_t>(catalog::ObjectType::kLinkedTable) ||
           type == static_cast<int16_t>(catalog::ObjectType::kOdbcLink);
  }
  bool isQuery() const { return type == static_cast<int16_t>(catalog::ObjectType::kQuery); }
  uint32_t tableDefPage() const { return static_cast<uint32_t>(id) & catalog::kIdPageMask; }
};

class Catalog {
 public:
  static Result<Catalog> Load(PageFile& file);

  // In catalogue storage order.
  const std::vector<CatalogEntry>& entries() const { return entries_; }
  // A table (type 1, user or system) by name, compared as Access compares names (names()).
  const CatalogEntry* findTable(const std::string& name) const;
  // Any object under `parentId` (tables and queries share the Tables container) whose name
  // Access takes for `name`: the entry the unique index ParentIdName would find.
  const CatalogEntry* findNamed(int32_t parentId, const std::string& name) const;
  // How names are compared: by the sort order of the catalogue's Name column.
  const NameRule& names() const { return names_; }
  const CatalogEntry* findById(int32_t id) const;
  // User tables in storage order: the list Access's own table view shows.
  std::vector<const CatalogEntry*> userTables() const;

 private:
  std::vector<CatalogEntry> entries_;
  std::vector<std::string> keys_;  // names_.key() of each entry's name
  NameRule names_;
};

// ASCII case-insensitive comparison (of property, index and relationship names; tables and
// columns go by the catalogue's NameRule).
bool EqualsIgnoreCase(const std::string& a, const std::string& b);

}  // namespace jet
