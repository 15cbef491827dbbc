// Adds rows to and removes rows from one table: encodes the values (the inverse of the
// row and value codecs), stores long values, picks a data page (the table's last page
// with room, else a new one entered in the table's usage maps), maintains the indexes
// and the TDEF row count.
#pragma once

#include <string>
#include <vector>

#include "jet/Status.h"
#include "jet/TableDef.h"
#include "jet/Value.h"
#include "jet/format/PageTypes.h"
#include "jet/write/PageWriter.h"
#include "jet/write/StoredText.h"

namespace jet {

struct InsertOptions {
  bool catalogue = false;  // system-table rows: changed pages are flushed last
};

// Inserts one row; `values` in definition order (def.columns), one per column. A value
// that does not fit its column, or Null in a column whose "Required" property is set, is
// kInvalidArgument naming the table and column. AutoNumber columns holding Null are
// numbered (jet/write/AutoNumbers.h); explicit values are kept.
Result<RowPointer> InsertRow(PageWriter& writer, const TableDef& def, const std::vector<Value>& values,
                             const InsertOptions& options = {});

// Deletes the row at `row`, whose decoded values are `values` (for its index entries),
// with its long values' rows.
Status DeleteRow(PageWriter& writer, const TableDef& def, RowPointer row, const std::vector<Value>& values,
                 const InsertOptions& options = {});

// The bytes a fixed or variable column stores for `value` (not memo/OLE: see
// WriteLongValue); text as `storage` says. Exposed for the tests.
Result<std::vector<uint8_t>> EncodeColumnValue(const ColumnDef& column, const Value& value, const Where& context,
                                               const TextStorage& storage = {});

}  // namespace jet
