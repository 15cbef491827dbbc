#include "jet/write/IndexWriter.h"

#include "jet/Bytes.h"
#include "jet/index/IndexPage.h"
#include "jet/Text.h"
#include "jet/index/IndexKey.h"
#include "jet/index/IndexTree.h"
#include "jet/index/KeyValueFromValue.h"
#include "jet/index/TableIndexes.h"
#include "jet/write/UsageMapWriter.h"

namespace jet {
namespace {

using index::kIndexIgnoreNulls;
using index::kIndexRequired;
using index::kIndexUnique;

// The index's pages as the B-tree sees them, backed by the page writer.
class FilePageStore : public index::IndexPageStore {
 public:
  FilePageStore(PageWriter& writer, UsageMapWriter map, bool late)
      : writer_(writer), map_(std::move(map)), late_(late) {}
  uint32_t pageSize() const override { return writer_.format().pageSize; }
  Status readPage(uint32_t page, std::span<uint8_t> out) override {
    JET_ASSIGN_OR_RETURN(auto bytes, writer_.file().read(page));
    std::copy(bytes->begin(), bytes->end(), out.begin());
    return Status::Ok();
  }
  Status writePage(uint32_t page, std::span<const uint8_t> bytes) override {
    JET_ASSIGN_OR_RETURN(auto target, writer_.modify(page));
    std::copy(bytes.begin(), bytes.end(), target->begin());
    if (late_ && page < writer_.file().flushedPageCount()) writer_.writeLast(page);
    return Status::Ok();
  }
  Result<uint32_t> allocatePage() override {
    JET_ASSIGN_OR_RETURN(auto page, writer_.allocate());
    JET_RETURN_IF_ERROR(map_.add(page));
    return page;
  }
  Status freePage(uint32_t page) override {
    JET_RETURN_IF_ERROR(map_.remove(page));
    return writer_.release(page);
  }

 private:
  PageWriter& writer_;
  UsageMapWriter map_;
  bool late_;
};

const ColumnDef* ColumnByNumber(const TableDef& table, uint16_t number) {
  for (const auto& c : table.columns) {
    if (c.number == number) return &c;
  }
  return nullptr;
}

// How column `c` is keyed in this file.
Result<index::KeyColumn> KeyColumnOf(const ColumnDef& c, bool ascending, const PageFile& file) {
  if (c.calculated()) {
    return Status(ErrorCode::kUnsupported, "column " + c.name + " is calculated; its index keys are not built here");
  }
  return index::MakeKeyColumn(c.typeCode, {c.sortOrder.lcid, c.sortOrder.sortId, c.sortOrder.version},
                              file.format().jet3, ascending, c.name, c.scale, !file.header().ace());
}

struct IndexKeyBuild {
  std::vector<uint8_t> key;
  bool allNull = true;
};

Result<IndexKeyBuild> BuildKey(const TableDef& table, const RealIndexDef& index, const std::vector<Value>& values,
                               const PageFile& file, const Where& context) {
  std::vector<index::KeyColumn> columns;
  std::vector<index::KeyValue> keyValues;
  IndexKeyBuild out;
  for (const auto& ic : index.columns) {
    const ColumnDef* c = ColumnByNumber(table, ic.columnNumber);
    if (!c) return Status(ErrorCode::kCorrupt, context, "an index names a missing column");
    auto column = KeyColumnOf(*c, ic.ascending, file);
    if (!column.ok()) {
      return Status(ErrorCode::kUnsupported, context,
                    "the index on column " + c->name + " (" + std::string(ColumnTypeName(c->type())) +
                        ") cannot be maintained: " + column.status().message() + "; nothing was written");
    }
    const size_t at = static_cast<size_t>(c - table.columns.data());
    auto value = index::KeyValueFromValue(values[at]);
    if (!value.ok()) {
      return Status(ErrorCode::kInvalidArgument, context + ", column " + c->name, value.status().message());
    }
    // Yes/No is never null in a key (a missing value is No).
    const bool isNull = std::holds_alternative<std::monostate>(*value) && column->type != index::KeyColumnType::kYesNo;
    if (!isNull) out.allNull = false;
    if ((index.flags & kIndexRequired) && isNull) {
      return Status(ErrorCode::kInvalidArgument, context,
                    "column " + c->name + " is indexed as required and cannot be Null");
    }
    columns.push_back(*column);
    keyValues.push_back(std::move(value.value()));
  }
  auto key = index::EncodeIndexKey(columns, keyValues);
  if (!key.ok()) return key.status().Within(context);
  out.key = std::move(key.value());
  return out;
}

// A value for a message: numbers and text as they are, other kinds by their kind.
std::string DescribeValue(const Value& v) {
  if (IsNull(v)) return "Null";
  if (auto* t = std::get_if<std::string>(&v)) return "'" + *t + "'";
  if (auto* b = std::get_if<bool>(&v)) return *b ? "Yes" : "No";
  if (auto* n = std::get_if<uint8_t>(&v)) return std::to_string(*n);
  if (auto* n = std::get_if<int16_t>(&v)) return std::to_string(*n);
  if (auto* n = std::get_if<int32_t>(&v)) return std::to_string(*n);
  if (auto* n = std::get_if<BigInt>(&v)) return std::to_string(n->value);
  if (auto* n = std::get_if<double>(&v)) return std::to_string(*n);
  if (auto* n = std::get_if<float>(&v)) return std::to_string(*n);
  if (auto* n = std::get_if<Currency>(&v)) return std::to_string(n->tenThousandths / 10000.0);
  if (auto* n = std::get_if<DateTime>(&v)) return "date " + std::to_string(n->days);
  return "a value";
}

std::string DescribeKey(const TableDef& table, const RealIndexDef& index, const std::vector<Value>& values) {
  std::string out;
  for (const auto& ic : index.columns) {
    const ColumnDef* c = ColumnByNumber(table, ic.columnNumber);
    if (!c) continue;
    if (!out.empty()) out += ", ";
    out += c->name + " = " + DescribeValue(values[static_cast<size_t>(c - table.columns.data())]);
  }
  return out;
}

// Adds or removes the row's entries in every real index, or in real index `only` alone.
Status ForEachIndex(PageWriter& writer, const TableDef& table, const std::vector<Value>& values, RowPointer row,
                    bool late, bool add, int only = -1, const std::string& indexName = {}) {
  if (table.realIndexes.empty()) return Status::Ok();
  const Where context = Where::Table(writer.file().fileName(), table.name);
  const auto& layout = writer.format().jet3 ? index::kJet3IndexPageLayout : index::kJet4IndexPageLayout;
  // Build every key first: a key that cannot be built refuses the row before any write.
  std::vector<IndexKeyBuild> keys;
  for (size_t i = 0; i < table.realIndexes.size(); ++i) {
    if (only >= 0 && static_cast<size_t>(only) != i) {
      keys.emplace_back();
      continue;
    }
    auto key = BuildKey(table, table.realIndexes[i], values, writer.file(), context);
    if (!key.ok()) return key.status();
    keys.push_back(std::move(key.value()));
  }
  for (size_t i = 0; i < table.realIndexes.size(); ++i) {
    if (only >= 0 && static_cast<size_t>(only) != i) continue;
    const RealIndexDef& realIndex = table.realIndexes[i];
    if (keys[i].allNull && (realIndex.flags & kIndexIgnoreNulls)) continue;
    JET_ASSIGN_OR_RETURN(auto map, UsageMapWriter::Load(writer, realIndex.usageMap, "an index of table " + table.name));
    FilePageStore store(writer, std::move(map), late);
    index::IndexTree tree(store, layout, realIndex.rootPage, table.firstPage(), table.name + " index " + std::to_string(i));
    const index::IndexEntry entry{keys[i].key, index::RowPointer{row.page, row.slot}, 0};
    if (!add) {
      JET_RETURN_IF_ERROR(tree.remove(entry));
      continue;
    }
    auto inserted = tree.insert(entry, (realIndex.flags & kIndexUnique) && !keys[i].allNull);
    if (!inserted.ok()) {
      if (inserted.status().code() == ErrorCode::kExists) {
        if (only >= 0) {
          return Status(ErrorCode::kExists, context,
                        "index " + indexName + " is unique, but more than one row has " +
                            DescribeKey(table, realIndex, values) + "; nothing was changed");
        }
        std::string name;
        for (const auto& logical : table.logicalIndexes) {
          if (logical.realIndex == i && name.empty()) name = logical.name;
        }
        return Status(ErrorCode::kExists, context,
                      "the row repeats a value of the unique index " + name + " (" +
                          DescribeKey(table, realIndex, values) + "); nothing was written");
      }
      return inserted.status();
    }
    if (*inserted) {
      // One more distinct key: the count Access keeps per real index in the TDEF.
      JET_ASSIGN_OR_RETURN(auto tdef, writer.modify(table.firstPage()));
      const uint32_t at = writer.format().tdef.realIndexCounts + writer.format().tdef.realIndexCountSize * i + 4;
      StoreU32(&(*tdef)[at], LoadU32(&(*tdef)[at]) + 1);
      if (late) writer.writeLast(table.firstPage());
    }
  }
  return Status::Ok();
}

}  // namespace

Status CheckIndexable(const TableDef& table, const PageFile& file) {
  const std::string& fileName = file.fileName();
  for (const auto& realIndex : table.realIndexes) {
    for (const auto& ic : realIndex.columns) {
      const ColumnDef* c = ColumnByNumber(table, ic.columnNumber);
      if (!c) return Status(ErrorCode::kCorrupt, Where::Table(fileName, table.name), "an index names a missing column");
      auto column = KeyColumnOf(*c, ic.ascending, file);
      if (!column.ok()) {
        return Status(ErrorCode::kUnsupported, Where::File(fileName),
                      "table " + table.name + " has an index on column " + c->name + " (" +
                          std::string(ColumnTypeName(c->type())) + "), which this engine cannot keep up to date: " +
                          column.status().message() + "; the table is not changed");
      }
    }
  }
  return Status::Ok();
}

Status AddIndexEntries(PageWriter& writer, const TableDef& table, const std::vector<Value>& values, RowPointer row,
                       bool late) {
  return ForEachIndex(writer, table, values, row, late, true);
}

Status RemoveIndexEntries(PageWriter& writer, const TableDef& table, const std::vector<Value>& values,
                          RowPointer row, bool late) {
  return ForEachIndex(writer, table, values, row, late, false);
}

Status WriteEmptyIndexRoot(PageWriter& writer, uint32_t page, uint32_t tdefPage) {
  const auto& layout = writer.format().jet3 ? index::kJet3IndexPageLayout : index::kJet4IndexPageLayout;
  index::IndexPage empty;
  empty.tdefPage = tdefPage;
  JET_ASSIGN_OR_RETURN(PageBytes* bytes, writer.modify(page));
  return index::EncodeIndexPage(empty, layout, *bytes);
}

Status AddEntriesToIndex(PageWriter& writer, const TableDef& table, size_t realIndex, const std::string& indexName,
                         const std::vector<Value>& values, RowPointer row) {
  return ForEachIndex(writer, table, values, row, false, true, static_cast<int>(realIndex), indexName);
}

Result<std::optional<std::vector<uint8_t>>> IndexKeyOf(const PageFile& file, const TableDef& table, size_t realIndex,
                                                       const std::vector<Value>& values) {
  if (realIndex >= table.realIndexes.size() || values.size() != table.columns.size()) {
    return Status(ErrorCode::kInvalidArgument, Where::Table(file.fileName(), table.name), "no such index or row shape");
  }
  JET_ASSIGN_OR_RETURN(
      auto key, BuildKey(table, table.realIndexes[realIndex], values, file, Where::Table(file.fileName(), table.name)));
  if (key.allNull) return std::optional<std::vector<uint8_t>>();
  return std::optional<std::vector<uint8_t>>(std::move(key.key));
}

Result<bool> IndexHasKey(PageWriter& writer, const TableDef& table, size_t realIndex, std::span<const uint8_t> key) {
  if (realIndex >= table.realIndexes.size()) {
    return Status(ErrorCode::kInvalidArgument, Where::Table(writer.file().fileName(), table.name), "no such index");
  }
  const auto& layout = writer.format().jet3 ? index::kJet3IndexPageLayout : index::kJet4IndexPageLayout;
  const RealIndexDef& real = table.realIndexes[realIndex];
  JET_ASSIGN_OR_RETURN(auto map, UsageMapWriter::Load(writer, real.usageMap, "an index of table " + table.name));
  FilePageStore store(writer, std::move(map), false);
  index::IndexTree tree(store, layout, real.rootPage, table.firstPage(), table.name + " index " + std::to_string(realIndex));
  JET_ASSIGN_OR_RETURN(auto rows, tree.find(key));
  return !rows.empty();
}

Status ValidateIndexes(PageWriter& writer, const TableDef& table, std::vector<size_t>* entryCounts) {
  const auto& layout = writer.format().jet3 ? index::kJet3IndexPageLayout : index::kJet4IndexPageLayout;
  for (size_t i = 0; i < table.realIndexes.size(); ++i) {
    const RealIndexDef& realIndex = table.realIndexes[i];
    JET_ASSIGN_OR_RETURN(auto map, UsageMapWriter::Load(writer, realIndex.usageMap, "an index of table " + table.name));
    FilePageStore store(writer, std::move(map), false);
    index::IndexTreeCheck check{realIndex.rootPage, table.firstPage(), (realIndex.flags & kIndexUnique) != 0,
                                realIndex.columns.size(), table.name + " index " + std::to_string(i)};
    JET_ASSIGN_OR_RETURN(auto report, index::ValidateIndexTree(store, layout, check));
    if (entryCounts) entryCounts->push_back(report.entryCount);
  }
  return Status::Ok();
}

}  // namespace jet
