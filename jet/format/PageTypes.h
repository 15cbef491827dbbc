// Page kinds and the fields every Jet page shares: byte 0 is the page type, byte 1
// is always 0x01. Page n of the file starts at n * page size.
#pragma once

#include <cstdint>

namespace jet {

enum class PageType : uint8_t {
  kHeader = 0x00,     // page 0: the database header
  kData = 0x01,       // table rows, long-value rows, usage-map rows
  kTableDef = 0x02,   // table definition (TDEF), possibly continued on further TDEF pages
  kIndexNode = 0x03,  // index B-tree node
  kIndexLeaf = 0x04,  // index B-tree leaf
  kUsageBitmap = 0x05 // bitmap page of a reference usage map
};

inline constexpr uint32_t kPageTypeOffset = 0;
inline constexpr uint8_t kPageMarker = 0x01;  // byte 1 of every page

// Data pages owned by long values carry this tag instead of an owner TDEF page.
inline constexpr uint32_t kLongValuePageTag = 0x4C41564C;  // "LVAL"

// Row slot offsets on data pages: the low 13 bits are the row start, the top two flag it.
inline constexpr uint16_t kRowOffsetMask = 0x1FFF;
inline constexpr uint16_t kRowDeletedFlag = 0x8000;   // with 0x4000: deleted; alone: overflow target
inline constexpr uint16_t kRowOverflowFlag = 0x4000;  // alone: the row holds a pointer to the real row
inline constexpr uint32_t kMaxRowsPerDataPage = 255;

// A row pointer packs a page number and a slot: page << 8 | slot.
struct RowPointer {
  uint32_t page = 0;
  uint8_t slot = 0;

  static RowPointer FromPacked(uint32_t packed) { return {packed >> 8, static_cast<uint8_t>(packed & 0xFF)}; }
  uint32_t packed() const { return page << 8 | slot; }
  bool null() const { return page == 0 && slot == 0; }
};

}  // namespace jet
