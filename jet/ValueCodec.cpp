#include "jet/ValueCodec.h"

#include <algorithm>

#include "jet/Bytes.h"
#include "jet/LongValue.h"
#include "jet/Text.h"

namespace jet {
namespace {

// Calculated columns (ACE) wrap their value: 16 bytes, data length (4), data.
constexpr size_t kCalculatedLengthOffset = 16;
constexpr size_t kCalculatedDataOffset = 20;

bool ParseDigits(std::span<const uint8_t> bytes, int64_t& out) {
  out = 0;
  if (bytes.empty()) return false;
  for (uint8_t b : bytes) {
    if (b < '0' || b > '9') return false;
    if (out > (INT64_MAX - 9) / 10) return false;
    out = out * 10 + (b - '0');
  }
  return true;
}

}  // namespace

Result<DateTimeExtended> ParseDateTimeExtended(std::span<const uint8_t> bytes) {
  // ASCII: days since 0001-01-01 ':' seconds ':' 7 digits of 100 ns ticks, then a suffix.
  constexpr size_t kTicksLength = 7;
  const auto firstColon = std::find(bytes.begin(), bytes.end(), ':');
  const auto secondColon = firstColon == bytes.end() ? bytes.end() : std::find(firstColon + 1, bytes.end(), ':');
  DateTimeExtended v;
  if (secondColon == bytes.end() || static_cast<size_t>(bytes.end() - secondColon) <= kTicksLength ||
      !ParseDigits(std::span<const uint8_t>(bytes.begin(), firstColon), v.days) ||
      !ParseDigits(std::span<const uint8_t>(firstColon + 1, secondColon), v.seconds) ||
      !ParseDigits(std::span<const uint8_t>(secondColon + 1, kTicksLength), v.ticks)) {
    return Status(ErrorCode::kCorrupt, "malformed Date/Time Extended value");
  }
  return v;
}

Result<Value> DecodeValue(PageFile& file, const ColumnDef& column, const FieldSlice& field,
                          const std::string& context, const std::string* columnContext) {
  const ColumnType type = column.type();
  if (type == ColumnType::kBoolean) return Value(field.present);
  if (!field.present) return Value(Null{});
  std::span<const uint8_t> b = field.bytes;
  // Built only when an error needs it: this runs for every value of every row.
  auto where = [&] { return columnContext ? *columnContext : context + ", column " + column.name; };
  if (column.calculated()) {
    if (b.size() < kCalculatedDataOffset) return Status(ErrorCode::kCorrupt, where() + ": calculated value truncated");
    const uint32_t length = LoadU32(b.data() + kCalculatedLengthOffset);
    if (length > b.size() - kCalculatedDataOffset) {
      return Status(ErrorCode::kCorrupt, where() + ": calculated value length is damaged");
    }
    b = b.subspan(kCalculatedDataOffset, length);
  }
  auto need = [&](size_t n) -> Status {
    if (b.size() >= n) return Status::Ok();
    return Status(ErrorCode::kCorrupt, where() + ": value has " + std::to_string(b.size()) + " bytes, needs " +
                                           std::to_string(n));
  };
  switch (type) {
    case ColumnType::kByte:
      JET_RETURN_IF_ERROR(need(1));
      return Value(b[0]);
    case ColumnType::kInteger:
      JET_RETURN_IF_ERROR(need(2));
      return Value(LoadI16(b.data()));
    case ColumnType::kLong:
      JET_RETURN_IF_ERROR(need(4));
      return Value(LoadI32(b.data()));
    case ColumnType::kComplex:
      JET_RETURN_IF_ERROR(need(4));
      return Value(LoadI32(b.data()));
    case ColumnType::kCurrency:
      JET_RETURN_IF_ERROR(need(8));
      return Value(Currency{LoadI64(b.data())});
    case ColumnType::kBigInt:
      JET_RETURN_IF_ERROR(need(8));
      return Value(BigInt{LoadI64(b.data())});
    case ColumnType::kFloat:
      JET_RETURN_IF_ERROR(need(4));
      return Value(LoadFloat(b.data()));
    case ColumnType::kDouble:
      JET_RETURN_IF_ERROR(need(8));
      return Value(LoadDouble(b.data()));
    case ColumnType::kDateTime:
      JET_RETURN_IF_ERROR(need(8));
      return Value(DateTime{LoadDouble(b.data())});
    case ColumnType::kGuid: {
      JET_RETURN_IF_ERROR(need(16));
      Guid g;
      std::copy_n(b.begin(), 16, g.bytes.begin());
      return Value(g);
    }
    case ColumnType::kNumeric: {
      JET_RETURN_IF_ERROR(need(17));
      Decimal d;
      d.negative = (b[0] & 0x80) != 0;
      // Four little-endian 32-bit words, most significant first.
      for (int word = 0; word < 4; ++word) d.magnitude = d.magnitude << 32 | LoadU32(b.data() + 1 + 4 * word);
      d.precision = column.precision;
      d.scale = column.scale;
      return Value(d);
    }
    case ColumnType::kDateTimeExtended: {
      auto v = ParseDateTimeExtended(b);
      if (!v.ok()) return Status(ErrorCode::kCorrupt, where() + ": " + v.status().message());
      return Value(*v);
    }
    case ColumnType::kBinary:
      return Value(Binary{std::vector<uint8_t>(b.begin(), b.end())});
    case ColumnType::kText:
      return Value(file.header().jet3() ? DecodeCodePageText(b, file.header().codePage) : DecodeJet4Text(b));
    case ColumnType::kOle: {
      auto data = ReadLongValue(file, b, where());
      if (!data.ok()) return data.status();
      return Value(Binary{std::move(data.value())});
    }
    case ColumnType::kMemo: {  // decoded where the text lies, without a copy of its bytes first
      std::string made;
      auto data = ReadLongValueBytes(file, b, columnContext ? *columnContext : (made = where()));
      if (!data.ok()) return data.status();
      return Value(file.header().jet3() ? DecodeCodePageText(data->bytes, file.header().codePage)
                                        : DecodeJet4Text(data->bytes));
    }
    default: {
      static constexpr char kHex[] = "0123456789abcdef";
      std::string code = "0x";
      code += kHex[column.typeCode >> 4];
      code += kHex[column.typeCode & 15];
      return Value(Unsupported{"column type " + code + " is not known"});
    }
  }
}

}  // namespace jet
