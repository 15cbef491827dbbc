#include "jet/RowCodec.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "jet/Bytes.h"

namespace jet {
namespace {

uint16_t FixedSize(const ColumnDef& c) {
  // A calculated column keeps its wrapped value in the declared length, whatever its type.
  const uint16_t typeSize = c.calculated() ? 0 : FixedTypeSize(c.type());
  return typeSize ? typeSize : c.length;
}

Status BadRow(const Where& context, const std::string& what) { return Status::Corrupt(context, what); }

}  // namespace

RowDecoder::RowDecoder(const TableDef& def, const JetFormat& format) : def_(def), format_(format) {}

Status RowDecoder::readVariableOffsets(std::span<const uint8_t> row, uint32_t maskLength, const Where& context) const {
  varOffsets_.clear();
  const size_t n = row.size();
  if (!format_.jet3) {
    if (n < maskLength + 2) return BadRow(context, "row too short for its variable-column count");
    const uint32_t count = LoadU16(&row[n - maskLength - 2]);
    const size_t tableEnd = n - maskLength - 2;
    if (static_cast<size_t>(count + 1) * 2 > tableEnd) return BadRow(context, "variable-column count is damaged");
    for (uint32_t i = 0; i <= count; ++i) varOffsets_.push_back(LoadU16(&row[tableEnd - 2 * (i + 1)]));
    return Status::Ok();
  }
  // Jet3: one-byte offsets; each jump-table entry names the first variable column
  // whose offset gains another 256.
  if (n < maskLength + 1) return BadRow(context, "row too short for its variable-column count");
  const uint32_t count = row[n - maskLength - 1];
  uint32_t jumps = static_cast<uint32_t>((n - 1) / 256);
  const int64_t pointer = static_cast<int64_t>(n) - maskLength - jumps - 2;  // offset of variable column 0
  if (pointer - static_cast<int64_t>(count) < 0) return BadRow(context, "variable-column table is damaged");
  // A trailing jump entry can be a dummy that no offset needs.
  if (static_cast<double>(pointer - count) / 256.0 < jumps) --jumps;
  uint32_t used = 0;
  for (uint32_t i = 0; i <= count; ++i) {
    while (used < jumps && i == row[n - maskLength - used - 2]) ++used;
    varOffsets_.push_back(row[static_cast<size_t>(pointer - i)] + 256 * used);
  }
  return Status::Ok();
}

Status RowDecoder::split(std::span<const uint8_t> row, std::vector<FieldSlice>& out, const Where& context) const {
  out.assign(def_.columns.size(), FieldSlice{});
  const uint32_t countSize = format_.rowColumnCountSize;
  if (row.size() < countSize) return BadRow(context, "row is empty");
  const uint32_t rowColumns = countSize == 1 ? row[0] : LoadU16(&row[0]);
  const uint32_t maskLength = (rowColumns + 7) / 8;
  if (row.size() < countSize + maskLength) return BadRow(context, "row too short for its null mask");
  const uint8_t* mask = row.data() + row.size() - maskLength;

  if (def_.variableColumnCount > 0) JET_RETURN_IF_ERROR(readVariableOffsets(row, maskLength, context));
  const uint32_t rowVarCount = varOffsets_.empty() ? 0 : static_cast<uint32_t>(varOffsets_.size() - 1);

  for (size_t i = 0; i < def_.columns.size(); ++i) {
    const ColumnDef& c = def_.columns[i];
    FieldSlice& f = out[i];
    if (c.number >= rowColumns) continue;  // column added after this row was written
    f.present = (mask[c.number / 8] >> (c.number % 8)) & 1;
    if (c.inNullMaskOnly() || !f.present) continue;
    if (c.fixed()) {
      const size_t start = countSize + c.fixedOffset;
      if (!InBounds(row, start, FixedSize(c))) {
        return BadRow(context, "column " + c.name + " lies outside the row");
      }
      f.bytes = row.subspan(start, FixedSize(c));
    } else {
      if (c.variableIndex >= rowVarCount) {
        f.present = false;
        continue;
      }
      const uint32_t start = varOffsets_[c.variableIndex];
      const uint32_t end = varOffsets_[c.variableIndex + 1];
      if (start > end || end > row.size()) {
        return BadRow(context, "column " + c.name + " has damaged offsets (" + std::to_string(start) + ".." +
                                   std::to_string(end) + ")");
      }
      f.bytes = row.subspan(start, end - start);
    }
  }
  return Status::Ok();
}

namespace {

// Lays the present fields into `bytes`, a zeroed row: their null-mask bits, fixed data after
// the `headerSize`-byte column count (one byte in Jet3, two after), and the variable slots'
// data in slot order from `varStart`, an absent column's slot empty. Returns each slot's
// start, then the end of data.
const std::vector<size_t>& PlaceFields(const TableDef& def, std::span<const FieldSlice> fields, size_t headerSize,
                                       size_t varStart, uint32_t varSlots, uint8_t* bytes, uint8_t* mask) {
  thread_local std::vector<std::span<const uint8_t>> slots;  // reused from row to row
  slots.assign(varSlots, {});
  for (size_t i = 0; i < fields.size(); ++i) {
    const ColumnDef& c = def.columns[i];
    const FieldSlice& f = fields[i];
    if (!f.present) continue;
    mask[c.number / 8] |= static_cast<uint8_t>(1u << (c.number % 8));
    if (c.inNullMaskOnly()) continue;
    if (c.fixed()) {
      std::copy(f.bytes.begin(), f.bytes.end(), bytes + headerSize + c.fixedOffset);
    } else {
      slots[c.variableIndex] = f.bytes;
    }
  }
  thread_local std::vector<size_t> offsets;
  offsets.clear();
  size_t at = varStart;
  for (const auto& data : slots) {
    offsets.push_back(at);
    if (!data.empty()) std::memcpy(bytes + at, data.data(), data.size());
    at += data.size();
  }
  offsets.push_back(at);
  // Slots follow one another in slot order, the first where the variable area starts:
  // the offset tables and the readers rely on it.
  assert(offsets.front() == varStart);
  assert(std::is_sorted(offsets.begin(), offsets.end()));
  return offsets;
}

// Jet3 rows end, from the back: null mask, variable count (1), jump table, the variable
// offsets (first slot nearest, one byte each: the offset less 256 per jump before it), and
// the end-of-data offset. A row of n bytes has (n - 1) / 256 jump entries; entry j names
// the first offset (slot, or the count for the end of data) at or past 256 * (j + 1). An
// entry no offset reaches, possible only for the last, is a dummy the readers skip.
Status EncodeJet3Row(const TableDef& def, const JetFormat& format, std::span<const FieldSlice> fields,
                     const Where& context, size_t fixedEnd, uint32_t varSlots, size_t varBytes,
                     std::vector<uint8_t>& row) {
  const uint32_t columnCount = def.maxColumns;
  const size_t maskLength = (columnCount + 7) / 8;
  const size_t varStart = 1 + fixedEnd;
  const size_t dataEnd = varStart + varBytes;
  const size_t withoutJumps = dataEnd + 1 + varSlots + 1 + maskLength;
  size_t jumps = 0;
  while ((withoutJumps + jumps - 1) / 256 != jumps) jumps = (withoutJumps + jumps - 1) / 256;
  const size_t total = withoutJumps + jumps;
  if (total > format.maxRowSize) {
    return Status(
        ErrorCode::kInvalidArgument, context,
        "row of " + std::to_string(total) + " bytes exceeds the limit of " + std::to_string(format.maxRowSize));
  }
  if (columnCount > 255 || varSlots > 255) {
    return Status(ErrorCode::kInvalidArgument, context, "an Access 97 row holds at most 255 columns");
  }
  if (jumps > 0 && dataEnd < 256 * (jumps - 1)) {
    return Status(ErrorCode::kInvalidArgument, context, "the row's variable-column table is too long");
  }
  row.assign(total, 0);
  uint8_t* const bytes = row.data();
  bytes[0] = static_cast<uint8_t>(columnCount);
  uint8_t* const mask = bytes + total - maskLength;
  const std::vector<size_t>& offsets = PlaceFields(def, fields, 1, varStart, varSlots, bytes, mask);
  uint8_t* const count = mask - 1;
  *count = static_cast<uint8_t>(varSlots);
  uint8_t* const firstOffset = count - jumps - 1;  // slot 0's; slot i's is i bytes lower
  for (size_t i = 0; i < offsets.size(); ++i) firstOffset[-static_cast<ptrdiff_t>(i)] = static_cast<uint8_t>(offsets[i]);
  // The data ends before the offset table.
  assert(offsets.back() <= static_cast<size_t>(firstOffset + 1 - bytes) - offsets.size());
  for (size_t j = 0; j < jumps; ++j) {
    uint8_t entry = 0xFF;  // dummy
    for (size_t i = 0; i < offsets.size(); ++i) {
      if (offsets[i] >= 256 * (j + 1)) {
        entry = static_cast<uint8_t>(i);
        break;
      }
    }
    count[-1 - static_cast<ptrdiff_t>(j)] = entry;
  }
  return Status::Ok();
}

}  // namespace

Status EncodeRowInto(const TableDef& def, const JetFormat& format, std::span<const FieldSlice> fields,
                     const Where& context, std::vector<uint8_t>& row) {
  if (fields.size() != def.columns.size()) {
    return Status::InvalidArgument(context, "row has " + std::to_string(fields.size()) +
                                                " values for " + std::to_string(def.columns.size()) + " columns");
  }
  const uint32_t columnCount = def.maxColumns;
  const size_t maskLength = (columnCount + 7) / 8;
  size_t fixedEnd = 0;
  uint32_t varSlots = 0;
  size_t varBytes = 0;
  for (size_t i = 0; i < fields.size(); ++i) {
    const ColumnDef& c = def.columns[i];
    if (c.inNullMaskOnly()) continue;
    if (c.fixed()) {
      fixedEnd = std::max<size_t>(fixedEnd, c.fixedOffset + FixedSize(c));
      if (fields[i].present && fields[i].bytes.size() != FixedSize(c)) {
        return Status::InvalidArgument(context, "column " + c.name + " needs " +
                                                    std::to_string(FixedSize(c)) + " bytes");
      }
    } else {
      varSlots = std::max<uint32_t>(varSlots, c.variableIndex + 1u);
      if (fields[i].present) varBytes += fields[i].bytes.size();
    }
  }
  if (format.jet3) return EncodeJet3Row(def, format, fields, context, fixedEnd, varSlots, varBytes, row);
  // Fixed data, variable data, then the end-of-data offset, the offsets (last slot first),
  // their count and the null mask.
  const size_t varStart = 2 + fixedEnd;
  const size_t total = varStart + varBytes + 2 + 2 * static_cast<size_t>(varSlots) + 2 + maskLength;
  if (total > format.maxRowSize) {
    return Status::InvalidArgument(context, "row of " + std::to_string(total) +
                                                " bytes exceeds the limit of " + std::to_string(format.maxRowSize));
  }
  row.assign(total, 0);
  uint8_t* const bytes = row.data();
  StoreU16(bytes, static_cast<uint16_t>(columnCount));
  uint8_t* const mask = bytes + total - maskLength;
  const std::vector<size_t>& offsets = PlaceFields(def, fields, 2, varStart, varSlots, bytes, mask);
  // The count, then the offsets before it, first slot nearest, the end of data last.
  uint8_t* at = mask - 2;
  StoreU16(at, static_cast<uint16_t>(varSlots));
  for (size_t offset : offsets) {
    at -= 2;
    StoreU16(at, static_cast<uint16_t>(offset));
  }
  assert(offsets.back() <= static_cast<size_t>(at - bytes));  // data ends before the table
  return Status::Ok();
}

Result<std::vector<uint8_t>> EncodeRow(const TableDef& def, const JetFormat& format, std::span<const FieldSlice> fields,
                                       const Where& context) {
  std::vector<uint8_t> row;
  JET_RETURN_IF_ERROR(EncodeRowInto(def, format, fields, context, row));
  return row;
}

}  // namespace jet
