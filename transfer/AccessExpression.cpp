#include "transfer/AccessExpression.h"

#include "transfer/AccessSqlParser.h"

namespace transfer {

SQLiteExpression TranslateAccessExpression(std::string_view access, const ExpressionOptions& options) {
  accesssql::Translation t = accesssql::Expression(access, options.impliedOperand, options.numbersAsText);
  return {t.sql, t.reason};
}

}  // namespace transfer
