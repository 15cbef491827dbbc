// The SQL the Access provider understands: exactly the statements the program sends, each
// optionally ending in ";":
//   SELECT * FROM t
//   SELECT a1.* INTO new FROM old AS a1        (also SELECT * INTO new FROM old)
//   SELECT k, ..., c.Value FROM t              the values of the multi-value column c, one row
//   SELECT k, ..., c.FileName, c.FileData FROM t  per value, beside columns of its row of t
//                                              (AccessComplexCursor.h)
//   CREATE TABLE t (col TYPE [NOT NULL] [DEFAULT literal] [PRIMARY KEY | UNIQUE]
//                       [VALIDATION RULE 'rule'] [VALIDATION TEXT 'text'] [EXPRESSION 'expression'], ...,
//                   [CONSTRAINT name] PRIMARY KEY (col, ...), [CONSTRAINT name] UNIQUE (col, ...),
//                   [VALIDATION RULE 'rule'], [VALIDATION TEXT 'text'])
//         VALIDATION RULE and TEXT are the Access properties of a column or, among the
//         constraints, of the table (a rule over several columns); EXPRESSION makes a
//         calculated column of the type given, the type of its result. The texts are kept as
//         Access keeps them; the engine does not evaluate them.
//   CREATE [UNIQUE] INDEX ix ON t (col [ASC|DESC], ...) [WITH PRIMARY | WITH DISALLOW NULL | WITH IGNORE NULL]
//   INSERT INTO t [(col, ...)] VALUES (literal, ...)
//   DROP TABLE t
//   ALTER TABLE t ADD CONSTRAINT name FOREIGN KEY (col, ...) REFERENCES parent [(col, ...)]
//         [ON UPDATE CASCADE] [ON DELETE CASCADE]
//   CREATE VIEW q AS SELECT ...                (a saved select or union query; the SELECT is
//                                              kept as written, see jet/SavedQueries.h)
// Keywords in any case. Names bare, in back-quotes or in square brackets, a doubled closing
// delimiter inside standing for one. Literals: 'text' ('' inside), NULL, numbers with sign,
// decimal point and exponent, True/False, and binary 0x0A1B (an even number of hex digits);
// in INSERT's values also the parameter marker ?, for a statement prepared once and run with
// values bound (AccessCommand.h).
// Text after the end of the statement is an error, so no name or value can end a statement
// early or carry a second one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "ado/access/TypeWords.h"
#include "jet/Status.h"

namespace ado::access {

// A literal of INSERT ... VALUES, as written; LiteralConversion turns it into a column value.
struct SqlLiteral {
  // kMarker: a ? parameter marker of a prepared INSERT, which takes its value when it runs.
  enum class Kind { kNull, kText, kNumber, kBoolean, kBinary, kMarker };
  Kind kind = Kind::kNull;
  std::string text;            // kText: the value ('' undone); kNumber: the number, sign included
  bool boolean = false;        // kBoolean
  std::vector<uint8_t> bytes;  // kBinary
  bool operator==(const SqlLiteral&) const = default;

  static SqlLiteral Null() { return {}; }
  static SqlLiteral Text(std::string value) { return {Kind::kText, std::move(value), false, {}}; }
  static SqlLiteral Number(std::string value) { return {Kind::kNumber, std::move(value), false, {}}; }
  static SqlLiteral Boolean(bool value) { return {Kind::kBoolean, {}, value, {}}; }
  static SqlLiteral Binary(std::vector<uint8_t> value) { return {Kind::kBinary, {}, false, std::move(value)}; }
};

struct SqlColumnDefinition {
  std::string name;
  AccessColumnType type;
  bool notNull = false;                     // NOT NULL
  std::optional<SqlLiteral> defaultValue{};  // DEFAULT literal
  std::optional<std::string> defaultClock{};  // DEFAULT Now(), Date() or Time(), as Access writes it
  std::optional<std::string> validationRule{};  // VALIDATION RULE
  std::optional<std::string> validationText{};  // VALIDATION TEXT
  std::optional<std::string> expression{};      // EXPRESSION: a calculated column
  bool operator==(const SqlColumnDefinition&) const = default;
};

// A key of CREATE TABLE: a column's PRIMARY KEY or UNIQUE, or a table constraint.
struct SqlKeyConstraint {
  std::string name;  // empty: unnamed (Access names it)
  bool primaryKey = false;  // else UNIQUE
  std::vector<std::string> columns;
  bool operator==(const SqlKeyConstraint&) const = default;
};

struct SqlIndexColumn {
  std::string name;
  bool ascending = true;
  bool operator==(const SqlIndexColumn&) const = default;
};

struct SelectAllStatement {  // SELECT * FROM t
  std::string table;
  bool operator==(const SelectAllStatement&) const = default;
};
// SELECT k, ..., c.part, ... FROM t: columns of t and parts of the values of one complex
// column c of t (Value; FileName, FileType, FileData, FileURL, FileTimeStamp, FileFlags).
struct SelectComplexStatement {
  struct Column {
    std::string name;
    std::string part;  // empty: a column of t
    bool operator==(const Column&) const = default;
  };
  std::string table;
  std::vector<Column> columns;
  bool operator==(const SelectComplexStatement&) const = default;
};
struct SelectIntoStatement {  // SELECT a1.* INTO target FROM source AS a1
  std::string target;
  std::string source;
  bool operator==(const SelectIntoStatement&) const = default;
};
struct CreateTableStatement {
  std::string table;
  std::vector<SqlColumnDefinition> columns;  // at least one, names distinct without regard to case
  std::vector<SqlKeyConstraint> keys;        // in the order written; columns checked against `columns`
  std::optional<std::string> validationRule{};  // the table's own
  std::optional<std::string> validationText{};
  bool operator==(const CreateTableStatement&) const = default;
};
struct CreateIndexStatement {
  enum class With { kNone, kPrimary, kDisallowNull, kIgnoreNull };
  std::string index;
  std::string table;
  bool unique = false;
  std::vector<SqlIndexColumn> columns;  // 1 to 10
  With with = With::kNone;
  bool operator==(const CreateIndexStatement&) const = default;
};
struct InsertStatement {
  std::string table;
  std::vector<SqlLiteral> values;  // one per column, in column order (or in the order of `columns`)
  std::vector<std::string> columns{};  // the column list; empty when the statement has none
  bool operator==(const InsertStatement&) const = default;
};
struct DropTableStatement {
  std::string table;
  bool operator==(const DropTableStatement&) const = default;
};

// ALTER TABLE t ADD CONSTRAINT name FOREIGN KEY (...) REFERENCES parent (...): an Access relationship.
struct AddForeignKeyStatement {
  std::string table;  // the referring table
  std::string name;   // the relationship's name
  std::vector<std::string> columns;
  std::string referencedTable;
  std::vector<std::string> referencedColumns;  // empty: the referenced table's primary key
  bool cascadeUpdates = false;
  bool cascadeDeletes = false;
  bool operator==(const AddForeignKeyStatement&) const = default;
};

// CREATE VIEW q AS SELECT ...: a saved query.
struct CreateViewStatement {
  std::string name;
  std::string select;  // the Access SQL after AS, as written
  bool operator==(const CreateViewStatement&) const = default;
};

using AccessStatement = std::variant<SelectAllStatement, SelectIntoStatement, CreateTableStatement,
                                     InsertStatement, DropTableStatement, CreateIndexStatement,
                                     AddForeignKeyStatement, CreateViewStatement, SelectComplexStatement>;

// Parses one statement. Errors (kInvalidArgument, or kUnsupported for a type word we do not
// create) quote the statement's beginning and say what was expected where.
jet::Result<AccessStatement> ParseAccessSql(std::string_view statement);

// Access's rules for the names of tables and fields (Microsoft, "Guidelines for naming fields,
// controls, and objects"): at most 64 characters; no leading space; none of . ! ` [ ];
// no control characters (ASCII 0 to 31). Also not empty. Applied to the names a statement
// creates (tables and their columns); names a statement only refers to need not follow them,
// since files written by other tools may hold such tables. `what` names the kind of object
// in the message ("table", "column").
jet::Status CheckAccessObjectName(std::string_view name, std::string_view what);

inline constexpr size_t kMaxObjectNameLength = 64;  // characters
inline constexpr size_t kMaxColumnsPerTable = 255;
inline constexpr size_t kMaxIndexColumns = 10;

// Characters of UTF-8 text as Access counts them (UTF-16 code units: a character beyond
// U+FFFF counts twice). Encoded surrogates (WTF-8, as the engine decodes unpaired ones) are
// accepted; any other invalid UTF-8 gives -1.
int64_t Utf16Length(std::string_view text);

}  // namespace ado::access
