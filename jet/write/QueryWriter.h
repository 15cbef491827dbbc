// Saved queries as Access writes them: the query's MSysQueries rows (jet/SavedQueries.h
// builds them from Access SQL), its MSysObjects row (type 5 under the Tables container, the
// kind in its Flags, the next id of the objects that are not tables) and the permission rows
// Access gives a new table.
#pragma once

#include "jet/Database.h"
#include "jet/SavedQueries.h"
#include "jet/Status.h"
#include "jet/write/PageWriter.h"

namespace jet {

// Refused when an object of that name exists already, or for a kind other than select and union.
Status CreateSavedQuery(Database& db, PageWriter& writer, const SavedQuery& query);

}  // namespace jet
