// Serialises a Jet4/ACE table definition (TDEF) from a plain description: header,
// per-index counts, column blocks, names, real and logical indexes, long-value map
// list. Column layout (variable slots, fixed offsets) is derived from the column
// numbers the way the engine lays it out. Used for the system tables of a new
// database; general enough for any table with indexes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/DatabaseHeader.h"
#include "jet/PageFile.h"
#include "jet/Status.h"
#include "jet/format/ColumnTypes.h"
#include "jet/format/PageTypes.h"

namespace jet::create {

struct NewColumn {
  std::string name;
  ColumnType type = ColumnType::kLong;
  uint16_t number = 0;  // null-mask bit; the row layout follows column numbers
  uint8_t flags = 0;    // kColumnFlag*
  uint8_t extFlags = 0;
  RowPointer ownedPages;  // memo/OLE: the column's long-value maps
  RowPointer freePages;
};

struct RealIndexSpec {
  std::vector<uint16_t> columns;  // column numbers, ascending order each
  uint8_t flags = 0;              // 0x80 always, 0x01 unique, 0x02 ignore nulls, 0x08 required
  RowPointer usageMap;
  uint32_t rootPage = 0;
  uint32_t uniqueEntryCount = 0;
};

struct LogicalIndexSpec {
  std::string name;
  uint32_t number = 0;
  uint32_t realIndex = 0;
  uint8_t indexType = 0;  // 1 primary key
};

struct TableDefSpec {
  uint8_t tableType = 0x4E;       // 0x4E user, 0x53 system
  uint32_t rowCount = 0;
  SortOrder sortOrder;            // written on every column, as the engine does
  std::vector<NewColumn> columns;  // listing order (the engine lists by name)
  std::vector<RealIndexSpec> realIndexes;
  std::vector<LogicalIndexSpec> logicalIndexes;  // listing order
  RowPointer ownedPages;
  RowPointer freeSpacePages;
};

// The definition bytes as one buffer (header fields of the first page included; the
// free-space and next-page fields are set by WriteTableDef).
Result<std::vector<uint8_t>> SerializeTableDef(const TableDefSpec& spec, const JetFormat& format);

// Places `definition` on `pages` (first page, then continuation pages, each with the
// 8-byte TDEF page header), filling every page whole. `pages` must be enough:
// PagesForDefinition tells how many.
size_t PagesForDefinition(size_t definitionBytes, const JetFormat& format);
void LayOutTableDef(const std::vector<uint8_t>& definition, const std::vector<uint32_t>& pageNumbers,
                           std::vector<PageBytes*> pages, const JetFormat& format);

}  // namespace jet::create
