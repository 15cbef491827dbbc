// A usage map: the set of pages that belong to something (a table's data pages, its
// pages with free space, a long-value column's pages, an index's pages, or, for the
// global map, the free pages of the file). Stored as a row on a data page, either
// inline (start page + bitmap) or by reference (pointers to bitmap pages, each
// covering pagesPerBitmapPage() pages). Bit i set = page start + i is in the set.
//
// Reading walks the bitmaps in page order without building a list. The writer
// changes membership with add()/remove(), then takes the row bytes from
// encodeInlineRow() (inline maps) or finds the bitmap pages already updated
// through PageFile::modify() (reference maps).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "jet/PageFile.h"
#include "jet/Status.h"

namespace jet {

class UsageMap {
 public:
  enum class Kind : uint8_t { kInline = 0, kReference = 1 };

  // Reads the map stored in row `where`; `what` names its owner for errors.
  static Result<UsageMap> Read(PageFile& file, RowPointer where, const std::string& what);
  // Parses map row bytes (exposed for tests and the checker).
  static Result<UsageMap> Parse(std::span<const uint8_t> row, const JetFormat& format, const std::string& what);

  Kind kind() const { return kind_; }
  RowPointer location() const { return location_; }

  // Walks the pages in ascending order: `cursor` starts at 0; returns the next member
  // page or nullopt at the end.
  Result<std::optional<uint32_t>> next(PageFile& file, uint32_t& cursor) const;
  Result<bool> contains(PageFile& file, uint32_t page) const;

  // Writer seams. An inline map whose bitmap cannot reach `page` answers kUnsupported
  // (it must first be promoted to a reference map).
  Status add(PageFile& file, uint32_t page) { return set(file, page, true); }
  Status remove(PageFile& file, uint32_t page) { return set(file, page, false); }
  std::vector<uint8_t> encodeInlineRow() const;

 private:
  Status set(PageFile& file, uint32_t page, bool member);
  Where place() const { return {file_, what_, {}}; }

  Kind kind_ = Kind::kInline;
  RowPointer location_;
  std::string what_;
  std::string file_;                      // the file a map that was read lies in, for messages
  uint32_t startPage_ = 0;                // inline
  std::vector<uint8_t> bitmap_;           // inline
  std::vector<uint32_t> bitmapPages_;     // reference: 0 = no page (nothing in that range)
};

}  // namespace jet
