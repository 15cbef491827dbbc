// The value of a field: ADO's VARIANT reduced to the kinds the program meets.
// A Variant is immutable once made; the named factories say which kind it holds.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace ado {

// Money: an integer count of ten-thousandths (ADO's CURRENCY).
struct Currency {
  std::int64_t units = 0;
  bool operator==(const Currency&) const = default;
};

// An exact decimal: value = (negative ? -1 : 1) * magnitude / 10^scale.
// The magnitude holds up to 128 bits (Access stores 16 bytes; ADO's DECIMAL uses 96 of them).
struct Decimal {
  bool negative = false;
  std::uint8_t scale = 0;      // digits after the decimal point, 0..28
  std::uint8_t precision = 0;  // declared total digits of the column, 0 when unknown
  unsigned __int128 magnitude = 0;
  bool operator==(const Decimal&) const = default;
};

// A point in time as ADO's DATE: days since 1899-12-30 00:00; the fraction is the time of day
// (for negative values the fraction still counts forward from midnight: -1.25 is 1899-12-29 06:00).
struct Date {
  double days = 0;
  bool operator==(const Date&) const = default;
};

// A GUID in the byte order Windows keeps in memory (first three groups little-endian).
struct Guid {
  std::array<std::uint8_t, 16> bytes{};
  bool operator==(const Guid&) const = default;
};

using Bytes = std::vector<std::uint8_t>;

class Variant {
 public:
  enum class Kind {
    Empty, Null, Boolean,
    Int8, Byte, Int16, Int32, Int64,  // Byte is unsigned 8-bit
    Single, Double, Currency, Decimal, Date,
    Text, Bytes, Guid
  };

  Variant() = default;  // Empty

  static Variant null();
  static Variant boolean(bool value);
  static Variant int8(std::int8_t value);
  static Variant byte(std::uint8_t value);
  static Variant int16(std::int16_t value);
  static Variant int32(std::int32_t value);
  static Variant int64(std::int64_t value);
  static Variant single(float value);
  static Variant real(double value);  // Double
  static Variant currency(ado::Currency value);
  static Variant decimal(const ado::Decimal& value);
  static Variant date(ado::Date value);
  static Variant text(std::string utf8);
  static Variant bytes(ado::Bytes value);
  static Variant guid(const ado::Guid& value);

  Kind kind() const;
  bool isNull() const { return kind() == Kind::Null; }
  bool isEmpty() const { return kind() == Kind::Empty; }
  bool isInteger() const;  // Int8 .. Int64
  bool isNumber() const;   // integers, Single, Double, Currency, Decimal

  // Exact accessors: each throws ado::Error (adErrInvalidArgument) when the kind differs.
  bool asBoolean() const;
  std::int64_t asInt64() const;  // any integer kind
  double asDouble() const;       // any number kind, Date's day count, Boolean (-1/0)
  ado::Currency asCurrency() const;
  const ado::Decimal& asDecimal() const;
  ado::Date asDate() const;
  const std::string& asText() const;
  const ado::Bytes& asBytes() const;
  const ado::Guid& asGuid() const;

  // The value's text as OLE Automation converts a VARIANT to a string:
  //  Empty, Null -> ""; Boolean -> "True"/"False";
  //  numbers -> the shortest text that reads back to the same value ("0.1", "1e+20", "12.5");
  //  Currency and Decimal -> exact, without trailing fraction zeros;
  //  Date -> "MM/DD/YYYY HH:NN:SS" (24-hour), the time left out at midnight, the date left out on
  //          the zero date 1899-12-30 (so a value with a time of day contains ':' and a pure date does not);
  //  Text -> itself; Bytes -> the bytes read as UTF-16LE code units, as the platform's string
  //          conversion does (invalid units become U+FFFD); Guid -> "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
  std::string toText() const;

  bool operator==(const Variant&) const = default;

 private:
  struct EmptyTag { bool operator==(const EmptyTag&) const = default; };
  struct NullTag { bool operator==(const NullTag&) const = default; };
  using Storage = std::variant<EmptyTag, NullTag, bool, std::int8_t, std::uint8_t, std::int16_t, std::int32_t,
                               std::int64_t, float, double, ado::Currency, ado::Decimal, ado::Date, std::string,
                               ado::Bytes, ado::Guid>;
  explicit Variant(Storage storage) : storage_(std::move(storage)) {}
  Storage storage_;
};

// Text forms used by toText, exposed for the callers that format one kind on purpose.
std::string DateToText(ado::Date value);
std::string DecimalToText(const ado::Decimal& value);
std::string CurrencyToText(ado::Currency value);
std::string GuidToText(const ado::Guid& value);

}  // namespace ado
