// A list box of table names ("Access Tables" or "SQLite Tables"):
// the table list the database modules and transfers work on, shown as a
// QListWidget.
//
// Items stay sorted without regard to case; an added item takes its sorted place.
// A click toggles the clicked item's selection (simple multiple selection) and
// makes it the current item; selecting in code never moves the current item.
// At most 32767 items. A position outside the list throws std::out_of_range,
// like the in-memory list.
//
// The list operations deliberately hide QListWidget's own addItem/item/clear/
// currentIndex: every caller goes through the sorted, limited ones.
#pragma once

#include "app/TableList.h"

#include <QListWidget>

namespace ui {

class TableListBox : public QListWidget, public app::TableList {
 public:
  explicit TableListBox(QWidget* parent);

  int count() const override;
  QString item(int index) const override;
  void addItem(const QString& text) override;
  void removeItem(int index) override;
  void clear() override;
  bool isSelected(int index) const override;
  void setSelected(int index, bool selected) override;
  int currentIndex() const override;
  void setCurrentIndex(int index) override;

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void checkIndex(int index, const char* operation) const;
};

}  // namespace ui
