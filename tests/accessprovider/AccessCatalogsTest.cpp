// The program's Access catalogue operations on real files: the user-table list, its message
// when the database cannot be read, and the table-exists test.
#include "Corpus.h"

#include "ado/Error.h"
#include "app/MemoryTableList.h"
#include "app/ScriptedDialogs.h"
#include "db/Access.h"

#include <gtest/gtest.h>

namespace db {
namespace {

QString corpusPath(const std::string& relative) { return QString::fromStdString(corpus::File(relative)); }

FixedConnectionSettings accessAt(const QString& path, const QString& password = QString()) {
  return FixedConnectionSettings(QString(), path, password);
}

TEST(AccessCatalogOnRealFiles, ListsUserTablesOnly) {
  const QString path = corpusPath("mdb-reader/V2003/test.mdb");
  EXPECT_EQ(GetAccessTables(accessAt(path), path),
            (QStringList{QStringLiteral("Table1"), QStringLiteral("Table2"), QStringLiteral("Table3"),
                         QStringLiteral("Table4")}));
  // A new database holds only system tables: an empty list, not a failure.
  const QString empty = corpusPath("mdb-reader/V2016/empty.accdb");
  const std::optional<QStringList> none = GetAccessTables(accessAt(empty), empty);
  ASSERT_TRUE(none.has_value());
  EXPECT_TRUE(none->isEmpty());
  // Linked tables are not the database's own.
  const QString linker = corpusPath("jackcess/V2007/linkerTestV2007.accdb");
  EXPECT_EQ(GetAccessTables(accessAt(linker), linker), QStringList{QStringLiteral("Table1")});
}

TEST(AccessCatalogOnRealFiles, FillReportsADatabaseThatCannotBeOpened) {
  const QString path = corpusPath("mdb-reader/password/V2010_with-password.accdb");
  app::ScriptedDialogs dialogs;
  app::MemoryTableList list;
  list.addItem(QStringLiteral("stale"));

  FillAccessTableList(accessAt(path, QStringLiteral("password")), dialogs, list, path);
  EXPECT_TRUE(dialogs.shown().empty());
  ASSERT_EQ(list.count(), 1);
  EXPECT_EQ(list.items()[0], QStringLiteral("Table1"));

  for (const QString& wrong : {QString(), QStringLiteral("wrong")}) {
    dialogs.clearShown();
    FillAccessTableList(accessAt(path, wrong), dialogs, list, path);
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(dialogs.messageTexts(), QStringList{QStringLiteral("Unable to access the database")});
  }
}

TEST(AccessCatalogOnRealFiles, TableExistsIgnoresCaseCountsOnlyUserTablesAndRaisesFailures) {
  const QString path = corpusPath("mdb-reader/V2003/test.mdb");
  EXPECT_TRUE(AccessTableExists(path, QString(), QStringLiteral("TABLE3")));
  EXPECT_TRUE(AccessTableExists(path, QString(), QStringLiteral("table1")));
  EXPECT_FALSE(AccessTableExists(path, QString(), QStringLiteral("Table5")));
  EXPECT_FALSE(AccessTableExists(path, QString(), QStringLiteral("MSysObjects")));
  EXPECT_FALSE(AccessTableExists(path + QStringLiteral(".gone"), QString(), QStringLiteral("Table1")));

  const QString locked = corpusPath("mdb-reader/password/V2003_with-password.mdb");
  EXPECT_TRUE(AccessTableExists(locked, QStringLiteral("password"), QStringLiteral("Table1")));
  EXPECT_THROW(AccessTableExists(locked, QStringLiteral("wrong"), QStringLiteral("Table1")), ado::Error);
}

}  // namespace
}  // namespace db
