#include "app/ListOrder.h"

namespace app {

int CompareListItems(const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive); }

int SortedInsertPosition(const TableList& list, const QString& text) {
  // Binary search for the first item that sorts strictly after the text.
  int low = 0;
  int high = list.count();
  while (low < high) {
    const int middle = low + (high - low) / 2;
    if (CompareListItems(list.item(middle), text) <= 0)
      low = middle + 1;
    else
      high = middle;
  }
  return low;
}

}  // namespace app
