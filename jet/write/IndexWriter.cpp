#include "jet/write/IndexWriter.h"

#include "jet/Bytes.h"
#include "jet/Text.h"
#include "jet/index/IndexKey.h"
#include "jet/index/IndexTree.h"
#include "jet/write/UsageMapWriter.h"

namespace jet {
namespace {

constexpr uint8_t kIndexUnique = 0x01;
constexpr uint8_t kIndexIgnoreNulls = 0x02;
constexpr uint8_t kIndexRequired = 0x08;

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

Result<index::KeyColumnType> KeyType(const ColumnDef& c) {
  switch (c.type()) {
    case ColumnType::kByte: return index::KeyColumnType::kByte;
    case ColumnType::kInteger: return index::KeyColumnType::kInteger;
    case ColumnType::kLong: return index::KeyColumnType::kLong;
    case ColumnType::kText:
    case ColumnType::kMemo: return index::KeyColumnType::kText;
    default: return Status(ErrorCode::kUnsupported, "");
  }
}

index::KeyValue KeyValueOf(const Value& v) {
  if (auto* b = std::get_if<uint8_t>(&v)) return int64_t{*b};
  if (auto* s = std::get_if<int16_t>(&v)) return int64_t{*s};
  if (auto* l = std::get_if<int32_t>(&v)) return int64_t{*l};
  if (auto* t = std::get_if<std::string>(&v)) return Utf8ToUtf16(*t);
  return std::monostate{};
}

struct IndexKeyBuild {
  std::vector<uint8_t> key;
  bool allNull = true;
};

Result<IndexKeyBuild> BuildKey(const TableDef& table, const RealIndexDef& index, const std::vector<Value>& values,
                               bool jet3, const std::string& context) {
  std::vector<index::KeyColumn> columns;
  std::vector<index::KeyValue> keyValues;
  IndexKeyBuild out;
  for (const auto& ic : index.columns) {
    const ColumnDef* c = ColumnByNumber(table, ic.columnNumber);
    if (!c) return Status::Corrupt(context, "an index names a missing column");
    auto type = KeyType(*c);
    if (!type.ok()) {
      return Status::Unsupported(context, "the index on column " + c->name + " (" +
                                              std::string(ColumnTypeName(c->type())) +
                                              ") cannot be maintained by this engine yet; nothing was written");
    }
    index::KeyColumn kc{*type, ic.ascending, index::TextSortOrder::kGeneralLegacy};
    if (*type == index::KeyColumnType::kText) {
      auto order = index::ResolveTextSortOrder(c->sortOrder.lcid, c->sortOrder.version, jet3);
      if (!order.ok()) return Status(order.status().code(), context + ", column " + c->name + ": " + order.status().message());
      kc.sortOrder = *order;
    }
    columns.push_back(kc);
    const size_t at = static_cast<size_t>(c - table.columns.data());
    keyValues.push_back(KeyValueOf(values[at]));
    if (!std::holds_alternative<std::monostate>(keyValues.back())) out.allNull = false;
    if ((index.flags & kIndexRequired) && std::holds_alternative<std::monostate>(keyValues.back())) {
      return Status::InvalidArgument(context, "column " + c->name + " is indexed as required and cannot be Null");
    }
  }
  auto key = index::EncodeIndexKey(columns, keyValues);
  if (!key.ok()) return Status(key.status().code(), context + ": " + key.status().message());
  out.key = std::move(key.value());
  return out;
}

Status ForEachIndex(PageWriter& writer, const TableDef& table, const std::vector<Value>& values, RowPointer row,
                    bool late, bool add) {
  if (table.realIndexes.empty()) return Status::Ok();
  const std::string context = writer.file().fileName() + ": table " + table.name;
  const auto& layout = writer.format().jet3 ? index::kJet3IndexPageLayout : index::kJet4IndexPageLayout;
  // Build every key first: a key that cannot be built refuses the row before any write.
  std::vector<IndexKeyBuild> keys;
  for (const auto& realIndex : table.realIndexes) {
    JET_ASSIGN_OR_RETURN(auto key, BuildKey(table, realIndex, values, writer.format().jet3, context));
    keys.push_back(std::move(key));
  }
  for (size_t i = 0; i < table.realIndexes.size(); ++i) {
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
        return Status(ErrorCode::kExists, context + ": the row repeats a value of a unique index; nothing was written");
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

Status CheckIndexable(const TableDef& table, const std::string& fileName) {
  for (const auto& realIndex : table.realIndexes) {
    for (const auto& ic : realIndex.columns) {
      const ColumnDef* c = ColumnByNumber(table, ic.columnNumber);
      if (!c) return Status::Corrupt(fileName, "table " + table.name + ": an index names a missing column");
      if (!KeyType(*c).ok()) {
        return Status::Unsupported(fileName, "table " + table.name + " has an index on column " + c->name + " (" +
  std::string(ColumnTypeName(c->type())) +
  "), which this engine cannot keep up to date yet; the table is not changed");
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
