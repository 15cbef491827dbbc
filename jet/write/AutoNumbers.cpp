#include "jet/write/AutoNumbers.h"

#include <random>

#include "jet/Bytes.h"

namespace jet {
namespace {

Status StoreLast(PageWriter& writer, const TableDef& def, int32_t last) {
  const uint32_t offset = writer.format().tdef.nextAutoNumber;
  JET_ASSIGN_OR_RETURN(PageBytes * page, writer.modifyRanges(def.firstPage(), {{offset, 4}}));
  StoreU32(&(*page)[offset], static_cast<uint32_t>(last));
  return Status::Ok();
}

// A random (version 4) GUID in its stored form: the version is the high nibble of the third
// group, which is stored little-endian (byte 7); the variant bits lead byte 8.
Guid RandomGuid() {
  thread_local std::mt19937_64 random{std::random_device{}() ^ (uint64_t{std::random_device{}()} << 32)};
  Guid g;
  for (size_t i = 0; i < g.bytes.size(); i += 8) {
    const uint64_t r = random();
    for (size_t k = 0; k < 8; ++k) g.bytes[i + k] = static_cast<uint8_t>(r >> (8 * k));
  }
  g.bytes[7] = static_cast<uint8_t>((g.bytes[7] & 0x0F) | 0x40);
  g.bytes[8] = static_cast<uint8_t>((g.bytes[8] & 0x3F) | 0x80);
  return g;
}

}  // namespace

bool LacksAutoNumbers(const TableDef& def, const std::vector<Value>& values) {
  for (size_t i = 0; i < def.columns.size() && i < values.size(); ++i) {
    if (def.columns[i].autoNumber() && IsNull(values[i])) return true;
  }
  return false;
}

Result<int32_t> LastAutoNumber(PageWriter& writer, const TableDef& def) {
  JET_ASSIGN_OR_RETURN(auto page, writer.file().read(def.firstPage()));
  return static_cast<int32_t>(LoadU32(&(*page)[writer.format().tdef.nextAutoNumber]));
}

Status FillAutoNumbers(PageWriter& writer, const TableDef& def, std::vector<Value>& values, const Where& context) {
  for (size_t i = 0; i < def.columns.size() && i < values.size(); ++i) {
    const ColumnDef& c = def.columns[i];
    if (!IsNull(values[i])) continue;
    if (c.replicationId()) {
      values[i] = RandomGuid();
    } else if (c.autoIncrement()) {
      JET_ASSIGN_OR_RETURN(const int32_t last, LastAutoNumber(writer, def));
      if (last == INT32_MAX) {
        return Status(ErrorCode::kInvalidArgument, context + ", column " + c.name,
                      "the AutoNumber has reached 2147483647 and has no next value");
      }
      const int32_t next = last < 0 ? 1 : last + 1;
      JET_RETURN_IF_ERROR(StoreLast(writer, def, next));
      values[i] = next;
    }
  }
  return Status::Ok();
}

Status KeepAutoNumbers(PageWriter& writer, const TableDef& def, const std::vector<Value>& values) {
  for (size_t i = 0; i < def.columns.size() && i < values.size(); ++i) {
    if (!def.columns[i].autoIncrement()) continue;
    // Any whole number the row encoder takes; one out of range is refused there.
    int64_t v = 0;
    if (auto* l = std::get_if<int32_t>(&values[i])) v = *l;
    else if (auto* s = std::get_if<int16_t>(&values[i])) v = *s;
    else if (auto* b = std::get_if<uint8_t>(&values[i])) v = *b;
    else if (auto* g = std::get_if<BigInt>(&values[i]); g && g->value >= INT32_MIN && g->value <= INT32_MAX) v = g->value;
    else continue;
    JET_ASSIGN_OR_RETURN(const int32_t last, LastAutoNumber(writer, def));
    if (v > last) JET_RETURN_IF_ERROR(StoreLast(writer, def, static_cast<int32_t>(v)));
  }
  return Status::Ok();
}

}  // namespace jet
