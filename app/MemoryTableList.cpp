#include "app/MemoryTableList.h"

#include "app/ListOrder.h"

#include <stdexcept>
#include <string>

namespace app {

void MemoryTableList::checkIndex(int index, const char* operation) const {
  if (index < 0 || index >= count())
    throw std::out_of_range(std::string(operation) + ": list position " + std::to_string(index) +
                            " does not exist (the list holds " + std::to_string(count()) + " items)");
}

QString MemoryTableList::item(int index) const {
  checkIndex(index, "Reading a list item");
  return items_[static_cast<std::size_t>(index)].text;
}

void MemoryTableList::addItem(const QString& text) {
  if (count() >= kMaxItems) throw ListFullError();
  const int position = SortedInsertPosition(*this, text);
  items_.insert(items_.begin() + position, Entry{text, false});
  if (current_ >= position) ++current_;
}

void MemoryTableList::removeItem(int index) {
  checkIndex(index, "Removing a list item");
  items_.erase(items_.begin() + index);
  if (current_ == index)
    current_ = -1;
  else if (current_ > index)
    --current_;
}

void MemoryTableList::clear() {
  items_.clear();
  current_ = -1;
}

bool MemoryTableList::isSelected(int index) const {
  checkIndex(index, "Reading a list selection");
  return items_[static_cast<std::size_t>(index)].selected;
}

void MemoryTableList::setSelected(int index, bool selected) {
  checkIndex(index, "Selecting a list item");
  items_[static_cast<std::size_t>(index)].selected = selected;
}

void MemoryTableList::setCurrentIndex(int index) {
  if (index != -1) checkIndex(index, "Choosing the current list item");
  current_ = index;
}

std::vector<QString> MemoryTableList::items() const {
  std::vector<QString> texts;
  texts.reserve(items_.size());
  for (const Entry& e : items_) texts.push_back(e.text);
  return texts;
}

}  // namespace app
