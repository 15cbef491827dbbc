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
//   attachments, multiple values                TEXT, the readable form of the plain copy
//   calculated columns                          a plain column of the result type (note)
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
#pragma once

#include "ado/Variant.h"
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
};

// A table's plan: its columns, the statements that make it, and the notes.
struct TablePlan {
  std::string table;
  std::vector<ColumnPlan> columns;
  std::string create;                   // CREATE TABLE
  std::vector<std::string> indexes;     // CREATE INDEX, after the rows
  std::vector<std::string> indexNames;  // the names those statements give, in the same order
  std::vector<std::string> foreignKeys; // Access: ALTER TABLE .. ADD CONSTRAINT, after every table
  std::vector<std::string> notes;       // what could not be carried over, one sentence each
};

// --- to SQLite ---

// `tablesCopied`: the tables this run copies or that exist in the target; a foreign key to
// another table is left out with a note. `indexNameTaken` tells whether an index name is used
// in the target already (SQLite's index names are one name space for the whole database).
TablePlan PlanSQLiteTable(const TableDesign& design, const std::vector<std::string>& tablesCopied,
                          const std::function<bool(const std::string&)>& indexNameTaken);

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
};

TablePlan PlanAccessTable(const TableDesign& design, const std::vector<ColumnFacts>& facts, AccessFormat format,
                          const std::vector<std::string>& tablesCopied);

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
