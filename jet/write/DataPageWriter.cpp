#include "jet/write/DataPageWriter.h"

#include <algorithm>

#include "jet/Bytes.h"
#include "jet/DataPage.h"
#include "jet/format/PageTypes.h"

namespace jet {

void InitDataPage(PageBytes& page, const JetFormat& format, uint32_t owner) {
  std::fill(page.begin(), page.end(), uint8_t{0});
  InitNewDataPage(page, format, owner);
}

void InitNewDataPage(PageBytes& page, const JetFormat& format, uint32_t owner) {
  page[kPageTypeOffset] = static_cast<uint8_t>(PageType::kData);
  page[1] = kPageMarker;
  StoreU16(&page[format.dataPage.freeSpace], static_cast<uint16_t>(format.pageSize - format.dataPage.rowOffsets));
  StoreU32(&page[format.dataPage.owner], owner);
  StoreU16(&page[format.dataPage.rowCount], 0);
}

bool RowFits(const PageBytes& page, const JetFormat& format, size_t size) {
  const uint32_t count = RowSlotCount(page, format);
  const uint32_t free = LoadU16(&page[format.dataPage.freeSpace]);
  return count < kMaxRowsPerDataPage && size + 2 <= free;
}

uint8_t AddRow(PageBytes& page, const JetFormat& format, std::span<const uint8_t> row) {
  const uint32_t count = RowSlotCount(page, format);
  // Rows are packed downwards in slot order: the last slot starts lowest.
  const uint32_t top = count == 0 ? format.pageSize
                                  : LoadU16(&page[format.dataPage.rowOffsets + 2 * (count - 1)]) & kRowOffsetMask;
  const uint32_t start = top - static_cast<uint32_t>(row.size());
  std::copy(row.begin(), row.end(), page.begin() + start);
  StoreU16(&page[format.dataPage.rowOffsets + 2 * count], static_cast<uint16_t>(start));
  StoreU16(&page[format.dataPage.rowCount], static_cast<uint16_t>(count + 1));
  const uint32_t free = LoadU16(&page[format.dataPage.freeSpace]);
  StoreU16(&page[format.dataPage.freeSpace], static_cast<uint16_t>(free - row.size() - 2));
  return static_cast<uint8_t>(count);
}

void MarkRowDeleted(PageBytes& page, const JetFormat& format, uint8_t slot) {
  uint8_t* at = &page[format.dataPage.rowOffsets + 2 * slot];
  StoreU16(at, static_cast<uint16_t>(LoadU16(at) | kRowDeletedFlag | kRowOverflowFlag));
}

}  // namespace jet
