#include "app/ApplicationTitle.h"
#include "ui/Form2.h"
#include "ui/Twips.h"
#include "WindowTestSupport.h"

#include <QFontInfo>
#include <gtest/gtest.h>

namespace {

using app::PointerState;

class Form2Test : public ::testing::Test, public uitest::WindowFixture {
 protected:
  Form2Test() : windowServices(services()), form(windowServices, &connectionWindow) {}

  QRect Twips(int left, int top, int width, int height) const {
    return ui::TwipsRect(left, top, width, height, form.logicalDpiX());
  }

  ui::WindowServices windowServices;
  QWidget connectionWindow;
  ui::Form2 form;
};

TEST_F(Form2Test, ControlsStandWhereTheLayoutPutsThem) {
  EXPECT_EQ(form.Frame1->geometry(), Twips(120, 120, 3840, 4215));
  EXPECT_EQ(form.Frame2->geometry(), Twips(4080, 120, 3840, 4215));
  EXPECT_EQ(form.List1->parentWidget(), form.Frame1);
  EXPECT_EQ(form.List2->geometry(), Twips(240, 360, 3330, 1635));
  EXPECT_EQ(form.PushButton11->geometry(), Twips(1960, 2100, 1605, 405));
  EXPECT_EQ(form.PushButton4->parentWidget(), form.Frame2);
  EXPECT_EQ(form.PushButton4->text(), "Send Table/s To Access");
  EXPECT_EQ(form.PushButton3->text(), "Send Table/s To SQLite");
  EXPECT_EQ(form.ProgressBar1->geometry(), Twips(120, 4460, 7800, 405));
  EXPECT_EQ(form.PushButton2->text(), "< Back");
  EXPECT_EQ(form.PushButton12->geometry(), Twips(4080, 4980, 3840, 405));
  EXPECT_EQ(form.width(), ui::TwipsToPixels(8040, form.logicalDpiX()));
  // Arial where present, else its metric twin.
  const QString family = QFontInfo(form.PushButton3->font()).family();
  EXPECT_TRUE(family == "Arial" || family == "Liberation Sans") << family.toStdString();
  EXPECT_TRUE(form.PushButton3->font().bold());
  EXPECT_DOUBLE_EQ(form.PushButton3->font().pointSizeF(), 11.25);
  EXPECT_DOUBLE_EQ(form.List1->font().pointSizeF(), 9);
}

TEST_F(Form2Test, TabGoesThroughListsThenAccessThenSQLiteButtonsThenBottomRow) {
  const QList<QWidget*> expected = {form.List1,       form.List2,       form.PushButton10, form.PushButton11,
                                    form.PushButton3, form.PushButton1, form.PushButton6,  form.PushButton8,
                                    form.PushButton9, form.PushButton4, form.PushButton5,  form.PushButton7,
                                    form.PushButton2, form.PushButton12};
  QList<QWidget*> order;
  QWidget* w = form.List1;
  do {
    if (w->focusPolicy() & Qt::TabFocus) order << w;
    w = w->nextInFocusChain();
  } while (w != form.List1 && order.size() < 40);
  EXPECT_EQ(order, expected);
}

TEST_F(Form2Test, LoadWithoutHandCursorSetsCaptionIconAndHeightSilently) {
  form.Form_Load();
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_EQ(form.windowTitle(), "Tabloren");
  EXPECT_FALSE(form.windowIcon().isNull());
  EXPECT_FALSE(form.pointer().hasCustomImage());
  // The bottom row fits with a margin, however tall the title bar.
  const int backBottom = form.PushButton2->geometry().bottom();
  EXPECT_GE(form.height(), ui::TwipsToPixels(5520, form.logicalDpiY()));
  EXPECT_GT(form.height(), backBottom);
  EXPECT_LE(form.height(), ui::TwipsToPixels(5965, form.logicalDpiY()));
  // Without the file the custom pointer still switches, to Qt's pointing hand.
  form.pointer().setPointer(PointerState::Custom);
  EXPECT_EQ(form.cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(Form2Test, LoadTakesTheHandFromTheProgramFolderAndReportsABrokenOne) {
  installHandCursor();
  form.Form_Load();
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_TRUE(form.pointer().hasCustomImage());
  form.pointer().setPointer(PointerState::Custom);
  EXPECT_EQ(form.cursor().shape(), Qt::BitmapCursor);

  ui::Form2 other(windowServices, &connectionWindow);
  QFile broken(programPath("HAND-M.CUR"));
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
  broken.write("not a cursor");
  broken.close();
  other.Form_Load();
  ASSERT_EQ(dialogs.messages().size(), 1u);
  const app::ShownDialog box = dialogs.messages()[0];
  EXPECT_EQ(box.title, "Application Error");
  EXPECT_TRUE(box.text.contains("in Quillmere2021/08/31.Form2.Form_Load at line 40\r\r")) << box.text.toStdString();
  EXPECT_TRUE(box.text.contains(programPath("HAND-M.CUR")));
  // The load carried on.
  EXPECT_EQ(other.windowTitle(), "Tabloren");
}

TEST_F(Form2Test, SelectAndDeselectAllLeaveTheCurrentItemAlone) {
  form.PushButton10->click();  // empty lists: nothing happens, nothing is said
  form.PushButton9->click();
  EXPECT_TRUE(dialogs.shown().empty());

  for (const char* name : {"b", "a", "c"}) {
    form.List1->addItem(name);
    form.List2->addItem(name);
  }
  form.List1->setCurrentIndex(1);
  form.PushButton10->click();
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(form.List1->isSelected(i));
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(form.List2->isSelected(i));
  EXPECT_EQ(form.List1->currentIndex(), 1);
  form.PushButton11->click();
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(form.List1->isSelected(i));

  form.PushButton8->click();
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(form.List2->isSelected(i));
  EXPECT_EQ(form.List2->currentIndex(), -1);
  form.List2->setSelected(1, false);
  form.PushButton9->click();
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(form.List2->isSelected(i));
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(Form2Test, HelpNamesTheContactPageUnderTheApplicationTitle) {
  form.PushButton12->click();
  ASSERT_EQ(dialogs.messages().size(), 1u);
  const app::ShownDialog box = dialogs.messages()[0];
  EXPECT_TRUE(box.text.startsWith("Questions? Please contact Team Marrowind at https://"));
  EXPECT_EQ(box.title, app::ApplicationTitle());
  EXPECT_EQ(box.buttons, app::MessageButtons::Ok);
  EXPECT_EQ(box.icon, app::MessageIcon::None);
}

TEST_F(Form2Test, BackShowsTheConnectionWindowAndClosingEndsTheProgram) {
  form.show();
  form.PushButton2->click();
  EXPECT_TRUE(connectionWindow.isVisible());
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(endCalls, 0);

  connectionWindow.hide();
  form.show();
  form.close();
  EXPECT_EQ(endCalls, 1);
}

TEST_F(Form2Test, ButtonsShowTheHandAndPlainAreasTheArrowUnlessTheHourglassShows) {
  form.show();
  uitest::MoveMouseOver(form.PushButton3);
  EXPECT_EQ(form.pointer().pointer(), PointerState::Custom);
  uitest::MoveMouseOver(form.List1->viewport());
  EXPECT_EQ(form.pointer().pointer(), PointerState::Default);
  EXPECT_EQ(form.cursor().shape(), Qt::ArrowCursor);
  uitest::MoveMouseOver(form.PushButton12);
  uitest::MoveMouseOver(form.Frame2);  // the frame's own border area
  EXPECT_EQ(form.pointer().pointer(), PointerState::Default);
  uitest::MoveMouseOver(form.PushButton9);
  // The progress bar has no handler: the pointer stays as it is.
  uitest::MoveMouseOver(form.ProgressBar1, QPoint(5, 5));
  EXPECT_EQ(form.pointer().pointer(), PointerState::Custom);

  form.pointer().setPointer(PointerState::Hourglass);
  EXPECT_EQ(form.cursor().shape(), Qt::WaitCursor);
  uitest::MoveMouseOver(form.PushButton4);
  uitest::MoveMouseOver(form.List2->viewport());
  uitest::MoveMouseOver(&form, QPoint(1, 1));
  EXPECT_EQ(form.pointer().pointer(), PointerState::Hourglass);
  EXPECT_EQ(form.cursor().shape(), Qt::WaitCursor);
}

TEST_F(Form2Test, ProgressBarShowsItsCaptionWhenIdleAndThePercentageWhileWorking) {
  EXPECT_EQ(form.ProgressBar1->text(), "Progress Bar");
  form.ProgressBar1->setValue(50);
  EXPECT_EQ(form.ProgressBar1->text(), "50%");
  form.ProgressBar1->setValue(0);
  EXPECT_EQ(form.ProgressBar1->text(), "Progress Bar");
}

}  // namespace
