#include "app/TableListNames.h"
#include "app/MemoryTableList.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using app::MemoryTableList;

std::vector<QString> Texts(std::initializer_list<const char*> items) {
  std::vector<QString> texts;
  for (const char* item : items) texts.push_back(QString::fromUtf8(item));
  return texts;
}

MemoryTableList ListOf(std::initializer_list<const char*> items) {
  MemoryTableList list;
  for (const char* item : items) list.addItem(QString::fromUtf8(item));
  return list;
}

TEST(MemoryTableList, SortsWithoutRegardToCaseAndKeepsDuplicates) {
  MemoryTableList list = ListOf({"orders", "Customers", "ORDERS", "_log", "customers", "Zebra", "apple", "Orders"});
  EXPECT_EQ(list.items(), Texts({"_log", "apple", "Customers", "customers", "orders", "ORDERS", "Orders", "Zebra"}));
}

TEST(MemoryTableList, CurrentItemAndSelectionFollowTheirItems) {
  MemoryTableList list = ListOf({"b", "d"});
  EXPECT_EQ(list.currentIndex(), -1);
  list.setCurrentIndex(1);  // "d"
  list.setSelected(1, true);
  list.addItem(QStringLiteral("a"));  // before the current item
  EXPECT_EQ(list.currentIndex(), 2);
  EXPECT_EQ(list.item(2), QStringLiteral("d"));
  EXPECT_TRUE(list.isSelected(2));
  EXPECT_FALSE(list.isSelected(0));
  list.removeItem(0);
  EXPECT_EQ(list.currentIndex(), 1);
  list.removeItem(1);  // the current item itself
  EXPECT_EQ(list.currentIndex(), -1);
  list.setCurrentIndex(0);
  list.clear();
  EXPECT_EQ(list.currentIndex(), -1);
  EXPECT_EQ(list.count(), 0);
}

TEST(MemoryTableList, PositionsOutsideTheListFail) {
  MemoryTableList list = ListOf({"a"});
  EXPECT_THROW(list.item(1), std::out_of_range);
  EXPECT_THROW(list.item(-1), std::out_of_range);
  EXPECT_THROW(list.removeItem(1), std::out_of_range);
  EXPECT_THROW(list.setSelected(5, true), std::out_of_range);
  EXPECT_THROW(list.setCurrentIndex(1), std::out_of_range);
  EXPECT_THROW(list.setCurrentIndex(-2), std::out_of_range);
  list.setCurrentIndex(-1);  // no current item is always allowed
}

TEST(MemoryTableList, HoldsAtMost32767Items) {
  MemoryTableList list;
  for (int i = 0; i < app::TableList::kMaxItems; ++i) list.addItem(QString::number(i));
  EXPECT_EQ(list.count(), 32767);
  EXPECT_THROW(list.addItem(QStringLiteral("one more")), app::ListFullError);
  EXPECT_EQ(list.count(), 32767);
  EXPECT_FALSE(app::ListContains(list, QStringLiteral("one more")));
  EXPECT_TRUE(app::ListContains(list, QStringLiteral("32766")));
  list.removeItem(0);
  list.addItem(QStringLiteral("fits again"));
  EXPECT_EQ(list.count(), 32767);
}

TEST(ListHelpers, ListContainsIgnoresCaseRemoveListItemDoesNot) {
  MemoryTableList list = ListOf({"ORDERS", "Straße"});
  EXPECT_TRUE(app::ListContains(list, QStringLiteral("Orders")));
  EXPECT_TRUE(app::ListContains(list, QString::fromUtf8("STRAßE")));
  EXPECT_FALSE(app::ListContains(list, QStringLiteral("Order")));
  app::RemoveListItem(list, QStringLiteral("Orders"));
  EXPECT_EQ(list.items(), Texts({"ORDERS", "Straße"}));
  app::RemoveListItem(list, QStringLiteral("ORDERS"));
  EXPECT_EQ(list.items(), Texts({"Straße"}));
}

TEST(ListHelpers, RemoveListItemSkipsTheItemThatMovesUp) {
  MemoryTableList list = ListOf({"a", "a", "b"});
  app::RemoveListItem(list, QStringLiteral("a"));
  EXPECT_EQ(list.items(), Texts({"a", "b"}));

  MemoryTableList three = ListOf({"x", "x", "x", "y"});
  app::RemoveListItem(three, QStringLiteral("x"));  // positions 0 and 2 of the shrinking list
  EXPECT_EQ(three.items(), Texts({"x", "y"}));
}

TEST(ListHelpers, EmptyListAndEmptyName) {
  MemoryTableList empty;
  EXPECT_FALSE(app::ListContains(empty, QStringLiteral("a")));
  app::RemoveListItem(empty, QStringLiteral("a"));
  EXPECT_EQ(empty.count(), 0);
  MemoryTableList list = ListOf({"", "a"});
  EXPECT_TRUE(app::ListContains(list, QString()));
  app::RemoveListItem(list, QString());
  EXPECT_EQ(list.items(), Texts({"a"}));
}

// A list implementation that breaks the 16-bit limit is a failure, never a wrap-around.
class OversizedList : public app::TableList {
 public:
  int count() const override { return 40000; }
  QString item(int) const override { return QStringLiteral("t"); }
  void addItem(const QString&) override {}
  void removeItem(int) override {}
  void clear() override {}
  bool isSelected(int) const override { return false; }
  void setSelected(int, bool) override {}
  int currentIndex() const override { return -1; }
  void setCurrentIndex(int) override {}
};

TEST(ListHelpers, ListBeyond16BitPositionsFails) {
  OversizedList list;
  EXPECT_THROW(app::ListContains(list, QStringLiteral("t")), std::overflow_error);
  EXPECT_THROW(app::RemoveListItem(list, QStringLiteral("t")), std::overflow_error);
}

}  // namespace
