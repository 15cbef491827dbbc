// Writes memo and OLE data ("long values") and returns the 12-byte reference a row
// stores: inline after the reference when short, else one LVAL row, else a chain of
// LVAL rows each starting with the next row's pointer. LVAL pages come from and go to
// the column's own usage maps (the TDEF's long-value map list), not the table's.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "jet/Status.h"
#include "jet/TableDef.h"
#include "jet/write/PageWriter.h"

namespace jet {

// Stores `data` and replaces `field` with what the row holds for it: the data inline, or
// a reference to its LVAL row(s). `allowInline`: the row has room for the data inline
// (values over 64 bytes never are).
Status WriteLongValue(PageWriter& writer, const TableDef& table, const ColumnDef& column,
                      std::span<const uint8_t> data, bool allowInline, std::vector<uint8_t>& field);

// The LVAL rows a stored reference uses (none for inline values): for deleting it.
Result<std::vector<RowPointer>> LongValueRows(PageFile& file, std::span<const uint8_t> reference, const Where& context);

}  // namespace jet
