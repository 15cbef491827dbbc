// The row format: column count | fixed area | variable data | [EOD, variable offsets
// (last first), variable count] | null mask (1 bit per column number, 1 = present).
// Jet3 uses one-byte counts and offsets plus a jump table for rows over 255 bytes.
// The decoder splits a row into one slice per column; the encoder builds a row of the
// file's format from slices. Turning slices into values is ValueCodec's job.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "jet/Status.h"
#include "jet/TableDef.h"
#include "jet/format/JetFormat.h"

namespace jet {

// One column of one row. For Yes/No columns `present` is the value itself.
struct FieldSlice {
  bool present = false;
  std::span<const uint8_t> bytes;
};

class RowDecoder {
 public:
  RowDecoder(const TableDef& def, const JetFormat& format);

  // Fills `out` (resized to def.columns.size(), definition order) from `row`.
  // `context` names file, table and row for errors.
  Status split(std::span<const uint8_t> row, std::vector<FieldSlice>& out, const Where& context) const;

 private:
  Status readVariableOffsets(std::span<const uint8_t> row, uint32_t maskLength, const Where& context) const;

  const TableDef& def_;
  const JetFormat& format_;
  mutable std::vector<uint32_t> varOffsets_;  // scratch, reused per row
};

// Builds a row: `fields` in definition order; fixed columns must carry exactly
// their size (or be absent), Yes/No columns only `present`. Refuses rows over the
// format's maximum row size.
Result<std::vector<uint8_t>> EncodeRow(const TableDef& def, const JetFormat& format, std::span<const FieldSlice> fields,
                                       const Where& context);
// EncodeRow into `row` (replaced), whose buffer a caller can keep from row to row.
Status EncodeRowInto(const TableDef& def, const JetFormat& format, std::span<const FieldSlice> fields,
                     const Where& context, std::vector<uint8_t>& row);

}  // namespace jet
