// Facts the writer needs beyond the reader's layouts: what a fresh data page, usage-map
// row, table definition and column block hold, as Access writes them (checked against
// Access-made tables of the corpus).
#pragma once

#include <cstdint>

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

}  // namespace jet::write_format
