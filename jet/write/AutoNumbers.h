// AutoNumber columns on insert. An increment column (Long) takes the table's last number
// plus one; the definition keeps that last number (TDEF "next autonumber" field, which
// holds the last value handed out: a table of rows 1..3 stores 3). A replication ID column
// (GUID) takes a new random GUID. An explicit value is kept, and an increment value above
// the last number becomes the last number, so that every later number is new.
#pragma once

#include <string>
#include <vector>

#include "jet/Status.h"
#include "jet/TableDef.h"
#include "jet/Value.h"
#include "jet/write/PageWriter.h"

namespace jet {

// True when an AutoNumber column of the row holds Null: FillAutoNumbers must number it.
bool LacksAutoNumbers(const TableDef& def, const std::vector<Value>& values);

// Gives each AutoNumber column that holds Null its next value; `values` in definition order.
// An increment column past 2,147,483,647 is kInvalidArgument naming the table and column.
Status FillAutoNumbers(PageWriter& writer, const TableDef& def, std::vector<Value>& values, const Where& context);

// Moves the table's last number up to the largest explicit increment value above it.
Status KeepAutoNumbers(PageWriter& writer, const TableDef& def, const std::vector<Value>& values);

// The last number handed out, as the definition on disk (or in the running batch) keeps it.
Result<int32_t> LastAutoNumber(PageWriter& writer, const TableDef& def);

}  // namespace jet
