// A table list held in memory, for tests and the batch command. It keeps the
// rules of TableList: sorted insert without regard to case, at most 32767 items,
// several selected items and a current item (-1 when none).
//
// Positions follow their items: adding or removing an item before the current one
// moves the current index with it; removing the current item leaves no current item.
#pragma once

#include "app/TableList.h"

#include <QString>
#include <vector>

namespace app {

class MemoryTableList : public TableList {
 public:
  int count() const override { return static_cast<int>(items_.size()); }
  QString item(int index) const override;
  void addItem(const QString& text) override;
  void removeItem(int index) override;
  void clear() override;
  bool isSelected(int index) const override;
  void setSelected(int index, bool selected) override;
  int currentIndex() const override { return current_; }
  void setCurrentIndex(int index) override;

  // All items in order (for tests and printing).
  std::vector<QString> items() const;

 private:
  struct Entry {
    QString text;
    bool selected = false;
  };
  void checkIndex(int index, const char* operation) const;

  std::vector<Entry> items_;
  int current_ = -1;
};

}  // namespace app
