// The tables window's Send, Delete and Rename buttons on real files: a click runs the action on
// the window's own lists with the connection window's paths, and the lists and files change.
#include "SQLiteFiles.h"
#include "WindowTestSupport.h"
#include "app/MemoryTableList.h"
#include "db/Access.h"
#include "db/SQLite.h"
#include "jet/write/WriteSession.h"
#include "ui/TablesWindow.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The connection window as TablesWindow reads it: a window that holds the paths and the password.
class SettingsWindow : public QWidget, public db::ConnectionSettings {
 public:
  QString sqlitePath() const override { return sqlite; }
  QString accessPath() const override { return access; }
  QString accessPassword() const override { return QString(); }
  QString sqlite, access;
};

class TablesWindowButtonsTest : public ::testing::Test, public uitest::WindowFixture {
 protected:
  TablesWindowButtonsTest() : windowServices(services()), form(windowServices, &connectionWindow) {}

  void SetUp() override {
    connectionWindow.access = files.filePath(QStringLiteral("tables.mdb"));
    ASSERT_TRUE(
        QFile::copy(QStringLiteral(TABLOREN_TEST_DATA_DIR "/mdb-reader/V2000/test.mdb"), connectionWindow.access));
    QFile::setPermissions(connectionWindow.access, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    connectionWindow.sqlite = files.filePath(QStringLiteral("tables.db"));
    uitest::RunOnSQLiteFile(connectionWindow.sqlite,
                            {"CREATE TABLE a(id INTEGER)", "CREATE TABLE b(id INTEGER)", "INSERT INTO b VALUES(7)"});
    db::FillAccessTableList(connectionWindow, dialogs, *form.accessList, connectionWindow.access);
    db::FillSQLiteTableList(connectionWindow, *form.sqliteList);
  }

  static void Select(ui::TableListBox* list, const QStringList& names) {
    for (int i = 0; i < list->count(); ++i) {
      if (names.contains(list->item(i))) {
        list->setSelected(i, true);
        list->setCurrentIndex(i);
      }
    }
  }
  static QStringList Items(const ui::TableListBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->item(i);
    return items;
  }
  QStringList accessTables() const {
    QStringList names = db::GetAccessTables(connectionWindow, connectionWindow.access).value_or(QStringList());
    names.sort(Qt::CaseInsensitive);
    return names;
  }
  QStringList sqliteTables() {
    app::MemoryTableList list;
    db::FillSQLiteTableList(connectionWindow, list);
    QStringList names;
    for (const QString& name : list.items()) names << name;
    return names;
  }

  QTemporaryDir files;
  ui::WindowServices windowServices;
  SettingsWindow connectionWindow;
  ui::TablesWindow form;
};

TEST_F(TablesWindowButtonsTest, EnterPressesTheFocusedButton) {
  ASSERT_GT(form.accessList->count(), 0);
  QTest::keyClick(form.selectAllAccessButton, Qt::Key_Return);  // Select All, Access
  for (int i = 0; i < form.accessList->count(); ++i) EXPECT_TRUE(form.accessList->isSelected(i)) << i;
  QTest::keyClick(form.deselectAllAccessButton, Qt::Key_Enter, Qt::KeypadModifier);  // Deselect All, Access
  for (int i = 0; i < form.accessList->count(); ++i) EXPECT_FALSE(form.accessList->isSelected(i)) << i;
}

TEST_F(TablesWindowButtonsTest, SendButtonsCopyTheSelectedTablesEachWay) {
  Select(form.accessList, {"Table1"});
  form.sendToSQLiteButton->click();
  EXPECT_EQ(Items(form.sqliteList), QStringList({"a", "b", "table1"}));
  EXPECT_TRUE(sqliteTables().contains("Table1"));

  Select(form.sqliteList, {"b"});
  form.sendToAccessButton->click();
  EXPECT_EQ(Items(form.accessList), QStringList({"b", "Table1", "Table2", "Table3", "Table4"}));
  EXPECT_EQ(accessTables(), QStringList({"b", "Table1", "Table2", "Table3", "Table4"}));

  EXPECT_TRUE(dialogs.shown().empty()) << dialogs.messageTexts().join("\n").toStdString();
  EXPECT_EQ(form.progressBar->text(), "Progress Bar");
  EXPECT_EQ(form.pointer().pointer(), app::PointerState::Default);
}

// A target that cannot be written is found before the first table: one box with the reason,
// nothing sent, the lists as they were (not one error box per table and a listed table that
// was never made).
TEST_F(TablesWindowButtonsTest, ATargetThatCannotBeWrittenIsSaidOnceBeforeAnyTable) {
  const auto all = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
  const auto enter = QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
  const auto write = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
  QFile::setPermissions(files.path(), all | enter);
  const QStringList sqliteBefore = Items(form.sqliteList), accessBefore = Items(form.accessList);
  struct Case {
    QFileDevice::Permissions mode;
    const char* reason;
  };
  for (const Case& c : {Case{all, "tables.db\" cannot be changed: permission denied."},
                        Case{all | write, "cannot take the journal of \"tables.db\": permission denied."}}) {
    QFile::setPermissions(connectionWindow.sqlite, c.mode);
    dialogs.clearShown();
    {
      const uitest::AsOrdinaryUser user;
      Select(form.accessList, {"Table1", "Table2"});
      form.sendToSQLiteButton->click();
    }
    ASSERT_EQ(dialogs.shown().size(), 1u) << dialogs.messageTexts().join("\n").toStdString();
    EXPECT_TRUE(dialogs.messages()[0].text.contains(c.reason)) << dialogs.messages()[0].text.toStdString();
    EXPECT_TRUE(dialogs.messages()[0].text.endsWith("No table was sent."));
    EXPECT_EQ(Items(form.sqliteList), sqliteBefore);
  }
  // The other way: the Access file.
  QFile::setPermissions(connectionWindow.access, all);
  dialogs.clearShown();
  {
    const uitest::AsOrdinaryUser user;
    Select(form.sqliteList, {"a", "b"});
    form.sendToAccessButton->click();
  }
  ASSERT_EQ(dialogs.shown().size(), 1u) << dialogs.messageTexts().join("\n").toStdString();
  EXPECT_TRUE(dialogs.messages()[0].text.contains("tables.mdb\" cannot be changed: permission denied."));
  EXPECT_EQ(Items(form.accessList), accessBefore);
  QFile::setPermissions(files.path(), all | enter | QFileDevice::WriteOwner);
}

TEST_F(TablesWindowButtonsTest, DeleteButtonsDropTheSelectedTables) {
  Select(form.accessList, {"Table2", "Table4"});
  form.deleteAccessButton->click();
  EXPECT_EQ(Items(form.accessList), QStringList({"Table1", "Table3"}));
  EXPECT_EQ(accessTables(), QStringList({"Table1", "Table3"}));

  Select(form.sqliteList, {"a"});
  form.deleteSQLiteButton->click();
  EXPECT_EQ(Items(form.sqliteList), QStringList({"b"}));
  EXPECT_EQ(sqliteTables(), QStringList({"b"}));
  EXPECT_TRUE(dialogs.shown().empty()) << dialogs.messageTexts().join("\n").toStdString();
}

TEST_F(TablesWindowButtonsTest, RenameButtonsAskForTheNewName) {
  Select(form.accessList, {"Table1"});
  dialogs.queueInput(QStringLiteral("First"));
  form.renameAccessButton->click();
  EXPECT_EQ(Items(form.accessList), QStringList({"First", "Table2", "Table3", "Table4"}));
  EXPECT_EQ(accessTables(), QStringList({"First", "Table2", "Table3", "Table4"}));

  Select(form.sqliteList, {"b"});
  dialogs.queueInput(QStringLiteral("new name"));
  form.renameSQLiteButton->click();
  EXPECT_EQ(Items(form.sqliteList), QStringList({"a", "new_name"}));
  EXPECT_EQ(sqliteTables(), QStringList({"a", "new_name"}));
  EXPECT_EQ(dialogs.shown().size(), 2u);  // the two input boxes, nothing else
}

// Closing the window while a copy runs (the close arrives through the copy's yield, as a click
// on the close box would) stops the copy there: the table in progress is rolled back, the table
// copied before it stays, and the click handler returns at once so that the program can end.
class TablesWindowCloseDuringCopyTest : public TablesWindowButtonsTest {
 protected:
  // Clicks `send` and closes the window once `doneFirst` has reached `targetList` and the
  // progress bar is past 5% of the next table. The milliseconds from the close to the return.
  qint64 clickAndCloseDuringSecondTable(ui::PushButton* send, const ui::TableListBox* targetList,
                                        const QString& doneFirst) {
    QElapsedTimer sinceClose;
    bool closing = false;
    QObject::connect(form.progressBar, &QProgressBar::valueChanged, &form, [&](int value) {
      if (closing || value < 5 || !Items(targetList).contains(doneFirst, Qt::CaseInsensitive)) return;
      closing = true;
      QTimer::singleShot(0, &form, [&] {
        sinceClose.start();
        form.close();
      });
    });
    form.show();
    send->click();
    EXPECT_TRUE(closing);
    EXPECT_EQ(endCalls, 1);
    const qint64 elapsed = sinceClose.isValid() ? sinceClose.elapsed() : -1;
    RecordProperty("milliseconds_from_close_to_return", static_cast<int>(elapsed));
    return elapsed;
  }
};

TEST_F(TablesWindowCloseDuringCopyTest, ToAccess) {
  uitest::RunOnSQLiteFile(connectionWindow.sqlite,
                          {"CREATE TABLE zsmall(id INTEGER)", "INSERT INTO zsmall VALUES(1), (2), (3)",
                           "CREATE TABLE abig(id INTEGER, body TEXT)",
                           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300000) "
                           "INSERT INTO abig SELECT i, 'row ' || i FROM n"});
  db::FillSQLiteTableList(connectionWindow, *form.sqliteList);
  Select(form.sqliteList, {"zsmall", "abig"});  // bottom-up: zsmall, then abig
  const qint64 elapsed =
      clickAndCloseDuringSecondTable(form.sendToAccessButton, form.accessList, QStringLiteral("zsmall"));
  EXPECT_GE(elapsed, 0);
  EXPECT_LT(elapsed, 1000);
  EXPECT_EQ(Items(form.accessList), QStringList({"Table1", "Table2", "Table3", "Table4", "zsmall"}));
  EXPECT_EQ(accessTables(), QStringList({"Table1", "Table2", "Table3", "Table4", "zsmall"}));
  EXPECT_TRUE(dialogs.shown().empty()) << dialogs.messageTexts().join("\n").toStdString();
}

TEST_F(TablesWindowCloseDuringCopyTest, ToSQLite) {
  {
    auto session = jet::WriteSession::Open(connectionWindow.access.toStdString());
    ASSERT_TRUE(session.ok());
    ASSERT_TRUE((*session)->createTable("abig", {{"Id", jet::ColumnType::kLong}}).ok());
    (*session)->beginBatch();
    for (int32_t id = 1; id <= 60000; ++id) ASSERT_TRUE((*session)->insert("abig", {id}).ok());
    ASSERT_TRUE((*session)->commitBatch().ok());
  }
  form.accessList->clear();
  db::FillAccessTableList(connectionWindow, dialogs, *form.accessList, connectionWindow.access);
  Select(form.accessList, {"Table4", "abig"});  // bottom-up: Table4, then abig
  const qint64 elapsed =
      clickAndCloseDuringSecondTable(form.sendToSQLiteButton, form.sqliteList, QStringLiteral("table4"));
  EXPECT_GE(elapsed, 0);
  EXPECT_LT(elapsed, 1000);
  EXPECT_EQ(Items(form.sqliteList), QStringList({"a", "b", "table4"}));
  EXPECT_EQ(sqliteTables(), QStringList({"a", "b", "Table4"}));
  EXPECT_TRUE(dialogs.shown().empty()) << dialogs.messageTexts().join("\n").toStdString();
}

}  // namespace

namespace {

// The window lets events through while a copy runs; a click that arrives that way (a second
// Send, a Delete, Deselect All, "< Back") is ignored, and every button works again afterwards.
TEST_F(TablesWindowButtonsTest, ButtonsClickedDuringACopyDoNothingUntilItEnds) {
  uitest::RunOnSQLiteFile(connectionWindow.sqlite,
                          {"CREATE TABLE abig(id INTEGER, body TEXT)",
                           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30000) "
                           "INSERT INTO abig SELECT i, 'row ' || i FROM n"});
  form.sqliteList->clear();
  db::FillSQLiteTableList(connectionWindow, *form.sqliteList);
  Select(form.sqliteList, {"a", "abig"});
  form.show();
  connectionWindow.hide();
  int clicksDuringCopy = 0;
  QObject::connect(form.progressBar, &QProgressBar::valueChanged, &form, [&](int value) {
    if (clicksDuringCopy > 0 || value < 5) return;
    ++clicksDuringCopy;
    QTimer::singleShot(0, &form, [&] {
      ++clicksDuringCopy;
      form.deleteSQLiteButton->click();       // delete the selected SQLite tables
      form.sendToAccessButton->click();       // send them again
      form.deselectAllSQLiteButton->click();  // Deselect All, SQLite
      form.backButton->click();               // "< Back"
    });
  });
  form.sendToAccessButton->click();
  EXPECT_EQ(clicksDuringCopy, 2);  // the clicks came while the copy ran
  EXPECT_TRUE(dialogs.shown().empty()) << dialogs.messageTexts().join("\n").toStdString();
  EXPECT_EQ(Items(form.accessList), QStringList({"a", "abig", "Table1", "Table2", "Table3", "Table4"}));
  EXPECT_EQ(accessTables(), QStringList({"a", "abig", "Table1", "Table2", "Table3", "Table4"}));
  EXPECT_EQ(Items(form.sqliteList), QStringList({"a", "abig", "b"}));
  EXPECT_EQ(sqliteTables(), QStringList({"a", "abig", "b"}));
  EXPECT_TRUE(form.sqliteList->isSelected(0));
  EXPECT_TRUE(form.sqliteList->isSelected(1));
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(connectionWindow.isVisible());
  EXPECT_EQ(form.pointer().pointer(), app::PointerState::Default);

  // Afterwards each button does its work again.
  form.deselectAllSQLiteButton->click();
  EXPECT_FALSE(form.sqliteList->isSelected(0));
  Select(form.sqliteList, {"b"});
  form.deleteSQLiteButton->click();
  EXPECT_EQ(Items(form.sqliteList), QStringList({"a", "abig"}));
  form.backButton->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(connectionWindow.isVisible());
  EXPECT_TRUE(dialogs.shown().empty()) << dialogs.messageTexts().join("\n").toStdString();
}

}  // namespace
