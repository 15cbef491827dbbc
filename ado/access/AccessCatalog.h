// The rows of the table schema (OpenSchema 20) for an Access catalogue (MSysObjects):
//   "TABLE"         user tables
//   "SYSTEM TABLE"  tables flagged as system objects (0x80000000 or 0x00000002)
//   "LINK"          linked tables, both to another Access file and through ODBC
//   "VIEW"          stored queries that return rows: select, crosstab and union queries
// Action and data-definition queries (make-table, append, update, delete, DDL, pass-through)
// are procedures, not views, and are not listed; nor are the hidden system queries Access keeps
// for the record sources of forms and reports ("~sq_..."). A query's kind is the type field in
// the object's MSysObjects Flags (mask 0xF0: 0 select, 0x10 crosstab, 0x20 delete, 0x30 update,
// 0x40 append, 0x50 make-table, 0x60 data definition, 0x70 pass-through, 0x80 union), as
// UtterAccess's "MsysObjects Flags" catalogue of the values records. Queries with parameters
// are not told apart here (that needs MSysQueries) and are listed as views.
//
// Rows come sorted by TABLE_TYPE, then TABLE_NAME (without regard to case): the order the
// OLE DB documentation gives the TABLES schema rowset.
#pragma once

#include <vector>

#include "ado/Provider.h"
#include "jet/Catalog.h"

namespace ado::access {

std::vector<TableEntry> SchemaTables(const jet::Catalog& catalog);

// True for a query object that returns rows (select, crosstab, union).
bool IsRowReturningQuery(const jet::CatalogEntry& entry);

}  // namespace ado::access
