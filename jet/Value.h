// A decoded column value. The kinds mirror the stored types so that nothing is lost
// on the way to a writer or a printer: Currency stays a scaled integer, Decimal its
// sign, magnitude and scale, Date/Time the stored double.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace jet {

struct Null {
  bool operator==(const Null&) const = default;
};
struct Currency {
  int64_t tenThousandths = 0;  // value x 10000
  bool operator==(const Currency&) const = default;
};
struct DateTime {
  double days = 0;  // since 1899-12-30; negative values: whole days back, fraction forward
  bool operator==(const DateTime&) const = default;
};
struct Decimal {
  bool negative = false;
  unsigned __int128 magnitude = 0;
  uint8_t precision = 18;
  uint8_t scale = 0;
  bool operator==(const Decimal&) const = default;
};
struct Guid {
  std::array<uint8_t, 16> bytes{};  // as stored: first three groups little-endian
  bool operator==(const Guid&) const = default;
};
struct Binary {
  std::vector<uint8_t> bytes;
  bool operator==(const Binary&) const = default;
};
struct BigInt {
  int64_t value = 0;
  bool operator==(const BigInt&) const = default;
};
// Date/Time Extended: 100 ns ticks as stored (days since 0001-01-01, seconds, ticks).
struct DateTimeExtended {
  int64_t days = 0;
  int64_t seconds = 0;
  int64_t ticks = 0;  // 100 ns units within the second
  bool operator==(const DateTimeExtended&) const = default;
};
struct Attachment {
  std::string name;
  std::string type;
  std::vector<uint8_t> data;
  std::string url;         // empty if none
  bool hasTimestamp = false;
  double timestamp = 0;    // Date/Time days
  int32_t flags = 0;
  bool operator==(const Attachment&) const = default;
};
struct Attachments {
  std::vector<Attachment> items;
  bool operator==(const Attachments&) const = default;
};
// A value the engine cannot decode (multi-value and version-history data, unknown
// column types): a placeholder that says so, never guessed bytes.
struct Unsupported {
  std::string reason;
  bool operator==(const Unsupported&) const = default;
};

using Value = std::variant<Null, bool, uint8_t, int16_t, int32_t, BigInt, Currency, float, double, DateTime,
                           Decimal, std::string, Binary, Guid, DateTimeExtended, Attachments, Unsupported>;

inline bool IsNull(const Value& v) { return std::holds_alternative<Null>(v); }

}  // namespace jet
