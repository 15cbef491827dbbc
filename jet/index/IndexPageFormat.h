// Layout of index pages (type 3 node, type 4 leaf) in Jet4/ACE and Jet3 files.
// Header fields are little-endian; entry bytes are big-endian.
//   0 type | 1 0x01 | 2 free space (2) | 4 TDEF page (4) | Jet4: 8 zero (4)
//   prev page (4) | next page (4) | child tail page (4) | shared-prefix length (2)
//   Jet4: one byte (Access writes 1 on node pages) | entry mask | entries
// Mask bit k (LSB first) set = an entry ends k bytes after the start of the entries.
#pragma once

#include <algorithm>
#include <cstdint>

namespace jet::index {

inline constexpr uint8_t kIndexNodePageType = 3;
inline constexpr uint8_t kIndexLeafPageType = 4;

struct IndexPageLayout {
  uint32_t pageSize;
  uint32_t prevOffset;
  uint32_t nextOffset;
  uint32_t tailOffset;
  uint32_t prefixOffset;
  int nodeMarkerOffset;  // -1: no such byte (Jet3)
  uint32_t maskOffset;
  uint32_t maskSize;
  uint32_t entriesOffset;

  // Most entry bytes one page holds: bounded by the page and by what the mask can mark.
  uint32_t maxEntryBytes() const { return std::min(pageSize - entriesOffset, maskSize * 8); }
};

inline constexpr IndexPageLayout kJet4IndexPageLayout{4096, 12, 16, 20, 24, 26, 27, 453, 480};
inline constexpr IndexPageLayout kJet3IndexPageLayout{2048, 8, 12, 16, 20, -1, 22, 226, 248};

}  // namespace jet::index
