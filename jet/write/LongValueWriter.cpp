#include "jet/write/LongValueWriter.h"

#include "jet/Bytes.h"
#include "jet/DataPage.h"
#include "jet/LongValue.h"
#include "jet/format/JetFormat.h"
#include "jet/write/DataPageWriter.h"
#include "jet/write/UsageMapWriter.h"
#include "jet/write/WriteFormat.h"

namespace jet {
namespace {

// Places one LVAL row on the column's last page with room, or on a new LVAL page.
Result<RowPointer> AddLongValueRow(PageWriter& writer, const TableDef& table, const ColumnDef& column,
                                   std::span<const uint8_t> row) {
  auto what = [&] { return "column " + column.name + " of table " + table.name; };
  JET_ASSIGN_OR_RETURN(auto owned, writer.usageMap(column.ownedPages, what));
  JET_ASSIGN_OR_RETURN(auto last, owned->lastMember());
  if (last.has_value()) {
    JET_ASSIGN_OR_RETURN(auto page, writer.file().read(*last));
    if (LoadU32(&(*page)[writer.format().dataPage.owner]) == kLongValuePageTag &&
        RowFits(*page, writer.format(), row.size())) {
      JET_ASSIGN_OR_RETURN(auto slot, AddRowToPage(writer, *last, row));
      return RowPointer{*last, slot};
    }
  }
  JET_ASSIGN_OR_RETURN(auto fresh, writer.allocate());
  JET_ASSIGN_OR_RETURN(auto bytes, writer.modify(fresh));
  InitNewDataPage(*bytes, writer.format(), kLongValuePageTag);
  const uint8_t slot = AddRow(*bytes, writer.format(), row);
  JET_RETURN_IF_ERROR(owned->add(fresh));
  JET_ASSIGN_OR_RETURN(auto free, writer.usageMap(column.freePages, what));
  JET_RETURN_IF_ERROR(free->add(fresh));
  return RowPointer{fresh, slot};
}

}  // namespace

Status WriteLongValue(PageWriter& writer, const TableDef& table, const ColumnDef& column,
                      std::span<const uint8_t> data, bool allowInline, std::vector<uint8_t>& field) {
  if (allowInline && data.size() <= JetFormat::kMaxInlineLongValue) {
    field = EncodeInlineLongValue(data);
    return Status::Ok();
  }
  if (data.size() > long_value::kLengthMask) {
    return Status::InvalidArgument(Where::File(writer.file().fileName()),
                                   "table " + table.name + ", column " + column.name + ": value of " +
                                       std::to_string(data.size()) + " bytes is too long");
  }
  if (column.ownedPages.null() || column.freePages.null()) {
    return Status::Unsupported(Where::File(writer.file().fileName()),
                               "table " + table.name + ", column " + column.name +
                                   " has no long-value page maps; cannot store " + std::to_string(data.size()) +
                                   " bytes in it");
  }
  std::vector<uint8_t>& reference = field;
  reference.assign(JetFormat::kLongValueReferenceSize, 0);
  if (data.size() <= write_format::MaxLongValueRow(writer.format())) {
    JET_ASSIGN_OR_RETURN(auto at, AddLongValueRow(writer, table, column, data));
    StoreU32(reference.data(), static_cast<uint32_t>(data.size()) | long_value::kFlagSingleRow);
    StoreU32(reference.data() + long_value::kRowPointerOffset, at.packed());
    return Status::Ok();
  }
  // A chain, written from its end so that each row knows the next one.
  const size_t piece = write_format::MaxChainData(writer.format());
  const size_t pieces = (data.size() + piece - 1) / piece;
  RowPointer next;
  std::vector<uint8_t> row;
  for (size_t k = pieces; k-- > 0;) {
    const size_t from = k * piece;
    const size_t length = std::min(piece, data.size() - from);
    row.assign(long_value::kChainHeader, 0);
    StoreU32(row.data(), next.packed());
    row.insert(row.end(), data.begin() + from, data.begin() + from + length);
    JET_ASSIGN_OR_RETURN(auto at, AddLongValueRow(writer, table, column, row));
    next = at;
  }
  StoreU32(reference.data(), static_cast<uint32_t>(data.size()));
  StoreU32(reference.data() + long_value::kRowPointerOffset, next.packed());
  return Status::Ok();
}

Result<std::vector<RowPointer>> LongValueRows(PageFile& file, std::span<const uint8_t> reference,
                                              const Where& context) {
  std::vector<RowPointer> rows;
  if (reference.size() < JetFormat::kLongValueReferenceSize) return rows;
  const uint32_t header = LoadU32(reference.data());
  if (header & long_value::kFlagInline) return rows;
  RowPointer at = RowPointer::FromPacked(LoadU32(reference.data() + long_value::kRowPointerOffset));
  if (header & long_value::kFlagSingleRow) {
    rows.push_back(at);
    return rows;
  }
  while (!at.null()) {
    if (rows.size() > (1u << 20)) return Status::Corrupt(context, "long-value chain loops");
    rows.push_back(at);
    JET_ASSIGN_OR_RETURN(auto row, ReadRow(file, at, context.text()));
    if (row.bytes().size() < long_value::kChainHeader) break;
    at = RowPointer::FromPacked(LoadU32(row.bytes().data()));
  }
  return rows;
}

}  // namespace jet
