#include "BenchRows.h"

#include <cinttypes>
#include <cstdio>

#include "ado/Variant.h"
#include "jet/DateSerial.h"

namespace bench {
namespace {

// splitmix64: a cheap, well-mixed function of the row number and the column.
std::uint64_t Mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

const char* const kNames[] = {"O'Brien", "Zoë", "Ångström", "Łódź", "Smith", "Müller", "García", "Nguyễn"};
constexpr char kNoteText[] =
    "Delivered on time; customer's dock closes at 17:00. Zoë signed for the Ångström lenses in Łódź. "
    "Invoice sent, payment expected within 30 days. ";

void AppendQuoted(std::string& out, const std::string& text) {
  out += '\'';
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  out += '\'';
}

// "-1234.5678" from ten-thousandths.
std::string FixedFour(std::int64_t units) {
  char buffer[40];
  const std::uint64_t magnitude = units < 0 ? 0 - static_cast<std::uint64_t>(units) : units;
  std::snprintf(buffer, sizeof buffer, "%s%" PRIu64 ".%04" PRIu64, units < 0 ? "-" : "", magnitude / 10000,
                magnitude % 10000);
  return buffer;
}

// "yyyy-mm-dd hh:nn:ss" for seconds since 1899-12-30 (not before it).
std::string DateTimeText(std::int64_t seconds) {
  const auto [year, month, day] = jet::CivilFromSerialDay(seconds / jet::kSecondsPerDay);
  const std::int64_t secondOfDay = seconds % jet::kSecondsPerDay;
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, "%04" PRId64 "-%02u-%02u %02" PRId64 ":%02" PRId64 ":%02" PRId64, year, month,
                day, secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60);
  return buffer;
}

template <typename T>
std::optional<T> Maybe(std::uint64_t h, T value) {
  return h % 10 == 0 ? std::nullopt : std::optional<T>(value);  // about 10% NULL
}

}  // namespace

Row MakeRow(long index) {
  auto h = [index](int column) { return Mix(static_cast<std::uint64_t>(index) * 16 + column); };
  Row row;
  row.id = static_cast<std::int32_t>(index + 1);
  {
    const std::uint64_t v = h(1) >> 8;
    std::string name = std::string(kNames[v % 8]) + " " + std::to_string(v % 100000) + " " + kNames[(v >> 20) % 8];
    row.name = Maybe(h(1), name);
  }
  {
    const std::uint64_t v = h(2) >> 8;
    const size_t length = v % 2001;
    // A slice of the repeated note text, cut back to a whole character.
    static const std::string kRepeated = [] {
      std::string text;
      while (text.size() < 2100) text += kNoteText;
      return text;
    }();
    size_t from = v % 50;
    while (from > 0 && (static_cast<unsigned char>(kRepeated[from]) & 0xC0) == 0x80) --from;
    size_t to = from + length;
    while (to > from && (static_cast<unsigned char>(kRepeated[to]) & 0xC0) == 0x80) --to;
    std::string notes = kRepeated.substr(from, to - from);
    row.notes = Maybe(h(2), notes);
  }
  row.amount = Maybe(h(3), (static_cast<double>(h(3) >> 12 & 0xFFFFFFF) - 1.3e8) / 7.0);
  row.priceUnits = Maybe(h(4), static_cast<std::int64_t>(h(4) >> 8 & 0xFFFFFFFF));
  row.qty = Maybe(h(5), static_cast<std::int16_t>(h(5) >> 16));
  row.flag = Maybe(h(6), ((h(6) >> 8) & 1) != 0);
  // 1990-01-01 (day 32874) to about 2030, to the second.
  row.whenSeconds = Maybe(h(7), static_cast<std::int64_t>(32874) * 86400 +
                                    static_cast<std::int64_t>((h(7) >> 8) % (14600ull * 86400)));
  row.ratio = Maybe(h(8), static_cast<float>(h(8) >> 40) / 4096.0f);
  row.exactUnits = Maybe(h(9), static_cast<std::int64_t>((h(9) >> 8) % 100000000000000000ull) *
                                   ((h(9) >> 4 & 1) ? -1 : 1));
  return row;
}

void InsertStatement(const Row& row, std::string& out) {
  out.assign("INSERT INTO `Bench` VALUES(");
  bool first = true;
  auto field = [&](const std::optional<std::string>& text) {
    if (!first) out += ", ";
    first = false;
    if (text) {
      AppendQuoted(out, *text);
    } else {
      out += "NULL";
    }
  };
  auto number = [](const char* format, auto value) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, format, value);
    return std::string(buffer);
  };
  field(std::to_string(row.id));
  field(row.name);
  field(row.notes);
  field(row.amount ? std::optional(number("%.17g", *row.amount)) : std::nullopt);
  field(row.priceUnits ? std::optional(FixedFour(*row.priceUnits)) : std::nullopt);
  field(row.qty ? std::optional(std::to_string(*row.qty)) : std::nullopt);
  field(row.flag ? std::optional(std::string(*row.flag ? "1" : "0")) : std::nullopt);
  field(row.whenSeconds ? std::optional(DateTimeText(*row.whenSeconds)) : std::nullopt);
  field(row.ratio ? std::optional(number("%.9g", static_cast<double>(*row.ratio))) : std::nullopt);
  field(row.exactUnits ? std::optional(FixedFour(*row.exactUnits)) : std::nullopt);
  out += ')';
}

bool RowMatches(const Row& row, const ado::FieldCollection& fields) {
  auto isNull = [&](int i) { return fields.Item(i).Value().isNull(); };
  if (fields.Item(0).Value().asInt64() != row.id) return false;
  if (row.name ? fields.Item(1).Value().asText() != *row.name : !isNull(1)) return false;
  if (row.notes ? fields.Item(2).Value().asText() != *row.notes : !isNull(2)) return false;
  if (row.amount ? fields.Item(3).Value().asDouble() != *row.amount : !isNull(3)) return false;
  if (row.priceUnits ? fields.Item(4).Value().asCurrency().units != *row.priceUnits : !isNull(4)) return false;
  if (row.qty ? fields.Item(5).Value().asInt64() != *row.qty : !isNull(5)) return false;
  if (fields.Item(6).Value().asBoolean() != row.flag.value_or(false)) return false;
  if (row.whenSeconds) {
    // Stored as a day count; within a millisecond of the written second.
    const double seconds = fields.Item(7).Value().asDate().days * 86400.0;
    if (seconds < *row.whenSeconds - 0.001 || seconds > *row.whenSeconds + 0.001) return false;
  } else if (!isNull(7)) {
    return false;
  }
  if (row.ratio ? static_cast<float>(fields.Item(8).Value().asDouble()) != *row.ratio : !isNull(8)) return false;
  if (row.exactUnits) {
    const ado::Decimal d = fields.Item(9).Value().asDecimal();
    unsigned __int128 magnitude = d.magnitude;
    for (int s = d.scale; s < 4; ++s) magnitude *= 10;
    if (d.scale > 4) return false;
    const std::int64_t expected = *row.exactUnits;
    const std::uint64_t expectedMagnitude = expected < 0 ? 0 - static_cast<std::uint64_t>(expected) : expected;
    if (magnitude != expectedMagnitude || (expected != 0 && d.negative != (expected < 0))) return false;
  } else if (!isNull(9)) {
    return false;
  }
  return true;
}

}  // namespace bench
