#include "transfer/SQLiteViewSql.h"

#include "jet/Text.h"
#include "transfer/DateText.h"
#include "transfer/Untranslatable.h"

#include <algorithm>
#include <cctype>
#include <deque>
#include <map>

namespace transfer {

namespace {

// Access names go in brackets, which they cannot hold; nor may they hold . ! or `.
std::string Bracketed(const std::string& name) {
  if (name.find_first_of("[]!.`") != std::string::npos)
    Refuse("the name \"" + name + "\" has a character Access does not allow in names");
  return "[" + name + "]";
}

std::string AccessText(std::string_view text) {
  std::string out = "\"";
  for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

// --- tokens ---

enum class Tok { kEnd, kWord, kName, kString, kNumber, kOp };

struct Token {
  Tok kind = Tok::kEnd;
  std::string text;  // quoted names and strings without their quotes
  size_t begin = 0, end = 0;
};

bool WordStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool WordPart(unsigned char c) { return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80; }

std::vector<Token> Tokenize(std::string_view s) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = s[i];
    if (std::isspace(c)) {
      ++i;
      continue;
    }
    if (s.substr(i, 2) == "--") {
      i = std::min(s.find('\n', i), s.size());
      continue;
    }
    if (s.substr(i, 2) == "/*") {
      const size_t end = s.find("*/", i + 2);
      i = end == std::string_view::npos ? s.size() : end + 2;
      continue;
    }
    Token t;
    t.begin = i;
    if (c == '"' || c == '`' || c == '\'' || c == '[') {
      const char close = c == '[' ? ']' : static_cast<char>(c);
      t.kind = c == '\'' ? Tok::kString : Tok::kName;
      size_t j = i + 1;
      while (true) {
        if (j >= s.size()) Refuse(std::string("a ") + static_cast<char>(c) + " is not closed");
        if (s[j] == close) {
          if (close != ']' && j + 1 < s.size() && s[j + 1] == close) {
            t.text += close;
            j += 2;
            continue;
          }
          break;
        }
        t.text += s[j++];
      }
      i = j + 1;
    } else if ((c == 'x' || c == 'X') && i + 1 < s.size() && s[i + 1] == '\'') {
      Refuse("it has a blob literal (x'...'), which Access SQL has no form of");
    } else if (std::isdigit(c) || (c == '.' && i + 1 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
      if (c == '0' && i + 1 < s.size() && (s[i + 1] == 'x' || s[i + 1] == 'X'))
        Refuse("it has a hexadecimal number, which Access SQL writes otherwise");
      t.kind = Tok::kNumber;
      size_t j = i;
      while (j < s.size() && (std::isdigit(static_cast<unsigned char>(s[j])) || s[j] == '.')) ++j;
      if (j < s.size() && (s[j] == 'e' || s[j] == 'E')) {
        ++j;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
      }
      t.text = s.substr(i, j - i);
      i = j;
    } else if (WordStart(c)) {
      t.kind = Tok::kWord;
      size_t j = i;
      while (j < s.size() && WordPart(static_cast<unsigned char>(s[j]))) ++j;
      t.text = s.substr(i, j - i);
      i = j;
    } else {
      t.kind = Tok::kOp;
      static const char* const kTwo[] = {"||", "==", "!=", "<>", "<=", ">=", "<<", ">>", "->"};
      for (const char* two : kTwo)
        if (s.substr(i, 2) == two) t.text = two;
      if (t.text.empty()) {
        if (std::string_view("()=<>,.;+-*/%&|~").find(static_cast<char>(c)) == std::string_view::npos) {
          if (c == '?' || c == ':' || c == '@' || c == '$') Refuse("it has a parameter, which a view cannot have");
          Refuse(std::string("the character '") + static_cast<char>(c) + "' has no meaning here");
        }
        t.text = std::string(1, static_cast<char>(c));
      }
      i += t.text.size();
    }
    t.end = i;
    tokens.push_back(std::move(t));
  }
  Token end;
  end.begin = end.end = s.size();
  tokens.push_back(end);
  return tokens;
}

// --- values ---

enum class Type { kUnknown, kText, kInteger, kReal, kDate, kBoolean, kNull };

// Binding levels of Access operators, loosest first: a piece used where a tighter level is
// wanted goes in parentheses.
enum Level { kOr, kAnd, kNot, kCompare, kAdd, kMultiply, kUnary, kAtom };

struct Piece {
  Piece(std::string s = {}, Type t = Type::kUnknown, Level l = kAtom, bool isLiteral = false)
      : sql(std::move(s)), type(t), level(l), literal(isLiteral) {}
  std::string sql;
  Type type = Type::kUnknown;
  Level level = kAtom;
  bool literal = false;   // a literal value: never Null
  std::string isoDate;    // a text literal that is an ISO date, in the form #...# takes
};

std::string At(const Piece& p, Level level) { return p.level >= level ? p.sql : "(" + p.sql + ")"; }

// 'YYYY-MM-DD' or 'YYYY-MM-DD HH:MM[:SS]', checked as a real date.
std::string IsoDate(const std::string& text) {
  static const std::string kShape = "dddd-dd-dd dd:dd:dd";
  if (text.size() != 10 && text.size() != 16 && text.size() != 19) return {};
  for (size_t i = 0; i < text.size(); ++i) {
    const bool digit = std::isdigit(static_cast<unsigned char>(text[i]));
    if (kShape[i] == 'd' ? !digit : text[i] != kShape[i]) return {};
  }
  if (!RecogniseDateText(text)) return {};
  return text;
}

// A literal compared with a column takes the column's form: an ISO date text is a #date#,
// 0 and 1 are False and True (Access keeps Yes as -1).
void CompareForm(Piece& literal, const Piece& other) {
  if (!literal.literal) return;
  if (other.type == Type::kDate && !literal.isoDate.empty()) {
    literal.sql = "#" + literal.isoDate + "#";
    literal.type = Type::kDate;
  } else if (other.type == Type::kBoolean && literal.type == Type::kInteger && (literal.sql == "0" || literal.sql == "1")) {
    literal.sql = literal.sql == "1" ? "True" : "False";
    literal.type = Type::kBoolean;
  }
}

Type TypeOf(ColumnKind kind) {
  switch (kind) {
    case ColumnKind::kInteger: return Type::kInteger;
    case ColumnKind::kDate: return Type::kDate;
    case ColumnKind::kBoolean: return Type::kBoolean;
    case ColumnKind::kOther: break;
  }
  return Type::kUnknown;
}

// strftime's fields in Format's pattern letters; other characters escaped as they are.
std::string FormatPattern(const std::string& strftime) {
  std::string out;
  for (size_t i = 0; i < strftime.size(); ++i) {
    if (strftime[i] != '%') {
      if (std::isalnum(static_cast<unsigned char>(strftime[i])) || strftime[i] == '"')
        Refuse("strftime's pattern has a letter Format would read as a field");
      out += "\\" + std::string(1, strftime[i]);
      continue;
    }
    if (++i >= strftime.size()) Refuse("strftime's pattern ends in %");
    static const std::map<char, const char*> kFields = {{'Y', "yyyy"}, {'m', "mm"}, {'d', "dd"},
                                                        {'H', "hh"},   {'M', "nn"}, {'S', "ss"}};
    auto it = kFields.find(strftime[i]);
    if (it == kFields.end()) Refuse(std::string("strftime's field %") + strftime[i] + " has no Format form here");
    out += it->second;
  }
  return out;
}

// The parts of one SELECT before ORDER BY.
struct Column {
  std::string sql;    // the expression, or * / [t].*
  std::string alias;  // empty: Access names it
  std::string name;   // the name SQLite gives the column, when known
};

struct Core {
  std::string head;  // SELECT [DISTINCT]
  std::vector<Column> columns;
  std::string rest;  // FROM ... HAVING ...
};

class Parser {
 public:
  Parser(std::string_view text, const ColumnLookup& columns) : text_(text), tokens_(Tokenize(text)), columns_(columns) {}

  std::vector<std::string> sources;

  std::string view() {
    expectWord("create");
    if (!acceptWord("temp")) acceptWord("temporary");
    expectWord("view");
    if (acceptWord("if")) {
      expectWord("not");
      expectWord("exists");
    }
    name();
    if (acceptOp(".")) name();
    std::vector<std::string> names;
    if (acceptOp("(")) {
      do names.push_back(name());
      while (acceptOp(","));
      expectOp(")");
    }
    expectWord("as");
    std::string sql = query(&names);
    while (acceptOp(";")) {
    }
    if (!atEnd()) Refuse("unexpected " + near() + " after the view's SELECT");
    return sql;
  }

 private:
  struct Source {
    std::string alias;  // as the query names it
    std::string table;  // empty for a subquery
  };
  struct Scope {
    std::vector<Source> sources;
    const std::vector<Column>* columns = nullptr;  // the SELECT's own, for names of its results
    bool resultsFirst = false;                     // ORDER BY: a result's name before a column's
  };

  // SELECT ... [UNION [ALL] SELECT ...]... [ORDER BY ...] [LIMIT n]
  std::string query(const std::vector<std::string>* names = nullptr) {
    if (isWord("with")) Refuse("it uses WITH (common table expressions), which Access has no form of");
    if (isWord("values")) Refuse("it is a VALUES list, which Access has no form of");
    scopes_.push_back({});
    std::vector<Core> parts{selectCore()};
    std::vector<std::string> joiners;
    while (true) {
      if (isWord("intersect") || isWord("except"))
        Refuse("it uses " + peek().text + ", which Access has no form of");
      if (!acceptWord("union")) break;
      joiners.push_back(acceptWord("all") ? " UNION ALL " : " UNION ");
      scopes_.back() = {};
      parts.push_back(selectCore());
    }
    if (names && !names->empty()) {
      Core& first = parts.front();
      if (first.columns.size() != names->size() ||
          std::any_of(first.columns.begin(), first.columns.end(), [](const Column& c) { return c.sql.back() == '*'; }))
        Refuse("the view's list of column names does not match its columns one for one");
      for (size_t i = 0; i < names->size(); ++i) first.columns[i].alias = first.columns[i].name = (*names)[i];
    }
    const bool single = parts.size() == 1;
    // ORDER BY of one SELECT reads its sources and its results; of a union, the first part's results.
    Scope& scope = scopes_.back();
    if (!single) scope.sources.clear();
    scope.columns = &parts.front().columns;
    scope.resultsFirst = true;
    std::string orderBy;
    if (acceptWord("order")) {
      expectWord("by");
      orderBy = " ORDER BY " + terms(true, single);
    }
    std::string top;
    if (acceptWord("limit")) {
      const Token& n = peek();
      if (n.kind != Tok::kNumber || n.text.find_first_not_of("0123456789") != std::string::npos || n.text == "0" ||
          n.text[0] == '0')
        Refuse("LIMIT is written as TOP only with a whole number from 1");
      if (!single) Refuse("LIMIT on a union has no Access form (TOP belongs to one part)");
      top = "TOP " + n.text + " ";
      ++pos_;
      if (acceptWord("offset") || acceptOp(",")) Refuse("LIMIT with an OFFSET has no Access form");
    }
    scopes_.pop_back();
    std::string sql;
    for (size_t i = 0; i < parts.size(); ++i) {
      const Core& c = parts[i];
      std::string columns;
      for (const Column& column : c.columns)
        columns += (columns.empty() ? "" : ", ") + column.sql + (column.alias.empty() ? "" : " AS " + Bracketed(column.alias));
      sql += (i ? joiners[i - 1] : "") + c.head + top + columns + c.rest;
    }
    return sql + orderBy;
  }

  Core selectCore() {
    expectWord("select");
    Core core;
    core.head = "SELECT ";
    if (acceptWord("distinct")) core.head += "DISTINCT ";
    else acceptWord("all");
    // The result columns are read after FROM, whose sources they name: skip them first.
    const size_t columnsAt = pos_;
    skipToClause();
    const size_t columnsEnd = pos_;
    std::string rest;
    if (acceptWord("from")) rest = " FROM " + fromList();
    const size_t afterFrom = pos_;
    pos_ = columnsAt;
    do core.columns.push_back(resultColumn());
    while (acceptOp(","));
    if (pos_ != columnsEnd) Refuse("unexpected " + near() + " in the list of columns");
    pos_ = afterFrom;
    Scope& scope = scopes_.back();
    scope.columns = &core.columns;
    scope.resultsFirst = false;
    if (acceptWord("where")) rest += " WHERE " + expression().sql;
    if (acceptWord("group")) {
      expectWord("by");
      rest += " GROUP BY " + terms(false, true);
    }
    if (acceptWord("having")) rest += " HAVING " + expression().sql;
    if (isWord("window")) Refuse("it uses WINDOW, which Access has no form of");
    scope.columns = nullptr;
    core.rest = rest;
    return core;
  }

  // Moves to the FROM (or the clause after the columns) of this SELECT.
  void skipToClause() {
    int depth = 0;
    for (; !atEnd(); ++pos_) {
      if (isOp("(")) ++depth;
      else if (isOp(")")) {
        if (depth == 0) return;
        --depth;
      } else if (depth == 0) {
        for (const char* w : {"from", "where", "group", "having", "order", "limit", "union", "intersect", "except", "window"})
          if (isWord(w)) return;
        if (isOp(";")) return;
      }
    }
  }

  Column resultColumn() {
    if (acceptOp("*")) return {"*", {}, {}};
    if ((peek().kind == Tok::kWord || peek().kind == Tok::kName) && isOp(".", 1) && isOp("*", 2)) {
      const std::string table = peek().text;
      pos_ += 3;
      return {Bracketed(table) + ".*", {}, {}};
    }
    const size_t begin = peek().begin;
    const size_t first = pos_;
    Piece p = expression();
    const size_t end = tokens_[pos_ - 1].end;
    Column column{p.sql, {}, {}};
    if (acceptWord("as") || peek().kind == Tok::kName || (peek().kind == Tok::kWord && !Clause(peek().text))) {
      column.alias = column.name = name();
      return column;
    }
    // A column read as it is keeps its name; SQLite names any other by its text, which
    // becomes its alias where Access allows that name.
    const Token& last = tokens_[pos_ - 1];
    const bool named = last.kind == Tok::kName ||
                       (last.kind == Tok::kWord && jet::AsciiLower(last.text) != "null" && jet::AsciiLower(last.text) != "true" &&
                        jet::AsciiLower(last.text) != "false");
    const bool plainColumn = named && (pos_ - first == 1 || (pos_ - first == 3 && isOp(".", -2)));
    if (plainColumn) {
      column.name = tokens_[pos_ - 1].text;
      return column;
    }
    const std::string written(text_.substr(begin, end - begin));
    column.name = written;
    if (written.find_first_of("[]!.`") == std::string::npos && written.size() <= 64) column.alias = written;
    return column;
  }

  static bool Clause(const std::string& word) {
    static const char* const kWords[] = {"from", "where", "group", "having", "order", "limit", "union", "intersect",
                                         "except", "window", "on", "join", "inner", "left", "right", "full", "cross",
                                         "natural", "using", "outer", "as", "offset", "asc", "desc", "nulls", "collate",
                                         "indexed", "not", "and", "or", "select", "values"};
    const std::string lower = jet::AsciiLower(word);
    return std::any_of(std::begin(kWords), std::end(kWords), [&](const char* w) { return lower == w; });
  }

  // GROUP BY or ORDER BY terms; a number is the result column at that place.
  std::string terms(bool orderBy, bool resolveNumbers) {
    std::string list;
    do {
      std::string item;
      const Token& t = peek();
      const bool number = t.kind == Tok::kNumber && t.text.find_first_not_of("0123456789") == std::string::npos &&
                          (isOp(",", 1) || isOp(")", 1) || isOp(";", 1) || peek(1).kind == Tok::kEnd ||
                           isWord("asc", 1) || isWord("desc", 1) || isWord("limit", 1) || isWord("having", 1) ||
                           isWord("order", 1) || isWord("window", 1));
      if (number) {
        const std::vector<Column>& columns = *scopes_.back().columns;
        const size_t n = std::stoul(t.text);
        if (n < 1 || n > columns.size() || columns[n - 1].sql.back() == '*')
          Refuse("the term " + t.text + " does not name one result column");
        const Column& c = columns[n - 1];
        if (!resolveNumbers && c.name.empty()) Refuse("the union's ORDER BY " + t.text + " names a column without a name");
        item = resolveNumbers ? "(" + c.sql + ")" : Bracketed(c.name);
        ++pos_;
      } else {
        item = expression().sql;
      }
      if (acceptWord("collate")) collation();
      if (orderBy) {
        if (acceptWord("desc")) item += " DESC";
        else acceptWord("asc");
        if (isWord("nulls")) Refuse("NULLS FIRST/LAST has no Access form");
      }
      list += (list.empty() ? "" : ", ") + item;
    } while (acceptOp(","));
    return list;
  }

  // --- FROM ---

  std::string fromList() {
    std::string from;
    do from += (from.empty() ? "" : ", ") + joins();
    while (acceptOp(","));
    return from;
  }

  // Access wants each join but the last in parentheses: (a JOIN b ON ...) JOIN c ON ...
  std::string joins() {
    std::string left = primarySource();
    bool joined = false;
    while (true) {
      if (isWord("natural")) Refuse("a NATURAL JOIN has no Access form");
      if (isWord("cross")) Refuse("a CROSS JOIN is written with a comma in Access; write it so");
      if (isWord("full")) Refuse("a FULL JOIN has no Access form");
      std::string kind;
      if (acceptWord("inner")) kind = "INNER";
      else if (acceptWord("left")) kind = "LEFT";
      else if (acceptWord("right")) kind = "RIGHT";
      else if (isWord("join")) kind = "INNER";
      else break;
      acceptWord("outer");
      expectWord("join");
      const std::string right = primarySource();
      if (isWord("using")) Refuse("a JOIN ... USING has no Access form; write its ON condition");
      if (!acceptWord("on")) Refuse("a JOIN without ON has no Access form");
      const Piece on = expression();
      left = (joined ? "(" + left + ")" : left) + " " + kind + " JOIN " + right + " ON " + on.sql;
      joined = true;
    }
    return left;
  }

  std::string primarySource() {
    Nested nested(*this);
    if (acceptOp("(")) {
      if (isWord("select") || isWord("with") || isWord("values")) {
        const std::string sub = query();
        expectOp(")");
        const std::string alias = sourceAlias();
        if (alias.empty()) Refuse("a subquery in FROM has no name");
        scopes_.back().sources.push_back({alias, {}});
        return "(" + sub + ") AS " + Bracketed(alias);
      }
      const std::string inner = fromList();
      expectOp(")");
      if (inner.find(" JOIN ") == std::string::npos)
        Refuse("a list of tables in parentheses has no Access form");
      return "(" + inner + ")";
    }
    const std::string table = name();
    if (acceptOp(".")) Refuse("it reads " + table + "." + peek().text + ", a table of another schema");
    if (isOp("(")) Refuse("it reads the table-valued function " + table + ", which Access has no form of");
    sources.push_back(table);
    const std::string alias = sourceAlias();
    if (isWord("indexed") || (isWord("not") && isWord("indexed", 1))) Refuse("INDEXED BY has no Access form");
    scopes_.back().sources.push_back({alias.empty() ? table : alias, table});
    return Bracketed(table) + (alias.empty() ? "" : " AS " + Bracketed(alias));
  }

  std::string sourceAlias() {
    if (acceptWord("as")) return name();
    if (peek().kind == Tok::kName || (peek().kind == Tok::kWord && !Clause(peek().text))) return name();
    return {};
  }

  // --- expressions, loosest first ---

  struct Nested {
    explicit Nested(Parser& p) : parser(p) {
      if (++parser.depth_ > 200) Refuse("it is nested more than 200 levels deep");
    }
    ~Nested() { --parser.depth_; }
    Parser& parser;
  };

  Piece expression() {
    Nested nested(*this);
    return orLevel();
  }

  Piece orLevel() {
    Piece p = andLevel();
    while (acceptWord("or")) p = {At(p, kOr) + " Or " + At(andLevel(), kAnd), Type::kBoolean, kOr};
    return p;
  }
  Piece andLevel() {
    Piece p = notLevel();
    while (acceptWord("and")) p = {At(p, kAnd) + " And " + At(notLevel(), kNot), Type::kBoolean, kAnd};
    return p;
  }
  Piece notLevel() {
    Nested nested(*this);
    if (acceptWord("not")) return {"Not " + At(notLevel(), kNot), Type::kBoolean, kNot};
    return equality();
  }

  Piece compared(Piece left, const std::string& op, Piece right) {
    CompareForm(left, right);
    CompareForm(right, left);
    return {At(left, kAdd) + " " + op + " " + At(right, kAdd), Type::kBoolean, kCompare};
  }

  Piece equality() {
    Piece p = relational();
    while (true) {
      if (acceptOp("=") || acceptOp("==")) p = compared(p, "=", relational());
      else if (acceptOp("!=") || acceptOp("<>")) p = compared(p, "<>", relational());
      else if (acceptWord("isnull")) p = {At(p, kAdd) + " Is Null", Type::kBoolean, kCompare};
      else if (acceptWord("notnull")) p = {At(p, kAdd) + " Is Not Null", Type::kBoolean, kCompare};
      else if (acceptWord("is")) {
        const bool no = acceptWord("not");
        if (!acceptWord("null")) Refuse("IS is written in Access only as Is Null or Is Not Null");
        p = {At(p, kAdd) + (no ? " Is Not Null" : " Is Null"), Type::kBoolean, kCompare};
      } else if (isWord("not") && isWord("null", 1)) {
        pos_ += 2;
        p = {At(p, kAdd) + " Is Not Null", Type::kBoolean, kCompare};
      } else {
        const bool no = isWord("not") && (isWord("in", 1) || isWord("like", 1) || isWord("between", 1) ||
                                          isWord("glob", 1) || isWord("regexp", 1) || isWord("match", 1));
        if (no) ++pos_;
        const std::string neg = no ? "Not " : "";
        if (acceptWord("in")) p = in(p, neg);
        else if (acceptWord("like")) p = like(p, neg);
        else if (acceptWord("between")) {
          Piece low = relational();
          expectWord("and");
          Piece high = relational();
          CompareForm(low, p);
          CompareForm(high, p);
          p = {At(p, kAdd) + " " + neg + "Between " + At(low, kAdd) + " And " + At(high, kAdd), Type::kBoolean, kCompare};
        } else if (isWord("glob") || isWord("regexp") || isWord("match")) {
          Refuse("it uses " + peek().text + ", which Access has no form of (Like compares without regard to case)");
        } else {
          return p;
        }
      }
    }
  }

  Piece in(const Piece& left, const std::string& neg) {
    if (!acceptOp("(")) Refuse("IN is written in Access only with a list or a subquery in parentheses");
    std::string list;
    if (isWord("select")) {
      list = query();
    } else {
      if (isOp(")")) Refuse("an empty IN list has no Access form");
      do {
        Piece item = expression();
        CompareForm(item, left);
        list += (list.empty() ? "" : ", ") + item.sql;
      } while (acceptOp(","));
    }
    expectOp(")");
    return {At(left, kAdd) + " " + neg + "In (" + list + ")", Type::kBoolean, kCompare};
  }

  // SQLite's % and _ in Access's * and ?; Access's own wildcards in brackets.
  Piece like(const Piece& left, const std::string& neg) {
    const Token t = peek();
    if (t.kind != Tok::kString) Refuse("LIKE is written in Access here only with a literal pattern");
    ++pos_;
    char escape = 0;
    if (acceptWord("escape")) {
      if (peek().kind != Tok::kString || peek().text.size() != 1) Refuse("ESCAPE is read only with one character");
      escape = peek().text[0];
      ++pos_;
    }
    std::string pattern;
    for (size_t i = 0; i < t.text.size(); ++i) {
      char c = t.text[i];
      bool escaped = false;
      if (escape && c == escape && i + 1 < t.text.size()) c = t.text[++i], escaped = true;
      if (!escaped && c == '%') pattern += '*';
      else if (!escaped && c == '_') pattern += '?';
      else if (c == '*' || c == '?' || c == '#' || c == '[') pattern += std::string("[") + c + "]";
      else pattern += c;
    }
    return {At(left, kAdd) + " " + neg + "Like " + AccessText(pattern), Type::kBoolean, kCompare};
  }

  Piece relational() {
    Piece p = bitwise();
    while (true) {
      std::string op;
      for (const char* o : {"<=", ">=", "<", ">"})
        if (op.empty() && acceptOp(o)) op = o;
      if (op.empty()) return p;
      p = compared(p, op, bitwise());
    }
  }
  Piece bitwise() {
    Piece p = additive();
    for (const char* op : {"&", "|", "<<", ">>"})
      if (isOp(op)) Refuse(std::string("the bit operator ") + op + " has no Access form here");
    return p;
  }
  Piece additive() {
    Piece p = multiplicative();
    while (isOp("+") || isOp("-")) {
      const std::string op = peek().text;
      ++pos_;
      Piece q = multiplicative();
      const Type type = p.type == Type::kInteger && q.type == Type::kInteger ? Type::kInteger : Type::kUnknown;
      p = {At(p, kAdd) + " " + op + " " + At(q, kMultiply), type, kAdd};
    }
    return p;
  }
  Piece multiplicative() {
    Piece p = concat();
    while (isOp("*") || isOp("/") || isOp("%")) {
      const std::string op = peek().text;
      ++pos_;
      Piece q = concat();
      const bool whole = p.type == Type::kInteger && q.type == Type::kInteger;
      if (op == "*") p = {At(p, kMultiply) + " * " + At(q, kUnary), whole ? Type::kInteger : Type::kUnknown, kMultiply};
      // Access divides as real numbers and reads \ and Mod after * and /.
      else if (op == "/" && !whole) p = {At(p, kMultiply) + " / " + At(q, kUnary), Type::kUnknown, kMultiply};
      else p = {At(p, kUnary) + (op == "/" ? " \\ " : " Mod ") + At(q, kUnary), whole ? Type::kInteger : Type::kUnknown, kAdd};
    }
    return p;
  }

  // a || b: Null when any part is Null, as in SQLite (Access's & would read it as "").
  Piece concat() {
    std::vector<Piece> parts{unary()};
    while (acceptOp("||")) parts.push_back(unary());
    if (parts.size() == 1) return parts[0];
    std::string joined, nullTest;
    for (const Piece& part : parts) {
      joined += (joined.empty() ? "" : " & ") + At(part, kAdd);
      if (!part.literal) nullTest += (nullTest.empty() ? "" : " Or ") + At(part, kAdd) + " Is Null";
    }
    if (nullTest.empty()) return {"(" + joined + ")", Type::kText};
    return {"IIf(" + nullTest + ", Null, " + joined + ")", Type::kText};
  }

  Piece unary() {
    Nested nested(*this);
    if (acceptOp("-")) {
      Piece p = unary();
      if (p.literal && (p.type == Type::kInteger || p.type == Type::kReal)) return {"-" + p.sql, p.type, kUnary, true};
      return {"-" + At(p, kUnary), p.type, kUnary};
    }
    if (acceptOp("+")) return unary();
    if (isOp("~")) Refuse("the bit operator ~ has no Access form here");
    Piece p = primary();
    if (acceptWord("collate")) collation();
    if (isOp("->")) Refuse("the JSON operators have no Access form");
    return p;
  }

  // Access compares texts without regard to case: NOCASE is what it does, others it cannot.
  void collation() {
    const std::string c = jet::AsciiLower(name());
    if (c != "nocase") Refuse("COLLATE " + c + " has no Access form (Access compares without regard to case)");
  }

  Piece primary() {
    const Token t = peek();
    switch (t.kind) {
      case Tok::kEnd:
        Refuse("the expression ends too early");
      case Tok::kNumber: {
        ++pos_;
        const bool whole = t.text.find_first_not_of("0123456789") == std::string::npos;
        return {t.text, whole ? Type::kInteger : Type::kReal, kAtom, true};
      }
      case Tok::kString: {
        ++pos_;
        Piece p{AccessText(t.text), Type::kText, kAtom, true};
        p.isoDate = IsoDate(t.text);
        return p;
      }
      case Tok::kOp:
        if (acceptOp("(")) {
          if (isWord("select") || isWord("with")) {
            const std::string sub = query();
            expectOp(")");
            return {"(" + sub + ")"};
          }
          Piece inner = expression();
          if (isOp(",")) Refuse("a row value (a, b) has no Access form");
          expectOp(")");
          inner.sql = "(" + inner.sql + ")";
          inner.level = kAtom;
          return inner;
        }
        Refuse("unexpected " + near());
      case Tok::kName:
        return column();
      case Tok::kWord:
        break;
    }
    const std::string word = jet::AsciiLower(t.text);
    if (word == "null") return ++pos_, Piece{"Null", Type::kNull};
    if (word == "true" || word == "false")
      return ++pos_, Piece{word == "true" ? "True" : "False", Type::kBoolean, kAtom, true};
    if (word == "current_date" || word == "current_time" || word == "current_timestamp")
      Refuse(t.text + " is the time in UTC, which Access has no form of (its Date() and Now() are local)");
    if (word == "case") return ++pos_, caseExpression();
    if (word == "cast") return ++pos_, cast();
    if (word == "exists") {
      ++pos_;
      expectOp("(");
      const std::string sub = query();
      expectOp(")");
      return {"EXISTS (" + sub + ")", Type::kBoolean};
    }
    if (word == "raise") Refuse("RAISE has no Access form");
    if (isOp("(", 1)) {
      pos_ += 2;
      return call(t.text);
    }
    return column();
  }

  // CASE [x] WHEN a THEN b ... [ELSE c] END as IIf(x = a, b, IIf(...)).
  Piece caseExpression() {
    std::optional<Piece> base;
    if (!isWord("when")) base = expression();
    std::vector<std::pair<Piece, Piece>> branches;
    while (acceptWord("when")) {
      Piece when = expression();
      expectWord("then");
      branches.push_back({base ? compared(*base, "=", when) : when, expression()});
    }
    if (branches.empty()) Refuse("CASE has no WHEN");
    Piece otherwise{"Null", Type::kNull};
    if (acceptWord("else")) otherwise = expression();
    expectWord("end");
    std::string sql = otherwise.sql;
    for (auto it = branches.rbegin(); it != branches.rend(); ++it)
      sql = "IIf(" + it->first.sql + ", " + it->second.sql + ", " + sql + ")";
    return {sql, branches.front().second.type};
  }

  Piece cast() {
    expectOp("(");
    Piece value = expression();
    expectWord("as");
    std::string type;
    while (peek().kind == Tok::kWord || peek().kind == Tok::kName) type += jet::AsciiLower(peek().text), ++pos_;
    if (acceptOp("(")) {
      while (!atEnd() && !isOp(")")) ++pos_;
      expectOp(")");
    }
    expectOp(")");
    // The affinity SQLite's rules give the type's name.
    if (type.find("int") != std::string::npos) return {"Fix(" + value.sql + ")", Type::kInteger};
    if (type.find("char") != std::string::npos || type.find("clob") != std::string::npos || type.find("text") != std::string::npos)
      return {"CStr(" + value.sql + ")", Type::kText};
    if (type.find("real") != std::string::npos || type.find("floa") != std::string::npos || type.find("doub") != std::string::npos)
      return {"CDbl(" + value.sql + ")", Type::kReal};
    Refuse("CAST to " + type + " has no Access form here");
  }

  Piece call(const std::string& written) {
    const std::string f = jet::AsciiLower(written);
    if (acceptWord("distinct")) Refuse(written + "(DISTINCT ...) has no Access form");
    std::vector<Piece> a;
    bool star = false;
    if (acceptOp("*")) star = true;
    else if (!isOp(")")) {
      do a.push_back(expression());
      while (acceptOp(","));
    }
    expectOp(")");
    if (isWord("over") || isWord("filter")) Refuse("it uses the window function " + written + ", which Access has no form of");
    auto need = [&](size_t low, size_t high) {
      if (star || a.size() < low || a.size() > high)
        Refuse(written + " is given " + std::to_string(a.size()) + " argument" + (a.size() == 1 ? "" : "s"));
    };
    auto args = [&](size_t from = 0) {
      std::string list;
      for (size_t i = from; i < a.size(); ++i) list += (i > from ? ", " : "") + a[i].sql;
      return list;
    };
    auto same = [&](const char* access, Type type) {
      need(1, 1);
      return Piece{std::string(access) + "(" + a[0].sql + ")", type};
    };
    if (f == "count") {
      if (star) return {"Count(*)", Type::kInteger};
      return same("Count", Type::kInteger);
    }
    if (f == "sum") return same("Sum", a.empty() ? Type::kUnknown : a[0].type);
    if (f == "avg") return same("Avg", Type::kReal);
    if ((f == "min" || f == "max") && a.size() == 1) return same(f == "min" ? "Min" : "Max", a[0].type);
    if (f == "total") return need(1, 1), Piece{"Nz(Sum(" + a[0].sql + "), 0)", Type::kReal};
    if (f == "coalesce" || f == "ifnull") {
      need(2, f == "ifnull" ? 2 : 100);
      std::string sql = a.back().sql;
      for (size_t i = a.size() - 1; i-- > 0;) sql = "Nz(" + a[i].sql + ", " + sql + ")";
      return {sql, a[0].type};
    }
    if (f == "nullif") return need(2, 2), Piece{"IIf(" + compared(a[0], "=", a[1]).sql + ", Null, " + a[0].sql + ")", a[0].type};
    if (f == "iif") return need(3, 3), Piece{"IIf(" + args() + ")", a[1].type};
    if (f == "substr" || f == "substring") {
      need(2, 3);
      for (size_t i = 1; i < a.size(); ++i)
        if (a[i].literal && (a[i].sql == "0" || a[i].sql[0] == '-'))
          Refuse(written + " from the end or before the start has no Mid form");
      return {"Mid(" + args() + ")", Type::kText};
    }
    if (f == "upper") return same("UCase", Type::kText);
    if (f == "lower") return same("LCase", Type::kText);
    if (f == "length") return same("Len", Type::kInteger);
    if (f == "trim" || f == "ltrim" || f == "rtrim") {
      if (a.size() != 1) Refuse(written + " of other characters than spaces has no Access form");
      return same(f == "trim" ? "Trim" : f == "ltrim" ? "LTrim" : "RTrim", Type::kText);
    }
    // SQLite compares these exactly: the Access forms with a binary comparison.
    if (f == "replace") return need(3, 3), Piece{"Replace(" + args() + ", 1, -1, 0)", Type::kText};
    if (f == "instr") return need(2, 2), Piece{"InStr(1, " + args() + ", 0)", Type::kInteger};
    if (f == "abs") return same("Abs", a.empty() ? Type::kUnknown : a[0].type);
    if (f == "round") return need(1, 2), Piece{"Round(" + args() + ")", a.size() == 1 ? Type::kInteger : Type::kReal};
    if (f == "char") return same("ChrW", Type::kText);
    if (f == "unicode") return same("AscW", Type::kInteger);
    if (f == "date" || f == "datetime" || f == "time" || f == "strftime") return dateCall(f, a);
    Refuse("it uses " + written + ", which Access has no form of");
  }

  // The local date and time as Date() and Now(); a date value's text by Format.
  Piece dateCall(const std::string& f, const std::vector<Piece>& a) {
    std::string pattern;
    size_t value = 0;
    if (f == "strftime") {
      if (a.size() < 2 || !a[0].literal || a[0].type != Type::kText) Refuse("strftime is read only with a literal pattern");
      pattern = FormatPattern(StringOf(a[0]));
      value = 1;
    } else {
      pattern = f == "date" ? "%Y-%m-%d" : f == "time" ? "%H:%M:%S" : "%Y-%m-%d %H:%M:%S";
      pattern = FormatPattern(pattern);
    }
    if (a.size() <= value) Refuse(f + " without a value reads the time in UTC, which Access has no form of");
    const bool now = a[value].literal && jet::AsciiLower(StringOf(a[value])) == "now";
    if (a.size() > value + 1) {
      if (!now || a.size() != value + 2 || !a[value + 1].literal || jet::AsciiLower(StringOf(a[value + 1])) != "localtime")
        Refuse(f + " with modifiers has no Access form here");
    } else if (now) {
      Refuse(f + "('now') is the time in UTC, which Access has no form of (its Date() and Now() are local)");
    }
    if (now && f == "date") return {"Format(Date(), " + AccessText(pattern) + ")", Type::kText};
    const std::string of = now ? "Now()" : a[value].sql;
    return {"Format(" + of + ", " + AccessText(pattern) + ")", Type::kText};
  }

  static std::string StringOf(const Piece& literal) {
    std::string out;
    for (size_t i = 1; i + 1 < literal.sql.size(); ++i) {
      out += literal.sql[i];
      if (literal.sql[i] == '"') ++i;
    }
    return out;
  }

  // A column: name, or table.name; a bare name is looked up in the sources (innermost SELECT
  // first) and written with its table, or is a result's name outside the list of columns.
  Piece column() {
    const std::string first = name();
    if (acceptOp(".")) {
      const std::string second = name();
      if (acceptOp(".")) Refuse("it reads a column of another schema (" + first + "." + second + ")");
      for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope)
        for (const Source& s : scope->sources)
          if (jet::AsciiLower(s.alias) == jet::AsciiLower(first)) return {Bracketed(s.alias) + "." + Bracketed(second), kindOf(s.table, second)};
      return {Bracketed(first) + "." + Bracketed(second)};
    }
    const Scope& own = scopes_.back();
    if (own.resultsFirst)
      if (auto result = resultNamed(own, first)) return *result;
    for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope) {
      for (const Source& s : scope->sources) {
        if (s.table.empty() || !columns_) continue;
        if (auto kind = columns_(s.table, first)) return {Bracketed(s.alias) + "." + Bracketed(first), TypeOf(*kind)};
      }
    }
    if (auto result = resultNamed(own, first)) return *result;
    return {Bracketed(first)};
  }

  std::optional<Piece> resultNamed(const Scope& scope, const std::string& name) const {
    if (!scope.columns || scope.sources.empty()) return std::nullopt;
    for (const Column& c : *scope.columns)
      if (!c.alias.empty() && jet::AsciiLower(c.alias) == jet::AsciiLower(name)) return Piece{"(" + c.sql + ")"};
    return std::nullopt;
  }

  Type kindOf(const std::string& table, const std::string& column) const {
    if (table.empty() || !columns_) return Type::kUnknown;
    const auto kind = columns_(table, column);
    return kind ? TypeOf(*kind) : Type::kUnknown;
  }

  // --- tokens ---

  std::string name() {
    const Token& t = peek();
    if (t.kind != Tok::kName && t.kind != Tok::kWord && t.kind != Tok::kString) Refuse("expected a name at " + near());
    ++pos_;
    return t.text;
  }
  const Token& peek(long ahead = 0) const {
    const long at = std::clamp(static_cast<long>(pos_) + ahead, 0L, static_cast<long>(tokens_.size()) - 1);
    return tokens_[static_cast<size_t>(at)];
  }
  bool atEnd() const { return peek().kind == Tok::kEnd; }
  bool isOp(const char* op, long ahead = 0) const { return peek(ahead).kind == Tok::kOp && peek(ahead).text == op; }
  bool isWord(const char* word, long ahead = 0) const {
    return peek(ahead).kind == Tok::kWord && jet::AsciiLower(peek(ahead).text) == word;
  }
  bool acceptOp(const char* op) { return isOp(op) && (++pos_, true); }
  bool acceptWord(const char* word) { return isWord(word) && (++pos_, true); }
  void expectOp(const char* op) {
    if (!acceptOp(op)) Refuse(std::string("expected '") + op + "' at " + near());
  }
  void expectWord(const char* word) {
    if (!acceptWord(word)) Refuse(std::string("expected ") + word + " at " + near());
  }
  std::string near() const { return atEnd() ? "the end" : "'" + peek().text + "'"; }

  std::string_view text_;
  std::vector<Token> tokens_;
  const ColumnLookup& columns_;
  std::deque<Scope> scopes_;  // a deque: a subquery pushes one while a reference to its outer one is held
  size_t pos_ = 0;
  int depth_ = 0;
};

}  // namespace

ColumnKind KindOfDeclaredType(const std::string& declaredType) {
  const std::string t = jet::AsciiLower(declaredType);
  if (t.find("bool") != std::string::npos) return ColumnKind::kBoolean;
  if (t.find("date") != std::string::npos || t.find("time") != std::string::npos) return ColumnKind::kDate;
  if (t.find("int") != std::string::npos) return ColumnKind::kInteger;
  return ColumnKind::kOther;
}

AccessQuerySql TranslateSQLiteView(std::string_view createView, const ColumnLookup& columns) {
  AccessQuerySql out;
  try {
    Parser parser(createView, columns);
    out.sql = parser.view();
    out.sources = parser.sources;
  } catch (const Untranslatable& u) {
    out.sql.clear();
    out.reason = u.reason;
  }
  return out;
}

}  // namespace transfer
