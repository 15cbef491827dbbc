// The schema rowsets OpenSchema returns beside the table list, with the fields and the order
// of the OLE DB schema rowsets as the Access OLE DB providers fill them:
//
//   adSchemaColumns (4)     one row per column of a table or view: TABLE_NAME, COLUMN_NAME, ORDINAL_POSITION (from 1),
//                           COLUMN_HASDEFAULT, COLUMN_DEFAULT (the default as written), COLUMN_FLAGS
//                           (DBCOLUMNFLAGS: ISLONG for Memo/OLE, ISFIXEDLENGTH, ISNULLABLE),
//                           IS_NULLABLE, DATA_TYPE (an OLE DB type: 130 for text, 128 for bytes),
//                           CHARACTER_MAXIMUM_LENGTH, NUMERIC_PRECISION, NUMERIC_SCALE, DATETIME_PRECISION,
//                           DESCRIPTION and the other standard fields (Null where files have none).
//                           Rows sorted by table, then column name, as Jet sorts them; ORDINAL_POSITION
//                           gives the table's order. This provider's own fields follow the standard ones:
//                           TYPE_NAME (the type as the database names it: "Long Integer", "VARCHAR(20)"),
//                           IS_AUTOINCREMENT, IS_COMPUTED, COMPUTED_EXPRESSION, VALIDATION_RULE,
//                           VALIDATION_TEXT.
//   adSchemaIndexes (12)    one row per index column: TABLE_NAME, INDEX_NAME, PRIMARY_KEY, UNIQUE,
//                           NULLS (1 disallow, 2 ignore, 0 allow), ORDINAL_POSITION (from 1),
//                           COLUMN_NAME, COLLATION (1 ascending, 2 descending), INTEGRATED, ...
//   adSchemaPrimaryKeys (28) TABLE_NAME, COLUMN_NAME, ORDINAL (from 1), PK_NAME.
//   adSchemaForeignKeys (27) one row per column pair of an enforced relationship: PK_TABLE_NAME,
//                           PK_COLUMN_NAME, FK_TABLE_NAME, FK_COLUMN_NAME, ORDINAL, UPDATE_RULE and
//                           DELETE_RULE ("CASCADE", "SET NULL", "NO ACTION", "RESTRICT", "SET DEFAULT"),
//                           PK_NAME, FK_NAME, DEFERRABILITY.
//
// Restrictions (OpenSchema's second argument) are the standard ones, Empty meaning none:
// columns [catalog, schema, TABLE_NAME, COLUMN_NAME]; indexes [catalog, schema, INDEX_NAME, TYPE,
// TABLE_NAME]; primary keys [catalog, schema, TABLE_NAME]; foreign keys [PK catalog, PK schema,
// PK_TABLE_NAME, FK catalog, FK schema, FK_TABLE_NAME]; tables [catalog, schema, TABLE_NAME,
// TABLE_TYPE]. Names are compared without regard to case.
#pragma once

#include "ado/Provider.h"

#include <memory>
#include <vector>

namespace ado {

// The record set of one schema from the entries a session gives. `table` restricts
// the columns, indexes and primary keys asked of the session (empty: every table).
std::unique_ptr<Cursor> SchemaCursor(Session& session, int schema, const std::vector<Variant>& restrictions);

}  // namespace ado
