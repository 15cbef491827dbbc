// Access expressions (the language of query columns, criteria, validation rules, calculated
// columns and defaults) in SQLite's SQL, using only functions every SQLite from 3.38 has
// built in. Values are taken in the forms the faithful copy writes them: dates as text
// 'YYYY-MM-DD HH:MM:SS', Yes/No as 1/0. What has no SQLite form (a function SQLite lacks, a
// reference to a form, a parameter list) is refused with the reason, never guessed.
//
//   [Name], Name, T.c, T!c          "Name", "T"."c"
//   "text", 'text', #1/31/2024#      'text', '2024-01-31 00:00:00'
//   a & b                            text joined; Null only when every part is Null (as Access)
//   Like "A*?"                       LIKE 'A%_' (text comparisons ignore case, as Access's)
//   True, False, Is Null, In, Between, Not, And, Or, Mod, \ (whole-number division), / (real)
//   Iif Nz Switch Choose IsNull; Left Right Mid Len InStr UCase LCase Trim LTrim RTrim Replace
//   Space Chr Asc; Year Month Day Hour Minute Second Weekday DatePart DateAdd DateDiff
//   DateSerial TimeSerial DateValue TimeValue Date Now Time; Format (date and number patterns,
//   the named formats in their English forms); CStr CInt CLng CByte CSng CDbl CCur CDec CBool
//   CDate Val Int Fix Round Abs Sgn; Sum Avg Count Min Max; subqueries (SELECT ...), EXISTS
//
// Known differences, kept small on purpose: Round and CInt round halves away from zero
// (Access: to even); `+` between texts is arithmetic in SQLite; a comparison's result is 1,
// not -1.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace transfer {

struct SQLiteExpression {
  std::string sql;     // the SQLite expression; empty when there is none
  std::string reason;  // why there is none ("uses DLookup, which SQLite has no form of")
  bool ok() const { return reason.empty(); }
};

struct ExpressionOptions {
  // A column's validation rule leaves its column out ("<=Date()", "Between 1 And 10",
  // "Is Not Null", "Like 'A*'"): the column's name, which the rule is then about.
  std::string impliedOperand;
  // Columns whose numbers the copy stores as text (Currency, Decimal: every digit), which a
  // comparison must read as numbers: SQLite orders any text after every number.
  std::vector<std::string> numbersAsText;
};

SQLiteExpression TranslateAccessExpression(std::string_view access, const ExpressionOptions& options = {});

}  // namespace transfer
