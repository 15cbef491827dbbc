// Row slots on data pages, the writer's side of jet/DataPage.h: a fresh data page, the
// room a page has, adding a row below the packed area and flagging a row deleted.
#pragma once

#include <cstdint>
#include <span>

#include "jet/PageFile.h"
#include "jet/format/JetFormat.h"
#include "jet/write/PageWriter.h"

namespace jet {

// An empty data page owned by `owner` (a TDEF page, kLongValuePageTag, or 0 for map pages).
void InitDataPage(PageBytes& page, const JetFormat& format, uint32_t owner);
// InitDataPage for a page that is all zeros already (a new page from PageWriter::allocate).
void InitNewDataPage(PageBytes& page, const JetFormat& format, uint32_t owner);

// True if a row of `size` bytes (plus its slot) fits and the page has a free slot.
bool RowFits(const PageBytes& page, const JetFormat& format, size_t size);

// Adds `row` as a new slot; the caller checked RowFits. Returns the slot number.
uint8_t AddRow(PageBytes& page, const JetFormat& format, std::span<const uint8_t> row);

// AddRow on `page` through `writer`, saving for undo only the bytes the new row changes
// (the header with its slot table, and the row's place). The page must have room (RowFits);
// a page whose slots point outside it is refused as damaged.
Result<uint8_t> AddRowToPage(PageWriter& writer, uint32_t page, std::span<const uint8_t> row);

// Flags slot `slot` deleted (its bytes stay until Access compacts the file).
void MarkRowDeleted(PageBytes& page, const JetFormat& format, uint8_t slot);

}  // namespace jet
