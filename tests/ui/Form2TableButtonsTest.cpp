// The tables window's Send, Delete and Rename buttons on real files: a click runs the action on
// the window's own lists with the connection window's paths, and the lists and files change.
#include "SQLiteFiles.h"
#include "WindowTestSupport.h"
#include "app/MemoryTableList.h"
#include "db/Access.h"
#include "db/SQLite.h"
#include "ui/Form2.h"

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
    ASSERT_TRUE(QFile::copy(QStringLiteral(TABLOREN_SHARED_DIR "/corpus/mdb-reader/V2000/test.mdb"),
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

}  // namespace
