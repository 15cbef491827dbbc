// Index keys: the bytes of one index entry before its row pointer, built from the
// values of the indexed columns. Each column contributes a flag byte (0x7F value /
// 0x00 null; descending 0x80 / 0xFF) and its value bytes, ordered so that an unsigned
// byte comparison of keys gives the column order; descending columns invert them.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "jet/Status.h"
#include "jet/index/TextSortOrder.h"

namespace jet::index {

enum class KeyColumnType {
  kByte,      // unsigned 8-bit
  kInteger,   // 16-bit
  kLong,      // 32-bit
  kCurrency,  // 64-bit count of 1/10000
  kBigInt,    // 64-bit (ACE "Large Number")
  kSingle,
  kDouble,
  kDateTime,  // the stored double
  kYesNo,     // never null in a key: null keys as No
  kText,      // Text and Memo, by the column's sort order
  kGuid,
  kBinary,    // Binary(n)
  kDecimal,   // sign + 16-byte magnitude at the column's scale
};

struct KeyColumn {
  KeyColumnType type = KeyColumnType::kLong;
  bool ascending = true;
  TextSortOrder sortOrder = TextSortOrder::kGeneralLegacy;  // text columns only
  // Decimal columns only: the column's scale, and whether the file keys descending
  // decimals the Jet4 way (negatives inverted before the sign byte is set, so that a
  // descending index lists negative values first) rather than the ACE way.
  uint8_t scale = 0;
  bool legacyDecimal = false;
};

// A GUID in its written order ({00112233-4455-...} = bytes 00 11 22 33 44 55 ...).
struct Guid {
  std::array<uint8_t, 16> bytes{};
  // From the 16 bytes stored in a row (first three groups little-endian).
  static Guid FromStored(std::span<const uint8_t, 16> stored);
};

// A Decimal value: magnitude x 10^-scale, negative if `negative`.
struct DecimalKey {
  bool negative = false;
  unsigned __int128 magnitude = 0;
  uint8_t scale = 0;
};

// One column value: null, a whole number (Byte..Currency, BigInt), a floating value
// (Single, Double, Date/Time), Yes/No, text (UTF-16), a GUID, binary bytes or a decimal.
using KeyValue =
    std::variant<std::monostate, int64_t, double, bool, std::u16string, Guid, std::vector<uint8_t>, DecimalKey>;

// Access 2000 and later store at most 510 key bytes: a longer key keeps its first 508 and
// ends in the big-endian TruncatedKeyChecksum of the bytes it drops. (Access 97's cap is not
// known; keys with its text stay whole, as before.)
inline constexpr size_t kMaxKeyBytes = 510;
inline constexpr size_t kKeptKeyBytes = 508;
uint16_t TruncatedKeyChecksum(std::span<const uint8_t> dropped);

// Builds the key of `values` (one per column), capped as Access caps it. Wrong value
// kinds, out-of-range numbers, text the sort order cannot key and an over-long key whose
// dropped part holds a hyphen/apostrophe record are refused with
// ErrorCode::kInvalidArgument or kUnsupported; the message names the column position.
Result<std::vector<uint8_t>> EncodeIndexKey(std::span<const KeyColumn> columns, std::span<const KeyValue> values);

// Flag bytes that start each column's part of a key.
inline constexpr uint8_t kKeyValueFlag = 0x7F;
inline constexpr uint8_t kKeyNullFlag = 0x00;
inline constexpr uint8_t kKeyValueFlagDescending = 0x80;
inline constexpr uint8_t kKeyNullFlagDescending = 0xFF;

}  // namespace jet::index
