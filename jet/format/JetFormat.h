// Everything that differs between Jet3 (Access 97, 2 KB pages, 1-byte row fields,
// code-page text) and Jet4/ACE (4 KB pages, UCS-2 text): page size, data-page and
// TDEF offsets, block sizes. One instance per family; the reader, the writer and the
// checker all take their offsets from here.
#pragma once

#include <cstdint>

namespace jet {

struct DataPageLayout {
  uint32_t freeSpace;   // 2 bytes
  uint32_t owner;       // 4 bytes: owning TDEF page, "LVAL", or 0 for usage-map pages
  uint32_t rowCount;    // 2 bytes
  uint32_t rowOffsets;  // 2 bytes per row slot
};

// Table definition: header fields (offsets in the concatenated TDEF, whose
// continuation pages contribute their bytes from kTdefContinuationSkip on).
struct TdefLayout {
  uint32_t nextPage;             // 4: next TDEF page of this definition
  uint32_t length;               // 4: bytes of the whole definition
  uint32_t rowCount;             // 4
  uint32_t nextAutoNumber;       // 4
  uint32_t nextComplexAutoNumber;// 4: ACE only (~0u otherwise)
  uint32_t tableType;            // 1: 0x4E user, 0x53 system
  uint32_t maxColumns;           // 2: including deleted ones
  uint32_t variableColumns;      // 2
  uint32_t columnCount;          // 2
  uint32_t logicalIndexCount;    // 4
  uint32_t realIndexCount;       // 4
  uint32_t ownedPagesMap;        // 4: row pointer of the owned-pages usage map
  uint32_t freeSpaceMap;         // 4: row pointer of the free-space usage map
  uint32_t realIndexCounts;      // start of the per-real-index count blocks
  uint32_t realIndexCountSize;   // bytes per real index in that block
  uint32_t nameLengthSize;       // 1 (Jet3) or 2 bytes before each name
};

struct ColumnBlockLayout {
  uint32_t size;
  uint32_t type;
  uint32_t number;
  uint32_t variableIndex;
  uint32_t sortOrder;        // text: LANGID (2); Jet4: then the sort id and a version byte
  uint32_t codePage;         // Jet3 text only (~0u otherwise)
  uint32_t precision;        // numeric
  uint32_t scale;            // numeric
  uint32_t complexId;        // ACE complex columns (~0u for Jet3)
  uint32_t flags;
  uint32_t extFlags;         // ~0u for Jet3
  uint32_t fixedOffset;
  uint32_t length;
};

struct RealIndexLayout {
  uint32_t size;
  uint32_t columns;      // 10 x (column number 2, order 1)
  uint32_t usageMap;     // 4: row pointer
  uint32_t rootPage;     // 4
  uint32_t flags;        // 1
};

struct LogicalIndexLayout {
  uint32_t size;
  uint32_t number;
  uint32_t realIndex;
  uint32_t relatedTableType;
  uint32_t relatedIndex;
  uint32_t relatedTable;
  uint32_t cascadeUpdates;
  uint32_t cascadeDeletes;
  uint32_t indexType;    // 1 primary key, 2 foreign key
};

struct JetFormat {
  const char* name;
  bool jet3;
  uint32_t pageSize;
  // The largest file Access opens: 1 GiB for Access 97, 2 GiB from Access 2000 on (as
  // Microsoft's published limits of each version and Jackcess's formats give it).
  uint64_t maxFileBytes;
  uint32_t maxRowSize;
  uint32_t rowColumnCountSize;   // bytes of the column count at a row's start, and of each variable offset
  uint32_t usageMapInlineBytes;  // bitmap bytes of a freshly written inline map
  uint32_t maxLongValueRowSize;  // data bytes in a single-row long value
  DataPageLayout dataPage;
  TdefLayout tdef;
  ColumnBlockLayout column;
  RealIndexLayout realIndex;
  LogicalIndexLayout logicalIndex;

  // Pages a reference usage map's bitmap page covers: (page size - 4) * 8.
  uint32_t pagesPerBitmapPage() const { return (pageSize - kBitmapPageHeader) * 8; }

  static constexpr uint32_t kBitmapPageHeader = 4;      // 05 01 00 00
  static constexpr uint32_t kTdefContinuationSkip = 8;  // header bytes of continuation TDEF pages
  static constexpr uint32_t kRealIndexColumnSlots = 10;
  static constexpr uint32_t kLongValueReferenceSize = 12;
  static constexpr uint32_t kMaxInlineLongValue = 64;
};

inline constexpr uint32_t kNone = ~0u;

inline constexpr JetFormat kJet3Format{
    .name = "Jet3",
    .jet3 = true,
    .pageSize = 2048,
    .maxFileBytes = uint64_t{1} << 30,
    .maxRowSize = 2012,
    .rowColumnCountSize = 1,
    .usageMapInlineBytes = 128,
    .maxLongValueRowSize = 2032,
    .dataPage = {.freeSpace = 2, .owner = 4, .rowCount = 8, .rowOffsets = 10},
    .tdef = {.nextPage = 4, .length = 8, .rowCount = 12, .nextAutoNumber = 16,
             .nextComplexAutoNumber = kNone, .tableType = 20, .maxColumns = 21, .variableColumns = 23,
             .columnCount = 25, .logicalIndexCount = 27, .realIndexCount = 31, .ownedPagesMap = 35,
             .freeSpaceMap = 39, .realIndexCounts = 43, .realIndexCountSize = 8, .nameLengthSize = 1},
    .column = {.size = 18, .type = 0, .number = 1, .variableIndex = 3, .sortOrder = 9, .codePage = 11,
               .precision = 11, .scale = 12, .complexId = kNone, .flags = 13, .extFlags = kNone,
               .fixedOffset = 14, .length = 16},
    .realIndex = {.size = 39, .columns = 0, .usageMap = 30, .rootPage = 34, .flags = 38},
    .logicalIndex = {.size = 20, .number = 0, .realIndex = 4, .relatedTableType = 8, .relatedIndex = 9,
                     .relatedTable = 13, .cascadeUpdates = 17, .cascadeDeletes = 18, .indexType = 19},
};

inline constexpr JetFormat kJet4Format{
    .name = "Jet4",
    .jet3 = false,
    .pageSize = 4096,
    .maxFileBytes = uint64_t{1} << 31,
    .maxRowSize = 4060,
    .rowColumnCountSize = 2,
    .usageMapInlineBytes = 64,
    .maxLongValueRowSize = 4076,
    .dataPage = {.freeSpace = 2, .owner = 4, .rowCount = 12, .rowOffsets = 14},
    .tdef = {.nextPage = 4, .length = 8, .rowCount = 16, .nextAutoNumber = 20, .nextComplexAutoNumber = 28,
             .tableType = 40, .maxColumns = 41, .variableColumns = 43, .columnCount = 45,
             .logicalIndexCount = 47, .realIndexCount = 51, .ownedPagesMap = 55, .freeSpaceMap = 59,
             .realIndexCounts = 63, .realIndexCountSize = 12, .nameLengthSize = 2},
    .column = {.size = 25, .type = 0, .number = 5, .variableIndex = 7, .sortOrder = 11, .codePage = kNone,
               .precision = 11, .scale = 12, .complexId = 11, .flags = 15, .extFlags = 16,
               .fixedOffset = 21, .length = 23},
    .realIndex = {.size = 52, .columns = 4, .usageMap = 34, .rootPage = 38, .flags = 46},
    .logicalIndex = {.size = 28, .number = 4, .realIndex = 8, .relatedTableType = 12, .relatedIndex = 13,
                     .relatedTable = 17, .cascadeUpdates = 21, .cascadeDeletes = 22, .indexType = 23},
};

// Usage-map rows (a row on a data page): byte 0 is the map kind.
namespace usage_map {
inline constexpr uint8_t kInline = 0x00;     // then start page (4), bitmap
inline constexpr uint8_t kReference = 0x01;  // then 4-byte pointers to bitmap pages
inline constexpr uint32_t kInlineStartPage = 1;
inline constexpr uint32_t kInlineBitmap = 5;
inline constexpr uint32_t kReferencePages = 1;
}  // namespace usage_map

// Long-value reference in a row (12 bytes): length with flags in the top bits (4),
// row pointer (4), unused (4). Each row of a chain starts with the next row pointer.
namespace long_value {
inline constexpr uint32_t kFlagInline = 0x80000000;  // data follows the 12 bytes
inline constexpr uint32_t kFlagSingleRow = 0x40000000;
inline constexpr uint32_t kLengthMask = 0x3FFFFFFF;
inline constexpr uint32_t kRowPointerOffset = 4;
inline constexpr uint32_t kChainHeader = 4;  // next row pointer at the start of each chain row
}  // namespace long_value

}  // namespace jet
