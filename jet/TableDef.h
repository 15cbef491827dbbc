// A table definition (TDEF): header counts, columns (in definition order), real and
// logical indexes, usage-map locations, long-value column maps. Read from the chain
// of TDEF pages starting at the table's page. The parsed model is complete enough
// for the writer to serialise it again; `raw` keeps the bytes as read.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "jet/DatabaseHeader.h"
#include "jet/PageFile.h"
#include "jet/Status.h"
#include "jet/format/ColumnTypes.h"
#include "jet/format/PageTypes.h"

namespace jet {

struct ColumnDef {
  std::string name;
  uint8_t typeCode = 0;
  ColumnType type() const { return static_cast<ColumnType>(typeCode); }
  uint16_t number = 0;         // bit in the null mask; also the order columns are listed in
  uint16_t variableIndex = 0;  // slot among the row's variable columns
  uint16_t fixedOffset = 0;    // offset in the row's fixed area
  uint16_t length = 0;         // bytes (text: 2 per character in Jet4)
  uint8_t flags = 0;
  uint8_t extFlags = 0;
  SortOrder sortOrder;         // text and memo
  uint16_t codePage = 0;       // Jet3 text
  uint8_t precision = 0;       // numeric
  uint8_t scale = 0;
  uint32_t complexId = 0;      // ACE complex columns
  RowPointer ownedPages;       // memo/OLE: usage maps of the column's long-value pages
  RowPointer freePages;
  // Calculated columns: the type code of the result (the column property "ResultType"); 0 when
  // unknown. Values are stored by this type, not by `typeCode`.
  uint8_t resultTypeCode = 0;
  // From the column's properties: "Required" (an insert must give a value) and "DefaultValue"
  // (the expression, as Access stores it, for an insert that leaves the column out).
  bool required = false;
  std::optional<std::string> defaultValue{};

  bool fixed() const { return flags & kColumnFlagFixed; }
  bool autoNumber() const { return flags & (kColumnFlagAutoLong | kColumnFlagAutoGuid); }
  bool autoIncrement() const { return (flags & kColumnFlagAutoLong) && type() == ColumnType::kLong; }
  bool replicationId() const { return (flags & kColumnFlagAutoGuid) && type() == ColumnType::kGuid; }
  bool compressedUnicode() const { return extFlags & kColumnExtFlagCompressedUnicode; }
  bool calculated() const { return (extFlags & kColumnExtFlagCalculated) == kColumnExtFlagCalculated; }
  // The type values are decoded by: the result type for a calculated column whose result type is known.
  ColumnType valueType() const {
    return calculated() && resultTypeCode != 0 ? static_cast<ColumnType>(resultTypeCode) : type();
  }
  // Kept in the null mask alone (ordinary Yes/No); a calculated Yes/No has a data byte.
  bool inNullMaskOnly() const { return type() == ColumnType::kBoolean && !calculated(); }
};

struct IndexColumn {
  uint16_t columnNumber = 0;
  bool ascending = true;
};

struct RealIndexDef {
  std::vector<IndexColumn> columns;
  uint32_t uniqueEntryCount = 0;
  RowPointer usageMap;
  uint32_t rootPage = 0;
  uint8_t flags = 0;  // 0x01 unique, 0x02 ignore nulls, 0x08 required
};

struct LogicalIndexDef {
  std::string name;
  uint32_t number = 0;
  uint32_t realIndex = 0;
  uint8_t relatedTableType = 0;
  uint32_t relatedIndex = 0;
  uint32_t relatedTable = 0;
  bool cascadeUpdates = false;
  bool cascadeDeletes = false;
  uint8_t indexType = 0;  // 1 primary key, 2 foreign key
};

inline constexpr uint8_t kTableTypeUser = 0x4E;
inline constexpr uint8_t kTableTypeSystem = 0x53;

struct TableDef {
  std::string name;
  std::vector<uint32_t> pages;  // the TDEF chain, first page = table id
  uint32_t rowCount = 0;
  uint32_t nextAutoNumber = 0;
  uint32_t nextComplexAutoNumber = 0;
  uint8_t tableType = 0;
  uint16_t maxColumns = 0;
  uint16_t variableColumnCount = 0;
  std::vector<ColumnDef> columns;  // definition order
  std::vector<RealIndexDef> realIndexes;
  std::vector<LogicalIndexDef> logicalIndexes;
  RowPointer ownedPages;
  RowPointer freeSpacePages;
  std::vector<uint8_t> raw;  // concatenated definition bytes

  uint32_t firstPage() const { return pages.empty() ? 0 : pages.front(); }
  // Columns sorted by number: the order rows and dumps list them in.
  std::vector<const ColumnDef*> columnsByNumber() const;
  const ColumnDef* findColumn(const std::string& name) const;
};

// Reads the definition starting at `firstPage`; `tableName` is used in errors.
Result<TableDef> ReadTableDef(PageFile& file, uint32_t firstPage, const std::string& tableName);

// Parses concatenated definition bytes (continuation pages' headers already removed).
Result<TableDef> ParseTableDef(std::span<const uint8_t> bytes, const DatabaseHeader& header, const Where& context);

}  // namespace jet
