#include "jet/write/DataPageWriter.h"

#include <algorithm>
#include <string>

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

namespace {

// Rows are packed downwards in slot order: the last slot starts lowest.
uint32_t PackedTop(const PageBytes& page, const JetFormat& format, uint32_t count) {
  return count == 0 ? format.pageSize : LoadU16(&page[format.dataPage.rowOffsets + 2 * (count - 1)]) & kRowOffsetMask;
}

}  // namespace

uint8_t AddRow(PageBytes& page, const JetFormat& format, std::span<const uint8_t> row) {
  const uint32_t count = RowSlotCount(page, format);
  const uint32_t start = PackedTop(page, format, count) - static_cast<uint32_t>(row.size());
  std::copy(row.begin(), row.end(), page.begin() + start);
  StoreU16(&page[format.dataPage.rowOffsets + 2 * count], static_cast<uint16_t>(start));
  StoreU16(&page[format.dataPage.rowCount], static_cast<uint16_t>(count + 1));
  const uint32_t free = LoadU16(&page[format.dataPage.freeSpace]);
  StoreU16(&page[format.dataPage.freeSpace], static_cast<uint16_t>(free - row.size() - 2));
  return static_cast<uint8_t>(count);
}

Result<uint8_t> AddRowToPage(PageWriter& writer, uint32_t page, std::span<const uint8_t> row) {
  const JetFormat& format = writer.format();
  JET_ASSIGN_OR_RETURN(auto current, writer.file().read(page));
  const uint32_t count = RowSlotCount(*current, format);
  if (count >= kMaxRowsPerDataPage) {
    return Status::Corrupt(Where::File(writer.file().fileName()),
                           "data page " + std::to_string(page) + " has no free row slot");
  }
  const uint32_t slotsEnd = format.dataPage.rowOffsets + 2 * (count + 1);
  const uint32_t top = PackedTop(*current, format, count);
  if (top > format.pageSize || top < row.size() || top - row.size() < slotsEnd) {
    return Status::Corrupt(
        Where::File(writer.file().fileName()),
        "data page " + std::to_string(page) + " has row slots that overlap or point beyond the page");
  }
  const auto start = static_cast<uint32_t>(top - row.size());
  JET_ASSIGN_OR_RETURN(auto bytes, writer.modifyRanges(page, {{0, slotsEnd}, {start, static_cast<uint32_t>(row.size())}}));
  return AddRow(*bytes, format, row);
}

void MarkRowDeleted(PageBytes& page, const JetFormat& format, uint8_t slot) {
  uint8_t* at = &page[format.dataPage.rowOffsets + 2 * slot];
  StoreU16(at, static_cast<uint16_t>(LoadU16(at) | kRowDeletedFlag | kRowOverflowFlag));
}

}  // namespace jet
