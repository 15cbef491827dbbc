// The reader behind AccessExpression.h and QueryTranslation.h: Access SQL text (expressions
// and SELECT statements) read by recursive descent and written out as SQLite SQL in the same
// pass. A construct without a SQLite form stops the reading with the reason.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace transfer::accesssql {

struct Translation {
  std::string sql;
  std::string reason;                // empty when `sql` is the translation
  std::vector<std::string> sources;  // the tables and queries a statement reads, as written
};

// One expression, the whole text. `impliedOperand`, `numbersAsText`: see ExpressionOptions.
Translation Expression(std::string_view text, const std::string& impliedOperand,
                       const std::vector<std::string>& numbersAsText = {});
// One query: SELECT ... [UNION [ALL] SELECT ...] [ORDER BY ...] [;]
Translation Select(std::string_view text);

}  // namespace transfer::accesssql
