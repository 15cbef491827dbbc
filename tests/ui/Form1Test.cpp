#include "ado/Error.h"
#include "app/ApplicationTitle.h"
#include "app/Settings.h"
#include "app/Yield.h"
#include "ui/Form1.h"
#include "ui/Twips.h"
#include "SQLiteFiles.h"
#include "WindowTestSupport.h"

#include <QDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using app::PointerState;

const QString kCorpus = QStringLiteral(TABLOREN_TEST_DATA_DIR);
const QString kPlainMdb = kCorpus + "/mdb-reader/V2000/test.mdb";
const QString kPasswordMdb = kCorpus + "/mdb-reader/password/V2000_with-password.mdb";
constexpr char kUnableToAccess[] = "Unable to access the database";

// Records every pointer the window shows, in order.
class CursorRecorder : public QObject {
 public:
  explicit CursorRecorder(QWidget* window) : window_(window) { window->installEventFilter(this); }
  QList<Qt::CursorShape> shapes;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != window_ || event->type() != QEvent::CursorChange) return false;
    const Qt::CursorShape shape = window_->cursor().shape();
    if (shapes.isEmpty() || shapes.last() != shape) shapes << shape;
    return false;
  }

 private:
  QWidget* window_;
};

class Form1Test : public ::testing::Test, public uitest::WindowFixture {
 protected:
  Form1Test() : sqlitePath(programPath("data.db3")) {}

  ui::Form1& window() {
    if (!form) form = std::make_unique<ui::Form1>(services());
    return *form;
  }

  void storeSettings(const QString& sqlite, const QString& access, const QString& password) {
    app::WriteSetting(app::kSettingSQLiteDatabase, sqlite);
    app::WriteSetting(app::kSettingAccessMDBFile, access);
    app::WriteSetting(app::kSettingAccessPassword, password);
  }

  static QStringList Items(const ui::TableListBox& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i) texts << list.item(i);
    return texts;
  }

  QStringList applicationErrors() const {
    QStringList texts;
    for (const auto& box : dialogs.messages())
      if (box.title == "Application Error") texts << box.text;
    return texts;
  }

  QString sqlitePath;
  std::unique_ptr<ui::Form1> form;
};

TEST_F(Form1Test, FirstRunShowsTheEmptyConnectionWindowAndStoresNothing) {
  window().start();
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->existingTablesWindow(), nullptr);
  EXPECT_EQ(form->windowTitle(), "Tabloren");
  EXPECT_FALSE(form->windowIcon().isNull());
  EXPECT_TRUE(form->Text1->text().isEmpty());
  EXPECT_TRUE(form->Text5->text().isEmpty());
  EXPECT_TRUE(form->Text6->text().isEmpty());
  EXPECT_FALSE(QFile::exists(app::SettingsFilePath()));
  EXPECT_EQ(form->focusWidget(), form->Text1);
  EXPECT_EQ(endCalls, 0);
}

TEST_F(Form1Test, RestartWithUsableDatabasesGoesStraightToTheTablesWindow) {
  uitest::MakeSQLiteDatabase(sqlitePath, {"orders", "Customers", "abc$internal"});
  storeSettings(sqlitePath, kPlainMdb, QString());
  window().start();
  EXPECT_TRUE(dialogs.shown().empty());
  ASSERT_NE(form->existingTablesWindow(), nullptr);
  ui::Form2& tables = *form->existingTablesWindow();
  EXPECT_TRUE(tables.isVisible());
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(Items(*tables.List1), (QStringList{"Table1", "Table2", "Table3", "Table4"}));
  EXPECT_EQ(Items(*tables.List2), (QStringList{"Customers", "orders"}));
  EXPECT_EQ(form->pointer().pointer(), PointerState::Default);
}

TEST_F(Form1Test, WrongAccessPasswordStillOpensTheTablesWindowWithTheSQLiteTables) {
  uitest::MakeSQLiteDatabase(sqlitePath, {"Zeta", "alpha"});
  storeSettings(sqlitePath, kPasswordMdb, QStringLiteral("not the password"));
  window().start();
  EXPECT_EQ(dialogs.messageTexts(), QStringList{kUnableToAccess});
  ASSERT_NE(form->existingTablesWindow(), nullptr);
  ui::Form2& tables = *form->existingTablesWindow();
  EXPECT_TRUE(tables.isVisible());
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(tables.List1->count(), 0);
  EXPECT_EQ(Items(*tables.List2), (QStringList{"alpha", "Zeta"}));
  // The password was restored into the masked box.
  EXPECT_EQ(form->Text6->text(), "not the password");
}

TEST_F(Form1Test, RestartWithADeletedSQLiteFileStaysQuietlyOnTheConnectionWindow) {
  storeSettings(programPath("gone.db3"), kPlainMdb, QStringLiteral("pw"));
  window().start();
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->existingTablesWindow(), nullptr);
  EXPECT_EQ(form->Text1->text(), programPath("gone.db3"));
  EXPECT_EQ(form->Text5->text(), kPlainMdb);
  EXPECT_EQ(form->Text6->text(), "pw");
}

TEST_F(Form1Test, NextWithAMissingFileShowsNothingButABriefHourglass) {
  window().start();
  CursorRecorder recorder(form.get());
  form->PushButton2->click();  // empty SQLite path
  uitest::MakeSQLiteDatabase(sqlitePath, {"t"});
  form->Text1->setText(sqlitePath);
  form->Text5->setText(programPath("missing.mdb"));
  form->PushButton2->click();  // SQLite fine, Access file missing
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->existingTablesWindow(), nullptr);
  EXPECT_EQ(recorder.shapes, (QList<Qt::CursorShape>{Qt::WaitCursor, Qt::ArrowCursor, Qt::WaitCursor,
                                                      Qt::ArrowCursor}));
  EXPECT_EQ(form->Text5->text(), programPath("missing.mdb"));
}

TEST_F(Form1Test, NextBackNextReusesTheTablesWindowAndRereadsTheCatalogues) {
  uitest::MakeSQLiteDatabase(sqlitePath, {"first"});
  window().start();
  form->Text1->setText(sqlitePath);
  form->Text5->setText(kPasswordMdb);
  form->Text6->setText(QStringLiteral("wrong"));
  form->PushButton2->click();
  ui::Form2* tables = form->existingTablesWindow();
  ASSERT_NE(tables, nullptr);
  EXPECT_TRUE(tables->isVisible());
  EXPECT_EQ(Items(*tables->List2), QStringList{"first"});

  tables->PushButton2->click();  // "< Back"
  EXPECT_TRUE(form->isVisible());
  EXPECT_FALSE(tables->isVisible());
  EXPECT_EQ(Items(*tables->List2), QStringList{"first"});  // kept while hidden
  EXPECT_EQ(form->Text1->text(), sqlitePath);

  uitest::RunOnSQLiteFile(sqlitePath, {"CREATE TABLE second(x)"});
  form->PushButton2->click();
  EXPECT_EQ(form->existingTablesWindow(), tables);
  EXPECT_EQ(Items(*tables->List2), (QStringList{"first", "second"}));
  EXPECT_TRUE(tables->isVisible());
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(applicationErrors().isEmpty());
}

// "Next >" lets events through while it fills the Access list; a click that arrives that way
// (a second "Next >", "Test Connection") is ignored, so the lists are read once.
TEST_F(Form1Test, ButtonsClickedWhileNextReadsTheListsDoNothing) {
  uitest::MakeSQLiteDatabase(sqlitePath, {"first"});
  window().start();
  form->Text1->setText(sqlitePath);
  form->Text5->setText(kPlainMdb);
  app::YieldToEvents();  // the shared yielder exists and its interval starts now
  bool insideNext = false;
  int clicks = 0;
  QTimer::singleShot(0, form.get(), [&] {
    if (!insideNext) return;
    ++clicks;
    form->PushButton2->click();
    form->PushButton3->click();
  });
  QThread::msleep(2 * app::EventYielder::kInterval.count());  // so the fill's first yield lets events through
  insideNext = true;
  form->PushButton2->click();
  insideNext = false;
  EXPECT_EQ(clicks, 1);
  ui::Form2* tables = form->existingTablesWindow();
  ASSERT_NE(tables, nullptr);
  EXPECT_EQ(Items(*tables->List1), (QStringList{"Table1", "Table2", "Table3", "Table4"}));
  EXPECT_EQ(Items(*tables->List2), QStringList{"first"});
  EXPECT_TRUE(dialogs.shown().empty()) << dialogs.messageTexts().join("\n").toStdString();

  form->PushButton3->click();  // works again afterwards
  EXPECT_EQ(dialogs.messageTexts(), QStringList{"Connection successful."});
}

TEST_F(Form1Test, ClosingEitherWindowEndsTheProgram) {
  uitest::MakeSQLiteDatabase(sqlitePath, {"t"});
  storeSettings(sqlitePath, kPasswordMdb, QString());
  window().start();
  ui::Form2* tables = form->existingTablesWindow();
  ASSERT_NE(tables, nullptr);
  tables->close();
  EXPECT_EQ(endCalls, 1);
  EXPECT_TRUE(form->programEnded());
  EXPECT_FALSE(form->isVisible());  // the connection window does not come back

  Form1Test::form.reset();
  window().start();
  form->close();
  EXPECT_EQ(endCalls, 2);
}

TEST_F(Form1Test, FileDialogsCancelOrPickAndStoreThePickedPath) {
  window().start();
  form->Text1->setText(QStringLiteral("/kept.db"));
  dialogs.queueFile(std::nullopt);
  form->PushButton5->click();
  EXPECT_EQ(form->Text1->text(), "/kept.db");
  EXPECT_EQ(app::ReadSetting(app::kSettingSQLiteDatabase), "/kept.db");

  dialogs.queueFile(QStringLiteral("/data/picked file.db3"));
  form->PushButton5->click();
  EXPECT_EQ(form->Text1->text(), "/data/picked file.db3");
  EXPECT_EQ(app::ReadSetting(app::kSettingSQLiteDatabase), "/data/picked file.db3");

  dialogs.queueFile(QStringLiteral("/data/Nordwind.accdb"));
  form->PushButton1->click();
  EXPECT_EQ(form->Text5->text(), "/data/Nordwind.accdb");
  EXPECT_EQ(app::ReadSetting(app::kSettingAccessMDBFile), "/data/Nordwind.accdb");

  const auto& shown = dialogs.shown();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].title, "Select SQLite Database");
  EXPECT_EQ(shown[0].filters, (QStringList{"SQLite Database (*.db*)", "All Files (*)"}));
  EXPECT_EQ(shown[2].title, "Select Access Database");
  EXPECT_EQ(shown[2].filters.first(), "All Microsoft Databases (*.mdb,*.accdb)");
  EXPECT_EQ(shown[2].filters.size(), 3);
}

TEST_F(Form1Test, TestConnectionSaysWhetherTheSQLiteFileOpensAndNeverShowsTheErrorBox) {
  window().start();
  const auto testWith = [&](const QString& path) {
    dialogs.clearShown();
    form->Text1->setText(path);
    form->PushButton3->click();
    EXPECT_EQ(form->pointer().pointer(), PointerState::Default);
    return dialogs.messageTexts();
  };
  EXPECT_EQ(testWith(QString()), QStringList{"Could not connect."});
  EXPECT_EQ(testWith(programPath("nothing-here.db3")), QStringList{"Could not connect."});
  EXPECT_EQ(testWith(programFolder.path()), QStringList{"Could not connect."});  // a folder

  const QString notDatabase = programPath("notes.db3");
  QFile text(notDatabase);
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write(QByteArray(4096, 'x'));
  text.close();
  EXPECT_EQ(testWith(notDatabase), QStringList{"Could not connect."});

  uitest::MakeSQLiteDatabase(sqlitePath, {"t"});
  EXPECT_EQ(testWith(sqlitePath), QStringList{"Connection successful."});
  EXPECT_EQ(dialogs.messages()[0].title, app::ApplicationTitle());
  EXPECT_EQ(dialogs.messages()[0].icon, app::MessageIcon::None);
}

TEST_F(Form1Test, HoverShowsHandOnButtonsAndArrowElsewhereButNeverReplacesTheHourglass) {
  window().start();
  uitest::MoveMouseOver(form->PushButton2);
  EXPECT_EQ(form->pointer().pointer(), PointerState::Custom);
  uitest::MoveMouseOver(form->Label7);  // a label has no handler: unchanged
  EXPECT_EQ(form->pointer().pointer(), PointerState::Custom);
  uitest::MoveMouseOver(form->Text5);
  EXPECT_EQ(form->pointer().pointer(), PointerState::Default);
  uitest::MoveMouseOver(form->PushButton8);
  uitest::MoveMouseOver(form->Frame1, QPoint(2, 30));
  EXPECT_EQ(form->pointer().pointer(), PointerState::Default);

  form->pointer().setPointer(PointerState::Hourglass);
  for (QWidget* over : std::initializer_list<QWidget*>{form->PushButton1, form->Text1, form->Frame2, form.get()}) {
    uitest::MoveMouseOver(over);
    EXPECT_EQ(form->pointer().pointer(), PointerState::Hourglass);
  }
  // Text boxes show the hourglass too, not their text cursor.
  EXPECT_EQ(form->Text6->cursor().shape(), Qt::WaitCursor);
  form->pointer().setPointer(PointerState::Default);
  EXPECT_EQ(form->Text6->cursor().shape(), Qt::IBeamCursor);
}

TEST_F(Form1Test, SamplesHelpAndProductPages) {
  window().start();
  form->PushButton6->click();
  form->PushButton4->click();
  // Set even though the samples are not in this program folder.
  EXPECT_EQ(form->Text1->text(), programPath("Samples/sample1.db3"));
  EXPECT_EQ(form->Text5->text(), programPath("Samples/sample.mdb"));
  EXPECT_EQ(app::ReadSetting(app::kSettingSQLiteDatabase), programPath("Samples/sample1.db3"));
  EXPECT_EQ(app::ReadSetting(app::kSettingAccessMDBFile), programPath("Samples/sample.mdb"));

  form->PushButton7->click();
  ASSERT_EQ(dialogs.messages().size(), 1u);
  const QString help = dialogs.messages()[0].text;
  EXPECT_TRUE(help.startsWith("I use\r\rhttps://"));
  EXPECT_TRUE(help.endsWith("\r\rto interface with my SQLite database."));
  EXPECT_FALSE(help.contains('\n'));

  form->PushButton8->click();
  form->PushButton9->click();
  const QStringList pages = dialogs.openedUrls();
  ASSERT_EQ(pages.size(), 2);
  EXPECT_NE(pages[0], pages[1]);
}

TEST_F(Form1Test, EnterPressesTheFocusedButtonButNothingFromATextBox) {
  window().start();
  form->Text1->setText(QStringLiteral("/typed.db"));
  QTest::keyClick(form->Text1, Qt::Key_Return);
  QTest::keyClick(form->Text5, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(form->Text1->text(), "/typed.db");
  EXPECT_TRUE(form->Text5->text().isEmpty());
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_TRUE(form->isVisible());

  QTest::keyClick(form->PushButton6, Qt::Key_Return);
  EXPECT_EQ(form->Text1->text(), programPath("Samples/sample1.db3"));
  QTest::keyClick(form->PushButton4, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(form->Text5->text(), programPath("Samples/sample.mdb"));
  // With a modifier held Enter is not a press; Space still is.
  QTest::keyClick(form->PushButton7, Qt::Key_Return, Qt::ControlModifier);
  EXPECT_TRUE(dialogs.messages().empty());
  QTest::keyClick(form->PushButton7, Qt::Key_Space);
  EXPECT_EQ(dialogs.messages().size(), 1u);
}

TEST_F(Form1Test, LayoutTabOrderMaskedPasswordAndSelectOnFocus) {
  window();
  const qreal dpi = form->logicalDpiX();
  EXPECT_EQ(form->Frame1->geometry(), ui::TwipsRect(120, 1770, 7800, 1935, dpi));
  EXPECT_EQ(form->Text6->parentWidget(), form->Frame2);
  EXPECT_EQ(form->Text6->geometry(), ui::TwipsRect(2280, 800, 5265, 345, dpi));
  EXPECT_EQ(form->PushButton9->geometry(), ui::TwipsRect(120, 630, 7800, 405, dpi));
  EXPECT_EQ(form->lblPassword->text(), "Password (if required):");
  EXPECT_EQ(form->width(), ui::TwipsToPixels(8040, dpi));

  const QList<QWidget*> expected = {form->Text1,       form->PushButton3, form->PushButton7, form->Text5,
                                    form->PushButton1, form->Text6,       form->PushButton2, form->PushButton5,
                                    form->PushButton4, form->PushButton6, form->PushButton8, form->PushButton9};
  QList<QWidget*> order;
  QWidget* w = form->Text1;
  do {
    if (w->focusPolicy() & Qt::TabFocus) order << w;
    w = w->nextInFocusChain();
  } while (w != form->Text1 && order.size() < 40);
  EXPECT_EQ(order, expected);

  form->Text6->setText(QStringLiteral("s3cr3t"));
  EXPECT_EQ(form->Text6->displayText(), "******");
  EXPECT_EQ(app::ReadSetting(app::kSettingAccessPassword), "s3cr3t");

  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  form->Text5->setText(QStringLiteral("/some/path.mdb"));
  form->Text5->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(form->Text5->selectedText(), "/some/path.mdb");
  form->Text1->setText(QStringLiteral("abc"));
  form->Text1->setFocus(Qt::OtherFocusReason);
  EXPECT_EQ(form->Text1->selectedText(), "abc");
}

TEST_F(Form1Test, MissingDataAccessLayerEndsTheStartUpAfterAskingToInstallIt) {
  auto s = services();
  s.createConnection = []() -> std::unique_ptr<ado::Connection> {
    throw ado::Error(ado::adErrProviderNotFound, "Provider cannot be found.");
  };
  dialogs.queueAnswer(app::MessageAnswer::No);
  ui::Form1 window(std::move(s));
  window.start();
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_TRUE(dialogs.messages()[0].text.startsWith("Error #3706: Provider cannot be found."));
  EXPECT_EQ(endCalls, 1);
  EXPECT_TRUE(window.programEnded());
  EXPECT_FALSE(window.isVisible());
}

TEST_F(Form1Test, AFailingStartUpStepIsReportedAndStartUpGoesOn) {
  QFile broken(programPath("HAND-M.CUR"));
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
  broken.write("no cursor");
  broken.close();
  storeSettings(QStringLiteral("/a.db3"), QString(), QString());
  window().start();
  const QStringList errors = applicationErrors();
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].contains("in Quillmere2021/08/31.Form1.Form_Load at line 70\r\r"));
  EXPECT_EQ(form->Text1->text(), "/a.db3");
  EXPECT_TRUE(form->isVisible());
}

TEST_F(Form1Test, ASettingThatCannotBeSavedIsSaidOnceNotPerKeystroke) {
  window().start();
  // The settings folder is a file now: every write fails.
  QFile blocker(settingsFolder.filePath("blocked"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  qputenv("XDG_CONFIG_HOME", blocker.fileName().toUtf8());
  QTest::keyClicks(form->Text1, "abc");
  EXPECT_EQ(form->Text1->text(), "abc");
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_TRUE(dialogs.messages()[0].text.contains("SQLiteDatabase"));
}

}  // namespace
