#include "app/TableListNames.h"

#include <stdexcept>

namespace app {

namespace {
// The walks use 16-bit positions; a longer list is a failure, never a wrap-around.
int CountForWalk(const TableList& list) {
  const int count = list.count();
  if (count > TableList::kMaxItems)
    throw std::overflow_error("Overflow: a list of more than 32767 items cannot be searched.");
  return count;
}
}  // namespace

bool ListContains(const TableList& list, const QString& name) {
  const QString wanted = name.toLower();
  const int count = CountForWalk(list);
  for (int i = 0; i < count; ++i)
    if (list.item(i).toLower() == wanted) return true;
  return false;
}

void RemoveListItem(TableList& list, const QString& name) {
  const int count = CountForWalk(list);
  for (int i = 0; i < count && i < list.count(); ++i)
    if (list.item(i) == name) list.removeItem(i);
}

}  // namespace app
