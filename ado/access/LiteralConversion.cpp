#include "ado/access/LiteralConversion.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstring>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "jet/DateSerial.h"

namespace ado::access {

namespace {

using jet::ColumnType;
using jet::ErrorCode;
using jet::Status;
using Magnitude = unsigned __int128;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// ---- Exact decimal numbers -------------------------------------------------------------

// ±digits x 10^exponent, exactly as written: no leading or trailing zeros in `digits`,
// empty digits = 0.
struct ExactNumber {
  bool negative = false;
  std::string digits;
  int64_t exponent = 0;
};

// [+-] digits [. digits] [e [+-] digits], or with the digits only after the point.
std::optional<ExactNumber> ParseExactNumber(std::string_view text) {
  ExactNumber number;
  number.digits.reserve(text.size());
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) number.negative = text[i++] == '-';
  // Each run of digits is taken whole.
  auto digitRun = [&] {
    const size_t from = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    number.digits.append(text.substr(from, i - from));
    return i - from;
  };
  size_t mantissaDigits = digitRun();
  int64_t fractionDigits = 0;
  if (i < text.size() && text[i] == '.') {
    ++i;
    fractionDigits = static_cast<int64_t>(digitRun());
    mantissaDigits += static_cast<size_t>(fractionDigits);
  }
  if (mantissaDigits == 0) return std::nullopt;
  int64_t exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negativeExponent = text[i++] == '-';
    if (i >= text.size() || !IsDigit(text[i])) return std::nullopt;
    while (i < text.size() && IsDigit(text[i])) exponent = std::min<int64_t>(exponent * 10 + (text[i++] - '0'), 1'000'000);
    if (negativeExponent) exponent = -exponent;
  }
  if (i != text.size()) return std::nullopt;
  number.exponent = exponent - fractionDigits;
  const size_t firstNonZero = number.digits.find_first_not_of('0');
  number.digits.erase(0, firstNonZero == std::string::npos ? number.digits.size() : firstNonZero);
  while (!number.digits.empty() && number.digits.back() == '0') {
    number.digits.pop_back();
    ++number.exponent;
  }
  if (number.digits.empty()) number.negative = false;
  return number;
}

constexpr size_t kMaxMagnitudeDigits = 38;  // 10^38 - 1 still fits in 128 bits

// |number| x 10^scale rounded half to even to a whole number; nullopt when it has more than
// 38 digits.
std::optional<Magnitude> RoundedMagnitude(const ExactNumber& number, int scale) {
  if (number.digits.empty()) return Magnitude{0};
  const int64_t shift = number.exponent + scale;
  auto accumulate = [](std::string_view digits) {
    Magnitude value = 0;
    for (char digit : digits) value = value * 10 + static_cast<unsigned>(digit - '0');
    return value;
  };
  if (shift >= 0) {
    if (number.digits.size() + static_cast<uint64_t>(shift) > kMaxMagnitudeDigits) return std::nullopt;
    Magnitude value = accumulate(number.digits);
    for (int64_t i = 0; i < shift; ++i) value *= 10;
    return value;
  }
  const uint64_t dropped = static_cast<uint64_t>(-shift);
  if (dropped > number.digits.size()) return Magnitude{0};  // below half a unit
  const size_t kept = number.digits.size() - dropped;
  if (kept > kMaxMagnitudeDigits) return std::nullopt;
  Magnitude value = accumulate(std::string_view(number.digits).substr(0, kept));
  const char first = number.digits[kept];
  // The digits never end in 0, so anything after the first dropped digit is more than nothing.
  const bool moreAfterFirst = dropped > 1;
  const bool roundUp = first > '5' || (first == '5' && (moreAfterFirst || (value & 1) == 1));
  if (roundUp) ++value;
  return value;
}

Magnitude PowerOfTen(int exponent) {
  Magnitude value = 1;
  for (int i = 0; i < exponent; ++i) value *= 10;
  return value;
}

// The nearest double or float of an exact number; nullopt beyond the type's range.
template <typename Floating>
std::optional<Floating> NearestFloating(const ExactNumber& number) {
  if (number.digits.empty()) return Floating{0};
  // "digits e exponent", on the stack unless the digits are many.
  char stack[128];
  std::string heap;
  char* text = stack;
  const size_t room = number.digits.size() + 24;
  if (room > sizeof stack) {
    heap.resize(room);
    text = heap.data();
  }
  std::memcpy(text, number.digits.data(), number.digits.size());
  size_t length = number.digits.size();
  text[length++] = 'e';
  length = static_cast<size_t>(std::to_chars(text + length, text + room, number.exponent).ptr - text);
  Floating value{};
  const auto [end, error] = std::from_chars(text, text + length, value);
  if (error == std::errc::result_out_of_range) {
    // Too big, or smaller than the type's smallest step: the latter stores 0 as Jet does.
    if (static_cast<int64_t>(number.digits.size()) + number.exponent > 0) return std::nullopt;
    value = 0;
  } else if (error != std::errc() || end != text + length || std::isinf(value)) {
    return std::nullopt;
  }
  return number.negative ? -value : value;
}

// ---- Dates -----------------------------------------------------------------------------

constexpr int kMinYear = 100;
constexpr int kMaxYear = 9999;
// Date serials of 100-01-01 and of the day after 9999-12-31.
constexpr double kMinSerial = static_cast<double>(jet::UnixDaysFromCivil(kMinYear, 1, 1) - jet::kSerialEpochUnixDays);
constexpr double kEndSerial =
    static_cast<double>(jet::UnixDaysFromCivil(kMaxYear, 12, 31) - jet::kSerialEpochUnixDays + 1);
static_assert(kMinSerial == -657434 && kEndSerial == 2958466);

// Reads the text piece by piece; every Read* consumes on success only.
class DateScanner {
 public:
  explicit DateScanner(std::string_view text) : text_(text) {}

  bool AtEnd() const { return position_ >= text_.size(); }
  size_t position() const { return position_; }
  void Rewind(size_t position) { position_ = position; }

  // 1..maxDigits digits; the count read goes to `count`.
  bool ReadNumber(int maxDigits, int& value, int& count) {
    size_t i = position_;
    value = 0;
    count = 0;
    while (i < text_.size() && IsDigit(text_[i]) && count < maxDigits) {
      value = value * 10 + (text_[i++] - '0');
      ++count;
    }
    if (count == 0 || (i < text_.size() && IsDigit(text_[i]))) return false;
    position_ = i;
    return true;
  }
  bool ReadChar(char c) {
    if (position_ < text_.size() && text_[position_] == c) {
      ++position_;
      return true;
    }
    return false;
  }
  bool SkipSpaces() {
    const size_t start = position_;
    while (position_ < text_.size() && text_[position_] == ' ') ++position_;
    return position_ > start;
  }
  bool ReadWord(std::string_view word) {
    if (SameWord(text_.substr(position_, word.size()), word)) {
      position_ += word.size();
      return true;
    }
    return false;
  }
  // "." and digits: the fraction of a second.
  bool ReadFraction(double& fraction) {
    if (!ReadChar('.')) return false;
    double scale = 0.1;
    fraction = 0;
    const size_t start = position_;
    while (position_ < text_.size() && IsDigit(text_[position_])) {
      fraction += (text_[position_++] - '0') * scale;
      scale /= 10;
    }
    return position_ > start;
  }

 private:
  std::string_view text_;
  size_t position_ = 0;
};

struct CivilDate {
  int year = 1899;
  int month = 12;
  int day = 30;
};

// yyyy-mm-dd or m/d/yyyy (m/d/yy).
std::optional<CivilDate> ReadDate(DateScanner& scanner, std::string& problem) {
  const size_t start = scanner.position();
  int first = 0, firstDigits = 0, second = 0, secondDigits = 0, third = 0, thirdDigits = 0;
  if (!scanner.ReadNumber(4, first, firstDigits)) return std::nullopt;
  CivilDate date;
  if (firstDigits == 4 && scanner.ReadChar('-')) {
    if (!scanner.ReadNumber(2, second, secondDigits) || !scanner.ReadChar('-') ||
        !scanner.ReadNumber(2, third, thirdDigits)) {
      problem = "it is not a date of the form yyyy-mm-dd";
      return std::nullopt;
    }
    date = {first, second, third};
  } else if (firstDigits <= 2 && scanner.ReadChar('/')) {
    if (!scanner.ReadNumber(2, second, secondDigits) || !scanner.ReadChar('/') ||
        !scanner.ReadNumber(4, third, thirdDigits)) {
      problem = "it is not a date of the form m/d/yyyy";
      return std::nullopt;
    }
    int year = third;
    if (thirdDigits <= 2) year += third < 30 ? 2000 : 1900;  // Automation's two-digit-year window
    date = {year, first, second};
  } else {
    scanner.Rewind(start);
    return std::nullopt;
  }
  if (date.year < kMinYear || date.year > kMaxYear) {
    problem = "the year is outside 100 to 9999";
    return std::nullopt;
  }
  if (date.month < 1 || date.month > 12) {
    problem = "there is no month " + std::to_string(date.month);
    return std::nullopt;
  }
  if (!jet::IsCalendarDate(date.year, date.month, date.day)) {
    problem = "month " + std::to_string(date.month) + " of " + std::to_string(date.year) + " has no day " +
              std::to_string(date.day);
    return std::nullopt;
  }
  return date;
}

// h:nn[:ss[.fff]] [AM|PM], as a fraction of a day.
std::optional<double> ReadTime(DateScanner& scanner, std::string& problem) {
  int hour = 0, minute = 0, second = 0, digits = 0;
  double fraction = 0;
  if (!scanner.ReadNumber(2, hour, digits) || !scanner.ReadChar(':') || !scanner.ReadNumber(2, minute, digits)) {
    problem = "it is not a date or a time";
    return std::nullopt;
  }
  if (scanner.ReadChar(':')) {
    if (!scanner.ReadNumber(2, second, digits)) {
      problem = "the seconds are missing after the last \":\"";
      return std::nullopt;
    }
    const size_t beforeFraction = scanner.position();
    if (!scanner.ReadFraction(fraction)) scanner.Rewind(beforeFraction);
  }
  const size_t beforeMarker = scanner.position();
  scanner.SkipSpaces();
  const bool am = scanner.ReadWord("AM");
  const bool pm = !am && scanner.ReadWord("PM");
  if (!am && !pm) scanner.Rewind(beforeMarker);
  if (am || pm) {
    if (hour < 1 || hour > 12) {
      problem = "the hour of a time with AM or PM runs from 1 to 12";
      return std::nullopt;
    }
    hour = hour % 12 + (pm ? 12 : 0);
  }
  if (hour > 23 || minute > 59 || second > 59) {
    problem = "there is no time " + std::to_string(hour) + ":" + std::to_string(minute) + ":" + std::to_string(second);
    return std::nullopt;
  }
  return (hour * 3600.0 + minute * 60.0 + second + fraction) / 86400.0;
}

// ---- Values ----------------------------------------------------------------------------

std::string ShownValue(const LiteralParts& literal) {
  switch (literal.kind) {
    case SqlLiteral::Kind::kNull: return "NULL";
    case SqlLiteral::Kind::kMarker: return "?";
    case SqlLiteral::Kind::kBoolean: return literal.boolean ? "True" : "False";
    case SqlLiteral::Kind::kNumber: return std::string(literal.text);
    case SqlLiteral::Kind::kBinary: return "a binary value of " + std::to_string(literal.bytes.size()) + " bytes";
    case SqlLiteral::Kind::kText: {
      constexpr size_t kShown = 50;
      if (literal.text.size() <= kShown) return "'" + std::string(literal.text) + "'";
      size_t length = kShown;
      while (length > 0 && (static_cast<unsigned char>(literal.text[length]) & 0xC0) == 0x80) --length;
      return "'" + std::string(literal.text.substr(0, length)) + "...'";
    }
  }
  return {};
}

class Converter {
 public:
  // With `movable` (whose parts `literal` are), text taken as it stands is moved out of it
  // instead of being copied.
  Converter(const LiteralParts& literal, const AccessColumnType& column, std::string_view columnName,
            SqlLiteral* movable = nullptr)
      : literal_(literal), column_(column), columnName_(columnName), movable_(movable) {}

  jet::Result<jet::Value> Convert();

 private:
  Status Refuse(std::string why) const {
    const std::string value = literal_.kind == SqlLiteral::Kind::kBinary ? ShownValue(literal_)
                                                                          : "the value " + ShownValue(literal_);
    return Status(ErrorCode::kInvalidArgument, "The column \"" + std::string(columnName_) + "\" (" +
                                                   DescribeColumnType(column_) + ") cannot take " + value + ": " +
                                                   why + ".")
        .At(std::string(columnName_), "its value cannot be stored as " + DescribeColumnType(column_) + ": " + why);
  }

  // The literal as an exact number: a number, a number in text, or True (-1) / False (0).
  jet::Result<ExactNumber> Number() const;
  jet::Result<jet::Value> WholeNumber(Magnitude maxPositive, Magnitude maxNegative) const;
  jet::Result<jet::Value> ToCurrency() const;
  jet::Result<jet::Value> ToDecimal() const;
  jet::Result<jet::Value> ToDouble() const;
  jet::Result<jet::Value> ToSingle() const;
  jet::Result<jet::Value> ToDateTime() const;
  jet::Result<jet::Value> ToBoolean() const;
  jet::Result<jet::Value> ToText() const;
  jet::Result<jet::Value> ToBytes() const;
  jet::Result<jet::Value> ToGuid() const;

  const LiteralParts& literal_;
  const AccessColumnType& column_;
  std::string_view columnName_;
  SqlLiteral* movable_;
};

jet::Result<ExactNumber> Converter::Number() const {
  switch (literal_.kind) {
    case SqlLiteral::Kind::kBoolean: return ExactNumber{literal_.boolean, literal_.boolean ? "1" : "", 0};
    case SqlLiteral::Kind::kBinary: return Refuse("a binary value is not a number");
    case SqlLiteral::Kind::kNumber:
      if (literal_.text == "Infinity" || literal_.text == "-Infinity")
        return Refuse("no Access number type holds an infinity");
      [[fallthrough]];
    case SqlLiteral::Kind::kText: {
      auto number = ParseExactNumber(TrimSpaces(literal_.text));
      if (!number) return Refuse("it is not a number");
      return std::move(*number);
    }
    case SqlLiteral::Kind::kNull:
    case SqlLiteral::Kind::kMarker: break;
  }
  return Refuse("it is not a number");
}

// A whole number text ([-]digits) as from_chars reads it whole, or nothing (the exact reading
// then takes it).
std::optional<int64_t> QuickWhole(const LiteralParts& literal) {
  if (literal.kind != SqlLiteral::Kind::kText && literal.kind != SqlLiteral::Kind::kNumber) return std::nullopt;
  const std::string_view text = literal.text;
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

jet::Result<jet::Value> Converter::WholeNumber(Magnitude maxPositive, Magnitude maxNegative) const {
  __int128 value = 0;
  const auto quick = QuickWhole(literal_);
  const Magnitude quickMagnitude =
      quick ? static_cast<Magnitude>(*quick < 0 ? -static_cast<__int128>(*quick) : static_cast<__int128>(*quick)) : 0;
  if (quick && quickMagnitude <= (*quick < 0 ? maxNegative : maxPositive)) {
    value = *quick;
  } else {
    JET_ASSIGN_OR_RETURN(auto number, Number());
    const auto magnitude = RoundedMagnitude(number, 0);
    const bool negative = number.negative && magnitude && *magnitude != 0;
    if (!magnitude || *magnitude > (negative ? maxNegative : maxPositive))
      return Refuse("it is outside the range of " + DescribeColumnType(column_));
    value = negative ? -static_cast<__int128>(*magnitude) : static_cast<__int128>(*magnitude);
  }
  switch (column_.type) {
    case ColumnType::kByte: return jet::Value(static_cast<uint8_t>(value));
    case ColumnType::kInteger: return jet::Value(static_cast<int16_t>(value));
    case ColumnType::kLong: return jet::Value(static_cast<int32_t>(value));
    default: return jet::Value(jet::BigInt{static_cast<int64_t>(value)});
  }
}

jet::Result<jet::Value> Converter::ToCurrency() const {
  JET_ASSIGN_OR_RETURN(auto number, Number());
  const auto magnitude = RoundedMagnitude(number, 4);
  const bool negative = number.negative && magnitude && *magnitude != 0;
  const Magnitude limit = static_cast<Magnitude>(std::numeric_limits<int64_t>::max()) + (negative ? 1 : 0);
  if (!magnitude || *magnitude > limit) return Refuse("it is outside the range of Currency");
  const auto scaled = negative ? -static_cast<__int128>(*magnitude) : static_cast<__int128>(*magnitude);
  return jet::Value(jet::Currency{static_cast<int64_t>(scaled)});
}

jet::Result<jet::Value> Converter::ToDecimal() const {
  JET_ASSIGN_OR_RETURN(auto number, Number());
  // A calculated decimal has no scale of its own: each value keeps its own, as Access's
  // computation gave it (at most 28 decimals).
  constexpr int64_t kMostDecimals = 28;
  const int scale = column_.calculated ? static_cast<int>(std::clamp<int64_t>(-number.exponent, 0, kMostDecimals))
                                       : column_.scale;
  const auto magnitude = RoundedMagnitude(number, scale);
  if (column_.calculated && (!magnitude || (*magnitude >> 96) != 0))
    return Refuse("it is beyond a calculated decimal (96 bits of digits)");
  if (!column_.calculated && (!magnitude || *magnitude >= PowerOfTen(column_.precision)))
    return Refuse("it has more than " + std::to_string(column_.precision - scale) + " digits before the decimal point");
  jet::Decimal decimal;
  decimal.negative = number.negative && *magnitude != 0;
  decimal.magnitude = *magnitude;
  decimal.precision = column_.precision;
  decimal.scale = static_cast<uint8_t>(scale);
  return jet::Value(decimal);
}

// A number text as from_chars reads it whole, when that is certain to be the value the exact
// reading below would give: the nearest value to the same decimal, neither zero (whose sign
// the exact reading drops) nor beyond the type's normal range (which it treats its own way).
// Anything else (a sign "+", spaces, True/False) takes the exact reading.
template <typename Floating>
std::optional<Floating> QuickFloating(const LiteralParts& literal) {
  if (literal.kind != SqlLiteral::Kind::kText && literal.kind != SqlLiteral::Kind::kNumber) return std::nullopt;
  const std::string_view text = literal.text;
  Floating value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isnormal(value)) return std::nullopt;
  return value;
}

jet::Result<jet::Value> Converter::ToDouble() const {
  if (const auto quick = QuickFloating<double>(literal_)) return jet::Value(*quick);
  JET_ASSIGN_OR_RETURN(auto number, Number());
  const auto value = NearestFloating<double>(number);
  if (!value) return Refuse("it is outside the range of Double");
  return jet::Value(*value);
}

jet::Result<jet::Value> Converter::ToSingle() const {
  if (const auto quick = QuickFloating<float>(literal_)) return jet::Value(*quick);
  JET_ASSIGN_OR_RETURN(auto number, Number());
  const auto value = NearestFloating<float>(number);
  if (!value) return Refuse("it is outside the range of Single");
  return jet::Value(*value);
}

jet::Result<jet::Value> Converter::ToDateTime() const {
  if (literal_.kind == SqlLiteral::Kind::kText) {
    auto date = ParseDateTimeText(literal_.text);
    if (!date.ok()) return Refuse(date.status().message());
    return jet::Value(date.value());
  }
  if (literal_.kind != SqlLiteral::Kind::kNumber) return Refuse("it is not a date");
  // A number is a date serial: its whole part the day, its fraction the time.
  JET_ASSIGN_OR_RETURN(auto number, Number());
  const auto serial = NearestFloating<double>(number);
  if (!serial || *serial <= kMinSerial - 1 || *serial >= kEndSerial)
    return Refuse("it is outside the dates from the year 100 to 9999");
  return jet::Value(jet::DateTime{*serial});
}

jet::Result<jet::Value> Converter::ToBoolean() const {
  if (literal_.kind == SqlLiteral::Kind::kNull) return jet::Value(false);
  if (literal_.kind == SqlLiteral::Kind::kBoolean) return jet::Value(literal_.boolean);
  if (literal_.kind == SqlLiteral::Kind::kText) {
    const std::string_view text = TrimSpaces(literal_.text);
    for (std::string_view yes : {"True", "Yes", "On"})
      if (SameWord(text, yes)) return jet::Value(true);
    for (std::string_view no : {"False", "No", "Off"})
      if (SameWord(text, no)) return jet::Value(false);
  }
  auto number = Number();
  if (!number.ok()) return Refuse("it is not True, False, Yes, No, On, Off or a number");
  return jet::Value(!number->digits.empty());
}

jet::Result<jet::Value> Converter::ToText() const {
  std::string_view source;
  switch (literal_.kind) {
    case SqlLiteral::Kind::kText: source = literal_.text; break;
    case SqlLiteral::Kind::kNumber:
      source = literal_.text;
      if (source.front() == '+') source.remove_prefix(1);
      break;
    case SqlLiteral::Kind::kBoolean: source = literal_.boolean ? "-1" : "0"; break;
    case SqlLiteral::Kind::kBinary:
      source = std::string_view(reinterpret_cast<const char*>(literal_.bytes.data()), literal_.bytes.size());
      break;
    case SqlLiteral::Kind::kNull:
    case SqlLiteral::Kind::kMarker: return jet::Value(jet::Null{});
  }
  // Quoted text is checked for valid UTF-8 by the engine as it encodes it (one walk, not
  // two); its length only when it could be too long (no character takes fewer bytes).
  const bool counted = literal_.kind != SqlLiteral::Kind::kText ||
                       (column_.type == ColumnType::kText && source.size() > column_.length);
  if (counted) {
    const int64_t length = Utf16Length(source);
    if (length < 0)
      return Refuse(literal_.kind == SqlLiteral::Kind::kBinary ? "its bytes are not UTF-8 text"
                                                               : "it is not valid UTF-8 text");
    if (column_.type == ColumnType::kText && length > column_.length)
      return Refuse("it has " + std::to_string(length) + " characters, more than the column's " +
                    std::to_string(column_.length));
  }
  // Checked: the text itself is the value (taken over when the caller gave it up).
  if (movable_ && literal_.kind == SqlLiteral::Kind::kText) return jet::Value(std::move(movable_->text));
  return jet::Value(std::string(source));
}

jet::Result<jet::Value> Converter::ToBytes() const {
  jet::Binary binary;
  switch (literal_.kind) {
    case SqlLiteral::Kind::kBinary: binary.bytes.assign(literal_.bytes.begin(), literal_.bytes.end()); break;
    case SqlLiteral::Kind::kText: {
      if (Utf16Length(literal_.text) < 0) return Refuse("it is not valid UTF-8 text");
      // UTF-16LE code units, surrogates included.
      const std::string_view text = literal_.text;
      for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        uint32_t code = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        for (int k = 1; k < length; ++k) code = code << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        i += length;
        auto unit = [&](uint32_t u) {
          binary.bytes.push_back(static_cast<uint8_t>(u & 0xFF));
          binary.bytes.push_back(static_cast<uint8_t>(u >> 8));
        };
        if (code >= 0x10000) {
          unit(0xD800 + ((code - 0x10000) >> 10));
          unit(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
          unit(code);
        }
      }
      break;
    }
    case SqlLiteral::Kind::kNull: return jet::Value(jet::Null{});
    default: return Refuse("only a binary value or text can be stored in it");
  }
  if (column_.type == ColumnType::kBinary && binary.bytes.size() > column_.length)
    return Refuse("it has " + std::to_string(binary.bytes.size()) + " bytes, more than the column's " +
                  std::to_string(column_.length));
  return jet::Value(std::move(binary));
}

jet::Result<jet::Value> Converter::ToGuid() const {
  if (literal_.kind != SqlLiteral::Kind::kText) return Refuse("it is not a GUID text");
  std::string_view text = TrimSpaces(literal_.text);
  if (text.size() == 38 && text.front() == '{' && text.back() == '}') text = text.substr(1, 36);
  static constexpr std::array<size_t, 4> kDashes{8, 13, 18, 23};
  if (text.size() != 36) return Refuse("it is not a GUID of the form {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}");
  std::array<uint8_t, 16> bytes{};
  size_t byte = 0;
  for (size_t i = 0; i < text.size();) {
    if (std::find(kDashes.begin(), kDashes.end(), i) != kDashes.end()) {
      if (text[i] != '-') return Refuse("it is not a GUID of the form {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}");
      ++i;
      continue;
    }
    uint8_t value = 0;
    const auto [end, error] = std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
    if (error != std::errc() || end != text.data() + i + 2)
      return Refuse("it is not a GUID of the form {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}");
    bytes[byte++] = value;
    i += 2;
  }
  // Stored with the first three groups little-endian.
  std::swap(bytes[0], bytes[3]);
  std::swap(bytes[1], bytes[2]);
  std::swap(bytes[4], bytes[5]);
  std::swap(bytes[6], bytes[7]);
  return jet::Value(jet::Guid{bytes});
}

jet::Result<jet::Value> Converter::Convert() {
  if (literal_.kind == SqlLiteral::Kind::kMarker) return Refuse("a parameter marker takes its value when its command runs");
  if (literal_.kind == SqlLiteral::Kind::kNull && column_.type != ColumnType::kBoolean)
    return jet::Value(jet::Null{});
  switch (column_.type) {
    case ColumnType::kByte: return WholeNumber(255, 0);
    case ColumnType::kInteger: return WholeNumber(32767, 32768);
    case ColumnType::kLong: return WholeNumber(2147483647, 2147483648u);
    case ColumnType::kBigInt:
      return WholeNumber(static_cast<Magnitude>(std::numeric_limits<int64_t>::max()),
                         static_cast<Magnitude>(std::numeric_limits<int64_t>::max()) + 1);
    case ColumnType::kCurrency: return ToCurrency();
    case ColumnType::kNumeric: return ToDecimal();
    case ColumnType::kDouble: return ToDouble();
    case ColumnType::kFloat: return ToSingle();
    case ColumnType::kDateTime: return ToDateTime();
    case ColumnType::kBoolean: return ToBoolean();
    case ColumnType::kText:
    case ColumnType::kMemo: return ToText();
    case ColumnType::kBinary:
    case ColumnType::kOle: return ToBytes();
    case ColumnType::kGuid: return ToGuid();
    default:
      return Status(ErrorCode::kUnsupported, "The column \"" + std::string(columnName_) + "\" is of a type (" +
                                                 DescribeColumnType(column_) + ") that values cannot be stored in yet.");
  }
}

}  // namespace

LiteralParts PartsOf(const SqlLiteral& literal) {
  return {literal.kind, literal.text, literal.boolean, literal.bytes};
}

jet::Result<jet::Value> ConvertLiteral(const LiteralParts& literal, const AccessColumnType& column,
                                       std::string_view columnName) {
  return Converter(literal, column, columnName).Convert();
}

jet::Result<jet::Value> ConvertLiteral(const SqlLiteral& literal, const AccessColumnType& column,
                                       std::string_view columnName) {
  return ConvertLiteral(PartsOf(literal), column, columnName);
}

jet::Result<jet::Value> ConvertLiteral(SqlLiteral&& literal, const AccessColumnType& column,
                                       std::string_view columnName) {
  const LiteralParts parts = PartsOf(literal);
  return Converter(parts, column, columnName, &literal).Convert();
}

jet::Result<jet::DateTime> ParseDateTimeText(std::string_view text) {
  auto notADate = [](std::string why) { return Status(ErrorCode::kInvalidArgument, std::move(why)); };
  const std::string_view trimmed = TrimSpaces(text);
  DateScanner scanner(trimmed);
  std::string problem;
  const auto date = ReadDate(scanner, problem);
  if (!problem.empty()) return notADate(problem);
  double timeOfDay = 0;
  if (!date || !scanner.AtEnd()) {
    // After a date: one or more spaces (or ISO's "T") and a time.
    if (date && !scanner.SkipSpaces() && !scanner.ReadChar('T')) return notADate("it is not a date or a time");
    const auto time = ReadTime(scanner, problem);
    if (!time) return notADate(problem);
    timeOfDay = *time;
  }
  if (!scanner.AtEnd()) return notADate("it is not a date or a time");
  const CivilDate day = date.value_or(CivilDate{});
  const int64_t serial = jet::UnixDaysFromCivil(day.year, static_cast<unsigned>(day.month),
                                                static_cast<unsigned>(day.day)) -
                         jet::kSerialEpochUnixDays;
  return jet::DateTime{jet::JoinSerial(serial, timeOfDay)};
}

}  // namespace ado::access
