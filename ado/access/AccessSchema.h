// The columns, indexes and foreign keys schemas (ado/Schema.h) of an Access table, from the
// engine: the table definition (types, sizes, AutoNumber, logical indexes), the column
// properties kept with the table in MSysObjects (Required, DefaultValue, ValidationRule,
// ValidationText, the Expression of a calculated column) and MSysRelationships.
//
// As the Access OLE DB providers report them: DATA_TYPE is the OLE DB type (130 for Text and
// Memo, 128 for Binary and OLE Object, 131 for Decimal), Memo and OLE Object carry
// DBCOLUMNFLAGS_ISLONG, a column is nullable unless it is Required, an AutoNumber or a Yes/No.
// Every logical index is listed, those Access made for a relationship included (they carry
// the relationship's name); only enforced relationships are foreign keys. A stored query has
// no table definition: it lists no columns here.
#pragma once

#include <string>
#include <vector>

#include "ado/Provider.h"
#include "jet/Database.h"

namespace ado::access {

// Errors (ado::Error) name the file and the table.
std::vector<ColumnEntry> SchemaColumns(jet::Database& db, const std::string& table);
std::vector<IndexEntry> SchemaIndexes(jet::Database& db, const std::string& table);
std::vector<ForeignKeyEntry> SchemaForeignKeys(jet::Database& db, const std::string& table);
// The table's own ValidationRule and ValidationText (the properties of its own block).
TableValidation SchemaTableValidation(jet::Database& db, const std::string& table);

// The name Access gives a column type in table design ("Long Integer", "Date/Time").
std::string AccessTypeName(const jet::ColumnDef& column);

}  // namespace ado::access
