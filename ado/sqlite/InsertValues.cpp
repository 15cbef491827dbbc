#include "ado/sqlite/InsertValues.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ado::sqlite {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsWordChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || IsDigit(c) || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}
int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The first apostrophe or zero byte in [from, end), or `end`.
const char* FindQuoteOrZero(const char* from, const char* end) {
#if defined(__SSE2__)
  for (; end - from >= 16; from += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    const int stops = _mm_movemask_epi8(
        _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\'')), _mm_cmpeq_epi8(v, _mm_setzero_si128())));
    if (stops != 0) return from + std::countr_zero(static_cast<unsigned>(stops));
  }
#endif
  while (from < end && *from != '\'' && *from != 0) ++from;
  return from;
}

class Scanner {
 public:
  explicit Scanner(std::string_view sql) : sql_(sql) {}

  void skipSpaces() {
    while (at_ < sql_.size() && IsSpace(sql_[at_])) ++at_;
  }
  bool atEnd() const { return at_ >= sql_.size(); }
  size_t position() const { return at_; }

  // A keyword, without regard to case, that does not run on into a longer word.
  bool keyword(std::string_view word) {
    if (sql_.size() - at_ < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
      char c = sql_[at_ + i];
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      if (c != word[i]) return false;
    }
    if (at_ + word.size() < sql_.size() && IsWordChar(sql_[at_ + word.size()])) return false;
    at_ += word.size();
    return true;
  }

  bool symbol(char c) {
    if (at_ < sql_.size() && sql_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }

  // "name", [name], `name` or a bare word; only its extent matters (SQLite reads it again).
  bool name() {
    if (atEnd()) return false;
    const char open = sql_[at_];
    const char close = open == '[' ? ']' : open;
    if (open == '"' || open == '`' || open == '[') {
      size_t i = at_ + 1;
      while (true) {
        const size_t found = sql_.find(close, i);
        if (found == std::string_view::npos) return false;
        if (close != ']' && found + 1 < sql_.size() && sql_[found + 1] == close) {
          i = found + 2;
          continue;
        }
        at_ = found + 1;
        return true;
      }
    }
    const size_t start = at_;
    while (at_ < sql_.size() && IsWordChar(sql_[at_])) ++at_;
    return at_ > start && !IsDigit(sql_[start]);
  }

  bool literal(InsertLiteral& out) {
    if (atEnd()) return false;
    const char c = sql_[at_];
    if (c == '\'') return text(out);
    if ((c == 'x' || c == 'X') && at_ + 1 < sql_.size() && sql_[at_ + 1] == '\'') return blob(out);
    if (c == '-' || c == '+' || IsDigit(c)) return number(out);
    if (keyword("NULL")) {
      out.kind = InsertLiteral::Kind::kNull;
      return true;
    }
    return false;
  }

 private:
  // A text literal. SQLite ends a statement's text at a zero byte, so a literal holding one is
  // left to SQLite's own reading.
  bool text(InsertLiteral& out) {
    const char* const begin = sql_.data();
    const char* const end = begin + sql_.size();
    const char* from = begin + at_ + 1;
    const char* quote = FindQuoteOrZero(from, end);
    if (quote == end || *quote == 0) return false;
    out.kind = InsertLiteral::Kind::kText;
    if (quote + 1 >= end || quote[1] != '\'') {
      out.escaped = false;
      out.text = std::string_view(from, static_cast<size_t>(quote - from));
      at_ = static_cast<size_t>(quote + 1 - begin);
      return true;
    }
    // Doubled quotes: the value is copied without them in one walk. `owned` only grows (it is
    // reused from row to row), so it is not cleared and zeroed again for every value.
    std::string& owned = out.owned;
    size_t length = static_cast<size_t>(quote - from);
    // Each step writes at most 16 bytes; the buffer doubles when fewer are left.
    char* o = owned.data();
    size_t room = owned.size();
    auto grow = [&] {
      owned.resize(std::max<size_t>(2 * owned.size(), length + 64));
      o = owned.data();
      room = owned.size();
    };
    while (room < length + 16) grow();
    std::memcpy(o, from, length);
    o[length++] = '\'';
    from = quote + 2;
    while (true) {
      if (room < length + 16) [[unlikely]] grow();
#if defined(__SSE2__)
      if (end - from >= 16) {  // sixteen bytes a step, stored whole and counted up to a stop
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o + length), v);
        const int stops = _mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\'')), _mm_cmpeq_epi8(v, _mm_setzero_si128())));
        if (stops == 0) {
          from += 16;
          length += 16;
          continue;
        }
        const int k = std::countr_zero(static_cast<unsigned>(stops));
        from += k;
        length += static_cast<size_t>(k);
        if (*from == '\'' && from + 1 < end && from[1] == '\'') {  // the common stop: a doubled quote
          o[length++] = '\'';
          from += 2;
          continue;
        }
        if (*from == 0) return false;
        break;  // the closing quote
      }
#endif
      while (from < end && *from != '\'' && *from != 0) {  // the last bytes, fewer than sixteen
        if (room < length + 16) [[unlikely]] grow();
        o[length++] = *from++;
      }
      if (from == end || *from == 0) return false;
      if (from + 1 < end && from[1] == '\'') {  // a doubled quote is one quote of the value
        o[length++] = '\'';
        from += 2;
        continue;
      }
      break;  // the closing quote
    }
    out.escaped = true;
    out.ownedLength = length;
    at_ = static_cast<size_t>(from + 1 - begin);
    return true;
  }

  bool blob(InsertLiteral& out) {
    const size_t from = at_ + 2;
    const size_t close = sql_.find('\'', from);
    if (close == std::string_view::npos || (close - from) % 2 != 0) return false;
    out.kind = InsertLiteral::Kind::kBlob;
    out.owned.resize((close - from) / 2);
    for (size_t i = 0; i < out.owned.size(); ++i) {
      const int high = HexValue(sql_[from + 2 * i]), low = HexValue(sql_[from + 2 * i + 1]);
      if (high < 0 || low < 0) return false;
      out.owned[i] = static_cast<char>(high << 4 | low);
    }
    at_ = close + 1;
    return true;
  }

  // [+-]digits[.digits][e[+-]digits]: a whole number that fits 64 bits is an integer, as in
  // SQLite; one that does not (SQLite makes it a real) and other forms are left to SQLite.
  bool number(InsertLiteral& out) {
    const size_t start = at_;
    size_t i = at_;
    if (sql_[i] == '-' || sql_[i] == '+') ++i;
    const size_t digitsStart = i;
    while (i < sql_.size() && IsDigit(sql_[i])) ++i;
    if (i == digitsStart) return false;
    bool whole = true;
    if (i < sql_.size() && sql_[i] == '.') {
      whole = false;
      ++i;
      while (i < sql_.size() && IsDigit(sql_[i])) ++i;
    }
    if (i < sql_.size() && (sql_[i] == 'e' || sql_[i] == 'E')) {
      whole = false;
      ++i;
      if (i < sql_.size() && (sql_[i] == '-' || sql_[i] == '+')) ++i;
      const size_t exponentStart = i;
      while (i < sql_.size() && IsDigit(sql_[i])) ++i;
      if (i == exponentStart) return false;
    }
    if (i < sql_.size() && (IsWordChar(sql_[i]) || sql_[i] == '.')) return false;
    // from_chars takes no "+"; a "-" belongs to the number.
    const char* first = sql_.data() + (sql_[start] == '+' ? start + 1 : start);
    const char* last = sql_.data() + i;
    if (whole) {
      const auto r = std::from_chars(first, last, out.integer);
      if (r.ec != std::errc() || r.ptr != last) return false;
      out.kind = InsertLiteral::Kind::kInteger;
    } else {
      const auto r = std::from_chars(first, last, out.real);
      if (r.ec != std::errc() || r.ptr != last) return false;
      out.kind = InsertLiteral::Kind::kReal;
    }
    at_ = i;
    return true;
  }

  std::string_view sql_;
  size_t at_ = 0;
};

}  // namespace

bool ParsePlainInsert(std::string_view sql, PlainInsert& out) {
  Scanner s(sql);
  s.skipSpaces();
  const size_t headStart = s.position();
  if (!s.keyword("INSERT")) return false;
  s.skipSpaces();
  if (!s.keyword("INTO")) return false;
  s.skipSpaces();
  if (!s.name()) return false;
  s.skipSpaces();
  if (!s.keyword("VALUES")) return false;
  s.skipSpaces();
  if (!s.symbol('(')) return false;
  out.head = sql.substr(headStart, s.position() - headStart);
  // SQLite ends the text at a zero byte; a statement that holds one keeps SQLite's own reading.
  // Only a quoted name or a text literal can hold one (text literals are checked as they are read).
  if (std::memchr(out.head.data(), 0, out.head.size())) return false;
  size_t count = 0;
  while (true) {
    s.skipSpaces();
    if (count == out.values.size()) out.values.emplace_back();
    if (!s.literal(out.values[count])) return false;
    ++count;
    s.skipSpaces();
    if (s.symbol(',')) continue;
    if (s.symbol(')')) break;
    return false;
  }
  s.skipSpaces();
  if (s.symbol(';')) s.skipSpaces();
  if (!s.atEnd()) return false;
  out.values.resize(count);
  return true;
}

}  // namespace ado::sqlite
