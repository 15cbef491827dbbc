#include "jet/ValueCodec.h"

#include <algorithm>

#include "jet/Bytes.h"
#include "jet/LongValue.h"
#include "jet/Text.h"

namespace jet {
namespace {


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


// Strips a calculated value's wrapper; false when the wrapper is damaged.
bool UnwrapCalculated(std::span<const uint8_t> wrapped, std::span<const uint8_t>& data) {
  if (wrapped.size() < kCalculatedDataOffset) return false;
  const uint32_t length = LoadU32(wrapped.data() + kCalculatedLengthOffset);
  if (length > wrapped.size() - kCalculatedDataOffset) return false;
  data = wrapped.subspan(kCalculatedDataOffset, length);
  return true;
}

// A decimal result is an OLE VARIANT of type DECIMAL, 16 bytes: the type tag 0x000E (2 bytes),
// the scale, the sign (0x80 negative), then the 96-bit magnitude as its high 32 bits and its
// low 64 bits, each little-endian.
bool DecodeCalculatedDecimal(std::span<const uint8_t> data, Decimal& out) {
  constexpr size_t kVariantSize = 16;
  constexpr uint16_t kVariantDecimal = 0x000E;
  constexpr uint8_t kMaxScale = 28;
  constexpr uint8_t kMaxDigits = 29;  // 2^96 - 1 has 29 digits
  if (data.size() < kVariantSize || LoadU16(data.data()) != kVariantDecimal || data[2] > kMaxScale ||
      (data[3] & 0x7F) != 0)
    return false;
  const uint32_t high = LoadU32(data.data() + 4);
  const uint64_t low = LoadU64(data.data() + 8);
  out.negative = data[3] == 0x80;
  out.magnitude = static_cast<unsigned __int128>(high) << 64 | low;
  out.precision = kMaxDigits;
  out.scale = data[2];
  return true;
}

Value Undecodable(const std::string& what) { return Value(Unsupported{"calculated value " + what}); }

}  // namespace

Result<DateTimeExtended> ParseDateTimeExtended(std::span<const uint8_t> bytes) {
  // 42 ASCII bytes: 19 digits of days since 0001-01-01, ':', 12 digits of seconds since midnight and
  // straight after them 7 digits of 100 ns ticks, then ":7" (the fraction's digit count) and a zero byte.
  constexpr size_t kDaysDigits = 19, kSecondsDigits = 12, kTicksDigits = 7;
  constexpr size_t kSecondsAt = kDaysDigits + 1, kTicksAt = kSecondsAt + kSecondsDigits;
  constexpr size_t kSuffixAt = kTicksAt + kTicksDigits;
  constexpr int64_t kLastDay = 3652058;  // 9999-12-31
  DateTimeExtended v;
  const bool shaped = bytes.size() >= kSuffixAt + 2 && bytes.size() <= kSuffixAt + 3 && bytes[kDaysDigits] == ':' &&
                      bytes[kSuffixAt] == ':' && bytes[kSuffixAt + 1] == '7' &&
                      (bytes.size() == kSuffixAt + 2 || bytes[kSuffixAt + 2] == 0);
  if (!shaped || !ParseDigits(bytes.subspan(0, kDaysDigits), v.days) ||
      !ParseDigits(bytes.subspan(kSecondsAt, kSecondsDigits), v.seconds) ||
      !ParseDigits(bytes.subspan(kTicksAt, kTicksDigits), v.ticks)) {
    return Status(ErrorCode::kCorrupt, "malformed Date/Time Extended value");
  }
  if (v.days > kLastDay || v.seconds >= 86400) {
    return Status(ErrorCode::kCorrupt, "Date/Time Extended value out of range (days " + std::to_string(v.days) +
                                           ", seconds " + std::to_string(v.seconds) + ")");
  }
  return v;
}

Result<Value> DecodeValue(PageFile& file, const ColumnDef& column, const FieldSlice& field, const Where& context,
                          const Where* columnContext) {
  if (column.calculated()) return DecodeCalculatedValue(file, column, field, context);
  const ColumnType type = column.type();
  if (type == ColumnType::kBoolean) return Value(field.present);
  if (!field.present) return Value(Null{});
  std::span<const uint8_t> b = field.bytes;
  // Built only when an error needs it: this runs for every value of every row.
  auto where = [&] { return columnContext ? *columnContext : context + ", column " + column.name; };
  auto need = [&](size_t n) -> Status {
    if (b.size() >= n) return Status::Ok();
    return Status::Corrupt(where(), "value has " + std::to_string(b.size()) + " bytes, needs " +
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
      if (!v.ok()) return Status::Corrupt(where(), v.status().message());
      return Value(*v);
    }
    case ColumnType::kBinary:
      return Value(Binary{std::vector<uint8_t>(b.begin(), b.end())});
    case ColumnType::kText:
      return Value(file.header().jet3() ? DecodeCodePageText(b, file.header().codePage) : DecodeJet4Text(b));
    case ColumnType::kOle: {
      JET_ASSIGN_OR_RETURN(auto data, ReadLongValue(file, b, where()));
      return Value(Binary{std::move(data)});
    }
    case ColumnType::kMemo: {  // decoded where the text lies, without a copy of its bytes first
      Where made;
      JET_ASSIGN_OR_RETURN(auto data, ReadLongValueBytes(file, b, columnContext ? *columnContext : (made = where())));
      return Value(file.header().jet3() ? DecodeCodePageText(data.bytes, file.header().codePage)
                                        : DecodeJet4Text(data.bytes));
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

Value DecodeCalculatedValue(PageFile& file, const ColumnDef& column, const FieldSlice& field, const Where& context) {
  if (!field.present) return Value(Null{});
  if (column.resultTypeCode == 0) return Undecodable("of unknown result type (no ResultType property)");
  const ColumnType result = static_cast<ColumnType>(column.resultTypeCode);
  const Where where = context + ", column " + column.name;
  std::span<const uint8_t> wrapped = field.bytes;
  LongValueBytes longValue;
  if (result == ColumnType::kMemo || result == ColumnType::kOle) {
    // The wrapper lies inside the long value.
    auto read = ReadLongValueBytes(file, field.bytes, where);
    if (!read.ok()) return Undecodable("unreadable: " + read.status().message());
    longValue = std::move(read.value());
    wrapped = longValue.bytes;
  }
  std::span<const uint8_t> data;
  if (!UnwrapCalculated(wrapped, data)) {
    return Undecodable("has a damaged wrapper (" + std::to_string(wrapped.size()) + " bytes)");
  }
  const bool jet3 = file.header().jet3();
  switch (result) {
    case ColumnType::kBoolean:
      return Value(!data.empty() && data[0] != 0);
    case ColumnType::kText:
    case ColumnType::kMemo:
      return Value(jet3 ? DecodeCodePageText(data, file.header().codePage) : DecodeJet4Text(data));
    case ColumnType::kOle:
      return Value(Binary{std::vector<uint8_t>(data.begin(), data.end())});
    case ColumnType::kComplex:
      return Undecodable("of a multi-value result type");
    default:
      break;
  }
  if (data.empty()) return Value(Null{});
  if (result == ColumnType::kNumeric) {
    Decimal d;
    if (!DecodeCalculatedDecimal(data, d)) return Undecodable("is a damaged decimal");
    return Value(d);
  }
  ColumnDef plain = column;
  plain.typeCode = column.resultTypeCode;
  plain.extFlags = 0;
  FieldSlice inner;
  inner.present = true;
  inner.bytes = data;
  auto v = DecodeValue(file, plain, inner, context);
  if (!v.ok()) return Undecodable("cannot be read: " + v.status().message());
  return std::move(v.value());
}

}  // namespace jet
