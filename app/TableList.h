// The table lists of the tables window ("Access Tables" and "SQLite Tables") as the
// database modules and the transfers see them. The window implements it on
// QListWidget; MemoryTableList serves tests and the batch command.
//
// Rules every implementation keeps:
// - items stay sorted without regard to case; an added item takes its sorted place;
// - positions are 16-bit: at most kMaxItems items; adding one more throws ListFullError;
// - several items can be selected; there is a current item, -1 when none.
#pragma once

#include <QString>
#include <stdexcept>

namespace app {

class ListFullError : public std::runtime_error {
 public:
  ListFullError() : std::runtime_error("Out of memory: a list holds at most 32767 items.") {}
};

class TableList {
 public:
  static constexpr int kMaxItems = 32767;

  virtual ~TableList() = default;
  virtual int count() const = 0;
  virtual QString item(int index) const = 0;
  virtual void addItem(const QString& text) = 0;
  virtual void removeItem(int index) = 0;
  virtual void clear() = 0;
  virtual bool isSelected(int index) const = 0;
  virtual void setSelected(int index, bool selected) = 0;
  virtual int currentIndex() const = 0;
  virtual void setCurrentIndex(int index) = 0;
};

}  // namespace app
