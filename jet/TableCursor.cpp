#include "jet/TableCursor.h"

#include "jet/Bytes.h"
#include "jet/ValueCodec.h"

namespace jet {
namespace {

// A moved row's pointer may itself have moved again; Access never chains deeply.
constexpr int kMaxOverflowHops = 8;

}  // namespace

TableCursor::TableCursor(PageFile& file, std::shared_ptr<const TableDef> def, UsageMap pages,
                         ComplexResolver resolver)
    : file_(&file), def_(std::move(def)), pages_(std::move(pages)), resolver_(std::move(resolver)) {
  decoder_ = std::make_unique<RowDecoder>(*def_, file.format());
  tableContext_ = Where::Table(file.fileName(), def_->name);
  for (const ColumnDef& column : def_->columns) columnContexts_.push_back(tableContext_ + ", column " + column.name);
}

Result<TableCursor> TableCursor::Open(PageFile& file, std::shared_ptr<const TableDef> def,
                                      ComplexResolver resolver) {
  JET_ASSIGN_OR_RETURN(auto map, UsageMap::Read(file, def->ownedPages, "table " + def->name));
  return TableCursor(file, std::move(def), std::move(map), std::move(resolver));
}

Where TableCursor::rowContext() const {
  return tableContext_ + " (page " + std::to_string(position_.page) + ", row " + std::to_string(position_.slot) + ")";
}

Result<bool> TableCursor::nextPage() {
  while (true) {
    JET_ASSIGN_OR_RETURN(auto page, pages_.next(*file_, mapCursor_));
    if (!page.has_value()) return false;
    pageNumber_ = *page;
    JET_ASSIGN_OR_RETURN(auto bytes, file_->read(pageNumber_));
    const PageBytes& p = *bytes;
    const uint32_t owner = LoadU32(&p[file_->format().dataPage.owner]);
    if (p[kPageTypeOffset] != static_cast<uint8_t>(PageType::kData) || owner != def_->firstPage()) {
      return Status::Corrupt(tableContext_, "page " + std::to_string(pageNumber_) +
                                                " is listed as a data page of the table but belongs elsewhere");
    }
    page_ = std::move(bytes);
    slotCount_ = RowSlotCount(*page_, file_->format());
    nextSlot_ = 0;
    return true;
  }
}

Result<bool> TableCursor::next() {
  const JetFormat& format = file_->format();
  while (true) {
    if (!page_ || nextSlot_ >= slotCount_) {
      JET_ASSIGN_OR_RETURN(auto more, nextPage());
      if (!more) {
        page_.reset();
        rowPage_.reset();
        return false;
      }
      continue;
    }
    const uint32_t slotIndex = nextSlot_++;
    position_ = {pageNumber_, static_cast<uint8_t>(slotIndex)};
    JET_ASSIGN_OR_RETURN(auto slot, ReadRowSlot(*page_, format, pageNumber_, slotIndex, file_->fileName()));
    if (slot.deleted() || slot.overflowTarget()) continue;

    PageRef rowPage = page_;
    RowSlot rowSlot = slot;
    for (int hop = 0; rowSlot.overflowPointer(); ++hop) {
      if (hop == kMaxOverflowHops || rowSlot.length() < 4) {
        return Status::Corrupt(rowContext(), "damaged pointer to a moved row");
      }
      const RowPointer target = RowPointer::FromPacked(LoadU32(rowPage->data() + rowSlot.start));
      JET_ASSIGN_OR_RETURN(auto row, ReadRow(*file_, target, "a moved row of table " + def_->name));
      if (row.slot.deleted()) {
        rowSlot.flags = kRowDeletedFlag | kRowOverflowFlag;
        break;
      }
      rowPage = std::move(row.page);
      rowSlot = row.slot;
    }
    if (rowSlot.deleted()) continue;
    rowPage_ = std::move(rowPage);
    const std::span<const uint8_t> bytes(rowPage_->data() + rowSlot.start, rowSlot.length());
    Status split = decoder_->split(bytes, fields_, tableContext_);
    if (!split.ok())
      return split.Appended(" (page " + std::to_string(position_.page) + ", row " + std::to_string(position_.slot) +
                            ")");
    return true;
  }
}

Result<Value> TableCursor::value(size_t index) {
  const ColumnDef& column = def_->columns[index];
  auto v = DecodeValue(*file_, column, fields_[index], tableContext_, &columnContexts_[index]);
  if (!v.ok())
    return v.status().Appended(" (page " + std::to_string(position_.page) + ", row " + std::to_string(position_.slot) +
                               ")");
  if (!v.ok() || column.type() != ColumnType::kComplex || IsNull(*v)) return v;
  if (!resolver_) return Value(Unsupported{"complex column values are not resolved here"});
  return resolver_(*def_, column, std::get<int32_t>(*v));
}

Result<std::optional<int32_t>> TableCursor::complexKey(size_t index) {
  const ColumnDef& column = def_->columns[index];
  if (column.type() != ColumnType::kComplex) return Status(ErrorCode::kInvalidArgument, column.name + " is no complex column");
  auto v = DecodeValue(*file_, column, fields_[index], tableContext_, &columnContexts_[index]);
  if (!v.ok()) return v.status();
  if (const auto* key = std::get_if<int32_t>(&*v)) return std::optional<int32_t>(*key);
  return std::optional<int32_t>();
}

}  // namespace jet
