#include "ui/TableListBox.h"

#include "app/ListOrder.h"
#include "ui/Controls.h"
#include "ui/Twips.h"

#include <QItemSelectionModel>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <stdexcept>

namespace ui {

TableListBox::TableListBox(QWidget* parent) : QListWidget(parent) {
  setFont(ArialFont(9 * LayoutScale(parent), true));
  setSelectionMode(QAbstractItemView::MultiSelection);
  setSortingEnabled(false);  // Qt's own sort is case-sensitive; addItem keeps the order
}

void TableListBox::focusInEvent(QFocusEvent* event) {
  // Qt makes the first item current when a list without one gets the focus by
  // keyboard; here the current item is only ever the one the user clicked or the
  // program chose, so "no current item" survives tabbing into the list.
  const bool hadCurrent = currentRow() != -1;
  QListWidget::focusInEvent(event);
  if (!hadCurrent) setCurrentIndex(-1);
  viewport()->update();
}

void TableListBox::focusOutEvent(QFocusEvent* event) {
  QListWidget::focusOutEvent(event);
  viewport()->update();
}

void TableListBox::paintEvent(QPaintEvent* event) {
  QListWidget::paintEvent(event);
  // Qt marks the focus on the current item only. Without one the list still shows that it
  // has the focus: a focus frame on its first row, or on its empty area.
  if (!hasFocus() || currentRow() != -1) return;
  QStyleOptionFocusRect option;
  option.initFrom(this);
  option.state |= QStyle::State_HasFocus;
  option.rect = count() > 0 ? visualItemRect(QListWidget::item(0)) : viewport()->rect().adjusted(1, 1, -1, -1);
  option.backgroundColor = palette().color(QPalette::Base);
  QPainter painter(viewport());
  style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

int TableListBox::count() const { return QListWidget::count(); }

QString TableListBox::item(int index) const {
  checkIndex(index, "item");
  return QListWidget::item(index)->text();
}

void TableListBox::addItem(const QString& text) {
  if (count() >= kMaxItems) throw app::ListFullError();
  insertItem(app::SortedInsertPosition(*this, text), text);
}

void TableListBox::removeItem(int index) {
  checkIndex(index, "removeItem");
  const bool wasCurrent = currentRow() == index;
  delete takeItem(index);
  // Qt moves the current item to a neighbour; a removed current item leaves none.
  if (wasCurrent) setCurrentIndex(-1);
}

void TableListBox::clear() { QListWidget::clear(); }

bool TableListBox::isSelected(int index) const {
  checkIndex(index, "isSelected");
  return QListWidget::item(index)->isSelected();
}

void TableListBox::setSelected(int index, bool selected) {
  checkIndex(index, "setSelected");
  selectionModel()->select(model()->index(index, 0),
                           selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

int TableListBox::currentIndex() const {
  return currentRow();  // -1 when there is no current item
}

void TableListBox::setCurrentIndex(int index) {
  if (index == -1) {
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    return;
  }
  checkIndex(index, "setCurrentIndex");
  selectionModel()->setCurrentIndex(model()->index(index, 0), QItemSelectionModel::NoUpdate);
}

void TableListBox::checkIndex(int index, const char* operation) const {
  if (index < 0 || index >= count()) {
    throw std::out_of_range(std::string("List ") + operation + ": no item at position " +
                            std::to_string(index) + " (the list holds " + std::to_string(count()) +
                            " items).");
  }
}

}  // namespace ui
