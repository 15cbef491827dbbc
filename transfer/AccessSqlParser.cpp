#include "transfer/AccessSqlParser.h"

#include "jet/Text.h"
#include "transfer/DateText.h"
#include "transfer/Untranslatable.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>

namespace transfer::accesssql {

namespace {

std::string Quoted(std::string_view name) {
  std::string out = "\"";
  for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

std::string TextLiteral(std::string_view text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

// --- tokens ---

enum class Tok { kEnd, kName, kString, kNumber, kDate, kOp };

struct Token {
  Tok kind = Tok::kEnd;
  std::string text;  // names without brackets, strings without quotes, dates without #
  bool bracketed = false;
};

bool NameStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool NamePart(unsigned char c) { return std::isalnum(c) || c == '_' || c >= 0x80; }

std::vector<Token> Tokenize(std::string_view s) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = s[i];
    if (std::isspace(c)) {
      ++i;
      continue;
    }
    Token t;
    if (c == '[') {
      const size_t end = s.find(']', i + 1);
      if (end == std::string_view::npos) Refuse("a [name] is not closed");
      t.kind = Tok::kName;
      t.text = s.substr(i + 1, end - i - 1);
      t.bracketed = true;
      i = end + 1;
    } else if (c == '"' || c == '\'') {
      t.kind = Tok::kString;
      size_t j = i + 1;
      while (true) {
        if (j >= s.size()) Refuse("a text in quotes is not closed");
        if (s[j] == static_cast<char>(c)) {
          if (j + 1 < s.size() && s[j + 1] == static_cast<char>(c)) {
            t.text += s[j];
            j += 2;
            continue;
          }
          break;
        }
        t.text += s[j++];
      }
      i = j + 1;
    } else if (c == '#') {
      const size_t end = s.find('#', i + 1);
      if (end == std::string_view::npos) Refuse("a #date# is not closed");
      t.kind = Tok::kDate;
      t.text = s.substr(i + 1, end - i - 1);
      i = end + 1;
    } else if (std::isdigit(c) || (c == '.' && i + 1 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
      t.kind = Tok::kNumber;
      size_t j = i;
      while (j < s.size() && (std::isdigit(static_cast<unsigned char>(s[j])) || s[j] == '.')) ++j;
      if (j < s.size() && (s[j] == 'e' || s[j] == 'E')) {
        size_t k = j + 1;
        if (k < s.size() && (s[k] == '+' || s[k] == '-')) ++k;
        if (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) {
          j = k;
          while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
        }
      }
      t.text = s.substr(i, j - i);
      i = j;
    } else if (NameStart(c)) {
      t.kind = Tok::kName;
      size_t j = i;
      while (j < s.size() && NamePart(static_cast<unsigned char>(s[j]))) ++j;
      if (j < s.size() && s[j] == '$') ++j;  // Left$ and the like: the text-only forms
      t.text = s.substr(i, j - i);
      i = j;
    } else {
      t.kind = Tok::kOp;
      static const char* const kTwo[] = {"<=", ">=", "<>"};
      for (const char* two : kTwo)
        if (s.substr(i, 2) == two) t.text = two;
      if (t.text.empty()) {
        if (std::string_view("()=<>,.!&+-*/\\^;").find(static_cast<char>(c)) == std::string_view::npos)
          Refuse(std::string("the character '") + static_cast<char>(c) + "' has no meaning here");
        t.text = std::string(1, static_cast<char>(c));
      }
      i += t.text.size();
    }
    tokens.push_back(std::move(t));
  }
  tokens.push_back(Token{});
  return tokens;
}

// --- values ---

enum class Type { kUnknown, kText, kNumber, kDate, kBool };

struct Piece {
  std::string sql;
  Type type = Type::kUnknown;
};

// A date or time literal's text in the copy's date form.
std::string DateLiteral(const std::string& text) {
  std::string s = text;
  while (!s.empty() && s.front() == ' ') s.erase(s.begin());
  while (!s.empty() && s.back() == ' ') s.pop_back();
  auto parts = RecogniseDateText(s);
  if (!parts) parts = RecogniseDateText("12/30/1899 " + s);  // a time alone lies on the zero date
  if (!parts) Refuse("the date #" + text + "# is not in a form read here (m/d/yyyy or yyyy-mm-dd, optional time)");
  char out[32];
  std::snprintf(out, sizeof out, "'%04d-%02d-%02d %02d:%02d:%02d'", parts->year, parts->month, parts->day, parts->hour,
                parts->minute, parts->second);
  return out;
}

std::string Par(const Piece& p) { return "(" + p.sql + ")"; }

// strftime field of a date value as a number.
std::string DateField(const Piece& d, const char* field) {
  return std::string("CAST(strftime('") + field + "', " + d.sql + ") AS INTEGER)";
}

std::string NullOr(const Piece& value, const std::string& sql) {
  return "CASE WHEN " + Par(value) + " IS NULL THEN NULL ELSE " + sql + " END";
}

// The text of a string literal argument, or a refusal naming the function.
std::string LiteralArgument(const Piece& p, const std::string& function) {
  if (p.type != Type::kText || p.sql.size() < 2 || p.sql.front() != '\'')
    Refuse(function + " is read here only with a literal text as its interval or format");
  std::string text;
  for (size_t i = 1; i + 1 < p.sql.size(); ++i) {
    text += p.sql[i];
    if (p.sql[i] == '\'') ++i;
  }
  return text;
}

const char* const kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};
const char* const kDayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

// Format with a date pattern (yyyy yy y q mmmm mmm mm m dddd ddd dd d w ww hh h nn n ss s
// AM/PM am/pm A/P; other characters and "quoted" or \escaped ones as they are).
std::string DateFormat(const Piece& d, const std::string& pattern) {
  std::vector<std::string> parts;
  std::string literal;
  auto flush = [&] {
    if (!literal.empty()) parts.push_back(TextLiteral(literal));
    literal.clear();
  };
  const std::string lower = jet::AsciiLower(pattern);
  const bool twelveHour = lower.find("am/pm") != std::string::npos || lower.find("a/p") != std::string::npos;
  const std::string hour24 = DateField(d, "%H");
  const std::string hour = twelveHour ? "((" + hour24 + " + 11) % 12 + 1)" : hour24;
  bool afterHour = false;
  size_t i = 0;
  auto run = [&](char c) {
    size_t n = 0;
    while (i + n < lower.size() && lower[i + n] == c) ++n;
    return n;
  };
  auto twoDigits = [](const std::string& number) { return "printf('%02d', " + number + ")"; };
  while (i < lower.size()) {
    const char c = lower[i];
    if (lower.compare(i, 5, "am/pm") == 0 || lower.compare(i, 3, "a/p") == 0) {
      flush();
      const bool full = lower.compare(i, 5, "am/pm") == 0;
      const bool upper = pattern[i] == 'A';
      std::string am = full ? "AM" : "A", pm = full ? "PM" : "P";
      if (!upper) am = jet::AsciiLower(am), pm = jet::AsciiLower(pm);
      parts.push_back("CASE WHEN " + hour24 + " < 12 THEN '" + am + "' ELSE '" + pm + "' END");
      i += full ? 5 : 3;
      continue;
    }
    if (c == '"') {
      const size_t end = pattern.find('"', i + 1);
      if (end == std::string::npos) Refuse("Format's pattern has an unclosed quote");
      literal += pattern.substr(i + 1, end - i - 1);
      i = end + 1;
      continue;
    }
    if (c == '\\' && i + 1 < pattern.size()) {
      literal += pattern[i + 1];
      i += 2;
      continue;
    }
    const size_t n = run(c);
    std::string sql;
    if (c == 'y') {
      sql = n >= 3 ? "strftime('%Y', " + d.sql + ")" : n == 2 ? "substr(strftime('%Y', " + d.sql + "), 3)" : DateField(d, "%j");
    } else if (c == 'q') {
      sql = "((" + DateField(d, "%m") + " + 2) / 3)";
    } else if (c == 'm' && afterHour && n <= 2) {
      sql = n == 2 ? "strftime('%M', " + d.sql + ")" : DateField(d, "%M");
    } else if (c == 'm') {
      if (n >= 4) {
        sql = "CASE " + DateField(d, "%m");
        for (int m = 0; m < 12; ++m) sql += " WHEN " + std::to_string(m + 1) + " THEN '" + kMonthNames[m] + "'";
        sql += " END";
      } else if (n == 3) {
        sql = "substr('JanFebMarAprMayJunJulAugSepOctNovDec', 3 * " + DateField(d, "%m") + " - 2, 3)";
      } else {
        sql = n == 2 ? "strftime('%m', " + d.sql + ")" : DateField(d, "%m");
      }
    } else if (c == 'd') {
      if (n >= 4) {
        sql = "CASE " + DateField(d, "%w");
        for (int w = 0; w < 7; ++w) sql += " WHEN " + std::to_string(w) + " THEN '" + kDayNames[w] + "'";
        sql += " END";
      } else if (n == 3) {
        sql = "substr('SunMonTueWedThuFriSat', 3 * " + DateField(d, "%w") + " + 1, 3)";
      } else {
        sql = n == 2 ? "strftime('%d', " + d.sql + ")" : DateField(d, "%d");
      }
    } else if (c == 'w') {
      if (n >= 2) Refuse("Format's week of the year (ww) has no SQLite form here");
      sql = "(" + DateField(d, "%w") + " + 1)";
    } else if (c == 'h') {
      sql = n >= 2 ? twoDigits(hour) : hour;
    } else if (c == 'n') {
      sql = n >= 2 ? "strftime('%M', " + d.sql + ")" : DateField(d, "%M");
    } else if (c == 's') {
      sql = n >= 2 ? "strftime('%S', " + d.sql + ")" : DateField(d, "%S");
    } else if (std::isalpha(static_cast<unsigned char>(c))) {
      Refuse(std::string("Format's pattern letter '") + pattern[i] + "' has no SQLite form here");
    } else {
      literal += pattern[i++];
      continue;
    }
    afterHour = c == 'h';  // "hh:mm": an m after an hour is minutes
    flush();
    parts.push_back(sql);
    i += n;
  }
  flush();
  std::string joined;
  for (size_t k = 0; k < parts.size(); ++k) joined += (k ? " || " : "") + parts[k];
  if (joined.empty()) joined = "''";
  return NullOr(d, joined);
}

// Format with a number pattern: [prefix] [#,]##0[.00…] [suffix, % multiplies by 100].
std::string NumberFormat(const Piece& v, const std::string& pattern, bool parenthesesForNegative = false) {
  const size_t begin = pattern.find_first_of("#0");
  if (begin == std::string::npos) Refuse("Format's pattern \"" + pattern + "\" has no SQLite form here");
  size_t end = begin;
  while (end < pattern.size() && std::string_view("#0,.").find(pattern[end]) != std::string_view::npos) ++end;
  const std::string core = pattern.substr(begin, end - begin);
  const std::string prefix = pattern.substr(0, begin), suffix = pattern.substr(end);
  if (prefix.find_first_of("#0;\"\\") != std::string::npos || suffix.find_first_of("#0;\"\\") != std::string::npos)
    Refuse("Format's pattern \"" + pattern + "\" has no SQLite form here");
  const size_t point = core.find('.');
  const std::string whole = core.substr(0, point), fraction = point == std::string::npos ? "" : core.substr(point + 1);
  if (whole.empty() || whole.back() != '0' || fraction.find_first_not_of('0') != std::string::npos)
    Refuse("Format's pattern \"" + pattern + "\" (optional digits) has no SQLite form here");
  const bool thousands = whole.find(',') != std::string::npos;
  const int decimals = static_cast<int>(fraction.size());
  const std::string value = suffix.find('%') != std::string::npos ? "(" + v.sql + ") * 100.0" : v.sql;
  const std::string magnitude = "round(abs(" + value + "), " + std::to_string(decimals) + ")";
  std::string digits;
  if (thousands) {
    digits = "printf('%,d', CAST(" + magnitude + " AS INTEGER))";
    if (decimals) digits += " || substr(printf('%." + std::to_string(decimals) + "f', " + magnitude + "), -" +
                            std::to_string(decimals + 1) + ")";
  } else {
    digits = "printf('%." + std::to_string(decimals) + "f', " + magnitude + ")";
  }
  const std::string body =
      (prefix.empty() ? "" : TextLiteral(prefix) + " || ") + digits + (suffix.empty() ? "" : " || " + TextLiteral(suffix));
  const std::string negative = "(" + value + ") < 0 AND " + magnitude + " <> 0";
  const std::string sql = parenthesesForNegative
                              ? "CASE WHEN " + negative + " THEN '(' || " + body + " || ')' ELSE " + body + " END"
                              : "CASE WHEN " + negative + " THEN '-' ELSE '' END || " + body;
  return NullOr(v, sql);
}

std::string FormatCall(const Piece& v, const std::string& pattern) {
  const std::string named = jet::AsciiLower(pattern);
  static const std::map<std::string, std::string> kDates = {
      {"short date", "m/d/yyyy"},        {"medium date", "dd-mmm-yy"}, {"long date", "dddd, mmmm d, yyyy"},
      {"short time", "hh:nn"},           {"medium time", "hh:nn AM/PM"}, {"long time", "h:nn:ss AM/PM"},
      {"general date", "m/d/yyyy h:nn:ss AM/PM"}};
  if (auto it = kDates.find(named); it != kDates.end()) return DateFormat(v, it->second);
  if (named == "general number") return "CAST(" + v.sql + " AS TEXT)";
  if (named == "fixed") return NumberFormat(v, "0.00");
  if (named == "standard") return NumberFormat(v, "#,##0.00");
  if (named == "percent") return NumberFormat(v, "0.00%");
  if (named == "currency") return NumberFormat(v, "$#,##0.00", true);
  static const std::map<std::string, std::pair<const char*, const char*>> kTruths = {
      {"yes/no", {"Yes", "No"}}, {"true/false", {"True", "False"}}, {"on/off", {"On", "Off"}}};
  if (auto it = kTruths.find(named); it != kTruths.end())
    return NullOr(v, "CASE WHEN " + Par(v) + " THEN '" + it->second.first + "' ELSE '" + it->second.second + "' END");
  if (pattern.find_first_of("#0") != std::string::npos && named.find_first_of("ymdhnsqw") == std::string::npos)
    return NumberFormat(v, pattern);
  return DateFormat(v, pattern);
}

// DateAdd by whole months: the day is kept, or made the month's last when that month is shorter
// (as Access does: January 31 plus one month is February's last day), the time of day kept.
std::string AddMonths(const Piece& d, const std::string& months) {
  const std::string start = "date(" + d.sql + ", 'start of month', (" + months + ") || ' months')";
  const std::string lastDay = "CAST(strftime('%d', " + start + ", '+1 month', '-1 day') AS INTEGER)";
  return "datetime(" + start + ", (min(" + DateField(d, "%d") + ", " + lastDay + ") - 1) || ' days', '+' || time(" +
         d.sql + "))";
}

std::string Interval(const Piece& p, const std::string& function) {
  const std::string i = jet::AsciiLower(LiteralArgument(p, function));
  static const char* const kKnown[] = {"yyyy", "q", "m", "y", "d", "w", "ww", "h", "n", "s"};
  for (const char* k : kKnown)
    if (i == k) return i;
  Refuse(function + "'s interval \"" + i + "\" is not one Access knows");
}

// Whole units between two dates, counted as Access counts them: boundaries crossed.
std::string DateDiff(const std::string& interval, const Piece& a, const Piece& b) {
  auto days = [](const Piece& x, const std::string& shift) {
    return "julianday(date(" + x.sql + shift + "))";
  };
  auto months = [](const Piece& x) { return "(" + DateField(x, "%Y") + " * 12 + " + DateField(x, "%m") + ")"; };
  auto quarters = [](const Piece& x) {
    return "(" + DateField(x, "%Y") + " * 4 + (" + DateField(x, "%m") + " - 1) / 3)";
  };
  auto truncated = [](const Piece& x, const char* form) {
    return std::string("julianday(strftime('") + form + "', " + x.sql + "))";
  };
  if (interval == "yyyy") return "(" + DateField(b, "%Y") + " - " + DateField(a, "%Y") + ")";
  if (interval == "q") return "(" + quarters(b) + " - " + quarters(a) + ")";
  if (interval == "m") return "(" + months(b) + " - " + months(a) + ")";
  if (interval == "d" || interval == "y") return "CAST(round(" + days(b, "") + " - " + days(a, "") + ") AS INTEGER)";
  if (interval == "w") return "(CAST(round(" + days(b, "") + " - " + days(a, "") + ") AS INTEGER) / 7)";
  if (interval == "ww") {
    auto sunday = [&](const Piece& x) { return days(x, ", '-' || strftime('%w', " + x.sql + ") || ' days'"); };
    return "(CAST(round(" + sunday(b) + " - " + sunday(a) + ") AS INTEGER) / 7)";
  }
  const char* form = interval == "h" ? "%Y-%m-%d %H:00:00" : interval == "n" ? "%Y-%m-%d %H:%M:00" : "%Y-%m-%d %H:%M:%S";
  const char* scale = interval == "h" ? "24" : interval == "n" ? "1440" : "86400";
  return "CAST(round((" + truncated(b, form) + " - " + truncated(a, form) + ") * " + scale + ") AS INTEGER)";
}

std::string DatePart(const std::string& interval, const Piece& d) {
  if (interval == "yyyy") return DateField(d, "%Y");
  if (interval == "q") return "((" + DateField(d, "%m") + " + 2) / 3)";
  if (interval == "m") return DateField(d, "%m");
  if (interval == "y") return DateField(d, "%j");
  if (interval == "d") return DateField(d, "%d");
  if (interval == "w") return "(" + DateField(d, "%w") + " + 1)";
  if (interval == "h") return DateField(d, "%H");
  if (interval == "n") return DateField(d, "%M");
  if (interval == "s") return DateField(d, "%S");
  // Week 1 holds January 1; weeks start on Sunday (SQLite before 3.46 has no %U).
  return "((" + DateField(d, "%j") + " - 1 + CAST(strftime('%w', strftime('%Y-01-01', " + d.sql +
         ")) AS INTEGER)) / 7 + 1)";
}

std::string DateAdd(const std::string& interval, const Piece& n, const Piece& d) {
  if (interval == "yyyy") return AddMonths(d, "12 * " + Par(n));
  if (interval == "q") return AddMonths(d, "3 * " + Par(n));
  if (interval == "m") return AddMonths(d, Par(n));
  const char* unit = interval == "h" ? " hours" : interval == "n" ? " minutes" : interval == "s" ? " seconds" : " days";
  const std::string amount = interval == "ww" ? "7 * " + Par(n) : Par(n);
  return "datetime(" + d.sql + ", (" + amount + ") || '" + unit + "')";
}

// --- the parser ---

class Parser {
 public:
  explicit Parser(std::string_view text) : tokens_(Tokenize(text)) {}

  std::vector<std::string> sources;
  // Columns whose numbers are stored as text (exact decimals): read as numbers where named.
  std::vector<std::string> numbersAsText;

  // A column's name alone, as a number where its numbers are stored as text.
  Piece column(const std::string& name) const {
    for (const std::string& text : numbersAsText)
      if (jet::AsciiLower(text) == jet::AsciiLower(name)) return {"CAST(" + Quoted(name) + " AS NUMERIC)", Type::kNumber};
    return {Quoted(name), Type::kUnknown};
  }

  bool atEnd() const { return peek().kind == Tok::kEnd; }
  bool skipSemicolons() {
    while (isOp(";")) ++pos_;
    return atEnd();
  }

  Piece expression() {
    Nested nested(*this);
    return imp();
  }

  // A validation rule that leaves its column out starts with an operator.
  bool startsWithOperator() const {
    const Token& t = peek();
    if (t.kind == Tok::kOp) return t.text == "=" || t.text == "<>" || t.text == "<" || t.text == ">" || t.text == "<=" ||
                                   t.text == ">=";
    if (t.kind != Tok::kName || t.bracketed) return false;
    const std::string w = jet::AsciiLower(t.text);
    if (w == "like" || w == "in" || w == "between" || w == "is") return true;
    if (w == "not") {
      const Token& u = peek(1);
      const std::string v = u.kind == Tok::kName && !u.bracketed ? jet::AsciiLower(u.text) : "";
      return v == "like" || v == "in" || v == "between";
    }
    return false;
  }
  // ">0 And <100": each part that starts with an operator is about the column.
  Piece ruleAbout(const std::string& column) {
    Piece p = comparisonTail(this->column(column));
    while (isWord("and") || isWord("or")) {
      const std::string op = isWord("and") ? " AND " : " OR ";
      ++pos_;
      Piece q = startsWithOperator() ? comparisonTail(this->column(column)) : notLevel();
      p = {p.sql + op + q.sql, Type::kBool};
    }
    return p;
  }

  // SELECT ... [UNION [ALL] SELECT ...]... [ORDER BY ...]
  std::string query() {
    if (isWord("parameters")) Refuse("it asks for parameters when it runs");
    if (isWord("transform")) Refuse("it is a crosstab query (TRANSFORM ... PIVOT)");
    std::vector<Select> parts;
    std::vector<std::string> joiners;
    while (true) {
      parts.push_back(selectCore());
      if (!acceptWord("union")) break;
      joiners.push_back(acceptWord("all") ? " UNION ALL " : " UNION ");
    }
    if (parts.size() == 1) return parts[0].sql + parts[0].orderBy + parts[0].limit;
    // The ORDER BY after the last part orders the whole union; a part of its own with
    // TOP or ORDER BY becomes a subquery, as SQLite wants it.
    std::string text;
    for (size_t i = 0; i < parts.size(); ++i) {
      const Select& part = parts[i];
      if (i) text += joiners[i - 1];
      if (i + 1 == parts.size()) {
        if (!part.limit.empty()) Refuse("the last part of the union has TOP, which SQLite would apply to the whole union");
        text += part.sql;
      } else if (!part.orderBy.empty() || !part.limit.empty()) {
        text += "SELECT * FROM (" + part.sql + part.orderBy + part.limit + ")";
      } else {
        text += part.sql;
      }
    }
    return text + parts.back().orderBy;
  }

 private:
  // Each level of nesting (parentheses, Not, signs, subqueries) goes one call deeper: a text
  // nested beyond any real query's depth is refused before the stack runs out.
  struct Nested {
    explicit Nested(Parser& p) : parser(p) {
      if (++parser.depth_ > kMaxDepth) Refuse("it is nested more than " + std::to_string(kMaxDepth) + " levels deep");
    }
    ~Nested() { --parser.depth_; }
    Parser& parser;
  };
  static constexpr int kMaxDepth = 200;

  struct Select {
    std::string sql;      // SELECT ... HAVING
    std::string orderBy;  // " ORDER BY ..." or empty
    std::string limit;    // " LIMIT ..." or empty
  };

  const Token& peek(size_t ahead = 0) const {
    return tokens_[std::min(pos_ + ahead, tokens_.size() - 1)];
  }
  bool isOp(const char* op, size_t ahead = 0) const {
    const Token& t = peek(ahead);
    return t.kind == Tok::kOp && t.text == op;
  }
  bool isWord(const char* word, size_t ahead = 0) const {
    const Token& t = peek(ahead);
    return t.kind == Tok::kName && !t.bracketed && jet::AsciiLower(t.text) == word;
  }
  bool acceptWord(const char* word) {
    if (!isWord(word)) return false;
    ++pos_;
    return true;
  }
  bool acceptOp(const char* op) {
    if (!isOp(op)) return false;
    ++pos_;
    return true;
  }
  std::string near() const {
    const Token& t = peek();
    if (t.kind == Tok::kEnd) return "the end";
    if (t.kind == Tok::kString) return "\"" + t.text + "\"";
    return "'" + t.text + "'";
  }
  void expectOp(const char* op) {
    if (!acceptOp(op)) Refuse(std::string("expected '") + op + "' at " + near());
  }
  void expectWord(const char* word) {
    if (!acceptWord(word)) Refuse(std::string("expected ") + word + " at " + near());
  }

  // Words that end an expression or a name's alias.
  static bool Reserved(const std::string& lower) {
    static const char* const kWords[] = {"and",   "or",     "not",  "xor",   "eqv",  "imp",   "mod",  "like",
                                         "is",    "in",     "between", "from", "where", "group", "having", "order",
                                         "union", "inner",  "left", "right", "join", "on",    "as",   "select",
                                         "into",  "with",   "by",   "asc",   "desc", "all",   "distinct", "distinctrow",
                                         "top",   "percent", "outer", "full", "cross"};
    return std::any_of(std::begin(kWords), std::end(kWords), [&](const char* w) { return lower == w; });
  }

  // --- expressions, lowest precedence first ---

  Piece imp() {
    Piece p = eqv();
    if (isWord("imp")) Refuse("the Imp operator has no SQLite form here");
    return p;
  }
  Piece eqv() {
    Piece p = xorLevel();
    if (isWord("eqv")) Refuse("the Eqv operator has no SQLite form here");
    return p;
  }
  Piece xorLevel() {
    Piece p = orLevel();
    while (acceptWord("xor")) {
      Piece q = orLevel();
      p = {"((CASE WHEN " + Par(p) + " THEN 1 ELSE 0 END) <> (CASE WHEN " + Par(q) + " THEN 1 ELSE 0 END))", Type::kBool};
    }
    return p;
  }
  Piece orLevel() {
    Piece p = andLevel();
    while (acceptWord("or")) p = {p.sql + " OR " + andLevel().sql, Type::kBool};
    return p;
  }
  Piece andLevel() {
    Piece p = notLevel();
    while (acceptWord("and")) p = {p.sql + " AND " + notLevel().sql, Type::kBool};
    return p;
  }
  Piece notLevel() {
    Nested nested(*this);
    if (acceptWord("not")) return {"NOT " + Par(notLevel()), Type::kBool};
    return comparison();
  }
  Piece comparison() { return comparisonTail(concat()); }

  Piece comparisonTail(Piece left) {
    static const char* const kOps[] = {"=", "<>", "<", ">", "<=", ">="};
    for (const char* op : kOps) {
      if (acceptOp(op)) {
        Piece right = concat();
        // Access compares texts without regard to case.
        const bool text = left.type == Type::kText || right.type == Type::kText;
        return {left.sql + " " + op + " " + right.sql + (text ? " COLLATE NOCASE" : ""), Type::kBool};
      }
    }
    const bool negated = isWord("not") && (isWord("like", 1) || isWord("in", 1) || isWord("between", 1));
    if (negated) ++pos_;
    const std::string no = negated ? "NOT " : "";
    if (acceptWord("like")) {
      Piece pattern = concat();
      return {left.sql + " " + no + "LIKE " + LikePattern(pattern), Type::kBool};
    }
    if (acceptWord("in")) {
      expectOp("(");
      std::string list;
      bool text = false;
      if (isWord("select")) {
        list = query();
      } else {
        do {
          Piece item = expression();
          text = text || item.type == Type::kText;
          list += (list.empty() ? "" : ", ") + item.sql;
        } while (acceptOp(","));
      }
      expectOp(")");
      return {left.sql + (text ? " COLLATE NOCASE " : " ") + no + "IN (" + list + ")", Type::kBool};
    }
    if (acceptWord("between")) {
      Piece low = concat();
      expectWord("and");
      Piece high = concat();
      return {left.sql + " " + no + "BETWEEN " + low.sql + " AND " + high.sql, Type::kBool};
    }
    if (acceptWord("is")) {
      const bool isNot = acceptWord("not");
      expectWord("null");
      return {left.sql + (isNot ? " IS NOT NULL" : " IS NULL"), Type::kBool};
    }
    return left;
  }

  // Access's LIKE pattern in SQLite's: * and ? become % and _, a one-character [class]
  // its character; % and _ themselves are escaped.
  static std::string LikePattern(const Piece& pattern) {
    if (pattern.type == Type::kText && !pattern.sql.empty() && pattern.sql.front() == '\'') {
      std::string text;
      for (size_t i = 1; i + 1 < pattern.sql.size(); ++i) {
        text += pattern.sql[i];
        if (pattern.sql[i] == '\'') ++i;
      }
      std::string out;
      bool escaped = false;
      for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '*') out += '%';
        else if (c == '?') out += '_';
        else if (c == '#') Refuse("the LIKE pattern's # (any digit) has no SQLite LIKE form");
        else if (c == '[') {
          if (i + 2 < text.size() && text[i + 2] == ']' && text[i + 1] != '!') {
            const char literal = text[i + 1];
            if (literal == '%' || literal == '_' || literal == '\\') out += '\\', escaped = true;
            out += literal;
            i += 2;
          } else {
            Refuse("the LIKE pattern's [character list] has no SQLite LIKE form");
          }
        } else if (c == '%' || c == '_' || c == '\\') {
          out += '\\';
          out += c;
          escaped = true;
        } else {
          out += c;
        }
      }
      return TextLiteral(out) + (escaped ? " ESCAPE '\\'" : "");
    }
    return "replace(replace(" + pattern.sql + ", '*', '%'), '?', '_')";
  }

  // a & b & c: Null only when every part is Null, a Null part otherwise counting as "".
  Piece concat() {
    std::vector<Piece> parts{additive()};
    while (acceptOp("&")) parts.push_back(additive());
    if (parts.size() == 1) return parts[0];
    // A quoted text is never Null; anything else may be.
    auto literal = [](const Piece& p) { return p.type == Type::kText && !p.sql.empty() && p.sql.front() == '\''; };
    std::string all, joined;
    for (size_t i = 0; i < parts.size(); ++i) {
      all += (i ? ", " : "") + parts[i].sql;
      joined += (i ? " || " : "") + (literal(parts[i]) ? parts[i].sql : "COALESCE(" + parts[i].sql + ", '')");
    }
    if (std::any_of(parts.begin(), parts.end(), literal)) return {"(" + joined + ")", Type::kText};
    return {"(CASE WHEN COALESCE(" + all + ") IS NULL THEN NULL ELSE " + joined + " END)", Type::kText};
  }

  Piece additive() {
    Piece p = modLevel();
    while (isOp("+") || isOp("-")) {
      const std::string op = peek().text;
      ++pos_;
      Piece q = modLevel();
      if (p.type == Type::kDate && q.type == Type::kDate && op == "-") {
        p = {"(julianday(" + p.sql + ") - julianday(" + q.sql + "))", Type::kNumber};
      } else if (p.type == Type::kDate) {
        // A date plus or minus days (fractions are times of day).
        p = {"datetime(julianday(" + p.sql + ") " + op + " " + Par(q) + ")", Type::kDate};
      } else if (q.type == Type::kDate && op == "+") {
        p = {"datetime(julianday(" + q.sql + ") + " + Par(p) + ")", Type::kDate};
      } else {
        p = {p.sql + " " + op + " " + q.sql, Type::kNumber};
      }
    }
    return p;
  }
  Piece modLevel() {
    Piece p = intDivision();
    while (acceptWord("mod")) p = {Par(p) + " % " + Par(intDivision()), Type::kNumber};
    return p;
  }
  Piece intDivision() {
    Piece p = multiplicative();
    while (acceptOp("\\")) {
      Piece q = multiplicative();
      p = {"(CAST(round(" + p.sql + ") AS INTEGER) / CAST(round(" + q.sql + ") AS INTEGER))", Type::kNumber};
    }
    return p;
  }
  Piece multiplicative() {
    Piece p = unary();
    while (isOp("*") || isOp("/")) {
      const bool divide = peek().text == "/";
      ++pos_;
      Piece q = unary();
      // Access divides as real numbers; SQLite would divide two whole numbers as whole numbers.
      p = divide ? Piece{"CAST(" + p.sql + " AS REAL) / " + Par(q), Type::kNumber} : Piece{p.sql + " * " + q.sql, Type::kNumber};
    }
    return p;
  }
  Piece unary() {
    Nested nested(*this);
    if (acceptOp("-")) {
      Piece p = unary();
      return {"-" + Par(p), p.type == Type::kUnknown ? Type::kNumber : p.type};
    }
    if (acceptOp("+")) return unary();
    return power();
  }
  Piece power() {
    Piece p = primary();
    while (acceptOp("^")) {
      const Token& t = peek();
      if (t.kind != Tok::kNumber || t.text.find_first_not_of("0123456789") != std::string::npos || t.text.size() > 1)
        Refuse("^ is read here only with a whole-number exponent up to 9");
      const int n = t.text[0] - '0';
      ++pos_;
      std::string sql = n == 0 ? "1" : Par(p);
      for (int i = 1; i < n; ++i) sql += " * " + Par(p);
      p = {"(" + sql + ")", Type::kNumber};
    }
    return p;
  }

  Piece primary() {
    const Token t = peek();
    switch (t.kind) {
      case Tok::kEnd:
        Refuse("the expression ends too early");
      case Tok::kNumber:
        ++pos_;
        return {t.text, Type::kNumber};
      case Tok::kString:
        ++pos_;
        return {TextLiteral(t.text), Type::kText};
      case Tok::kDate:
        ++pos_;
        return {DateLiteral(t.text), Type::kDate};
      case Tok::kOp:
        if (acceptOp("(")) {
          if (isWord("select")) {
            std::string sub = query();
            expectOp(")");
            return {"(" + sub + ")", Type::kUnknown};
          }
          Piece inner = expression();
          expectOp(")");
          return {Par(inner), inner.type};
        }
        Refuse("unexpected " + near());
      case Tok::kName:
        break;
    }
    const std::string word = t.bracketed ? "" : jet::AsciiLower(t.text);
    if (word == "true") return ++pos_, Piece{"1", Type::kBool};
    if (word == "false") return ++pos_, Piece{"0", Type::kBool};
    if (word == "null") return ++pos_, Piece{"NULL", Type::kUnknown};
    if (word == "exists") {
      ++pos_;
      expectOp("(");
      std::string sub = query();
      expectOp(")");
      return {"EXISTS (" + sub + ")", Type::kBool};
    }
    // Left( and Right( are functions here, not joins.
    static const char* const kOperators[] = {"and", "or", "not", "xor", "eqv", "imp", "mod", "like", "is", "in", "between"};
    const bool operatorWord =
        std::any_of(std::begin(kOperators), std::end(kOperators), [&](const char* w) { return word == w; });
    if (!t.bracketed && isOp("(", 1) && !operatorWord) {
      pos_ += 2;
      return call(t.text);
    }
    if (!t.bracketed && Reserved(word)) Refuse("unexpected " + near());
    return name();
  }

  // A column, or a table's column: name [(. | !) name]...
  Piece name() {
    std::vector<std::string> parts{peek().text};
    ++pos_;
    while ((isOp(".") || isOp("!")) && peek(1).kind == Tok::kName) {
      pos_ += 1;
      parts.push_back(peek().text);
      ++pos_;
    }
    const std::string first = jet::AsciiLower(parts[0]);
    if (parts.size() > 1 && (first == "forms" || first == "reports"))
      Refuse("it refers to a form or report (" + parts[0] + "!" + parts[1] + ")");
    if (parts.size() > 1 && (first == "tempvars" || first == "screen"))
      Refuse("it refers to " + parts[0] + ", which only Access has");
    if (parts.size() == 1) return column(parts[0]);
    std::string sql;
    for (size_t i = 0; i < parts.size(); ++i) sql += (i ? "." : "") + Quoted(parts[i]);
    return {sql, Type::kUnknown};
  }

  std::vector<Piece> arguments() {
    std::vector<Piece> args;
    if (acceptOp(")")) return args;
    do {
      if (isOp("*") && (isOp(")", 1))) {
        ++pos_;
        args.push_back({"*", Type::kUnknown});
      } else {
        args.push_back(expression());
      }
    } while (acceptOp(","));
    expectOp(")");
    return args;
  }

  Piece call(const std::string& written) {
    std::string f = jet::AsciiLower(written);
    if (!f.empty() && f.back() == '$') f.pop_back();
    std::vector<Piece> a = arguments();
    auto need = [&](size_t low, size_t high) {
      if (a.size() < low || a.size() > high)
        Refuse(written + " is given " + std::to_string(a.size()) + " argument" + (a.size() == 1 ? "" : "s"));
    };
    auto one = [&](const std::string& pattern, Type type) {
      need(1, 1);
      std::string sql = pattern;
      sql.replace(sql.find('X'), 1, a[0].sql);
      return Piece{sql, type};
    };
    // Aggregates.
    if (f == "sum" || f == "avg" || f == "min" || f == "max" || f == "count") {
      need(1, 1);
      const Type type = f == "count" ? Type::kNumber : f == "min" || f == "max" ? a[0].type : Type::kNumber;
      return {written.substr(0, f.size()) + "(" + a[0].sql + ")", type};
    }
    if (f == "first" || f == "last" || f == "stdev" || f == "stdevp" || f == "var" || f == "varp")
      Refuse("the aggregate " + written + " has no SQLite form");
    // Choices.
    if (f == "iif") {
      need(3, 3);
      return {"(CASE WHEN " + a[0].sql + " THEN " + a[1].sql + " ELSE " + a[2].sql + " END)",
              a[1].type == a[2].type ? a[1].type : Type::kUnknown};
    }
    if (f == "nz") {
      need(1, 2);
      return {"COALESCE(" + a[0].sql + ", " + (a.size() == 2 ? a[1].sql : "''") + ")", a[0].type};
    }
    if (f == "isnull") return one("(X IS NULL)", Type::kBool);
    if (f == "switch") {
      if (a.empty() || a.size() % 2) Refuse("Switch needs pairs of a condition and a value");
      std::string sql = "(CASE";
      for (size_t i = 0; i < a.size(); i += 2) sql += " WHEN " + a[i].sql + " THEN " + a[i + 1].sql;
      return {sql + " END)", Type::kUnknown};
    }
    if (f == "choose") {
      if (a.size() < 2) Refuse("Choose needs an index and at least one value");
      std::string sql = "(CASE CAST(" + a[0].sql + " AS INTEGER)";
      for (size_t i = 1; i < a.size(); ++i) sql += " WHEN " + std::to_string(i) + " THEN " + a[i].sql;
      return {sql + " END)", Type::kUnknown};
    }
    // Text.
    if (f == "left") return need(2, 2), Piece{"substr(" + a[0].sql + ", 1, " + a[1].sql + ")", Type::kText};
    if (f == "right")
      return need(2, 2), Piece{"substr(" + a[0].sql + ", max(length(" + a[0].sql + ") - " + Par(a[1]) + " + 1, 1))", Type::kText};
    if (f == "mid") {
      need(2, 3);
      return {"substr(" + a[0].sql + ", " + a[1].sql + (a.size() == 3 ? ", " + a[2].sql : "") + ")", Type::kText};
    }
    if (f == "len") return one("length(X)", Type::kNumber);
    if (f == "ucase") return one("upper(X)", Type::kText);
    if (f == "lcase") return one("lower(X)", Type::kText);
    if (f == "trim") return one("trim(X, ' ')", Type::kText);
    if (f == "ltrim") return one("ltrim(X, ' ')", Type::kText);
    if (f == "rtrim") return one("rtrim(X, ' ')", Type::kText);
    if (f == "space") return one("printf('%*s', X, '')", Type::kText);
    if (f == "chr" || f == "chrw") return one("char(X)", Type::kText);
    if (f == "asc" || f == "ascw") return one("unicode(X)", Type::kNumber);
    if (f == "replace") {
      need(3, 3);
      return {"replace(" + a[0].sql + ", " + a[1].sql + ", " + a[2].sql + ")", Type::kText};
    }
    if (f == "instr") {
      // Access compares without regard to case here too.
      need(2, 3);
      if (a.size() == 2) return {"instr(lower(" + a[0].sql + "), lower(" + a[1].sql + "))", Type::kNumber};
      const std::string found = "instr(lower(substr(" + a[1].sql + ", " + a[0].sql + ")), lower(" + a[2].sql + "))";
      return {"(CASE WHEN " + found + " = 0 THEN 0 ELSE " + found + " + " + Par(a[0]) + " - 1 END)", Type::kNumber};
    }
    // Dates.
    if (f == "date") return need(0, 0), Piece{"datetime('now', 'localtime', 'start of day')", Type::kDate};
    if (f == "now") return need(0, 0), Piece{"datetime('now', 'localtime')", Type::kDate};
    if (f == "time") return need(0, 0), Piece{"('1899-12-30 ' || time('now', 'localtime'))", Type::kDate};
    if (f == "year") return need(1, 1), Piece{DateField(a[0], "%Y"), Type::kNumber};
    if (f == "month") return need(1, 1), Piece{DateField(a[0], "%m"), Type::kNumber};
    if (f == "day") return need(1, 1), Piece{DateField(a[0], "%d"), Type::kNumber};
    if (f == "hour") return need(1, 1), Piece{DateField(a[0], "%H"), Type::kNumber};
    if (f == "minute") return need(1, 1), Piece{DateField(a[0], "%M"), Type::kNumber};
    if (f == "second") return need(1, 1), Piece{DateField(a[0], "%S"), Type::kNumber};
    if (f == "weekday") {
      need(1, 2);
      if (a.size() == 2 && a[1].sql != "1") Refuse("Weekday is read here only with Sunday as the first day");
      return {"(" + DateField(a[0], "%w") + " + 1)", Type::kNumber};
    }
    if (f == "datepart") {
      need(2, 2);
      return {DatePart(Interval(a[0], written), a[1]), Type::kNumber};
    }
    if (f == "dateadd") {
      need(3, 3);
      return {DateAdd(Interval(a[0], written), a[1], a[2]), Type::kDate};
    }
    if (f == "datediff") {
      need(3, 3);
      return {DateDiff(Interval(a[0], written), a[1], a[2]), Type::kNumber};
    }
    if (f == "dateserial") {
      need(3, 3);
      return {"datetime(printf('%04d-01-01', " + a[0].sql + "), (" + a[1].sql + " - 1) || ' months', (" + a[2].sql +
                  " - 1) || ' days')",
              Type::kDate};
    }
    if (f == "timeserial") {
      need(3, 3);
      return {"datetime('1899-12-30', (" + a[0].sql + ") || ' hours', (" + a[1].sql + ") || ' minutes', (" + a[2].sql +
                  ") || ' seconds')",
              Type::kDate};
    }
    if (f == "datevalue") return one("datetime(X, 'start of day')", Type::kDate);
    if (f == "timevalue") return one("('1899-12-30 ' || time(X))", Type::kDate);
    if (f == "cdate") return one("datetime(X)", Type::kDate);
    if (f == "format") {
      need(1, 2);
      if (a.size() == 1) return {"CAST(" + a[0].sql + " AS TEXT)", Type::kText};
      return {"(" + FormatCall(a[0], LiteralArgument(a[1], written)) + ")", Type::kText};
    }
    // Numbers and conversions.
    if (f == "cstr") return one("CAST(X AS TEXT)", Type::kText);
    if (f == "cint" || f == "clng" || f == "cbyte") return one("CAST(round(X) AS INTEGER)", Type::kNumber);
    if (f == "cdbl" || f == "csng") return one("CAST(X AS REAL)", Type::kNumber);
    if (f == "ccur") return one("round(X, 4)", Type::kNumber);
    if (f == "cdec") return one("CAST(X AS NUMERIC)", Type::kNumber);
    if (f == "cbool") return one("(CASE WHEN X THEN 1 ELSE 0 END)", Type::kBool);
    if (f == "val") return one("CAST(X AS NUMERIC)", Type::kNumber);
    if (f == "fix") return one("CAST(X AS INTEGER)", Type::kNumber);
    if (f == "int") {
      need(1, 1);
      const std::string whole = "CAST(" + a[0].sql + " AS INTEGER)";
      return {"(" + whole + " - (" + a[0].sql + " < " + whole + "))", Type::kNumber};
    }
    if (f == "round") {
      need(1, 2);
      return {"round(" + a[0].sql + (a.size() == 2 ? ", " + a[1].sql : "") + ")", Type::kNumber};
    }
    if (f == "abs") return one("abs(X)", Type::kNumber);
    if (f == "sgn") {
      need(1, 1);
      return {"(CASE WHEN " + Par(a[0]) + " > 0 THEN 1 WHEN " + Par(a[0]) + " < 0 THEN -1 WHEN " + Par(a[0]) +
                  " = 0 THEN 0 END)",
              Type::kNumber};
    }
    if (f.size() > 1 && f[0] == 'd' &&
        (f == "dlookup" || f == "dsum" || f == "dcount" || f == "davg" || f == "dmin" || f == "dmax" || f == "dfirst" ||
         f == "dlast"))
      Refuse("it uses " + written + ", which looks up another table through Access itself");
    Refuse("it uses " + written + ", which SQLite has no form of");
  }

  // --- statements ---

  Select selectCore() {
    expectWord("select");
    Select s;
    std::string head = "SELECT ";
    if (acceptWord("distinct")) head += "DISTINCT ";
    else if (acceptWord("distinctrow")) {
      // Rows of the tables read, not of the values shown: over one table or a join of key
      // rows it changes nothing, and it is read as a plain SELECT.
    } else {
      acceptWord("all");
    }
    std::optional<std::string> top;
    bool percent = false;
    if (acceptWord("top")) {
      const Token& n = peek();
      if (n.kind != Tok::kNumber || n.text.find_first_not_of("0123456789") != std::string::npos)
        Refuse("TOP is read here only with a whole number");
      top = n.text;
      ++pos_;
      percent = acceptWord("percent");
    }
    bool bareStar = false;
    std::string columns;
    do {
      std::string column;
      if (acceptOp("*")) {
        column = "*";
        bareStar = true;
      } else if (peek().kind == Tok::kName && isOp(".", 1) && isOp("*", 2)) {
        column = Quoted(peek().text) + ".*";
        pos_ += 3;
      } else {
        column = expression().sql;
        if (acceptWord("as")) column += " AS " + Quoted(aliasName());
      }
      columns += (columns.empty() ? "" : ", ") + column;
    } while (acceptOp(","));
    if (isWord("into")) Refuse("it makes a table (SELECT ... INTO)");
    std::string body = head + columns;
    std::string from;
    if (acceptWord("from")) {
      bool rightJoin = false;
      do from += (from.empty() ? "" : ", ") + source(rightJoin).sql;
      while (acceptOp(","));
      if (rightJoin && bareStar) Refuse("SELECT * over a RIGHT JOIN would list its columns in another order in SQLite");
      if (isWord("in") && peek(1).kind == Tok::kString) Refuse("it reads a table of another database (IN '...')");
      body += " FROM " + from;
    }
    std::string where, groupBy, having;
    if (acceptWord("where")) where = " WHERE " + expression().sql;
    if (acceptWord("group")) {
      expectWord("by");
      groupBy = " GROUP BY " + expressionList(false);
    }
    if (acceptWord("having")) having = " HAVING " + expression().sql;
    s.sql = body + where + groupBy + having;
    if (acceptWord("order")) {
      expectWord("by");
      s.orderBy = " ORDER BY " + expressionList(true);
    }
    if (acceptWord("with")) {
      expectWord("owneraccess");
      expectWord("option");
    }
    if (top) {
      if (!percent) {
        s.limit = " LIMIT " + *top;
      } else {
        // The share of the rows, rounded up as Access rounds it.
        s.limit = " LIMIT (SELECT (count(*) * " + *top + " + 99) / 100 FROM (SELECT 1" + (from.empty() ? "" : " FROM " + from) +
                  where + groupBy + having + "))";
      }
    }
    return s;
  }

  std::string aliasName() {
    const Token& t = peek();
    if (t.kind != Tok::kName && t.kind != Tok::kString) Refuse("expected a name after AS at " + near());
    ++pos_;
    return t.text;
  }

  std::string expressionList(bool orderBy) {
    std::string list;
    do {
      std::string item = expression().sql;
      if (orderBy) {
        if (acceptWord("desc")) item += " DESC";
        else acceptWord("asc");
      }
      list += (list.empty() ? "" : ", ") + item;
    } while (acceptOp(","));
    return list;
  }

  struct Source {
    std::string sql;
    bool join = false;
  };

  // A table, query or subquery with its alias, or joins of them. Access nests joins in
  // parentheses, left ones first: the left side of a join is written without them (SQLite
  // joins from the left), the right side keeps them. A RIGHT JOIN is written as the LEFT JOIN
  // with its sides exchanged (SQLite before 3.39 has no RIGHT JOIN).
  Source source(bool& rightJoin) {
    Nested nested(*this);
    Source left = primarySource(rightJoin);
    while (true) {
      std::string kind;
      if (acceptWord("inner")) kind = "INNER";
      else if (acceptWord("left")) kind = "LEFT";
      else if (acceptWord("right")) kind = "RIGHT";
      else if (isWord("join")) kind = "INNER";
      else break;
      acceptWord("outer");
      expectWord("join");
      Source right = primarySource(rightJoin);
      expectWord("on");
      const std::string on = expression().sql;
      if (kind == "RIGHT") {
        rightJoin = true;
        std::swap(left, right);
        kind = "LEFT";
      }
      left = {left.sql + " " + kind + " JOIN " + (right.join ? "(" + right.sql + ")" : right.sql) + " ON " + on, true};
    }
    return left;
  }

  Source primarySource(bool& rightJoin) {
    if (acceptOp("(")) {
      if (isWord("select")) {
        std::string sub = query();
        expectOp(")");
        return {"(" + sub + ")" + alias(), false};
      }
      Source inner = source(rightJoin);
      expectOp(")");
      return inner;
    }
    const Token t = peek();
    if (t.kind != Tok::kName) Refuse("expected a table at " + near());
    ++pos_;
    // Access 97 wrote a subquery source as [SELECT ...]. AS x
    if (t.bracketed && jet::AsciiLower(t.text).rfind("select", 0) == 0 && acceptOp(".")) {
      Parser inner(t.text);
      std::string sub = inner.query();
      inner.skipSemicolons();
      if (!inner.atEnd()) Refuse("unexpected " + inner.near() + " in a subquery");
      sources.insert(sources.end(), inner.sources.begin(), inner.sources.end());
      return {"(" + sub + ")" + alias(), false};
    }
    if (!t.bracketed && Reserved(jet::AsciiLower(t.text))) Refuse("expected a table at " + near());
    std::string name = t.text;
    if (isOp(".") && peek(1).kind == Tok::kName) Refuse("it reads a table of another database (" + name + ".…)");
    sources.push_back(name);
    return {Quoted(name) + alias(), false};
  }

  std::string alias() {
    if (acceptWord("as")) return " AS " + Quoted(aliasName());
    const Token& t = peek();
    if (t.kind == Tok::kName && (t.bracketed || !Reserved(jet::AsciiLower(t.text)))) {
      ++pos_;
      return " AS " + Quoted(t.text);
    }
    return "";
  }

  std::vector<Token> tokens_;
  size_t pos_ = 0;
  int depth_ = 0;
};

template <typename F>
Translation Run(F&& read) {
  Translation result;
  try {
    read(result);
  } catch (const Untranslatable& u) {
    result.sql.clear();
    result.reason = u.reason;
  }
  return result;
}

}  // namespace

Translation Expression(std::string_view text, const std::string& impliedOperand,
                       const std::vector<std::string>& numbersAsText) {
  return Run([&](Translation& out) {
    Parser parser(text);
    parser.numbersAsText = numbersAsText;
    if (parser.atEnd()) Refuse("the expression is empty");
    Piece p = !impliedOperand.empty() && parser.startsWithOperator() ? parser.ruleAbout(impliedOperand) : parser.expression();
    if (!parser.atEnd()) Refuse("the expression goes on after its end");
    out.sql = p.sql;
  });
}

Translation Select(std::string_view text) {
  return Run([&](Translation& out) {
    Parser parser(text);
    out.sql = parser.query();
    if (!parser.skipSemicolons()) Refuse("the statement goes on after its end");
    out.sources = parser.sources;
  });
}

}  // namespace transfer::accesssql
