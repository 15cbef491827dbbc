#include "ado/access/AccessSql.h"

#include "jet/Text.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>

namespace ado::access {

namespace {

using jet::ErrorCode;
using jet::Status;

// ---- Tokens ----------------------------------------------------------------------------

enum class TokenKind {
  kWord,    // bare word: keyword, bare name or type word
  kName,    // `name` or [name], delimiters removed and doubled closers undone
  kString,  // 'text', quotes removed and '' undone
  kNumber,  // unsigned number: digits, optional point and fraction, optional exponent
  kBinary,  // 0x... : text holds the hex digits
  kSymbol,  // one of ( ) , ; * . + - ?
  kEnd,
};

// A token's text points into the statement, or into the parser's buffer when doubled
// delimiters had to be undone; it stays valid until the next token is read.
struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::string_view text;
  size_t offset = 0;  // where the token starts in the statement
};

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
// Bytes of a bare word: ASCII letters, digits, "_" and every byte of a non-ASCII character.
bool IsWordByte(char c) { return IsAsciiLetter(c) || IsDigit(c) || c == '_' || static_cast<unsigned char>(c) >= 0x80; }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameWord(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiUpper(x) == AsciiUpper(y); });
}

// The statement's first characters, for messages: cut at a character boundary, line breaks
// and other control characters shown as spaces.
std::string StatementBeginning(std::string_view statement) {
  constexpr size_t kShown = 60;
  size_t length = statement.size();
  bool cut = false;
  if (length > kShown) {
    length = kShown;
    while (length > 0 && (static_cast<unsigned char>(statement[length]) & 0xC0) == 0x80) --length;
    cut = true;
  }
  std::string shown(statement.substr(0, length));
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  return cut ? shown + "..." : shown;
}

class Parser {
 public:
  explicit Parser(std::string_view statement) : statement_(statement) {}

  jet::Result<AccessStatement> Parse();

 private:
  // Tokenizing: reads the next token into current_, or fails.
  Status Advance();
  Status ReadDelimitedName(char close);
  Status ReadString();
  Status ReadNumber();

  // Grammar.
  jet::Result<AccessStatement> ParseSelect();
  jet::Result<AccessStatement> ParseSelectComplex(std::string first, bool dotted);
  jet::Result<AccessStatement> ParseCreate();
  jet::Result<AccessStatement> ParseInsert();
  jet::Result<AccessStatement> ParseDrop();
  jet::Result<std::string> ParseName(std::string_view what);
  jet::Result<SqlColumnDefinition> ParseColumnDefinition();
  // AutoNumber, NOT NULL, DEFAULT and foreign keys (see their definitions below).
  Status ParseNullAndDefault(SqlColumnDefinition& column);
  jet::Result<std::vector<std::string>> ParseColumnList(std::string_view what, std::string_view after);
  jet::Result<AccessStatement> ParseAlter();
  Status ParseReferentialActions(AddForeignKeyStatement& key);
  // Keys and indexes (CREATE TABLE constraints, CREATE INDEX).
  bool AtKeyConstraint() const { return AtWord("CONSTRAINT") || AtWord("PRIMARY") || AtWord("UNIQUE"); }
  // Validation rules and texts (of a column or the table), calculated columns' expressions.
  bool AtValidation() const;
  Status ParseValidation(std::optional<std::string>& rule, std::optional<std::string>& text, const std::string& of);
  Status ParseColumnKeys(const std::string& column, CreateTableStatement& create);
  Status ParseTableKey(CreateTableStatement& create);
  Status ParseKeyKind(SqlKeyConstraint& key, std::string_view after);
  Status CheckKeys(const CreateTableStatement& create) const;
  jet::Result<AccessStatement> ParseCreateIndex();
  // Reads one value into `literal` (a fresh one).
  // A ? marker is a value only where a row's values are (INSERT ... VALUES).
  Status ParseLiteral(SqlLiteral& literal, bool markerAllowed = false);
  Status ExpectWord(std::string_view keyword, std::string_view after);
  Status ExpectSymbol(char symbol, std::string_view after);
  Status ExpectStatementEnd();

  bool AtWord(std::string_view keyword) const {
    return current_.kind == TokenKind::kWord && SameWord(current_.text, keyword);
  }
  bool AtSymbol(char symbol) const {
    return current_.kind == TokenKind::kSymbol && current_.text.size() == 1 && current_.text[0] == symbol;
  }

  std::string DescribeCurrent() const;
  Status Error(std::string what) const {
    return {ErrorCode::kInvalidArgument, "Syntax error in the statement \"" + StatementBeginning(statement_) +
                                             "\": " + std::move(what) + "."};
  }
  Status Expected(std::string_view what, std::string_view after) const {
    return Error("expected " + std::string(what) + " after " + std::string(after) + ", found " + DescribeCurrent());
  }

  // Reads up to the closing `close`, undoing doubled closers; `start` is the opening one.
  bool ReadDelimited(char close, size_t start);

  std::string_view statement_;
  size_t position_ = 0;
  Token current_;
  std::string unescaped_;  // text of the current token when it had doubled delimiters
};

Status Parser::Advance() {
  while (position_ < statement_.size() && IsSpace(statement_[position_])) ++position_;
  current_.kind = TokenKind::kEnd;
  current_.text = {};
  current_.offset = position_;
  if (position_ >= statement_.size()) {
    current_.kind = TokenKind::kEnd;
    return Status::Ok();
  }
  const char c = statement_[position_];
  if (c == '`') return ReadDelimitedName('`');
  if (c == '[') return ReadDelimitedName(']');
  if (c == '\'') return ReadString();
  if (IsDigit(c) || (c == '.' && position_ + 1 < statement_.size() && IsDigit(statement_[position_ + 1])))
    return ReadNumber();
  if (IsWordByte(c)) {
    const size_t start = position_;
    while (position_ < statement_.size() && IsWordByte(statement_[position_])) ++position_;
    current_.kind = TokenKind::kWord;
    current_.text = statement_.substr(start, position_ - start);
    return Status::Ok();
  }
  if (std::string_view("(),;*.+-?").find(c) != std::string_view::npos) {
    current_.kind = TokenKind::kSymbol;
    current_.text = statement_.substr(position_++, 1);
    return Status::Ok();
  }
  if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
    return Error("unexpected control character " + std::to_string(static_cast<unsigned char>(c)) +
                 " at position " + std::to_string(position_ + 1));
  return Error(std::string("unexpected character \"") + c + "\" at position " + std::to_string(position_ + 1));
}

// Text up to the first `close` that is not doubled. Most values have no doubled closer and
// are taken as a view of the statement; the others are copied once, piece by piece between
// closers, with the doubles undone (the copy then becomes the value: see ParseLiteral).
bool Parser::ReadDelimited(char close, size_t start) {
  const char* const begin = statement_.data();
  const char* const end = begin + statement_.size();
  const char* from = begin + start + 1;
  auto find = [&](const char* at) {
    return static_cast<const char*>(std::memchr(at, close, static_cast<size_t>(end - at)));
  };
  const char* at = find(from);
  if (!at) return false;
  if (at + 1 >= end || at[1] != close) {
    current_.text = std::string_view(from, static_cast<size_t>(at - from));
    position_ = static_cast<size_t>(at + 1 - begin);
    return true;
  }
  // Room for the rest of the statement when it is short (a value and its row), else grown as needed.
  constexpr size_t kReserved = 4096;
  unescaped_.clear();
  unescaped_.reserve(std::min(static_cast<size_t>(end - from), kReserved));
  while (true) {
    unescaped_.append(from, static_cast<size_t>(at + 1 - from));  // up to and with one closer
    from = at + 2;
    at = find(from);
    if (!at) return false;
    if (at + 1 >= end || at[1] != close) break;
  }
  unescaped_.append(from, static_cast<size_t>(at - from));
  current_.text = unescaped_;
  position_ = static_cast<size_t>(at + 1 - begin);
  return true;
}

// `name` or [name].
Status Parser::ReadDelimitedName(char close) {
  const size_t start = position_;
  if (!ReadDelimited(close, start))
    return Error(std::string("the name that starts at position ") + std::to_string(start + 1) +
                 " has no closing " + (close == '`' ? "back-quote" : "bracket"));
  current_.kind = TokenKind::kName;
  return Status::Ok();
}

Status Parser::ReadString() {
  const size_t start = position_;
  if (!ReadDelimited('\'', start))
    return Error("the text that starts at position " + std::to_string(start + 1) + " has no closing quote");
  current_.kind = TokenKind::kString;
  return Status::Ok();
}

Status Parser::ReadNumber() {
  const size_t start = position_;
  auto digits = [&] {
    const size_t from = position_;
    while (position_ < statement_.size() && IsDigit(statement_[position_])) ++position_;
    return position_ - from;
  };
  if (statement_.substr(position_, 2) == "0x" || statement_.substr(position_, 2) == "0X") {
    position_ += 2;
    const size_t from = position_;
    while (position_ < statement_.size() && IsHexDigit(statement_[position_])) ++position_;
    if (position_ < statement_.size() && IsWordByte(statement_[position_]))
      return Error("the binary value at position " + std::to_string(start + 1) + " holds a character that is not a hex digit");
    if ((position_ - from) % 2 != 0)
      return Error("the binary value at position " + std::to_string(start + 1) + " has an odd number of hex digits");
    current_.kind = TokenKind::kBinary;
    current_.text = statement_.substr(from, position_ - from);
    return Status::Ok();
  }
  const size_t whole = digits();
  size_t fraction = 0;
  if (position_ < statement_.size() && statement_[position_] == '.') {
    ++position_;
    fraction = digits();
  }
  if (whole + fraction == 0) return Error("a number at position " + std::to_string(start + 1) + " has no digits");
  if (position_ < statement_.size() && (statement_[position_] == 'e' || statement_[position_] == 'E')) {
    ++position_;
    if (position_ < statement_.size() && (statement_[position_] == '+' || statement_[position_] == '-')) ++position_;
    if (digits() == 0)
      return Error("the number at position " + std::to_string(start + 1) + " has an exponent without digits");
  }
  if (position_ < statement_.size() && (IsWordByte(statement_[position_]) || statement_[position_] == '.'))
    return Error("the number at position " + std::to_string(start + 1) + " runs into other characters");
  current_.kind = TokenKind::kNumber;
  current_.text = statement_.substr(start, position_ - start);
  return Status::Ok();
}

std::string Parser::DescribeCurrent() const {
  switch (current_.kind) {
    case TokenKind::kEnd: return "the end of the statement";
    case TokenKind::kString: return "a text value";
    case TokenKind::kNumber: return "the number " + std::string(current_.text);
    case TokenKind::kBinary: return "a binary value";
    case TokenKind::kName: return "a quoted name";
    default: return "\"" + std::string(current_.text) + "\"";
  }
}

Status Parser::ExpectWord(std::string_view keyword, std::string_view after) {
  if (!AtWord(keyword)) return Expected(keyword, after);
  return Advance();
}

Status Parser::ExpectSymbol(char symbol, std::string_view after) {
  if (!AtSymbol(symbol)) return Expected(std::string("\"") + symbol + "\"", after);
  return Advance();
}

// An optional ";" and then nothing at all.
Status Parser::ExpectStatementEnd() {
  if (AtSymbol(';')) JET_RETURN_IF_ERROR(Advance());
  if (current_.kind != TokenKind::kEnd)
    return Error("the statement is complete, but " + DescribeCurrent() + " follows at position " +
                 std::to_string(current_.offset + 1));
  return Status::Ok();
}

jet::Result<std::string> Parser::ParseName(std::string_view what) {
  if (current_.kind != TokenKind::kWord && current_.kind != TokenKind::kName)
    return Error("expected " + std::string(what) + ", found " + DescribeCurrent());
  std::string name(current_.text);
  // Not a slip of syntax: Access has no such name, whatever the statement.
  if (name.empty())
    return Status(ErrorCode::kInvalidArgument, "The name \"\" is not allowed in Access: " + std::string(what) +
                                                   " may not be empty.");
  JET_RETURN_IF_ERROR(Advance());
  return name;
}

jet::Result<AccessStatement> Parser::Parse() {
  JET_RETURN_IF_ERROR(Advance());
  if (AtWord("SELECT")) return ParseSelect();
  if (AtWord("CREATE")) return ParseCreate();
  if (AtWord("INSERT")) return ParseInsert();
  if (AtWord("DROP")) return ParseDrop();
  if (AtWord("ALTER")) return ParseAlter();
  return Status(ErrorCode::kInvalidArgument,
                "The statement \"" + StatementBeginning(statement_) +
                    "\" is not one this database understands: it takes SELECT * FROM, SELECT ... INTO, "
                    "CREATE TABLE, CREATE INDEX, CREATE VIEW, INSERT INTO ... VALUES, DROP TABLE and ALTER TABLE ... ADD "
                    "CONSTRAINT.");
}

jet::Result<AccessStatement> Parser::ParseSelect() {
  JET_RETURN_IF_ERROR(Advance());
  std::optional<std::string> alias;
  if (!AtSymbol('*')) {
    JET_ASSIGN_OR_RETURN(alias, ParseName("\"*\", a table alias or a column"));
    if (!AtSymbol('.')) return ParseSelectComplex(std::move(*alias), false);
    JET_RETURN_IF_ERROR(Advance());  // the "."
    if (!AtSymbol('*')) return ParseSelectComplex(std::move(*alias), true);
  }
  JET_RETURN_IF_ERROR(Advance());  // the "*"
  if (AtWord("FROM") && !alias) {
    JET_RETURN_IF_ERROR(Advance());
    JET_ASSIGN_OR_RETURN(auto table, ParseName("a table name"));
    JET_RETURN_IF_ERROR(ExpectStatementEnd());
    return AccessStatement(SelectAllStatement{std::move(table)});
  }
  JET_RETURN_IF_ERROR(ExpectWord("INTO", alias ? "\"" + *alias + ".*\"" : "\"SELECT *\""));
  JET_ASSIGN_OR_RETURN(auto target, ParseName("the name of the new table"));
  JET_RETURN_IF_ERROR(CheckAccessObjectName(target, "table"));
  JET_RETURN_IF_ERROR(ExpectWord("FROM", "the name of the new table"));
  JET_ASSIGN_OR_RETURN(auto source, ParseName("a table name"));
  if (alias) {
    JET_RETURN_IF_ERROR(ExpectWord("AS", "the source table"));
    JET_ASSIGN_OR_RETURN(auto sourceAlias, ParseName("the alias " + *alias));
    if (!SameWord(sourceAlias, *alias))
      return Error("the alias \"" + sourceAlias + "\" is not the \"" + *alias + "\" the columns are taken from");
  }
  JET_RETURN_IF_ERROR(ExpectStatementEnd());
  return AccessStatement(SelectIntoStatement{std::move(target), std::move(source)});
}

// After the first name of the column list; `dotted`: and after the "." before its part.
jet::Result<AccessStatement> Parser::ParseSelectComplex(std::string first, bool dotted) {
  SelectComplexStatement select;
  std::string name = std::move(first);
  for (;;) {
    SelectComplexStatement::Column column{std::move(name), {}};
    if (dotted) {
      JET_ASSIGN_OR_RETURN(column.part, ParseName("a part of the column " + column.name));
    }
    select.columns.push_back(std::move(column));
    if (!AtSymbol(',')) break;
    JET_RETURN_IF_ERROR(Advance());
    JET_ASSIGN_OR_RETURN(name, ParseName("a column"));
    dotted = AtSymbol('.');
    if (dotted) JET_RETURN_IF_ERROR(Advance());
  }
  JET_RETURN_IF_ERROR(ExpectWord("FROM", "the columns"));
  JET_ASSIGN_OR_RETURN(select.table, ParseName("a table name"));
  JET_RETURN_IF_ERROR(ExpectStatementEnd());
  if (std::none_of(select.columns.begin(), select.columns.end(), [](const auto& c) { return !c.part.empty(); }))
    return Error("a column list reads the parts of an attachment or multi-value column (column.Value, "
                 "column.FileData, ...); a table's rows are read with SELECT * FROM");
  return AccessStatement(std::move(select));
}

jet::Result<AccessStatement> Parser::ParseCreate() {
  JET_RETURN_IF_ERROR(Advance());
  if (AtWord("UNIQUE") || AtWord("INDEX")) return ParseCreateIndex();
  if (AtWord("VIEW")) {
    // The query's own SQL is the engine's to read (jet/SavedQueries.h): kept as written.
    JET_RETURN_IF_ERROR(Advance());
    JET_ASSIGN_OR_RETURN(auto name, ParseName("a query name"));
    JET_RETURN_IF_ERROR(CheckAccessObjectName(name, "query"));
    if (!AtWord("AS")) return Expected("AS", "the query name");
    const size_t start = current_.offset + current_.text.size();
    std::string select(statement_.substr(std::min(start, statement_.size())));
    return AccessStatement(CreateViewStatement{std::move(name), std::move(select)});
  }
  JET_RETURN_IF_ERROR(ExpectWord("TABLE", "CREATE"));
  JET_ASSIGN_OR_RETURN(auto table, ParseName("a table name"));
  JET_RETURN_IF_ERROR(CheckAccessObjectName(table, "table"));
  JET_RETURN_IF_ERROR(ExpectSymbol('(', "the table name"));
  CreateTableStatement create{std::move(table), {}, {}};
  while (true) {
    if (AtKeyConstraint() || AtValidation()) {
      if (AtValidation()) {
        JET_RETURN_IF_ERROR(ParseValidation(create.validationRule, create.validationText, "the table"));
      } else {
        JET_RETURN_IF_ERROR(ParseTableKey(create));
      }
      if (AtSymbol(',')) {
        JET_RETURN_IF_ERROR(Advance());
        continue;
      }
      JET_RETURN_IF_ERROR(ExpectSymbol(')', "the constraint"));
      break;
    }
    JET_ASSIGN_OR_RETURN(auto column, ParseColumnDefinition());
    for (const SqlColumnDefinition& earlier : create.columns)
      if (SameWord(earlier.name, column.name))
        return Status(ErrorCode::kInvalidArgument, "The table \"" + create.table + "\" would have the columns \"" +
                                                       earlier.name + "\" and \"" + column.name +
                                                       "\", which Access takes for one name (names are compared "
                                                       "without regard to case).");
    create.columns.push_back(std::move(column));
    // NOT NULL, DEFAULT, keys, validation and the expression may follow the type in any order.
    while (AtKeyConstraint() || AtWord("NOT") || AtWord("NULL") || AtWord("DEFAULT") || AtValidation() ||
           AtWord("EXPRESSION")) {
      JET_RETURN_IF_ERROR(ParseColumnKeys(create.columns.back().name, create));
      JET_RETURN_IF_ERROR(ParseNullAndDefault(create.columns.back()));
    }
    if (create.columns.size() > kMaxColumnsPerTable)
      return Status(ErrorCode::kInvalidArgument, "The table \"" + create.table + "\" would have more than " +
                                                     std::to_string(kMaxColumnsPerTable) + " columns, the most Access allows.");
    if (AtSymbol(',')) {
      JET_RETURN_IF_ERROR(Advance());
      continue;
    }
    JET_RETURN_IF_ERROR(ExpectSymbol(')', "the column \"" + create.columns.back().name + "\""));
    break;
  }
  JET_RETURN_IF_ERROR(ExpectStatementEnd());
  if (create.columns.empty()) return Error("the table \"" + create.table + "\" has no column");
  JET_RETURN_IF_ERROR(CheckKeys(create));
  return AccessStatement(std::move(create));
}

jet::Result<SqlColumnDefinition> Parser::ParseColumnDefinition() {
  JET_ASSIGN_OR_RETURN(auto name, ParseName("a column name"));
  JET_RETURN_IF_ERROR(CheckAccessObjectName(name, "column"));
  if (current_.kind != TokenKind::kWord) return Expected("a column type", "the column \"" + name + "\"");
  const std::string word(current_.text);
  JET_RETURN_IF_ERROR(Advance());
  std::vector<int64_t> sizes;
  if (AtSymbol('(')) {
    JET_RETURN_IF_ERROR(Advance());
    while (true) {
      if (current_.kind != TokenKind::kNumber ||
          !std::all_of(current_.text.begin(), current_.text.end(), IsDigit))
        return Expected("a whole number", "\"" + word + "(\"");
      int64_t size = 0;
      for (char digit : current_.text) size = std::min<int64_t>(size * 10 + (digit - '0'), 1'000'000);
      sizes.push_back(size);
      JET_RETURN_IF_ERROR(Advance());
      if (AtSymbol(',')) {
        JET_RETURN_IF_ERROR(Advance());
        continue;
      }
      JET_RETURN_IF_ERROR(ExpectSymbol(')', "the size of " + word));
      break;
    }
  }
  auto type = ResolveTypeWord(word, sizes);
  if (!type.ok()) {
    std::string message = type.status().message();
    message[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(message[0])));
    return Status(type.status().code(), "Column \"" + name + "\": " + message);
  }
  SqlColumnDefinition column{std::move(name), type.value()};
  JET_RETURN_IF_ERROR(ParseNullAndDefault(column));
  return column;
}

jet::Result<AccessStatement> Parser::ParseInsert() {
  JET_RETURN_IF_ERROR(Advance());
  JET_RETURN_IF_ERROR(ExpectWord("INTO", "INSERT"));
  JET_ASSIGN_OR_RETURN(auto table, ParseName("a table name"));
  std::vector<std::string> columns;
  if (AtSymbol('(')) {
    JET_ASSIGN_OR_RETURN(columns, ParseColumnList("a column name", "the table name"));
  }
  JET_RETURN_IF_ERROR(ExpectWord("VALUES", columns.empty() ? "the table name" : "the column list"));
  JET_RETURN_IF_ERROR(ExpectSymbol('(', "VALUES"));
  InsertStatement insert{std::move(table), {}, std::move(columns)};
  insert.values.reserve(16);
  while (true) {
    JET_RETURN_IF_ERROR(ParseLiteral(insert.values.emplace_back(), true));
    if (AtSymbol(',')) {
      JET_RETURN_IF_ERROR(Advance());
      continue;
    }
    if (!AtSymbol(')')) return Expected("\")\"", "value " + std::to_string(insert.values.size()));
    JET_RETURN_IF_ERROR(Advance());
    break;
  }
  if (!insert.columns.empty() && insert.columns.size() != insert.values.size())
    return Error("the column list names " + std::to_string(insert.columns.size()) + " columns but " +
                 std::to_string(insert.values.size()) + " values follow");
  JET_RETURN_IF_ERROR(ExpectStatementEnd());
  return AccessStatement(std::move(insert));
}

Status Parser::ParseLiteral(SqlLiteral& literal, bool markerAllowed) {
  if (markerAllowed && AtSymbol('?')) {
    literal.kind = SqlLiteral::Kind::kMarker;
    return Advance();
  }
  std::string_view sign;
  if (AtSymbol('+') || AtSymbol('-')) {
    sign = current_.text;  // a view of the statement
    JET_RETURN_IF_ERROR(Advance());
    if (current_.kind != TokenKind::kNumber) return Expected("a number", "the sign \"" + std::string(sign) + "\"");
  }
  switch (current_.kind) {
    case TokenKind::kString:
      literal.kind = SqlLiteral::Kind::kText;
      // Text that had doubled quotes was copied once already: that copy becomes the value.
      if (current_.text.data() == unescaped_.data()) literal.text = std::move(unescaped_);
      else literal.text.assign(current_.text);
      break;
    case TokenKind::kNumber:
      literal.kind = SqlLiteral::Kind::kNumber;
      literal.text.reserve(sign.size() + current_.text.size());
      literal.text.assign(sign).append(current_.text);
      break;
    case TokenKind::kBinary: {
      literal.kind = SqlLiteral::Kind::kBinary;
      literal.bytes.reserve(current_.text.size() / 2);
      auto nibble = [](char c) {
        return static_cast<uint8_t>(IsDigit(c) ? c - '0' : (std::tolower(static_cast<unsigned char>(c)) - 'a' + 10));
      };
      for (size_t i = 0; i + 1 < current_.text.size(); i += 2)
        literal.bytes.push_back(static_cast<uint8_t>(nibble(current_.text[i]) << 4 | nibble(current_.text[i + 1])));
      break;
    }
    case TokenKind::kWord:
      if (AtWord("NULL")) {
        literal.kind = SqlLiteral::Kind::kNull;
      } else if (AtWord("TRUE") || AtWord("FALSE")) {
        literal.kind = SqlLiteral::Kind::kBoolean;
        literal.boolean = AtWord("TRUE");
      } else {
        return Error("expected a value, found " + DescribeCurrent());
      }
      break;
    default: return Error("expected a value, found " + DescribeCurrent());
  }
  return Advance();
}

jet::Result<AccessStatement> Parser::ParseDrop() {
  JET_RETURN_IF_ERROR(Advance());
  JET_RETURN_IF_ERROR(ExpectWord("TABLE", "DROP"));
  JET_ASSIGN_OR_RETURN(auto table, ParseName("a table name"));
  JET_RETURN_IF_ERROR(ExpectStatementEnd());
  return AccessStatement(DropTableStatement{std::move(table)});
}

// ---- AutoNumber, NOT NULL, DEFAULT, foreign keys -------------------------------------------

// After a column's type: NOT NULL, NULL (the default) and DEFAULT literal (or one of the
// clock's functions, which Access computes for each new row), in any order.
Status Parser::ParseNullAndDefault(SqlColumnDefinition& column) {
  while (true) {
    if (AtWord("NOT")) {
      JET_RETURN_IF_ERROR(Advance());
      JET_RETURN_IF_ERROR(ExpectWord("NULL", "NOT"));
      column.notNull = true;
    } else if (AtWord("NULL")) {
      JET_RETURN_IF_ERROR(Advance());
    } else if (AtWord("DEFAULT")) {
      if (column.defaultValue || column.defaultClock) return Error("the column \"" + column.name + "\" has two defaults");
      JET_RETURN_IF_ERROR(Advance());
      for (const char* clock : {"Now", "Date", "Time"}) {
        if (!AtWord(clock)) continue;
        JET_RETURN_IF_ERROR(Advance());
        JET_RETURN_IF_ERROR(ExpectSymbol('(', clock));
        JET_RETURN_IF_ERROR(ExpectSymbol(')', clock));
        column.defaultClock = std::string(clock) + "()";
        break;
      }
      if (column.defaultClock) continue;
      column.defaultValue.emplace();
      JET_RETURN_IF_ERROR(ParseLiteral(*column.defaultValue));
    } else if (AtValidation()) {
      JET_RETURN_IF_ERROR(ParseValidation(column.validationRule, column.validationText, "the column \"" + column.name + "\""));
    } else if (AtWord("EXPRESSION")) {
      if (column.expression) return Error("the column \"" + column.name + "\" has two expressions");
      JET_RETURN_IF_ERROR(Advance());
      if (current_.kind != TokenKind::kString || current_.text.empty())
        return Expected("the expression as a text literal", "EXPRESSION");
      column.expression = std::string(current_.text);
      JET_RETURN_IF_ERROR(Advance());
    } else {
      return Status::Ok();
    }
  }
}

// VALIDATION RULE 'text' or VALIDATION TEXT 'text'. A column named Validation of type TEXT is
// no such clause: no text literal follows it.
bool Parser::AtValidation() const {
  if (!AtWord("VALIDATION")) return false;
  Parser probe = *this;
  if (!probe.Advance().ok() || !(probe.AtWord("RULE") || probe.AtWord("TEXT"))) return false;
  return probe.Advance().ok() && probe.current_.kind == TokenKind::kString;
}

Status Parser::ParseValidation(std::optional<std::string>& rule, std::optional<std::string>& text,
                               const std::string& of) {
  JET_RETURN_IF_ERROR(Advance());
  const bool isRule = AtWord("RULE");
  std::optional<std::string>& target = isRule ? rule : text;
  if (target) return Error(of + " has two validation " + (isRule ? "rules" : "texts"));
  JET_RETURN_IF_ERROR(Advance());
  if (current_.text.empty()) return Error(of + " has an empty validation " + std::string(isRule ? "rule" : "text"));
  target = std::string(current_.text);
  return Advance();
}

// "(" name, ... ")": at least one name, none twice (compared without regard to case).
jet::Result<std::vector<std::string>> Parser::ParseColumnList(std::string_view what, std::string_view after) {
  JET_RETURN_IF_ERROR(ExpectSymbol('(', after));
  std::vector<std::string> names;
  while (true) {
    auto name = ParseName(what);
    if (!name.ok()) return name.status();
    for (const auto& earlier : names)
      if (SameWord(earlier, *name)) return Error("the column \"" + *name + "\" is named twice");
    names.push_back(std::move(name.value()));
    if (AtSymbol(',')) {
      JET_RETURN_IF_ERROR(Advance());
      continue;
    }
    JET_RETURN_IF_ERROR(ExpectSymbol(')', "the column \"" + names.back() + "\""));
    return names;
  }
}

jet::Result<AccessStatement> Parser::ParseAlter() {
  JET_RETURN_IF_ERROR(Advance());
  JET_RETURN_IF_ERROR(ExpectWord("TABLE", "ALTER"));
  AddForeignKeyStatement key;
  auto table = ParseName("a table name");
  if (!table.ok()) return table.status();
  key.table = std::move(table.value());
  JET_RETURN_IF_ERROR(ExpectWord("ADD", "the table name"));
  JET_RETURN_IF_ERROR(ExpectWord("CONSTRAINT", "ADD"));
  auto name = ParseName("the constraint's name");
  if (!name.ok()) return name.status();
  key.name = std::move(name.value());
  JET_RETURN_IF_ERROR(CheckAccessObjectName(key.name, "relationship"));
  JET_RETURN_IF_ERROR(ExpectWord("FOREIGN", "the constraint's name"));
  JET_RETURN_IF_ERROR(ExpectWord("KEY", "FOREIGN"));
  auto columns = ParseColumnList("a column name", "FOREIGN KEY");
  if (!columns.ok()) return columns.status();
  key.columns = std::move(columns.value());
  JET_RETURN_IF_ERROR(ExpectWord("REFERENCES", "the foreign key's columns"));
  auto parent = ParseName("the referenced table's name");
  if (!parent.ok()) return parent.status();
  key.referencedTable = std::move(parent.value());
  if (AtSymbol('(')) {
    auto referenced = ParseColumnList("a column name", "the referenced table's name");
    if (!referenced.ok()) return referenced.status();
    key.referencedColumns = std::move(referenced.value());
    if (key.referencedColumns.size() != key.columns.size())
      return Error("the foreign key has " + std::to_string(key.columns.size()) + " columns but refers to " +
                   std::to_string(key.referencedColumns.size()));
  }
  JET_RETURN_IF_ERROR(ParseReferentialActions(key));
  JET_RETURN_IF_ERROR(ExpectStatementEnd());
  return AccessStatement(std::move(key));
}

// [ON UPDATE CASCADE|NO ACTION] [ON DELETE CASCADE|NO ACTION], each at most once.
Status Parser::ParseReferentialActions(AddForeignKeyStatement& key) {
  bool update = false, remove = false;
  while (AtWord("ON")) {
    JET_RETURN_IF_ERROR(Advance());
    const bool isUpdate = AtWord("UPDATE");
    if (!isUpdate && !AtWord("DELETE")) return Expected("UPDATE or DELETE", "ON");
    const std::string event = isUpdate ? "UPDATE" : "DELETE";
    if (isUpdate ? update : remove) return Error("ON " + event + " is given twice");
    (isUpdate ? update : remove) = true;
    JET_RETURN_IF_ERROR(Advance());
    bool cascade = false;
    if (AtWord("CASCADE")) {
      cascade = true;
      JET_RETURN_IF_ERROR(Advance());
    } else if (AtWord("NO")) {
      JET_RETURN_IF_ERROR(Advance());
      JET_RETURN_IF_ERROR(ExpectWord("ACTION", "NO"));
    } else {
      return Expected("CASCADE or NO ACTION", "ON " + event);
    }
    (isUpdate ? key.cascadeUpdates : key.cascadeDeletes) = cascade;
  }
  return Status::Ok();
}

// ---- Keys and indexes ------------------------------------------------------------------

// After a column's type: PRIMARY KEY, UNIQUE or CONSTRAINT name PRIMARY KEY/UNIQUE, each
// a key on that column alone.
Status Parser::ParseColumnKeys(const std::string& column, CreateTableStatement& create) {
  while (AtKeyConstraint()) {
    SqlKeyConstraint key;
    if (AtWord("CONSTRAINT")) {
      JET_RETURN_IF_ERROR(Advance());
      JET_ASSIGN_OR_RETURN(key.name, ParseName("a constraint name"));
    }
    JET_RETURN_IF_ERROR(ParseKeyKind(key, "the column \"" + column + "\""));
    key.columns.push_back(column);
    create.keys.push_back(std::move(key));
  }
  return Status::Ok();
}

// PRIMARY KEY or UNIQUE.
Status Parser::ParseKeyKind(SqlKeyConstraint& key, std::string_view after) {
  if (AtWord("PRIMARY")) {
    JET_RETURN_IF_ERROR(Advance());
    JET_RETURN_IF_ERROR(ExpectWord("KEY", "PRIMARY"));
    key.primaryKey = true;
    return Status::Ok();
  }
  if (AtWord("UNIQUE")) return Advance();
  return Expected("PRIMARY KEY or UNIQUE", after);
}

// [CONSTRAINT name] PRIMARY KEY (col, ...) or [CONSTRAINT name] UNIQUE (col, ...).
Status Parser::ParseTableKey(CreateTableStatement& create) {
  SqlKeyConstraint key;
  std::string after = "\",\"";
  if (AtWord("CONSTRAINT")) {
    JET_RETURN_IF_ERROR(Advance());
    JET_ASSIGN_OR_RETURN(key.name, ParseName("a constraint name"));
    after = "the constraint name \"" + key.name + "\"";
  }
  JET_RETURN_IF_ERROR(ParseKeyKind(key, after));
  JET_RETURN_IF_ERROR(ExpectSymbol('(', key.primaryKey ? "PRIMARY KEY" : "UNIQUE"));
  while (true) {
    JET_ASSIGN_OR_RETURN(auto column, ParseName("a column name"));
    key.columns.push_back(std::move(column));
    if (AtSymbol(',')) {
      JET_RETURN_IF_ERROR(Advance());
      continue;
    }
    JET_RETURN_IF_ERROR(ExpectSymbol(')', "the column \"" + key.columns.back() + "\""));
    break;
  }
  create.keys.push_back(std::move(key));
  return Status::Ok();
}

// Every key names columns of the table, each once, at most 10; one primary key; names distinct.
Status Parser::CheckKeys(const CreateTableStatement& create) const {
  bool primary = false;
  for (size_t k = 0; k < create.keys.size(); ++k) {
    const SqlKeyConstraint& key = create.keys[k];
    const std::string what = key.name.empty() ? (key.primaryKey ? std::string("the primary key") : "a UNIQUE constraint")
                                              : "the constraint \"" + key.name + "\"";
    if (key.primaryKey && primary) return Error("the table \"" + create.table + "\" has more than one primary key");
    primary = primary || key.primaryKey;
    if (key.columns.size() > kMaxIndexColumns) return Error(what + " has more than 10 columns");
    for (size_t i = 0; i < key.columns.size(); ++i) {
      const bool known = std::any_of(create.columns.begin(), create.columns.end(),
                                     [&](const SqlColumnDefinition& c) { return SameWord(c.name, key.columns[i]); });
      if (!known) return Error(what + " names \"" + key.columns[i] + "\", which is not a column of the table");
      for (size_t j = 0; j < i; ++j)
        if (SameWord(key.columns[j], key.columns[i])) return Error(what + " names \"" + key.columns[i] + "\" twice");
    }
    if (!key.name.empty()) {
      JET_RETURN_IF_ERROR(CheckAccessObjectName(key.name, "index"));
      for (size_t j = 0; j < k; ++j)
        if (SameWord(create.keys[j].name, key.name)) return Error("two constraints are named \"" + key.name + "\"");
    }
  }
  return Status::Ok();
}

// CREATE [UNIQUE] INDEX ix ON t (col [ASC|DESC], ...) [WITH PRIMARY|DISALLOW NULL|IGNORE NULL]
jet::Result<AccessStatement> Parser::ParseCreateIndex() {
  CreateIndexStatement create;
  if (AtWord("UNIQUE")) {
    create.unique = true;
    JET_RETURN_IF_ERROR(Advance());
  }
  JET_RETURN_IF_ERROR(ExpectWord("INDEX", create.unique ? "CREATE UNIQUE" : "CREATE"));
  JET_ASSIGN_OR_RETURN(create.index, ParseName("an index name"));
  JET_RETURN_IF_ERROR(CheckAccessObjectName(create.index, "index"));
  JET_RETURN_IF_ERROR(ExpectWord("ON", "the index name"));
  JET_ASSIGN_OR_RETURN(create.table, ParseName("a table name"));
  JET_RETURN_IF_ERROR(ExpectSymbol('(', "the table name"));
  while (true) {
    JET_ASSIGN_OR_RETURN(auto column, ParseName("a column name"));
    SqlIndexColumn c{std::move(column), true};
    if (AtWord("ASC") || AtWord("DESC")) {
      c.ascending = AtWord("ASC");
      JET_RETURN_IF_ERROR(Advance());
    }
    for (const SqlIndexColumn& earlier : create.columns)
      if (SameWord(earlier.name, c.name)) return Error("the index names the column \"" + c.name + "\" twice");
    create.columns.push_back(std::move(c));
    if (create.columns.size() > kMaxIndexColumns) return Error("an index has at most 10 columns");
    if (AtSymbol(',')) {
      JET_RETURN_IF_ERROR(Advance());
      continue;
    }
    JET_RETURN_IF_ERROR(ExpectSymbol(')', "the column \"" + create.columns.back().name + "\""));
    break;
  }
  if (AtWord("WITH")) {
    JET_RETURN_IF_ERROR(Advance());
    if (AtWord("PRIMARY")) {
      create.with = CreateIndexStatement::With::kPrimary;
      JET_RETURN_IF_ERROR(Advance());
    } else if (AtWord("DISALLOW") || AtWord("IGNORE")) {
      const bool disallow = AtWord("DISALLOW");
      create.with = disallow ? CreateIndexStatement::With::kDisallowNull : CreateIndexStatement::With::kIgnoreNull;
      JET_RETURN_IF_ERROR(Advance());
      JET_RETURN_IF_ERROR(ExpectWord("NULL", disallow ? "DISALLOW" : "IGNORE"));
    } else {
      return Expected("PRIMARY, DISALLOW NULL or IGNORE NULL", "WITH");
    }
  }
  JET_RETURN_IF_ERROR(ExpectStatementEnd());
  return AccessStatement(std::move(create));
}

}  // namespace

jet::Result<AccessStatement> ParseAccessSql(std::string_view statement) { return Parser(statement).Parse(); }

jet::Status CheckAccessObjectName(std::string_view name, std::string_view what) {
  const std::string subject = "The " + std::string(what) + " name \"" + StatementBeginning(name) + "\" ";
  auto refuse = [&](std::string why) {
    return Status(ErrorCode::kInvalidArgument, subject + "is not allowed in Access: " + std::move(why) + ".");
  };
  if (name.empty()) return Status(ErrorCode::kInvalidArgument, "A " + std::string(what) + " name may not be empty.");
  const int64_t length = Utf16Length(name);
  if (length < 0) return refuse("it is not valid UTF-8 text");
  if (length > static_cast<int64_t>(kMaxObjectNameLength))
    return refuse("it has " + std::to_string(length) + " characters, more than 64");
  if (name.front() == ' ') return refuse("it starts with a space");
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 0x20) return refuse("it contains a control character");
    if (c == '.' || c == '!' || c == '`' || c == '[' || c == ']')
      return refuse(std::string("it contains \"") + c + "\" (names may not contain . ! ` [ ])");
  }
  return Status::Ok();
}

int64_t Utf16Length(std::string_view text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  int64_t units = 0;
  size_t i = 0;
  auto continuation = [&](size_t at) { return (s[at] & 0xC0) == 0x80; };
  while (i < n) {
    const unsigned lead = s[i];
    const size_t left = n - i;
    if (lead < 0x80) {
      const size_t run = jet::AsciiRunLength(text, i);
      units += static_cast<int64_t>(run);
      i += run;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      if (left < 2 || !continuation(i + 1)) return -1;
      ++units;
      i += 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      if (left < 3 || !continuation(i + 1) || !continuation(i + 2)) return -1;
      // E0 needs a second byte of A0 or more (no overlong forms); ED A0..BF are the
      // encoded surrogates that WTF-8 allows.
      if (lead == 0xE0 && s[i + 1] < 0xA0) return -1;
      ++units;
      i += 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      if (left < 4 || !continuation(i + 1) || !continuation(i + 2) || !continuation(i + 3)) return -1;
      if ((lead == 0xF0 && s[i + 1] < 0x90) || (lead == 0xF4 && s[i + 1] > 0x8F)) return -1;
      units += 2;
      i += 4;
    } else {
      return -1;
    }
  }
  return units;
}

}  // namespace ado::access
