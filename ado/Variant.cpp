#include "ado/Variant.h"

#include "ado/Error.h"
#include "jet/DateSerial.h"
#include "jet/Text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace ado {

Variant Variant::null() { return Variant(Storage(NullTag{})); }
Variant Variant::boolean(bool value) { return Variant(Storage(value)); }
Variant Variant::int8(std::int8_t value) { return Variant(Storage(value)); }
Variant Variant::byte(std::uint8_t value) { return Variant(Storage(value)); }
Variant Variant::int16(std::int16_t value) { return Variant(Storage(value)); }
Variant Variant::int32(std::int32_t value) { return Variant(Storage(value)); }
Variant Variant::int64(std::int64_t value) { return Variant(Storage(value)); }
Variant Variant::single(float value) { return Variant(Storage(value)); }
Variant Variant::real(double value) { return Variant(Storage(value)); }
Variant Variant::currency(ado::Currency value) { return Variant(Storage(value)); }
Variant Variant::decimal(const ado::Decimal& value) { return Variant(Storage(value)); }
Variant Variant::date(ado::Date value) { return Variant(Storage(value)); }
Variant Variant::text(std::string utf8) { return Variant(Storage(std::move(utf8))); }
Variant Variant::bytes(ado::Bytes value) { return Variant(Storage(std::move(value))); }
Variant Variant::guid(const ado::Guid& value) { return Variant(Storage(value)); }

// The alternatives of Storage are listed in the order of Kind.
Variant::Kind Variant::kind() const { return static_cast<Kind>(storage_.index()); }

bool Variant::isInteger() const {
  const Kind k = kind();
  return k >= Kind::Int8 && k <= Kind::Int64;
}

bool Variant::isNumber() const {
  const Kind k = kind();
  return (k >= Kind::Int8 && k <= Kind::Decimal);
}

namespace {

[[noreturn]] void wrongKind(const char* wanted) {
  throw Error(adErrInvalidArgument, std::string("Type mismatch: the value is not ") + wanted + ".");
}

// Shortest text that reads back to the same value.
template <typename T>
std::string shortest(T value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string magnitudeDigits(unsigned __int128 magnitude) {
  // From the last digit back into a buffer; 128-bit division only while the value needs it.
  char buffer[40];
  char* first = buffer + sizeof buffer;
  while (magnitude > UINT64_MAX) {
    *--first = static_cast<char>('0' + static_cast<int>(magnitude % 10));
    magnitude /= 10;
  }
  std::uint64_t rest = static_cast<std::uint64_t>(magnitude);
  do {
    *--first = static_cast<char>('0' + static_cast<int>(rest % 10));
    rest /= 10;
  } while (rest != 0);
  return std::string(first, buffer + sizeof buffer);
}

// Places a decimal point `scale` digits from the right and drops trailing fraction zeros.
std::string scaledText(bool negative, std::string digits, int scale) {
  if (scale > 0) {
    if (static_cast<int>(digits.size()) <= scale) digits.insert(0, scale + 1 - digits.size(), '0');
    digits.insert(digits.size() - scale, ".");
    while (digits.back() == '0') digits.pop_back();
    if (digits.back() == '.') digits.pop_back();
  }
  if (negative && digits != "0") digits.insert(0, "-");
  return digits;
}

std::string utf16leToText(const Bytes& bytes) {
  std::string out;
  const std::size_t units = (bytes.size() + 1) / 2;  // an odd last byte is a unit of its own
  auto unitAt = [&](std::size_t i) -> char16_t {
    const std::uint8_t lo = bytes[2 * i];
    const std::uint8_t hi = 2 * i + 1 < bytes.size() ? bytes[2 * i + 1] : 0;
    return static_cast<char16_t>(lo | (hi << 8));
  };
  for (std::size_t i = 0; i < units; ++i) {
    const char16_t u = unitAt(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
      const char16_t v = unitAt(i + 1);
      if (v >= 0xDC00 && v <= 0xDFFF) {
        jet::AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (v - 0xDC00));
        ++i;
        continue;
      }
    }
    jet::AppendUtf8(out, (u >= 0xD800 && u <= 0xDFFF) ? U'\uFFFD' : static_cast<char32_t>(u));
  }
  return out;
}

}  // namespace

bool Variant::asBoolean() const {
  if (const bool* v = std::get_if<bool>(&storage_)) return *v;
  wrongKind("a Boolean");
}

std::int64_t Variant::asInt64() const {
  switch (kind()) {
    case Kind::Int8: return std::get<std::int8_t>(storage_);
    case Kind::Byte: return std::get<std::uint8_t>(storage_);
    case Kind::Int16: return std::get<std::int16_t>(storage_);
    case Kind::Int32: return std::get<std::int32_t>(storage_);
    case Kind::Int64: return std::get<std::int64_t>(storage_);
    default: wrongKind("an integer");
  }
}

double Variant::asDouble() const {
  switch (kind()) {
    case Kind::Boolean: return std::get<bool>(storage_) ? -1.0 : 0.0;
    case Kind::Single: return std::get<float>(storage_);
    case Kind::Double: return std::get<double>(storage_);
    case Kind::Currency: return static_cast<double>(std::get<ado::Currency>(storage_).units) / 10000.0;
    case Kind::Decimal: {
      const ado::Decimal& d = std::get<ado::Decimal>(storage_);
      const double v = static_cast<double>(d.magnitude) / std::pow(10.0, d.scale);
      return d.negative ? -v : v;
    }
    case Kind::Date: return std::get<ado::Date>(storage_).days;
    default:
      if (isInteger()) return static_cast<double>(asInt64());
      wrongKind("a number");
  }
}

ado::Currency Variant::asCurrency() const {
  if (const auto* v = std::get_if<ado::Currency>(&storage_)) return *v;
  wrongKind("a Currency");
}
const ado::Decimal& Variant::asDecimal() const {
  if (const auto* v = std::get_if<ado::Decimal>(&storage_)) return *v;
  wrongKind("a Decimal");
}
ado::Date Variant::asDate() const {
  if (const auto* v = std::get_if<ado::Date>(&storage_)) return *v;
  wrongKind("a Date");
}
const std::string& Variant::asText() const {
  if (const auto* v = std::get_if<std::string>(&storage_)) return *v;
  wrongKind("a text");
}
const ado::Bytes& Variant::asBytes() const {
  if (const auto* v = std::get_if<ado::Bytes>(&storage_)) return *v;
  wrongKind("a byte array");
}
const ado::Guid& Variant::asGuid() const {
  if (const auto* v = std::get_if<ado::Guid>(&storage_)) return *v;
  wrongKind("a GUID");
}

std::string CurrencyToText(ado::Currency value) {
  const bool negative = value.units < 0;
  // Magnitude through unsigned arithmetic so that the most negative value does not overflow.
  const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(value.units)
                                           : static_cast<std::uint64_t>(value.units);
  return scaledText(negative, std::to_string(magnitude), 4);
}

std::string DecimalToText(const ado::Decimal& value) {
  return scaledText(value.negative, magnitudeDigits(value.magnitude), value.scale);
}

std::string DateToText(ado::Date value) {
  const double d = value.days;
  if (!std::isfinite(d)) return shortest(d);
  const jet::SerialDayTime split = jet::SplitSerial(d);
  const std::int64_t seconds = split.secondOfDay;
  const auto [year, month, day] = jet::CivilFromSerialDay(split.day);
  // Written digit by digit: a copy formats one date per row, and snprintf costs more than the rest.
  auto two = [](char* out, unsigned value) {
    out[0] = static_cast<char>('0' + value / 10 % 10);
    out[1] = static_cast<char>('0' + value % 10);
  };
  char time[8];
  two(time, static_cast<unsigned>(seconds / 3600));
  time[2] = ':';
  two(time + 3, static_cast<unsigned>(seconds / 60 % 60));
  time[5] = ':';
  two(time + 6, static_cast<unsigned>(seconds % 60));
  if (split.day == 0) return std::string(time, 8);  // the zero date: time of day only
  std::string text;
  if (year >= 0 && year <= 9999) {
    text.resize(10);
    two(text.data(), month);
    text[2] = '/';
    two(text.data() + 3, day);
    text[5] = '/';
    two(text.data() + 6, static_cast<unsigned>(year / 100));
    two(text.data() + 8, static_cast<unsigned>(year % 100));
  } else {
    char date[32];
    std::snprintf(date, sizeof date, "%02u/%02u/%04lld", month, day, static_cast<long long>(year));
    text = date;
  }
  if (seconds == 0) return text;
  text += ' ';
  text.append(time, 8);
  return text;
}

std::string GuidToText(const ado::Guid& value) {
  const auto& b = value.bytes;
  char text[40];
  std::snprintf(text, sizeof text, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[3], b[2],
                b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
  return text;
}

std::string Variant::toText() const {
  switch (kind()) {
    case Kind::Empty:
    case Kind::Null: return "";
    case Kind::Boolean: return std::get<bool>(storage_) ? "True" : "False";
    case Kind::Int8:
    case Kind::Byte:
    case Kind::Int16:
    case Kind::Int32:
    case Kind::Int64: return std::to_string(asInt64());
    case Kind::Single: return shortest(std::get<float>(storage_));
    case Kind::Double: return shortest(std::get<double>(storage_));
    case Kind::Currency: return CurrencyToText(std::get<ado::Currency>(storage_));
    case Kind::Decimal: return DecimalToText(std::get<ado::Decimal>(storage_));
    case Kind::Date: return DateToText(std::get<ado::Date>(storage_));
    case Kind::Text: return std::get<std::string>(storage_);
    case Kind::Bytes: return utf16leToText(std::get<ado::Bytes>(storage_));
    case Kind::Guid: return GuidToText(std::get<ado::Guid>(storage_));
  }
  return "";
}

}  // namespace ado
