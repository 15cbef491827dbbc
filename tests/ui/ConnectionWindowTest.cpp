#include "ado/Error.h"
#include "app/ApplicationTitle.h"
#include "app/Settings.h"
#include "app/Yield.h"
#include "ui/ConnectionWindow.h"
#include "ui/Twips.h"
#include "SQLiteFiles.h"
#include "WindowTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QHash>
#include <QImage>
#include <QStyleFactory>
#include <QFileInfo>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <tuple>

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

class ConnectionWindowTest : public ::testing::Test, public uitest::WindowFixture {
 protected:
  ConnectionWindowTest() : sqlitePath(programPath("data.db3")) {}

  ui::ConnectionWindow& window() {
    if (!form) form = std::make_unique<ui::ConnectionWindow>(services());
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
  std::unique_ptr<ui::ConnectionWindow> form;
};

TEST_F(ConnectionWindowTest, FirstRunShowsTheEmptyConnectionWindowAndStoresNothing) {
  window().start();
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->existingTablesWindow(), nullptr);
  EXPECT_EQ(form->windowTitle(), "Tabloren");
  EXPECT_FALSE(form->windowIcon().isNull());
  EXPECT_TRUE(form->sqlitePathBox->text().isEmpty());
  EXPECT_TRUE(form->accessPathBox->text().isEmpty());
  EXPECT_TRUE(form->accessPasswordBox->text().isEmpty());
  EXPECT_FALSE(QFile::exists(app::SettingsFilePath()));
  EXPECT_EQ(form->focusWidget(), form->sqlitePathBox);
  EXPECT_EQ(endCalls, 0);
}

TEST_F(ConnectionWindowTest, RestartWithUsableDatabasesGoesStraightToTheTablesWindow) {
  uitest::MakeSQLiteDatabase(sqlitePath, {"orders", "Customers", "abc$internal"});
  storeSettings(sqlitePath, kPlainMdb, QString());
  window().start();
  EXPECT_TRUE(dialogs.shown().empty());
  ASSERT_NE(form->existingTablesWindow(), nullptr);
  ui::TablesWindow& tables = *form->existingTablesWindow();
  EXPECT_TRUE(tables.isVisible());
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(Items(*tables.accessList), (QStringList{"Table1", "Table2", "Table3", "Table4"}));
  EXPECT_EQ(Items(*tables.sqliteList), (QStringList{"Customers", "orders"}));
  EXPECT_EQ(form->pointer().pointer(), PointerState::Default);
}

// "tabloren FILE" ("Open with" in a file manager): the file goes into its box by its kind, is
// remembered, and the connection window shows even when both remembered databases are usable.
TEST_F(ConnectionWindowTest, AFileNamedAtStartGoesIntoItsBoxByItsKind) {
  uitest::MakeSQLiteDatabase(sqlitePath, {"orders"});
  const QString renamedAccess = programPath("plain.bin");  // Access by its contents, not its name
  ASSERT_TRUE(QFile::copy(kPlainMdb, renamedAccess));
  const QString newSQLite = programPath("new.sqlite3");  // no contents yet: by its extension
  struct Case {
    QString file;
    bool sqlite;
  };
  for (const Case& c : {Case{renamedAccess, false}, Case{newSQLite, true}}) {
    storeSettings(sqlitePath, kPlainMdb, QString());
    ui::WindowServices withFile = services();
    withFile.fileToOpen = QDir(programFolder.path()).relativeFilePath(c.file);
    const QString before = QDir::currentPath();
    QDir::setCurrent(programFolder.path());
    ui::ConnectionWindow opened(std::move(withFile));
    opened.start();
    QDir::setCurrent(before);
    EXPECT_TRUE(opened.isVisible());
    EXPECT_EQ(opened.existingTablesWindow(), nullptr);
    EXPECT_EQ((c.sqlite ? opened.sqlitePathBox : opened.accessPathBox)->text(), c.file);
    EXPECT_EQ((c.sqlite ? opened.accessPathBox : opened.sqlitePathBox)->text(), c.sqlite ? kPlainMdb : sqlitePath);
    EXPECT_EQ(app::ReadSetting(c.sqlite ? app::kSettingSQLiteDatabase : app::kSettingAccessMDBFile), c.file);
    opened.hide();
  }
}

TEST_F(ConnectionWindowTest, WrongAccessPasswordStillOpensTheTablesWindowWithTheSQLiteTables) {
  uitest::MakeSQLiteDatabase(sqlitePath, {"Zeta", "alpha"});
  storeSettings(sqlitePath, kPasswordMdb, QStringLiteral("not the password"));
  window().start();
  EXPECT_EQ(dialogs.messageTexts(), QStringList{kUnableToAccess});
  ASSERT_NE(form->existingTablesWindow(), nullptr);
  ui::TablesWindow& tables = *form->existingTablesWindow();
  EXPECT_TRUE(tables.isVisible());
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(tables.accessList->count(), 0);
  EXPECT_EQ(Items(*tables.sqliteList), (QStringList{"alpha", "Zeta"}));
  // The password was restored into the masked box.
  EXPECT_EQ(form->accessPasswordBox->text(), "not the password");
}

TEST_F(ConnectionWindowTest, RestartWithADeletedSQLiteFileStaysQuietlyOnTheConnectionWindow) {
  storeSettings(programPath("gone.db3"), kPlainMdb, QStringLiteral("pw"));
  window().start();
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->existingTablesWindow(), nullptr);
  EXPECT_EQ(form->sqlitePathBox->text(), programPath("gone.db3"));
  EXPECT_EQ(form->accessPathBox->text(), kPlainMdb);
  EXPECT_EQ(form->accessPasswordBox->text(), "pw");
}

TEST_F(ConnectionWindowTest, NextWithAMissingFileShowsNothingButABriefHourglass) {
  window().start();
  CursorRecorder recorder(form.get());
  form->nextButton->click();  // empty SQLite path
  uitest::MakeSQLiteDatabase(sqlitePath, {"t"});
  form->sqlitePathBox->setText(sqlitePath);
  form->accessPathBox->setText(programPath("missing.mdb"));
  form->nextButton->click();  // SQLite fine, Access file missing
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->existingTablesWindow(), nullptr);
  EXPECT_EQ(recorder.shapes,
            (QList<Qt::CursorShape>{Qt::WaitCursor, Qt::ArrowCursor, Qt::WaitCursor, Qt::ArrowCursor}));
  EXPECT_EQ(form->accessPathBox->text(), programPath("missing.mdb"));
}

TEST_F(ConnectionWindowTest, NextBackNextReusesTheTablesWindowAndRereadsTheCatalogs) {
  uitest::MakeSQLiteDatabase(sqlitePath, {"first"});
  window().start();
  form->sqlitePathBox->setText(sqlitePath);
  form->accessPathBox->setText(kPasswordMdb);
  form->accessPasswordBox->setText(QStringLiteral("wrong"));
  form->nextButton->click();
  ui::TablesWindow* tables = form->existingTablesWindow();
  ASSERT_NE(tables, nullptr);
  EXPECT_TRUE(tables->isVisible());
  EXPECT_EQ(Items(*tables->sqliteList), QStringList{"first"});

  tables->backButton->click();  // "< Back"
  EXPECT_TRUE(form->isVisible());
  EXPECT_FALSE(tables->isVisible());
  EXPECT_EQ(Items(*tables->sqliteList), QStringList{"first"});  // kept while hidden
  EXPECT_EQ(form->sqlitePathBox->text(), sqlitePath);

  uitest::RunOnSQLiteFile(sqlitePath, {"CREATE TABLE second(x)"});
  form->nextButton->click();
  EXPECT_EQ(form->existingTablesWindow(), tables);
  EXPECT_EQ(Items(*tables->sqliteList), (QStringList{"first", "second"}));
  EXPECT_TRUE(tables->isVisible());
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(applicationErrors().isEmpty());
}

// "Next >" lets events through while it fills the Access list; a click that arrives that way
// (a second "Next >", "Test Connection") is ignored, so the lists are read once.
TEST_F(ConnectionWindowTest, ButtonsClickedWhileNextReadsTheListsDoNothing) {
  uitest::MakeSQLiteDatabase(sqlitePath, {"first"});
  window().start();
  form->sqlitePathBox->setText(sqlitePath);
  form->accessPathBox->setText(kPlainMdb);
  app::YieldToEvents();  // the shared yielder exists and its interval starts now
  bool insideNext = false;
  int clicks = 0;
  QTimer::singleShot(0, form.get(), [&] {
    if (!insideNext) return;
    ++clicks;
    form->nextButton->click();
    form->testConnectionButton->click();
  });
  QThread::msleep(2 * app::EventYielder::kInterval.count());  // so the fill's first yield lets events through
  insideNext = true;
  form->nextButton->click();
  insideNext = false;
  EXPECT_EQ(clicks, 1);
  ui::TablesWindow* tables = form->existingTablesWindow();
  ASSERT_NE(tables, nullptr);
  EXPECT_EQ(Items(*tables->accessList), (QStringList{"Table1", "Table2", "Table3", "Table4"}));
  EXPECT_EQ(Items(*tables->sqliteList), QStringList{"first"});
  EXPECT_TRUE(dialogs.shown().empty()) << dialogs.messageTexts().join("\n").toStdString();

  form->testConnectionButton->click();  // works again afterwards
  EXPECT_EQ(dialogs.messageTexts(), QStringList{"Connection successful."});
}

TEST_F(ConnectionWindowTest, ClosingEitherWindowEndsTheProgram) {
  uitest::MakeSQLiteDatabase(sqlitePath, {"t"});
  storeSettings(sqlitePath, kPasswordMdb, QString());
  window().start();
  ui::TablesWindow* tables = form->existingTablesWindow();
  ASSERT_NE(tables, nullptr);
  tables->close();
  EXPECT_EQ(endCalls, 1);
  EXPECT_TRUE(form->programEnded());
  EXPECT_FALSE(form->isVisible());  // the connection window does not come back

  ConnectionWindowTest::form.reset();
  window().start();
  form->close();
  EXPECT_EQ(endCalls, 2);
}

TEST_F(ConnectionWindowTest, FileDialogsCancelOrPickAndStoreThePickedPath) {
  window().start();
  form->sqlitePathBox->setText(QStringLiteral("/kept.db"));
  dialogs.queueFile(std::nullopt);
  form->pickSQLiteButton->click();
  EXPECT_EQ(form->sqlitePathBox->text(), "/kept.db");
  EXPECT_EQ(app::ReadSetting(app::kSettingSQLiteDatabase), "/kept.db");

  dialogs.queueFile(QStringLiteral("/data/picked file.db3"));
  form->pickSQLiteButton->click();
  EXPECT_EQ(form->sqlitePathBox->text(), "/data/picked file.db3");
  EXPECT_EQ(app::ReadSetting(app::kSettingSQLiteDatabase), "/data/picked file.db3");

  dialogs.queueFile(QStringLiteral("/data/Nordwind.accdb"));
  form->pickAccessButton->click();
  EXPECT_EQ(form->accessPathBox->text(), "/data/Nordwind.accdb");
  EXPECT_EQ(app::ReadSetting(app::kSettingAccessMDBFile), "/data/Nordwind.accdb");

  const auto& shown = dialogs.shown();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].title, "Select SQLite Database");
  EXPECT_EQ(shown[0].filters, (QStringList{"SQLite Database (*.db*)", "All Files (*)"}));
  EXPECT_EQ(shown[2].title, "Select Access Database");
  EXPECT_EQ(shown[2].filters.first(), "All Microsoft Databases (*.mdb,*.accdb)");
  EXPECT_EQ(shown[2].filters.size(), 3);
}

TEST_F(ConnectionWindowTest, TestConnectionSaysWhetherTheSQLiteFileOpensAndNeverShowsTheErrorBox) {
  window().start();
  const auto testWith = [&](const QString& path) {
    dialogs.clearShown();
    form->sqlitePathBox->setText(path);
    form->testConnectionButton->click();
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

TEST_F(ConnectionWindowTest, HoverShowsHandOnButtonsAndArrowElsewhereButNeverReplacesTheHourglass) {
  window().start();
  uitest::MoveMouseOver(form->nextButton);
  EXPECT_EQ(form->pointer().pointer(), PointerState::Custom);
  uitest::MoveMouseOver(form->sqlitePathLabel);  // a label has no handler: unchanged
  EXPECT_EQ(form->pointer().pointer(), PointerState::Custom);
  uitest::MoveMouseOver(form->accessPathBox);
  EXPECT_EQ(form->pointer().pointer(), PointerState::Default);
  uitest::MoveMouseOver(form->accessToSQLitePageButton);
  uitest::MoveMouseOver(form->sqliteFrame, QPoint(2, 30));
  EXPECT_EQ(form->pointer().pointer(), PointerState::Default);

  form->pointer().setPointer(PointerState::Hourglass);
  for (QWidget* over :
       std::initializer_list<QWidget*>{form->pickAccessButton, form->sqlitePathBox, form->accessFrame, form.get()}) {
    uitest::MoveMouseOver(over);
    EXPECT_EQ(form->pointer().pointer(), PointerState::Hourglass);
  }
  // Text boxes show the hourglass too, not their text cursor.
  EXPECT_EQ(form->accessPasswordBox->cursor().shape(), Qt::WaitCursor);
  form->pointer().setPointer(PointerState::Default);
  EXPECT_EQ(form->accessPasswordBox->cursor().shape(), Qt::IBeamCursor);
}

TEST_F(ConnectionWindowTest, SamplesHelpAndProductPages) {
  window().start();
  form->sqliteSampleButton->click();
  form->accessSampleButton->click();
  // Set even though the samples are not in this program folder.
  EXPECT_EQ(form->sqlitePathBox->text(), programPath("Samples/sample1.db3"));
  EXPECT_EQ(form->accessPathBox->text(), programPath("Samples/sample.mdb"));
  EXPECT_EQ(app::ReadSetting(app::kSettingSQLiteDatabase), programPath("Samples/sample1.db3"));
  EXPECT_EQ(app::ReadSetting(app::kSettingAccessMDBFile), programPath("Samples/sample.mdb"));

  // A sample the program has (read-only, as installed) is copied to the user's data folder on
  // first use and the box points there; a copy that is there already is used as it is.
  ASSERT_TRUE(QDir(programFolder.path()).mkpath("Samples"));
  uitest::RunOnSQLiteFile(programPath("Samples/sample1.db3"), {"CREATE TABLE customers(id INTEGER)"});
  QFile::setPermissions(programPath("Samples/sample1.db3"), QFileDevice::ReadOwner | QFileDevice::ReadOther);
  const QString copy = dataFolder.filePath("tabloren/sample1.db3");
  form->sqliteSampleButton->click();
  EXPECT_EQ(form->sqlitePathBox->text(), copy);
  EXPECT_EQ(app::ReadSetting(app::kSettingSQLiteDatabase), copy);
  EXPECT_TRUE(QFileInfo(copy).isWritable());
  uitest::RunOnSQLiteFile(copy, {"CREATE TABLE mine(x)"});
  form->sqlitePathBox->clear();
  form->sqliteSampleButton->click();
  EXPECT_EQ(form->sqlitePathBox->text(), copy);
  EXPECT_NO_THROW(uitest::RunOnSQLiteFile(copy, {"SELECT * FROM mine"}));  // not copied over
  EXPECT_TRUE(dialogs.shown().empty()) << dialogs.messageTexts().join("\n").toStdString();

  form->helpButton->click();
  ASSERT_EQ(dialogs.messages().size(), 1u);
  const QString help = dialogs.messages()[0].text;
  EXPECT_TRUE(help.startsWith("I use\r\rhttps://"));
  EXPECT_TRUE(help.endsWith("\r\rto interface with my SQLite database."));
  EXPECT_FALSE(help.contains('\n'));

  form->accessToSQLitePageButton->click();
  form->sqliteToAccessPageButton->click();
  const QStringList pages = dialogs.openedUrls();
  ASSERT_EQ(pages.size(), 2);
  EXPECT_NE(pages[0], pages[1]);
}

TEST_F(ConnectionWindowTest, EnterPressesTheFocusedButtonButNothingFromATextBox) {
  window().start();
  form->sqlitePathBox->setText(QStringLiteral("/typed.db"));
  QTest::keyClick(form->sqlitePathBox, Qt::Key_Return);
  QTest::keyClick(form->accessPathBox, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(form->sqlitePathBox->text(), "/typed.db");
  EXPECT_TRUE(form->accessPathBox->text().isEmpty());
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_TRUE(form->isVisible());

  QTest::keyClick(form->sqliteSampleButton, Qt::Key_Return);
  EXPECT_EQ(form->sqlitePathBox->text(), programPath("Samples/sample1.db3"));
  QTest::keyClick(form->accessSampleButton, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(form->accessPathBox->text(), programPath("Samples/sample.mdb"));
  // With a modifier held Enter is not a press; Space still is.
  QTest::keyClick(form->helpButton, Qt::Key_Return, Qt::ControlModifier);
  EXPECT_TRUE(dialogs.messages().empty());
  QTest::keyClick(form->helpButton, Qt::Key_Space);
  EXPECT_EQ(dialogs.messages().size(), 1u);
}

TEST_F(ConnectionWindowTest, LayoutTabOrderMaskedPasswordAndSelectOnFocus) {
  window();
  const qreal dpi = form->logicalDpiX();
  EXPECT_EQ(form->sqliteFrame->geometry(), ui::TwipsRect(120, 1770, 7800, 1935, dpi));
  EXPECT_EQ(form->accessPasswordBox->parentWidget(), form->accessFrame);
  EXPECT_EQ(form->accessPasswordBox->geometry(), ui::TwipsRect(2280, 800, 5265, 345, dpi));
  EXPECT_EQ(form->sqliteToAccessPageButton->geometry(), ui::TwipsRect(120, 630, 7800, 405, dpi));
  EXPECT_EQ(form->accessPasswordLabel->text(), "Password (if required):");
  EXPECT_EQ(form->width(), ui::TwipsToPixels(8040, dpi));

  const QList<QWidget*> expected = {
      form->sqlitePathBox,      form->testConnectionButton,     form->helpButton,
      form->accessPathBox,      form->pickAccessButton,         form->accessPasswordBox,
      form->nextButton,         form->pickSQLiteButton,         form->accessSampleButton,
      form->sqliteSampleButton, form->accessToSQLitePageButton, form->sqliteToAccessPageButton};
  QList<QWidget*> order;
  QWidget* w = form->sqlitePathBox;
  do {
    if (w->focusPolicy() & Qt::TabFocus) order << w;
    w = w->nextInFocusChain();
  } while (w != form->sqlitePathBox && order.size() < 40);
  EXPECT_EQ(order, expected);

  form->accessPasswordBox->setText(QStringLiteral("s3cr3t"));
  EXPECT_EQ(form->accessPasswordBox->displayText(), "******");
  EXPECT_EQ(app::ReadSetting(app::kSettingAccessPassword), "s3cr3t");

  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  form->accessPathBox->setText(QStringLiteral("/some/path.mdb"));
  form->accessPathBox->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(form->accessPathBox->selectedText(), "/some/path.mdb");
  form->sqlitePathBox->setText(QStringLiteral("abc"));
  form->sqlitePathBox->setFocus(Qt::OtherFocusReason);
  EXPECT_EQ(form->sqlitePathBox->selectedText(), "abc");
}

TEST_F(ConnectionWindowTest, MissingDataAccessLayerEndsTheStartUpAfterAskingToInstallIt) {
  auto s = services();
  s.createConnection = []() -> std::unique_ptr<ado::Connection> {
    throw ado::Error(ado::adErrProviderNotFound, "Provider cannot be found.");
  };
  dialogs.queueAnswer(app::MessageAnswer::No);
  ui::ConnectionWindow window(std::move(s));
  window.start();
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_TRUE(dialogs.messages()[0].text.startsWith("Error #3706: Provider cannot be found."));
  EXPECT_EQ(endCalls, 1);
  EXPECT_TRUE(window.programEnded());
  EXPECT_FALSE(window.isVisible());
}

TEST_F(ConnectionWindowTest, AFailingStartUpStepIsReportedAndStartUpGoesOn) {
  QFile broken(programPath("HAND-M.CUR"));
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
  broken.write("no cursor");
  broken.close();
  storeSettings(QStringLiteral("/a.db3"), QString(), QString());
  window().start();
  const QStringList errors = applicationErrors();
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].contains("in Quillmere2021/08/31.Form1.Form_Load at line 70\r\r"));
  EXPECT_EQ(form->sqlitePathBox->text(), "/a.db3");
  EXPECT_TRUE(form->isVisible());
}

TEST_F(ConnectionWindowTest, ASettingThatCannotBeSavedIsSaidOnceNotPerKeystroke) {
  window().start();
  // The settings folder is a file now: every write fails.
  QFile blocker(settingsFolder.filePath("blocked"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  qputenv("XDG_CONFIG_HOME", blocker.fileName().toUtf8());
  QTest::keyClicks(form->sqlitePathBox, "abc");
  EXPECT_EQ(form->sqlitePathBox->text(), "abc");
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_TRUE(dialogs.messages()[0].text.contains("SQLiteDatabase"));
}

// The relative luminance of a colour and the contrast of two (WCAG 2).
double Luminance(QColor c) {
  const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
  return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}
double Contrast(QColor a, QColor b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The contrast of the text drawn in a part of a widget: its most common colour is the background,
// the colour farthest from it the text's.
double TextContrast(QWidget* widget, QRect area = QRect()) {
  QImage image = widget->grab(area.isNull() ? widget->rect() : area).toImage();
  QHash<QRgb, int> counts;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) ++counts[image.pixel(x, y)];
  QRgb background = 0;
  int most = 0;
  for (auto it = counts.cbegin(); it != counts.cend(); ++it)
    if (it.value() > most) std::tie(background, most) = std::pair(it.key(), it.value());
  double best = 1;
  for (auto it = counts.cbegin(); it != counts.cend(); ++it) best = std::max(best, Contrast(it.key(), background));
  return best;
}

// Every text of the window (typed paths, labels, frame titles, buttons) is readable, with and
// without the skin, under a light and under a dark theme.
TEST_F(ConnectionWindowTest, TextsAreReadableInLightAndDarkThemes) {
  const QPalette original = QApplication::palette();
  const QString originalStyle = QApplication::style()->name();
  QApplication::setStyle(QStyleFactory::create("Fusion"));
  QPalette dark;
  for (auto [role, colour] : {std::pair{QPalette::Window, QColor(0x35, 0x35, 0x35)}, {QPalette::WindowText, Qt::white},
                              {QPalette::Base, QColor(0x2a, 0x2a, 0x2a)}, {QPalette::Text, Qt::white},
                              {QPalette::Button, QColor(0x35, 0x35, 0x35)}, {QPalette::ButtonText, Qt::white}})
    dark.setColor(role, colour);
  for (const bool skinned : {false, true}) {
    if (skinned) {
      ASSERT_TRUE(QDir(programFolder.path()).mkpath("x"));
      ASSERT_TRUE(QFile::copy(uitest::kResources + "/x/o.cjs", programPath("x/o.cjs")));
    }
    for (const bool darkTheme : {false, true}) {
      SCOPED_TRACE((skinned ? "skin, " : "no skin, ") + std::string(darkTheme ? "dark" : "light"));
      QApplication::setPalette(darkTheme ? dark : QApplication::style()->standardPalette());
      ui::ConnectionWindow window(services());
      window.start();
      window.sqlitePathBox->setText("/home/user/t/sample.mdb");
      window.accessPathBox->setText("/home/user/t/other.accdb");
      for (QWidget* text : std::initializer_list<QWidget*>{window.sqlitePathBox, window.accessPathBox,
                                                            window.sqlitePathLabel, window.accessPasswordLabel,
                                                            window.testConnectionButton, window.nextButton}) {
        EXPECT_GE(TextContrast(text), 4.5) << text->metaObject()->className();
      }
      // The frame's title, in its top strip.
      EXPECT_GE(TextContrast(window.sqliteFrame, QRect(0, 0, window.sqliteFrame->width() / 3,
                                                      window.sqlitePathBox->y() - 2)), 4.5);
      window.hide();
    }
  }
  QApplication::setPalette(original);
  QApplication::setStyle(originalStyle);
}

}  // namespace
