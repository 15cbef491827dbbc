// The type and value rules of the faithful copies (tabloren-cli --faithful): each column's
// type on the other side, how its values are written there, and the design statements
// (keys, indexes, defaults, foreign keys). Pure functions of a table's design; every thing
// that cannot be carried over is said in a note instead of being dropped silently.
//
// To SQLite (declared type, values):
//   Byte, Integer, Long Integer, Large Number   INTEGER
//   AutoNumber as the single-column primary key INTEGER PRIMARY KEY (the rowid), values kept
//   other whole-number single-column key       INT (SQLite's rowid is INTEGER only), PRIMARY KEY
//   Single, Double                              REAL (Single by its shortest exact text)
//   Currency                                    DECIMAL_TEXT(19,4)  } text of every digit: a NUMERIC or
//   Decimal(p,s)                                DECIMAL_TEXT(p,s)   } DECIMAL declared type would keep 15
//   Yes/No                                      BOOLEAN, 0/1, CHECK (col IN (0,1))
//   Date/Time                                   DATETIME, 'YYYY-MM-DD HH:MM:SS' (to the second)
//   Date/Time Extended                          DATETIME2(7), 'YYYY-MM-DD HH:MM:SS.fffffff'
//   Text(n), Memo                               VARCHAR(n), TEXT (a zero-length text stays one)
//   Binary(n), OLE Object                       VARBINARY(n), BLOB, byte for byte
//   Replication ID                              GUID, '{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}'
//   attachments, multiple values                TEXT, the readable form of the plain copy, and a
//                                               table of their own, Table_Column (ValuesTablePlan)
//   calculated columns                          GENERATED ALWAYS AS (expression) VIRTUAL where the
//                                               expression translates, else stored values (note)
//   validation rules that translate             CHECK constraints of the column or (a table's
//                                               own rule) of the table; others: notes
//   Now(), Date(), Time() defaults              the local time in the copy's date text form
// What SQLite has no place for (the Access type, rules, expressions, an index's name before a
// rename, a relationship's name) goes to the table _access_design(object, property, value),
// which the way back reads.
// To Access (SQLite declared type -> Access column):
//   INTEGER PRIMARY KEY                         COUNTER PRIMARY KEY, values kept
//   other *INT*                                 LONG (values beyond 32 bits: DOUBLE, note)
//   REAL, FLOAT, DOUBLE                         DOUBLE
//   BOOLEAN, BOOL, BIT                          YESNO (Null is stored as No: note when there is one)
//   DATE, DATETIME, TIMESTAMP with ISO texts    DATETIME (other texts: MEMO, note)
//   DECIMAL_TEXT(p,s), NUMERIC(p,s), DECIMAL(p,s)  CURRENCY for (19,4), else DECIMAL(p,s) (p <= 28)
//   NUMERIC, DECIMAL without size               DOUBLE
//   VARCHAR(n), CHAR(n) with n <= 255           TEXT(n) (longer values: MEMO, note)
//   TEXT, CLOB, longer or unsized character types  MEMO
//   BLOB, VARBINARY(n)                          LONGBINARY (OLE Object), BINARY(n) for n <= 255
//   GUID, UNIQUEIDENTIFIER                      GUID
//   anything else, or no type                   MEMO
// Validation rules and texts (of columns and tables) and calculated columns the first copy kept
// in _access_design come back as Access properties; a calculated column only in an .accdb
// file, its values stored as they were.
#pragma once

#include "ado/Variant.h"
#include "transfer/AccessExpression.h"
#include "transfer/FaithfulSchema.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace transfer::faithful {

// How a value is given to the target's INSERT.
enum class ValueForm {
  kNumber,        // a bare number (integers, floating point)
  kExactDecimal,  // Currency and Decimal: every digit (text in SQLite, a number literal in Access)
  kBoolean,       // 0/1 in SQLite, True/False in Access
  kDateTime,      // 'YYYY-MM-DD HH:MM:SS'
  kText,          // as it is, a zero-length text included
  kBytes,         // byte for byte
  kGuid           // '{...}'
};

// What one column becomes on the target.
struct ColumnPlan {
  std::string name;
  std::string type;     // the declared type (SQLite) or type words (Access)
  ValueForm form = ValueForm::kText;
  bool notNull = false;
  bool rowidKey = false;              // SQLite: INTEGER PRIMARY KEY; Access: COUNTER PRIMARY KEY
  std::optional<std::string> defaultLiteral;  // in the target's SQL
  std::optional<std::string> check;           // SQLite: a CHECK condition on the column
  std::optional<std::string> generated;       // SQLite: the expression of a generated column,
                                              // which the INSERT leaves out
  // Access: the column's validation rule and text, and a calculated column's expression.
  std::optional<std::string> validationRule, validationText, expression;
};

// One fact of the Access design, a row of _access_design. `object` is a table's name, or
// "table.column" for a column, "table.index" for an index (by its SQLite name) and
// "table.col1,col2->referenced" for a relationship (RelationshipObject).
struct DesignFact {
  std::string object;
  std::string property;
  std::string value;
  bool operator==(const DesignFact&) const = default;
};
using DesignFacts = std::vector<DesignFact>;

inline constexpr char kDesignTable[] = "_access_design";
namespace property {
inline constexpr char kAccessType[] = "AccessType";          // the Access type name ("Long Integer")
inline constexpr char kIndexName[] = "IndexName";            // an index's Access name, where it was renamed
inline constexpr char kPrimaryKeyName[] = "PrimaryKeyName";  // of a table, where it is not "PrimaryKey"
inline constexpr char kRelationshipName[] = "RelationshipName";
inline constexpr char kValidationRule[] = "ValidationRule";  // as Access keeps it: ">0"
inline constexpr char kValidationText[] = "ValidationText";
inline constexpr char kDefaultValue[] = "DefaultValue";      // an expression default: "Now()"
inline constexpr char kExpression[] = "Expression";          // a calculated column's
// Of an attachment or multi-value column: the table that holds its values, and their kind
// ("attachments": FileName, FileType, FileData as Access stores it; "values": Value).
inline constexpr char kValuesTable[] = "ValuesTable";
inline constexpr char kValuesKind[] = "ValuesKind";
}  // namespace property

std::string RelationshipObject(const std::string& table, const std::vector<std::string>& columns,
                               const std::string& referencedTable);

// The value a fact gives `object`'s `property`, or nothing.
const std::string* FindFact(const DesignFacts& facts, const std::string& object, const char* property);

// The statements that keep `facts` of `table` in the SQLite target: the table made when
// missing, the table's old facts removed, the new ones added.
std::vector<std::string> DesignTableStatements(const std::string& table, const DesignFacts& facts);
// The statements that add `facts` (the table made when missing), replacing what they replace.
std::vector<std::string> DesignFactStatements(const DesignFacts& facts);

// An Access expression in SQLite's SQL, or the reason it has none (AccessExpression.h).
// The options name the column a validation rule is about, which the rule leaves out (">0";
// none for a table's rule), and the columns whose numbers the copy stores as text.
using ExpressionTranslator =
    std::function<SQLiteExpression(const std::string& accessExpression, const ExpressionOptions& options)>;

// A table's plan: its columns, the statements that make it, and the notes.
struct TablePlan {
  std::string table;
  std::vector<ColumnPlan> columns;
  std::string create;                   // CREATE TABLE
  std::vector<std::string> indexes;     // CREATE INDEX, after the rows
  std::vector<std::string> indexNames;  // the names those statements give, in the same order
  std::vector<std::string> foreignKeys; // Access: ALTER TABLE .. ADD CONSTRAINT, after every table
  std::vector<std::string> notes;       // what could not be carried over, one sentence each
  DesignFacts design;                   // SQLite: the rows of _access_design for this table
};

// --- to SQLite ---

// `tablesCopied`: the tables this run copies or that exist in the target; a foreign key to
// another table is left out with a note. `indexNameTaken` tells whether an index name is used
// in the target already (SQLite's index names are one name space for the whole database).
// An index whose name is taken (by another table's index, a table or a view) is renamed
// "table_index" (a number added while that is taken too); its name is kept as a design fact.
// Validation rules and calculated columns become CHECK constraints where `translate` gives them
// an SQLite form.
TablePlan PlanSQLiteTable(const TableDesign& design, const std::vector<std::string>& tablesCopied,
                          const std::function<bool(const std::string&)>& indexNameTaken,
                          const ExpressionTranslator& translate = {});

// The table that holds the values of an attachment or multi-value column in SQLite: the
// parent's primary key columns (as the parent declares them), then FileName, FileType,
// FileData (attachments) or Value, with a foreign key to the parent.
struct ValuesTablePlan {
  std::string table;     // the child's name
  std::string parent;
  std::string column;    // the attachment or multi-value column
  std::vector<ColumnPlan> key;  // the parent's primary key columns, in key order
};
inline constexpr const char* kAttachmentParts[] = {"FileName", "FileType", "FileData"};
inline constexpr char kValuePart[] = "Value";

// Nothing when the parent has no primary key (the values cannot name their row).
std::optional<ValuesTablePlan> PlanValuesTable(const TableDesign& design, const TablePlan& parent,
                                               const std::string& column, std::string table);
// CREATE TABLE of the child, its value column typed `valueType` (attachments: none needed).
std::string ValuesTableCreate(const ValuesTablePlan& plan, bool attachments, const std::string& valueType);
// The Access query that reads the values (one row per value, the key columns first).
std::string ValuesQuery(const ValuesTablePlan& plan, bool attachments);

// The value the INSERT gives SQLite for a value of this form (what its literal would make),
// and that literal.
ado::Variant SQLiteBoundValue(ado::Variant&& value, ValueForm form);
void AppendSQLiteValue(std::string& statement, const ado::Variant& value, ValueForm form);

// "YYYY-MM-DD HH:MM:SS" of a Date/Time day count (rounded to the second, as Access shows it).
std::string IsoDateTime(ado::Date value);

// --- to Access ---

// What a pass over the source table's values found, per column (for the choices above that
// depend on the data).
struct ColumnFacts {
  std::optional<std::int64_t> minInteger, maxInteger;  // of the integer values
  std::int64_t longestText = 0;                        // characters of the longest text value
  bool nonIsoDateText = false;                         // a value that is not an ISO date text
  bool fractionOfSecond = false;                       // an ISO date text with a fraction
  bool nullValue = false;
  bool emptyBytes = false;                             // a zero-length blob
};

struct AccessFormat {
  bool bigInt = false;  // the target and the engine's SQL take Large Number columns
  bool calculatedColumns = false;  // the target is an .accdb file, which takes calculated columns
};

// `kept`: the design facts the SQLite file keeps for the table (the first copy's), which give
// back Access types, index and relationship names, expression defaults, validation rules and
// texts and calculated columns.
TablePlan PlanAccessTable(const TableDesign& design, const std::vector<ColumnFacts>& facts, AccessFormat format,
                          const std::vector<std::string>& tablesCopied, const DesignFacts& kept = {});

// The query that finds ColumnFacts for every column of `design`: one row, seven fields per
// column in the order of ColumnFacts (Null where the column's rule does not need the fact).
std::string SQLiteFactsQuery(const TableDesign& design);
std::vector<ColumnFacts> FactsFromRow(const std::vector<ado::Variant>& row, std::size_t columns);

// The value the INSERT gives Access for a value of this form (what its literal would say),
// and that literal.
ado::Variant AccessBoundValue(ado::Variant&& value, ValueForm form);
void AppendAccessValue(std::string& statement, const ado::Variant& value, ValueForm form);

// [name] for Access; "name" for SQLite.
std::string AccessName(const std::string& name);
std::string SQLiteName(const std::string& name);

}  // namespace transfer::faithful
