#include "app/SqlCommands.h"
#include "app/ErrorPolicy.h"
#include "app/ScriptedDialogs.h"

#include "ado/Error.h"
#include "ado/Recordset.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

TEST(NullToDefault, OnlyNullIsReplaced) {
  const ado::Variant empty = ado::Variant::text("");
  EXPECT_EQ(app::NullToDefault(ado::Variant::null(), empty), empty);
  EXPECT_EQ(app::NullToDefault(ado::Variant::int32(0), empty), ado::Variant::int32(0));
  EXPECT_EQ(app::NullToDefault(empty, ado::Variant::text("x")), empty);
  EXPECT_EQ(app::NullToDefault(ado::Variant(), empty), ado::Variant());  // Empty is not Null
}

// ExecuteSql on a real SQLite file through the data-access layer.
class ExecuteSqlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    path_ = folder_.filePath(QStringLiteral("shop.db3")).toStdString();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE orders (id INTEGER, name TEXT)", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    connection_.Open("DRIVER=SQLite3 ODBC Driver;Database=" + path_ + ";LongNames=0;Timeout=1000;NoTXN=0;");
  }

  std::int64_t RowCount() {
    ado::Recordset rs;
    rs.Open("SELECT * FROM orders", connection_);
    return rs.RecordCount();
  }

  QTemporaryDir folder_;
  std::string path_;
  ado::Connection connection_;
};

TEST_F(ExecuteSqlTest, RunsTheStatementAndKeepsNothing) {
  app::ExecuteSql(connection_, QString::fromUtf8("INSERT INTO orders VALUES (1, 'Gr\xc3\xbc\xc3\x9f''e')"));
  app::ExecuteSql(connection_, std::string("INSERT INTO orders VALUES (2, NULL)"));
  EXPECT_EQ(RowCount(), 2);
  ado::Recordset rs;
  rs.Open("SELECT name FROM orders WHERE id = 1", connection_);
  EXPECT_EQ(rs.Fields()[0].Value().asText(), "Gr\xc3\xbc\xc3\x9f'e");
}

TEST_F(ExecuteSqlTest, FailureReachesTheHandlerWithTheProvidersMessage) {
  app::ScriptedDialogs dialogs;
  app::Handler h(dialogs, app::Label("Form2", "PushButton4_Click"));
  h.step(30, [&] { app::ExecuteSql(connection_, QStringLiteral("INSERT INTO missing VALUES (1)")); });
  h.step(40, [&] { app::ExecuteSql(connection_, QStringLiteral("INSERT INTO orders VALUES (3, 'after')")); });
  ASSERT_EQ(dialogs.messageTexts().size(), 1);
  const QString text = dialogs.messageTexts()[0];
  EXPECT_TRUE(text.contains(QStringLiteral("no such table: missing"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("PushButton4_Click at line 30\r"))) << text.toStdString();
  EXPECT_EQ(RowCount(), 1);  // the handler went on with its next step

  // The number is kept for code that handles the failure itself, never shown.
  const auto failure = h.attempt(50, [&] { app::ExecuteSql(connection_, QStringLiteral("DROP TABLE missing")); });
  ASSERT_TRUE(failure.has_value());
  EXPECT_NE(failure->number, 0);
  EXPECT_FALSE(text.contains(QString::number(failure->number)));
}

}  // namespace
