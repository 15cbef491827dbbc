// One index entry: the key bytes, the row it points to, and on node pages the child
// page whose last entry it repeats. On the page an entry is key | row pointer (3-byte
// big-endian page, row byte) | node only: child page (4 bytes big-endian).
#pragma once

#include <compare>
#include <cstdint>
#include <span>
#include <vector>

namespace jet::index {

struct RowPointer {
  uint32_t page = 0;  // 24 bits on disk
  uint8_t row = 0;
  auto operator<=>(const RowPointer&) const = default;
};

struct IndexEntry {
  std::vector<uint8_t> key;
  RowPointer row;
  uint32_t child = 0;  // node entries only

  size_t storedSize(bool node) const { return key.size() + (node ? 8 : 4); }
  void appendTo(std::vector<uint8_t>& out, bool node) const;
  bool operator==(const IndexEntry&) const = default;
};

// Index order: keys by unsigned bytes (a proper prefix sorts first), then row pointer.
// The child page takes no part.
int CompareEntries(const IndexEntry& a, const IndexEntry& b);
int CompareKeys(std::span<const uint8_t> a, std::span<const uint8_t> b);

}  // namespace jet::index
