// The tables window's Send, Delete and Rename buttons on real files: a click runs the action on
// the window's own lists with the connection window's paths, and the lists and files change.
#include "SQLiteFiles.h"
#include "WindowTestSupport.h"
#include "app/MemoryTableList.h"
#include "db/Access.h"
#include "db/SQLite.h"
#include "jet/write/WriteSession.h"
#include "ui/Form2.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The connection window as Form2 reads it: a window that holds the paths and the password.
class SettingsWindow : public QWidget, public db::ConnectionSettings {
 public:
  QString sqlitePath() const override { return sqlite; }
  QString accessPath() const override { return access; }
  QString accessPassword() const override { return QString(); }
  QString sqlite, access;
};

class Form2TableButtonsTest : public ::testing::Test, public uitest::WindowFixture {
 protected:
  Form2TableButtonsTest() : windowServices(services()), form(windowServices, &connectionWindow) {}

  void SetUp() override {
    connectionWindow.access = files.filePath(QStringLiteral("tables.mdb"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(TABLOREN_TEST_DATA_DIR "/mdb-reader/V2000/test.mdb"),
                            connectionWindow.access));
    QFile::setPermissions(connectionWindow.access, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    connectionWindow.sqlite = files.filePath(QStringLiteral("tables.db"));
    uitest::RunOnSQLiteFile(connectionWindow.sqlite,
                            {"CREATE TABLE a(id INTEGER)", "CREATE TABLE b(id INTEGER)", "INSERT INTO b VALUES(7)"});
    db::FillAccessTableList(connectionWindow, dialogs, *form.List1, connectionWindow.access);
    db::FillSQLiteTableList(connectionWindow, *form.List2);
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
  ui::Form2 form;
};

TEST_F(Form2TableButtonsTest, EnterPressesTheFocusedButton) {
  ASSERT_GT(form.List1->count(), 0);
  QTest::keyClick(form.PushButton10, Qt::Key_Return);  // Select All, Access
  for (int i = 0; i < form.List1->count(); ++i) EXPECT_TRUE(form.List1->isSelected(i)) << i;
  QTest::keyClick(form.PushButton11, Qt::Key_Enter, Qt::KeypadModifier);  // Deselect All, Access
  for (int i = 0; i < form.List1->count(); ++i) EXPECT_FALSE(form.List1->isSelected(i)) << i;
}

TEST_F(Form2TableButtonsTest, SendButtonsCopyTheSelectedTablesEachWay) {
  Select(form.List1, {"Table1"});
  form.PushButton3->click();
  EXPECT_EQ(Items(form.List2), QStringList({"a", "b", "table1"}));
  EXPECT_TRUE(sqliteTables().contains("Table1"));

  Select(form.List2, {"b"});
  form.PushButton4->click();
  EXPECT_EQ(Items(form.List1), QStringList({"b", "Table1", "Table2", "Table3", "Table4"}));
  EXPECT_EQ(accessTables(), QStringList({"b", "Table1", "Table2", "Table3", "Table4"}));

  EXPECT_TRUE(dialogs.shown().empty()) << dialogs.messageTexts().join("\n").toStdString();
  EXPECT_EQ(form.ProgressBar1->text(), "Progress Bar");
  EXPECT_EQ(form.pointer().pointer(), app::PointerState::Default);
}

TEST_F(Form2TableButtonsTest, DeleteButtonsDropTheSelectedTables) {
  Select(form.List1, {"Table2", "Table4"});
  form.PushButton1->click();
  EXPECT_EQ(Items(form.List1), QStringList({"Table1", "Table3"}));
  EXPECT_EQ(accessTables(), QStringList({"Table1", "Table3"}));

  Select(form.List2, {"a"});
  form.PushButton5->click();
  EXPECT_EQ(Items(form.List2), QStringList({"b"}));
  EXPECT_EQ(sqliteTables(), QStringList({"b"}));
  EXPECT_TRUE(dialogs.shown().empty()) << dialogs.messageTexts().join("\n").toStdString();
}

TEST_F(Form2TableButtonsTest, RenameButtonsAskForTheNewName) {
  Select(form.List1, {"Table1"});
  dialogs.queueInput(QStringLiteral("First"));
  form.PushButton6->click();
  EXPECT_EQ(Items(form.List1), QStringList({"First", "Table2", "Table3", "Table4"}));
  EXPECT_EQ(accessTables(), QStringList({"First", "Table2", "Table3", "Table4"}));

  Select(form.List2, {"b"});
  dialogs.queueInput(QStringLiteral("new name"));
  form.PushButton7->click();
  EXPECT_EQ(Items(form.List2), QStringList({"a", "new_name"}));
  EXPECT_EQ(sqliteTables(), QStringList({"a", "new_name"}));
  EXPECT_EQ(dialogs.shown().size(), 2u);  // the two input boxes, nothing else
}

// Closing the window while a copy runs (the close arrives through the copy's yield, as a click
// on the close box would) stops the copy there: the table in progress is rolled back, the table
// copied before it stays, and the click handler returns at once so that the program can end.
class Form2CloseDuringCopyTest : public Form2TableButtonsTest {
 protected:
  // Clicks `send` and closes the window once `doneFirst` has reached `targetList` and the
  // progress bar is past 5% of the next table. The milliseconds from the close to the return.
  qint64 clickAndCloseDuringSecondTable(ui::PushButton* send, const ui::TableListBox* targetList, const QString& doneFirst) {
    QElapsedTimer sinceClose;
    bool closing = false;
    QObject::connect(form.ProgressBar1, &QProgressBar::valueChanged, &form, [&](int value) {
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

TEST_F(Form2CloseDuringCopyTest, ToAccess) {
  uitest::RunOnSQLiteFile(connectionWindow.sqlite,
                          {"CREATE TABLE zsmall(id INTEGER)", "INSERT INTO zsmall VALUES(1), (2), (3)",
                           "CREATE TABLE abig(id INTEGER, body TEXT)",
                           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300000) "
                           "INSERT INTO abig SELECT i, 'row ' || i FROM n"});
  db::FillSQLiteTableList(connectionWindow, *form.List2);
  Select(form.List2, {"zsmall", "abig"});  // bottom-up: zsmall, then abig
  const qint64 elapsed = clickAndCloseDuringSecondTable(form.PushButton4, form.List1, QStringLiteral("zsmall"));
  EXPECT_GE(elapsed, 0);
  EXPECT_LT(elapsed, 1000);
  EXPECT_EQ(Items(form.List1), QStringList({"Table1", "Table2", "Table3", "Table4", "zsmall"}));
  EXPECT_EQ(accessTables(), QStringList({"Table1", "Table2", "Table3", "Table4", "zsmall"}));
  EXPECT_TRUE(dialogs.shown().empty()) << dialogs.messageTexts().join("\n").toStdString();
}

TEST_F(Form2CloseDuringCopyTest, ToSQLite) {
  {
    auto session = jet::WriteSession::Open(connectionWindow.access.toStdString());
    ASSERT_TRUE(session.ok());
    ASSERT_TRUE((*session)->createTable("abig", {{"Id", jet::ColumnType::kLong}}).ok());
    (*session)->beginBatch();
    for (int32_t id = 1; id <= 60000; ++id) ASSERT_TRUE((*session)->insert("abig", {id}).ok());
    ASSERT_TRUE((*session)->commitBatch().ok());
  }
  form.List1->clear();
  db::FillAccessTableList(connectionWindow, dialogs, *form.List1, connectionWindow.access);
  Select(form.List1, {"Table4", "abig"});  // bottom-up: Table4, then abig
  const qint64 elapsed = clickAndCloseDuringSecondTable(form.PushButton3, form.List2, QStringLiteral("table4"));
  EXPECT_GE(elapsed, 0);
  EXPECT_LT(elapsed, 1000);
  EXPECT_EQ(Items(form.List2), QStringList({"a", "b", "table4"}));
  EXPECT_EQ(sqliteTables(), QStringList({"a", "b", "Table4"}));
  EXPECT_TRUE(dialogs.shown().empty()) << dialogs.messageTexts().join("\n").toStdString();
}

}  // namespace

namespace {

// The window lets events through while a copy runs; a click that arrives that way (a second
// Send, a Delete, Deselect All, "< Back") is ignored, and every button works again afterwards.
TEST_F(Form2TableButtonsTest, ButtonsClickedDuringACopyDoNothingUntilItEnds) {
  uitest::RunOnSQLiteFile(connectionWindow.sqlite,
                          {"CREATE TABLE abig(id INTEGER, body TEXT)",
                           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30000) "
                           "INSERT INTO abig SELECT i, 'row ' || i FROM n"});
  form.List2->clear();
  db::FillSQLiteTableList(connectionWindow, *form.List2);
  Select(form.List2, {"a", "abig"});
  form.show();
  connectionWindow.hide();
  int clicksDuringCopy = 0;
  QObject::connect(form.ProgressBar1, &QProgressBar::valueChanged, &form, [&](int value) {
    if (clicksDuringCopy > 0 || value < 5) return;
    ++clicksDuringCopy;
    QTimer::singleShot(0, &form, [&] {
      ++clicksDuringCopy;
      form.PushButton5->click();  // delete the selected SQLite tables
      form.PushButton4->click();  // send them again
      form.PushButton9->click();  // Deselect All, SQLite
      form.PushButton2->click();  // "< Back"
    });
  });
  form.PushButton4->click();
  EXPECT_EQ(clicksDuringCopy, 2);  // the clicks came while the copy ran
  EXPECT_TRUE(dialogs.shown().empty()) << dialogs.messageTexts().join("\n").toStdString();
  EXPECT_EQ(Items(form.List1), QStringList({"a", "abig", "Table1", "Table2", "Table3", "Table4"}));
  EXPECT_EQ(accessTables(), QStringList({"a", "abig", "Table1", "Table2", "Table3", "Table4"}));
  EXPECT_EQ(Items(form.List2), QStringList({"a", "abig", "b"}));
  EXPECT_EQ(sqliteTables(), QStringList({"a", "abig", "b"}));
  EXPECT_TRUE(form.List2->isSelected(0));
  EXPECT_TRUE(form.List2->isSelected(1));
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(connectionWindow.isVisible());
  EXPECT_EQ(form.pointer().pointer(), app::PointerState::Default);

  // Afterwards each button does its work again.
  form.PushButton9->click();
  EXPECT_FALSE(form.List2->isSelected(0));
  Select(form.List2, {"b"});
  form.PushButton5->click();
  EXPECT_EQ(Items(form.List2), QStringList({"a", "abig"}));
  form.PushButton2->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(connectionWindow.isVisible());
  EXPECT_TRUE(dialogs.shown().empty()) << dialogs.messageTexts().join("\n").toStdString();
}

}  // namespace
