// Changes one usage-map row in place (its own row only: map pages are shared by
// several tables). Inline maps (start page + bitmap) that must reach a page beyond
// their bitmap are promoted to reference maps of the same row length, whose pointers
// name bitmap pages (type 5) created as needed. Used for table, long-value, index and
// the global free-page map.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "jet/Status.h"
#include "jet/format/PageTypes.h"
#include "jet/write/PageWriter.h"

namespace jet {

class UsageMapWriter {
 public:
  static Result<UsageMapWriter> Load(PageWriter& writer, RowPointer where, std::string what);

  // Sets or clears the bit of `page`. Without `grow` a page the map cannot reach is left
  // alone (for the global map: such pages count as used); with it the map is promoted or
  // given a new bitmap page.
  Status set(uint32_t page, bool member, bool grow);
  Status add(uint32_t page) { return set(page, true, true); }
  Status remove(uint32_t page) { return set(page, false, false); }
  Result<bool> contains(uint32_t page);
  // Every member page, ascending.
  Result<std::vector<uint32_t>> members();
  // The lowest member page in [from, below), if any.
  Result<std::optional<uint32_t>> firstMemberFrom(uint32_t from, uint32_t below);
  // The highest member page, if any.
  Result<std::optional<uint32_t>> lastMember();
  // Bitmap pages of a reference map (for dropping the map's owner).
  Result<std::vector<uint32_t>> bitmapPages();

 private:
  UsageMapWriter(PageWriter& writer, RowPointer where, std::string what, uint16_t start, uint16_t length)
      : writer_(&writer), where_(where), what_(std::move(what)), start_(start), length_(length) {}
  Result<uint8_t*> row();
  bool global() const;  // the file's map of free pages
  // `applied` tells whether the bit was set (a page the map cannot reach may be left alone).
  Status setBit(uint32_t page, bool member, bool grow, bool* applied);
  Result<std::optional<uint32_t>> scanLastMember();
  Status promote();
  Status corrupt(const std::string& why) const;

  PageWriter* writer_;
  RowPointer where_;
  std::string what_;
  uint16_t start_;   // row bytes on its page
  uint16_t length_;
};

}  // namespace jet
