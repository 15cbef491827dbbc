// The faithful mode of both copies (tabloren-cli --faithful): what a copy asks of it at each
// step of a table, on the copy's own connections. Before the table's create: the source
// table's design (read through OpenSchema) and its plan (FaithfulRules.h); then the CREATE
// TABLE, the INSERT's start and each value's literal; after the rows, inside the table's
// transaction: its indexes; after every table: the foreign keys Access takes as statements
// of their own (SQLite's are part of the CREATE TABLE). Notes go to the environment's sink.
#pragma once

#include "ado/Connection.h"
#include "app/TableList.h"
#include "transfer/FaithfulRules.h"

#include <QString>
#include <functional>
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

class FaithfulTables {
 public:
  enum class Target { kSQLite, kAccess };

  // `tablesCopied`: the tables the run copies and those the target has already.
  FaithfulTables(Target target, ado::Connection& source, ado::Connection& destination,
                 std::vector<std::string> tablesCopied, const FaithfulMode& mode);

  // Reads the design of `table` and plans its copy; throws ado::Error when the design cannot
  // be read. The notes of the plan are passed on here.
  void plan(const std::string& table);
  const faithful::TablePlan& current() const { return plan_; }
  const std::string& createStatement() const { return plan_.create; }
  // "INSERT INTO t (a, b) VALUES(" (the column list when an AutoNumber keeps its values).
  std::string insertStart() const;
  void appendValue(std::string& statement, const ado::Variant& value, int field) const;
  // The table's rows are in: its foreign keys wait for the end of the run.
  void tableCopied();
  const std::vector<std::string>& pendingForeignKeys() const { return foreignKeys_; }
  void note(const std::string& text) const;

 private:
  Target target_;
  ado::Connection& source_;
  ado::Connection& destination_;
  std::vector<std::string> tablesCopied_;
  const FaithfulMode& mode_;
  faithful::TablePlan plan_;
  std::vector<faithful::ValueForm> forms_;  // per source field
  std::vector<std::string> foreignKeys_;
};

}  // namespace transfer
