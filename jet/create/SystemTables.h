// The four system tables every new database starts with (MSysObjects, MSysACEs,
// MSysQueries, MSysRelationships): their columns, indexes and the fixed page layout
// of a new file, plus the catalogue and permission rows it holds.
//   page 1: global page map     pages 2-5: the four table definitions
//   page 6: every usage-map row of the four tables (31 rows)
//   pages 7-13: the root leaves of their seven indexes
//   then (appended by the row writer): MSysObjects rows, MSysACEs rows
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/DatabaseHeader.h"
#include "jet/Value.h"
#include "jet/create/TableDefWriter.h"

namespace jet::create {

inline constexpr uint32_t kGlobalMapPage = 1;
inline constexpr uint32_t kFirstSystemTdefPage = 2;
inline constexpr uint32_t kSystemMapPage = 6;
inline constexpr uint32_t kFirstIndexRootPage = 7;
inline constexpr uint32_t kSystemPageCount = 14;  // pages 0..13, before any row

struct SystemTable {
  std::string name;
  uint32_t tdefPage = 0;
  TableDefSpec spec;
};

// Definitions with every map row and root page assigned; `mapRowCount` receives the
// number of map rows page 6 must hold (in row order: as assigned here).
std::vector<SystemTable> SystemTables(const SortOrder& sortOrder, uint32_t* mapRowCount = nullptr);

// A catalogue or permission row by column name.
struct NamedRow {
  std::vector<std::pair<std::string, Value>> values;
};

// MSysObjects rows of a new file (containers, the database object, the four tables).
std::vector<NamedRow> InitialCatalogRows(double creationDate);
// MSysACEs rows of a new file.
std::vector<NamedRow> InitialPermissionRows();

}  // namespace jet::create
