// The faithful mode of both copies (tabloren-cli --faithful), as copy directions on the copy
// skeleton (TableCopy.h): each table's design is read from the source through OpenSchema and
// planned by FaithfulRules.h before the create; each value is written by its column's form;
// the table's indexes come after its rows, inside its transaction. SQLite's foreign keys are
// part of the CREATE TABLE; Access's are statements of their own, made after every table,
// each alone, a failure (data that breaks the key) being a failure of its table's copy. To
// SQLite, the values of each attachment or multi-value column go to a table of their own,
// made and filled after the table's rows, inside its transaction. Notes go to the mode's sink.
#pragma once

#include "transfer/AccessToSQLite.h"
#include "transfer/FaithfulRules.h"
#include "transfer/QueryTranslation.h"
#include "transfer/SQLiteToAccess.h"
#include "transfer/TransferEnvironment.h"

#include <QString>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace transfer {

// Set in the environment to ask for the faithful mode.
struct FaithfulMode {
  std::function<void(const QString& note)> note;  // one sentence that names table and column
};

// The tables a foreign key may refer to in a run: the selected ones of the source list and
// every one of the target list.
std::vector<std::string> TablesOfRun(const app::TableList& source, const app::TableList& target);

class FaithfulToSQLiteDirection : public AccessToSQLiteDirection {
 public:
  FaithfulToSQLiteDirection(const TransferEnvironment& env, const FaithfulMode& mode);
  void connectionsOpened(ado::Connection& source, ado::Connection& target) override;
  std::unique_ptr<TableStatements> beginTable(const QString& name, ado::Connection& sourceConnection) override;
  // The saved queries as views (SavedQueryViews.h).
  void afterAllTables(ado::Connection& source, ado::Connection& target, StatementRunner& runner) override;

 private:
  bool indexNameTaken(const std::string& name) const;
  std::vector<std::string> tables_;
  const FaithfulMode& mode_;
  ado::Connection* target_ = nullptr;
  std::set<std::string> indexNames_;   // made by this run, lower-cased
  std::set<std::string> objectNames_;  // tables, views and queries of both sides, lower-cased
  std::map<std::string, std::string> formerValuesTables_;  // "table.column", lower-cased -> its values' table
};

class FaithfulToAccessDirection : public SQLiteToAccessDirection {
 public:
  FaithfulToAccessDirection(const TransferEnvironment& env, const FaithfulMode& mode);
  void connectionsOpened(ado::Connection& source, ado::Connection& target) override;
  // Views that came from Access queries, other views whose SQL has an Access form, and the
  // query table: saved queries, made after the tables (SavedQueryViews.h).
  bool leavesOut(const QString& name) const override;
  // Gives the table up when the target still has a table of its name: an old table that takes
  // part in a relationship cannot be dropped, and the copy's rows must not go into it.
  std::unique_ptr<TableStatements> beginTable(const QString& name, ado::Connection& sourceConnection) override;
  void afterAllTables(ado::Connection& source, ado::Connection& target, StatementRunner& runner) override;

 private:
  std::vector<std::string> tables_;
  const FaithfulMode& mode_;
  std::vector<std::pair<std::string, std::string>> foreignKeys_;  // table and statement, of the tables begun
  app::TableList& sqliteList_;
  faithful::DesignFacts kept_;  // the source's _access_design
  std::map<std::string, std::string> valuesTables_;  // a values table, lower-cased -> "table.column"
  faithful::AccessFormat format_;
  std::set<std::string> views_;           // the source's views of Access queries, case-folded
  ViewPlan sqliteViews_;                  // its other views: saved queries, or tables (refused)
  std::set<std::string> viewQueries_;     // the names of those saved queries, case-folded
  ado::Connection* target_ = nullptr;
  int tablesPlanned_ = 0;
};

}  // namespace transfer
