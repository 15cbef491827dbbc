#include "transfer/FaithfulCopy.h"

#include "ado/Constants.h"
#include "ado/Error.h"

#include <QString>
#include <algorithm>
#include <cctype>

namespace transfer {

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

void Note(const FaithfulMode& mode, const std::string& text) {
  if (mode.note) mode.note(QString::fromStdString(text));
}

// One table's statements from its plan. The source's fields must be the planned columns, in
// their order: a table that changed in between is given up rather than copied askew.
class PlannedStatements : public TableStatements {
 public:
  PlannedStatements(faithful::TablePlan plan, bool toSQLite) : plan_(std::move(plan)), toSQLite_(toSQLite) {
    for (const auto& column : plan_.columns) forms_.push_back(column.form);
  }

  void addColumn(const ado::Field& field, int position) override {
    const auto at = static_cast<std::size_t>(position);
    if (at >= plan_.columns.size() || QString::fromStdString(plan_.columns[at].name)
                                              .compare(QString::fromStdString(field.Name()), Qt::CaseInsensitive) != 0)
      throw ado::Error(ado::adErrProviderFailed, "the field " + field.Name() + " is not the column its design lists there");
    fields_ = position + 1;
  }

  std::vector<std::string> createStatements() override {
    if (static_cast<std::size_t>(fields_) != plan_.columns.size())
      throw ado::Error(ado::adErrProviderFailed, "the table's fields are not the columns its design lists");
    return {plan_.create};
  }

  std::string insertStart() const override {
    if (toSQLite_) return "INSERT INTO " + faithful::SQLiteName(plan_.table) + " VALUES(";
    // An AutoNumber keeps its values when the INSERT names the columns.
    const bool counter = std::any_of(plan_.columns.begin(), plan_.columns.end(),
                                     [](const faithful::ColumnPlan& c) { return c.rowidKey; });
    std::string start = "INSERT INTO " + faithful::AccessName(plan_.table) + " ";
    if (counter) {
      start += "(";
      for (std::size_t i = 0; i < plan_.columns.size(); ++i)
        start += (i ? ", " : "") + faithful::AccessName(plan_.columns[i].name);
      start += ") ";
    }
    return start + "VALUES(";
  }

  RowsAhead::ValueRule valueRule() const override {
    return [forms = &forms_, toSQLite = toSQLite_](ado::Variant&& value, int field) {
      const auto form = static_cast<std::size_t>(field) < forms->size() ? (*forms)[static_cast<std::size_t>(field)]
                                                                        : faithful::ValueForm::kText;
      return toSQLite ? faithful::SQLiteBoundValue(std::move(value), form)
                      : faithful::AccessBoundValue(std::move(value), form);
    };
  }

  std::vector<std::string> statementsAfterRows() override { return plan_.indexes; }

 private:
  faithful::TablePlan plan_;
  bool toSQLite_;
  std::vector<faithful::ValueForm> forms_;
  int fields_ = 0;
};

// The one row of the facts query. A record set counts its rows with a second run of its
// query, which here would read the whole table again: the row goes through a temporary table
// of its own (SQLite's temp schema, never the file; it goes when the connection closes, since
// no table can be dropped while the source's rows are being read), and is read directly only
// when that fails.
std::vector<ado::Variant> FactsRow(ado::Connection& source, const TableDesign& design, int number) {
  const std::string query = faithful::SQLiteFactsQuery(design);
  const std::string temporary = "temp.tabloren_faithful_facts_" + std::to_string(number);
  bool stored = true;
  try {
    source.Execute("CREATE TEMP TABLE " + temporary + " AS " + query);
  } catch (const std::exception&) {
    stored = false;
  }
  ado::Recordset rs;
  rs.Open(stored ? "SELECT * FROM " + temporary : query, source);
  std::vector<ado::Variant> row;
  for (int i = 0; !rs.Eof() && i < rs.Fields().Count(); ++i) row.push_back(rs.Fields()[i].Value());
  return row;
}

}  // namespace

std::vector<std::string> TablesOfRun(const app::TableList& source, const app::TableList& target) {
  std::vector<std::string> names;
  for (int i = 0; i < source.count(); ++i)
    if (source.isSelected(i)) names.push_back(source.item(i).toStdString());
  for (int i = 0; i < target.count(); ++i) names.push_back(target.item(i).toStdString());
  return names;
}

// --- to SQLite ---

FaithfulToSQLiteDirection::FaithfulToSQLiteDirection(const TransferEnvironment& env, const FaithfulMode& mode)
    : tables_(TablesOfRun(env.accessList, env.sqliteList)), mode_(mode) {}

void FaithfulToSQLiteDirection::connectionsOpened(ado::Connection&, ado::Connection& target) { target_ = &target; }

bool FaithfulToSQLiteDirection::indexNameTaken(const std::string& name) const {
  if (indexNames_.count(Lower(name))) return true;
  if (!target_ || !target_->IsOpen()) return false;
  ado::Recordset rs = target_->OpenSchema(ado::adSchemaIndexes, {{}, {}, ado::Variant::text(name)});
  return !rs.Eof();
}

std::unique_ptr<TableStatements> FaithfulToSQLiteDirection::beginTable(const QString& name, ado::Connection& source) {
  const TableDesign design = ReadTableDesign(source, name.toStdString());
  faithful::TablePlan plan =
      faithful::PlanSQLiteTable(design, tables_, [this](const std::string& n) { return indexNameTaken(n); });
  for (const std::string& note : plan.notes) Note(mode_, note);
  // The names the plan chose are taken from now on.
  for (const std::string& index : plan.indexNames) indexNames_.insert(Lower(index));
  return std::make_unique<PlannedStatements>(std::move(plan), true);
}

// --- to Access ---

FaithfulToAccessDirection::FaithfulToAccessDirection(const TransferEnvironment& env, const FaithfulMode& mode)
    : tables_(TablesOfRun(env.sqliteList, env.accessList)), mode_(mode) {}

void FaithfulToAccessDirection::connectionsOpened(ado::Connection&, ado::Connection& target) { target_ = &target; }

std::unique_ptr<TableStatements> FaithfulToAccessDirection::beginTable(const QString& name, ado::Connection& source) {
  if (target_ && target_->IsOpen()) {
    ado::Recordset existing = target_->OpenSchema(ado::adSchemaTables, {{}, {}, ado::Variant::text(name.toStdString())});
    if (!existing.Eof())
      throw ado::Error(ado::adErrProviderFailed,
                       "the Access database still has a table named " + name.toStdString() +
                           " (one that takes part in a relationship cannot be dropped), and the copy's rows do not "
                           "go into an old table");
  }
  const TableDesign design = ReadTableDesign(source, name.toStdString());
  std::vector<faithful::ColumnFacts> facts;
  if (!design.columns.empty())
    facts = faithful::FactsFromRow(FactsRow(source, design, ++tablesPlanned_), design.columns.size());
  faithful::TablePlan plan = faithful::PlanAccessTable(design, facts, {}, tables_);
  for (const std::string& note : plan.notes) Note(mode_, note);
  foreignKeys_.insert(foreignKeys_.end(), plan.foreignKeys.begin(), plan.foreignKeys.end());
  return std::make_unique<PlannedStatements>(std::move(plan), false);
}

void FaithfulToAccessDirection::afterAllTables(ado::Connection&, ado::Connection& target, StatementRunner&) {
  for (const std::string& key : foreignKeys_) {
    try {
      target.Execute(key);
    } catch (const std::exception& e) {
      Note(mode_, key.substr(0, key.find(" FOREIGN KEY")) + " was not made: " + e.what());
    }
  }
}

}  // namespace transfer
