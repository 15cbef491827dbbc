#include "transfer/DateText.h"

#include "jet/DateSerial.h"

#include <cstdio>

namespace transfer {

namespace {

class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}
  bool atEnd() const { return pos_ == text_.size(); }
  bool accept(char c) {
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  // Between minDigits and maxDigits decimal digits; -1 when there are not enough.
  int number(int minDigits, int maxDigits, int* digitsRead = nullptr) {
    int value = 0, digits = 0;
    while (digits < maxDigits && pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
      value = value * 10 + (text_[pos_] - '0');
      ++pos_;
      ++digits;
    }
    if (digitsRead) *digitsRead = digits;
    return digits >= minDigits ? value : -1;
  }
  // "AM" or "PM" in any case: 0 for AM, 12 for PM, -1 otherwise.
  int meridiem() {
    if (text_.size() - pos_ < 2) return -1;
    const char first = static_cast<char>(text_[pos_] | 0x20);
    const char second = static_cast<char>(text_[pos_ + 1] | 0x20);
    if (second != 'm' || (first != 'a' && first != 'p')) return -1;
    pos_ += 2;
    return first == 'p' ? 12 : 0;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

bool ReadDate(Scanner& s, DateTimeParts& parts) {
  int digits = 0;
  const int first = s.number(1, 4, &digits);
  if (first < 0) return false;
  if (digits == 4) {  // yyyy-m-d
    parts.year = first;
    if (!s.accept('-') || (parts.month = s.number(1, 2)) < 0 || !s.accept('-') || (parts.day = s.number(1, 2)) < 0)
      return false;
  } else {  // m/d/yyyy or m/d/yy
    if (digits > 2) return false;
    parts.month = first;
    if (!s.accept('/') || (parts.day = s.number(1, 2)) < 0 || !s.accept('/')) return false;
    const int year = s.number(2, 4, &digits);
    if (year < 0 || digits == 3) return false;
    parts.year = digits == 2 ? (year < 30 ? 2000 + year : 1900 + year) : year;
  }
  return jet::IsCalendarDate(parts.year, parts.month, parts.day);
}

bool ReadTime(Scanner& s, DateTimeParts& parts) {
  parts.hasTime = true;
  if ((parts.hour = s.number(1, 2)) < 0 || !s.accept(':') || (parts.minute = s.number(2, 2)) < 0) return false;
  if (s.accept(':') && (parts.second = s.number(2, 2)) < 0) return false;
  if (parts.minute > 59 || parts.second > 59) return false;
  if (s.accept(' ')) {
    const int offset = s.meridiem();
    if (offset < 0 || parts.hour < 1 || parts.hour > 12) return false;
    parts.hour = parts.hour % 12 + offset;
  }
  return parts.hour <= 23;
}

}  // namespace

std::optional<DateTimeParts> RecogniseDateText(std::string_view text) {
  Scanner s(text);
  DateTimeParts parts;
  if (!ReadDate(s, parts)) return std::nullopt;
  if (s.accept(' ') && !ReadTime(s, parts)) return std::nullopt;
  if (!s.atEnd()) return std::nullopt;
  return parts;
}

std::string FormatDateTime(const DateTimeParts& p) {
  char text[32];
  if (p.hasTime)
    std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d", p.month, p.day, p.year, p.hour, p.minute,
                  p.second);
  else
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", p.month, p.day, p.year);
  return text;
}

std::string FormatDateValue(ado::Date value) {
  // The data-access layer's text already has this form, except that it leaves the zero date out.
  std::string text = ado::DateToText(value);
  if (text.find('/') == std::string::npos) return "12/30/1899 " + text;
  return text;
}

}  // namespace transfer
