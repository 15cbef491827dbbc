// The columns, indexes and foreign keys schemas (ado/Schema.h) of an SQLite table, from
// SQLite's own reports: PRAGMA table_xinfo, index_list, index_xinfo and foreign_key_list
// (read as the table-valued functions pragma_...), run through the session's queries.
//
//   columns       TYPE_NAME is the declared type as written; DATA_TYPE follows DeclaredType.h
//                 as an OLE DB type (text 130, blob 128 with ISLONG); a declared "(n)" is the
//                 CHARACTER_MAXIMUM_LENGTH of text, "(p,s)" the precision and scale of a decimal.
//                 An INTEGER PRIMARY KEY (the rowid) is IS_AUTOINCREMENT and not nullable;
//                 generated columns are IS_COMPUTED (their expression is not reported).
//   indexes       every index, those SQLite makes for PRIMARY KEY and UNIQUE constraints
//                 included; an INTEGER PRIMARY KEY, which has no index, is listed as the primary
//                 key index of its column. A partial index reports its WHERE as FILTER_CONDITION;
//                 a column of an expression index has an empty COLUMN_NAME.
//   foreign keys  named after the referenced table and the referring one, as Access names a new
//                 relationship (a number added when one table refers to the same table twice);
//                 a key that names no columns refers to the referenced table's primary key.
#pragma once

#include <string>
#include <vector>

#include "ado/Provider.h"

namespace ado::sqlite {

std::vector<ColumnEntry> SQLiteColumns(Session& session, const std::string& table);
std::vector<IndexEntry> SQLiteIndexes(Session& session, const std::string& table);
std::vector<ForeignKeyEntry> SQLiteForeignKeys(Session& session, const std::string& table);

}  // namespace ado::sqlite
