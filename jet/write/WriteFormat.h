// Facts the writer needs beyond the reader's layouts: what a fresh data page, usage-map
// row, table definition and column block hold, as Access writes them (checked against
// Access-made tables of the corpus).
#pragma once

#include <cstdint>

#include "jet/format/JetFormat.h"

namespace jet::write_format {

// Every data page header: type, 0x01, free space (2), owner (4), zero (4), row count (2).
inline constexpr uint32_t kJet4DataPageHeader = 14;
// Usage-map rows Access writes: kind (1), start page (4), 64 bitmap bytes; a reference
// row of the same length holds 17 bitmap-page pointers.
inline constexpr uint32_t kJet4UsageMapRowSize = 69;
// The global map (free pages of the file) is row 0 of page 1; bit set = page free.
inline constexpr uint32_t kGlobalMapPage = 1;

// Table definitions: the constant that opens the header and each column block, and the
// byte that follows the next-autonumber field.
inline constexpr uint32_t kTdefMagic = 1625;
inline constexpr uint32_t kTdefMagicOffset = 12;
inline constexpr uint32_t kTdefAutoNumberMarkerOffset = 24;  // Access writes 1 here
inline constexpr uint32_t kTdefFreeSpaceOffset = 2;
inline constexpr uint32_t kTdefHeaderSize = 63;              // Jet4: up to the per-index counts
inline constexpr uint32_t kColumnMagicOffset = 1;
inline constexpr uint32_t kColumnNumberAgainOffset = 9;      // Access repeats the column number
inline constexpr uint16_t kTdefEnd = 0xFFFF;                 // closes the long-value map list

// Long values: LVAL rows hold at most this many bytes (Jet4), chain rows this many data
// bytes after their next-row pointer.
inline constexpr uint32_t kJet4MaxLongValueRow = 4076;
inline constexpr uint32_t kJet4MaxChainData = 4072;

// Jet3 (Access 97), as Access 97 writes it (its own tables in the corpus): every TDEF page
// carries "VC" where Jet4 keeps the page's free space; the header has no constant and no
// AutoNumber marker. Column blocks repeat the column number at byte 5 and hold 1 at byte 7;
// every column carries the database's sort order and code page.
inline constexpr uint8_t kJet3TdefMark[2] = {'V', 'C'};
inline constexpr uint32_t kJet3TdefHeaderSize = 43;  // up to the per-index counts
inline constexpr uint32_t kJet3ColumnNumberAgainOffset = 5;
inline constexpr uint32_t kJet3ColumnOneOffset = 7;
// Usage-map rows: kind, start page, 128 bitmap bytes.
inline constexpr uint32_t kJet3UsageMapRowSize = 133;
// Long values: a single LVAL row holds at most 2032 bytes; chain rows hold 2032 data bytes
// after their next-row pointer and so fill a page whole, as Access 97's own chains do.
inline constexpr uint32_t kJet3MaxLongValueRow = 2032;
inline constexpr uint32_t kJet3MaxChainData = 2032;

inline constexpr uint32_t UsageMapRowSize(const JetFormat& f) {
  return f.jet3 ? kJet3UsageMapRowSize : kJet4UsageMapRowSize;
}
inline constexpr uint32_t MaxLongValueRow(const JetFormat& f) {
  return f.jet3 ? kJet3MaxLongValueRow : kJet4MaxLongValueRow;
}
inline constexpr uint32_t MaxChainData(const JetFormat& f) { return f.jet3 ? kJet3MaxChainData : kJet4MaxChainData; }

}  // namespace jet::write_format
