#include "jet/write/IndexDefinitions.h"

#include <algorithm>

#include "jet/Bytes.h"
#include "jet/Catalog.h"
#include "jet/Text.h"
#include "jet/format/ColumnTypes.h"

namespace jet {
namespace {

constexpr uint32_t kRealIndexMagic = 1923;
constexpr uint32_t kLogicalIndexMagic = 1625;
constexpr uint16_t kUnusedIndexColumn = 0xFFFF;
constexpr uint8_t kAscendingColumn = 0x01;
constexpr uint32_t kNoRelatedIndex = 0xFFFFFFFF;
// The two bytes an Access-made logical index that is not a foreign key holds where a
// foreign key keeps its cascade flags.
constexpr uint8_t kNotForeignKeyCascadeBytes = 0x04;

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

uint8_t RealIndexFlags(const NewIndex& index) {
  uint8_t flags = real_index_flags::kAlways;
  if (index.primaryKey || index.unique) flags |= real_index_flags::kUnique;
  if (index.primaryKey || index.required) flags |= real_index_flags::kRequired;
  if (index.ignoreNulls && !index.primaryKey) flags |= real_index_flags::kIgnoreNulls;
  return flags;
}

Result<std::vector<IndexColumn>> ResolveIndexColumns(const TableDef& table, const NewIndex& index,
                                                     const Where& context) {
  const Where where = context + ", index " + index.name;
  if (index.name.empty()) return Status(ErrorCode::kInvalidArgument, context, "an index needs a name");
  if (index.columns.empty() || index.columns.size() > JetFormat::kRealIndexColumnSlots) {
    return Status(ErrorCode::kInvalidArgument, where, "an index has 1 to 10 columns");
  }
  for (const auto& logical : table.logicalIndexes) {
    if (EqualsIgnoreCase(logical.name, index.name)) {
      return Status(ErrorCode::kExists, context, "an index named " + index.name + " exists already");
    }
    if (index.primaryKey && logical.indexType == kLogicalIndexPrimaryKey) {
      return Status(ErrorCode::kExists, context, "the table has a primary key already (" + logical.name + ")");
    }
  }
  std::vector<IndexColumn> out;
  for (const auto& wanted : index.columns) {
    const ColumnDef* found = nullptr;
    for (const auto& c : table.columns) {
      if (EqualsIgnoreCase(c.name, wanted.name)) found = &c;
    }
    if (!found) return Status::NotFound(where, "the table has no column " + wanted.name);
    for (const auto& taken : out) {
      if (taken.columnNumber == found->number) {
        return Status(ErrorCode::kInvalidArgument, where, "column " + found->name + " is named twice");
      }
    }
    switch (found->type()) {
      case ColumnType::kOle:
      case ColumnType::kComplex:
      case ColumnType::kUnknown0D:
      case ColumnType::kUnknown11:
      case ColumnType::kDateTimeExtended:
        return Status::Unsupported(where, "column " + found->name + " (" +
                                              std::string(ColumnTypeName(found->type())) + ") cannot be indexed");
      default: break;
    }
    if (found->calculated()) {
      return Status::Unsupported(where, "column " + found->name + " is calculated and cannot be indexed here");
    }
    out.push_back({found->number, wanted.ascending});
  }
  return out;
}

int FindRealIndex(const std::vector<RealIndexDef>& reals, const std::vector<IndexColumn>& columns, uint8_t flags,
                  bool anyFlags) {
  for (size_t i = 0; i < reals.size(); ++i) {
    const RealIndexDef& r = reals[i];
    if (r.columns.size() != columns.size()) continue;
    bool same = anyFlags || r.flags == flags;
    for (size_t k = 0; same && k < columns.size(); ++k) {
      same = r.columns[k].columnNumber == columns[k].columnNumber && r.columns[k].ascending == columns[k].ascending;
    }
    if (same) return static_cast<int>(i);
  }
  return -1;
}

void AppendRealIndexCount(std::vector<uint8_t>& out, uint32_t uniqueEntries) {
  Put32(out, 0);
  Put32(out, uniqueEntries);
  Put32(out, 0);
}

void AppendRealIndexBlock(std::vector<uint8_t>& out, const RealIndexDef& real, const JetFormat& format) {
  const RealIndexLayout& r = format.realIndex;
  std::vector<uint8_t> block(r.size, 0);
  StoreU32(&block[0], kRealIndexMagic);
  for (uint32_t slot = 0; slot < JetFormat::kRealIndexColumnSlots; ++slot) {
    uint8_t* at = &block[r.columns + slot * 3];
    const bool used = slot < real.columns.size();
    StoreU16(at, used ? real.columns[slot].columnNumber : kUnusedIndexColumn);
    at[2] = used && real.columns[slot].ascending ? kAscendingColumn : 0;
  }
  StoreU32(&block[r.usageMap], real.usageMap.packed());
  StoreU32(&block[r.rootPage], real.rootPage);
  block[r.flags] = real.flags;
  out.insert(out.end(), block.begin(), block.end());
}

void AppendLogicalIndexBlock(std::vector<uint8_t>& out, const LogicalIndexDef& logical, const JetFormat& format) {
  const LogicalIndexLayout& l = format.logicalIndex;
  std::vector<uint8_t> block(l.size, 0);
  StoreU32(&block[0], kLogicalIndexMagic);
  StoreU32(&block[l.number], logical.number);
  StoreU32(&block[l.realIndex], logical.realIndex);
  const bool foreign = logical.indexType == kLogicalIndexForeignKey;
  block[l.relatedTableType] = foreign ? logical.relatedTableType : 0;
  StoreU32(&block[l.relatedIndex], foreign ? logical.relatedIndex : kNoRelatedIndex);
  StoreU32(&block[l.relatedTable], foreign ? logical.relatedTable : 0);
  block[l.cascadeUpdates] = foreign ? uint8_t{logical.cascadeUpdates} : kNotForeignKeyCascadeBytes;
  block[l.cascadeDeletes] = foreign ? uint8_t{logical.cascadeDeletes} : kNotForeignKeyCascadeBytes;
  block[l.indexType] = logical.indexType;
  out.insert(out.end(), block.begin(), block.end());
}

void AppendIndexName(std::vector<uint8_t>& out, const std::string& name) {
  const std::u16string units = Utf8ToUtf16(name);
  out.push_back(static_cast<uint8_t>(units.size() * 2));
  out.push_back(static_cast<uint8_t>((units.size() * 2) >> 8));
  for (char16_t u : units) {
    out.push_back(static_cast<uint8_t>(u));
    out.push_back(static_cast<uint8_t>(u >> 8));
  }
}

bool LogicalIndexListsBefore(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return Lower(x) < Lower(y); });
}

}  // namespace jet
