#include "jet/index/IndexKey.h"

#include <array>
#include <bit>
#include <cmath>
#include <limits>

#include "jet/index/TextSortKey.h"

namespace jet::index {
namespace {

void Invert(std::vector<uint8_t>& out, size_t from) {
  for (size_t i = from; i < out.size(); ++i) out[i] = static_cast<uint8_t>(~out[i]);
}

void PutBigEndian(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

Status Refuse(size_t column, const std::string& what) {
  return Status(ErrorCode::kInvalidArgument, "index column " + std::to_string(column + 1) + ": " + what);
}

// Signed whole numbers: big-endian with the sign bit flipped.
Status AppendWhole(std::vector<uint8_t>& out, const KeyValue& v, int bytes, bool isSigned, bool ascending,
                   size_t column) {
  const int64_t* n = std::get_if<int64_t>(&v);
  if (!n) return Refuse(column, "expected a whole number");
  const int bits = 8 * bytes;
  const int64_t lo = isSigned ? (bits == 64 ? std::numeric_limits<int64_t>::min() : -(int64_t{1} << (bits - 1))) : 0;
  const int64_t hi = isSigned ? (bits == 64 ? std::numeric_limits<int64_t>::max() : (int64_t{1} << (bits - 1)) - 1)
                              : (int64_t{1} << bits) - 1;
  if (*n < lo || *n > hi) return Refuse(column, "value " + std::to_string(*n) + " is out of range");
  const size_t from = out.size();
  PutBigEndian(out, static_cast<uint64_t>(*n), bytes);
  if (isSigned) out[from] ^= 0x80;
  if (!ascending) Invert(out, from);
  return Status::Ok();
}

// IEEE values: positive ones get the sign bit set, negative ones are inverted whole,
// which orders them numerically.
Status AppendFloating(std::vector<uint8_t>& out, const KeyValue& v, bool single, bool ascending, size_t column) {
  const double* d = std::get_if<double>(&v);
  if (!d) return Refuse(column, "expected a number");
  if (std::isnan(*d)) return Refuse(column, "NaN cannot be indexed");
  const size_t from = out.size();
  if (single) {
    PutBigEndian(out, std::bit_cast<uint32_t>(static_cast<float>(*d)), 4);
  } else {
    PutBigEndian(out, std::bit_cast<uint64_t>(*d), 8);
  }
  const bool negative = (out[from] & 0x80) != 0;
  if (!negative) out[from] ^= 0x80;
  if (negative == ascending) Invert(out, from);
  return Status::Ok();
}

// Binary values: 8-byte segments, each followed by 9 ("more follows") or, for the last,
// its used length; descending inverts all but the intermediate 9s.
void AppendBinary(std::vector<uint8_t>& out, std::span<const uint8_t> data, bool ascending) {
  size_t pos = 0;
  while (data.size() - pos > 8) {
    const size_t from = out.size();
    out.insert(out.end(), data.begin() + pos, data.begin() + pos + 8);
    if (!ascending) Invert(out, from);
    out.push_back(9);
    pos += 8;
  }
  if (pos < data.size()) {
    const size_t from = out.size();
    const size_t len = data.size() - pos;
    out.insert(out.end(), data.begin() + pos, data.end());
    out.insert(out.end(), 8 - len, 0);
    out.push_back(static_cast<uint8_t>(len));
    if (!ascending) Invert(out, from);
  }
}

// Decimals: a sign byte set to FF and the magnitude at the column's scale, big-endian;
// negative values are inverted whole in an ascending key. Jet4 files invert by the sign
// alone and set the sign byte afterwards (00 negative, FF positive), which in a
// descending key puts negative values first; ACE files invert the whole value for
// descending order.
Status AppendDecimal(std::vector<uint8_t>& out, const KeyValue& v, const KeyColumn& col, size_t column) {
  const DecimalKey* d = std::get_if<DecimalKey>(&v);
  if (!d) return Refuse(column, "expected a decimal number");
  unsigned __int128 magnitude = d->magnitude;
  if (d->scale > col.scale) {
    // More decimal places than the column keeps: only trailing zeros may go.
    for (int k = d->scale; k > col.scale; --k) {
      if (magnitude % 10 != 0) return Refuse(column, "the value has more decimal places than the column");
      magnitude /= 10;
    }
  }
  for (int k = d->scale; k < col.scale; ++k) {
    constexpr unsigned __int128 kLimit = ~static_cast<unsigned __int128>(0) / 10;
    if (magnitude > kLimit) return Refuse(column, "the decimal value is out of range");
    magnitude *= 10;
  }
  const bool negative = d->negative && magnitude != 0;
  const size_t from = out.size();
  out.push_back(col.legacyDecimal ? 0x00 : 0xFF);
  for (int i = 15; i >= 0; --i) out.push_back(static_cast<uint8_t>(magnitude >> (8 * i)));
  if (negative == col.ascending) Invert(out, from);
  if (col.legacyDecimal) out[from] = negative ? 0x00 : 0xFF;
  return Status::Ok();
}

// Access keeps index keys to 510 bytes: a longer key keeps its first 508 and ends in a
// checksum of the rest (a CRC-like fold whose step table was measured; big-endian).
uint16_t FoldStep(uint16_t crc) {
  static constexpr uint16_t kStepBits[8] = {0x0580, 0x0F80, 0x1B80, 0x3380, 0x6380, 0xC380, 0x8381, 0x0383};
  static const std::array<uint16_t, 256> table = [] {
    std::array<uint16_t, 256> t{};
    for (unsigned v = 0; v < 256; ++v) {
      for (unsigned bit = 0; bit < 8; ++bit) {
        if (v & (1u << bit)) t[v] ^= kStepBits[bit];
      }
    }
    return t;
  }();
  return static_cast<uint16_t>((crc >> 8) ^ table[crc & 0xFF]);
}

Status AppendValue(std::vector<uint8_t>& out, const KeyColumn& col, const KeyValue& v, size_t column,
                   size_t* wordSortAt) {
  switch (col.type) {
    case KeyColumnType::kByte: return AppendWhole(out, v, 1, false, col.ascending, column);
    case KeyColumnType::kInteger: return AppendWhole(out, v, 2, true, col.ascending, column);
    case KeyColumnType::kLong: return AppendWhole(out, v, 4, true, col.ascending, column);
    case KeyColumnType::kCurrency:
    case KeyColumnType::kBigInt: return AppendWhole(out, v, 8, true, col.ascending, column);
    case KeyColumnType::kDecimal: return AppendDecimal(out, v, col, column);
    case KeyColumnType::kSingle: return AppendFloating(out, v, true, col.ascending, column);
    case KeyColumnType::kDouble:
    case KeyColumnType::kDateTime: return AppendFloating(out, v, false, col.ascending, column);
    case KeyColumnType::kText: {
      const std::u16string* s = std::get_if<std::u16string>(&v);
      if (!s) return Refuse(column, "expected text");
      Status st = AppendTextSortKey(col.sortOrder, *s, col.ascending, out, wordSortAt);
      if (!st.ok()) return Status(st.code(), "index column " + std::to_string(column + 1) + ": " + st.message());
      return Status::Ok();
    }
    case KeyColumnType::kGuid: {
      const Guid* g = std::get_if<Guid>(&v);
      if (!g) return Refuse(column, "expected a GUID");
      AppendBinary(out, g->bytes, col.ascending);
      return Status::Ok();
    }
    case KeyColumnType::kBinary: {
      const std::vector<uint8_t>* b = std::get_if<std::vector<uint8_t>>(&v);
      if (!b) return Refuse(column, "expected binary data");
      AppendBinary(out, *b, col.ascending);
      return Status::Ok();
    }
    case KeyColumnType::kYesNo: break;  // handled by the caller
  }
  return Refuse(column, "unknown column type");
}

}  // namespace

Guid Guid::FromStored(std::span<const uint8_t, 16> s) {
  Guid g;
  const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  for (int i = 0; i < 16; ++i) g.bytes[i] = s[order[i]];
  return g;
}

uint16_t TruncatedKeyChecksum(std::span<const uint8_t> dropped) {
  if (dropped.empty()) return 0;
  uint16_t crc = 0;
  for (size_t i = 0; i + 1 < dropped.size(); ++i) crc = static_cast<uint16_t>(FoldStep(crc) ^ dropped[i]);
  // The last byte enters the high half unfolded (a text key's final 00 adds nothing).
  return static_cast<uint16_t>(crc ^ (dropped.back() << 8));
}

Result<std::vector<uint8_t>> EncodeIndexKey(std::span<const KeyColumn> columns, std::span<const KeyValue> values) {
  if (columns.size() != values.size()) {
    return Status(ErrorCode::kInvalidArgument, "index key needs " + std::to_string(columns.size()) +
                                                   " values, got " + std::to_string(values.size()));
  }
  std::vector<uint8_t> out;
  size_t lastWordSortByte = 0;  // one past the last byte of hyphen/apostrophe records
  bool access97 = false;        // whose cap is not known: its keys stay whole
  for (size_t i = 0; i < columns.size(); ++i) {
    if (columns[i].type == KeyColumnType::kText && columns[i].sortOrder.base == SortBase::kGeneral97) access97 = true;
    const KeyColumn& col = columns[i];
    const KeyValue& v = values[i];
    if (col.type == KeyColumnType::kYesNo) {
      // Yes/No is never null in a key; Yes sorts first.
      const bool* b = std::get_if<bool>(&v);
      if (!b && !std::holds_alternative<std::monostate>(v)) return Refuse(i, "expected Yes/No");
      const bool yes = b && *b;
      out.push_back(col.ascending ? kKeyValueFlag : kKeyValueFlagDescending);
      out.push_back((yes == col.ascending) ? 0x00 : 0xFF);
      continue;
    }
    if (std::holds_alternative<std::monostate>(v)) {
      out.push_back(col.ascending ? kKeyNullFlag : kKeyNullFlagDescending);
      continue;
    }
    out.push_back(col.ascending ? kKeyValueFlag : kKeyValueFlagDescending);
    size_t wordSortAt = std::string::npos;
    JET_RETURN_IF_ERROR(AppendValue(out, col, v, i, &wordSortAt));
    if (wordSortAt != std::string::npos) lastWordSortByte = out.size();
  }
  if (out.size() > kMaxKeyBytes && !access97) {
    // Whether Access reckons the records it drops as they are built is not known.
    if (lastWordSortByte > kKeptKeyBytes) {
      return Status(ErrorCode::kUnsupported,
                    "the index key of these values is longer than " + std::to_string(kMaxKeyBytes) +
                        " bytes and the part Access would replace by a checksum holds a hyphen or apostrophe, "
                        "whose checksum is not known; shorten the text or leave the column out of the index");
    }
    const uint16_t checksum = TruncatedKeyChecksum(std::span<const uint8_t>(out).subspan(kKeptKeyBytes));
    out.resize(kKeptKeyBytes);
    out.push_back(static_cast<uint8_t>(checksum >> 8));
    out.push_back(static_cast<uint8_t>(checksum));
  }
  return out;
}

}  // namespace jet::index
