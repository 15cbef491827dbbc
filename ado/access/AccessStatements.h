// The writing statements of the Access dialect, run on the engine: CREATE TABLE, INSERT
// INTO ... VALUES, DROP TABLE and SELECT ... INTO. This is what the Access provider's
// execute() calls; each statement is one engine statement (undone whole if it fails).
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include "ado/access/AccessSql.h"
#include "jet/Status.h"
#include "jet/write/WriteSession.h"

namespace ado::access {

jet::Status ExecuteAccessStatement(jet::WriteSession& session, AccessStatement&& statement);

// INSERT INTO table [(columns)] VALUES (values): the values converted to the columns' types
// (LiteralConversion.h) and the row inserted. `columns` empty: one value for every column.
jet::Status ExecuteAccessInsert(jet::WriteSession& session, const std::string& table,
                                const std::vector<std::string>& columns, std::vector<SqlLiteral>&& values);
// The same with `count` values, the k-th converted for its column by `valueOf` (a prepared
// INSERT's bound values are converted where they are, not copied into literals first).
using InsertValueOf =
    std::function<jet::Result<jet::Value>(size_t k, const AccessColumnType& column, std::string_view columnName)>;
jet::Status ExecuteAccessInsert(jet::WriteSession& session, const std::string& table,
                                const std::vector<std::string>& columns, size_t count, const InsertValueOf& valueOf);

// Parses `sql` and runs it; a SELECT that returns rows is refused here (it is a query).
jet::Status ExecuteAccessSql(jet::WriteSession& session, std::string_view sql);

// The CREATE TABLE column type an existing column of a file of `format` has (for
// converting INSERT literals).
AccessColumnType AccessColumnTypeOf(const jet::ColumnDef& column, const jet::JetFormat& format);

}  // namespace ado::access
