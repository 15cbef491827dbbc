// The faithful copy's saved queries, Access to SQLite: every query's Access SQL is kept in
// the table _access_queries(name, type, sql); select and union queries become views, made
// after the views they read, each checked by running it once; every other query, and every
// view SQLite refuses, is one note that names the query and the reason.
#pragma once

#include "ado/Connection.h"
#include "transfer/QueryTranslation.h"

#include <functional>
#include <set>
#include <string>

namespace transfer {

inline constexpr const char* kAccessQueriesTable = "_access_queries";

// The views of an SQLite database that came from Access queries (named in _access_queries),
// case-folded; none when there is no such table or it cannot be read. Other views are copied
// as tables, as the plain copy does.
std::set<std::string> ViewsFromAccessQueries(ado::Connection& sqlite);

// The faithful copy to Access: the SQLite views named in `views` that did not come from
// Access queries (not in `fromAccess`, case-folded) become saved select queries where their
// SQL has an Access form (SQLiteViewSql.h), each after the views it reads; the refused ones
// are copied as tables. Throws ado::Error when the SQLite catalogue cannot be read.
ViewPlan PlanQueriesOfSQLiteViews(ado::Connection& sqlite, const std::set<std::string>& views,
                                  const std::set<std::string>& fromAccess);

// `access` is the source database, `sqlite` the copy. Throws ado::Error when the query
// table cannot be written or the Access catalogue cannot be read.
void CopySavedQueriesToSQLite(ado::Connection& access, ado::Connection& sqlite,
                              const std::function<void(const std::string& note)>& note);

// The way back: every select and union query kept in _access_queries becomes that saved
// query again, from its Access SQL (a query SQLite could not show included); other kinds and
// hidden record sources are notes. Throws ado::Error when the SQLite catalogue cannot be
// read; a query Access refuses is a note.
void CopySavedQueriesToAccess(ado::Connection& sqlite, ado::Connection& access,
                              const std::function<void(const std::string& note)>& note);

}  // namespace transfer
