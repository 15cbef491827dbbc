#include "TestDatabase.h"

#include "ado/Error.h"
#include "app/MemoryTableList.h"
#include "app/ScriptedDialogs.h"
#include "db/Access.h"
#include "db/SQLite.h"

#include <gtest/gtest.h>

#include <fstream>

namespace db {
namespace {

FixedConnectionSettings sqliteAt(const std::string& path) {
  return FixedConnectionSettings(QString::fromStdString(path), QString(), QString());
}

TEST(TestSQLiteConnection, TrueOnlyForAnExistingPlainDatabaseFile) {
  ado_test::TempFolder folder;
  const std::string good = folder.file("good.db3");
  ado_test::RunSql(good, "CREATE TABLE t(x);");
  EXPECT_TRUE(TestSQLiteConnection(sqliteAt(good)));

  EXPECT_FALSE(TestSQLiteConnection(sqliteAt("")));
  EXPECT_FALSE(TestSQLiteConnection(sqliteAt(folder.file(""))));  // a folder
  const std::string missing = folder.file("missing.db3");
  EXPECT_FALSE(TestSQLiteConnection(sqliteAt(missing)));
  EXPECT_FALSE(std::filesystem::exists(missing));
  const std::string notes = folder.file("notes.txt");
  std::ofstream(notes) << std::string(200, 'n');
  EXPECT_FALSE(TestSQLiteConnection(sqliteAt(notes)));
  const std::string hidden = folder.file(".hidden.db3");
  ado_test::RunSql(hidden, "CREATE TABLE t(x);");
  EXPECT_FALSE(TestSQLiteConnection(sqliteAt(hidden)));
  EXPECT_FALSE(TestSQLiteConnection(sqliteAt(folder.file("*.db3"))));  // wildcards name no file to open
}

TEST(FillSQLiteTableList, SkipsOnlyNamesWithDollarAsFourthCharacterAndListsViews) {
  ado_test::TempFolder folder;
  const std::string path = folder.file("list.db3");
  ado_test::RunSql(path,
                   "CREATE TABLE [abc$def](x); CREATE TABLE [ab$](x); CREATE TABLE [a$](x); CREATE TABLE [abcd$](x);"
                   "CREATE TABLE [$$$$](x); CREATE TABLE Orders(id INTEGER PRIMARY KEY AUTOINCREMENT);"
                   "INSERT INTO Orders DEFAULT VALUES; CREATE VIEW [Käufe] AS SELECT * FROM Orders;"
                   "CREATE TABLE [äöü$x](x);");
  app::MemoryTableList list;
  list.addItem(QStringLiteral("stale"));
  FillSQLiteTableList(sqliteAt(path), list);
  EXPECT_EQ(list.items(), (std::vector<QString>{QStringLiteral("a$"), QStringLiteral("ab$"), QStringLiteral("abcd$"),
                                                QStringLiteral("Käufe"), QStringLiteral("Orders")}));
}

TEST(FillSQLiteTableList, AConnectionFailureLeavesTheListAsItWas) {
  ado_test::TempFolder folder;
  app::MemoryTableList list;
  list.addItem(QStringLiteral("kept"));
  EXPECT_THROW(FillSQLiteTableList(sqliteAt(folder.file("missing.db3")), list), ado::Error);
  EXPECT_EQ(list.items(), std::vector<QString>{QStringLiteral("kept")});
}

// A catalogue served from memory: the Access provider of the engine is not installed in this build.
class CatalogProvider : public ado::Provider {
 public:
  explicit CatalogProvider(std::vector<ado::TableEntry> entries) : entries_(std::move(entries)) {}
  std::string lastPassword;
  std::unique_ptr<ado::Session> open(const ado::ConnectionTarget& target, const ado::ConnectionProperties&) override {
    lastPassword = target.access.password;
    if (target.access.password == "wrong") throw ado::Error(ado::adErrProviderFailed, "Not a valid password.");
    return std::make_unique<Catalog>(entries_);
  }

 private:
  struct Catalog : ado::Session {
    explicit Catalog(std::vector<ado::TableEntry> e) : entries(std::move(e)) {}
    std::vector<ado::TableEntry> entries;
    void execute(const std::string&) override {}
    std::unique_ptr<ado::PreparedCommand> prepare(const std::string&) override {
      throw ado::Error(ado::adErrFeatureNotAvailable, "not in this test");
    }
    std::unique_ptr<ado::Cursor> query(const std::string&, const ado::CursorOptions&) override {
      throw ado::Error(ado::adErrFeatureNotAvailable, "not in this test");
    }
    std::vector<ado::TableEntry> tables() override { return entries; }
    void beginTransaction() override {}
    void commitTransaction() override {}
    void rollbackTransaction() override {}
  };
  std::vector<ado::TableEntry> entries_;
};

class AccessCatalog : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = folder_.file("box.mdb");
    std::ofstream(file_) << "stand-in";
    provider_ = std::make_shared<CatalogProvider>(std::vector<ado::TableEntry>{
        {"Orders", "TABLE"}, {"MSysObjects", "SYSTEM TABLE"}, {"Recent", "VIEW"}, {"Zeta", "TABLE"},
        {"Linked", "LINK"}, {"lower", "table"}});
  }
  void TearDown() override { ado::RegisterProvider(ado::ProviderKind::Access, nullptr); }
  void install() { ado::RegisterProvider(ado::ProviderKind::Access, provider_); }
  FixedConnectionSettings settings(const QString& password = QString()) const {
    return FixedConnectionSettings(QString(), QString::fromStdString(file_), password);
  }

  ado_test::TempFolder folder_;
  std::string file_;
  std::shared_ptr<CatalogProvider> provider_;
};

TEST_F(AccessCatalog, FillKeepsOnlyUserTablesAndReportsAnUnreadableCatalog) {
  app::ScriptedDialogs dialogs;
  app::MemoryTableList list;
  list.addItem(QStringLiteral("stale"));
  const QString path = QString::fromStdString(file_);

  // No Access provider installed yet: the honest answer is the message.
  FillAccessTableList(settings(), dialogs, list, path);
  EXPECT_EQ(list.count(), 0);
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text, QStringLiteral("Unable to access the database"));
  EXPECT_EQ(dialogs.messages()[0].buttons, app::MessageButtons::Ok);
  EXPECT_EQ(dialogs.messages()[0].icon, app::MessageIcon::None);
  EXPECT_EQ(dialogs.messages()[0].title, QStringLiteral("Tabloren"));

  install();
  dialogs.clearShown();
  FillAccessTableList(settings(), dialogs, list, path);
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_EQ(list.items(), (std::vector<QString>{QStringLiteral("Orders"), QStringLiteral("Zeta")}));
  EXPECT_EQ(*GetAccessTables(settings(), path), (QStringList{QStringLiteral("Orders"), QStringLiteral("Zeta")}));

  // A wrong password or a missing file: no list, reported once by the fill.
  EXPECT_FALSE(GetAccessTables(settings(QStringLiteral("wrong")), path).has_value());
  EXPECT_FALSE(GetAccessTables(settings(), path + QStringLiteral(".gone")).has_value());
  FillAccessTableList(settings(QStringLiteral("wrong")), dialogs, list, path);
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(dialogs.messageTexts(), QStringList{QStringLiteral("Unable to access the database")});
}

TEST_F(AccessCatalog, TableExistsIgnoresCaseAndOnlyCountsUserTables) {
  const QString path = QString::fromStdString(file_);
  EXPECT_THROW(AccessTableExists(path, QString(), QStringLiteral("Orders")), ado::Error);  // no provider: raises
  install();
  EXPECT_TRUE(AccessTableExists(path, QStringLiteral("pw"), QStringLiteral("ORDERS")));
  EXPECT_EQ(provider_->lastPassword, "pw");
  EXPECT_TRUE(AccessTableExists(path, QString(), QStringLiteral("zeta")));
  EXPECT_FALSE(AccessTableExists(path, QString(), QStringLiteral("MSysObjects")));
  EXPECT_FALSE(AccessTableExists(path, QString(), QStringLiteral("Recent")));
  EXPECT_FALSE(AccessTableExists(path, QString(), QStringLiteral("lower")));  // type "table" is not "TABLE"
  EXPECT_FALSE(AccessTableExists(path + QStringLiteral(".gone"), QString(), QStringLiteral("Orders")));
  EXPECT_THROW(AccessTableExists(path, QStringLiteral("wrong"), QStringLiteral("Orders")), ado::Error);
}

}  // namespace
}  // namespace db
