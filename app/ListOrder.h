// The order of the table lists, shared by every TableList implementation so that
// the window's lists and the in-memory lists sort alike: ascending, without regard
// to case; an added item goes after the items that compare equal to it.
#pragma once

#include "app/TableList.h"

#include <QString>

namespace app {

// Negative, zero or positive as a sorts before, with or after b.
int CompareListItems(const QString& a, const QString& b);

// The position at which an item with this text takes its sorted place.
int SortedInsertPosition(const TableList& list, const QString& text);

}  // namespace app
