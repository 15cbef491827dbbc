// Layout of index pages (type 3 node, type 4 leaf) in Jet4/ACE and Jet3 files.
// Header fields are little-endian; entry bytes are big-endian.
//   0 type | 1 0x01 | 2 free space (2) | 4 TDEF page (4) | Jet4: 8 zero (4)
//   prev page (4) | next page (4) | child tail page (4) | shared-prefix length
//   (Jet4 2 bytes, Jet3 1 byte) | tree level (1 byte: Access writes 1 on node pages,
//   0 on leaves) | entry mask | entries
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
  uint32_t prefixWidth;  // bytes of the shared-prefix length
  uint32_t nodeMarkerOffset;  // the tree-level byte
  uint32_t maskOffset;
  uint32_t maskSize;
  uint32_t entriesOffset;
  // Whether node pages are written with a shared prefix: Access 97 writes none on its node
  // pages (0 on every one seen, also where their entries share bytes), only on leaves.
  bool prefixOnNodes;

  // Most entry bytes one page holds: bounded by the page and by what the mask can mark.
  uint32_t maxEntryBytes() const { return std::min(pageSize - entriesOffset, maskSize * 8); }
  // Longest shared prefix the length field holds.
  uint32_t maxPrefix() const { return prefixWidth == 1 ? 0xFF : 0xFFFF; }
};

inline constexpr IndexPageLayout kJet4IndexPageLayout{4096, 12, 16, 20, 24, 2, 26, 27, 453, 480, true};
inline constexpr IndexPageLayout kJet3IndexPageLayout{2048, 8, 12, 16, 20, 1, 21, 22, 226, 248, false};

}  // namespace jet::index
