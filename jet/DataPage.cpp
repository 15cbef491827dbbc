#include "jet/DataPage.h"

#include "jet/Bytes.h"

namespace jet {

uint32_t RowSlotCount(std::span<const uint8_t> page, const JetFormat& format) {
  return LoadU16(&page[format.dataPage.rowCount]);
}

Result<RowSlot> ReadRowSlot(std::span<const uint8_t> page, const JetFormat& format, uint32_t pageNumber,
                            uint32_t slot, const std::string& fileName) {
  const uint32_t count = RowSlotCount(page, format);
  const uint32_t slotsEnd = format.dataPage.rowOffsets + 2 * count;
  auto corrupt = [&](const std::string& what) {
    return Status::Corrupt(Where::File(fileName),
                           "data page " + std::to_string(pageNumber) + ", row " + std::to_string(slot) + ": " + what);
  };
  if (slot >= count) return corrupt("no such row (the page has " + std::to_string(count) + ")");
  if (count > kMaxRowsPerDataPage || slotsEnd > page.size()) return corrupt("row count is damaged");
  const uint16_t raw = LoadU16(&page[format.dataPage.rowOffsets + 2 * slot]);
  RowSlot s;
  s.flags = raw & (kRowDeletedFlag | kRowOverflowFlag);
  s.start = raw & kRowOffsetMask;
  s.end = slot == 0 ? static_cast<uint16_t>(format.pageSize)
                    : LoadU16(&page[format.dataPage.rowOffsets + 2 * (slot - 1)]) & kRowOffsetMask;
  if (s.deleted()) {
    s.end = s.start;  // a deleted row's extent does not matter and is often odd
    return s;
  }
  if (s.start < slotsEnd || s.end > page.size() || s.start > s.end) {
    return corrupt("row offsets out of order (" + std::to_string(s.start) + ".." + std::to_string(s.end) + ")");
  }
  return s;
}

Result<RowRef> ReadRow(PageFile& file, RowPointer where, const std::string& what) {
  JET_ASSIGN_OR_RETURN(auto page, file.readTyped(where.page, PageType::kData, what));
  JET_ASSIGN_OR_RETURN(auto slot, ReadRowSlot(*page, file.format(), where.page, where.slot, file.fileName()));
  return RowRef{std::move(page), slot};
}

}  // namespace jet
