#include "jet/ComplexColumns.h"

#include <zlib.h>

#include "jet/Bytes.h"
#include "jet/Database.h"

namespace jet {
namespace {

constexpr size_t kAttachmentWrapperHeader = 8;
constexpr uint32_t kAttachmentRaw = 0;
constexpr uint32_t kAttachmentDeflated = 1;
// Attachments are at most 256 MB in Access; this bounds what a damaged header can ask for.
constexpr size_t kMaxAttachmentBytes = 512u << 20;

const char* const kAttachmentColumns[] = {"FileName", "FileType", "FileData", "FileURL", "FileTimeStamp",
                                          "FileFlags"};

bool IsAttachmentColumnName(const std::string& name) {
  for (const char* n : kAttachmentColumns) {
    if (name == n) return true;
  }
  return false;
}

Result<std::vector<uint8_t>> Inflate(std::span<const uint8_t> in, size_t expected) {
  // Grow with the data actually produced: a damaged length must not drive the allocation.
  const size_t limit = std::min(expected, kMaxAttachmentBytes);
  std::vector<uint8_t> out;
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return Status(ErrorCode::kCorrupt, "cannot start inflating attachment");
  z.next_in = const_cast<Bytef*>(in.data());
  z.avail_in = static_cast<uInt>(in.size());
  int rc = Z_OK;
  while (rc == Z_OK && out.size() < limit) {
    const size_t before = out.size();
    out.resize(std::min(limit, before + 65536));
    z.next_out = out.data() + before;
    z.avail_out = static_cast<uInt>(out.size() - before);
    rc = inflate(&z, Z_NO_FLUSH);
    out.resize(out.size() - z.avail_out);
    if (rc == Z_BUF_ERROR && z.avail_in == 0) break;
  }
  inflateEnd(&z);
  if (rc != Z_STREAM_END && rc != Z_OK && rc != Z_BUF_ERROR) {
    return Status(ErrorCode::kCorrupt, "attachment data does not inflate");
  }
  return out;
}

}  // namespace

Result<std::vector<uint8_t>> ComplexColumns::DecodeAttachmentData(std::span<const uint8_t> stored) {
  if (stored.size() < kAttachmentWrapperHeader) return Status(ErrorCode::kCorrupt, "attachment data is truncated");
  const uint32_t kind = LoadU32(stored.data());
  const uint32_t length = LoadU32(stored.data() + 4);
  const auto body = stored.subspan(kAttachmentWrapperHeader);
  std::vector<uint8_t> content;
  if (kind == kAttachmentDeflated) {
    JET_ASSIGN_OR_RETURN(auto inflated, Inflate(body, length));
    content = std::move(inflated);
  } else if (kind == kAttachmentRaw) {
    content.assign(body.begin(), body.end());
  } else {
    return Status(ErrorCode::kCorrupt, "attachment data has unknown encoding " + std::to_string(kind));
  }
  if (content.size() < 4) return Status(ErrorCode::kCorrupt, "attachment header is truncated");
  const uint32_t headerLength = LoadU32(content.data());
  const size_t end = std::min<size_t>(length, content.size());
  if (headerLength < 4 || headerLength >= end) return Status(ErrorCode::kCorrupt, "attachment header is damaged");
  return std::vector<uint8_t>(content.begin() + headerLength, content.begin() + end);
}

Result<ComplexColumns::FlatTable> ComplexColumns::flatTable(const TableDef& table, const ColumnDef& column) {
  const Where where = Where::Table(db_.fileName(), table.name) + ", column " + column.name;

  // MSysComplexColumns: which flat table holds (table, column)?
  auto cursor = db_.scan("MSysComplexColumns");
  if (!cursor.ok()) return Status::Corrupt(where, cursor.status().message());
  const TableDef& cc = cursor->def();
  int idCol = -1, conceptualCol = -1, flatCol = -1;
  for (size_t i = 0; i < cc.columns.size(); ++i) {
    if (cc.columns[i].name == "ComplexID") idCol = static_cast<int>(i);
    if (cc.columns[i].name == "ConceptualTableID") conceptualCol = static_cast<int>(i);
    if (cc.columns[i].name == "FlatTableID") flatCol = static_cast<int>(i);
  }
  if (idCol < 0 || conceptualCol < 0 || flatCol < 0) {
    return Status::Corrupt(where, "MSysComplexColumns lacks its id columns");
  }
  int32_t flatId = 0;
  while (true) {
    JET_ASSIGN_OR_RETURN(auto more, cursor->next());
    if (!more) break;
    JET_ASSIGN_OR_RETURN(Value id, cursor->value(idCol));
    JET_ASSIGN_OR_RETURN(Value conceptual, cursor->value(conceptualCol));
    JET_ASSIGN_OR_RETURN(Value flat, cursor->value(flatCol));
    auto* idValue = std::get_if<int32_t>(&id);
    auto* tableValue = std::get_if<int32_t>(&conceptual);
    auto* flatValue = std::get_if<int32_t>(&flat);
    if (idValue && tableValue && flatValue && static_cast<uint32_t>(*idValue) == column.complexId &&
        (static_cast<uint32_t>(*tableValue) & catalog::kIdPageMask) == table.firstPage()) {
      flatId = *flatValue;
      break;
    }
  }
  const CatalogEntry* flatEntry = flatId ? db_.catalog().findById(flatId) : nullptr;
  if (!flatEntry) return Status::Corrupt(where, "no hidden table holds its values");
  JET_ASSIGN_OR_RETURN(auto flatDef, db_.tableDefAt(flatEntry->tableDefPage(), flatEntry->name));
  // The key is the first plain Long Integer: the flat row's own id is an AutoNumber.
  for (size_t i = 0; i < flatDef->columns.size(); ++i) {
    const ColumnDef& c = flatDef->columns[i];
    if (c.type() == ColumnType::kLong && !(c.flags & kColumnFlagAutoLong) && !IsAttachmentColumnName(c.name) &&
        c.name != "Value")
      return FlatTable{std::move(flatDef), i};
  }
  return Status::Corrupt(where, "its hidden table has no key column");
}

Result<const ComplexColumns::FlatValues*> ComplexColumns::load(const TableDef& table, const ColumnDef& column) {
  const auto key = std::make_pair(table.firstPage(), column.number);
  if (auto it = loaded_.find(key); it != loaded_.end()) return &it->second;
  const Where where = Where::Table(db_.fileName(), table.name) + ", column " + column.name;
  JET_ASSIGN_OR_RETURN(auto flat, flatTable(table, column));
  const std::shared_ptr<const TableDef>& flatDef = flat.def;

  FlatValues values;
  const int keyCol = static_cast<int>(flat.keyColumn);
  int fileCols[6] = {-1, -1, -1, -1, -1, -1};
  for (size_t i = 0; i < flatDef->columns.size(); ++i) {
    const ColumnDef& c = flatDef->columns[i];
    for (int k = 0; k < 6; ++k) {
      if (c.name == kAttachmentColumns[k]) fileCols[k] = static_cast<int>(i);
    }
  }
  values.attachments = fileCols[0] >= 0 && fileCols[2] >= 0;
  if (!values.attachments) values.unsupportedReason = "multi-value and version-history values are not read";

  JET_ASSIGN_OR_RETURN(auto flatCursor, db_.scan(flatDef));
  while (true) {
    JET_ASSIGN_OR_RETURN(auto more, flatCursor.next());
    if (!more) break;
    JET_ASSIGN_OR_RETURN(auto keyValue, flatCursor.value(keyCol));
    auto* k = std::get_if<int32_t>(&keyValue);
    if (!k) continue;
    ++values.counts[*k];
    if (!values.attachments) continue;
    Attachment a;
    for (int f = 0; f < 6; ++f) {
      if (fileCols[f] < 0) continue;
      JET_ASSIGN_OR_RETURN(auto v, flatCursor.value(fileCols[f]));
      if (auto* s = std::get_if<std::string>(&v)) {
        if (f == 0) a.name = *s;
        if (f == 1) a.type = *s;
        if (f == 3) a.url = *s;
      } else if (auto* b = std::get_if<Binary>(&v); b && f == 2) {
        auto data = DecodeAttachmentData(b->bytes);
        if (!data.ok()) return Status::Corrupt(where, "attachment " + a.name + ": " + data.status().message());
        a.data = std::move(data.value());
      } else if (auto* d = std::get_if<DateTime>(&v); d && f == 4) {
        a.hasTimestamp = true;
        a.timestamp = d->days;
      } else if (auto* i = std::get_if<int32_t>(&v); i && f == 5) {
        a.flags = *i;
      }
    }
    values.byKey[*k].push_back(std::move(a));
  }
  return &loaded_.emplace(key, std::move(values)).first->second;
}

Result<Value> ComplexColumns::resolve(const TableDef& table, const ColumnDef& column, int32_t key) {
  auto values = load(table, column);
  if (!values.ok()) {
    // Remember the failure: one scan of the hidden tables per column, not per row.
    FlatValues failed;
    failed.unsupportedReason = values.status().message();
    failed.failed = true;
    loaded_.emplace(std::make_pair(table.firstPage(), column.number), std::move(failed));
    return Value(Unsupported{values.status().message()});
  }
  const FlatValues& v = **values;
  if (v.failed) return Value(Unsupported{v.unsupportedReason});
  if (v.attachments) {
    auto it = v.byKey.find(key);
    return Value(Attachments{it == v.byKey.end() ? std::vector<Attachment>{} : it->second});
  }
  auto count = v.counts.find(key);
  if (count == v.counts.end() || count->second == 0) return Value(Attachments{});
  return Value(Unsupported{v.unsupportedReason});
}

}  // namespace jet
