#include "ui/TableListBox.h"

#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QStringList Items(const ui::TableListBox& list) {
  QStringList texts;
  for (int i = 0; i < list.count(); ++i) texts << list.item(i);
  return texts;
}

void ClickItem(ui::TableListBox& list, int index) {
  const QRect rect = list.visualItemRect(list.QListWidget::item(index));
  QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
}

TEST(TableListBox, TabbingInShowsTheFocusAtOnceWithoutMakingAnItemCurrent) {
  for (const bool empty : {false, true}) {
    QWidget window;
    auto* before = new QPushButton(QStringLiteral("before"), &window);
    auto* list = new ui::TableListBox(&window);
    if (!empty) {
      for (const char* name : {"a", "b"}) list->addItem(name);
    }
    before->setGeometry(0, 0, 100, 30);
    list->setGeometry(0, 40, 200, 150);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    before->setFocus(Qt::OtherFocusReason);
    const QImage unfocused = list->grab().toImage();

    QTest::keyClick(before, Qt::Key_Tab);
    ASSERT_TRUE(list->hasFocus());
    EXPECT_EQ(list->currentIndex(), -1);
    const QImage focused = list->grab().toImage();
    EXPECT_NE(focused, unfocused) << "empty: " << empty;

    QTest::keyClick(list, Qt::Key_Tab);
    EXPECT_FALSE(list->hasFocus());
    EXPECT_EQ(list->grab().toImage(), unfocused) << "empty: " << empty;
  }
}

TEST(TableListBox, KeepsItemsSortedWithoutRegardToCase) {
  ui::TableListBox list(nullptr);
  for (const char* name : {"orders", "Customers", "ZIP", "apple", "Orders", "customers"}) list.addItem(name);
  // Equal names without regard to case stay in the order they were added.
  EXPECT_EQ(Items(list), (QStringList{"apple", "Customers", "customers", "orders", "Orders", "ZIP"}));
}

TEST(TableListBox, AClickTogglesSelectionAndMovesTheCurrentItem) {
  ui::TableListBox list(nullptr);
  for (const char* name : {"a", "b", "c"}) list.addItem(name);
  list.resize(200, 200);
  list.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
  EXPECT_EQ(list.currentIndex(), -1);

  ClickItem(list, 0);
  ClickItem(list, 2);
  EXPECT_TRUE(list.isSelected(0));
  EXPECT_FALSE(list.isSelected(1));
  EXPECT_TRUE(list.isSelected(2));
  EXPECT_EQ(list.currentIndex(), 2);

  ClickItem(list, 0);  // a second click takes the selection away again
  EXPECT_FALSE(list.isSelected(0));
  EXPECT_TRUE(list.isSelected(2));
  EXPECT_EQ(list.currentIndex(), 0);
}

TEST(TableListBox, SelectingInCodeLeavesTheCurrentItemAlone) {
  ui::TableListBox list(nullptr);
  for (const char* name : {"a", "b", "c"}) list.addItem(name);
  list.setCurrentIndex(1);
  list.setSelected(0, true);
  list.setSelected(2, true);
  list.setSelected(1, false);
  EXPECT_EQ(list.currentIndex(), 1);
  EXPECT_TRUE(list.isSelected(0));
  EXPECT_FALSE(list.isSelected(1));

  // An item added before the current one moves it along; removing it leaves none.
  list.addItem("0");
  EXPECT_EQ(list.currentIndex(), 2);
  EXPECT_EQ(list.item(2), "b");
  list.removeItem(2);
  EXPECT_EQ(list.currentIndex(), -1);
  EXPECT_EQ(Items(list), (QStringList{"0", "a", "c"}));
  EXPECT_TRUE(list.isSelected(1));

  list.clear();
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(list.currentIndex(), -1);
}

TEST(TableListBox, PositionsOutsideTheListAreErrors) {
  ui::TableListBox list(nullptr);
  list.addItem("only");
  EXPECT_THROW(list.item(1), std::out_of_range);
  EXPECT_THROW(list.removeItem(-1), std::out_of_range);
  EXPECT_THROW(list.setSelected(5, true), std::out_of_range);
  EXPECT_THROW(list.setCurrentIndex(1), std::out_of_range);
  EXPECT_EQ(list.count(), 1);
}

TEST(TableListBox, HoldsAtMost32767Items) {
  ui::TableListBox list(nullptr);
  for (int i = 0; i < app::TableList::kMaxItems; ++i) list.insertItem(i, QString::number(i));
  EXPECT_EQ(list.count(), 32767);
  EXPECT_THROW(list.addItem("one more"), app::ListFullError);
  EXPECT_EQ(list.count(), 32767);
}

}  // namespace
