// Row slots of a data page. Rows are packed from the page end downwards: row i
// spans [offset(i), offset(i-1)) with offset(-1) = page size. Used for table rows,
// long-value rows and usage-map rows alike.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "jet/PageFile.h"
#include "jet/Status.h"

namespace jet {

struct RowSlot {
  uint16_t start = 0;
  uint16_t end = 0;
  uint16_t flags = 0;  // kRowDeletedFlag / kRowOverflowFlag bits as stored

  bool deleted() const { return (flags & kRowDeletedFlag) && (flags & kRowOverflowFlag); }
  bool overflowPointer() const { return flags == kRowOverflowFlag; }
  bool overflowTarget() const { return flags == kRowDeletedFlag; }
  uint16_t length() const { return static_cast<uint16_t>(end - start); }
};

// Number of row slots on a data page (not range-checked: ReadRowSlot checks each).
uint32_t RowSlotCount(std::span<const uint8_t> page, const JetFormat& format);

// Slot `slot` of data page `pageNumber`, with its bounds checked against the page.
Result<RowSlot> ReadRowSlot(std::span<const uint8_t> page, const JetFormat& format, uint32_t pageNumber,
                            uint32_t slot, const std::string& fileName);

// A row located by pointer: keeps its page alive while the bytes are in use.
struct RowRef {
  PageRef page;
  RowSlot slot;
  std::span<const uint8_t> bytes() const { return {page->data() + slot.start, slot.length()}; }
};

// Reads the row `where` points to (any data page, any flags); `what` names it for errors.
Result<RowRef> ReadRow(PageFile& file, RowPointer where, const std::string& what);

}  // namespace jet
