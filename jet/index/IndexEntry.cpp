#include "jet/index/IndexEntry.h"

#include <algorithm>
#include <cstring>

namespace jet::index {

void IndexEntry::appendTo(std::vector<uint8_t>& out, bool node) const {
  out.insert(out.end(), key.begin(), key.end());
  out.push_back(static_cast<uint8_t>(row.page >> 16));
  out.push_back(static_cast<uint8_t>(row.page >> 8));
  out.push_back(static_cast<uint8_t>(row.page));
  out.push_back(row.row);
  if (node) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(child >> shift));
  }
}

int CompareKeys(std::span<const uint8_t> a, std::span<const uint8_t> b) {
  const size_t n = std::min(a.size(), b.size());
  if (n > 0) {
    const int c = std::memcmp(a.data(), b.data(), n);
    if (c != 0) return c < 0 ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

int CompareEntries(const IndexEntry& a, const IndexEntry& b) {
  const int c = CompareKeys(a.key, b.key);
  if (c != 0) return c;
  return a.row < b.row ? -1 : a.row > b.row ? 1 : 0;
}

}  // namespace jet::index
