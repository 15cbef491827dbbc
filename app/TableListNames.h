// Searching and removing table names in the table lists.
#pragma once

#include "app/TableList.h"

#include <QString>

namespace app {

// True when an item equals the name after both are lower-cased.
bool ListContains(const TableList& list, const QString& name);

// Removes the items that equal the name exactly (case-sensitive). The walk goes
// on with the next position after a removal, so of two adjacent equal items only
// the first goes: "a", "a", "b" without "a" leaves "a", "b".
void RemoveListItem(TableList& list, const QString& name);

}  // namespace app
