#include "jet/TableDef.h"

#include <algorithm>
#include <unordered_set>

#include "jet/Bytes.h"
#include "jet/Text.h"

namespace jet {
namespace {

// Sequential reader over the definition bytes that turns every overrun into an error.
class DefCursor {
 public:
  DefCursor(std::span<const uint8_t> bytes, const Where& context) : bytes_(bytes), context_(context) {}

  bool need(size_t offset, size_t length) const { return InBounds(bytes_, offset, length); }
  Status truncated(const std::string& what) const {
    return Status::Corrupt(context_, "table definition is truncated (" + what + ")");
  }
  const uint8_t* at(size_t offset) const { return bytes_.data() + offset; }

 private:
  std::span<const uint8_t> bytes_;
  const Where& context_;
};

std::string DecodeName(std::span<const uint8_t> bytes, const DatabaseHeader& header) {
  return header.jet3() ? DecodeCodePageText(bytes, header.codePage) : DecodeJet4Text(bytes);
}

}  // namespace

std::vector<const ColumnDef*> TableDef::columnsByNumber() const {
  std::vector<const ColumnDef*> out;
  out.reserve(columns.size());
  for (const auto& c : columns) out.push_back(&c);
  // Most tables list their columns in number order already: no sort (and no sort buffer) then.
  auto byNumber = [](auto* a, auto* b) { return a->number < b->number; };
  if (!std::is_sorted(out.begin(), out.end(), byNumber)) std::stable_sort(out.begin(), out.end(), byNumber);
  return out;
}

const ColumnDef* TableDef::findColumn(const std::string& name) const {
  for (const auto& c : columns) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

Result<TableDef> ReadTableDef(PageFile& file, uint32_t firstPage, const std::string& tableName) {
  const Where context = Where::Table(file.fileName(), tableName);
  std::vector<uint8_t> bytes;
  std::vector<uint32_t> pages;
  std::unordered_set<uint32_t> seen;
  for (uint32_t page = firstPage; page != 0;) {
    if (!seen.insert(page).second) {
      return Status::Corrupt(context, "the table definition pages form a loop at page " +
                                          std::to_string(page));
    }
    JET_ASSIGN_OR_RETURN(auto bytesRead, file.readTyped(page, PageType::kTableDef, "the definition of table " + tableName));
    const PageBytes& p = *bytesRead;
    if (pages.empty()) {
      bytes.assign(p.begin(), p.end());
    } else {
      bytes.insert(bytes.end(), p.begin() + JetFormat::kTdefContinuationSkip, p.end());
    }
    pages.push_back(page);
    page = LoadU32(&p[file.format().tdef.nextPage]);
  }
  auto def = ParseTableDef(bytes, file.header(), context);
  if (!def.ok()) return def;
  def->name = tableName;
  def->pages = std::move(pages);
  return def;
}

Result<TableDef> ParseTableDef(std::span<const uint8_t> bytes, const DatabaseHeader& header, const Where& context) {
  const JetFormat& f = *header.format;
  const TdefLayout& t = f.tdef;
  DefCursor in(bytes, context);
  if (!in.need(0, t.realIndexCounts)) return in.truncated("header");

  TableDef def;
  def.rowCount = LoadU32(in.at(t.rowCount));
  def.nextAutoNumber = LoadU32(in.at(t.nextAutoNumber));
  if (t.nextComplexAutoNumber != kNone && header.ace()) def.nextComplexAutoNumber = LoadU32(in.at(t.nextComplexAutoNumber));
  def.tableType = bytes[t.tableType];
  def.maxColumns = LoadU16(in.at(t.maxColumns));
  def.variableColumnCount = LoadU16(in.at(t.variableColumns));
  const uint16_t columnCount = LoadU16(in.at(t.columnCount));
  const uint32_t logicalCount = LoadU32(in.at(t.logicalIndexCount));
  const uint32_t realCount = LoadU32(in.at(t.realIndexCount));
  def.ownedPages = RowPointer::FromPacked(LoadU32(in.at(t.ownedPagesMap)));
  def.freeSpacePages = RowPointer::FromPacked(LoadU32(in.at(t.freeSpaceMap)));
  // Access allows 255 columns and 32 indexes per table; counts beyond 256 columns or 64
  // indexes, a margin above those, mean damage, and checking here keeps a damaged count
  // from driving huge allocations.
  if (columnCount > 256 || realCount > 64 || logicalCount > 64) {
    return Status::Corrupt(context, "table definition has impossible counts (" +
                                        std::to_string(columnCount) + " columns, " + std::to_string(realCount) +
                                        " indexes)");
  }

  size_t pos = t.realIndexCounts;
  def.realIndexes.resize(realCount);
  for (auto& index : def.realIndexes) {
    if (!in.need(pos, t.realIndexCountSize)) return in.truncated("index counts");
    index.uniqueEntryCount = LoadU32(in.at(pos + 4));
    pos += t.realIndexCountSize;
  }

  const ColumnBlockLayout& c = f.column;
  def.columns.resize(columnCount);
  for (auto& col : def.columns) {
    if (!in.need(pos, c.size)) return in.truncated("columns");
    const uint8_t* b = in.at(pos);
    col.typeCode = b[c.type];
    col.number = LoadU16(b + c.number);
    col.variableIndex = LoadU16(b + c.variableIndex);
    col.fixedOffset = LoadU16(b + c.fixedOffset);
    col.length = LoadU16(b + c.length);
    col.flags = b[c.flags];
    if (c.extFlags != kNone) col.extFlags = b[c.extFlags];
    switch (col.type()) {
      case ColumnType::kText:
      case ColumnType::kMemo:
        col.sortOrder = {LoadU16(b + c.sortOrder), f.jet3 ? uint8_t{0} : b[c.sortOrder + 3],
                         f.jet3 ? uint8_t{0} : b[c.sortOrder + 2]};
        if (c.codePage != kNone) col.codePage = LoadU16(b + c.codePage);
        break;
      case ColumnType::kNumeric:
        col.precision = b[c.precision];
        col.scale = b[c.scale];
        break;
      case ColumnType::kComplex:
        if (c.complexId != kNone) col.complexId = LoadU32(b + c.complexId);
        break;
      default:
        break;
    }
    pos += c.size;
  }

  auto readName = [&](std::string& out, const char* what) -> Status {
    if (!in.need(pos, t.nameLengthSize)) return in.truncated(what);
    const size_t length = t.nameLengthSize == 1 ? bytes[pos] : LoadU16(in.at(pos));
    pos += t.nameLengthSize;
    if (!in.need(pos, length)) return in.truncated(what);
    out = DecodeName(bytes.subspan(pos, length), header);
    pos += length;
    return Status::Ok();
  };
  for (auto& col : def.columns) JET_RETURN_IF_ERROR(readName(col.name, "column names"));

  const RealIndexLayout& r = f.realIndex;
  for (auto& index : def.realIndexes) {
    if (!in.need(pos, r.size)) return in.truncated("indexes");
    const uint8_t* b = in.at(pos);
    for (uint32_t k = 0; k < JetFormat::kRealIndexColumnSlots; ++k) {
      const uint16_t number = LoadU16(b + r.columns + 3 * k);
      if (number == 0xFFFF) continue;
      index.columns.push_back({number, b[r.columns + 3 * k + 2] == 1});
    }
    index.usageMap = RowPointer::FromPacked(LoadU32(b + r.usageMap));
    index.rootPage = LoadU32(b + r.rootPage);
    index.flags = b[r.flags];
    pos += r.size;
  }

  const LogicalIndexLayout& l = f.logicalIndex;
  def.logicalIndexes.resize(logicalCount);
  for (auto& index : def.logicalIndexes) {
    if (!in.need(pos, l.size)) return in.truncated("logical indexes");
    const uint8_t* b = in.at(pos);
    index.number = LoadU32(b + l.number);
    index.realIndex = LoadU32(b + l.realIndex);
    index.relatedTableType = b[l.relatedTableType];
    index.relatedIndex = LoadU32(b + l.relatedIndex);
    index.relatedTable = LoadU32(b + l.relatedTable);
    index.cascadeUpdates = b[l.cascadeUpdates] != 0;
    index.cascadeDeletes = b[l.cascadeDeletes] != 0;
    index.indexType = b[l.indexType];
    pos += l.size;
  }
  for (auto& index : def.logicalIndexes) JET_RETURN_IF_ERROR(readName(index.name, "index names"));

  // Trailer: per memo/OLE column its own usage maps, up to FF FF.
  while (in.need(pos, 2) && LoadU16(in.at(pos)) != 0xFFFF) {
    if (!in.need(pos, 10)) return in.truncated("long-value maps");
    const uint16_t number = LoadU16(in.at(pos));
    for (auto& col : def.columns) {
      if (col.number == number) {
        col.ownedPages = RowPointer::FromPacked(LoadU32(in.at(pos + 2)));
        col.freePages = RowPointer::FromPacked(LoadU32(in.at(pos + 6)));
      }
    }
    pos += 10;
  }

  def.raw.assign(bytes.begin(), bytes.end());
  return def;
}

}  // namespace jet
