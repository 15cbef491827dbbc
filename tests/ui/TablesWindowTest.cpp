#include "app/ApplicationTitle.h"
#include "ui/TablesWindow.h"
#include "ui/Twips.h"
#include "WindowTestSupport.h"

#include <QFontInfo>
#include <gtest/gtest.h>

namespace {

using app::PointerState;

class TablesWindowTest : public ::testing::Test, public uitest::WindowFixture {
 protected:
  TablesWindowTest() : windowServices(services()), form(windowServices, &connectionWindow) {}

  QRect Twips(int left, int top, int width, int height) const {
    return ui::TwipsRect(left, top, width, height, form.logicalDpiX());
  }

  ui::WindowServices windowServices;
  QWidget connectionWindow;
  ui::TablesWindow form;
};

TEST_F(TablesWindowTest, ControlsStandWhereTheLayoutPutsThem) {
  EXPECT_EQ(form.accessFrame->geometry(), Twips(120, 120, 3840, 4215));
  EXPECT_EQ(form.sqliteFrame->geometry(), Twips(4080, 120, 3840, 4215));
  EXPECT_EQ(form.accessList->parentWidget(), form.accessFrame);
  EXPECT_EQ(form.sqliteList->geometry(), Twips(240, 360, 3330, 1635));
  EXPECT_EQ(form.deselectAllAccessButton->geometry(), Twips(1960, 2100, 1605, 405));
  EXPECT_EQ(form.sendToAccessButton->parentWidget(), form.sqliteFrame);
  EXPECT_EQ(form.sendToAccessButton->text(), "Send Table/s To Access");
  EXPECT_EQ(form.sendToSQLiteButton->text(), "Send Table/s To SQLite");
  EXPECT_EQ(form.progressBar->geometry(), Twips(120, 4460, 7800, 405));
  EXPECT_EQ(form.backButton->text(), "< Back");
  EXPECT_EQ(form.helpButton->geometry(), Twips(4080, 4980, 3840, 405));
  EXPECT_EQ(form.width(), ui::TwipsToPixels(8040, form.logicalDpiX()));
  // Arial where present, else its metric twin.
  const QString family = QFontInfo(form.sendToSQLiteButton->font()).family();
  EXPECT_TRUE(family == "Arial" || family == "Liberation Sans") << family.toStdString();
  EXPECT_TRUE(form.sendToSQLiteButton->font().bold());
  EXPECT_DOUBLE_EQ(form.sendToSQLiteButton->font().pointSizeF(), 11.25);
  EXPECT_DOUBLE_EQ(form.accessList->font().pointSizeF(), 9);
}

TEST_F(TablesWindowTest, TabGoesThroughListsThenAccessThenSQLiteButtonsThenBottomRow) {
  const QList<QWidget*> expected = {form.accessList, form.sqliteList, form.selectAllAccessButton,
                                    form.deselectAllAccessButton, form.sendToSQLiteButton, form.deleteAccessButton,
                                    form.renameAccessButton, form.selectAllSQLiteButton, form.deselectAllSQLiteButton,
                                    form.sendToAccessButton, form.deleteSQLiteButton, form.renameSQLiteButton,
                                    form.backButton,         form.helpButton};
  QList<QWidget*> order;
  QWidget* w = form.accessList;
  do {
    if (w->focusPolicy() & Qt::TabFocus) order << w;
    w = w->nextInFocusChain();
  } while (w != form.accessList && order.size() < 40);
  EXPECT_EQ(order, expected);
}

TEST_F(TablesWindowTest, LoadWithoutHandCursorSetsCaptionIconAndHeightSilently) {
  form.load();
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_EQ(form.windowTitle(), "Tabloren");
  EXPECT_FALSE(form.windowIcon().isNull());
  EXPECT_FALSE(form.pointer().hasCustomImage());
  // The bottom row fits with a margin, however tall the title bar.
  const int backBottom = form.backButton->geometry().bottom();
  EXPECT_GE(form.height(), ui::TwipsToPixels(5520, form.logicalDpiY()));
  EXPECT_GT(form.height(), backBottom);
  EXPECT_LE(form.height(), ui::TwipsToPixels(5965, form.logicalDpiY()));
  // Without the file the custom pointer still switches, to Qt's pointing hand.
  form.pointer().setPointer(PointerState::Custom);
  EXPECT_EQ(form.cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(TablesWindowTest, LoadTakesTheHandFromTheProgramFolderAndReportsABrokenOne) {
  installHandCursor();
  form.load();
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_TRUE(form.pointer().hasCustomImage());
  form.pointer().setPointer(PointerState::Custom);
  EXPECT_EQ(form.cursor().shape(), Qt::BitmapCursor);

  ui::TablesWindow other(windowServices, &connectionWindow);
  QFile broken(programPath("HAND-M.CUR"));
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
  broken.write("not a cursor");
  broken.close();
  other.load();
  ASSERT_EQ(dialogs.messages().size(), 1u);
  const app::ShownDialog box = dialogs.messages()[0];
  EXPECT_EQ(box.title, "Application Error");
  EXPECT_TRUE(box.text.contains("in Quillmere2021/08/31.Form2.Form_Load at line 40\r\r")) << box.text.toStdString();
  EXPECT_TRUE(box.text.contains(programPath("HAND-M.CUR")));
  // The load carried on.
  EXPECT_EQ(other.windowTitle(), "Tabloren");
}

TEST_F(TablesWindowTest, SelectAndDeselectAllLeaveTheCurrentItemAlone) {
  form.selectAllAccessButton->click();  // empty lists: nothing happens, nothing is said
  form.deselectAllSQLiteButton->click();
  EXPECT_TRUE(dialogs.shown().empty());

  for (const char* name : {"b", "a", "c"}) {
    form.accessList->addItem(name);
    form.sqliteList->addItem(name);
  }
  form.accessList->setCurrentIndex(1);
  form.selectAllAccessButton->click();
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(form.accessList->isSelected(i));
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(form.sqliteList->isSelected(i));
  EXPECT_EQ(form.accessList->currentIndex(), 1);
  form.deselectAllAccessButton->click();
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(form.accessList->isSelected(i));

  form.selectAllSQLiteButton->click();
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(form.sqliteList->isSelected(i));
  EXPECT_EQ(form.sqliteList->currentIndex(), -1);
  form.sqliteList->setSelected(1, false);
  form.deselectAllSQLiteButton->click();
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(form.sqliteList->isSelected(i));
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(TablesWindowTest, HelpNamesTheContactPageUnderTheApplicationTitle) {
  form.helpButton->click();
  ASSERT_EQ(dialogs.messages().size(), 1u);
  const app::ShownDialog box = dialogs.messages()[0];
  EXPECT_TRUE(box.text.startsWith("Questions? Please contact Team Marrowind at https://"));
  EXPECT_EQ(box.title, app::ApplicationTitle());
  EXPECT_EQ(box.buttons, app::MessageButtons::Ok);
  EXPECT_EQ(box.icon, app::MessageIcon::None);
}

TEST_F(TablesWindowTest, BackShowsTheConnectionWindowAndClosingEndsTheProgram) {
  form.show();
  form.backButton->click();
  EXPECT_TRUE(connectionWindow.isVisible());
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(endCalls, 0);

  connectionWindow.hide();
  form.show();
  form.close();
  EXPECT_EQ(endCalls, 1);
}

TEST_F(TablesWindowTest, ButtonsShowTheHandAndPlainAreasTheArrowUnlessTheHourglassShows) {
  form.show();
  uitest::MoveMouseOver(form.sendToSQLiteButton);
  EXPECT_EQ(form.pointer().pointer(), PointerState::Custom);
  uitest::MoveMouseOver(form.accessList->viewport());
  EXPECT_EQ(form.pointer().pointer(), PointerState::Default);
  EXPECT_EQ(form.cursor().shape(), Qt::ArrowCursor);
  uitest::MoveMouseOver(form.helpButton);
  uitest::MoveMouseOver(form.sqliteFrame);  // the frame's own border area
  EXPECT_EQ(form.pointer().pointer(), PointerState::Default);
  uitest::MoveMouseOver(form.deselectAllSQLiteButton);
  // The progress bar has no handler: the pointer stays as it is.
  uitest::MoveMouseOver(form.progressBar, QPoint(5, 5));
  EXPECT_EQ(form.pointer().pointer(), PointerState::Custom);

  form.pointer().setPointer(PointerState::Hourglass);
  EXPECT_EQ(form.cursor().shape(), Qt::WaitCursor);
  uitest::MoveMouseOver(form.sendToAccessButton);
  uitest::MoveMouseOver(form.sqliteList->viewport());
  uitest::MoveMouseOver(&form, QPoint(1, 1));
  EXPECT_EQ(form.pointer().pointer(), PointerState::Hourglass);
  EXPECT_EQ(form.cursor().shape(), Qt::WaitCursor);
}

TEST_F(TablesWindowTest, ProgressBarShowsItsCaptionWhenIdleAndThePercentageWhileWorking) {
  EXPECT_EQ(form.progressBar->text(), "Progress Bar");
  form.progressBar->setValue(50);
  EXPECT_EQ(form.progressBar->text(), "50%");
  form.progressBar->setValue(0);
  EXPECT_EQ(form.progressBar->text(), "Progress Bar");
}

}  // namespace
